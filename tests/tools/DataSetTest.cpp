// Reading data sets: the sample, the defaults a short record gets, and the exact place of each
// mistake.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tools/simulator/DataSet.h"

namespace vialmark::simulator {
namespace {

using ::testing::HasSubstr;

template <typename Body>
const Body& BodyOf(const DataSet& data, const char* id) {
  const Record* record = data.Find(id);
  EXPECT_NE(record, nullptr) << id;
  return std::get<Body>(record->body);
}

TEST(DataSet, ReadsTheSample) {
  const DataSet data = LoadDataSet(VIALMARK_SOURCE_DIR "/tools/samples/alchemy.toml");
  std::size_t counts[5] = {};
  for (const Record& record : data.records) ++counts[record.body.index()];
  EXPECT_EQ(counts[0], 12u);  // potions
  EXPECT_EQ(counts[1], 12u);  // ingredients
  EXPECT_GE(counts[2], 12u);  // effects
  EXPECT_GT(counts[3], 0u);   // other forms
  EXPECT_GT(counts[4], 0u);   // related forms
  const auto& skooma = BodyOf<PotionRecord>(data, "Skooma");
  EXPECT_EQ(skooma.manualValue, 25);
  EXPECT_FALSE(skooma.autoCalc);
  const auto& vigor = BodyOf<PotionRecord>(data, "PotionVigor");
  ASSERT_EQ(vigor.effects.size(), 2u);
  EXPECT_EQ(vigor.effects[1].effect, "AlchRestoreStamina");
  EXPECT_EQ(vigor.effects[1].cost, 20.1f);
  const auto& fortify = BodyOf<EffectRecord>(data, "AlchFortifyHealth");
  EXPECT_EQ(fortify.archetype, 34);
  EXPECT_EQ(fortify.primaryActorValue, 24);
  EXPECT_EQ(fortify.relatedForm, "MagicAlchFortify");
  const auto& cloak = BodyOf<RelatedRecord>(data, "FlameCloakSpell");
  EXPECT_EQ(cloak.part, HostClass::kCloakForm);
  EXPECT_EQ(cloak.modeWord1, 2u);
  EXPECT_EQ(cloak.modeWord2, 2u);
  EXPECT_TRUE(BodyOf<RelatedRecord>(data, "FamiliarSummon").summonable);
  // File order, not the parser's sorted keys.
  EXPECT_EQ(data.records.front().editorId, "AlchRestoreHealth");
}

TEST(DataSet, ShortRecordsTakeDefaultsAndNamesIgnoreCase) {
  const DataSet data = ParseDataSet(R"(
[potion.P]
[ingredient.I]
[effect.E]
[effect.F]
archetype = "peakvaluemod"
primaryActorValue = "health"
secondaryActorValue = "STAMINA"
relatedForm = "p"
[form.M]
[related.L]
kind = "light"
)",
                                    "d.toml");
  const auto& potion = BodyOf<PotionRecord>(data, "P");
  EXPECT_TRUE(potion.effects.empty());
  EXPECT_EQ(potion.manualValue, 0);
  EXPECT_TRUE(potion.autoCalc);
  EXPECT_EQ(potion.weight, 0.5f);
  EXPECT_EQ(BodyOf<IngredientRecord>(data, "I").value, 0);
  const auto& plain = BodyOf<EffectRecord>(data, "E");
  EXPECT_EQ(plain.archetype, 0);
  EXPECT_EQ(plain.primaryActorValue, -1);
  EXPECT_EQ(plain.secondaryActorValue, -1);
  const auto& named = BodyOf<EffectRecord>(data, "f");
  EXPECT_EQ(named.archetype, 34);
  EXPECT_EQ(named.primaryActorValue, 24);
  EXPECT_EQ(named.secondaryActorValue, 26);
  const auto& form = BodyOf<FormRecord>(data, "M");
  EXPECT_EQ(form.formType, 32u);  // MiscObject
  EXPECT_FALSE(form.value.has_value());
  EXPECT_FALSE(form.weight.has_value());
  EXPECT_EQ(BodyOf<RelatedRecord>(data, "L").part, HostClass::kLightForm);
}

struct Mistake {
  const char* text;
  unsigned line;
  unsigned column;
  const char* message;
};

class DataSetMistakes : public ::testing::TestWithParam<Mistake> {};

TEST_P(DataSetMistakes, NameTheirPlace) {
  const Mistake& mistake = GetParam();
  try {
    ParseDataSet(mistake.text, "d.toml");
    FAIL() << "no error for: " << mistake.text;
  } catch (const InputError& error) {
    EXPECT_EQ(error.place().file, "d.toml");
    EXPECT_EQ(error.place().line, mistake.line) << error.Formatted();
    EXPECT_EQ(error.place().column, mistake.column) << error.Formatted();
    EXPECT_THAT(error.what(), HasSubstr(mistake.message));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, DataSetMistakes,
    ::testing::Values(
        Mistake{"[potion.P]\nweight = ", 2, 10, "this is not valid TOML"},
        Mistake{"[potion.P\n", 1, 10, "this is not valid TOML"},
        Mistake{"[potions.P]", 1, 2, "unknown table 'potions' (did you mean 'potion'?)"},
        Mistake{"potion = 5", 1, 1, "'potion' must hold one table per record"},
        Mistake{"[potion]\nP = 5", 2, 1, "'potion.P' must be a table"},
        Mistake{"[potion.P]\nwieght = 0.5", 2, 1,
                "unknown key 'wieght' in potion P (did you mean 'weight'?)"},
        Mistake{"[potion.P]\nweight = \"heavy\"", 2, 10, "'weight' must be a number"},
        Mistake{"[potion.P]\nmanualValue = 2.5", 2, 15, "'manualValue' must be a whole number"},
        Mistake{"[potion.P]\nmanualValue = 3000000000", 2, 15,
                "must be between -2147483648 and 2147483647"},
        Mistake{"[potion.P]\nautoCalc = \"no\"", 2, 12, "'autoCalc' must be true or false"},
        Mistake{"[potion.P]\neffects = [{ effect = \"E\" }]\n[effect.E]", 2, 12, "has no 'cost'"},
        Mistake{"[potion.P]\neffects = [{ effect = \"X\", cost = 1 }]", 2, 23,
                "unknown editor ID \"X\""},
        Mistake{"[potion.P]\neffects = [{ effect = \"I\", cost = 1 }]\n[ingredient.I]", 2, 23,
                "'I' is an Ingredient, not an effect record"},
        Mistake{"[effect.E]\narchetype = \"Valuemodd\"", 2, 13,
                "unknown archetype \"Valuemodd\" (did you mean 'ValueMod'?)"},
        Mistake{"[effect.E]\nprimaryActorValue = \"Helth\"", 2, 21,
                "unknown actor value \"Helth\" (did you mean 'Health'?)"},
        Mistake{"[effect.E]\nrelatedForm = \"Nothing\"", 2, 15, "unknown editor ID \"Nothing\""},
        Mistake{"[related.R]\nvalue = 1", 1, 1, "this related form has no 'kind'"},
        Mistake{"[related.R]\nkind = \"Lamp\"", 2, 8,
                "unknown related-form kind \"Lamp\"; one of: "},
        Mistake{"[related.R]\nkind = \"Light\"\nmodeWord1 = 2", 3, 13,
                "only applies to related forms of kind Cloak"},
        Mistake{"[form.F]\ntype = \"Potion\"", 2, 8, "unknown form type \"Potion\""},
        Mistake{"[potion.\"Minor Healing\"]", 1, 9, "cannot be named in a call script"},
        Mistake{"[potion.A]\n[ingredient.a]", 2, 13,
                "editor ID 'a' is used twice (first at line 1)"}));

}  // namespace
}  // namespace vialmark::simulator
