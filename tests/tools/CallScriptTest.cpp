// Reading call scripts: every literal form a script may use, and the exact place of each
// mistake a newcomer makes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tools/simulator/CallScript.h"

namespace vialmark::simulator {
namespace {

using Kind = Literal::Kind;
using ::testing::HasSubstr;

TEST(CallScript, ReadsEveryKindOfLiteral) {
  const auto calls = ParseCallScript(
      R"(F(0x4000, -0x1, 0xFFFFFFFF, -7, 2.5, -0.25, 2e3, true, FALSE, none, "a\"b\\\n", [], [1, [Wheat]], Wheat))",
      "s.calls");
  ASSERT_EQ(calls.size(), 1u);
  const std::vector<Literal>& a = calls[0].arguments;
  ASSERT_EQ(a.size(), 14u);
  EXPECT_EQ(a[0].kind, Kind::kInt);
  EXPECT_EQ(a[0].integer, 0x4000);
  // Hexadecimal Ints are 32-bit patterns, as the script compiler reads them.
  EXPECT_EQ(a[1].integer, -1);
  EXPECT_EQ(a[2].integer, -1);
  EXPECT_EQ(a[3].integer, -7);
  EXPECT_EQ(a[4].kind, Kind::kFloat);
  EXPECT_EQ(a[4].real, 2.5f);
  EXPECT_EQ(a[5].real, -0.25f);
  EXPECT_EQ(a[6].real, 2000.0f);
  EXPECT_EQ(a[7].kind, Kind::kBool);
  EXPECT_TRUE(a[7].flag);
  EXPECT_EQ(a[8].kind, Kind::kBool);
  EXPECT_FALSE(a[8].flag);
  EXPECT_EQ(a[9].kind, Kind::kNone);
  EXPECT_EQ(a[10].kind, Kind::kString);
  EXPECT_EQ(a[10].text, "a\"b\\\n");
  EXPECT_EQ(a[11].kind, Kind::kArray);
  EXPECT_TRUE(a[11].elements.empty());
  ASSERT_EQ(a[12].elements.size(), 2u);
  EXPECT_EQ(a[12].elements[1].elements.at(0).kind, Kind::kName);
  EXPECT_EQ(a[13].kind, Kind::kName);
  EXPECT_EQ(a[13].text, "Wheat");
  EXPECT_EQ(a[13].column, 99u);
}

TEST(CallScript, KeepsLinesColumnsAndTheCallAsWritten) {
  const auto calls = ParseCallScript(
      "\xEF\xBB\xBF; prices\r\n\r\n  VialmarkNative . GetGoldValue( Wheat )  ; ingredient\r\n"
      "B()",
      "s.calls");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].name, "GetGoldValue");
  EXPECT_EQ(calls[0].line, 3u);
  EXPECT_EQ(calls[0].column, 20u);
  EXPECT_EQ(calls[0].source, "VialmarkNative . GetGoldValue( Wheat )");
  EXPECT_EQ(calls[0].arguments.at(0).column, 34u);
  EXPECT_EQ(calls[0].closeColumn, 40u);
  EXPECT_EQ(calls[1].name, "B");
  EXPECT_EQ(calls[1].line, 4u);
  EXPECT_TRUE(calls[1].arguments.empty());
}

struct Mistake {
  const char* text;
  unsigned line;
  unsigned column;
  const char* message;
};

class CallScriptMistakes : public ::testing::TestWithParam<Mistake> {};

TEST_P(CallScriptMistakes, NameTheirPlace) {
  const Mistake& mistake = GetParam();
  try {
    ParseCallScript(mistake.text, "s.calls");
    FAIL() << "no error for: " << mistake.text;
  } catch (const InputError& error) {
    EXPECT_EQ(error.place().file, "s.calls");
    EXPECT_EQ(error.place().line, mistake.line) << error.Formatted();
    EXPECT_EQ(error.place().column, mistake.column) << error.Formatted();
    EXPECT_THAT(error.what(), HasSubstr(mistake.message));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CallScriptMistakes,
    ::testing::Values(Mistake{"A(1)\nGetGoldValue Wheat", 2, 14, "expected '(' after GetGoldValue"},
                      Mistake{"GetGoldValue(Wheat", 1, 19, "expected ',' or ')' after argument 1"},
                      Mistake{"F(1 2)", 1, 5, "expected ',' or ')' after argument 1, found '2'"},
                      Mistake{"F(1,)", 1, 5, "expected a value"},
                      Mistake{"F([1, 2)", 1, 8, "expected ',' or ']' after array element 2"},
                      Mistake{"F(1.2.3)", 1, 3, "malformed number '1.2.3'"},
                      Mistake{"F(.5)", 1, 3, "write a digit before the decimal point"},
                      Mistake{"F(5.)", 1, 3, "write a digit after the decimal point"},
                      Mistake{"F(1OO)", 1, 3, "malformed number '1OO'"},
                      Mistake{"F(4294967296)", 1, 3, "too large for an Int"},
                      Mistake{"F(0x100000000)", 1, 3, "at most 8 hex digits"},
                      Mistake{"F(1e39)", 1, 3, "too large for a Float"},
                      Mistake{"F(-)", 1, 3, "a sign must be followed by digits"},
                      Mistake{"F(\"Health)", 1, 3, "unterminated string"},
                      Mistake{"F(\"a\\qb\")", 1, 5, "unknown escape '\\q'"},
                      Mistake{"F(Potion-1)", 1, 3, "malformed name 'Potion-1'"},
                      Mistake{"F(#)", 1, 3, "malformed value '#'"},
                      Mistake{"F(1) G(2)", 1, 6, "write one call per line"},
                      Mistake{"Debug.Trace(\"x\")", 1, 1, "only functions of VialmarkNative"},
                      Mistake{"int x = F(1)", 1, 5, "a call script holds calls only"},
                      Mistake{"42", 1, 1, "expected a function name"}));

}  // namespace
}  // namespace vialmark::simulator
