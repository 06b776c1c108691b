#include "economy/PriceSetters.h"

#include "economy/Price.h"

namespace vialmark {

namespace {

u32 PriceFor(u32 value, ScriptFlag direct, const PriceFormula& f) {
  return IsSet(direct) ? value : ComputePrice(value, f.exponent, f.divisor, f.multiplier, f.addend);
}

// A selection array shorter than the items, or none, is never read past its end: a missing
// entry counts as false.
bool Selected(VMArray<ScriptFlag> selection, u32 index, ScriptFlag selectWhen) {
  const ScriptFlag flag =
      index < ElementCount(selection) ? ReadBool(ElementAt(selection, index)) : ScriptFlag{0};
  return flag == selectWhen;
}

}  // namespace

void PricePotionElement(VMArray<AlchemyItem*> potions, VMArray<u32> values, ScriptFlag direct,
                        const PriceFormula& formula, u32 index) {
  AlchemyItem* potion = ResolveAs<AlchemyItem>(ElementAt(potions, index));
  if (potion == nullptr) return;
  StorePotionPrice(potion, PriceFor(ReadInteger(ElementAt(values, index)), direct, formula));
}

void SetIngredientArrayPrices(StaticFunctionTag*, VMArray<IngredientItem*> ingredients,
                              VMArray<u32> values, ScriptFlag direct, float exponent, float divisor,
                              float multiplier, float addend, u32 count) {
  const PriceFormula formula{exponent, divisor, multiplier, addend};
  const u32 limit = PairedLimit(ingredients, ElementCount(values), count);
  for (u32 i = 0; i < limit; ++i) {
    IngredientItem* ingredient = ResolveAs<IngredientItem>(ElementAt(ingredients, i));
    if (ingredient == nullptr) continue;
    auto* component = static_cast<ValueComponent*>(
        host::Cast(ingredient, HostClass::kIngredientItem, HostClass::kValueComponent));
    if (component == nullptr) continue;
    component->value =
        static_cast<i32>(PriceFor(ReadInteger(ElementAt(values, i)), direct, formula));
  }
}

void SetPotionArrayPrices(StaticFunctionTag*, VMArray<AlchemyItem*> potions, VMArray<u32> values,
                          ScriptFlag direct, float exponent, float divisor, float multiplier,
                          float addend, u32 count) {
  const PriceFormula formula{exponent, divisor, multiplier, addend};
  const u32 limit = PairedLimit(potions, ElementCount(values), count);
  for (u32 i = 0; i < limit; ++i) PricePotionElement(potions, values, direct, formula, i);
}

void SetPotionArrayPricesSpecial(StaticFunctionTag*, VMArray<AlchemyItem*> potions,
                                 VMArray<u32> values, ScriptFlag direct, float exponent,
                                 float divisor, float multiplier, float addend,
                                 VMArray<ScriptFlag> selection, ScriptFlag selectWhen, u32 count) {
  const PriceFormula formula{exponent, divisor, multiplier, addend};
  const u32 limit = PairedLimit(potions, ElementCount(values), count);
  for (u32 i = 0; i < limit; ++i) {
    if (Selected(selection, i, selectWhen)) PricePotionElement(potions, values, direct, formula, i);
  }
}

void SetPotionFormArrayPricesSpecial(StaticFunctionTag*, VMArray<TESForm*> forms,
                                     VMArray<u32> values, ScriptFlag direct, float exponent,
                                     float divisor, float multiplier, float addend,
                                     VMArray<ScriptFlag> selection, ScriptFlag selectWhen,
                                     u32 count) {
  const PriceFormula formula{exponent, divisor, multiplier, addend};
  const u32 limit = PairedLimit(forms, ElementCount(values), count);
  for (u32 i = 0; i < limit; ++i) {
    if (!Selected(selection, i, selectWhen)) continue;
    TESForm* form = ResolveAs<TESForm>(ElementAt(forms, i));
    auto* potion =
        static_cast<AlchemyItem*>(host::Cast(form, HostClass::kTESForm, HostClass::kAlchemyItem));
    if (potion == nullptr) continue;
    StorePotionPrice(potion, PriceFor(ReadInteger(ElementAt(values, i)), direct, formula));
  }
}

}  // namespace vialmark
