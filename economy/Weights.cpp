#include "economy/Weights.h"

namespace vialmark {

namespace {

template <class Form>
void SetWeights(VMArray<Form*> items, VMArray<float> weights, float multiplier, u32 count,
                HostClass source) {
  const u32 limit = PairedLimit(items, ElementCount(weights), count);
  for (u32 i = 0; i < limit; ++i) {
    Form* item = ResolveAs<Form>(ElementAt(items, i));
    if (item == nullptr) continue;
    auto* component =
        static_cast<WeightComponent*>(host::Cast(item, source, HostClass::kWeightComponent));
    if (component == nullptr) continue;
    component->weight = ReadFloat(ElementAt(weights, i)) * multiplier;
  }
}

}  // namespace

void SetFormArrayWeights(StaticFunctionTag*, VMArray<TESForm*> forms, VMArray<float> weights,
                         float multiplier, u32 count) {
  SetWeights(forms, weights, multiplier, count, HostClass::kTESForm);
}

void SetPotionArrayWeights(StaticFunctionTag*, VMArray<AlchemyItem*> potions,
                           VMArray<float> weights, float multiplier, u32 count) {
  SetWeights(potions, weights, multiplier, count, HostClass::kAlchemyItem);
}

void SetIngredientArrayWeights(StaticFunctionTag*, VMArray<IngredientItem*> ingredients,
                               VMArray<float> weights, float multiplier, u32 count) {
  SetWeights(ingredients, weights, multiplier, count, HostClass::kIngredientItem);
}

}  // namespace vialmark
