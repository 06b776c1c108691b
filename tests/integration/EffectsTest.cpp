// Magic effects through the natives: archetype names and codes, what each archetype does with
// the actor values and the related form, and the queries that read them back. An effect
// starts with a value in every field the plugin may write, so a field written or left wrongly
// shows.
#include <cstring>
#include <limits>
#include <optional>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "Effects.h"
#include "binding/Marshalling.h"
#include "substitute/Strings.h"

namespace vialmark::testing {
namespace {

using substitute::ActorValueName;
using substitute::FormSpec;

enum class Group { kNamed, kFixed, kCleared };

struct Archetype {
  const char* name;
  u32 code;
  Group group;
  i32 fixedPrimary;               // for kFixed
  std::optional<HostClass> form;  // the related-form class the archetype works with
  bool formRequired;              // false: any related form is accepted
};

// Every archetype name in table order, with its code and its treatment of the inputs.
constexpr Archetype kArchetypes[] = {
    {"ValueMod", 0, Group::kNamed, 0, std::nullopt, false},
    {"PeakValueMod", 34, Group::kNamed, 0, HostClass::kPeakValueModForm, false},
    {"DualValueMod", 5, Group::kNamed, 0, std::nullopt, false},
    {"Script", 1, Group::kCleared, 0, std::nullopt, false},
    {"SummonCreature", 18, Group::kCleared, 0, HostClass::kSummonCreatureForm, true},
    {"Absorb", 4, Group::kNamed, 0, std::nullopt, false},
    {"Stagger", 33, Group::kCleared, 0, std::nullopt, false},
    {"Paralysis", 21, Group::kFixed, 53, std::nullopt, false},
    {"Demoralize", 7, Group::kFixed, 1, std::nullopt, false},
    {"Cloak", 35, Group::kCleared, 0, HostClass::kCloakForm, true},
    {"Calm", 6, Group::kFixed, 0, std::nullopt, false},
    {"DetectLife", 19, Group::kCleared, 0, std::nullopt, false},
    {"Frenzy", 8, Group::kFixed, 0, std::nullopt, false},
    {"Invisibility", 11, Group::kFixed, 54, std::nullopt, false},
    {"Disarm", 9, Group::kCleared, 0, std::nullopt, false},
    {"BoundWeapon", 17, Group::kCleared, 0, HostClass::kBoundWeaponForm, true},
    {"Reanimate", 22, Group::kCleared, 0, std::nullopt, false},
    {"TurnUndead", 24, Group::kFixed, 1, std::nullopt, false},
    {"SpawnHazard", 40, Group::kCleared, 0, HostClass::kGuideForm, true},
    {"Rally", 38, Group::kFixed, 1, std::nullopt, false},
    {"SlowTime", 37, Group::kCleared, 0, std::nullopt, false},
    {"Light", 12, Group::kCleared, 0, HostClass::kLightForm, true},
    {"EnhanceWeapon", 39, Group::kCleared, 0, HostClass::kEnhanceWeaponForm, true},
    {"Etherealize", 41, Group::kCleared, 0, std::nullopt, false},
    {"SoulTrap", 23, Group::kCleared, 0, std::nullopt, false},
    {"Banish", 42, Group::kFixed, 1, std::nullopt, false},
    {"AccumulateMagnitude", 32, Group::kNamed, 0, std::nullopt, false},
    {"Werewolf", 36, Group::kCleared, 0, HostClass::kWerewolfForm, true},
    {"VampireLord", 46, Group::kCleared, 0, HostClass::kWerewolfForm, true},
    {"WerewolfFeed", 26, Group::kCleared, 0, std::nullopt, false},
    {"CureDisease", 3, Group::kCleared, 0, std::nullopt, false},
    {"CurePoison", 29, Group::kCleared, 0, std::nullopt, false},
    {"Telekinesis", 20, Group::kCleared, 0, std::nullopt, false},
    {"Guide", 25, Group::kCleared, 0, HostClass::kGuideForm, true},
    {"GrabActor", 45, Group::kCleared, 0, std::nullopt, false},
    {"CommandSummoned", 10, Group::kCleared, 0, std::nullopt, false},
    {"SpawnScriptedRef", 43, Group::kCleared, 0, std::nullopt, false},
    {"Dispel", 2, Group::kCleared, 0, std::nullopt, false},
    {"Disguise", 44, Group::kCleared, 0, std::nullopt, false},
    {"CureParalysis", 27, Group::kCleared, 0, std::nullopt, false},
    {"Lock", 15, Group::kCleared, 0, std::nullopt, false},
    {"Open", 16, Group::kCleared, 0, std::nullopt, false},
    {"CureAddiction", 28, Group::kCleared, 0, std::nullopt, false},
    {"Concussion", 30, Group::kCleared, 0, std::nullopt, false},
    {"ValueAndParts", 31, Group::kNamed, 0, std::nullopt, false},
};

const Archetype& Named(const char* name) {
  for (const Archetype& a : kArchetypes) {
    if (std::strcmp(a.name, name) == 0) return a;
  }
  throw std::logic_error(name);
}

// The primary actor value an archetype ends with when the named one is `named`.
i32 PrimaryOf(const Archetype& a, i32 named) {
  switch (a.group) {
    case Group::kNamed:
      return named;
    case Group::kFixed:
      return a.fixedPrimary;
    default:
      return -1;
  }
}

class EffectsTest : public NativesTest {
 protected:
  // An effect with a value in every field that archetype assignment writes.
  EffectSetting* StartingEffect() {
    return scene.Effect({.archetype = 37,
                         .primaryActorValue = 7,
                         .secondaryActorValue = 9,
                         .secondaryWeight = 3.5f,
                         .relatedForm = scene.Form()});
  }
  // A form of the related-form class that passes every field test of its archetype.
  TESForm* Accepted(HostClass cls) {
    return scene.Related(cls, {.summonFlags = kSummonableBit, .modeWord1 = 2, .modeWord2 = 2});
  }

