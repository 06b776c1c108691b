// The simulator as a mod author runs it: the sample session, mistakes in scripts, data sets and
// command lines as a newcomer makes them, the price preview and the help.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "plugin/Catalogue.h"
#include "tests/e2e/TempFolder.h"
#include "tests/tools/Program.h"

namespace vialmark::testing {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

Ran Vialmark(const TempFolder& folder, const std::vector<std::string>& arguments) {
  return RunIn(folder.path(), VIALMARK_PROGRAM_PATH, arguments);
}

std::size_t Lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(Program, SampleSessionCallsEveryFunctionAndBalances) {
  TempFolder folder;
  const Ran ran = Vialmark(folder, {});
  ASSERT_FALSE(ran.crashed);
  EXPECT_EQ(ran.exitCode, 0) << ran.err;
  EXPECT_EQ(ran.err, "");
  EXPECT_THAT(ran.out, HasSubstr("[register] 21 functions of script class \"VialmarkNative\"\n"));
  EXPECT_THAT(ran.out, HasSubstr("; 21 of the 21 functions called\n"));
  EXPECT_THAT(ran.out, HasSubstr("the host's books balance"));
  // Values that follow from the sample data: effect costs 17.6 and 20.1 give 17 + 20, and the
  // formula turns 100 into 676 with (1.5, 50, 2, 10).
  EXPECT_THAT(ran.out, HasSubstr("GetGoldValue(PotionVigor)\n      => 37\n"));
  EXPECT_THAT(ran.out, HasSubstr("PotionMinorHealing.manualValue  0 -> 676\n"));
  EXPECT_THAT(ran.out, HasSubstr("aiValues  [0, 0, 0, 0] -> [17, 20, 10, 0]\n"));
  EXPECT_THAT(ran.out, EndsWith("--- skse_Runeplate.log ---\nVialmark: Initializing...\nLoading "
                                "VialmarkNative...\n"));
  // The session's working folder was a temporary one.
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "skse_Runeplate.log"));
}

TEST(Program, CallsFromTheCommandLineAndAKeptFolder) {
  TempFolder folder;
  WriteAll(folder.path() / "d.toml", "[ingredient.Wheat]\nvalue = 5\n");
  const Ran ran = Vialmark(folder, {"--data", "d.toml", "--folder", "session", "-e",
                                    "GetGoldValue(Wheat)", "-e", "getgoldvalue(none)"});
  ASSERT_FALSE(ran.crashed);
  EXPECT_EQ(ran.exitCode, 0) << ran.err;
  EXPECT_THAT(ran.out, HasSubstr("== -e 1\n   1  GetGoldValue(Wheat)\n      => 5\n"));
  EXPECT_THAT(ran.out, HasSubstr("== -e 2\n   1  getgoldvalue(none)\n      => 0\n"));
  EXPECT_EQ(ReadAll(folder.path() / "session" / "skse_Runeplate.log"),
            "Vialmark: Initializing...\nLoading VialmarkNative...\n");
}

constexpr const char* kData = R"([potion.PotionA]
effects = [{ effect = "RestoreHealth", cost = 17.6 }]
[ingredient.Wheat]
value = 5
[effect.RestoreHealth]
primaryActorValue = "Health"
)";

struct Mistake {
  const char* what;
  std::string script;
  std::string data;
  std::string place;    // how the one line of the message begins
  std::string message;  // part of it
};

