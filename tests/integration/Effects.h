// What the magic effect tests share: the five fields that archetype assignment and stacking
// preferences may write, compared as one record, and the ids of the actor values they use.
#pragma once

#include <ostream>

#include "Natives.h"

namespace vialmark::testing {

struct EffectFields {
  TESForm* relatedForm;
  float secondaryWeight;
  u32 archetype;
  i32 primaryActorValue;
  i32 secondaryActorValue;
  bool operator==(const EffectFields&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const EffectFields& f) {
  return out << "{related " << f.relatedForm << ", weight " << f.secondaryWeight << ", archetype "
             << f.archetype << ", primary " << f.primaryActorValue << ", secondary "
             << f.secondaryActorValue << "}";
}
inline EffectFields FieldsOf(const EffectSetting* e) {
  return {e->relatedForm, e->secondaryWeight, e->archetype, e->primaryActorValue,
          e->secondaryActorValue};
}

inline constexpr i32 kHealth = 24;
inline constexpr i32 kMagicka = 25;
inline constexpr i32 kStamina = 26;

}  // namespace vialmark::testing
