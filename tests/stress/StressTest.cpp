// Script threads at full contention, for ThreadSanitizer as much as for the counts: readers
// resolve, lock, pack and release the same objects over and over, while writers set fields of
// the very records the readers read. Records are not locked in the game either, so no two
// threads here touch the same field unless both only read it; object lock words, reference
// counts, class counts and pins are shared by every thread.
#include <thread>

#include "tests/integration/Natives.h"

namespace vialmark::testing {
namespace {

struct Work {
  IFunction* function;
  CallState* arguments;
  ScriptValue* result;
};

class StressTest : public NativesTest {
 protected:
  // Frames and result slots are made up front; each thread then calls Execute as a VM thread.
  Work Prepare(const char* name, const std::vector<ScriptValue>& arguments) {
    return {Function(name), scene.Arguments(arguments), scene.ResultSlot()};
  }
};

TEST_F(StressTest, ReadersAndWritersOnSharedRecordsKeepEveryCountAndPin) {
  constexpr int kReaders = 4;
  constexpr int kWriters = 2;
  constexpr int kRounds = 5000;

  TESForm* light = scene.Related(HostClass::kLightForm);
  EffectSetting* effect = scene.Effect({.archetype = 12, .relatedForm = light});
  AlchemyItem* first = scene.Potion({.effectCosts = {10.5f, 3.0f}});
  AlchemyItem* second = scene.Potion({.manualValue = 40, .flags = 1});
  IngredientItem* ingredient = scene.Ingredient(25, 0.2f);
  ScriptObject* lightObject = scene.Object(light, FormType::kAny);
  const ScriptValue potions = scene.FormArray(FormType::kPotion, {first, second, first});

  std::vector<std::vector<Work>> work(kReaders + kWriters);
  std::vector<ScriptValue> filled;
  for (int t = 0; t < kReaders; ++t) {
    filled.push_back(scene.IntArray({0, 0, 0}));
    work[t] = {
        Prepare("GetMGEFRelatedForm", {scene.ObjectValue(effect)}),
        Prepare("GetGoldValue", {scene.ObjectValue(light, FormType::kAny)}),
        Prepare("GetGoldValue", {scene.ObjectValue(ingredient, FormType::kAny)}),
        Prepare("FillPotionGoldValueArray", {potions, filled[t]}),
        Prepare("GetAlchAutoCalcFlag", {scene.ObjectValue(second, FormType::kAny)}),
        Prepare("GetMGEFArchetypeNum", {scene.ObjectValue(effect)}),
    };
  }
  // Weights only: no reader reads them, and each writer has records of its own kind.
  work[kReaders] = {Prepare("SetPotionArrayWeights", {potions, scene.FloatArray({1.0f, 2.0f, 3.0f}),
                                                      Scene::Float(0.5f), Scene::Int(3)})};
  work[kReaders + 1] = {Prepare("SetIngredientArrayWeights",
                                {scene.FormArray(FormType::kIngredient, {ingredient}),
                                 scene.FloatArray({4.0f}), Scene::Float(2.0f), Scene::Int(1)})};

  std::vector<int> failures(work.size(), 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < work.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        for (const Work& w : work[t]) {
          if (!w.function->Execute(substitute::kExecuteFirst, &scene.world().Registry(),
                                   substitute::kExecuteThird, w.result, w.arguments)) {
            ++failures[t];
          }
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (int t = 0; t < kReaders + kWriters; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
  for (int t = 0; t < kReaders; ++t) {
    EXPECT_EQ(work[t][0].result->data, reinterpret_cast<uptr>(lightObject));
    EXPECT_EQ(work[t][2].result->data, 25u);
    std::vector<uptr> values;
    for (const ScriptValue& element : Elements(filled[t])) values.push_back(element.data);
    EXPECT_THAT(values, ::testing::ElementsAre(13u, 40u, 13u));
    EXPECT_EQ(work[t][4].result->data & 0xFF, 0u);
    EXPECT_EQ(work[t][5].result->data, 12u);
  }
  EXPECT_FLOAT_EQ(
      static_cast<WeightComponent*>(scene.View(first, HostClass::kWeightComponent))->weight, 1.5f);
  EXPECT_FLOAT_EQ(
      static_cast<WeightComponent*>(scene.View(second, HostClass::kWeightComponent))->weight, 1.0f);
  EXPECT_FLOAT_EQ(
      static_cast<WeightComponent*>(scene.View(ingredient, HostClass::kWeightComponent))->weight,
      8.0f);
  // The scene's reference on the light's object and one per result slot holding it; its handle
  // pinned once for all of them. Everything else is checked by the balance at the end.
  EXPECT_EQ(substitute::ObjectStore::CountOf(lightObject), 1 + 2 * kReaders);
  EXPECT_EQ(scene.world().Handles().PinCount(scene.HandleOf(light)), 1);
}

}  // namespace
}  // namespace vialmark::testing
