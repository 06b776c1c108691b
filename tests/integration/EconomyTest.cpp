// Prices and the manual-value flag, set through the natives the way a script calls them.
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Economy.h"

namespace vialmark::testing {
namespace {

struct Formula {
  float exponent;
  float divisor;
  float multiplier;
  float addend;
};
// value / (value / 100 + 1): 100 becomes 50.
constexpr Formula kHalving{1.0f, 100.0f, 1.0f, 0.0f};

struct PriceSetter {
  const char* name;
  Items items;
  bool special;  // takes a selection array and the flag it selects by
};
constexpr PriceSetter kPriceSetters[] = {
    {"SetIngredientArrayPrices", Items::kIngredients, false},
    {"SetPotionArrayPrices", Items::kPotions, false},
    {"SetPotionArrayPricesSpecial", Items::kPotions, true},
    {"SetPotionFormArrayPricesSpecial", Items::kForms, true},
};

struct Selection {
  ScriptValue flags;
  bool selectWhen;
};

class EconomyTest : public EconomyFixture {
 protected:
  void SetPrices(const PriceSetter& setter, const ScriptValue& items, const ScriptValue& values,
                 bool direct, const Formula& f, i32 count,
                 std::optional<Selection> selection = std::nullopt) {
    std::vector<ScriptValue> arguments{items,
                                       values,
                                       Scene::Bool(direct),
                                       Scene::Float(f.exponent),
                                       Scene::Float(f.divisor),
                                       Scene::Float(f.multiplier),
                                       Scene::Float(f.addend)};
    if (setter.special) {
      const Selection s =
          selection.value_or(Selection{scene.BoolArray(std::vector<bool>(8, true)), true});
      arguments.push_back(s.flags);
      arguments.push_back(Scene::Bool(s.selectWhen));
    }
    arguments.push_back(Scene::Int(count));
    EXPECT_EQ(Call(setter.name, arguments).type, TypeCode::kNone);
  }
};

// --- Single potion price --------------------------------------------------------------------

TEST_F(EconomyTest, SinglePotionPriceFollowsTheFormulaStepByStep) {
  const struct {
    i32 value;  // as the script passes it: -1 is 4294967295
    Formula formula;
    i32 price;
  } cases[] = {
      {100, {1, 100, 1, 0}, 50},
      {100, {1.5f, 50, 2, 10}, 676},
      {20, {2, 10, 1, 0}, 133},
      {7, {1, 1, 0.1f, 0}, 1},  // 0.0875 is raised to 1
      {0, {1, 100, 1, 0}, 1},
      {50, {1, 0, 1, 5}, 5},  // value / 0 is infinite, so the quotient is 0
      {0, {1, 0, 1, 5}, 0},   // 0 / 0 is NaN, which is not raised
      {16777217, {1, 1e30f, 1, 0}, 16777216},
      {-1, {1, 1e30f, 1, 0}, 0},    // 2^32 as a float keeps no low bits
      {3, {2, 1e30f, 1, -100}, 1},  // a negative result is raised to 1
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    AlchemyItem* potion = scene.Potion({.manualValue = kUnpriced, .flags = kOtherBits});
    const ScriptValue result =
        Call("SetSinglePotionPrice",
             {scene.ObjectValue(potion), Scene::Int(c.value), Scene::Float(c.formula.exponent),
              Scene::Float(c.formula.divisor), Scene::Float(c.formula.multiplier),
              Scene::Float(c.formula.addend)});
    EXPECT_EQ(result.type, TypeCode::kNone);
    EXPECT_EQ(potion->manualValue, c.price);
    EXPECT_EQ(potion->alchemyFlags, kOtherBits | kManualValueBit);
  }
}

TEST_F(EconomyTest, SinglePotionPriceIgnoresWhatIsNoLivePotion) {
  AlchemyItem* dead = scene.Potion({.manualValue = kUnpriced, .flags = kOtherBits});
  scene.Kill(dead);
  const void* ingredient = Item(Items::kIngredients);
  for (const ScriptValue& target :
       {Scene::None(), scene.ObjectValue(dead), scene.ObjectValue(ingredient),
        scene.NullObject(FormType::kPotion)}) {
    Call("SetSinglePotionPrice", {target, Scene::Int(100), Scene::Float(1), Scene::Float(100),
                                  Scene::Float(1), Scene::Float(0)});
  }
  EXPECT_EQ(Price(dead), std::nullopt);
  EXPECT_EQ(Price(ingredient), std::nullopt);
}

// --- Array price setters ---------------------------------------------------------------------

TEST_F(EconomyTest, ArrayPriceSettersPairItemsWithValuesUpToTheCount) {
  using PriceList = std::vector<std::optional<i32>>;
  // Price setters only read their values, so one array serves every setter.
  const struct {
    const char* what;
    u32 items;
    ScriptValue values;
    i32 count;
    PriceList expected;
  } cases[] = {
      {"values shorter than the items change nothing", 3, scene.IntArray({100, 200}), -1,
       PriceList(3)},
      {"the count stops early",
       3,
       scene.IntArray({100, 200, 300, 400}),
       2,
       {100, 200, std::nullopt}},
      {"a count of -1 is every item", 3, scene.IntArray({100, 200, 300}), -1, {100, 200, 300}},
      {"a count past the end is every item", 2, scene.IntArray({100, 200}), 5, {100, 200}},
      {"extra values are ignored", 2, scene.IntArray({100, 200, 300}), -1, {100, 200}},
      {"a count of 0 changes nothing", 2, scene.IntArray({100, 200}), 0, PriceList(2)},
      {"no values change nothing", 2, Scene::None(), -1, PriceList(2)},
      {"values of floats do not bind", 2, scene.FloatArray({100, 200}), -1, PriceList(2)},
  };
  for (const PriceSetter& setter : kPriceSetters) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(setter.name) + ": " + c.what);
      const std::vector<const void*> items = ItemsOf(setter.items, c.items);
      SetPrices(setter, ItemArray(setter.items, items), c.values, true, kHalving, c.count);
      EXPECT_EQ(Prices(items), c.expected);
      EXPECT_EQ(Weights(items), std::vector<std::optional<float>>(c.items, kStartWeight));
    }
    SCOPED_TRACE(setter.name);
    const std::vector<const void*> items = ItemsOf(setter.items, 2);
    const ScriptValue values = scene.IntArray({100, 200});
    // Items that do not bind: none, an empty array, or an array of another class.
    SetPrices(setter, Scene::None(), values, true, kHalving, -1);
    SetPrices(setter, ItemArray(setter.items, {}), values, true, kHalving, -1);
    SetPrices(setter, scene.FormArray(FormType::kMagicEffect, items), values, true, kHalving, -1);
    EXPECT_EQ(Prices(items), PriceList(2));
  }
}

