#include "bench/Stage.h"

#include <cstdio>
#include <cstdlib>

#include "effects/Archetypes.h"
#include "plugin/Handshake.h"

namespace vialmark::bench {
namespace {

using Arguments = std::vector<ScriptValue>;

// The plugin's table is laid out by hand; the call goes through IFunction as the VM's would.
#if defined(__clang__) || defined(__GNUC__)
__attribute__((no_sanitize("vptr")))
#endif
bool Execute(const PreparedCall& call) {
  return call.function->Execute(substitute::kExecuteFirst, &substitute::World::Get().Registry(),
                                substitute::kExecuteThird, call.result, call.arguments);
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "bench: %s\n", what.c_str());
  std::abort();
}

Arguments Formula(Arguments arguments) {
  for (float f : {kExponent, kDivisor, kMultiplier, kAddend}) arguments.push_back(Scene::Float(f));
  return arguments;
}

// Typical arguments of each catalogue function; `n` is the length of every array argument.
struct TypicalCall {
  const char* name;
  Arguments (*make)(Stage& stage, u32 n);
};

const TypicalCall kTypicalCalls[] = {
    {"SetSinglePotionPrice",
     [](Stage& s, u32) {
       return Formula({s.Item(Pool::kPricedPotions, 0), Scene::Int(100)});
     }},
    {"SetMGEFArchetype",
     [](Stage& s, u32) {
       return Arguments{s.AssignedEffect(),      Scene::String("ValueMod"),
                        Scene::String("Health"), Scene::None(),
                        Scene::None(),           Scene::Float(0.0f)};
     }},
    {"GetMGEFArchetypeNum", [](Stage& s, u32) { return Arguments{s.QueriedEffect()}; }},
    {"GetMGEFPrimaryAV", [](Stage& s, u32) { return Arguments{s.QueriedEffect()}; }},
    {"GetMGEFRelatedForm", [](Stage& s, u32) { return Arguments{s.QueriedEffect()}; }},
    {"SetIngredientArrayPrices",
     [](Stage& s, u32 n) {
       Arguments a = Formula({s.ItemArray(Pool::kIngredients, n), s.Values(n), Scene::Bool(false)});
       a.push_back(Scene::Int(-1));
       return a;
     }},
    {"SetPotionArrayPrices",
     [](Stage& s, u32 n) {
       Arguments a =
           Formula({s.ItemArray(Pool::kPricedPotions, n), s.Values(n), Scene::Bool(false)});
       a.push_back(Scene::Int(-1));
       return a;
     }},
    {"SetPotionArrayPricesSpecial",
     [](Stage& s, u32 n) {
       Arguments a =
           Formula({s.ItemArray(Pool::kPricedPotions, n), s.Values(n), Scene::Bool(false)});
       a.insert(a.end(), {s.Selection(n), Scene::Bool(true), Scene::Int(-1)});
       return a;
     }},
    {"SetPotionFormArrayPricesSpecial",
     [](Stage& s, u32 n) {
       Arguments a = Formula({s.ItemArray(Pool::kFormPotions, n), s.Values(n), Scene::Bool(false)});
       a.insert(a.end(), {s.Selection(n), Scene::Bool(true), Scene::Int(-1)});
       return a;
     }},
    {"GetAlchAutoCalcFlag",
     [](Stage& s, u32) {
       return Arguments{s.scene().ObjectValue(s.Items(Pool::kReadPotions)[0], FormType::kAny)};
     }},
    {"SetAlchAutoCalcFlag",
     [](Stage& s, u32) {
       return Arguments{s.scene().ObjectValue(s.Items(Pool::kPricedPotions)[0], FormType::kAny),
                        Scene::Bool(false)};
     }},
    {"FillGoldValueArray",
     [](Stage& s, u32 n) {
       return Arguments{s.ItemArray(Pool::kMiscForms, n), s.ZeroIntegers(n)};
     }},
    {"FillPotionGoldValueArray",
     [](Stage& s, u32 n) {
       return Arguments{s.ItemArray(Pool::kReadPotions, n), s.ZeroIntegers(n)};
     }},
    {"FillIngredientGoldValueArray",
     [](Stage& s, u32 n) {
       return Arguments{s.ItemArray(Pool::kIngredients, n), s.ZeroIntegers(n)};
     }},
    {"SetStackingPrefs",
     [](Stage& s, u32 n) {
       return Arguments{s.ItemArray(Pool::kEffects, n), s.StackingFlags(n)};
     }},
    {"SetFormArrayWeights",
     [](Stage& s, u32 n) {
       return Arguments{s.ItemArray(Pool::kMiscForms, n), s.Weights(n), Scene::Float(kWeightFactor),
                        Scene::Int(-1)};
     }},
    {"SetPotionArrayWeights",
     [](Stage& s, u32 n) {
       return Arguments{s.ItemArray(Pool::kPricedPotions, n), s.Weights(n),
                        Scene::Float(kWeightFactor), Scene::Int(-1)};
     }},
    {"SetIngredientArrayWeights",
     [](Stage& s, u32 n) {
       return Arguments{s.ItemArray(Pool::kIngredients, n), s.Weights(n),
                        Scene::Float(kWeightFactor), Scene::Int(-1)};
     }},
    {"GetGoldValue",
     [](Stage& s, u32) {
       return Arguments{s.scene().ObjectValue(s.Items(Pool::kReadPotions)[0], FormType::kAny)};
     }},
    {"FillSinglePotionGoldValue",
     [](Stage& s, u32) {
       return Arguments{s.Item(Pool::kReadPotions, 0), s.ZeroIntegers(kTypicalArray),
                        Scene::Int(3)};
     }},
    {"FillSingleIngredientGoldValue",
     [](Stage& s, u32) {
       return Arguments{s.Item(Pool::kIngredients, 0), s.ZeroIntegers(kTypicalArray),
                        Scene::Int(3)};
     }},
};

// The script class of a pool's objects and arrays.
u32 ClassFormType(Pool pool) {
  switch (pool) {
    case Pool::kPricedPotions:
    case Pool::kReadPotions:
      return FormType::kPotion;
    case Pool::kIngredients:
      return FormType::kIngredient;
    case Pool::kEffects:
      return FormType::kMagicEffect;
    default:
      return FormType::kAny;
  }
}

}  // namespace

