// The 21 script-callable functions of the "VialmarkNative" script class and their registration.
#pragma once

#include "binding/NativeFunction.h"

namespace vialmark {

struct CatalogueEntry {
  const char* name;
  u32 parameterCount;
  NativeFunctionObject* (*construct)(void* block, ScriptRegistry* registry, const char* name);
};

inline constexpr u32 kCatalogueSize = 21;
// In registration order.
extern const CatalogueEntry kCatalogue[kCatalogueSize];

// Builds one function object per entry in game-heap blocks, hands each to the registry, then
// sets option 1 on every function. The registry owns the objects afterwards.
bool RegisterNatives(ScriptRegistry* registry);

}  // namespace vialmark
