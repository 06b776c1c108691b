#include "plugin/Catalogue.h"

#include "economy/GoldValue.h"
#include "economy/ManualValue.h"
#include "economy/Price.h"
#include "economy/PriceSetters.h"
#include "economy/Weights.h"
#include "effects/Assignment.h"
#include "effects/Queries.h"
#include "effects/Stacking.h"

namespace vialmark {

namespace {

template <auto kCallback>
NativeFunctionObject* Build(void* block, ScriptRegistry* registry, const char* name) {
  using Function = typename NativeFunctionFor<decltype(kCallback)>::Type;
  return Function::Construct(block, registry, name, kCallback);
}

template <auto kCallback>
constexpr CatalogueEntry Entry(const char* name) {
  return {name, NativeFunctionFor<decltype(kCallback)>::Type::kArity, &Build<kCallback>};
}

constexpr u32 kFunctionOptions = 1;

}  // namespace

const CatalogueEntry kCatalogue[kCatalogueSize] = {
    Entry<&SetSinglePotionPrice>("SetSinglePotionPrice"),
    Entry<&SetMGEFArchetype>("SetMGEFArchetype"),
    Entry<&GetMGEFArchetypeNum>("GetMGEFArchetypeNum"),
    Entry<&GetMGEFPrimaryAV>("GetMGEFPrimaryAV"),
    Entry<&GetMGEFRelatedForm>("GetMGEFRelatedForm"),
    Entry<&SetIngredientArrayPrices>("SetIngredientArrayPrices"),
    Entry<&SetPotionArrayPrices>("SetPotionArrayPrices"),
    Entry<&SetPotionArrayPricesSpecial>("SetPotionArrayPricesSpecial"),
    Entry<&SetPotionFormArrayPricesSpecial>("SetPotionFormArrayPricesSpecial"),
    Entry<&GetAlchAutoCalcFlag>("GetAlchAutoCalcFlag"),
    Entry<&SetAlchAutoCalcFlag>("SetAlchAutoCalcFlag"),
    Entry<&FillGoldValueArray>("FillGoldValueArray"),
    Entry<&FillPotionGoldValueArray>("FillPotionGoldValueArray"),
    Entry<&FillIngredientGoldValueArray>("FillIngredientGoldValueArray"),
    Entry<&SetStackingPrefs>("SetStackingPrefs"),
    Entry<&SetFormArrayWeights>("SetFormArrayWeights"),
    Entry<&SetPotionArrayWeights>("SetPotionArrayWeights"),
    Entry<&SetIngredientArrayWeights>("SetIngredientArrayWeights"),
    Entry<&GetGoldValue>("GetGoldValue"),
    Entry<&FillSinglePotionGoldValue>("FillSinglePotionGoldValue"),
    Entry<&FillSingleIngredientGoldValue>("FillSingleIngredientGoldValue"),
};

bool RegisterNatives(ScriptRegistry* registry) {
  for (const CatalogueEntry& entry : kCatalogue) {
    void* block = host::Allocate(kFunctionObjectSize, 0, false);
    // Without a block there is no object to add; the entry is skipped rather than handing
    // the host a null function.
    if (block == nullptr) continue;
    struct FreeOnThrow {
      void* block;
      bool done = false;
      ~FreeOnThrow() {
        if (!done) host::Free(block, false);
      }
    } guard{block};
    NativeFunctionObject* object = entry.construct(block, registry, entry.name);
    guard.done = true;
    registry->AddFunction(reinterpret_cast<IFunction*>(object));
  }
  for (const CatalogueEntry& entry : kCatalogue) {
    registry->SetFunctionOptions(kScriptClassName, entry.name, kFunctionOptions);
  }
  return true;
}

}  // namespace vialmark