TEST_F(EconomyTest, DirectValuesAreStoredAsGivenAndOthersGoThroughTheFormula) {
  // Value elements as a script may hand them over: 12.7 reads as 12, a string and none as 0,
  // true as 1 and -1 as 4294967295.
  const std::vector<ScriptValue> elements{
      Scene::Int(0),     Scene::Int(100), Scene::Float(12.7f), Scene::String("price"),
      Scene::Bool(true), Scene::Int(-1),  Scene::None()};
  const std::vector<std::optional<i32>> direct{0, 100, 12, 0, 1, -1, 0};
  const std::vector<std::optional<i32>> throughFormula{1, 50, 10, 1, 1, 100, 1};
  for (const PriceSetter& setter : kPriceSetters) {
    for (bool isDirect : {true, false}) {
      SCOPED_TRACE(std::string(setter.name) + (isDirect ? " direct" : " through the formula"));
      const std::vector<const void*> items = ItemsOf(setter.items, 7);
      SetPrices(setter, ItemArray(setter.items, items), scene.Array(TypeCode::kIntArray, elements),
                isDirect, kHalving, -1);
      EXPECT_EQ(Prices(items), isDirect ? direct : throughFormula);
    }
  }
}

TEST_F(EconomyTest, ArrayPriceSettersSkipElementsThatDoNotResolve) {
  for (const PriceSetter& setter : kPriceSetters) {
    SCOPED_TRACE(setter.name);
    const void* first = Item(setter.items);
    const void* foreign = Foreign(setter.items);
    const void* valued = scene.Form({.value = 5});
    const void* dead = Item(setter.items);
    const void* last = Item(setter.items);
    scene.Kill(dead);
    SetPrices(setter, ItemArray(setter.items, {first, nullptr, foreign, valued, dead, last}),
              scene.IntArray({10, 20, 30, 40, 50, 60}), true, kHalving, -1);
    EXPECT_EQ(Prices({first, foreign, dead, last}),
              (std::vector<std::optional<i32>>{10, std::nullopt, std::nullopt, 60}));
    EXPECT_EQ(Price(valued), 5) << "a form that is no potion keeps its value";
  }
}

