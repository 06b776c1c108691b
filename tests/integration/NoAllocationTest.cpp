// Execute allocates nothing: while a native function runs, neither the game heap nor the C++
// runtime hands out or takes back a block. The runtime's heap is watched by replacing the
// global allocation functions of this executable with counting ones that count only while a
// call is being watched; the game heap by its own statistics.
//
// Only the plugin's allocations are meant, but the host's operations run inside the call too.
// The registry that Execute is given pauses the watch inside each of its operations, since the
// substitute's registry writes its call-log lines even while it records nothing. Every other
// host operation on a call's path is watched as strictly as the plugin, and allocates nothing
// with the arguments chosen here: objects that scripts hand around are held more than once
// already, so that no call pins or unpins a handle, and every name is a short one. The one
// call that makes the host create something (a form result without a script object yet) is
// checked apart, on the game heap's own records.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "Effects.h"
#include "Natives.h"
#include "plugin/Catalogue.h"

namespace {

std::atomic<bool> gWatching{false};
std::atomic<unsigned long long> gRuntimeAllocations{0};
std::atomic<unsigned long long> gRuntimeFrees{0};

void* Allocate(std::size_t size) {
  if (gWatching.load(std::memory_order_relaxed)) gRuntimeAllocations.fetch_add(1);
  return std::malloc(size == 0 ? 1 : size);
}

// Aligned blocks keep the address malloc gave just below the aligned start.
void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
  const std::size_t align = static_cast<std::size_t>(alignment);
  void* raw = Allocate(size + align + sizeof(void*));
  if (raw == nullptr) return nullptr;
  auto start = reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*);
  start = (start + align - 1) & ~(std::uintptr_t{align} - 1);
  reinterpret_cast<void**>(start)[-1] = raw;
  return reinterpret_cast<void*>(start);
}

void Release(void* block) {
  if (block == nullptr) return;
  if (gWatching.load(std::memory_order_relaxed)) gRuntimeFrees.fetch_add(1);
  std::free(block);
}

void ReleaseAligned(void* block) {
  if (block != nullptr) Release(static_cast<void**>(block)[-1]);
}

