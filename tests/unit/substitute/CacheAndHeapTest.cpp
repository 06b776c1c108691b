// The string cache and the game heap, through the operations the plugin binds to.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "host/HostApi.h"
#include "substitute/Builders.h"
#include "substitute/Strings.h"

namespace vialmark::substitute {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Interned while this program initialises, before main and before any world exists, as the
// plugin does while its module loads.
StringCache::Ref InternedEarly() {
  StringCache::Ref ref{};
  host_StringCache_Construct(&ref, "ValueMod");
  return ref;
}
const StringCache::Ref kEarly = InternedEarly();

TEST(StringCache, OneIdentityPerTextWhateverTheCase) {
  StringCache::Ref lower{}, upper{}, other{};
  host_StringCache_Construct(&lower, "valuemod");
  host_StringCache_Assign(&upper, "VALUEMOD");
  host_StringCache_Construct(&other, "PeakValueMod");

  EXPECT_NE(kEarly.text, nullptr);
  EXPECT_EQ(lower.text, kEarly.text);
  EXPECT_EQ(upper.text, kEarly.text);
  EXPECT_STREQ(upper.text, "ValueMod") << "the first spelling interned is kept";
  EXPECT_NE(other.text, kEarly.text);
  EXPECT_TRUE(IsInterned(other.text));

  // A text in another buffer with the same contents still has the one identity.
  char copy[] = "PeakValueMod";
  EXPECT_EQ(Intern(copy), other.text);
  EXPECT_FALSE(IsInterned(copy));
}

TEST(StringCache, NullTextGivesNoIdentity) {
  StringCache::Ref ref{};
  host_StringCache_Assign(&ref, "Something");
  host_StringCache_Assign(&ref, nullptr);
  EXPECT_EQ(ref.text, nullptr);
  host_StringCache_Construct(&ref, nullptr);
  EXPECT_EQ(ref.text, nullptr);
}

TEST(StringCache, SurvivesAWorldReset) {
  const char* before = Intern("Kept across tests");
  Scene scene;
  EXPECT_EQ(Intern("kept ACROSS tests"), before);
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

class Heap : public ::testing::Test {
 protected:
  Scene scene;
  GameHeap& heap = scene.world().Heap();
};

TEST_F(Heap, AccountsEveryBlockAndRecordsEveryRequest) {
  u64 hostBlocks = heap.Stats().liveBlocks;  // the registry's classes
  void* a = host_GameHeap_Allocate(48, 0, false);
  void* b = host_GameHeap_Allocate(100, 64, true);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(reinterpret_cast<uptr>(b) % 64, 0u);
  EXPECT_TRUE(heap.IsLive(a));
  EXPECT_EQ(heap.Stats().liveBlocks, hostBlocks + 2);
  // The heap does not clear memory.
  EXPECT_EQ(static_cast<unsigned char*>(a)[0], kFreshFill);

  host_GameHeap_Free(a, false);
  host_GameHeap_Free(b, true);
  EXPECT_FALSE(heap.IsLive(a));
  EXPECT_EQ(heap.Stats().liveBlocks, hostBlocks);
  EXPECT_EQ(heap.Stats().frees, 2u);

  auto requests = heap.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].size, 48u);
  EXPECT_EQ(requests[0].alignment, 0u);
  EXPECT_FALSE(requests[0].aligned);
  EXPECT_EQ(requests[1].alignment, 64u);
  EXPECT_TRUE(requests[1].aligned);
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST_F(Heap, FailureHooksRefuseTheChosenRequests) {
  heap.FailNext(2);
  EXPECT_EQ(host_GameHeap_Allocate(8, 0, false), nullptr);
  EXPECT_EQ(host_GameHeap_Allocate(8, 0, false), nullptr);
  void* third = host_GameHeap_Allocate(8, 0, false);
  EXPECT_NE(third, nullptr);
  host_GameHeap_Free(third, false);

  heap.FailNth(3);
  std::vector<void*> blocks;
  for (int i = 0; i < 4; ++i) blocks.push_back(host_GameHeap_Allocate(16, 0, false));
  EXPECT_NE(blocks[0], nullptr);
  EXPECT_NE(blocks[1], nullptr);
  EXPECT_EQ(blocks[2], nullptr);
  EXPECT_NE(blocks[3], nullptr);
  for (void* block : blocks) host_GameHeap_Free(block, false);

  std::vector<bool> failed;
  for (const HeapRequest& request : heap.Requests()) failed.push_back(request.failed);
  EXPECT_THAT(failed, ElementsAre(true, true, false, false, false, true, false));
  EXPECT_EQ(heap.Stats().failedAllocations, 3u);
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

// Each fault is recorded without harm, and the balance check names it.
TEST_F(Heap, BalanceNamesLeaksDoubleFreesUnknownFreesAndOverruns) {
  void* leaked = host_GameHeap_Allocate(48, 0, false);
  void* twice = host_GameHeap_Allocate(16, 0, false);
  host_GameHeap_Free(twice, false);
  host_GameHeap_Free(twice, false);
  int local = 0;
  host_GameHeap_Free(&local, false);
  auto* overrun = static_cast<char*>(host_GameHeap_Allocate(8, 0, false));
  std::memset(overrun, 0, 9);
  void* mismatched = host_GameHeap_Allocate(8, 0, false);
  host_GameHeap_Free(mismatched, true);
  ASSERT_NE(leaked, nullptr);

  HeapStats stats = heap.Stats();
  EXPECT_EQ(stats.doubleFrees, 1u);
  EXPECT_EQ(stats.unknownFrees, 1u);
  EXPECT_EQ(stats.flagMismatches, 1u);

  std::string all;
  for (const std::string& line : scene.Finish()) all += line + "\n";
  EXPECT_THAT(all, HasSubstr("48-byte plugin block of request #1 was never freed"));
  EXPECT_THAT(all, HasSubstr("freed twice"));
  EXPECT_THAT(all, HasSubstr("never handed out"));
  EXPECT_THAT(all, HasSubstr("write past the end"));
  EXPECT_THAT(all, HasSubstr("aligned flag true but allocated with false"));
  EXPECT_THAT(all, HasSubstr("8-byte plugin block of request #3 was never freed"));
}

}  // namespace
}  // namespace vialmark::substitute
