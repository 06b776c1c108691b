#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/IDataStream.h"
#include "tests/support/FatalReport.h"
#include "tests/support/MemoryStream.h"
#include "tests/support/Scratch.h"

namespace vialmark {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::MemoryStream;

// A parent holding "0123456789" and a range over "3456".
class SubStreamTest : public ::testing::Test {
 protected:
  MemoryStream parent{Bytes{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}};
  IDataSubStream range{&parent, 3, 4};
};

TEST_F(SubStreamTest, ConstructionPlacesTheParentAtTheBase) {
  EXPECT_EQ(parent.GetPosition(), 3);
  EXPECT_EQ(range.GetLength(), 4);
  EXPECT_EQ(range.GetPosition(), 0);
  EXPECT_EQ(range.GetParent(), &parent);
}

TEST_F(SubStreamTest, ReadsTheRangeUpToItsEnd) {
  std::uint8_t buffer[4] = {};
  range.ReadBuf(buffer, 4);
  EXPECT_EQ(std::string(buffer, buffer + 4), "3456");
  EXPECT_TRUE(range.AtEnd());
  EXPECT_EQ(parent.GetPosition(), 7);
}

TEST_F(SubStreamTest, ReadStringStopsAtTheEndOfTheRange) {
  char text[16];
  EXPECT_EQ(range.ReadString(text, sizeof text, '\n', 0), 4u);
  EXPECT_EQ(std::string(text), "3456");
}

TEST_F(SubStreamTest, SequentialTransfersLeaveTheParentWhereItIs) {
  const int before = parent.setPositionCalls;
  EXPECT_EQ(range.ReadUInt8(), '3');
  EXPECT_EQ(range.ReadUInt16(), '4' | ('5' << 8));
  range.WriteUInt8('x');
  EXPECT_EQ(parent.setPositionCalls, before);
  EXPECT_EQ(parent.bytes[6], 'x');
}

TEST_F(SubStreamTest, RangesSharingAParentTakeTurns) {
  IDataSubStream other(&parent, 7, 3);
  range.SetPosition(0);
  EXPECT_EQ(range.ReadUInt8(), '3');
  EXPECT_EQ(other.ReadUInt8(), '7');
  EXPECT_EQ(range.ReadUInt8(), '4');
  other.WriteUInt8('y');
  EXPECT_EQ(range.ReadUInt8(), '5');
  EXPECT_EQ(parent.bytes[8], 'y');
}

TEST_F(SubStreamTest, PeekRestoresTheParentToo) {
  range.SetPosition(1);
  EXPECT_EQ(range.PeekUInt16(), '4' | ('5' << 8));
  EXPECT_EQ(range.GetPosition(), 1);
  EXPECT_EQ(parent.GetPosition(), 4);
}

TEST_F(SubStreamTest, WritePastTheEndGrowsTheRange) {
  range.SetPosition(0);
  const std::string text = "abcdefghij";
  range.WriteBuf(text.data(), 10);
  EXPECT_EQ(range.GetLength(), 10);
  EXPECT_EQ(range.GetPosition(), 10);
  EXPECT_EQ(std::string(parent.bytes.begin(), parent.bytes.end()), "012abcdefghij");
}

TEST_F(SubStreamTest, SetPositionMovesTheParentWithoutARangeCheck) {
  range.SetPosition(6);
  EXPECT_EQ(parent.GetPosition(), 9);
  range.SkipBytes(-5);
  EXPECT_EQ(range.GetPosition(), 1);
  EXPECT_EQ(parent.GetPosition(), 4);
}

TEST_F(SubStreamTest, RootAndParentPositionThroughTwoLevels) {
  IDataSubStream inner(&parent, 2, 6);
  IDataSubStream outer(&inner, 1, 3);
  EXPECT_EQ(outer.GetRootStream(), &parent);
  EXPECT_EQ(inner.GetRootStream(), &parent);
  EXPECT_EQ(outer.ReadUInt8(), '3');
  EXPECT_EQ(outer.GetParentPosition(), inner.GetPosition());
  EXPECT_EQ(inner.GetPosition(), 2);
  EXPECT_EQ(parent.GetPosition(), 4);
}

TEST_F(SubStreamTest, BindStartsTheNewRangeAtItsFirstByte) {
  EXPECT_EQ(range.ReadUInt16(), '3' | ('4' << 8));
  range.Bind(&parent, 6, 2);
  EXPECT_EQ(range.GetPosition(), 0);
  EXPECT_EQ(range.GetLength(), 2);
  EXPECT_EQ(parent.GetPosition(), 6);
  EXPECT_EQ(range.ReadUInt16(), '6' | ('7' << 8));
}

TEST_F(SubStreamTest, UnboundRangeMovesNothing) {
  IDataSubStream unbound;
  EXPECT_EQ(unbound.GetParent(), nullptr);
  EXPECT_EQ(unbound.GetRootStream(), &unbound);
  unbound.WriteUInt32(1);
  unbound.ReadBuf(nullptr, 0);
  EXPECT_EQ(unbound.GetLength(), 0);
  EXPECT_EQ(unbound.GetPosition(), 0);
}

// The death tests build their own streams: on Windows the child process runs the test again.
struct EofCase {
  const char* name;
  std::int64_t position;
  std::uint32_t count;
};

class SubStreamEofTest : public ::testing::TestWithParam<EofCase> {};

TEST_P(SubStreamEofTest, ReadingPastTheRangeIsAFatalReport) {
  const EofCase& c = GetParam();
  testing::ScratchDirectory scratch;
  testing::ExpectFatalReport(
      scratch.Path("fatal.log"),
      [&c] {
        MemoryStream parent(Bytes(16, 'z'));
        IDataSubStream range(&parent, 2, 4);
        range.SetPosition(c.position);
        std::uint8_t buffer[16];
        range.ReadBuf(buffer, c.count);
      },
      "Assertion failed in .\\IDataStream (445): IDataSubStream::ReadBuf: hit eof");
}

INSTANTIATE_TEST_SUITE_P(Ranges, SubStreamEofTest,
                         ::testing::Values(EofCase{"FiveOfFour", 0, 5},
                                           EofCase{"OnePastTheEnd", 4, 1},
                                           EofCase{"PositionPastTheEnd", 6, 0},
                                           EofCase{"ParentHasMore", 3, 2}),
                         [](const auto& tested) { return std::string(tested.param.name); });

}  // namespace
}  // namespace vialmark