void* OrThrow(void* block) {
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return OrThrow(Allocate(size)); }
void* operator new[](std::size_t size) { return OrThrow(Allocate(size)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t a) {
  return OrThrow(AllocateAligned(size, a));
}
void* operator new[](std::size_t size, std::align_val_t a) {
  return OrThrow(AllocateAligned(size, a));
}
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, a);
}
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete(void* block, std::align_val_t) noexcept { ReleaseAligned(block); }
void operator delete[](void* block, std::align_val_t) noexcept { ReleaseAligned(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { ReleaseAligned(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
  ReleaseAligned(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  ReleaseAligned(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  ReleaseAligned(block);
}

namespace vialmark::testing {
namespace {

using substitute::HeapStats;

// What one watched call did to both heaps.
struct HeapTraffic {
  unsigned long long runtimeAllocations = 0;
  unsigned long long runtimeFrees = 0;
  u64 gameAllocations = 0;
  u64 gameFrees = 0;
  std::size_t pluginRequests = 0;  // game heap requests through the plugin's entry
};

// One call of a catalogue function, with what it must have done for the count to mean
// anything: a call that did no work would allocate nothing for the wrong reason.
struct Prepared {
  std::vector<ScriptValue> arguments;
  std::function<void(const ScriptValue& result)> check;
};

struct Case {
  const char* function;
  std::function<Prepared(Scene& scene)> setup;
};

void Formula(std::vector<ScriptValue>& arguments) {
  for (float f : {1.5f, 50.0f, 2.0f, 10.0f}) arguments.push_back(Scene::Float(f));
}

// Potions, ingredients or forms whose prices a call sets, checked afterwards.
Prepared Priced(Scene& scene, u32 formType, std::vector<ScriptValue> tail) {
  std::vector<const void*> items;
  for (int i = 0; i < 3; ++i) {
    items.push_back(formType == FormType::kIngredient
                        ? static_cast<const void*>(scene.Ingredient(1, 0.5f))
                        : scene.Potion({.weight = 0.5f}));
  }
  std::vector<ScriptValue> arguments{scene.FormArray(formType, items), scene.IntArray({100, 20, 7}),
                                     Scene::Bool(false)};
  Formula(arguments);
  arguments.insert(arguments.end(), tail.begin(), tail.end());
  return {
      arguments, [&scene, items](const ScriptValue&) {
        for (const void* item : items) {
          if (auto* potion = static_cast<AlchemyItem*>(scene.View(item, HostClass::kAlchemyItem))) {
            EXPECT_NE(potion->alchemyFlags & kManualValueBit, 0u);
          } else {
            EXPECT_GT(
                static_cast<ValueComponent*>(scene.View(item, HostClass::kValueComponent))->value,
                1);
          }
        }
      }};
}

// Items weighed by a call; every weight must have changed.
Prepared Weighed(Scene& scene, u32 formType) {
  std::vector<const void*> items;
  for (int i = 0; i < 3; ++i) {
    items.push_back(
        formType == FormType::kIngredient ? static_cast<const void*>(scene.Ingredient(1, 0.5f))
        : formType == FormType::kPotion   ? static_cast<const void*>(scene.Potion({.weight = 0.5f}))
                                          : scene.Form({.weight = 0.5f}));
  }
  return {
      {scene.FormArray(formType, items), scene.FloatArray({2.0f, 4.0f, 6.0f}), Scene::Float(0.5f),
       Scene::Int(-1)},
      [&scene, items](const ScriptValue&) {
        for (const void* item : items) {
          EXPECT_NE(
              static_cast<WeightComponent*>(scene.View(item, HostClass::kWeightComponent))->weight,
              0.5f);
        }
      }};
}

// Gold values read into an integer array; the array must hold them afterwards.
Prepared Filled(Scene& scene, u32 formType, const void* item) {
  ScriptValue values = scene.IntArray({0, 0});
  return {{scene.FormArray(formType, {item, item}), values}, [values](const ScriptValue& result) {
            EXPECT_EQ(result.type, TypeCode::kBool);
            EXPECT_EQ(Scene::ElementsOf(values)[1].data, 13u);
          }};
}

void ExpectInt(const ScriptValue& result, u32 value) {
  EXPECT_EQ(result.type, TypeCode::kInt);
  EXPECT_EQ(result.data, value);
}

const Case kCases[] = {
    {"SetSinglePotionPrice",
     [](Scene& s) {
       AlchemyItem* potion = s.Potion();
       std::vector<ScriptValue> arguments{s.ObjectValue(potion), Scene::Int(100)};
       Formula(arguments);
       return Prepared{arguments,
                       [potion](const ScriptValue&) { EXPECT_EQ(potion->manualValue, 676); }};
     }},
    {"SetMGEFArchetype",
     [](Scene& s) {
       EffectSetting* effect = s.Effect();
       return Prepared{
           {s.ObjectValue(effect), Scene::String("DualValueMod"), Scene::String("Health"),
            Scene::None(), Scene::String("Magicka"), Scene::Float(1.0f)},
           [effect](const ScriptValue&) {
             EXPECT_EQ(effect->archetype, 5u);
             EXPECT_EQ(effect->primaryActorValue, kHealth);
             EXPECT_EQ(effect->secondaryActorValue, kMagicka);
           }};
     }},
    {"GetMGEFArchetypeNum",
     [](Scene& s) {
       return Prepared{{s.ObjectValue(s.Effect({.archetype = 34}))},
                       [](const ScriptValue& result) { ExpectInt(result, 34); }};
     }},
    {"GetMGEFPrimaryAV",
     [](Scene& s) {
       return Prepared{{s.ObjectValue(s.Effect({.primaryActorValue = kHealth}))},
                       [](const ScriptValue& result) {
                         EXPECT_EQ(result.type, TypeCode::kString);
                         EXPECT_EQ(result.data, Scene::String("Health").data);
                       }};
     }},
    {"GetMGEFRelatedForm",
     [](Scene& s) {
       TESForm* light = s.Related(HostClass::kLightForm);
       // Scripts that pass the light around hold its object already.
       const ScriptValue lightValue = s.ObjectValue(light, FormType::kAny);
       s.ResultSlot(lightValue);
       return Prepared{{s.ObjectValue(s.Effect({.archetype = 12, .relatedForm = light}))},
                       [lightValue](const ScriptValue& result) {
                         EXPECT_EQ(result.type, lightValue.type);
                         EXPECT_EQ(result.data, lightValue.data);
                       }};
     }},
    {"SetIngredientArrayPrices",
     [](Scene& s) { return Priced(s, FormType::kIngredient, {Scene::Int(-1)}); }},
    {"SetPotionArrayPrices",
     [](Scene& s) { return Priced(s, FormType::kPotion, {Scene::Int(-1)}); }},
    {"SetPotionArrayPricesSpecial",
     [](Scene& s) {
       return Priced(s, FormType::kPotion,
                     {s.BoolArray({true, true, true}), Scene::Bool(true), Scene::Int(-1)});
     }},
    {"SetPotionFormArrayPricesSpecial",
     [](Scene& s) {
       return Priced(s, FormType::kAny,
                     {s.BoolArray({true, true, true}), Scene::Bool(true), Scene::Int(-1)});
     }},
    {"GetAlchAutoCalcFlag",
     [](Scene& s) {
       return Prepared{{s.ObjectValue(s.Potion(), FormType::kAny)}, [](const ScriptValue& result) {
                         EXPECT_EQ(result.type, TypeCode::kBool);
                         EXPECT_EQ(result.data & 0xFF, 1u);
                       }};
     }},
    {"SetAlchAutoCalcFlag",
     [](Scene& s) {
       AlchemyItem* potion = s.Potion();
       return Prepared{
           {s.ObjectValue(potion, FormType::kAny), Scene::Bool(false)},
           [potion](const ScriptValue&) { EXPECT_NE(potion->alchemyFlags & kManualValueBit, 0u); }};
     }},
    {"FillGoldValueArray",
     [](Scene& s) { return Filled(s, FormType::kAny, s.Form({.value = 13})); }},
    {"FillPotionGoldValueArray",
     [](Scene& s) {
       return Filled(s, FormType::kPotion, s.Potion({.effectCosts = {10.5f, 3.0f}}));
     }},
    {"FillIngredientGoldValueArray",
     [](Scene& s) { return Filled(s, FormType::kIngredient, s.Ingredient(13, 0.1f)); }},
    {"SetStackingPrefs",
     [](Scene& s) {
       EffectSetting* peak = s.Effect({.archetype = 34});
       EffectSetting* plain = s.Effect({.archetype = 0});
       return Prepared{
           {s.FormArray(FormType::kMagicEffect, {peak, plain}), s.BoolArray({true, false})},
           [peak, plain](const ScriptValue&) {
             EXPECT_EQ(peak->archetype, 0u);
             EXPECT_EQ(plain->archetype, 34u);
           }};
     }},
    {"SetFormArrayWeights", [](Scene& s) { return Weighed(s, FormType::kAny); }},
    {"SetPotionArrayWeights", [](Scene& s) { return Weighed(s, FormType::kPotion); }},
    {"SetIngredientArrayWeights", [](Scene& s) { return Weighed(s, FormType::kIngredient); }},
    {"GetGoldValue",
     [](Scene& s) {
       return Prepared{{s.ObjectValue(s.Potion({.effectCosts = {10.5f, 3.0f}}), FormType::kAny)},
                       [](const ScriptValue& result) { ExpectInt(result, 13); }};
     }},
    {"FillSinglePotionGoldValue",
     [](Scene& s) {
       ScriptValue values = s.IntArray({0, 0});
       return Prepared{
           {s.ObjectValue(s.Potion({.effectCosts = {10.5f, 3.0f}})), values, Scene::Int(1)},
           [values](const ScriptValue&) { EXPECT_EQ(Scene::ElementsOf(values)[1].data, 13u); }};
     }},
    {"FillSingleIngredientGoldValue",
     [](Scene& s) {
       ScriptValue values = s.IntArray({0, 0});
       return Prepared{
           {s.ObjectValue(s.Ingredient(13, 0.1f)), values, Scene::Int(1)},
           [values](const ScriptValue&) { EXPECT_EQ(Scene::ElementsOf(values)[1].data, 13u); }};
     }},
};

// The world's registry as Execute sees it, with the watch paused inside each operation: what
// the host allocates there for its own books is the host's, not the plugin's.
class PausingRegistry final : public ScriptRegistry {
 public:
  explicit PausingRegistry(ScriptRegistry& host) : host_(host) {}

  bool ClassForFormType(u32 formType, ClassInfo** out) override {
    Pause pause;
    return host_.ClassForFormType(formType, out);
  }
  bool FormTypeForClass(const StringCache::Ref* className, u32* out) override {
    Pause pause;
    return host_.FormTypeForClass(className, out);
  }
  bool CreateScriptObject(const StringCache::Ref* className, ScriptObject** out) override {
    Pause pause;
    return host_.CreateScriptObject(className, out);
  }
  void AddFunction(IFunction* function) override {
    Pause pause;
    host_.AddFunction(function);
  }
  void SetFunctionOptions(const char* className, const char* name, u32 options) override {
    Pause pause;
    host_.SetFunctionOptions(className, name, options);
  }
  bool FindScriptObject(u64 handle, StringCache::Ref className, ScriptObject** out) override {
    Pause pause;
    return host_.FindScriptObject(handle, className, out);
  }
  HandlePolicy* Handles() override {
    Pause pause;
    return host_.Handles();
  }
  ObjectBinder* Binder() override {
    Pause pause;
    return host_.Binder();
  }

 private:
  struct Pause {
    Pause() : was(gWatching.exchange(false)) {}
    ~Pause() { gWatching = was; }
    bool was;
  };
  ScriptRegistry& host_;
};

// The plugin's table is laid out by hand; the call goes through IFunction as the VM's does.
#if defined(__clang__) || defined(__GNUC__)
__attribute__((no_sanitize("vptr")))
#endif
bool ExecuteThrough(IFunction* function, ScriptRegistry* registry, ScriptValue* result,
                    CallState* state) {
  return function->Execute(substitute::kExecuteFirst, registry, substitute::kExecuteThird, result,
                           state);
}

class NoAllocationTest : public NativesTest {
 protected:
  // Calls the function as the VM does, with the frame and result slot made beforehand, and
  // watches both heaps only while Execute runs.
  HeapTraffic Watch(const std::string& name, const std::vector<ScriptValue>& arguments,
                    ScriptValue* result) {
    IFunction* function = Function(name);
    CallState* state = scene.Arguments(arguments);
    substitute::GameHeap& heap = scene.world().Heap();
    const HeapStats before = heap.Stats();
    const std::size_t requests = heap.Requests().size();
    gRuntimeAllocations = 0;
    gRuntimeFrees = 0;
    gWatching = true;
    const bool answer = ExecuteThrough(function, &registry_, result, state);
    gWatching = false;
    const HeapStats after = heap.Stats();
    EXPECT_TRUE(answer) << name;
    return {gRuntimeAllocations.load(), gRuntimeFrees.load(),
            after.allocations - before.allocations, after.frees - before.frees,
            heap.Requests().size() - requests};
  }

 private:
  PausingRegistry registry_{scene.world().Registry()};
};

TEST_F(NoAllocationTest, EveryFunctionRunsWithoutTouchingEitherHeap) {
  ASSERT_EQ(std::size(kCases), std::size_t{kCatalogueSize});
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.function);
    const Prepared setup = c.setup(scene);
    ScriptValue* result = scene.ResultSlot();
    const HeapTraffic traffic = Watch(c.function, setup.arguments, result);
    setup.check(*result);
    EXPECT_EQ(traffic.runtimeAllocations, 0u);
    EXPECT_EQ(traffic.runtimeFrees, 0u);
    EXPECT_EQ(traffic.gameAllocations, 0u);
    EXPECT_EQ(traffic.gameFrees, 0u);
    EXPECT_EQ(traffic.pluginRequests, 0u);
  }
}

// The replacement is the one this executable uses: a watched allocation and free are counted.
// The calls go through volatile pointers, so that no allocation is optimised away.
TEST_F(NoAllocationTest, CountersSeeWatchedAllocations) {
  void* (*volatile allocate)(std::size_t) = &::operator new;
  void (*volatile release)(void*) noexcept = &::operator delete;
  gRuntimeAllocations = 0;
  gRuntimeFrees = 0;
  gWatching = true;
  release(allocate(24));
  gWatching = false;
  EXPECT_EQ(gRuntimeAllocations.load(), 1u);
  EXPECT_EQ(gRuntimeFrees.load(), 1u);
}

// A form result whose form has no script object yet: the host makes one, in a block of its own.
// The plugin asks the game heap for nothing.
TEST_F(NoAllocationTest, NewResultObjectIsTheHostsBlock) {
  TESForm* light = scene.Related(HostClass::kLightForm);
  EffectSetting* effect = scene.Effect({.archetype = 12, .relatedForm = light});
  ScriptValue* result = scene.ResultSlot();
  const HeapTraffic traffic = Watch("GetMGEFRelatedForm", {scene.ObjectValue(effect)}, result);
  EXPECT_EQ(traffic.pluginRequests, 0u);
  EXPECT_EQ(traffic.gameAllocations, 1u);
  ASSERT_EQ(result->type, scene.ClassWord(FormType::kAny));
  const auto blocks = scene.world().Heap().LiveBlocks();
  const auto it = std::find_if(blocks.begin(), blocks.end(), [&](const auto& block) {
    return block.first == reinterpret_cast<const void*>(result->data);
  });
  ASSERT_NE(it, blocks.end());
  EXPECT_EQ(it->second.origin, substitute::Origin::kHost);
}

}  // namespace
}  // namespace vialmark::testing
