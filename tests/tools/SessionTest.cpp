// A session through the real module: each call goes through the registered function object,
// and the output shows the result and every field that changed, before and after.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "tests/e2e/TempFolder.h"
#include "tests/tools/Program.h"
#include "tools/simulator/Session.h"

namespace vialmark::simulator {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kData = R"(
[effect.RestoreHealth]
primaryActorValue = "Health"
[effect.Candlelight]
archetype = "Script"
[related.MagicLight]
kind = "Light"
[potion.PotionA]
effects = [{ effect = "RestoreHealth", cost = 10.9 }, { cost = 20.5 }]
[ingredient.Wheat]
value = 5
weight = 0.1
)";

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session.Start(VIALMARK_MODULE_PATH);
    session.UseDeclarations(ParseDeclarations(
        testing::ReadAll(VIALMARK_SOURCE_DIR "/papyrus/VialmarkNative.psc"), "psc"));
    session.Populate(ParseDataSet(kData, "d.toml"));
    printed.str("");
  }

  std::string Run(const std::string& script) {
    for (const PreparedCall& call :
         session.Prepare(ParseCallScript(script, "s.calls"), "s.calls")) {
      session.Run(call);
    }
    return printed.str();
  }

  TempFolder folder;  // the module writes its log here
  std::ostringstream printed;
  Session session{printed};
};

TEST_F(SessionTest, PrintsResultsAndEveryChangeBeforeAndAfter) {
  const std::string script =
      "SetPotionArrayPrices([PotionA], [100], False, 1.5, 50.0, 2.0, 10.0, -1)\n"
      "FillGoldValueArray([PotionA, Wheat, None], [7, 7, 7, 7])\n"
      "SetMGEFArchetype(Candlelight, \"Light\", None, MagicLight, None, 0.0)\n"
      "GetMGEFRelatedForm(Candlelight)\n"
      "SetIngredientArrayWeights([Wheat], [2], 1.5, -1)\n"
      "GetGoldValue(None)\n"
      "SetAlchAutoCalcFlag(None, True)\n"
      "GetMGEFPrimaryAV(RestoreHealth)\n";
  EXPECT_EQ(Run(script),
            "   1  SetPotionArrayPrices([PotionA], [100], False, 1.5, 50.0, 2.0, 10.0, -1)\n"
            "      PotionA.goldValue    30 -> 676\n"
            "      PotionA.autoCalc     True -> False\n"
            "      PotionA.manualValue  0 -> 676\n"
            "   2  FillGoldValueArray([PotionA, Wheat, None], [7, 7, 7, 7])\n"
            "      => True\n"
            "      aiValues  [7, 7, 7, 7] -> [676, 5, 0, 7]\n"
            "   3  SetMGEFArchetype(Candlelight, \"Light\", None, MagicLight, None, 0.0)\n"
            "      Candlelight.archetype    Script (1) -> Light (12)\n"
            "      Candlelight.relatedForm  None -> MagicLight\n"
            "   4  GetMGEFRelatedForm(Candlelight)\n"
            "      => MagicLight\n"
            "   5  SetIngredientArrayWeights([Wheat], [2], 1.5, -1)\n"
            "      Wheat.weight  0.1 -> 3.0\n"
            "   6  GetGoldValue(None)\n"
            "      => 0\n"
            "   7  SetAlchAutoCalcFlag(None, True)\n"
            "      (nothing changed)\n"
            "   8  GetMGEFPrimaryAV(RestoreHealth)\n"
            "      => \"Health\"\n");
  EXPECT_EQ(session.CallCount(), 8u);
  EXPECT_EQ(session.FunctionsCalled(), 8u);
  EXPECT_THAT(session.Finish(), IsEmpty());
}

TEST_F(SessionTest, EveryCallIsCheckedBeforeAnyRuns) {
  // The mistake is on the last line; the first call must not have run.
  EXPECT_THROW(Run("SetSinglePotionPrice(PotionA, 100, 1.5, 50.0, 2.0, 10.0)\n"
                   "GetGoldValue(PotionB)\n"),
               InputError);
  EXPECT_EQ(printed.str(), "");
  EXPECT_EQ(session.CallCount(), 0u);
  EXPECT_EQ(Run("GetGoldValue(PotionA)"), "   1  GetGoldValue(PotionA)\n      => 30\n");
  EXPECT_THAT(session.Finish(), IsEmpty());
}

TEST_F(SessionTest, ArgumentsAreCheckedAgainstTheRegisteredTypes) {
  struct Case {
    const char* call;
    const char* message;
  };
  const Case cases[] = {
      {"SetSinglePotionPrice(Wheat, 1, 1.0, 1.0, 1.0, 1.0)",
       "argument 1 (Potion akPotion) of SetSinglePotionPrice: 'Wheat' is an Ingredient, not a "
       "Potion"},
      {"SetSinglePotionPrice(PotionA, 1.5, 1.0, 1.0, 1.0, 1.0)",
       "argument 2 (Int aiValue) of SetSinglePotionPrice: expected an Int such as 100, got the "
       "Float 1.5"},
      {"SetSinglePotionPrice(PotionA, 2147483648, 1.0, 1.0, 1.0, 1.0)", "outside the Int range"},
      {"SetAlchAutoCalcFlag(PotionA, 1)", "expected True or False, got the Int 1"},
      {"SetMGEFArchetype(Candlelight, Light, None, None, None, 0.0)",
       "expected a String such as \"Health\", or None, got 'Light'"},
      {"SetStackingPrefs([RestoreHealth, PotionA], [True, True])",
       "argument 1 (MagicEffect[] akEffects) of SetStackingPrefs, element 2: 'PotionA' is a "
       "Potion, not a MagicEffect"},
      {"FillGoldValueArray([PotionA], [1.5])", "element 1: expected an Int such as 100"},
      {"FillGoldValueArray(PotionA, [1])", "expected an array such as [EditorID1, EditorID2]"},
      {"SetFormArrayWeights([Wheat], [1.0], None, 1)", "expected a Float such as 1.5"},
      {"GetGoldValue(Wheet)",
       "unknown editor ID 'Wheet': no record of d.toml has it (did you "
       "mean 'Wheat'?)"},
      {"GetGoldValue(Wheat, 1)",
       "GetGoldValue takes 1 argument, got 2: Int GetGoldValue(Form "
       "akForm)"},
      {"GetGoldValu(Wheat)", "unknown function 'GetGoldValu' (did you mean 'GetGoldValue'?)"},
  };
  for (const Case& c : cases) {
    try {
      Run(c.call);
      ADD_FAILURE() << "no error for " << c.call;
    } catch (const InputError& error) {
      EXPECT_THAT(error.what(), HasSubstr(c.message)) << c.call;
    }
  }
  EXPECT_EQ(session.CallCount(), 0u);
  EXPECT_THAT(session.Finish(), IsEmpty());
}

}  // namespace
}  // namespace vialmark::simulator
