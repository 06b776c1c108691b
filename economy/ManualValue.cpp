#include "economy/ManualValue.h"

namespace vialmark {

namespace {
AlchemyItem* AsPotion(TESForm* form) {
  return static_cast<AlchemyItem*>(host::Cast(form, HostClass::kTESForm, HostClass::kAlchemyItem));
}
}  // namespace

bool GetAlchAutoCalcFlag(StaticFunctionTag*, TESForm* form) {
  if (form == nullptr) return false;
  AlchemyItem* potion = AsPotion(form);
  return potion != nullptr && (potion->alchemyFlags & kManualValueBit) == 0;
}

void SetAlchAutoCalcFlag(StaticFunctionTag*, TESForm* form, ScriptFlag autoCalc) {
  if (form == nullptr) return;
  AlchemyItem* potion = AsPotion(form);
  if (potion == nullptr) return;
  if (IsSet(autoCalc)) {
    potion->alchemyFlags &= ~kManualValueBit;
  } else {
    potion->alchemyFlags |= kManualValueBit;
  }
}

}  // namespace vialmark
