// Reading back what archetype assignment sets on a magic effect.
#pragma once

#include "binding/NativeFunction.h"

namespace vialmark {

u32 GetMGEFArchetypeNum(StaticFunctionTag*, EffectSetting* effect);
StringCache::Ref GetMGEFPrimaryAV(StaticFunctionTag*, EffectSetting* effect);
TESForm* GetMGEFRelatedForm(StaticFunctionTag*, EffectSetting* effect);

}  // namespace vialmark
