// Arguments as the VM hands them over: every argument reaches its callback converted, objects
// resolve only to live forms of the asked type, arrays bind only to their exact type, and the
// object lock is waited for without limit.
#include "Natives.h"
#include "binding/Atomic.h"
#include "binding/Marshalling.h"

namespace vialmark::testing {
namespace {

class MarshallingTest : public NativesTest {};

TEST_F(MarshallingTest, ScalarArgumentsArriveConverted) {
  AlchemyItem* potion = scene.Potion({.manualValue = 250, .flags = kManualValueBit});
  ScriptValue values = scene.IntArray({0, 0, 0, 0, 0});
  // 2.7 for an integer parameter is index 2.
  EXPECT_EQ(
      Call("FillSinglePotionGoldValue", {scene.ObjectValue(potion), values, Scene::Float(2.7f)})
              .data &
          0xFF,
      1u);
  EXPECT_EQ(Scene::ElementsOf(values)[2].data, 250u);
  EXPECT_EQ(Scene::ElementsOf(values)[1].data, 0u);
  // 5 for a flag parameter is true: automatic calculation on clears ManualValue.
  Call("SetAlchAutoCalcFlag", {scene.ObjectValue(potion), Scene::Int(5)});
  EXPECT_EQ(potion->alchemyFlags & kManualValueBit, 0u);
}

TEST_F(MarshallingTest, ResultsAreWrittenOverWhateverTheSlotHeld) {
  // A none potion still reaches the callback, which changes nothing; the result becomes none.
  const ScriptValue none = Call("SetSinglePotionPrice",
                                {Scene::None(), Scene::Int(100), Scene::Float(1), Scene::Float(100),
                                 Scene::Float(1), Scene::Float(0)},
                                Scene::Int(7));
  EXPECT_EQ(none.type, TypeCode::kNone);
  EXPECT_EQ(none.data, 0u);
  // An integer result with all bits set.
  const ScriptValue all = Call("GetMGEFArchetypeNum", {Scene::None()}, Scene::String("held"));
  EXPECT_EQ(all.type, TypeCode::kInt);
  EXPECT_EQ(all.data, 0xFFFFFFFFu);
  // A string result over an array that the slot held: the array's reference is released.
  const ScriptValue name = Call("GetMGEFPrimaryAV", {Scene::None()}, scene.IntArray({1, 2}));
  EXPECT_EQ(name.type, TypeCode::kString);
  EXPECT_STREQ(reinterpret_cast<const char*>(name.data), "");
}

TEST_F(MarshallingTest, ObjectsResolveOnlyToLiveFormsOfTheAskedType) {
  AlchemyItem* potion = scene.Potion({.manualValue = 40, .flags = kManualValueBit});
  IngredientItem* ingredient = scene.Ingredient(12, 0.2f);
  ScriptValue values = scene.IntArray({-1});
  // A potion is no ingredient, but it is a form.
  EXPECT_EQ(
      Call("FillSingleIngredientGoldValue", {scene.ObjectValue(potion), values, Scene::Int(0)})
              .data &
          0xFF,
      0u);
  EXPECT_EQ(Call("GetGoldValue", {scene.ObjectValue(potion)}).data, 40u);
  EXPECT_EQ(Call("GetGoldValue", {scene.ObjectValue(ingredient)}).data, 12u);
  // An object of the ingredient class standing for a potion resolves by the handle, not the class.
  EXPECT_EQ(Call("GetGoldValue", {scene.ObjectValue(potion, FormType::kIngredient)}).data, 40u);
  EXPECT_EQ(Call("GetGoldValue", {scene.NullObject(FormType::kAny)}).data, 0u);
  scene.Kill(potion);
  EXPECT_EQ(Call("GetGoldValue", {scene.ObjectValue(potion)}).data, 0u);
  EXPECT_EQ(Scene::ElementsOf(values)[0].data, 0xFFFFFFFFu) << "nothing may be written";
}

TEST_F(MarshallingTest, ArraysBindOnlyToTheirExactType) {
  AlchemyItem* potion = scene.Potion({.manualValue = 9, .flags = kManualValueBit, .weight = 1.0f});
  ScriptValue values = scene.IntArray({0});
  const ScriptValue potions = scene.FormArray(FormType::kPotion, {potion});
  // An array of the potion class does not bind as ingredients, nor as forms.
  EXPECT_EQ(Call("FillIngredientGoldValueArray", {potions, values}).data & 0xFF, 0u);
  EXPECT_EQ(Call("FillGoldValueArray", {potions, values}).data & 0xFF, 0u);
  EXPECT_EQ(Call("FillPotionGoldValueArray", {potions, values}).data & 0xFF, 1u);
  EXPECT_EQ(Scene::ElementsOf(values)[0].data, 9u);
  // An integer array does not bind as weights: the weights count as missing.
  Call("SetPotionArrayWeights", {potions, scene.IntArray({5}), Scene::Float(1), Scene::Int(-1)});
  EXPECT_EQ(static_cast<WeightComponent*>(scene.View(potion, HostClass::kWeightComponent))->weight,
            1.0f);
}

TEST_F(MarshallingTest, FormArraysBindWithTheRegistrysClassOnEveryCall) {
  const ScriptValue empty = scene.FormArray(FormType::kPotion, {});
  EXPECT_EQ(BindFormArray(&empty, FormType::kPotion), Scene::ArrayOf(empty)) << "empty binds";
  EXPECT_EQ(ElementCount(VMArray<AlchemyItem*>{BindFormArray(&empty, FormType::kPotion)}), 0u);
  const ScriptValue nullData = Scene::NullArray(scene.ArrayWord(FormType::kPotion));
  EXPECT_EQ(BindFormArray(&nullData, FormType::kPotion), nullptr);
  // Once the registry lets go of the class, nothing binds, even an array of that class.
  scene.world().Objects().RemoveClass(FormType::kPotion);
  EXPECT_EQ(BindFormArray(&empty, FormType::kPotion), nullptr);
}

// A lock bit that nobody releases until the waiter has waited long enough: the first 10001
// waits yield, every later one sleeps a millisecond.
TEST_F(MarshallingTest, ALockedObjectIsWaitedForWithoutLimit) {
  AlchemyItem* potion = scene.Potion();
  ScriptObject* object = scene.Object(potion);
  static ScriptObject* held;
  static u32 yields;
  static u32 sleeps;
  held = object;
  yields = 0;
  sleeps = 0;
  WaitFunctions saved = LockWaits();
  LockWaits().yield = [] { ++yields; };
  LockWaits().sleepOneMs = [] {
    if (++sleeps == 3) AtomicStore(&held->lockWord, held->lockWord & ~kLockBit);
  };
  object->lockWord |= kLockBit;
  const u64 handle = ReadObjectHandle(object);
  LockWaits() = saved;
  EXPECT_EQ(handle, scene.HandleOf(potion));
  EXPECT_EQ(yields, kYieldingWaits);
  EXPECT_EQ(sleeps, 3u);
  EXPECT_EQ(object->lockWord, 1) << "the count is kept and the lock bit released";
}

}  // namespace
}  // namespace vialmark::testing
