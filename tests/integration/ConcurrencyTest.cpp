// Several script threads at once: they resolve, lock, pack and release the same objects, and
// every count and pin must end exactly where it started.
#include <thread>

#include "Natives.h"

namespace vialmark::testing {
namespace {

using ::testing::IsEmpty;

class ConcurrencyTest : public NativesTest {};

TEST_F(ConcurrencyTest, SharedObjectsKeepExactCountsAndPins) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 2000;

  TESForm* light = scene.Related(HostClass::kLightForm);
  EffectSetting* effect = scene.Effect({.archetype = 12, .relatedForm = light});
  AlchemyItem* potion = scene.Potion({.effectCosts = {10.5f, 3.0f}});
  ScriptObject* lightObject = scene.Object(light, FormType::kAny);

  // Frames and result slots are made up front; each thread then calls Execute as a VM thread.
  struct Work {
    IFunction* function;
    CallState* arguments;
    ScriptValue* result;
  };
  std::vector<std::vector<Work>> work(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    work[t].push_back({Function("GetMGEFRelatedForm"), scene.Arguments({scene.ObjectValue(effect)}),
                       scene.ResultSlot()});
    work[t].push_back({Function("GetGoldValue"),
                       scene.Arguments({scene.ObjectValue(light, FormType::kAny)}),
                       scene.ResultSlot()});
    work[t].push_back({Function("FillPotionGoldValueArray"),
                       scene.Arguments({scene.FormArray(FormType::kPotion, {potion, potion}),
                                        scene.IntArray({0, 0})}),
                       scene.ResultSlot()});
  }

  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
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

  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(failures[t], 0);
    EXPECT_EQ(work[t][0].result->data, reinterpret_cast<uptr>(lightObject));
    EXPECT_EQ(work[t][2].result->data & 0xFF, 1u);
  }
  // The scene's reference, one per frame that passes it and one per result slot holding it.
  EXPECT_EQ(substitute::ObjectStore::CountOf(lightObject), 1 + 2 * kThreads);
  EXPECT_EQ(scene.world().Handles().PinCount(scene.HandleOf(light)), 1);
  // Held once each: the light's, the effect's and the potion's objects, all above a count of 1.
  EXPECT_EQ(scene.world().Handles().PinCalls() - scene.world().Handles().UnpinCalls(), 3u);
}

}  // namespace
}  // namespace vialmark::testing
