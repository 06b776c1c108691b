// Gold values read singly and into script arrays, which are written in place.
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Economy.h"

namespace vialmark::testing {
namespace {

using ::testing::ElementsAreArray;

class GoldValueTest : public EconomyFixture {};

TEST_F(GoldValueTest, EveryReaderGivesTheSameGoldValues) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* what;
    const void* item;
    u32 gold;
  };
  const Case potions[] = {
      {"manual value while ManualValue is set",
       scene.Potion({.effectCosts = {10.9f, 20.5f}, .manualValue = 250, .flags = 1}), 250},
      {"a negative manual value keeps its bits", scene.Potion({.manualValue = -20, .flags = 1}),
       0xFFFFFFECu},
      {"costs truncated one by one; a null entry counts none",
       scene.Potion({.effectCosts = {10.9f, 20.5f, std::nullopt}, .manualValue = 99}), 30},
      {"no effects", scene.Potion({.manualValue = 99}), 0},
      {"a negative cost truncates toward zero", scene.Potion({.effectCosts = {-3.7f, 10.0f}}), 7},
      {"NaN and infinite costs add nothing", scene.Potion({.effectCosts = {nan, inf, 4.2f}}), 4},
      {"a cost past 2^32 keeps its low bits", scene.Potion({.effectCosts = {5e9f}}), 705032704},
      {"the sum wraps at 2^32", scene.Potion({.effectCosts = {3e9f, 3e9f}}), 1705032704},
  };
  const Case ingredients[] = {
      {"an ingredient's value", scene.Ingredient(12, 0.1f), 12},
      {"a negative value keeps its bits", scene.Ingredient(-5, 0.1f), 0xFFFFFFFBu},
  };
  const Case others[] = {
      {"a form's value component", scene.Form({.value = 77}), 77},
      {"a form with a weight but no value", scene.Form({.weight = 1.0f}), 0},
      {"a magic effect", scene.Effect(), 0},
  };

  std::vector<const void*> forms;
  std::vector<u32> golds;
  auto check = [&](const Case& c, const char* single) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IntegerResult("GetGoldValue", {scene.ObjectValue(c.item)}), c.gold);
    if (single != nullptr) {
      const ScriptValue values = scene.IntArray({0});
      EXPECT_TRUE(FlagResult(single, {scene.ObjectValue(c.item), values, Scene::Int(0)}));
      EXPECT_EQ(Scene::ElementsOf(values)[0].data, c.gold);
    }
    forms.push_back(c.item);
    golds.push_back(c.gold);
  };
  for (const Case& c : potions) check(c, "FillSinglePotionGoldValue");
  for (const Case& c : ingredients) check(c, "FillSingleIngredientGoldValue");
  for (const Case& c : others) check(c, nullptr);

  // The array fillers agree, and a none or dead element gives 0.
  AlchemyItem* dead = scene.Potion({.manualValue = 40, .flags = 1});
  scene.Kill(dead);
  EXPECT_EQ(IntegerResult("GetGoldValue", {scene.ObjectValue(dead)}), 0u);
  EXPECT_EQ(IntegerResult("GetGoldValue", {Scene::None()}), 0u);
  auto fill = [&](const char* name, u32 formType, std::vector<const void*> items,
                  std::vector<u32> expected) {
    SCOPED_TRACE(name);
    items.insert(items.end(), {nullptr, dead});
    expected.insert(expected.end(), {0, 0});
    const ScriptValue values = scene.IntArray(std::vector<i32>(items.size(), -9));
    EXPECT_TRUE(FlagResult(name, {scene.FormArray(formType, items), values}));
    std::vector<u32> seen;
    for (const ScriptValue& slot : Elements(values)) seen.push_back(static_cast<u32>(slot.data));
    EXPECT_THAT(seen, ElementsAreArray(expected));
  };
  fill("FillGoldValueArray", FormType::kAny, forms, golds);
  const std::size_t potionCount = std::size(potions);
  fill("FillPotionGoldValueArray", FormType::kPotion,
       std::vector<const void*>(forms.begin(), forms.begin() + potionCount),
       std::vector<u32>(golds.begin(), golds.begin() + potionCount));
  const std::size_t ingredientEnd = potionCount + std::size(ingredients);
  fill("FillIngredientGoldValueArray", FormType::kIngredient,
       std::vector<const void*>(forms.begin() + potionCount, forms.begin() + ingredientEnd),
       std::vector<u32>(golds.begin() + potionCount, golds.begin() + ingredientEnd));
}

struct Filler {
  const char* name;
  Items items;
};
constexpr Filler kArrayFillers[] = {{"FillGoldValueArray", Items::kForms},
                                    {"FillPotionGoldValueArray", Items::kPotions},
                                    {"FillIngredientGoldValueArray", Items::kIngredients}};

