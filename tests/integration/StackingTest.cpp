// Stacking preferences: effects switch between ValueMod and PeakValueMod by a flag each, and
// nothing but the archetype and, on the way to ValueMod, the related form changes.
#include <limits>
#include <string>
#include <vector>

#include "Effects.h"

namespace vialmark::testing {
namespace {

class StackingTest : public NativesTest {
 protected:
  EffectSetting* Stacking(u32 archetype) {
    return scene.Effect({.archetype = archetype,
                         .primaryActorValue = kHealth,
                         .secondaryActorValue = kMagicka,
                         .secondaryWeight = 0.5f,
                         .relatedForm = related_});
  }
  EffectFields Expected(u32 archetype, bool relatedCleared) const {
    return {relatedCleared ? nullptr : related_, 0.5f, archetype, kHealth, kMagicka};
  }
  void SetPrefs(const ScriptValue& effects, const ScriptValue& flags) {
    EXPECT_EQ(Call("SetStackingPrefs", {effects, flags}).type, TypeCode::kNone);
  }

  TESForm* related_ = scene.Related(HostClass::kPeakValueModForm);
};

TEST_F(StackingTest, FlagsSwitchBetweenValueModAndPeakValueMod) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    u32 archetype;
    ScriptValue flag;
    u32 becomes;
  } cases[] = {
      {34, Scene::Bool(true), 0},   {0, Scene::Bool(false), 34},   {0, Scene::Bool(true), 0},
      {34, Scene::Bool(false), 34}, {12, Scene::Bool(true), 12},   {12, Scene::Bool(false), 12},
      {5, Scene::Bool(false), 5},   {34, Scene::Int(2), 0},        {34, Scene::Float(nan), 0},
      {0, Scene::Float(-0.0f), 34}, {0, Scene::String("yes"), 34}, {0, Scene::None(), 34},
      {34, Scene::Int(0), 34},
  };
  std::vector<const void*> effects;
  std::vector<ScriptValue> flags;
  for (const auto& c : cases) {
    effects.push_back(Stacking(c.archetype));
    flags.push_back(c.flag);
  }
  SetPrefs(scene.FormArray(FormType::kMagicEffect, effects),
           scene.Array(TypeCode::kBoolArray, flags));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    // Only a switch to ValueMod drops the related form; nothing else is touched.
    const bool toValueMod = cases[i].archetype == 34 && cases[i].becomes == 0;
    EXPECT_EQ(FieldsOf(static_cast<const EffectSetting*>(effects[i])),
              Expected(cases[i].becomes, toValueMod));
  }
}

TEST_F(StackingTest, UnresolvedElementsAreSkippedWithFlagsKeptInStep) {
  EffectSetting* first = Stacking(0);
  EffectSetting* dead = Stacking(34);
  EffectSetting* last = Stacking(34);
  scene.Kill(dead);
  AlchemyItem* potion = scene.Potion({.manualValue = 5});
  // The flag at each index belongs to the element at that index, resolved or not.
  SetPrefs(scene.FormArray(FormType::kMagicEffect, {first, nullptr, potion, dead, last}),
           scene.BoolArray({false, false, false, true, true}));
  EXPECT_EQ(FieldsOf(first), Expected(34, false));
  EXPECT_EQ(FieldsOf(dead), Expected(34, false));
  EXPECT_EQ(FieldsOf(last), Expected(0, true));
  EXPECT_EQ(potion->manualValue, 5);
}

TEST_F(StackingTest, EffectsWithoutAFlagStayAsTheyAre) {
  const struct {
    const char* what;
    ScriptValue flags;
    std::vector<u32> becomes;
  } cases[] = {
      {"no flags", Scene::None(), {34, 34, 0}},
      {"no flag elements", scene.BoolArray({}), {34, 34, 0}},
      {"one flag", scene.BoolArray({true}), {0, 34, 0}},
      {"flags of ints do not bind", scene.IntArray({1, 1, 0}), {34, 34, 0}},
  };
  const u32 initial[] = {34, 34, 0};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<const void*> effects;
    for (u32 archetype : initial) effects.push_back(Stacking(archetype));
    SetPrefs(scene.FormArray(FormType::kMagicEffect, effects), c.flags);
    for (std::size_t i = 0; i < effects.size(); ++i) {
      const bool cleared = initial[i] == 34 && c.becomes[i] == 0;
      EXPECT_EQ(FieldsOf(static_cast<const EffectSetting*>(effects[i])),
                Expected(c.becomes[i], cleared))
          << i;
    }
  }
  // Effects that do not bind: none, an empty array, or an array of another class.
  EffectSetting* effect = Stacking(34);
  SetPrefs(Scene::None(), scene.BoolArray({true}));
  SetPrefs(scene.FormArray(FormType::kMagicEffect, {}), scene.BoolArray({true}));
  SetPrefs(scene.FormArray(FormType::kAny, {effect}), scene.BoolArray({true}));
  EXPECT_EQ(FieldsOf(effect), Expected(34, false));
}

}  // namespace
}  // namespace vialmark::testing
