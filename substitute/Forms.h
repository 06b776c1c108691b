// The game's records: potions, ingredients, magic effects, generic forms and the related-form
// kinds that archetypes work with. Each form is one block; the views that host_HostCast gives
// (components, related-form parts) sit inside it at offsets only the host knows, never at the
// form's own address, so a plugin that adds offsets itself instead of casting reads the wrong
// bytes. Every byte the plugin has no business writing is checked at the end of a test.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/GameRecords.h"
#include "host/Types.h"
#include "substitute/Problems.h"

namespace vialmark::substitute {

// Form types the substitute uses beyond the four the plugin names.
namespace Kind {
inline constexpr u32 kKeyword = 4;
inline constexpr u32 kRace = 14;
inline constexpr u32 kEnchantment = 21;
inline constexpr u32 kSpell = 22;
inline constexpr u32 kArmor = 26;
inline constexpr u32 kLight = 31;
inline constexpr u32 kMiscObject = 32;
inline constexpr u32 kWeapon = 41;
inline constexpr u32 kActorBase = 43;
inline constexpr u32 kHazard = 66;
}  // namespace Kind

struct PotionSpec {
  // One entry per effect; an empty optional leaves that element of the effect list null.
  std::vector<std::optional<float>> effectCosts{};
  i32 manualValue = 0;
  u32 flags = 0;  // AlchemyItem::alchemyFlags, bit 0 is ManualValue
  float weight = 0.5f;
};

struct IngredientSpec {
  i32 value = 0;
  float weight = 0.1f;
};

struct EffectSpec {
  u32 archetype = 0;
  i32 primaryActorValue = -1;
  i32 secondaryActorValue = -1;
  float secondaryWeight = 0.0f;
  TESForm* relatedForm = nullptr;
};

// A generic form, optionally with value and weight components and one related-form part.
struct FormSpec {
  u32 formType = Kind::kMiscObject;
  std::optional<i32> value{};
  std::optional<float> weight{};
  std::optional<HostClass> related{};
  u32 summonFlags = 0;  // SummonCreatureForm part
  u32 modeWord1 = 0;    // CloakForm part
  u32 modeWord2 = 0;
};

// The form type a related-form part normally belongs to (a light is a Light, a summoned
// creature an actor base...).
u32 FormTypeForRelated(HostClass related);
const char* HostClassName(u32 hostClass);

struct FormIdentity {
  u32 formId;
  u32 formType;
  bool live;
  void* address;
};

class FormStore {
 public:
  explicit FormStore(ProblemLog& problems);
  FormStore(const FormStore&) = delete;
  FormStore& operator=(const FormStore&) = delete;
  ~FormStore();

  AlchemyItem* AddPotion(const PotionSpec& wanted);
  // The ingredient's form address, which is also its IngredientItem view.
  TESForm* AddIngredient(const IngredientSpec& wanted);
  EffectSetting* AddEffect(const EffectSpec& wanted);
  TESForm* AddForm(const FormSpec& wanted);

  // host_HostCast.
  void* Cast(void* object, u32 sourceClass, u32 targetClass);

  std::optional<FormIdentity> Identify(const void* form) const;
  std::optional<FormIdentity> ById(u32 formId) const;
  void SetLive(const void* form, bool live);

  // The gold value the game gives a potion: its manual value while ManualValue is set,
  // otherwise the sum of its effects' costs, each truncated toward zero.
  static i32 PotionGoldValue(const AlchemyItem* potion);

  // Takes the form's current bytes as the reference for the end-of-test check; for tests that
  // change fields the plugin only reads (summon flags, cloak mode words, effect lists).
  void Accept(const void* form);
  // One line per form whose bytes outside the fields the plugin may write have changed.
  std::vector<std::string> CheckUntouched() const;

  std::size_t Count() const;
  void Reset();

 private:
  struct Record;
  Record& Create(u32 formType, std::size_t size);
  void Index(Record& record);

  ProblemLog& problems_;
  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<Record>> records_;
  std::map<u32, Record*> byId_;
  std::map<std::pair<const void*, u32>, Record*> byView_;
  u32 nextId_ = 0;
};

}  // namespace vialmark::substitute
