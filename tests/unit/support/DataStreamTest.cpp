#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
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

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// --- Typed values and byte order -------------------------------------------------------------

struct TypedCase {
  const char* name;
  bool swap;
  void (*write)(IDataStream&);
  bool (*readsBack)(IDataStream&);
  Bytes bytes;
};

const TypedCase kTypedCases[] = {
    {"UInt8",
     true,
     [](IDataStream& s) { s.WriteUInt8(0xAB); },
     [](IDataStream& s) { return s.ReadUInt8() == 0xAB; },
     {0xAB}},
    {"UInt16Native",
     false,
     [](IDataStream& s) { s.WriteUInt16(1); },
     [](IDataStream& s) { return s.ReadUInt16() == 1; },
     {1, 0}},
    {"UInt16Swapped",
     true,
     [](IDataStream& s) { s.WriteUInt16(1); },
     [](IDataStream& s) { return s.ReadUInt16() == 1; },
     {0, 1}},
    {"UInt32Native",
     false,
     [](IDataStream& s) { s.WriteUInt32(0x01020304); },
     [](IDataStream& s) { return s.ReadUInt32() == 0x01020304; },
     {4, 3, 2, 1}},
    {"UInt32Swapped",
     true,
     [](IDataStream& s) { s.WriteUInt32(0x01020304); },
     [](IDataStream& s) { return s.ReadUInt32() == 0x01020304; },
     {1, 2, 3, 4}},
    {"UInt64Native",
     false,
     [](IDataStream& s) { s.WriteUInt64(0x0102030405060708); },
     [](IDataStream& s) { return s.ReadUInt64() == 0x0102030405060708; },
     {8, 7, 6, 5, 4, 3, 2, 1}},
    {"UInt64Swapped",
     true,
     [](IDataStream& s) { s.WriteUInt64(0x0102030405060708); },
     [](IDataStream& s) { return s.ReadUInt64() == 0x0102030405060708; },
     {1, 2, 3, 4, 5, 6, 7, 8}},
    {"Float32Native",
     false,
     [](IDataStream& s) { s.WriteFloat32(-2.5f); },
     [](IDataStream& s) { return s.ReadFloat32() == -2.5f; },
     {0x00, 0x00, 0x20, 0xC0}},
    {"Float32Swapped",
     true,
     [](IDataStream& s) { s.WriteFloat32(-2.5f); },
     [](IDataStream& s) { return s.ReadFloat32() == -2.5f; },
     {0xC0, 0x20, 0x00, 0x00}},
    {"StringNeverSwapped",
     true,
     [](IDataStream& s) { s.WriteString("abc"); },
     [](IDataStream& s) {
       char text[8];
       return s.ReadString(text, sizeof text, 0, 0) == 3 && std::strcmp(text, "abc") == 0 &&
              s.AtEnd();
     },
     {'a', 'b', 'c', 0}},
};

class TypedValueTest : public ::testing::TestWithParam<TypedCase> {};

TEST_P(TypedValueTest, WritesTheseBytesAndReadsThemBack) {
  const TypedCase& c = GetParam();
  MemoryStream stream;
  stream.SetByteSwapping(c.swap);
  c.write(stream);
  EXPECT_EQ(stream.bytes, c.bytes);
  EXPECT_EQ(stream.GetPosition(), static_cast<std::int64_t>(c.bytes.size()));
  stream.Rewind();
  EXPECT_TRUE(c.readsBack(stream));
  EXPECT_EQ(stream.GetPosition(), static_cast<std::int64_t>(c.bytes.size()));
}

INSTANTIATE_TEST_SUITE_P(ByteOrder, TypedValueTest, ::testing::ValuesIn(kTypedCases),
                         [](const auto& tested) { return std::string(tested.param.name); });

TEST(DataStreamTest, ReadUInt32OfOneZeroZeroZero) {
  MemoryStream stream({1, 0, 0, 0});
  EXPECT_EQ(stream.ReadUInt32(), 1u);
  stream.Rewind();
  stream.SetByteSwapping(true);
  EXPECT_EQ(stream.ReadUInt32(), 16777216u);
}

TEST(DataStreamTest, ShortTypedReadKeepsTheMissingBytesZero) {
  MemoryStream stream({0x34, 0x12});
  EXPECT_EQ(stream.ReadUInt32(), 0x1234u);
  EXPECT_EQ(stream.GetPosition(), 2);
  MemoryStream swapped({0x12, 0x34});
  swapped.SetByteSwapping(true);
  EXPECT_EQ(swapped.ReadUInt64(), 0x1234000000000000u);
}

// --- Text reads ------------------------------------------------------------------------------

struct TextCase {
  const char* name;
  std::string input;
  std::uint32_t size;
  char terminator1;
  char terminator2;
  std::vector<std::string> texts;  // one ReadString call each
  std::int64_t positionAfter;
};

