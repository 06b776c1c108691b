#include "effects/Queries.h"

#include "effects/Archetypes.h"

namespace vialmark {

u32 GetMGEFArchetypeNum(StaticFunctionTag*, EffectSetting* effect) {
  return effect != nullptr ? effect->archetype : 0xFFFFFFFFu;
}

StringCache::Ref GetMGEFPrimaryAV(StaticFunctionTag*, EffectSetting* effect) {
  if (effect == nullptr) return EmptyName();
  const ActorValueList* list = host::ActorValues();
  if (list == nullptr) return EmptyName();
  const u32 id = static_cast<u32>(effect->primaryActorValue);
  if (id >= kActorValueCount) return EmptyName();
  const ActorValueInfo* info = list->infos[id];
  if (info == nullptr) return EmptyName();
  StringCache::Ref name;
  host::ConstructRef(&name, info->name);
  return name;
}

TESForm* GetMGEFRelatedForm(StaticFunctionTag*, EffectSetting* effect) {
  return effect != nullptr ? effect->relatedForm : nullptr;
}

}  // namespace vialmark
