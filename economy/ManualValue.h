// A potion's automatic value calculation: the inverse of its ManualValue bit.
#pragma once

#include "binding/NativeFunction.h"

namespace vialmark {

bool GetAlchAutoCalcFlag(StaticFunctionTag*, TESForm* form);
void SetAlchAutoCalcFlag(StaticFunctionTag*, TESForm* form, ScriptFlag autoCalc);

}  // namespace vialmark
