// The host's records at the game's own byte offsets. The record declarations and the
// substitute share one header, so a field declared at the wrong offset would still agree with
// itself; here every field is reached as raw bytes at the 32-bit game's offset instead, both
// to see what the plugin wrote and to hand it values it must read from there.
#include <cstring>

#include "Natives.h"
#include "economy/GoldValue.h"

namespace vialmark::testing {
namespace {

template <class T>
T Read(const void* record, std::size_t offset) {
  T value;
  std::memcpy(&value, static_cast<const unsigned char*>(record) + offset, sizeof value);
  return value;
}
template <class T>
void Write(void* record, std::size_t offset, T value) {
  std::memcpy(static_cast<unsigned char*>(record) + offset, &value, sizeof value);
}
uptr Address(const void* pointer) { return reinterpret_cast<uptr>(pointer); }
const char* Text(uptr address) { return reinterpret_cast<const char*>(address); }
void* At(uptr address) { return reinterpret_cast<void*>(address); }

class LayoutTest : public NativesTest {
 protected:
  void Assign(EffectSetting* effect, const char* archetype, const ScriptValue& related) {
    Call("SetMGEFArchetype",
         {scene.ObjectValue(effect), Scene::String(archetype), Scene::String("Health"), related,
          Scene::String("Magicka"), Scene::Float(0.75f)});
  }
  u32 GoldValue(const void* form) {
    return static_cast<u32>(Call("GetGoldValue", {scene.ObjectValue(form)}).data);
  }
};

TEST_F(LayoutTest, FieldsSitAtTheGamesOffsets) {
  if (!kIs32Bit) GTEST_SKIP() << "the offsets are those of the 32-bit game";

  // Potion: effect list at 52 with its count at 60, each entry's cost at 16; manual value at
  // 164 and flags at 168.
  AlchemyItem* potion = scene.Potion({.effectCosts = {10.9f, 20.5f}, .flags = 0x30});
  const ScriptValue potionValue = scene.ObjectValue(potion);
  Call("SetSinglePotionPrice", {potionValue, Scene::Int(100), Scene::Float(1), Scene::Float(100),
                                Scene::Float(1), Scene::Float(0)});
  EXPECT_EQ(Read<i32>(potion, 164), 50);
  EXPECT_EQ(Read<u32>(potion, 168), 0x31u);
  Write<i32>(potion, 164, 777);
  EXPECT_EQ(GoldValue(potion), 777u);
  Write<u32>(potion, 168, 0x30);
  EXPECT_EQ(Read<u32>(potion, 60), 2u);
  const uptr entries = Read<uptr>(potion, 52);
  Write<float>(At(Read<uptr>(At(entries), 0)), 16, 40.9f);
  EXPECT_EQ(GoldValue(potion), 60u) << "40.9 and 20.5, each truncated";

  // Value and weight components: the field at 4 of the address the host's cast gives.
  IngredientItem* ingredient = scene.Ingredient(12, 0.5f);
  void* value = scene.View(ingredient, HostClass::kValueComponent);
  void* weight = scene.View(ingredient, HostClass::kWeightComponent);
  EXPECT_EQ(Read<i32>(value, 4), 12);
  Call("SetIngredientArrayPrices",
       {scene.FormArray(FormType::kIngredient, {ingredient}), scene.IntArray({300}),
        Scene::Bool(true), Scene::Float(1), Scene::Float(1), Scene::Float(1), Scene::Float(0),
        Scene::Int(-1)});
  EXPECT_EQ(Read<i32>(value, 4), 300);
  Write<i32>(value, 4, 41);
  EXPECT_EQ(GoldValue(ingredient), 41u);
  Call("SetIngredientArrayWeights", {scene.FormArray(FormType::kIngredient, {ingredient}),
                                     scene.FloatArray({2.5f}), Scene::Float(2), Scene::Int(-1)});
  EXPECT_EQ(Read<float>(weight, 4), 5.0f);

  // Script arrays: length at 8, elements of 8 bytes from 20, each a type word at 0 and a data
  // word at 4.
  const ScriptValue potions = scene.FormArray(FormType::kPotion, {potion, potion});
  const ScriptValue weights = scene.FloatArray({1.0f, 1.0f});
  void* weightArray = Scene::ArrayOf(weights);
  EXPECT_EQ(Read<u32>(weightArray, 8), 2u);
  EXPECT_EQ(Read<uptr>(weightArray, 20 + 8), TypeCode::kFloat);
  Write<float>(weightArray, 20 + 8 + 4, 3.5f);
  Write<u32>(weightArray, 8, 1);  // now shorter than the potions: nothing may change
  Call("SetPotionArrayWeights", {potions, weights, Scene::Float(1), Scene::Int(-1)});
  void* potionWeight = scene.View(potion, HostClass::kWeightComponent);
  EXPECT_EQ(Read<float>(potionWeight, 4), 0.5f);
  Write<u32>(weightArray, 8, 2);
  Call("SetPotionArrayWeights", {potions, weights, Scene::Float(1), Scene::Int(-1)});
  EXPECT_EQ(Read<float>(potionWeight, 4), 3.5f) << "the potion's second occurrence wins";

  const ScriptValue values = scene.IntArray({-1, -1, -1});
  ScriptValue index{};
  Write<u32>(&index, 0, 3);  // an int argument built from its bytes
  Write<u32>(&index, 4, 2);
  const ScriptValue answer = Call("FillSinglePotionGoldValue", {potionValue, values, index});
  EXPECT_EQ(Read<uptr>(&answer, 0), TypeCode::kBool);
  EXPECT_EQ(Read<u8>(&answer, 4), 1u);
  EXPECT_EQ(Read<uptr>(Scene::ArrayOf(values), 20 + 16), TypeCode::kInt);
  EXPECT_EQ(Read<i32>(Scene::ArrayOf(values), 20 + 16 + 4), 60);

  // Magic effect: related form at 64, secondary weight at 116, archetype at 120, primary
  // actor value at 124, secondary at 144.
  EffectSetting* effect = scene.Effect();
  const ScriptValue effectValue = scene.ObjectValue(effect);
  Assign(effect, "DualValueMod", Scene::None());
  EXPECT_EQ(Read<uptr>(effect, 64), 0u);
  EXPECT_EQ(Read<float>(effect, 116), 0.75f);
  EXPECT_EQ(Read<u32>(effect, 120), 5u);
  EXPECT_EQ(Read<i32>(effect, 124), 24);
  EXPECT_EQ(Read<i32>(effect, 144), 25);
  Write<u32>(effect, 120, 14);
  EXPECT_EQ(Call("GetMGEFArchetypeNum", {effectValue}).data, 14u);
  Write<i32>(effect, 124, 53);
  EXPECT_STREQ(Text(Call("GetMGEFPrimaryAV", {effectValue}).data), "Paralysis");

  // Summon flags at 36 and cloak mode words at 124 and 128 of the related-form views.
  TESForm* summon = scene.Related(HostClass::kSummonCreatureForm);
  Assign(effect, "SummonCreature", scene.ObjectValue(summon));
  EXPECT_EQ(Read<u32>(effect, 120), 14u) << "flags without 0x4000 are refused";
  Write<u32>(scene.View(summon, HostClass::kSummonCreatureForm), 36, 0x4000);
  scene.world().Forms().Accept(summon);
  Assign(effect, "SummonCreature", scene.ObjectValue(summon));
  EXPECT_EQ(Read<u32>(effect, 120), 18u);
  EXPECT_EQ(Read<uptr>(effect, 64), Address(summon));

  TESForm* cloak = scene.Related(HostClass::kCloakForm);
  void* cloakView = scene.View(cloak, HostClass::kCloakForm);
  Write<u32>(cloakView, 124, 2);
  scene.world().Forms().Accept(cloak);
  Assign(effect, "Cloak", scene.ObjectValue(cloak));
  EXPECT_EQ(Read<u32>(effect, 120), 18u) << "the second mode word is still 0";
  Write<u32>(cloakView, 128, 2);
  scene.world().Forms().Accept(cloak);
  Assign(effect, "Cloak", scene.ObjectValue(cloak));
  EXPECT_EQ(Read<u32>(effect, 120), 35u);
  EXPECT_EQ(Read<uptr>(effect, 64), Address(cloak));

  // The related form comes back as an object: handle at 16, lock word at 24; its class
  // keeps its count at 0 and its name at 4.
  TESForm* light = scene.Related(HostClass::kLightForm);
  Write<uptr>(effect, 64, Address(light));
  const ScriptValue related = Call("GetMGEFRelatedForm", {effectValue});
  ClassInfo* formClass = scene.Class(FormType::kAny);
  ASSERT_EQ(Read<uptr>(&related, 0), Address(formClass));
  const uptr object = Read<uptr>(&related, 4);
  ASSERT_NE(object, 0u);
  EXPECT_EQ(Read<u64>(At(object), 16), scene.HandleOf(light));
  EXPECT_EQ(Read<i32>(At(object), 24), 1) << "held by the result alone, unlocked";
  EXPECT_EQ(Read<i32>(formClass, 0), 2) << "the registry's reference and the object's";
  EXPECT_STREQ(Text(Read<uptr>(formClass, 4)), "Form");

  // Actor value names at 48 of each info, the infos from 4 of the list.
  void* list = scene.world().ActorValues().List();
  void* health = At(Read<uptr>(list, 4 + 4 * 24));
  EXPECT_STREQ(Text(Read<uptr>(health, 48)), "Health");
  static const char kRenamed[] = "Vigour";
  Write<uptr>(health, 48, Address(kRenamed));
  Write<i32>(effect, 124, 24);
  EXPECT_STREQ(Text(Call("GetMGEFPrimaryAV", {effectValue}).data), "Vigour");

  // The function object: result type at 20, callback at 44.
  const void* gold = Function("GetGoldValue");
  EXPECT_EQ(Read<uptr>(gold, 20), TypeCode::kInt);
  EXPECT_EQ(Read<uptr>(gold, 44), reinterpret_cast<uptr>(&GetGoldValue));
  EXPECT_EQ(Read<uptr>(Function("GetMGEFRelatedForm"), 20), Address(formClass));
}

}  // namespace
}  // namespace vialmark::testing
