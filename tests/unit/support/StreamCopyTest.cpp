#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "support/IDataStream.h"
#include "tests/support/MemoryStream.h"

// Every allocation of this program is counted, so a test can see how many buffers a call
// allocates.
namespace {
int allocations = 0;
}

// Kept out of line: inlined into a delete expression, the free below would look to the
// compiler like a mismatch with operator new.
[[gnu::noinline]] void* operator new(std::size_t size) {
  ++allocations;
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t size) { return operator new(size); }
[[gnu::noinline]] void operator delete(void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete[](void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace vialmark {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::MemoryStream;

Bytes Sequence(std::size_t count) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return bytes;
}

// Records the size of every read, to show the chunks.
class ChunkRecorder : public MemoryStream {
 public:
  using MemoryStream::MemoryStream;
  void ReadBuf(void* buffer, std::uint32_t count) override {
    reads.push_back(count);
    MemoryStream::ReadBuf(buffer, count);
  }
  std::vector<std::uint32_t> reads;
};

struct CopyCase {
  std::size_t length;
  std::uint64_t chunkSize;
  std::vector<std::uint32_t> reads;
};

class CopyWholeStreamTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CopyWholeStreamTest, CopiesEverythingFromTheFirstByteInChunks) {
  const CopyCase& c = GetParam();
  ChunkRecorder source(Sequence(c.length));
  source.reads.reserve(16);
  source.SetPosition(static_cast<std::int64_t>(c.length / 2));
  MemoryStream destination(Bytes{0xEE, 0xEE});
  destination.bytes.reserve(c.length + 2);
  destination.SetPosition(1);
  const int before = allocations;
  CopyWholeStream(&destination, &source, c.chunkSize, nullptr);
  EXPECT_EQ(allocations - before, c.length != 0 ? 1 : 0) << "one buffer at most per call";
  EXPECT_EQ(source.reads, c.reads);
  Bytes expected{0xEE};
  const Bytes whole = Sequence(c.length);
  expected.insert(expected.end(), whole.begin(), whole.end());
  if (c.length == 0) expected.push_back(0xEE);
  EXPECT_EQ(destination.bytes, expected);
  EXPECT_EQ(destination.GetPosition(), static_cast<std::int64_t>(1 + c.length));
  EXPECT_EQ(source.GetPosition(), static_cast<std::int64_t>(c.length));
}

INSTANTIATE_TEST_SUITE_P(Chunks, CopyWholeStreamTest,
                         ::testing::Values(CopyCase{10, 4, {4, 4, 2}}, CopyCase{8, 4, {4, 4}},
                                           CopyCase{3, 100, {3}}, CopyCase{5, 1, {1, 1, 1, 1, 1}},
                                           CopyCase{0, 4, {}},
                                           CopyCase{6, (std::uint64_t{1} << 32) + 2, {6}}));

TEST(StreamCopyTest, CallersBufferMeansNoAllocation) {
  ChunkRecorder source(Sequence(20));
  source.reads.reserve(16);
  MemoryStream destination;
  destination.bytes.reserve(32);
  std::uint8_t buffer[8];
  const int before = allocations;
  CopyWholeStream(&destination, &source, sizeof buffer, buffer);
  EXPECT_EQ(allocations, before);
  EXPECT_EQ(destination.bytes, Sequence(20));
  EXPECT_EQ(source.reads, (std::vector<std::uint32_t>{8, 8, 4}));
}

TEST(StreamCopyTest, TemporaryBufferIsAllocatedOnce) {
  ChunkRecorder source(Sequence(100));
  source.reads.reserve(128);
  MemoryStream destination;
  destination.bytes.reserve(128);
  const int before = allocations;
  CopyWholeStream(&destination, &source, 3, nullptr);
  EXPECT_EQ(allocations - before, 1);
  EXPECT_EQ(source.reads.size(), 34u);
  EXPECT_EQ(destination.bytes, Sequence(100));
}

TEST(StreamCopyTest, RangeCopiesFromBothCurrentPositions) {
  ChunkRecorder source(Sequence(20));
  source.SetPosition(5);
  MemoryStream destination(Bytes(4, 0xEE));
  destination.SetPosition(2);
  CopyStreamRange(&destination, &source, 7, 3, nullptr);
  const Bytes all = Sequence(20);
  Bytes expected{0xEE, 0xEE};
  for (int i = 5; i < 12; ++i) expected.push_back(all[i]);
  EXPECT_EQ(destination.bytes, expected);
  EXPECT_EQ(source.reads, (std::vector<std::uint32_t>{3, 3, 1}));
  EXPECT_EQ(source.GetPosition(), 12);
  EXPECT_EQ(destination.GetPosition(), 9);
}

TEST(StreamCopyTest, ChunkSizeZeroCopiesNothing) {
  ChunkRecorder source(Sequence(4));
  MemoryStream destination;
  CopyStreamRange(&destination, &source, 4, 0, nullptr);
  EXPECT_TRUE(source.reads.empty());
  EXPECT_TRUE(destination.bytes.empty());
}

}  // namespace
}  // namespace vialmark