const TextCase kTextCases[] = {
    {"SizeOneReadsNothing", "abc", 1, 0, 0, {""}, 0},
    {"CrLfEndsALine", "ab\r\ncd", 64, '\n', 0, {"ab", "cd"}, 6},
    {"CrAloneEndsALine", "ab\rcd", 64, '\n', 0, {"ab", "cd"}, 5},
    {"CrAtTheEnd", "ab\r", 64, '\n', 0, {"ab", ""}, 3},
    {"LfAsSecondTerminator", "ab\ncd", 64, 0, '\n', {"ab", "cd"}, 5},
    {"CrIsOrdinaryOutsideLineMode", "ab\rcd", 64, 0, 0, {"ab\rcd"}, 5},
    {"FullBufferLeavesTheRest", "abcdefg", 4, 0, 0, {"abc", "def", "g"}, 7},
    {"FullBufferStopsBeforeTheTerminator", "abc;d", 4, ';', 0, {"abc", "", "d"}, 5},
    {"ZeroByteEnds", std::string("ab\0cd", 5), 64, '\n', 0, {"ab", "cd"}, 5},
    {"EitherTerminator", "a;b,c", 64, ',', ';', {"a", "b", "c"}, 5},
    {"HighByteTerminator",
     "ab\xE9"
     "cd",
     64,
     '\xE9',
     0,
     {"ab", "cd"},
     5},
    {"EmptyStream", "", 64, '\n', 0, {""}, 0},
};

class ReadStringTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ReadStringTest, SplitsTheInputIntoTheseTexts) {
  const TextCase& c = GetParam();
  MemoryStream stream(BytesOf(c.input));
  for (const std::string& expected : c.texts) {
    std::vector<char> buffer(c.size + 1, '#');
    const std::uint32_t count =
        stream.ReadString(buffer.data(), c.size, c.terminator1, c.terminator2);
    EXPECT_EQ(count, expected.size());
    EXPECT_EQ(std::string(buffer.data()), expected);
    EXPECT_EQ(buffer[c.size], '#') << "wrote past the buffer";
  }
  EXPECT_EQ(stream.GetPosition(), c.positionAfter);
}

INSTANTIATE_TEST_SUITE_P(Texts, ReadStringTest, ::testing::ValuesIn(kTextCases),
                         [](const auto& tested) { return std::string(tested.param.name); });

TEST(DataStreamTest, CrLfLeavesThePositionAtTheNextLine) {
  MemoryStream stream(BytesOf("ab\r\ncd"));
  char text[16];
  EXPECT_EQ(stream.ReadString(text, sizeof text, '\n', 0), 2u);
  EXPECT_EQ(stream.GetPosition(), 4);
  EXPECT_EQ(stream.PeekUInt8(), 'c');
}

TEST(DataStreamTest, ZeroSizedBufferIsAFatalReport) {
  testing::ScratchDirectory scratch;
  testing::ExpectFatalReport(
      scratch.Path("fatal.log"),
      [] {
        MemoryStream stream(BytesOf("abc"));
        char text[1];
        stream.ReadString(text, 0, 0, 0);
      },
      "Assertion failed in .\\IDataStream (101): IDataStream::ReadString: zero-sized buffer");
}

// --- Peeks and skips -------------------------------------------------------------------------

TEST(DataStreamTest, PeeksReadWithoutMoving) {
  MemoryStream stream({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99});
  stream.SetPosition(1);
  EXPECT_EQ(stream.PeekUInt8(), 0x22);
  EXPECT_EQ(stream.PeekUInt16(), 0x3322);
  EXPECT_EQ(stream.PeekUInt32(), 0x55443322u);
  EXPECT_EQ(stream.PeekUInt64(), 0x9988776655443322u);
  const float asFloat = stream.PeekFloat32();
  std::uint32_t bits;
  std::memcpy(&bits, &asFloat, sizeof bits);
  EXPECT_EQ(bits, 0x55443322u);
  std::uint8_t buffer[3] = {};
  stream.PeekBuf(buffer, 3);
  EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{0x22, 0x33, 0x44}));
  EXPECT_EQ(stream.GetPosition(), 1);
  EXPECT_EQ(stream.ReadUInt16(), 0x3322);
}

TEST(DataStreamTest, SkipMovesBothWaysWithoutBounds) {
  MemoryStream stream(BytesOf("abcdef"));
  stream.SkipBytes(4);
  EXPECT_EQ(stream.ReadUInt8(), 'e');
  stream.SkipBytes(-3);
  EXPECT_EQ(stream.ReadUInt8(), 'c');
  stream.SkipBytes(10);
  EXPECT_EQ(stream.GetPosition(), 13);
  EXPECT_TRUE(stream.AtEnd());
  EXPECT_EQ(stream.GetRemaining(), -7);
}

TEST(DataStreamTest, APlainStreamIsItsOwnRoot) {
  MemoryStream stream(BytesOf("abc"));
  stream.SetPosition(2);
  EXPECT_EQ(stream.GetParent(), nullptr);
  EXPECT_EQ(stream.GetRootStream(), &stream);
  EXPECT_EQ(stream.GetParentPosition(), 2);
}

}  // namespace
}  // namespace vialmark
