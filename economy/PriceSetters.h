// Pricing whole arrays of potions and ingredients, directly or through the price formula.
#pragma once

#include "binding/NativeFunction.h"

namespace vialmark {

struct PriceFormula {
  float exponent;
  float divisor;
  float multiplier;
  float addend;
};

void PricePotionElement(VMArray<AlchemyItem*> potions, VMArray<u32> values, ScriptFlag direct,
                        const PriceFormula& formula, u32 index);

void SetIngredientArrayPrices(StaticFunctionTag*, VMArray<IngredientItem*> ingredients,
                              VMArray<u32> values, ScriptFlag direct, float exponent, float divisor,
                              float multiplier, float addend, u32 count);
void SetPotionArrayPrices(StaticFunctionTag*, VMArray<AlchemyItem*> potions, VMArray<u32> values,
                          ScriptFlag direct, float exponent, float divisor, float multiplier,
                          float addend, u32 count);
void SetPotionArrayPricesSpecial(StaticFunctionTag*, VMArray<AlchemyItem*> potions,
                                 VMArray<u32> values, ScriptFlag direct, float exponent,
                                 float divisor, float multiplier, float addend,
                                 VMArray<ScriptFlag> selection, ScriptFlag selectWhen, u32 count);
void SetPotionFormArrayPricesSpecial(StaticFunctionTag*, VMArray<TESForm*> forms,
                                     VMArray<u32> values, ScriptFlag direct, float exponent,
                                     float divisor, float multiplier, float addend,
                                     VMArray<ScriptFlag> selection, ScriptFlag selectWhen,
                                     u32 count);

}  // namespace vialmark
