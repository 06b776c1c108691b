#include "effects/Assignment.h"

#include "effects/Archetypes.h"

namespace vialmark {

namespace {

constexpr i32 kNoActorValue = -1;
constexpr u32 kLastActorValueId = 164;
constexpr i32 kDualValueMod = 5;

constexpr ArchetypeRule Named() {
  return {PrimaryGroup::kNamed, 0, false, HostClass::kTESForm, false};
}
constexpr ArchetypeRule Fixed(i32 value) {
  return {PrimaryGroup::kFixed, value, false, HostClass::kTESForm, false};
}
constexpr ArchetypeRule Cleared() {
  return {PrimaryGroup::kCleared, 0, false, HostClass::kTESForm, false};
}
constexpr ArchetypeRule NeedsForm(HostClass cls) {
  return {PrimaryGroup::kCleared, 0, true, cls, true};
}

}  // namespace

const ArchetypeRule kArchetypeRules[kArchetypeCodeCount] = {
    Named(),                                                               // 0 ValueMod
    Cleared(),                                                             // 1 Script
    Cleared(),                                                             // 2 Dispel
    Cleared(),                                                             // 3 CureDisease
    Named(),                                                               // 4 Absorb
    Named(),                                                               // 5 DualValueMod
    Fixed(0),                                                              // 6 Calm
    Fixed(1),                                                              // 7 Demoralize
    Fixed(0),                                                              // 8 Frenzy
    Cleared(),                                                             // 9 Disarm
    Cleared(),                                                             // 10 CommandSummoned
    Fixed(54),                                                             // 11 Invisibility
    NeedsForm(HostClass::kLightForm),                                      // 12 Light
    Cleared(),                                                             // 13 (no archetype)
    Cleared(),                                                             // 14 (no archetype)
    Cleared(),                                                             // 15 Lock
    Cleared(),                                                             // 16 Open
    NeedsForm(HostClass::kBoundWeaponForm),                                // 17 BoundWeapon
    NeedsForm(HostClass::kSummonCreatureForm),                             // 18 SummonCreature
    Cleared(),                                                             // 19 DetectLife
    Cleared(),                                                             // 20 Telekinesis
    Fixed(53),                                                             // 21 Paralysis
    Cleared(),                                                             // 22 Reanimate
    Cleared(),                                                             // 23 SoulTrap
    Fixed(1),                                                              // 24 TurnUndead
    NeedsForm(HostClass::kGuideForm),                                      // 25 Guide
    Cleared(),                                                             // 26 WerewolfFeed
    Cleared(),                                                             // 27 CureParalysis
    Cleared(),                                                             // 28 CureAddiction
    Cleared(),                                                             // 29 CurePoison
    Cleared(),                                                             // 30 Concussion
    Named(),                                                               // 31 ValueAndParts
    Named(),                                                               // 32 AccumulateMagnitude
    Cleared(),                                                             // 33 Stagger
    {PrimaryGroup::kNamed, 0, false, HostClass::kPeakValueModForm, true},  // 34 PeakValueMod
    NeedsForm(HostClass::kCloakForm),                                      // 35 Cloak
    NeedsForm(HostClass::kWerewolfForm),                                   // 36 Werewolf
    Cleared(),                                                             // 37 SlowTime
    Fixed(1),                                                              // 38 Rally
    NeedsForm(HostClass::kEnhanceWeaponForm),                              // 39 EnhanceWeapon
    NeedsForm(HostClass::kGuideForm),                                      // 40 SpawnHazard
    Cleared(),                                                             // 41 Etherealize
    Fixed(1),                                                              // 42 Banish
    Cleared(),                                                             // 43 SpawnScriptedRef
    Cleared(),                                                             // 44 Disguise
    Cleared(),                                                             // 45 GrabActor
    NeedsForm(HostClass::kWerewolfForm),                                   // 46 VampireLord
};

namespace {

// The extra tests two related-form classes carry beyond their class.
bool FieldsAccept(HostClass cls, const void* view) {
  switch (cls) {
    case HostClass::kSummonCreatureForm:
      return (static_cast<const SummonCreatureForm*>(view)->summonFlags & kSummonableBit) != 0;
    case HostClass::kCloakForm: {
      auto* cloak = static_cast<const CloakForm*>(view);
      return cloak->modeWord1 == 2 && cloak->modeWord2 == 2;
    }
    default:
      return true;
  }
}

}  // namespace

bool RelatedFormRule(i32 code, TESForm* relatedForm, EffectSetting* effect) {
  const ArchetypeRule& rule = kArchetypeRules[code];
  const void* view = rule.keepsRelatedForm
                         ? host::Cast(relatedForm, HostClass::kTESForm, rule.relatedClass)
                         : nullptr;
  const bool accepted = view != nullptr && FieldsAccept(rule.relatedClass, view);
  if (rule.requiresForm && !accepted) return false;
  // What is stored is the form exactly as passed, never the cast view.
  effect->relatedForm = accepted ? relatedForm : nullptr;
  return true;
}

void SetMGEFArchetype(StaticFunctionTag*, EffectSetting* effect, StringCache::Ref archetype,
                      StringCache::Ref primaryActorValue, TESForm* relatedForm,
                      StringCache::Ref secondaryActorValue, float secondaryWeight) {
  const i32 code = ArchetypeFromName(archetype);
  if (effect == nullptr || code == kNoArchetype) return;
  const ArchetypeRule& rule = kArchetypeRules[code];

  if (rule.primary == PrimaryGroup::kNamed) {
    const u32 id = host::ActorValueFromName(primaryActorValue.text);
    if (id > kLastActorValueId) return;
    effect->primaryActorValue = static_cast<i32>(id);
  } else if (rule.primary == PrimaryGroup::kFixed) {
    effect->primaryActorValue = rule.fixedPrimary;
  }

  if (code == kDualValueMod) {
    const u32 id = host::ActorValueFromName(secondaryActorValue.text);
    effect->secondaryActorValue = id > kLastActorValueId ? kNoActorValue : static_cast<i32>(id);
    // Stored as passed: a whole-number round trip would turn -1.0 into 4294967296.0.
    effect->secondaryWeight = secondaryWeight;
  }

  if (!RelatedFormRule(code, relatedForm, effect)) return;

  if (rule.primary == PrimaryGroup::kCleared) effect->primaryActorValue = kNoActorValue;
  if (code != kDualValueMod) {
    effect->secondaryActorValue = kNoActorValue;
    effect->secondaryWeight = 0.0f;
  }
  effect->archetype = static_cast<u32>(code);
}

}  // namespace vialmark