  void Assign(EffectSetting* effect, const ScriptValue& archetype, const ScriptValue& primary,
              const ScriptValue& related, const ScriptValue& secondary = Scene::String("Magicka"),
              const ScriptValue& weight = Scene::Float(0.75f)) {
    Assign(scene.ObjectValue(effect), archetype, primary, related, secondary, weight);
  }
  void Assign(const ScriptValue& effect, const ScriptValue& archetype, const ScriptValue& primary,
              const ScriptValue& related, const ScriptValue& secondary, const ScriptValue& weight) {
    const ScriptValue result =
        Call("SetMGEFArchetype", {effect, archetype, primary, related, secondary, weight});
    EXPECT_EQ(result.type, TypeCode::kNone);
  }

  ScriptValue ArchetypeNum(const ScriptValue& effect) {
    return Call("GetMGEFArchetypeNum", {effect});
  }
  // The text of the primary actor value's name; its identity must be the interned one.
  std::string PrimaryAV(const ScriptValue& effect) {
    const ScriptValue result = Call("GetMGEFPrimaryAV", {effect});
    EXPECT_EQ(result.type, TypeCode::kString);
    const char* text = reinterpret_cast<const char*>(result.data);
    if (text == nullptr) {
      ADD_FAILURE() << "no text";
      return "(null)";
    }
    EXPECT_EQ(text, substitute::Intern(text)) << "not the string cache's identity";
    return text;
  }
  // The related form comes back as an object of the form class that resolves to `form`.
  void ExpectRelatedForm(EffectSetting* effect, const TESForm* form) {
    const ScriptValue result = Call("GetMGEFRelatedForm", {scene.ObjectValue(effect)});
    if (form == nullptr) {
      EXPECT_EQ(result.type, TypeCode::kNone);
      EXPECT_EQ(result.data, 0u);
      return;
    }
    ASSERT_EQ(result.type, scene.ClassWord(FormType::kAny));
    ASSERT_NE(result.data, 0u);
    EXPECT_EQ(reinterpret_cast<ScriptObject*>(result.data)->handle, scene.HandleOf(form));
    EXPECT_EQ(ResolveForm(&result, FormType::kAny), form);
  }
};

TEST_F(EffectsTest, EveryNameSetsItsCodeAndItsPrimaryGroup) {
  std::set<u32> codes;
  for (const Archetype& a : kArchetypes) {
    SCOPED_TRACE(a.name);
    EffectSetting* effect = StartingEffect();
    TESForm* related = a.form ? Accepted(*a.form) : scene.Form();
    Assign(effect, Scene::String(a.name), Scene::String("Health"), scene.ObjectValue(related));

    const bool dual = a.code == 5;
    const i32 primary = PrimaryOf(a, kHealth);
    EXPECT_EQ(FieldsOf(effect), (EffectFields{a.form ? related : nullptr, dual ? 0.75f : 0.0f,
                                              a.code, primary, dual ? kMagicka : -1}));

    const ScriptValue num = ArchetypeNum(scene.ObjectValue(effect));
    EXPECT_EQ(num.type, TypeCode::kInt);
    EXPECT_EQ(num.data, a.code);
    codes.insert(static_cast<u32>(num.data));
    EXPECT_EQ(PrimaryAV(scene.ObjectValue(effect)), primary < 0 ? "" : ActorValueName(primary));
    ExpectRelatedForm(effect, a.form ? related : nullptr);

    // Without a related form only the archetypes that need one refuse.
    EffectSetting* bare = StartingEffect();
    const EffectFields before = FieldsOf(bare);
    Assign(bare, Scene::String(a.name), Scene::String("Health"), Scene::None());
    if (a.formRequired) {
      EXPECT_EQ(FieldsOf(bare), before);
    } else {
      EXPECT_EQ(bare->archetype, a.code);
      EXPECT_EQ(bare->relatedForm, nullptr);
    }
  }
  // 45 names, 45 codes from 0 to 46; 13 and 14 belong to none.
  EXPECT_EQ(codes.size(), std::size(kArchetypes));
  EXPECT_EQ(codes.count(13), 0u);
  EXPECT_EQ(codes.count(14), 0u);
  EXPECT_EQ(*codes.rbegin(), 46u);
}

TEST_F(EffectsTest, ThePrimaryNameIsLookedUpOnlyForTheNamedGroup) {
  for (const ScriptValue& unusable : {Scene::String("NoSuchValue"), Scene::None()}) {
    for (const Archetype& a : kArchetypes) {
      SCOPED_TRACE(a.name);
      EffectSetting* effect = StartingEffect();
      const EffectFields before = FieldsOf(effect);
      TESForm* related = a.form ? Accepted(*a.form) : nullptr;
      Assign(effect, Scene::String(a.name), unusable,
             related ? scene.ObjectValue(related) : Scene::None());
      if (a.group == Group::kNamed) {
        EXPECT_EQ(FieldsOf(effect), before) << "an unusable name ends the call";
      } else {
        EXPECT_EQ(effect->archetype, a.code);
      }
    }
  }
}

TEST_F(EffectsTest, NamesOutsideTheTableChangeNothing) {
  const ScriptValue names[] = {Scene::String(""),          Scene::None(),
                               Scene::String("Bogus"),     Scene::String("ValueMod "),
                               Scene::String("Value Mod"), Scene::Int(0)};
  for (const ScriptValue& name : names) {
    EffectSetting* effect = StartingEffect();
    const EffectFields before = FieldsOf(effect);
    Assign(effect, name, Scene::String("Health"), Scene::None());
    EXPECT_EQ(FieldsOf(effect), before);
  }
  // Letter case is the string cache's matter, and ours ignores it.
  EffectSetting* effect = StartingEffect();
  Assign(effect, Scene::String("peakVALUEmod"), Scene::String("Health"), Scene::None());
  EXPECT_EQ(effect->archetype, 34u);
  // Something that is no magic effect is not written as one; the end-of-test check sees
  // every byte of the potion that is not its own field.
  AlchemyItem* potion = scene.Potion({.manualValue = 5, .flags = 1});
  Assign(scene.ObjectValue(potion), Scene::String("Paralysis"), Scene::String("Health"),
         Scene::None(), Scene::None(), Scene::Float(1));
  Assign(scene.ObjectValue(potion, FormType::kMagicEffect), Scene::String("Paralysis"),
         Scene::String("Health"), Scene::None(), Scene::None(), Scene::Float(1));
  EXPECT_EQ(potion->manualValue, 5);
  EXPECT_EQ(potion->alchemyFlags, 1u);
}

TEST_F(EffectsTest, PrimaryActorValueIdsUpTo164AreTaken) {
  auto& actorValues = scene.world().ActorValues();
  actorValues.Alias("LastSlot", 164);
  actorValues.Alias("PastTheEnd", 165);
  actorValues.Alias("FarOut", 200);
  const struct {
    const char* name;
    std::optional<i32> stored;  // none: the call is refused
    const char* reported;
  } cases[] = {
      {"ReflectDamage", 163, "ReflectDamage"}, {"LastSlot", 164, ""},
      {"PastTheEnd", std::nullopt, nullptr},   {"FarOut", std::nullopt, nullptr},
      {"NoSuchValue", std::nullopt, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EffectSetting* effect = StartingEffect();
    const EffectFields before = FieldsOf(effect);
    Assign(effect, Scene::String("ValueMod"), Scene::String(c.name), Scene::None());
    if (!c.stored) {
      EXPECT_EQ(FieldsOf(effect), before);
      continue;
    }
    EXPECT_EQ(effect->archetype, 0u);
    EXPECT_EQ(effect->primaryActorValue, *c.stored);
    EXPECT_EQ(PrimaryAV(scene.ObjectValue(effect)), c.reported);
  }
}

TEST_F(EffectsTest, RelatedFormRulesAcceptOnlyTheirKindOfForm) {
  using enum HostClass;
  enum Outcome { kRejected, kStored, kNull };
  enum Given { kNothing, kPlain, kOfClass, kDeadOfClass };
  const struct {
    const char* archetype;
    Given given;
    HostClass cls;
    FormSpec fields;
    Outcome outcome;
  } cases[] = {
      {"Light", kOfClass, kLightForm, {}, kStored},
      {"Light", kNothing, kLightForm, {}, kRejected},
      {"Light", kPlain, kLightForm, {}, kRejected},
      {"Light", kOfClass, kBoundWeaponForm, {}, kRejected},
      {"Light", kDeadOfClass, kLightForm, {}, kRejected},
      {"BoundWeapon", kOfClass, kBoundWeaponForm, {}, kStored},
      {"BoundWeapon", kOfClass, kLightForm, {}, kRejected},
      {"SummonCreature", kOfClass, kSummonCreatureForm, {.summonFlags = 0x4000}, kStored},
      {"SummonCreature", kOfClass, kSummonCreatureForm, {.summonFlags = 0xFFFF}, kStored},
      {"SummonCreature", kOfClass, kSummonCreatureForm, {.summonFlags = 0xFFFFBFFF}, kRejected},
      {"SummonCreature", kOfClass, kSummonCreatureForm, {}, kRejected},
      {"SummonCreature", kOfClass, kGuideForm, {.summonFlags = 0x4000}, kRejected},
      {"Guide", kOfClass, kGuideForm, {}, kStored},
      {"Guide", kOfClass, kCloakForm, {.modeWord1 = 2, .modeWord2 = 2}, kRejected},
      {"SpawnHazard", kOfClass, kGuideForm, {}, kStored},
      {"SpawnHazard", kNothing, kGuideForm, {}, kRejected},
      {"Cloak", kOfClass, kCloakForm, {.modeWord1 = 2, .modeWord2 = 2}, kStored},
      {"Cloak", kOfClass, kCloakForm, {.modeWord1 = 2, .modeWord2 = 1}, kRejected},
      {"Cloak", kOfClass, kCloakForm, {.modeWord1 = 1, .modeWord2 = 2}, kRejected},
      {"Cloak", kOfClass, kCloakForm, {.modeWord1 = 2, .modeWord2 = 0x102}, kRejected},
      {"Cloak", kOfClass, kCloakForm, {}, kRejected},
      {"Cloak", kOfClass, kSummonCreatureForm, {.summonFlags = 0x4000}, kRejected},
      {"Werewolf", kOfClass, kWerewolfForm, {}, kStored},
      {"Werewolf", kOfClass, kEnhanceWeaponForm, {}, kRejected},
      {"VampireLord", kOfClass, kWerewolfForm, {}, kStored},
      {"VampireLord", kNothing, kWerewolfForm, {}, kRejected},
      {"EnhanceWeapon", kOfClass, kEnhanceWeaponForm, {}, kStored},
      {"EnhanceWeapon", kOfClass, kWerewolfForm, {}, kRejected},
      {"PeakValueMod", kOfClass, kPeakValueModForm, {}, kStored},
      {"PeakValueMod", kOfClass, kLightForm, {}, kNull},
      {"PeakValueMod", kNothing, kPeakValueModForm, {}, kNull},
      {"ValueMod", kOfClass, kLightForm, {}, kNull},
      {"Script", kOfClass, kPeakValueModForm, {}, kNull},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.archetype) + " given " +
                 substitute::HostClassName(static_cast<u32>(c.cls)) + " (" +
                 std::to_string(c.given) + ")");
    TESForm* form = nullptr;
    if (c.given == kPlain) form = scene.Form();
    if (c.given == kOfClass || c.given == kDeadOfClass) form = scene.Related(c.cls, c.fields);
    if (c.given == kDeadOfClass) scene.Kill(form);
    EffectSetting* effect = StartingEffect();
    const EffectFields before = FieldsOf(effect);
    Assign(effect, Scene::String(c.archetype), Scene::String("Health"),
           form != nullptr ? scene.ObjectValue(form) : Scene::None());
    if (c.outcome == kRejected) {
      EXPECT_EQ(FieldsOf(effect), before);
      continue;
    }
    const Archetype& a = Named(c.archetype);
    EXPECT_EQ(FieldsOf(effect), (EffectFields{c.outcome == kStored ? form : nullptr, 0.0f, a.code,
                                              PrimaryOf(a, kHealth), -1}));
    if (c.outcome == kNull) continue;
    // The form as passed, not the view the cast gave, which lies elsewhere in the form.
    ASSERT_NE(scene.View(form, c.cls), static_cast<void*>(form));
    EXPECT_EQ(effect->relatedForm, form);
    ExpectRelatedForm(effect, form);
  }
}

TEST_F(EffectsTest, DualValueModTakesTheSecondaryValueAndTheWeightAsPassed) {
  scene.world().ActorValues().Alias("LastSlot", 164);
  scene.world().ActorValues().Alias("PastTheEnd", 165);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    ScriptValue secondary;
    ScriptValue weight;
    i32 storedSecondary;
    float storedWeight;
  } cases[] = {
      {Scene::String("Magicka"), Scene::Float(0.75f), kMagicka, 0.75f},
      {Scene::String("Stamina"), Scene::Float(-1.0f), kStamina, -1.0f},
      {Scene::String("Health"), Scene::Float(2.9f), kHealth, 2.9f},
      {Scene::String("NoSuchValue"), Scene::Float(1.0f), -1, 1.0f},
      {Scene::None(), Scene::Float(1.5f), -1, 1.5f},
      {Scene::String("LastSlot"), Scene::Float(1.0f), 164, 1.0f},
      {Scene::String("PastTheEnd"), Scene::Float(1.0f), -1, 1.0f},
      {Scene::String("Magicka"), Scene::Int(-3), kMagicka, -3.0f},
      {Scene::String("Magicka"), Scene::Bool(true), kMagicka, 1.0f},
      {Scene::String("Magicka"), Scene::String("2"), kMagicka, 0.0f},
      {Scene::String("Magicka"), Scene::Float(nan), kMagicka, nan},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EffectSetting* effect = StartingEffect();
    Assign(effect, Scene::String("DualValueMod"), Scene::String("Stamina"),
           scene.ObjectValue(Accepted(HostClass::kLightForm)), cases[i].secondary, cases[i].weight);
    EXPECT_EQ(effect->archetype, 5u);
    EXPECT_EQ(effect->primaryActorValue, kStamina);
    EXPECT_EQ(effect->secondaryActorValue, cases[i].storedSecondary);
    u32 stored = 0;
    u32 expected = 0;
    std::memcpy(&stored, &effect->secondaryWeight, sizeof stored);
    std::memcpy(&expected, &cases[i].storedWeight, sizeof expected);
    EXPECT_EQ(stored, expected) << effect->secondaryWeight;
    EXPECT_EQ(effect->relatedForm, nullptr);
  }
}