TEST_F(GoldValueTest, ArrayFillersWriteIntegersInPlaceAndLeaveTheRest) {
  for (const Filler& filler : kArrayFillers) {
    SCOPED_TRACE(filler.name);
    const std::vector<const void*> items{Item(filler.items, 41), Foreign(filler.items),
                                         Item(filler.items, 43)};
    const u32 foreignGold = filler.items == Items::kForms ? static_cast<u32>(kUnpriced) : 0;
    // Whatever the elements held, the first three become integers; the two past the items
    // keep their contents.
    const ScriptValue values =
        scene.Array(TypeCode::kIntArray, {Scene::Float(1.5f), Scene::String("x"), Scene::None(),
                                          Scene::Float(7.5f), Scene::Int(-3)});
    EXPECT_TRUE(FlagResult(filler.name, {ItemArray(filler.items, items), values}));
    ExpectSlots(Elements(values), {Scene::Int(41), Scene::Int(static_cast<i32>(foreignGold)),
                                   Scene::Int(43), Scene::Float(7.5f), Scene::Int(-3)});
  }
}

TEST_F(GoldValueTest, ArrayFillersRefuseWithoutWritingAnything) {
  for (const Filler& filler : kArrayFillers) {
    const std::vector<const void*> items{Item(filler.items, 1), Item(filler.items, 2)};
    const struct {
      const char* what;
      ScriptValue items;
      ScriptValue values;
    } cases[] = {
        {"no items", Scene::None(), scene.IntArray({5, 6})},
        {"an empty item array", ItemArray(filler.items, {}), scene.IntArray({5, 6})},
        {"items of another class", scene.FormArray(FormType::kMagicEffect, items),
         scene.IntArray({5, 6})},
        {"values shorter than the items", ItemArray(filler.items, items), scene.IntArray({5})},
        {"no values", ItemArray(filler.items, items), Scene::None()},
        {"values of floats", ItemArray(filler.items, items), scene.FloatArray({5, 6})},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(filler.name) + ": " + c.what);
      std::vector<ScriptValue> before;
      if (c.values.data != 0) before = Elements(c.values);
      EXPECT_FALSE(FlagResult(filler.name, {c.items, c.values}));
      if (c.values.data != 0) ExpectSlots(Elements(c.values), before);
    }
  }
}

TEST_F(GoldValueTest, SingleFillersWriteOnlyAnIndexInsideTheArray) {
  const struct {
    const char* name;
    Items items;
  } fillers[] = {{"FillSinglePotionGoldValue", Items::kPotions},
                 {"FillSingleIngredientGoldValue", Items::kIngredients}};
  for (const auto& filler : fillers) {
    const void* item = Item(filler.items, 250);
    const void* dead = Item(filler.items, 3);
    scene.Kill(dead);
    const ScriptValue start[] = {Scene::Float(1.5f), Scene::Int(5), Scene::Int(6)};
    const struct {
      const char* what;
      ScriptValue item;
      std::optional<ScriptValue> values;  // none: the three start elements
      i32 index;
      std::optional<u32> writes;  // the index written
    } cases[] = {
        {"the last index", scene.ObjectValue(item), std::nullopt, 2, 2},
        {"index 0 over a float", scene.ObjectValue(item), std::nullopt, 0, 0},
        {"the length", scene.ObjectValue(item), std::nullopt, 3, std::nullopt},
        {"index -1", scene.ObjectValue(item), std::nullopt, -1, std::nullopt},
        {"no item", Scene::None(), std::nullopt, 0, std::nullopt},
        {"an item of another kind", scene.ObjectValue(Foreign(filler.items)), std::nullopt, 0,
         std::nullopt},
        {"a dead item", scene.ObjectValue(dead), std::nullopt, 0, std::nullopt},
        {"no values", scene.ObjectValue(item), Scene::None(), 0, std::nullopt},
        {"values of floats", scene.ObjectValue(item), scene.FloatArray({1, 2, 3}), 0, std::nullopt},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(filler.name) + ": " + c.what);
      const ScriptValue values =
          c.values ? *c.values : scene.Array(TypeCode::kIntArray, {start[0], start[1], start[2]});
      std::vector<ScriptValue> expected;
      if (values.data != 0) expected = Elements(values);
      if (c.writes) expected[*c.writes] = Scene::Int(250);
      EXPECT_EQ(FlagResult(filler.name, {c.item, values, Scene::Int(c.index)}),
                c.writes.has_value());
      if (values.data != 0) ExpectSlots(Elements(values), expected);
    }
  }
}

}  // namespace
}  // namespace vialmark::testing
