// Archetype names as scripts write them, and the codes the game stores.
#pragma once

#include "host/ScriptVM.h"
#include "host/Types.h"

namespace vialmark {

inline constexpr u32 kArchetypeNameCount = 46;  // 45 names and the empty one
inline constexpr i32 kNoArchetype = -1;

struct ArchetypeName {
  const char* text;
  i32 code;
};
// In table order; the last entry is the empty name, which takes no part in lookups.
extern const ArchetypeName kArchetypeTable[kArchetypeNameCount];

// Interns every name once per load; called during static initialisation.
void BuildArchetypeNames();
// The interned names, or null before they are built.
const StringCache::Ref* ArchetypeNames();
// The code of the first name identical to `name`, or -1.
i32 ArchetypeFromName(StringCache::Ref name);
// The identity of the empty name, handed out where an effect has no name to give.
StringCache::Ref EmptyName();

}  // namespace vialmark
