#include "bench/PlainLoop.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "economy/GoldValue.h"
#include "economy/Price.h"
#include "host/HostApi.h"
#include "substitute/World.h"

namespace vialmark::bench {
namespace {

template <class Form>
Form* Resolve(HandlePolicy* policy, u64 handle) {
  constexpr u32 kType = kFormTypeOf<Form>;
  if (!policy->HasType(kType, handle) || !policy->IsLive(handle)) return nullptr;
  return static_cast<Form*>(policy->FormFor(kType, handle));
}

u32 Price(u32 value) { return ComputePrice(value, kExponent, kDivisor, kMultiplier, kAddend); }

void PotionPrices(PlainWork& w) {
  for (std::size_t i = 0; i < w.handles.size(); ++i) {
    if (auto* potion = Resolve<AlchemyItem>(w.policy, w.handles[i]))
      StorePotionPrice(potion, Price(w.values[i]));
  }
}

void SelectedPotionPrices(PlainWork& w) {
  for (std::size_t i = 0; i < w.handles.size(); ++i) {
    if (w.flags[i] == 0) continue;
    if (auto* potion = Resolve<AlchemyItem>(w.policy, w.handles[i]))
      StorePotionPrice(potion, Price(w.values[i]));
  }
}

void SelectedFormPotionPrices(PlainWork& w) {
  for (std::size_t i = 0; i < w.handles.size(); ++i) {
    if (w.flags[i] == 0) continue;
    auto* potion = static_cast<AlchemyItem*>(host::Cast(
        Resolve<TESForm>(w.policy, w.handles[i]), HostClass::kTESForm, HostClass::kAlchemyItem));
    if (potion != nullptr) StorePotionPrice(potion, Price(w.values[i]));
  }
}

void IngredientPrices(PlainWork& w) {
  for (std::size_t i = 0; i < w.handles.size(); ++i) {
    auto* ingredient = Resolve<IngredientItem>(w.policy, w.handles[i]);
    if (ingredient == nullptr) continue;
    auto* component = static_cast<ValueComponent*>(
        host::Cast(ingredient, HostClass::kIngredientItem, HostClass::kValueComponent));
    if (component != nullptr) component->value = static_cast<i32>(Price(w.values[i]));
  }
}

void FormGoldValues(PlainWork& w) {
  for (std::size_t i = 0; i < w.handles.size(); ++i) {
    TESForm* form = Resolve<TESForm>(w.policy, w.handles[i]);
    u32 value = 0;
    if (form != nullptr) {
      auto* potion =
          static_cast<AlchemyItem*>(host::Cast(form, HostClass::kTESForm, HostClass::kAlchemyItem));
      value = potion != nullptr ? PotionGoldValue(potion)
                                : ComponentGoldValue(form, HostClass::kTESForm);
    }
    w.results[i] = value;
  }
}

void PotionGoldValues(PlainWork& w) {
  for (std::size_t i = 0; i < w.handles.size(); ++i) {
    AlchemyItem* potion = Resolve<AlchemyItem>(w.policy, w.handles[i]);
    w.results[i] = potion != nullptr ? PotionGoldValue(potion) : 0;
  }
}

void IngredientGoldValues(PlainWork& w) {
  for (std::size_t i = 0; i < w.handles.size(); ++i) {
    IngredientItem* ingredient = Resolve<IngredientItem>(w.policy, w.handles[i]);
    w.results[i] =
        ingredient != nullptr ? ComponentGoldValue(ingredient, HostClass::kIngredientItem) : 0;
  }
}

void StackingPrefs(PlainWork& w) {
  constexpr u32 kValueMod = 0;
  constexpr u32 kPeakValueMod = 34;
  for (std::size_t i = 0; i < w.handles.size(); ++i) {
    EffectSetting* effect = Resolve<EffectSetting>(w.policy, w.handles[i]);
    if (effect == nullptr) continue;
    if (w.flags[i] != 0) {
      if (effect->archetype == kPeakValueMod) {
        effect->relatedForm = nullptr;
        effect->archetype = kValueMod;
      }
    } else if (effect->archetype == kValueMod) {
      effect->archetype = kPeakValueMod;
    }
  }
}

template <class Form, HostClass kSource>
void Weights(PlainWork& w) {
  for (std::size_t i = 0; i < w.handles.size(); ++i) {
    Form* item = Resolve<Form>(w.policy, w.handles[i]);
    if (item == nullptr) continue;
    auto* component =
        static_cast<WeightComponent*>(host::Cast(item, kSource, HostClass::kWeightComponent));
    if (component != nullptr) component->weight = w.weights[i] * kWeightFactor;
  }
}

enum class Flags : u8 { kNone, kSelection, kStacking };

struct PlainEntry {
  std::string_view name;
  Pool pool;
  Flags flags;
  void (*loop)(PlainWork&);
};

// The same pools, in the same order, as the typical calls take.
const PlainEntry kPlainLoops[] = {
    {"SetIngredientArrayPrices", Pool::kIngredients, Flags::kNone, &IngredientPrices},
    {"SetPotionArrayPrices", Pool::kPricedPotions, Flags::kNone, &PotionPrices},
    {"SetPotionArrayPricesSpecial", Pool::kPricedPotions, Flags::kSelection, &SelectedPotionPrices},
    {"SetPotionFormArrayPricesSpecial", Pool::kFormPotions, Flags::kSelection,
     &SelectedFormPotionPrices},
    {"FillGoldValueArray", Pool::kMiscForms, Flags::kNone, &FormGoldValues},
    {"FillPotionGoldValueArray", Pool::kReadPotions, Flags::kNone, &PotionGoldValues},
    {"FillIngredientGoldValueArray", Pool::kIngredients, Flags::kNone, &IngredientGoldValues},
    {"SetStackingPrefs", Pool::kEffects, Flags::kStacking, &StackingPrefs},
    {"SetFormArrayWeights", Pool::kMiscForms, Flags::kNone, &Weights<TESForm, HostClass::kTESForm>},
    {"SetPotionArrayWeights", Pool::kPricedPotions, Flags::kNone,
     &Weights<AlchemyItem, HostClass::kAlchemyItem>},
    {"SetIngredientArrayWeights", Pool::kIngredients, Flags::kNone,
     &Weights<IngredientItem, HostClass::kIngredientItem>},
};

}  // namespace

const std::vector<std::string_view>& ArrayFunctions() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> all;
    for (const PlainEntry& entry : kPlainLoops) all.push_back(entry.name);
    return all;
  }();
  return names;
}

PlainWork MakePlainWork(Stage& stage, std::string_view name, u32 elements) {
  for (const PlainEntry& entry : kPlainLoops) {
    if (entry.name != name) continue;
    PlainWork work;
    work.policy = substitute::World::Get().Policy();
    work.loop = entry.loop;
    const auto& items = stage.Items(entry.pool);
    for (u32 i = 0; i < elements; ++i) {
      work.handles.push_back(stage.scene().HandleOf(items[i]));
      work.values.push_back(Stage::ValueAt(i));
      // The same weights and flags as the script arrays of the typical call.
      work.weights.push_back(Stage::WeightAt(i));
      work.flags.push_back(entry.flags == Flags::kStacking ? Stage::StackingFlagAt(i) : 1);
    }
    work.results.assign(elements, 0);
    return work;
  }
  std::fprintf(stderr, "bench: no plain loop for %.*s\n", static_cast<int>(name.size()),
               name.data());
  std::abort();
}

}  // namespace vialmark::bench
