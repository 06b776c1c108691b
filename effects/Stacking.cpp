#include "effects/Stacking.h"

namespace vialmark {

namespace {
constexpr u32 kValueMod = 0;
constexpr u32 kPeakValueMod = 34;
}  // namespace

void SetStackingPrefs(StaticFunctionTag*, VMArray<EffectSetting*> effects,
                      VMArray<ScriptFlag> flags) {
  const u32 length = ElementCount(effects);
  for (u32 i = 0; i < length; ++i) {
    EffectSetting* effect = ResolveAs<EffectSetting>(ElementAt(effects, i));
    if (effect == nullptr) continue;
    // An effect without a flag of its own is left as it is.
    if (i >= ElementCount(flags)) continue;
    if (IsSet(ReadBool(ElementAt(flags, i)))) {
      if (effect->archetype == kPeakValueMod) {
        effect->relatedForm = nullptr;
        effect->archetype = kValueMod;
      }
    } else if (effect->archetype == kValueMod) {
      effect->archetype = kPeakValueMod;
    }
  }
}

}  // namespace vialmark
