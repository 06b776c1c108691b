#include "fuzz/natives/RecordFields.h"

#include <map>

namespace vialmark::fuzz {

unsigned WritableBy(const std::string& function) {
  using namespace Field;
  constexpr unsigned kPricing = kPotionPrice | kPotionFlags;
  static const std::map<std::string, unsigned> kWrites = {
      {"SetSinglePotionPrice", kPricing},
      {"SetMGEFArchetype", kEffectArchetype | kEffectRelated | kEffectValues},
      {"SetIngredientArrayPrices", kIngredientValue},
      {"SetPotionArrayPrices", kPricing},
      {"SetPotionArrayPricesSpecial", kPricing},
      {"SetPotionFormArrayPricesSpecial", kPricing},
      {"SetAlchAutoCalcFlag", kPotionFlags},
      {"SetStackingPrefs", kEffectArchetype | kEffectRelated},
      {"SetFormArrayWeights", kPotionWeight | kIngredientWeight | kFormWeight},
      {"SetPotionArrayWeights", kPotionWeight},
      {"SetIngredientArrayWeights", kIngredientWeight},
  };
  auto it = kWrites.find(function);
  return it != kWrites.end() ? it->second : 0;
}

void RecordFields::Add(substitute::Scene& scene, std::size_t index, const void* form) {
  using namespace Field;
  auto identity = scene.world().Forms().Identify(form);
  if (!identity) return;
  const bool potion = identity->formType == FormType::kPotion;
  const bool ingredient = identity->formType == FormType::kIngredient;
  if (auto* item = static_cast<AlchemyItem*>(scene.View(form, HostClass::kAlchemyItem))) {
    Watch(index, "manual value", kPotionPrice, item->manualValue);
    Watch(index, "alchemy flags", kPotionFlags, item->alchemyFlags);
  }
  if (auto* holder = static_cast<EffectHolder*>(scene.View(form, HostClass::kEffectHolder))) {
    for (u32 i = 0; i < holder->effectCount; ++i) {
      if (holder->effectEntries[i] != nullptr) {
        Watch(index, "effect cost", kEffectCost, holder->effectEntries[i]->cost);
      }
    }
  }
  if (auto* value = static_cast<ValueComponent*>(scene.View(form, HostClass::kValueComponent))) {
    Watch(index, "value", ingredient ? kIngredientValue : kFormValue, value->value);
  }
  if (auto* weight = static_cast<WeightComponent*>(scene.View(form, HostClass::kWeightComponent))) {
    unsigned group = potion ? kPotionWeight : ingredient ? kIngredientWeight : kFormWeight;
    Watch(index, "weight", group, weight->weight);
  }
  if (identity->formType == FormType::kMagicEffect) {
    const auto* effect = static_cast<const EffectSetting*>(form);
    Watch(index, "archetype", kEffectArchetype, effect->archetype);
    Watch(index, "related form", kEffectRelated, effect->relatedForm);
    Watch(index, "primary actor value", kEffectValues, effect->primaryActorValue);
    Watch(index, "secondary actor value", kEffectValues, effect->secondaryActorValue);
    Watch(index, "secondary weight", kEffectValues, effect->secondaryWeight);
  }
}

void RecordFields::Snapshot() {
  for (Watched& field : watched_) field.before.assign(field.address, field.address + field.length);
}

std::vector<std::string> RecordFields::Changes(const std::string& function) {
  std::vector<std::string> lines;
  const unsigned allowed = WritableBy(function);
  for (Watched& field : watched_) {
    if (std::memcmp(field.before.data(), field.address, field.length) == 0) continue;
    if ((field.group & allowed) == 0) {
      lines.push_back(function + " changed the " + field.name + " of " + formNames_[field.form] +
                      ", which it may not write");
    }
    field.before.assign(field.address, field.address + field.length);
  }
  return lines;
}

}  // namespace vialmark::fuzz