// --- Queries ---------------------------------------------------------------------------------

TEST_F(EffectsTest, QueriesOfWhatIsNoLiveEffectGiveTheNeutralResults) {
  EffectSetting* dead = StartingEffect();
  dead->archetype = 12;
  dead->primaryActorValue = kHealth;
  scene.Kill(dead);
  AlchemyItem* potion = scene.Potion();
  const ScriptValue targets[] = {Scene::None(),
                                 scene.NullObject(FormType::kMagicEffect),
                                 scene.ObjectValue(dead),
                                 scene.ObjectValue(potion),
                                 scene.ObjectValue(potion, FormType::kMagicEffect),
                                 Scene::Int(1)};
  for (std::size_t i = 0; i < std::size(targets); ++i) {
    SCOPED_TRACE(i);
    const ScriptValue num = ArchetypeNum(targets[i]);
    EXPECT_EQ(num.type, TypeCode::kInt);
    EXPECT_EQ(num.data, 0xFFFFFFFFu);
    const ScriptValue name = Call("GetMGEFPrimaryAV", {targets[i]});
    EXPECT_EQ(name.type, TypeCode::kString);
    EXPECT_EQ(reinterpret_cast<const char*>(name.data), EmptyName().text);
    const ScriptValue form = Call("GetMGEFRelatedForm", {targets[i]});
    EXPECT_EQ(form.type, TypeCode::kNone);
    EXPECT_EQ(form.data, 0u);
  }
}

