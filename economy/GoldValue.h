// Reading gold values, singly and into script arrays.
#pragma once

#include "binding/NativeFunction.h"

namespace vialmark {

// The manual value while the potion's ManualValue bit is set, else the sum of its effects'
// costs, each truncated on its own.
u32 PotionGoldValue(AlchemyItem* potion);
// The value of the form's value component, or 0 when it has none.
u32 ComponentGoldValue(const void* form, HostClass source);

u32 GetGoldValue(StaticFunctionTag*, TESForm* form);
bool FillGoldValueArray(StaticFunctionTag*, VMArray<TESForm*> forms, VMArray<u32> values);
bool FillPotionGoldValueArray(StaticFunctionTag*, VMArray<AlchemyItem*> potions,
                              VMArray<u32> values);
bool FillIngredientGoldValueArray(StaticFunctionTag*, VMArray<IngredientItem*> ingredients,
                                  VMArray<u32> values);
bool FillSinglePotionGoldValue(StaticFunctionTag*, AlchemyItem* potion, VMArray<u32> values,
                               u32 index);
bool FillSingleIngredientGoldValue(StaticFunctionTag*, IngredientItem* ingredient,
                                   VMArray<u32> values, u32 index);

}  // namespace vialmark
