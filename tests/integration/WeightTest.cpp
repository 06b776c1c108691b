// Weights of forms, potions and ingredients, set by arrays times one multiplier.
#include <optional>
#include <string>
#include <vector>

#include "Economy.h"

namespace vialmark::testing {
namespace {

struct WeightSetter {
  const char* name;
  Items items;
};
constexpr WeightSetter kWeightSetters[] = {{"SetFormArrayWeights", Items::kForms},
                                           {"SetPotionArrayWeights", Items::kPotions},
                                           {"SetIngredientArrayWeights", Items::kIngredients}};

class WeightTest : public EconomyFixture {
 protected:
  void SetWeights(const WeightSetter& setter, const ScriptValue& items, const ScriptValue& weights,
                  float multiplier, i32 count) {
    EXPECT_EQ(Call(setter.name, {items, weights, Scene::Float(multiplier), Scene::Int(count)}).type,
              TypeCode::kNone);
  }
};

TEST_F(WeightTest, WeightSettersPairItemsWithWeightsUpToTheCount) {
  using WeightList = std::vector<std::optional<float>>;
  const struct {
    const char* what;
    u32 items;
    std::optional<std::vector<float>> weights;
    float multiplier;
    i32 count;
    WeightList expected;
  } cases[] = {
      {"each weight times the multiplier", 2, {{1.5f, 2.0f}}, 2.0f, 2, {3.0f, 4.0f}},
      {"the count stops early", 2, {{1.5f, 2.0f}}, 2.0f, 1, {3.0f, kStartWeight}},
      {"a count of -1 is every item", 3, {{1, 2, 3}}, 1.0f, -1, {1.0f, 2.0f, 3.0f}},
      {"weights shorter than the items change nothing",
       3,
       {{1, 2}},
       1.0f,
       -1,
       WeightList(3, kStartWeight)},
      {"extra weights are ignored", 2, {{1, 2, 3}}, 0.5f, -1, {0.5f, 1.0f}},
      {"a count of 0 changes nothing", 2, {{1, 2}}, 1.0f, 0, WeightList(2, kStartWeight)},
      {"no weights change nothing", 2, std::nullopt, 1.0f, -1, WeightList(2, kStartWeight)},
  };
  for (const WeightSetter& setter : kWeightSetters) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(setter.name) + ": " + c.what);
      const std::vector<const void*> items = ItemsOf(setter.items, c.items);
      SetWeights(setter, ItemArray(setter.items, items),
                 c.weights ? scene.FloatArray(*c.weights) : Scene::None(), c.multiplier, c.count);
      EXPECT_EQ(Weights(items), c.expected);
      EXPECT_EQ(Prices(items), std::vector<std::optional<i32>>(c.items));
    }
    SCOPED_TRACE(setter.name);
    const std::vector<const void*> items = ItemsOf(setter.items, 2);
    SetWeights(setter, Scene::None(), scene.FloatArray({1, 2}), 1.0f, -1);
    SetWeights(setter, ItemArray(setter.items, {}), scene.FloatArray({1, 2}), 1.0f, -1);
    SetWeights(setter, scene.FormArray(FormType::kMagicEffect, items), scene.FloatArray({1, 2}),
               1.0f, -1);
    SetWeights(setter, ItemArray(setter.items, items), scene.IntArray({1, 2}), 1.0f, -1);
    EXPECT_EQ(Weights(items), WeightList(2, kStartWeight));
  }
}

TEST_F(WeightTest, WeightElementsAreReadAsFloatsAndBadElementsSkipped) {
  for (const WeightSetter& setter : kWeightSetters) {
    SCOPED_TRACE(setter.name);
    // -3 reads as -3.0, none and a string as 0.0, true as 1.0.
    const std::vector<const void*> items = ItemsOf(setter.items, 6);
    SetWeights(
        setter, ItemArray(setter.items, items),
        scene.Array(TypeCode::kFloatArray, {Scene::Int(-3), Scene::None(), Scene::String("heavy"),
                                            Scene::Bool(true), Scene::Float(2.5f), Scene::Int(7)}),
        0.5f, -1);
    EXPECT_EQ(Weights(items),
              (std::vector<std::optional<float>>{-1.5f, 0.0f, 0.0f, 0.5f, 1.25f, 3.5f}));

    // None, dead and foreign elements are skipped; the elements after them still change.
    const void* first = Item(setter.items);
    const void* foreign =
        setter.items == Items::kForms ? scene.Form({.value = 5}) : Foreign(setter.items);
    const void* dead = Item(setter.items);
    const void* last = Item(setter.items);
    scene.Kill(dead);
    SetWeights(setter, ItemArray(setter.items, {first, nullptr, foreign, dead, last}),
               scene.FloatArray({1, 2, 3, 4, 5}), 1.0f, -1);
    EXPECT_EQ(Weights({first, foreign, dead, last}),
              (std::vector<std::optional<float>>{
                  1.0f, setter.items == Items::kForms ? std::nullopt : std::optional(kStartWeight),
                  kStartWeight, 5.0f}));
  }
}

TEST_F(WeightTest, FormWeightsReachEveryFormThatHasAWeight) {
  const std::vector<const void*> forms{scene.Form({.weight = 1.0f}),
                                       scene.Form({.value = 3}),
                                       Item(Items::kPotions),
                                       Item(Items::kIngredients),
                                       scene.Effect(),
                                       scene.Related(HostClass::kLightForm, {.weight = 2.0f})};
  SetWeights(kWeightSetters[0], scene.FormArray(FormType::kAny, forms),
             scene.FloatArray({1, 2, 3, 4, 5, 6}), 10.0f, -1);
  EXPECT_EQ(Weights(forms), (std::vector<std::optional<float>>{10.0f, std::nullopt, 30.0f, 40.0f,
                                                               std::nullopt, 60.0f}));
  EXPECT_EQ(Price(forms[1]), 3);
}

}  // namespace
}  // namespace vialmark::testing
