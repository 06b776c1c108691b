// Switching magic effects between plain and peak value modification.
#pragma once

#include "binding/NativeFunction.h"

namespace vialmark {

void SetStackingPrefs(StaticFunctionTag*, VMArray<EffectSetting*> effects,
                      VMArray<ScriptFlag> flags);

}  // namespace vialmark