Stage& Stage::Get() {
  static Stage* stage = new Stage;
  return *stage;
}

Stage::Stage() {
  BuildArchetypeNames();
  substitute::HandshakeHost& handshake = scene_.world().Handshake();
  PluginDescriptor descriptor{};
  if (!SKSEPlugin_Query(handshake.Host(), &descriptor) || !SKSEPlugin_Load() ||
      !handshake.RunRegistration(&scene_.world().Registry())) {
    Fail("the plugin did not register with the substitute host");
  }
  for (IFunction* function : scene_.world().Registry().Added()) {
    if (auto record = scene_.world().Functions().Find(function))
      functions_[record->name] = function;
  }

  // The effect the three queries read: PeakValueMod on Health with a light as related form.
  // The light's script object is held twice beforehand, as a form that scripts pass around is,
  // so that handing it out again neither pins nor unpins its handle.
  TESForm* light = scene_.Related(HostClass::kLightForm);
  queried_ = scene_.Effect({.archetype = 34, .primaryActorValue = 24, .relatedForm = light});
  scene_.ResultSlot(scene_.ObjectValue(light, FormType::kAny));
  assigned_ = scene_.Effect({.archetype = 0, .primaryActorValue = 25});
}

IFunction* Stage::Function(std::string_view name) const {
  auto it = functions_.find(name);
  if (it == functions_.end()) Fail("no function " + std::string(name) + " is registered");
  return it->second;
}

PreparedCall Stage::Prepare(std::string_view name, const std::vector<ScriptValue>& arguments,
                            const ScriptValue& initialResult) {
  return PreparedCall{Function(name), scene_.Arguments(arguments),
                      scene_.ResultSlot(initialResult)};
}

void Stage::Release(const PreparedCall& call) { scene_.world().Frames().Pop(call.arguments); }

bool Stage::Run(const PreparedCall& call) { return Execute(call); }

PreparedCall Stage::Typical(std::string_view name, u32 elements) {
  for (const TypicalCall& entry : kTypicalCalls) {
    if (name == entry.name) return Prepare(name, entry.make(*this, elements));
  }
  Fail("no typical call of " + std::string(name));
}

std::vector<PreparedCall> Stage::Singles(std::string_view name, u32 elements) {
  std::vector<PreparedCall> calls;
  if (name == "SetSinglePotionPrice") {
    for (u32 i = 0; i < elements; ++i) {
      // The same value the array call reads at this index.
      calls.push_back(Prepare(name, Formula({Item(Pool::kPricedPotions, i),
                                             Scene::Int(static_cast<i32>(ValueAt(i)))})));
    }
  } else if (name == "FillSinglePotionGoldValue") {
    const ScriptValue values = ZeroIntegers(elements);
    for (u32 i = 0; i < elements; ++i) {
      calls.push_back(
          Prepare(name, {Item(Pool::kReadPotions, i), values, Scene::Int(static_cast<i32>(i))}));
    }
  } else {
    Fail("no single-call form of " + std::string(name));
  }
  return calls;
}