TEST_F(EconomyTest, SpecialSettersPriceOnlyWhatTheSelectionPicks) {
  using Picks = std::vector<std::optional<i32>>;
  const std::optional<i32> kNo;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // Three potions priced 10, 20, 30 wherever selected. A missing selection entry (a none or
  // short selection, or one of another type, which does not bind) counts as false.
  const struct {
    const char* what;
    ScriptValue selection;
    bool selectWhen;
    Picks expected;
  } cases[] = {
      {"false picks the false entries",
       scene.BoolArray({true, false, true}),
       false,
       {kNo, 20, kNo}},
      {"true picks the true entries", scene.BoolArray({true, false, true}), true, {10, kNo, 30}},
      {"none, a string and 2 read as false, false, true",
       scene.Array(TypeCode::kBoolArray, {Scene::None(), Scene::String("yes"), Scene::Int(2)}),
       false,
       {10, 20, kNo}},
      {"NaN, -0.0 and 0.5 read as true, false, true",
       scene.Array(TypeCode::kBoolArray,
                   {Scene::Float(nan), Scene::Float(-0.0f), Scene::Float(0.5f)}),
       true,
       {10, kNo, 30}},
      {"no selection picks all for false", Scene::None(), false, {10, 20, 30}},
      {"no selection picks none for true", Scene::None(), true, {kNo, kNo, kNo}},
      {"a short selection for false", scene.BoolArray({true}), false, {kNo, 20, 30}},
      {"a short selection for true", scene.BoolArray({true}), true, {10, kNo, kNo}},
      {"an int selection does not bind", scene.IntArray({1, 1, 1}), true, {kNo, kNo, kNo}},
  };
  for (const PriceSetter& setter : kPriceSetters) {
    if (!setter.special) continue;
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(setter.name) + ": " + c.what);
      const std::vector<const void*> items = ItemsOf(setter.items, 3);
      SetPrices(setter, ItemArray(setter.items, items), scene.IntArray({10, 20, 30}), true,
                kHalving, -1, Selection{c.selection, c.selectWhen});
      EXPECT_EQ(Prices(items), c.expected);
    }
  }
}

TEST_F(EconomyTest, APotionListedTwiceKeepsItsLastSelectedPrice) {
  for (const PriceSetter& setter : kPriceSetters) {
    if (setter.items == Items::kIngredients) continue;
    SCOPED_TRACE(setter.name);
    const void* potion = Item(setter.items);
    const ScriptValue twice = ItemArray(setter.items, {potion, potion});
    SetPrices(setter, twice, scene.IntArray({10, 20}), true, kHalving, -1);
    EXPECT_EQ(Price(potion), 20);
    if (setter.special) {
      SetPrices(setter, twice, scene.IntArray({30, 40}), true, kHalving, -1,
                Selection{scene.BoolArray({true, false}), true});
      EXPECT_EQ(Price(potion), 30);
    }
  }
}

// --- Manual value flag -----------------------------------------------------------------------

TEST_F(EconomyTest, AutoCalcFlagIsTheInverseOfManualValue) {
  AlchemyItem* potion =
      scene.Potion({.effectCosts = {10.9f, 20.5f}, .manualValue = 250, .flags = kOtherBits});
  const ScriptValue target = scene.ObjectValue(potion);
  const struct {
    ScriptValue autoCalc;
    bool manual;
  } steps[] = {
      {Scene::Bool(false), true}, {Scene::Bool(false), true},  {Scene::Bool(true), false},
      {Scene::Bool(true), false}, {Scene::Int(0), true},       {Scene::Int(2), false},
      {Scene::None(), true},      {Scene::Float(0.5f), false},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    const auto& step = steps[i];
    EXPECT_EQ(Call("SetAlchAutoCalcFlag", {target, step.autoCalc}).type, TypeCode::kNone);
    EXPECT_EQ(potion->alchemyFlags, kOtherBits | (step.manual ? kManualValueBit : 0u));
    EXPECT_EQ(potion->manualValue, 250);
    EXPECT_EQ(FlagResult("GetAlchAutoCalcFlag", {target}), !step.manual);
    EXPECT_EQ(IntegerResult("GetGoldValue", {target}), step.manual ? 250u : 30u);
  }
  // Pricing a potion turns automatic calculation off.
  Call("SetSinglePotionPrice", {target, Scene::Int(100), Scene::Float(1), Scene::Float(100),
                                Scene::Float(1), Scene::Float(0)});
  EXPECT_FALSE(FlagResult("GetAlchAutoCalcFlag", {target}));
  EXPECT_EQ(IntegerResult("GetGoldValue", {target}), 50u);
}

TEST_F(EconomyTest, AutoCalcFlagOfWhatIsNoLivePotionIsFalseAndStays) {
  AlchemyItem* dead = scene.Potion({.manualValue = kUnpriced, .flags = kOtherBits});
  scene.Kill(dead);
  const void* ingredient = Item(Items::kIngredients);
  const ScriptValue targets[] = {Scene::None(), scene.ObjectValue(dead),
                                 scene.ObjectValue(ingredient), scene.ObjectValue(scene.Effect()),
                                 scene.ObjectValue(scene.Form({.value = 5}))};
  for (const ScriptValue& target : targets) {
    SCOPED_TRACE(target.type);
    EXPECT_FALSE(FlagResult("GetAlchAutoCalcFlag", {target}));
    Call("SetAlchAutoCalcFlag", {target, Scene::Bool(false)});
    Call("SetAlchAutoCalcFlag", {target, Scene::Bool(true)});
  }
  EXPECT_EQ(dead->alchemyFlags, kOtherBits);
  EXPECT_EQ(Price(ingredient), std::nullopt);
}

}  // namespace
}  // namespace vialmark::testing