TEST_F(EffectsTest, PrimaryActorValueNamesComeFromTheActorValueList) {
  EffectSetting* effect = StartingEffect();
  const ScriptValue target = scene.ObjectValue(effect);
  for (u32 id = 0; id < kActorValueCount; ++id) {
    effect->primaryActorValue = static_cast<i32>(id);
    EXPECT_EQ(PrimaryAV(target), ActorValueName(id)) << id;
  }
  for (i32 id : {164, 165, -1, std::numeric_limits<i32>::min()}) {
    effect->primaryActorValue = id;
    EXPECT_EQ(PrimaryAV(target), "") << id;
  }
  // A missing entry, or a missing list, has no name to give.
  auto& actorValues = scene.world().ActorValues();
  effect->primaryActorValue = kHealth;
  actorValues.SetEntryMissing(kHealth);
  EXPECT_EQ(PrimaryAV(target), "");
  actorValues.SetEntryMissing(kHealth, false);
  actorValues.SetListMissing(true);
  EXPECT_EQ(PrimaryAV(target), "");
  actorValues.SetListMissing(false);
  EXPECT_EQ(PrimaryAV(target), "Health");
  // The archetype code is handed back as stored, whatever it is.
  effect->archetype = 14;
  EXPECT_EQ(ArchetypeNum(target).data, 14u);
}

}  // namespace
}  // namespace vialmark::testing
