// What the tests of prices, gold values and weights share: items that start unpriced and at a
// known weight, and readers that tell a price or a weight apart from the starting values, so
// that a call writing a field it has no business with shows next to the one it should write.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Natives.h"

namespace vialmark::testing {

// Which items an array call takes: potions, ingredients, or potions in an array of forms.
enum class Items { kPotions, kIngredients, kForms };

inline constexpr i32 kUnpriced = -7;
inline constexpr u32 kOtherBits = 0x30;  // flag bits beside ManualValue that no call may touch
inline constexpr float kStartWeight = 9.0f;

// Items made unpriced at kStartWeight, with readers that answer none for an unpriced item.
class EconomyFixture : public NativesTest {
 protected:
  // An unpriced item of the kind an array of `items` holds; `value` prices it at once.
  const void* Item(Items items, std::optional<i32> value = std::nullopt) {
    if (items == Items::kIngredients)
      return scene.Ingredient(value.value_or(kUnpriced), kStartWeight);
    return scene.Potion({.manualValue = value.value_or(kUnpriced),
                         .flags = kOtherBits | (value ? kManualValueBit : 0u),
                         .weight = kStartWeight});
  }
  // An item that an array of `items` may hold but that is not of its kind.
  const void* Foreign(Items items) {
    return Item(items == Items::kIngredients ? Items::kPotions : Items::kIngredients);
  }
  std::vector<const void*> ItemsOf(Items items, u32 count) {
    std::vector<const void*> made;
    for (u32 i = 0; i < count; ++i) made.push_back(Item(items));
    return made;
  }
  static u32 ArrayFormType(Items items) {
    switch (items) {
      case Items::kPotions:
        return FormType::kPotion;
      case Items::kIngredients:
        return FormType::kIngredient;
      default:
        return FormType::kAny;
    }
  }
  ScriptValue ItemArray(Items items, const std::vector<const void*>& forms) {
    return scene.FormArray(ArrayFormType(items), forms);
  }

  // The price an item holds, or none while it is unpriced. A potion's other flag bits must
  // stay, and its manual value must not move while the bit is clear.
  std::optional<i32> Price(const void* item) {
    if (auto* potion = static_cast<AlchemyItem*>(scene.View(item, HostClass::kAlchemyItem))) {
      EXPECT_EQ(potion->alchemyFlags & ~kManualValueBit, kOtherBits);
      if ((potion->alchemyFlags & kManualValueBit) != 0) return potion->manualValue;
      EXPECT_EQ(potion->manualValue, kUnpriced);
      return std::nullopt;
    }
    auto* value = static_cast<ValueComponent*>(scene.View(item, HostClass::kValueComponent));
    if (value == nullptr || value->value == kUnpriced) return std::nullopt;
    return value->value;
  }
  std::vector<std::optional<i32>> Prices(const std::vector<const void*>& items) {
    std::vector<std::optional<i32>> prices;
    for (const void* item : items) prices.push_back(Price(item));
    return prices;
  }
  std::optional<float> Weight(const void* item) {
    auto* weight = static_cast<WeightComponent*>(scene.View(item, HostClass::kWeightComponent));
    return weight != nullptr ? std::optional<float>(weight->weight) : std::nullopt;
  }
  std::vector<std::optional<float>> Weights(const std::vector<const void*>& items) {
    std::vector<std::optional<float>> weights;
    for (const void* item : items) weights.push_back(Weight(item));
    return weights;
  }

  bool FlagResult(const std::string& name, const std::vector<ScriptValue>& arguments) {
    const ScriptValue result = Call(name, arguments);
    EXPECT_EQ(result.type, TypeCode::kBool) << name;
    return (result.data & 0xFF) != 0;
  }
  u32 IntegerResult(const std::string& name, const std::vector<ScriptValue>& arguments) {
    const ScriptValue result = Call(name, arguments);
    EXPECT_EQ(result.type, TypeCode::kInt) << name;
    return static_cast<u32>(result.data);
  }
};

inline void ExpectSlots(const std::vector<ScriptValue>& seen,
                        const std::vector<ScriptValue>& expected) {
  ASSERT_EQ(seen.size(), expected.size());
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].type, expected[i].type) << "element " << i;
    EXPECT_EQ(seen[i].data, expected[i].data) << "element " << i;
  }
}

}  // namespace vialmark::testing
