#include "economy/GoldValue.h"

namespace vialmark {

namespace {

u32 EffectCostSum(const EffectHolder* holder) {
  u32 sum = 0;
  for (u32 i = 0; i < holder->effectCount; ++i) {
    const EffectEntry* entry = holder->effectEntries[i];
    if (entry != nullptr) sum += TruncateToU32(entry->cost);
  }
  return sum;
}

bool HasManualValue(const AlchemyItem* potion) {
  return (potion->alchemyFlags & kManualValueBit) != 0;
}

// The checks the three array fillers share, then one write per item in index order.
template <class Element, class ValueOf>
bool FillArray(VMArray<Element> items, VMArray<u32> values, ValueOf valueOf) {
  const u32 length = ElementCount(items);
  if (length == 0 || ElementCount(values) < length) return false;
  for (u32 i = 0; i < length; ++i) WriteInteger(ElementAt(values, i), valueOf(ElementAt(items, i)));
  return true;
}

template <class Item, class ValueOf>
bool FillSingle(Item* item, VMArray<u32> values, u32 index, ValueOf valueOf) {
  if (item == nullptr || index >= ElementCount(values)) return false;
  WriteInteger(ElementAt(values, index), valueOf(item));
  return true;
}

u32 IngredientGoldValue(IngredientItem* ingredient) {
  return ComponentGoldValue(ingredient, HostClass::kIngredientItem);
}

}  // namespace

u32 PotionGoldValue(AlchemyItem* potion) {
  if (HasManualValue(potion)) return static_cast<u32>(potion->manualValue);
  return EffectCostSum(&potion->holder);
}

u32 ComponentGoldValue(const void* form, HostClass source) {
  auto* component =
      static_cast<const ValueComponent*>(host::Cast(form, source, HostClass::kValueComponent));
  return component != nullptr ? static_cast<u32>(component->value) : 0;
}

u32 GetGoldValue(StaticFunctionTag*, TESForm* form) {
  if (form == nullptr) return 0;
  if (auto* component = static_cast<const ValueComponent*>(
          host::Cast(form, HostClass::kTESForm, HostClass::kValueComponent))) {
    return static_cast<u32>(component->value);
  }
  auto* potion =
      static_cast<AlchemyItem*>(host::Cast(form, HostClass::kTESForm, HostClass::kAlchemyItem));
  if (potion == nullptr) return 0;
  if (HasManualValue(potion)) return static_cast<u32>(potion->manualValue);
  auto* holder = static_cast<const EffectHolder*>(
      host::Cast(form, HostClass::kTESForm, HostClass::kEffectHolder));
  return holder != nullptr ? EffectCostSum(holder) : 0;
}

bool FillGoldValueArray(StaticFunctionTag*, VMArray<TESForm*> forms, VMArray<u32> values) {
  return FillArray(forms, values, [](const ScriptValue* slot) -> u32 {
    TESForm* form = ResolveAs<TESForm>(slot);
    if (form == nullptr) return 0;
    if (auto* potion = static_cast<AlchemyItem*>(
            host::Cast(form, HostClass::kTESForm, HostClass::kAlchemyItem))) {
      return PotionGoldValue(potion);
    }
    return ComponentGoldValue(form, HostClass::kTESForm);
  });
}

bool FillPotionGoldValueArray(StaticFunctionTag*, VMArray<AlchemyItem*> potions,
                              VMArray<u32> values) {
  return FillArray(potions, values, [](const ScriptValue* slot) -> u32 {
    AlchemyItem* potion = ResolveAs<AlchemyItem>(slot);
    return potion != nullptr ? PotionGoldValue(potion) : 0;
  });
}

bool FillIngredientGoldValueArray(StaticFunctionTag*, VMArray<IngredientItem*> ingredients,
                                  VMArray<u32> values) {
  return FillArray(ingredients, values, [](const ScriptValue* slot) -> u32 {
    IngredientItem* ingredient = ResolveAs<IngredientItem>(slot);
    return ingredient != nullptr ? IngredientGoldValue(ingredient) : 0;
  });
}

bool FillSinglePotionGoldValue(StaticFunctionTag*, AlchemyItem* potion, VMArray<u32> values,
                               u32 index) {
  return FillSingle(potion, values, index, &PotionGoldValue);
}

bool FillSingleIngredientGoldValue(StaticFunctionTag*, IngredientItem* ingredient,
                                   VMArray<u32> values, u32 index) {
  return FillSingle(ingredient, values, index, &IngredientGoldValue);
}

}  // namespace vialmark