// One message, naming the file, line and column; exit 1; nothing run, nothing crashed.
TEST(Program, EachMistakeGetsOneClearMessage) {
  const Mistake mistakes[] = {
      {"unknown function", "GetGoldVal(Wheat)", kData,
       "s.calls:1:1: error: ", "unknown function 'GetGoldVal' (did you mean 'GetGoldValue'?)"},
      {"too many arguments", "; prices\n\nGetGoldValue(Wheat, 5)", kData, "s.calls:3:21: error: ",
       "GetGoldValue takes 1 argument, got 2: Int GetGoldValue(Form akForm)"},
      {"too few arguments", "SetSinglePotionPrice(PotionA, 100, 1.5)", kData,
       "s.calls:1:39: error: ", "SetSinglePotionPrice takes 6 arguments, got 3"},
      {"unknown editor ID", "GetGoldValue(PotionB)", kData, "s.calls:1:14: error: ",
       "unknown editor ID 'PotionB': no record of d.toml has it (did you mean 'PotionA'?)"},
      {"letter O for zero", "SetSinglePotionPrice(PotionA, 1OO, 1.5, 50.0, 2.0, 10.0)", kData,
       "s.calls:1:31: error: ", "malformed number '1OO'"},
      {"comma for a decimal point", "SetSinglePotionPrice(PotionA, 100, 1,5, 50.0, 2.0, 10.0)",
       kData, "s.calls:1:52: error: ", "SetSinglePotionPrice takes 6 arguments, got 7"},
      {"unquoted text",
       "SetMGEFArchetype(RestoreHealth, PeakValueMod, \"Health\", None, None, 0.0)", kData,
       "s.calls:1:33: error: ", "expected a String such as \"Health\", or None"},
      {"missing quote", "SetMGEFArchetype(RestoreHealth, \"PeakValueMod, None, None, None, 0.0)",
       kData, "s.calls:1:33: error: ", "unterminated string"},
      {"wrong kind of form", "SetSinglePotionPrice(Wheat, 100, 1.5, 50.0, 2.0, 10.0)", kData,
       "s.calls:1:22: error: ", "'Wheat' is an Ingredient, not a Potion"},
      {"missing parenthesis", "GetGoldValue(Wheat", kData,
       "s.calls:1:19: error: ", "expected ',' or ')' after argument 1, found the end of the line"},
      {"only the first of several mistakes", "GetGoldValue(X)\nGetGoldVal(Wheat)", kData,
       "s.calls:1:14: error: ", "unknown editor ID 'X'"},
      {"data set: not TOML", "GetGoldValue(Wheat)", "[potion.PotionA\n",
       "d.toml:1:", "not valid TOML"},
      {"data set: misspelt key", "GetGoldValue(Wheat)", "[ingredient.Wheat]\nvalu = 5\n",
       "d.toml:2:1: error: ", "unknown key 'valu' in ingredient Wheat (did you mean 'value'?)"},
      {"data set: text for a number", "GetGoldValue(Wheat)", "[ingredient.Wheat]\nvalue = \"5\"\n",
       "d.toml:2:9: error: ", "'value' must be a whole number"},
      {"data set: unknown effect", "GetGoldValue(Wheat)",
       "[potion.P]\neffects = [{ effect = \"Restore\", cost = 1 }]\n",
       "d.toml:2:23: error: ", "unknown editor ID \"Restore\""},
  };
  for (const Mistake& mistake : mistakes) {
    TempFolder folder;
    WriteAll(folder.path() / "s.calls", mistake.script);
    WriteAll(folder.path() / "d.toml", mistake.data);
    const Ran ran = Vialmark(folder, {"--data", "d.toml", "s.calls"});
    EXPECT_FALSE(ran.crashed) << mistake.what;
    EXPECT_EQ(ran.exitCode, 1) << mistake.what;
    EXPECT_EQ(ran.out, "") << mistake.what;
    EXPECT_EQ(Lines(ran.err), 1u) << mistake.what << ": " << ran.err;
    EXPECT_THAT(ran.err, StartsWith(mistake.place)) << mistake.what;
    EXPECT_THAT(ran.err, HasSubstr(mistake.message)) << mistake.what;
  }
}

