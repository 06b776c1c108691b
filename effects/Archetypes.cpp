#include "effects/Archetypes.h"

#include "host/HostApi.h"

namespace vialmark {

const ArchetypeName kArchetypeTable[kArchetypeNameCount] = {
    {"ValueMod", 0},
    {"PeakValueMod", 34},
    {"DualValueMod", 5},
    {"Script", 1},
    {"SummonCreature", 18},
    {"Absorb", 4},
    {"Stagger", 33},
    {"Paralysis", 21},
    {"Demoralize", 7},
    {"Cloak", 35},
    {"Calm", 6},
    {"DetectLife", 19},
    {"Frenzy", 8},
    {"Invisibility", 11},
    {"Disarm", 9},
    {"BoundWeapon", 17},
    {"Reanimate", 22},
    {"TurnUndead", 24},
    {"SpawnHazard", 40},
    {"Rally", 38},
    {"SlowTime", 37},
    {"Light", 12},
    {"EnhanceWeapon", 39},
    {"Etherealize", 41},
    {"SoulTrap", 23},
    {"Banish", 42},
    {"AccumulateMagnitude", 32},
    {"Werewolf", 36},
    {"VampireLord", 46},
    {"WerewolfFeed", 26},
    {"CureDisease", 3},
    {"CurePoison", 29},
    {"Telekinesis", 20},
    {"Guide", 25},
    {"GrabActor", 45},
    {"CommandSummoned", 10},
    {"SpawnScriptedRef", 43},
    {"Dispel", 2},
    {"Disguise", 44},
    {"CureParalysis", 27},
    {"Lock", 15},
    {"Open", 16},
    {"CureAddiction", 28},
    {"Concussion", 30},
    {"ValueAndParts", 31},
    {"", kNoArchetype},
};

namespace {

constexpr u32 kEmptyNameIndex = kArchetypeNameCount - 1;

StringCache::Ref gNames[kArchetypeNameCount];
const StringCache::Ref* gTable = nullptr;
bool gBuilt = false;

}  // namespace

void BuildArchetypeNames() {
  if (!gBuilt) {
    gBuilt = true;
    // Should the host's string cache throw, the next load may try again.
    struct ClearOnThrow {
      bool done = false;
      ~ClearOnThrow() {
        if (!done) gBuilt = false;
      }
    } guard;
    for (u32 i = 0; i < kArchetypeNameCount; ++i)
      host::ConstructRef(&gNames[i], kArchetypeTable[i].text);
    guard.done = true;
  }
  gTable = gNames;
}

const StringCache::Ref* ArchetypeNames() { return gTable; }

i32 ArchetypeFromName(StringCache::Ref name) {
  // An absent name is no archetype, also while the table holds no identities.
  if (gTable == nullptr || name.text == nullptr) return kNoArchetype;
  for (u32 i = 0; i < kEmptyNameIndex; ++i) {
    if (gTable[i].text == name.text) return kArchetypeTable[i].code;
  }
  return kNoArchetype;
}

StringCache::Ref EmptyName() {
  return gTable != nullptr ? gTable[kEmptyNameIndex] : StringCache::Ref{nullptr};
}

}  // namespace vialmark
