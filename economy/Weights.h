// Setting the weights of whole arrays of forms, potions and ingredients.
#pragma once

#include "binding/NativeFunction.h"

namespace vialmark {

void SetFormArrayWeights(StaticFunctionTag*, VMArray<TESForm*> forms, VMArray<float> weights,
                         float multiplier, u32 count);
void SetPotionArrayWeights(StaticFunctionTag*, VMArray<AlchemyItem*> potions,
                           VMArray<float> weights, float multiplier, u32 count);
void SetIngredientArrayWeights(StaticFunctionTag*, VMArray<IngredientItem*> ingredients,
                               VMArray<float> weights, float multiplier, u32 count);

}  // namespace vialmark
