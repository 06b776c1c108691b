// Turning a magic effect into another archetype, with the actor values and the related form
// that the archetype works with.
#pragma once

#include "binding/NativeFunction.h"

namespace vialmark {

// How an archetype sets its primary actor value.
enum class PrimaryGroup : u8 { kNamed, kFixed, kCleared };

struct ArchetypeRule {
  PrimaryGroup primary;
  i32 fixedPrimary;        // for kFixed
  bool requiresForm;       // false: the related form is accepted always
  HostClass relatedClass;  // the class a related form must be (or, when not required, may be)
  bool keepsRelatedForm;   // whether an accepted form is stored, or null
};

inline constexpr u32 kArchetypeCodeCount = 47;
// Indexed by archetype code; codes 13 and 14 belong to no archetype.
extern const ArchetypeRule kArchetypeRules[kArchetypeCodeCount];

// Accepts or rejects the related form for the archetype; on acceptance it has already stored
// the effect's related form.
bool RelatedFormRule(i32 code, TESForm* relatedForm, EffectSetting* effect);

void SetMGEFArchetype(StaticFunctionTag*, EffectSetting* effect, StringCache::Ref archetype,
                      StringCache::Ref primaryActorValue, TESForm* relatedForm,
                      StringCache::Ref secondaryActorValue, float secondaryWeight);

}  // namespace vialmark
