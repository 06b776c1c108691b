#include "substitute/ActorValues.h"

#include <cctype>
#include <cstring>

namespace vialmark::substitute {
namespace {

constexpr const char* kNames[kActorValueCount] = {"Aggression",
                                                  "Confidence",
                                                  "Energy",
                                                  "Morality",
                                                  "Mood",
                                                  "Assistance",
                                                  "OneHanded",
                                                  "TwoHanded",
                                                  "Marksman",
                                                  "Block",
                                                  "Smithing",
                                                  "HeavyArmor",
                                                  "LightArmor",
                                                  "Pickpocket",
                                                  "Lockpicking",
                                                  "Sneak",
                                                  "Alchemy",
                                                  "Speechcraft",
                                                  "Alteration",
                                                  "Conjuration",
                                                  "Destruction",
                                                  "Illusion",
                                                  "Restoration",
                                                  "Enchanting",
                                                  "Health",
                                                  "Magicka",
                                                  "Stamina",
                                                  "HealRate",
                                                  "MagickaRate",
                                                  "StaminaRate",
                                                  "SpeedMult",
                                                  "InventoryWeight",
                                                  "CarryWeight",
                                                  "CritChance",
                                                  "MeleeDamage",
                                                  "UnarmedDamage",
                                                  "Mass",
                                                  "VoicePoints",
                                                  "VoiceRate",
                                                  "DamageResist",
                                                  "PoisonResist",
                                                  "FireResist",
                                                  "ElectricResist",
                                                  "FrostResist",
                                                  "MagicResist",
                                                  "DiseaseResist",
                                                  "PerceptionCondition",
                                                  "EnduranceCondition",
                                                  "LeftAttackCondition",
                                                  "RightAttackCondition",
                                                  "LeftMobilityCondition",
                                                  "RightMobilityCondition",
                                                  "BrainCondition",
                                                  "Paralysis",
                                                  "Invisibility",
                                                  "NightEye",
                                                  "DetectLifeRange",
                                                  "WaterBreathing",
                                                  "WaterWalking",
                                                  "IgnoreCrippledLimbs",
                                                  "Fame",
                                                  "Infamy",
                                                  "JumpingBonus",
                                                  "WardPower",
                                                  "RightItemCharge",
                                                  "ArmorPerks",
                                                  "ShieldPerks",
                                                  "WardDeflection",
                                                  "Variable01",
                                                  "Variable02",
                                                  "Variable03",
                                                  "Variable04",
                                                  "Variable05",
                                                  "Variable06",
                                                  "Variable07",
                                                  "Variable08",
                                                  "Variable09",
                                                  "Variable10",
                                                  "BowSpeedBonus",
                                                  "FavorActive",
                                                  "FavorsPerDay",
                                                  "FavorsPerDayTimer",
                                                  "LeftItemCharge",
                                                  "AbsorbChance",
                                                  "Blindness",
                                                  "WeaponSpeedMult",
                                                  "ShoutRecoveryMult",
                                                  "BowStaggerBonus",
                                                  "Telekinesis",
                                                  "FavorPointsBonus",
                                                  "LastBribedIntimidated",
                                                  "LastFlattered",
                                                  "MovementNoiseMult",
                                                  "BypassVendorStolenCheck",
                                                  "BypassVendorKeywordCheck",
                                                  "WaitingForPlayer",
                                                  "OneHandedMod",
                                                  "TwoHandedMod",
                                                  "MarksmanMod",
                                                  "BlockMod",
                                                  "SmithingMod",
                                                  "HeavyArmorMod",
                                                  "LightArmorMod",
                                                  "PickpocketMod",
                                                  "LockpickingMod",
                                                  "SneakMod",
                                                  "AlchemyMod",
                                                  "SpeechcraftMod",
                                                  "AlterationMod",
                                                  "ConjurationMod",
                                                  "DestructionMod",
                                                  "IllusionMod",
                                                  "RestorationMod",
                                                  "EnchantingMod",
                                                  "OneHandedSkillAdvance",
                                                  "TwoHandedSkillAdvance",
                                                  "MarksmanSkillAdvance",
                                                  "BlockSkillAdvance",
                                                  "SmithingSkillAdvance",
                                                  "HeavyArmorSkillAdvance",
                                                  "LightArmorSkillAdvance",
                                                  "PickpocketSkillAdvance",
                                                  "LockpickingSkillAdvance",
                                                  "SneakSkillAdvance",
                                                  "AlchemySkillAdvance",
                                                  "SpeechcraftSkillAdvance",
                                                  "AlterationSkillAdvance",
                                                  "ConjurationSkillAdvance",
                                                  "DestructionSkillAdvance",
                                                  "IllusionSkillAdvance",
                                                  "RestorationSkillAdvance",
                                                  "EnchantingSkillAdvance",
                                                  "LeftWeaponSpeedMult",
                                                  "DragonSouls",
                                                  "CombatHealthRegenMult",
                                                  "OneHandedPowerMod",
                                                  "TwoHandedPowerMod",
                                                  "MarksmanPowerMod",
                                                  "BlockPowerMod",
                                                  "SmithingPowerMod",
                                                  "HeavyArmorPowerMod",
                                                  "LightArmorPowerMod",
                                                  "PickpocketPowerMod",
                                                  "LockpickingPowerMod",
                                                  "SneakPowerMod",
                                                  "AlchemyPowerMod",
                                                  "SpeechcraftPowerMod",
                                                  "AlterationPowerMod",
                                                  "ConjurationPowerMod",
                                                  "DestructionPowerMod",
                                                  "IllusionPowerMod",
                                                  "RestorationPowerMod",
                                                  "EnchantingPowerMod",
                                                  "DragonRend",
                                                  "AttackDamageMult",
                                                  "HealRateMult",
                                                  "MagickaRateMult",
                                                  "StaminaRateMult",
                                                  "WerewolfPerks",
                                                  "VampirePerks",
                                                  "GrabActorOffset",
                                                  "Grabbed",
                                                  "Deprecated05",
                                                  "ReflectDamage"};

constexpr uptr kInfoFill = 0xA1A1A1A1;

std::string Fold(const char* text) {
  std::string folded(text);
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

bool SameName(const char* a, const char* b) { return Fold(a) == Fold(b); }

}  // namespace

const char* ActorValueName(u32 id) { return id < kActorValueCount ? kNames[id] : nullptr; }

ActorValueTable::ActorValueTable() { Reset(); }

ActorValueList* ActorValueTable::List() {
  std::lock_guard lock(mutex_);
  return listMissing_ ? nullptr : &list_;
}

u32 ActorValueTable::FromName(const char* name) const {
  if (name == nullptr) return kNoActorValue;
  std::lock_guard lock(mutex_);
  auto alias = aliases_.find(Fold(name));
  if (alias != aliases_.end()) return alias->second;
  for (u32 id = 0; id < kActorValueCount; ++id) {
    if (SameName(kNames[id], name)) return id;
  }
  return kNoActorValue;
}

void ActorValueTable::SetListMissing(bool missing) {
  std::lock_guard lock(mutex_);
  listMissing_ = missing;
}

void ActorValueTable::SetEntryMissing(u32 id, bool missing) {
  std::lock_guard lock(mutex_);
  if (id < kActorValueCount) list_.infos[id] = missing ? nullptr : &infos_[id];
}

void ActorValueTable::Alias(const std::string& name, u32 id) {
  std::lock_guard lock(mutex_);
  aliases_[Fold(name.c_str())] = id;
}

void ActorValueTable::Reset() {
  std::lock_guard lock(mutex_);
  list_.pad00 = kInfoFill;
  for (u32 id = 0; id < kActorValueCount; ++id) {
    for (uptr& word : infos_[id].pad00) word = kInfoFill + id;
    infos_[id].name = kNames[id];
    list_.infos[id] = &infos_[id];
  }
  aliases_.clear();
  listMissing_ = false;
}

}  // namespace vialmark::substitute