TEST(Program, MissingFilesAndCommandLineMistakes) {
  TempFolder folder;
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string message;  // how the message begins
  };
  const std::string price = "vialmark price: argument 5 ";
  const Case cases[] = {
      {{"nothere.calls"}, 1, "nothere.calls: error: cannot open the call script\n"},
      {{"--data", "nothere.toml", "-e", "GetGoldValue(None)"},
       1,
       "nothere.toml: error: cannot open the data set\n"},
      {{"--bogus"}, 2, "vialmark: unknown option '--bogus' (see vialmark --help)\n"},
      {{"-e"}, 2, "vialmark: -e needs a value after it (see vialmark --help)\n"},
      {{"price", "1.5", "50", "2"}, 2, "vialmark price: expected EXPONENT DIVISOR MULTIPLIER"},
      {{"price", "1.5", "fifty", "2", "10", "5"},
       2,
       "vialmark price: argument 2 ('fifty'): DIVISOR must be a number"},
      {{"price", "1.5", "50", "2", "10", "100..0"},
       2,
       price + "('100..0'): a range runs upwards: FROM must not be above TO"},
      {{"price", "1.5", "50", "2", "10", "0..100:0"},
       2,
       price + "('0..100:0'): the STEP of a range must be at least 1"},
      {{"price", "1.5", "50", "2", "10", "0..4000000000"},
       2,
       price + "('0..4000000000'): more than 100000 values"},
      {{"price", "1.5", "50", "2", "10", "-5"},
       2,
       price + "('-5'): expected a whole number from 0 to 4294967295"},
      {{"--module", "nothere.so", "-e", "GetGoldValue(None)"}, 3, "vialmark: "},
  };
  for (const Case& c : cases) {
    const Ran ran = Vialmark(folder, c.arguments);
    EXPECT_FALSE(ran.crashed) << c.arguments[0];
    EXPECT_EQ(ran.exitCode, c.exitCode) << c.arguments[0] << ": " << ran.err;
    EXPECT_THAT(ran.err, StartsWith(c.message)) << c.arguments[0];
  }
}

TEST(Program, PricePreviewTableAndChart) {
  TempFolder folder;
  const Ran ran =
      Vialmark(folder, {"price", "1.5", "50", "2", "10", "0..200:100", "7", "--svg", "curve.svg"});
  ASSERT_FALSE(ran.crashed);
  EXPECT_EQ(ran.exitCode, 0) << ran.err;
  EXPECT_THAT(ran.out, StartsWith("price = max(1, value^1.5 / (value / 50.0 + 1) * 2.0 + 10.0)"));
  EXPECT_THAT(ran.out, HasSubstr("           0            10\n"
                                 "         100           676\n"
                                 "         200          1141\n"
                                 "           7            42\n"));
  const std::string svg = ReadAll(folder.path() / "curve.svg");
  EXPECT_THAT(svg, StartsWith("<svg xmlns=\"http://www.w3.org/2000/svg\""));
  EXPECT_THAT(svg, EndsWith("</svg>\n"));
  EXPECT_THAT(svg, HasSubstr("<title>100 -> 676</title>"));
  // The curve runs left to right although 7 came last.
  EXPECT_THAT(svg, HasSubstr("points=\"90,397.0833333 112.4,387.75 410,202.8333333 730,"));

  // The clamp to 1 and a NaN that is not clamped, as the plugin computes them.
  const Ran edges = Vialmark(folder, {"price", "1", "0", "1", "5", "0", "50"});
  EXPECT_THAT(edges.out, HasSubstr("           0             0\n          50             5\n"));
  const Ran clamp = Vialmark(folder, {"price", "1", "1", "0.1", "0", "7"});
  EXPECT_THAT(clamp.out, HasSubstr("           7             1\n"));
}

TEST(Program, HelpNamesEveryRegisteredFunction) {
  TempFolder folder;
  const Ran ran = Vialmark(folder, {"--help"});
  EXPECT_EQ(ran.exitCode, 0);
  for (const CatalogueEntry& entry : kCatalogue) {
    EXPECT_THAT(ran.out, HasSubstr(std::string(" ") + entry.name + "(")) << entry.name;
  }
  for (const char* topic : {"Call scripts:", "Data sets:", "Price preview:", "Exit status:"}) {
    EXPECT_THAT(ran.out, HasSubstr(topic));
  }
}

}  // namespace
}  // namespace vialmark::testing
