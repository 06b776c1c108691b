// Many threads at once on one script object, one class and the heap, mixing the host's own
// reference changes with the plugin's lock-word protocol: every count must come out exact.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "host/HostApi.h"
#include "substitute/Builders.h"

namespace vialmark::substitute {
namespace {

using ::testing::IsEmpty;

constexpr int kThreads = 4;
constexpr int kRounds = 10000;

// Holds every thread back until all of them exist, so that their rounds overlap.
class StartLine {
 public:
  void Wait() {
    ready_.fetch_add(1);
    while (ready_.load() < kThreads) std::this_thread::yield();
  }

 private:
  std::atomic<int> ready_ = 0;
};

// A lock bit held far longer than any host operation takes means the word was corrupted (an
// object freed under its users shows the heap's fill pattern, lock bit included): the test
// gives up on it rather than waiting forever.
std::atomic<bool> gStuck = false;
bool Wait(u32& spins) {
  std::this_thread::yield();
  if (++spins < 5'000'000) return true;
  gStuck = true;
  return false;
}

// The plugin's side of the lock-word protocol, written out here as the plugin follows it.
i32 LockObject(ScriptObject* object) {
  std::atomic_ref<i32> word(object->lockWord);
  u32 spins = 0;
  for (;;) {
    i32 seen = word.load();
    if (seen < 0) {
      if (!Wait(spins)) return 0;
      continue;
    }
    if (word.compare_exchange_strong(seen, seen | kLockBit)) return seen;
  }
}

// One user more or less; the step between 1 and 2 pins or unpins the handle under the lock bit.
void PluginStep(ScriptObject* object, i32 step) {
  const i32 boundary = step > 0 ? 1 : 2;
  std::atomic_ref<i32> word(object->lockWord);
  u32 spins = 0;
  for (;;) {
    i32 seen = word.load();
    if (seen < 0) {
      if (!Wait(spins)) return;
      continue;
    }
    i32 expected = seen;
    if (seen == boundary) {
      if (!word.compare_exchange_strong(expected, boundary | kLockBit)) continue;
      if (step > 0) {
        host_HandlePolicy()->PinHandle(object->handle);
      } else {
        host_HandlePolicy()->UnpinHandle(object->handle);
      }
      word.store(boundary + step);
      return;
    }
    if (word.compare_exchange_strong(expected, seen + step)) return;
  }
}

void PluginAddRef(ScriptObject* object) { PluginStep(object, +1); }
void PluginRelease(ScriptObject* object) { PluginStep(object, -1); }

TEST(Concurrency, ReferenceAndPinCountsStayExact) {
  Scene scene;
  World& world = scene.world();
  AlchemyItem* potion = scene.Potion();
  ScriptObject* object = scene.Object(potion);
  ScriptValue value = scene.ObjectValue(potion);
  u64 handle = scene.HandleOf(potion);
  StringCache::Ref className = object->classInfo->name;
  ClassInfo* potionClass = scene.Class(46);
  std::atomic<int> wrongHandles = 0;
  std::atomic<int> failedFinds = 0;
  StartLine start;

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.Wait();
      ScriptValue slots[2] = {Scene::None(), Scene::None()};
      for (int round = 0; round < kRounds; ++round) {
        // Each round takes two references before it drops them, so that counts above 2 (where
        // no pin changes) are as common as the 1-2 steps that pin and unpin.
        switch ((t + round) % 4) {
          case 0:  // the host copies the object into slots and drops them again
            for (ScriptValue& slot : slots) host_ScriptValue_CopyFrom(&slot, &value);
            for (ScriptValue& slot : slots) {
              host_ScriptValue_Release(&slot);
              slot = Scene::None();
            }
            break;
          case 1:  // the plugin takes and drops references
            PluginAddRef(object);
            PluginAddRef(object);
            PluginRelease(object);
            PluginRelease(object);
            break;
          case 2: {  // the plugin reads the handle under the lock bit
            i32 before = LockObject(object);
            if (object->handle != handle) ++wrongHandles;
            std::atomic_ref<i32>(object->lockWord).store(before);
            break;
          }
          default: {  // a lookup hands out a reference that the slot then drops
            ScriptObject* found = nullptr;
            ClassInfo* info = nullptr;
            if (!world.Registry().FindScriptObject(handle, className, &found)) ++failedFinds;
            world.Registry().ClassForFormType(46, &info);
            ScriptValue held{reinterpret_cast<uptr>(info), reinterpret_cast<uptr>(found)};
            host_ScriptValue_Release(&held);
            std::atomic_ref<i32>(info->refCount).fetch_sub(1);
            break;
          }
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  ASSERT_FALSE(gStuck.load()) << "a lock word stayed locked: the object was corrupted";
  EXPECT_EQ(wrongHandles.load(), 0);
  EXPECT_EQ(failedFinds.load(), 0);
  EXPECT_EQ(ObjectStore::CountOf(object), 1);
  EXPECT_EQ(std::atomic_ref<i32>(potionClass->refCount).load(), 2);
  EXPECT_EQ(world.Handles().PinCount(handle), 0);
  EXPECT_GT(world.Handles().PinCalls(), 0u);
  EXPECT_EQ(world.Handles().PinCalls(), world.Handles().UnpinCalls());
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST(Concurrency, HeapAccountingStaysExact) {
  Scene scene;
  GameHeap& heap = scene.world().Heap();
  HeapStats before = heap.Stats();
  StartLine start;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&start] {
      start.Wait();
      std::vector<void*> blocks;
      for (int round = 0; round < kRounds; ++round) {
        blocks.push_back(host_GameHeap_Allocate(48, 0, false));
        if (round % 3 == 2) {
          for (void* block : blocks) host_GameHeap_Free(block, false);
          blocks.clear();
        }
      }
      for (void* block : blocks) host_GameHeap_Free(block, false);
    });
  }
  for (std::thread& thread : threads) thread.join();
  HeapStats after = heap.Stats();
  EXPECT_EQ(after.allocations - before.allocations, u64{kThreads} * kRounds);
  EXPECT_EQ(after.frees - before.frees, u64{kThreads} * kRounds);
  EXPECT_EQ(after.liveBlocks, before.liveBlocks);
  EXPECT_EQ(heap.Requests().size(), std::size_t{kThreads} * kRounds);
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

}  // namespace
}  // namespace vialmark::substitute