ScriptValue Stage::QueriedEffect() { return scene_.ObjectValue(queried_); }
ScriptValue Stage::AssignedEffect() { return scene_.ObjectValue(assigned_); }

const std::vector<const void*>& Stage::Items(Pool pool) { return PoolOf(pool).forms; }

ScriptValue Stage::Item(Pool pool, u32 index) {
  return Scene::ObjectValue(PoolOf(pool).objects.at(index));
}

Stage::PoolItems& Stage::PoolOf(Pool pool) {
  auto it = pools_.find(pool);
  return it != pools_.end() ? it->second : MakePool(pool);
}

Stage::PoolItems& Stage::MakePool(Pool pool) {
  PoolItems& items = pools_[pool];
  for (u32 i = 0; i < kLargestArray; ++i) {
    switch (pool) {
      case Pool::kPricedPotions:
        items.forms.push_back(scene_.Potion({.weight = 0.5f}));
        break;
      case Pool::kFormPotions:
        items.forms.push_back(scene_.Potion({.weight = 0.5f}));
        break;
      case Pool::kReadPotions:
        items.forms.push_back(scene_.Potion({.effectCosts = {10.5f, 3.0f}}));
        break;
      case Pool::kIngredients:
        items.forms.push_back(scene_.Ingredient(5, 0.1f));
        break;
      case Pool::kEffects:
        items.forms.push_back(scene_.Effect({.archetype = 0, .primaryActorValue = 24}));
        break;
      case Pool::kMiscForms:
        items.forms.push_back(scene_.Form({.value = 7, .weight = 1.0f}));
        break;
    }
  }
  // The substitute's binder looks through every bound object on each bind, which makes binding
  // a pool through it quadratic. These objects are only ever resolved, never looked up by
  // handle, so they get their handle written as the binder writes it, without that index.
  substitute::ObjectStore& objects = scene_.world().Objects();
  ClassInfo* info = scene_.Class(ClassFormType(pool));
  for (const void* form : items.forms) {
    ScriptObject* object = objects.CreateObject(info);  // the stage's reference, kept
    object->handle = scene_.HandleOf(form);
    items.objects.push_back(object);
  }
  return items;
}

ScriptValue Stage::ItemArray(Pool pool, u32 elements) {
  const std::string key = "items " + std::to_string(static_cast<int>(pool));
  auto it = arrays_.find({key, elements});
  if (it != arrays_.end()) return it->second;
  const PoolItems& items = PoolOf(pool);
  std::vector<ScriptValue> slots;
  for (u32 i = 0; i < elements; ++i) slots.push_back(Scene::ObjectValue(items.objects[i]));
  const ScriptValue array = scene_.Array(scene_.ArrayWord(ClassFormType(pool)), slots);
  arrays_[{key, elements}] = array;
  return array;
}

ScriptValue Stage::Cached(const std::string& key, u32 elements, ScriptValue (Stage::*make)(u32)) {
  auto it = arrays_.find({key, elements});
  if (it != arrays_.end()) return it->second;
  const ScriptValue array = (this->*make)(elements);
  arrays_[{key, elements}] = array;
  return array;
}

ScriptValue Stage::Values(u32 n) { return Cached("values", n, &Stage::MakeValues); }
ScriptValue Stage::Weights(u32 n) { return Cached("weights", n, &Stage::MakeWeights); }
ScriptValue Stage::Selection(u32 n) { return Cached("selection", n, &Stage::MakeSelection); }
ScriptValue Stage::StackingFlags(u32 n) { return Cached("flags", n, &Stage::MakeStackingFlags); }
ScriptValue Stage::ZeroIntegers(u32 n) { return Cached("zeros", n, &Stage::MakeZeroIntegers); }

ScriptValue Stage::MakeValues(u32 n) {
  std::vector<i32> values;
  for (u32 i = 0; i < n; ++i) values.push_back(static_cast<i32>(ValueAt(i)));
  return scene_.IntArray(values);
}

ScriptValue Stage::MakeWeights(u32 n) {
  std::vector<float> weights;
  for (u32 i = 0; i < n; ++i) weights.push_back(WeightAt(i));
  return scene_.FloatArray(weights);
}

ScriptValue Stage::MakeSelection(u32 n) { return scene_.BoolArray(std::vector<bool>(n, true)); }

ScriptValue Stage::MakeStackingFlags(u32 n) {
  std::vector<bool> flags;
  for (u32 i = 0; i < n; ++i) flags.push_back(StackingFlagAt(i));
  return scene_.BoolArray(flags);
}

ScriptValue Stage::MakeZeroIntegers(u32 n) { return scene_.IntArray(std::vector<i32>(n, 0)); }

}  // namespace vialmark::bench
