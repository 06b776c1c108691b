// Game records: casts between the host's classes, the bytes the plugin may not touch, and
// actor values.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "host/HostApi.h"
#include "substitute/Builders.h"

namespace vialmark::substitute {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

constexpr u32 kForm = static_cast<u32>(HostClass::kTESForm);

void* Cast(const void* object, HostClass source, HostClass target) {
  return host_HostCast(const_cast<void*>(object), static_cast<u32>(source),
                       static_cast<u32>(target));
}

class Forms : public ::testing::Test {
 protected:
  Scene scene;
};

TEST_F(Forms, CastsFindExactlyTheViewsAFormHas) {
  AlchemyItem* potion = scene.Potion({.effectCosts = {1.0f}, .weight = 0.5f});
  IngredientItem* ingredient = scene.Ingredient(12, 0.25f);
  EffectSetting* effect = scene.Effect();
  TESForm* bare = scene.Form();
  TESForm* valued = scene.Form({.value = 40, .weight = 2.5f});
  using C = HostClass;
  struct Case {
    const char* what;
    const void* form;
    C target;
    bool present;
    bool atFormAddress;
  };
  const Case cases[] = {
      {"potion as itself", potion, C::kAlchemyItem, true, true},
      {"potion effect list", potion, C::kEffectHolder, true, true},
      {"potion weight", potion, C::kWeightComponent, true, false},
      {"potion has no value component", potion, C::kValueComponent, false, false},
      {"potion is no ingredient", potion, C::kIngredientItem, false, false},
      {"ingredient as itself", ingredient, C::kIngredientItem, true, true},
      {"ingredient value", ingredient, C::kValueComponent, true, false},
      {"ingredient weight", ingredient, C::kWeightComponent, true, false},
      {"ingredient is no potion", ingredient, C::kAlchemyItem, false, false},
      {"effect has no components", effect, C::kValueComponent, false, false},
      {"effect is no light", effect, C::kLightForm, false, false},
      {"bare form has no weight", bare, C::kWeightComponent, false, false},
      {"valued form value", valued, C::kValueComponent, true, false},
      {"valued form weight", valued, C::kWeightComponent, true, false},
      {"valued form is no cloak", valued, C::kCloakForm, false, false},
  };
  for (const Case& c : cases) {
    void* view = Cast(c.form, C::kTESForm, c.target);
    EXPECT_EQ(view != nullptr, c.present) << c.what;
    if (view != nullptr) {
      EXPECT_EQ(view == c.form, c.atFormAddress) << c.what;
    }
  }

  auto* weight = static_cast<WeightComponent*>(Cast(potion, C::kAlchemyItem, C::kWeightComponent));
  ASSERT_NE(weight, nullptr);
  EXPECT_EQ(weight->weight, 0.5f);
  auto* value =
      static_cast<ValueComponent*>(Cast(ingredient, C::kIngredientItem, C::kValueComponent));
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->value, 12);
  auto* valuedValue = static_cast<ValueComponent*>(scene.View(valued, C::kValueComponent));
  EXPECT_EQ(valuedValue->value, 40);
  EXPECT_EQ(static_cast<WeightComponent*>(scene.View(valued, C::kWeightComponent))->weight, 2.5f);
  EXPECT_EQ(Cast(nullptr, C::kTESForm, C::kAlchemyItem), nullptr);
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST_F(Forms, RelatedFormPartsCarryTheirFields) {
  using C = HostClass;
  for (u32 code = static_cast<u32>(C::kPeakValueModForm);
       code <= static_cast<u32>(C::kEnhanceWeaponForm); ++code) {
    TESForm* form = scene.Related(static_cast<C>(code));
    void* part = host_HostCast(form, kForm, code);
    ASSERT_NE(part, nullptr) << HostClassName(code);
    EXPECT_NE(part, static_cast<void*>(form)) << HostClassName(code);
    u32 other = code == static_cast<u32>(C::kLightForm) ? static_cast<u32>(C::kGuideForm)
                                                        : static_cast<u32>(C::kLightForm);
    EXPECT_EQ(host_HostCast(form, kForm, other), nullptr) << HostClassName(code);
  }
  TESForm* summon = scene.Related(C::kSummonCreatureForm, {.summonFlags = 0x4001});
  TESForm* cloak = scene.Related(C::kCloakForm, {.modeWord1 = 2, .modeWord2 = 3});
  EXPECT_EQ(
      static_cast<SummonCreatureForm*>(scene.View(summon, C::kSummonCreatureForm))->summonFlags,
      0x4001u);
  auto* cloakPart = static_cast<CloakForm*>(scene.View(cloak, C::kCloakForm));
  EXPECT_EQ(cloakPart->modeWord1, 2u);
  EXPECT_EQ(cloakPart->modeWord2, 3u);
  EXPECT_EQ(scene.world().Forms().Identify(summon)->formType, Kind::kActorBase);
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST_F(Forms, CastOfAnAddressThatIsNoSuchViewIsReported) {
  AlchemyItem* potion = scene.Potion();
  void* weight = scene.View(potion, HostClass::kWeightComponent);
  // The weight component is no form: casting it as one is the plugin's fault.
  EXPECT_EQ(Cast(weight, HostClass::kTESForm, HostClass::kWeightComponent), nullptr);
  EXPECT_EQ(host_HostCast(potion, kForm, 99), nullptr);
  auto problems = scene.Finish();
  ASSERT_THAT(problems, SizeIs(2));
  EXPECT_THAT(problems[0], HasSubstr("is no TESForm"));
  EXPECT_THAT(problems[1], HasSubstr("unknown class code"));
}

TEST_F(Forms, PotionGoldValueAndEffectList) {
  AlchemyItem* automatic = scene.Potion({.effectCosts = {10.9f, std::nullopt, 5.5f}});
  ASSERT_EQ(automatic->holder.effectCount, 3u);
  EXPECT_EQ(automatic->holder.effectEntries[1], nullptr);
  EXPECT_EQ(automatic->holder.effectEntries[2]->cost, 5.5f);
  EXPECT_EQ(Scene::GoldValue(automatic), 15);
  AlchemyItem* manual = scene.Potion({.effectCosts = {10.0f}, .manualValue = 99, .flags = 0x81});
  EXPECT_EQ(Scene::GoldValue(manual), 99);
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST_F(Forms, BytesOutsideThePluginsFieldsMustStayUnchanged) {
  AlchemyItem* potion = scene.Potion();
  EffectSetting* effect = scene.Effect();
  // Fields the plugin writes.
  potion->manualValue = 12;
  potion->alchemyFlags |= kManualValueBit;
  effect->archetype = 34;
  effect->primaryActorValue = 3;
  EXPECT_THAT(scene.world().Balance(), IsEmpty());
  // A field it only reads.
  potion->holder.effectCount = 7;
  auto problems = scene.Finish();
  ASSERT_THAT(problems, SizeIs(1));
  EXPECT_THAT(problems[0], HasSubstr("outside every field the plugin may write"));
}

TEST(ActorValueNames, AreTheGamesDistinctNames) {
  std::set<std::string> folded;
  for (u32 id = 0; id < kActorValueCount; ++id) {
    ASSERT_NE(ActorValueName(id), nullptr) << id;
    std::string name = ActorValueName(id);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    folded.insert(name);
  }
  EXPECT_EQ(folded.size(), kActorValueCount);
  EXPECT_EQ(ActorValueName(kActorValueCount), nullptr);
}

TEST_F(Forms, ActorValuesByNameAndThroughTheList) {
  struct Case {
    const char* name;
    u32 id;
  };
  for (Case c : {Case{"Aggression", 0}, Case{"Alchemy", 16}, Case{"alchemy", 16},
                 Case{"Health", 24}, Case{"Stamina", 26}, Case{"ReflectDamage", 163},
                 Case{"NoSuchValue", kNoActorValue}, Case{nullptr, kNoActorValue}}) {
    EXPECT_EQ(host_ActorValueFromName(c.name), c.id) << (c.name ? c.name : "(null)");
  }
  ActorValueList* list = host_ActorValueList();
  ASSERT_NE(list, nullptr);
  EXPECT_STREQ(list->infos[26]->name, "Stamina");
  EXPECT_STREQ(list->infos[163]->name, "ReflectDamage");

  ActorValueTable& table = scene.world().ActorValues();
  table.Alias("Overflow", 164);
  table.Alias("Far", 200);
  table.SetEntryMissing(26);
  EXPECT_EQ(host_ActorValueFromName("overflow"), 164u);
  EXPECT_EQ(host_ActorValueFromName("Far"), 200u);
  EXPECT_EQ(list->infos[26], nullptr);
  table.SetListMissing(true);
  EXPECT_EQ(host_ActorValueList(), nullptr);
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

}  // namespace
}  // namespace vialmark::substitute
