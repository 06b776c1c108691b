// The stage every measurement runs on: one substitute world with the plugin registered as the
// game registers it, pools of items large enough for the longest array measured, and calls
// prepared the way the VM prepares them (argument frame pushed, result slot ready) so that a
// measured call is Execute through table position 22 and nothing else.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/FunctionObject.h"
#include "host/ScriptVM.h"
#include "substitute/Builders.h"

namespace vialmark::bench {

using substitute::Scene;

inline constexpr u32 kLargestArray = 100000;
// The array length of a "typical" call of an array function.
inline constexpr u32 kTypicalArray = 10;

// The formula parameters every priced call uses.
inline constexpr float kExponent = 1.5f;
inline constexpr float kDivisor = 50.0f;
inline constexpr float kMultiplier = 2.0f;
inline constexpr float kAddend = 10.0f;
inline constexpr float kWeightFactor = 0.5f;

// Items come from pools that are made whole (kLargestArray items, each with a script object of
// the pool's class) the first time they are needed, so that the host's form and object tables
// have the same size whatever array length is measured. Callers that write keep to their own
// pool, so no measurement changes what another one reads.
enum class Pool : u8 {
  kPricedPotions,  // potions, priced and weighed
  kReadPotions,    // potions with an automatic value from two effects; only read
  kIngredients,    // priced, weighed and read
  kEffects,        // ValueMod effects switched by stacking preferences
  kMiscForms,      // forms with value and weight components, in arrays of forms
  kFormPotions,    // potions priced through an array of forms
};

struct PreparedCall {
  IFunction* function = nullptr;
  CallState* arguments = nullptr;
  ScriptValue* result = nullptr;
};

class Stage {
 public:
  // Built on first use and kept for the life of the process.
  static Stage& Get();

  Scene& scene() { return scene_; }
  IFunction* Function(std::string_view name) const;

  // Pushes an argument frame and readies a result slot holding `initialResult`.
  PreparedCall Prepare(std::string_view name, const std::vector<ScriptValue>& arguments,
                       const ScriptValue& initialResult = Scene::None());
  // Pops the frame again, so that frames of finished measurements do not pile up in the host.
  void Release(const PreparedCall& call);
  // One call as the VM makes it.
  static bool Run(const PreparedCall& call);

  // A catalogue function with typical arguments; an array function over `elements` items.
  PreparedCall Typical(std::string_view name, u32 elements = kTypicalArray);
  // What an array call does, as `elements` single calls ("SetSinglePotionPrice" or
  // "FillSinglePotionGoldValue", one per potion).
  std::vector<PreparedCall> Singles(std::string_view name, u32 elements);

  // PeakValueMod on Health with a light as related form, read by the three queries; and an
  // effect of its own for archetype assignment.
  ScriptValue QueriedEffect();
  ScriptValue AssignedEffect();

  const std::vector<const void*>& Items(Pool pool);
  // Item `index` of the pool as an object value of the pool's class.
  ScriptValue Item(Pool pool, u32 index);
  // The first `elements` items of the pool as a script array of the pool's class.
  ScriptValue ItemArray(Pool pool, u32 elements);
  ScriptValue Values(u32 elements);         // integers, ValueAt each index
  ScriptValue Weights(u32 elements);        // floats
  ScriptValue Selection(u32 elements);      // every element selected
  ScriptValue StackingFlags(u32 elements);  // alternating
  ScriptValue ZeroIntegers(u32 elements);   // written by the gold value fillers
  static u32 ValueAt(u32 index) { return 20 + index % 200; }
  static float WeightAt(u32 index) { return 0.25f + static_cast<float>(index % 8); }
  static bool StackingFlagAt(u32 index) { return index % 2 == 0; }

 private:
  Stage();
  struct PoolItems {
    std::vector<const void*> forms;
    std::vector<ScriptObject*> objects;
  };
  PoolItems& MakePool(Pool pool);
  PoolItems& PoolOf(Pool pool);
  ScriptValue Cached(const std::string& key, u32 elements, ScriptValue (Stage::*make)(u32));
  ScriptValue MakeValues(u32 elements);
  ScriptValue MakeWeights(u32 elements);
  ScriptValue MakeSelection(u32 elements);
  ScriptValue MakeStackingFlags(u32 elements);
  ScriptValue MakeZeroIntegers(u32 elements);

  Scene scene_;
  std::map<std::string, IFunction*, std::less<>> functions_;
  std::map<Pool, PoolItems> pools_;
  std::map<std::pair<std::string, u32>, ScriptValue> arrays_;
  EffectSetting* queried_ = nullptr;   // read by the three queries
  EffectSetting* assigned_ = nullptr;  // given an archetype
};

}  // namespace vialmark::bench
