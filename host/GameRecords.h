// The game's records, with every field the plugin reads or writes. A component or related-form
// view is always the address host_HostCast returns; the plugin never adds an offset itself.
#pragma once

#include "host/Types.h"

namespace vialmark {

struct TESForm;  // read through casts and handles only

struct EffectEntry {
  uptr pad00[4];  // 0
  float cost;     // 16 (64-bit: 32)
};
static_assert(offsetof(EffectEntry, pad00) == 0);
static_assert(offsetof(EffectEntry, cost) == Layout(16, 32));
static_assert(sizeof(EffectEntry) == Layout(20, 40));

struct EffectHolder {
  uptr pad00[13];               // 0
  EffectEntry** effectEntries;  // 52 (64-bit: 104)
  uptr pad38;                   // 56 (64-bit: 112)
  u32 effectCount;              // 60 (64-bit: 120)
};
static_assert(offsetof(EffectHolder, pad00) == 0);
static_assert(offsetof(EffectHolder, effectEntries) == Layout(52, 104));
static_assert(offsetof(EffectHolder, pad38) == Layout(56, 112));
static_assert(offsetof(EffectHolder, effectCount) == Layout(60, 120));
static_assert(sizeof(EffectHolder) == Layout(64, 128));

inline constexpr u32 kManualValueBit = 1;

// The host keeps the effect holder at the start of a potion.
struct AlchemyItem {
  EffectHolder holder;  // 0
  u32 pad40;            // 64 (64-bit: 128)
  uptr pad44[24];       // 68 (64-bit: 136)
  i32 manualValue;      // 164 (64-bit: 328)
  u32 alchemyFlags;     // 168 (64-bit: 332): bit 0 is ManualValue
};
static_assert(offsetof(AlchemyItem, holder) == 0);
static_assert(offsetof(AlchemyItem, pad40) == Layout(64, 128));
static_assert(offsetof(AlchemyItem, pad44) == Layout(68, 136));
static_assert(offsetof(AlchemyItem, manualValue) == Layout(164, 328));
static_assert(offsetof(AlchemyItem, alchemyFlags) == Layout(168, 332));
static_assert(sizeof(AlchemyItem) == Layout(172, 336));

// No field is touched directly: value and weight are reached through their components.
struct IngredientItem;

struct ValueComponent {
  uptr pad00;  // 0
  i32 value;   // 4 (64-bit: 8)
};
static_assert(offsetof(ValueComponent, pad00) == 0);
static_assert(offsetof(ValueComponent, value) == Layout(4, 8));
static_assert(sizeof(ValueComponent) == Layout(8, 16));

struct WeightComponent {
  uptr pad00;    // 0
  float weight;  // 4 (64-bit: 8)
};
static_assert(offsetof(WeightComponent, pad00) == 0);
static_assert(offsetof(WeightComponent, weight) == Layout(4, 8));
static_assert(sizeof(WeightComponent) == Layout(8, 16));

struct EffectSetting {
  uptr pad00[16];           // 0
  TESForm* relatedForm;     // 64 (64-bit: 128)
  uptr pad44[12];           // 68 (64-bit: 136)
  float secondaryWeight;    // 116 (64-bit: 232)
  u32 archetype;            // 120 (64-bit: 236)
  i32 primaryActorValue;    // 124 (64-bit: 240)
  u32 pad80[4];             // 128 (64-bit: 244)
  i32 secondaryActorValue;  // 144 (64-bit: 260)
};
static_assert(offsetof(EffectSetting, pad00) == 0);
static_assert(offsetof(EffectSetting, relatedForm) == Layout(64, 128));
static_assert(offsetof(EffectSetting, pad44) == Layout(68, 136));
static_assert(offsetof(EffectSetting, secondaryWeight) == Layout(116, 232));
static_assert(offsetof(EffectSetting, archetype) == Layout(120, 236));
static_assert(offsetof(EffectSetting, primaryActorValue) == Layout(124, 240));
static_assert(offsetof(EffectSetting, pad80) == Layout(128, 244));
static_assert(offsetof(EffectSetting, secondaryActorValue) == Layout(144, 260));
static_assert(sizeof(EffectSetting) == Layout(148, 264));

inline constexpr u32 kSummonableBit = 0x4000;

struct SummonCreatureForm {
  uptr pad00[9];    // 0
  u32 summonFlags;  // 36 (64-bit: 72)
};
static_assert(offsetof(SummonCreatureForm, pad00) == 0);
static_assert(offsetof(SummonCreatureForm, summonFlags) == Layout(36, 72));
static_assert(sizeof(SummonCreatureForm) == Layout(40, 80));

struct CloakForm {
  uptr pad00[31];  // 0
  u32 modeWord1;   // 124 (64-bit: 248)
  u32 modeWord2;   // 128 (64-bit: 252)
};
static_assert(offsetof(CloakForm, pad00) == 0);
static_assert(offsetof(CloakForm, modeWord1) == Layout(124, 248));
static_assert(offsetof(CloakForm, modeWord2) == Layout(128, 252));
static_assert(sizeof(CloakForm) == Layout(132, 256));

struct ActorValueInfo {
  uptr pad00[12];    // 0
  const char* name;  // 48 (64-bit: 96)
};
static_assert(offsetof(ActorValueInfo, pad00) == 0);
static_assert(offsetof(ActorValueInfo, name) == Layout(48, 96));
static_assert(sizeof(ActorValueInfo) == Layout(52, 104));

inline constexpr u32 kActorValueCount = 164;

struct ActorValueList {
  uptr pad00;                               // 0
  ActorValueInfo* infos[kActorValueCount];  // 4 (64-bit: 8)
};
static_assert(offsetof(ActorValueList, pad00) == 0);
static_assert(offsetof(ActorValueList, infos) == Layout(4, 8));
static_assert(sizeof(ActorValueList) == Layout(660, 1320));

}  // namespace vialmark
