#include "substitute/Forms.h"

#include <cstring>
#include <sstream>

namespace vialmark::substitute {

struct FormStore::Record {
  u32 formId = 0;
  u32 formType = 0;
  bool live = true;
  std::size_t size = 0;
  std::unique_ptr<std::max_align_t[]> storage;
  std::array<std::ptrdiff_t, kHostClassCount> views{};
  std::vector<std::pair<std::size_t, std::size_t>> writable;  // offset, length
  std::vector<unsigned char> snapshot;
  std::vector<std::unique_ptr<EffectEntry>> entries;
  std::vector<EffectEntry*> entryTable;

  unsigned char* Base() { return reinterpret_cast<unsigned char*>(storage.get()); }
  const unsigned char* Base() const {
    return reinterpret_cast<const unsigned char*>(storage.get());
  }
  template <typename T>
  T* At(HostClass view) {
    return reinterpret_cast<T*>(Base() + views[static_cast<u32>(view)]);
  }
  void Writable(const void* field, std::size_t length) {
    writable.emplace_back(static_cast<const unsigned char*>(field) - Base(), length);
  }
};

namespace {

constexpr unsigned char kFormFill = 0xA5;
// Host data between the parts of a form, so that no part ends where the next begins.
constexpr std::size_t kGap = 2 * sizeof(uptr);
constexpr std::size_t kHeader = 12 * sizeof(uptr);
constexpr u32 kFirstFormId = 0x0001A000;

constexpr const char* kHostClassNames[kHostClassCount] = {
    "TESForm",         "AlchemyItem",        "IngredientItem",   "EffectHolder",
    "ValueComponent",  "WeightComponent",    "PeakValueModForm", "LightForm",
    "BoundWeaponForm", "SummonCreatureForm", "GuideForm",        "CloakForm",
    "WerewolfForm",    "EnhanceWeaponForm"};

constexpr std::size_t RoundUp(std::size_t n) { return (n + 15) & ~std::size_t{15}; }

// Places the parts of a form one after another, each behind a gap of host data.
struct Planner {
  std::size_t next;
  std::size_t Place(std::size_t size) {
    std::size_t offset = RoundUp(next + kGap);
    next = offset + size;
    return offset;
  }
  std::size_t Total() const { return RoundUp(next + kGap); }
};

std::size_t RelatedPartSize(HostClass related) {
  switch (related) {
    case HostClass::kSummonCreatureForm:
      return sizeof(SummonCreatureForm);
    case HostClass::kCloakForm:
      return sizeof(CloakForm);
    default:
      return 4 * sizeof(uptr);
  }
}

std::string FormName(u32 formId) {
  std::ostringstream out;
  out << "form 0x" << std::hex << formId;
  return out.str();
}

}  // namespace

FormStore::FormStore(ProblemLog& problems) : problems_(problems) {}
FormStore::~FormStore() = default;

u32 FormTypeForRelated(HostClass related) {
  switch (related) {
    case HostClass::kPeakValueModForm:
      return Kind::kKeyword;
    case HostClass::kLightForm:
      return Kind::kLight;
    case HostClass::kBoundWeaponForm:
      return Kind::kWeapon;
    case HostClass::kSummonCreatureForm:
      return Kind::kActorBase;
    case HostClass::kGuideForm:
      return Kind::kHazard;
    case HostClass::kCloakForm:
      return Kind::kSpell;
    case HostClass::kWerewolfForm:
      return Kind::kRace;
    case HostClass::kEnhanceWeaponForm:
      return Kind::kEnchantment;
    default:
      return Kind::kMiscObject;
  }
}

const char* HostClassName(u32 hostClass) {
  return hostClass < kHostClassCount ? kHostClassNames[hostClass] : "(no such class)";
}

FormStore::Record& FormStore::Create(u32 formType, std::size_t size) {
  auto record = std::make_unique<Record>();
  record->formId = kFirstFormId + nextId_++;
  record->formType = formType;
  record->size = size;
  std::size_t units = (size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
  record->storage = std::make_unique<std::max_align_t[]>(units);
  record->views.fill(-1);
  record->views[static_cast<u32>(HostClass::kTESForm)] = 0;
  std::memset(record->Base(), kFormFill, size);
  // Where the game keeps a form's id and type; the plugin reads neither.
  std::memcpy(record->Base() + 12, &record->formId, sizeof(u32));
  record->Base()[26] = static_cast<unsigned char>(formType);
  records_.push_back(std::move(record));
  return *records_.back();
}

void FormStore::Index(Record& record) {
  byId_[record.formId] = &record;
  for (u32 c = 0; c < kHostClassCount; ++c) {
    if (record.views[c] >= 0) byView_[{record.Base() + record.views[c], c}] = &record;
  }
  record.snapshot.assign(record.Base(), record.Base() + record.size);
}

AlchemyItem* FormStore::AddPotion(const PotionSpec& wanted) {
  std::lock_guard lock(mutex_);
  Planner plan{sizeof(AlchemyItem)};
  std::size_t weightAt = plan.Place(sizeof(WeightComponent));
  Record& r = Create(FormType::kPotion, plan.Total());
  r.views[static_cast<u32>(HostClass::kAlchemyItem)] = 0;
  r.views[static_cast<u32>(HostClass::kEffectHolder)] = 0;
  r.views[static_cast<u32>(HostClass::kWeightComponent)] = static_cast<std::ptrdiff_t>(weightAt);
  auto* potion = r.At<AlchemyItem>(HostClass::kAlchemyItem);
  for (const auto& cost : wanted.effectCosts) {
    EffectEntry* entry = nullptr;
    if (cost) {
      r.entries.push_back(std::make_unique<EffectEntry>());
      entry = r.entries.back().get();
      std::memset(static_cast<void*>(entry), kFormFill, sizeof(EffectEntry));
      entry->cost = *cost;
    }
    r.entryTable.push_back(entry);
  }
  potion->holder.effectEntries = r.entryTable.data();
  potion->holder.effectCount = static_cast<u32>(r.entryTable.size());
  potion->manualValue = wanted.manualValue;
  potion->alchemyFlags = wanted.flags;
  auto* weight = r.At<WeightComponent>(HostClass::kWeightComponent);
  weight->weight = wanted.weight;
  r.Writable(&potion->manualValue, sizeof(potion->manualValue));
  r.Writable(&potion->alchemyFlags, sizeof(potion->alchemyFlags));
  r.Writable(&weight->weight, sizeof(weight->weight));
  Index(r);
  return potion;
}

TESForm* FormStore::AddIngredient(const IngredientSpec& wanted) {
  std::lock_guard lock(mutex_);
  Planner plan{kHeader};
  std::size_t valueAt = plan.Place(sizeof(ValueComponent));
  std::size_t weightAt = plan.Place(sizeof(WeightComponent));
  Record& r = Create(FormType::kIngredient, plan.Total());
  r.views[static_cast<u32>(HostClass::kIngredientItem)] = 0;
  r.views[static_cast<u32>(HostClass::kValueComponent)] = static_cast<std::ptrdiff_t>(valueAt);
  r.views[static_cast<u32>(HostClass::kWeightComponent)] = static_cast<std::ptrdiff_t>(weightAt);
  auto* value = r.At<ValueComponent>(HostClass::kValueComponent);
  auto* weight = r.At<WeightComponent>(HostClass::kWeightComponent);
  value->value = wanted.value;
  weight->weight = wanted.weight;
  r.Writable(&value->value, sizeof(value->value));
  r.Writable(&weight->weight, sizeof(weight->weight));
  Index(r);
  return reinterpret_cast<TESForm*>(r.Base());
}

EffectSetting* FormStore::AddEffect(const EffectSpec& wanted) {
  std::lock_guard lock(mutex_);
  Planner plan{sizeof(EffectSetting)};
  Record& r = Create(FormType::kMagicEffect, plan.Total());
  auto* effect = reinterpret_cast<EffectSetting*>(r.Base());
  effect->relatedForm = wanted.relatedForm;
  effect->secondaryWeight = wanted.secondaryWeight;
  effect->archetype = wanted.archetype;
  effect->primaryActorValue = wanted.primaryActorValue;
  effect->secondaryActorValue = wanted.secondaryActorValue;
  r.Writable(&effect->relatedForm, sizeof(effect->relatedForm));
  r.Writable(&effect->secondaryWeight, sizeof(effect->secondaryWeight));
  r.Writable(&effect->archetype, sizeof(effect->archetype));
  r.Writable(&effect->primaryActorValue, sizeof(effect->primaryActorValue));
  r.Writable(&effect->secondaryActorValue, sizeof(effect->secondaryActorValue));
  Index(r);
  return effect;
}

TESForm* FormStore::AddForm(const FormSpec& wanted) {
  std::lock_guard lock(mutex_);
  Planner plan{kHeader};
  std::ptrdiff_t valueAt =
      wanted.value ? static_cast<std::ptrdiff_t>(plan.Place(sizeof(ValueComponent))) : -1;
  std::ptrdiff_t weightAt =
      wanted.weight ? static_cast<std::ptrdiff_t>(plan.Place(sizeof(WeightComponent))) : -1;
  std::ptrdiff_t relatedAt =
      wanted.related ? static_cast<std::ptrdiff_t>(plan.Place(RelatedPartSize(*wanted.related)))
                     : -1;
  Record& r = Create(wanted.formType, plan.Total());
  if (wanted.value) {
    r.views[static_cast<u32>(HostClass::kValueComponent)] = valueAt;
    auto* value = r.At<ValueComponent>(HostClass::kValueComponent);
    value->value = *wanted.value;
    r.Writable(&value->value, sizeof(value->value));
  }
  if (wanted.weight) {
    r.views[static_cast<u32>(HostClass::kWeightComponent)] = weightAt;
    auto* weight = r.At<WeightComponent>(HostClass::kWeightComponent);
    weight->weight = *wanted.weight;
    r.Writable(&weight->weight, sizeof(weight->weight));
  }
  if (wanted.related) {
    r.views[static_cast<u32>(*wanted.related)] = relatedAt;
    if (*wanted.related == HostClass::kSummonCreatureForm) {
      r.At<SummonCreatureForm>(*wanted.related)->summonFlags = wanted.summonFlags;
    } else if (*wanted.related == HostClass::kCloakForm) {
      auto* cloak = r.At<CloakForm>(*wanted.related);
      cloak->modeWord1 = wanted.modeWord1;
      cloak->modeWord2 = wanted.modeWord2;
    }
  }
  Index(r);
  return reinterpret_cast<TESForm*>(r.Base());
}

void* FormStore::Cast(void* object, u32 sourceClass, u32 targetClass) {
  if (object == nullptr) return nullptr;
  if (sourceClass >= kHostClassCount || targetClass >= kHostClassCount) {
    problems_.Report("cast: unknown class code " + std::to_string(sourceClass) + " -> " +
                     std::to_string(targetClass));
    return nullptr;
  }
  std::lock_guard lock(mutex_);
  auto it = byView_.find({object, sourceClass});
  if (it == byView_.end()) {
    std::ostringstream out;
    out << "cast: " << object << " is no " << HostClassName(sourceClass) << " (cast to "
        << HostClassName(targetClass) << ")";
    problems_.Report(out.str());
    return nullptr;
  }
  Record& r = *it->second;
  if (r.views[targetClass] < 0) return nullptr;
  return r.Base() + r.views[targetClass];
}

std::optional<FormIdentity> FormStore::Identify(const void* form) const {
  std::lock_guard lock(mutex_);
  auto it = byView_.find({form, static_cast<u32>(HostClass::kTESForm)});
  if (it == byView_.end()) return std::nullopt;
  Record& r = *it->second;
  return FormIdentity{r.formId, r.formType, r.live, r.Base()};
}

std::optional<FormIdentity> FormStore::ById(u32 formId) const {
  std::lock_guard lock(mutex_);
  auto it = byId_.find(formId);
  if (it == byId_.end()) return std::nullopt;
  Record& r = *it->second;
  return FormIdentity{r.formId, r.formType, r.live, r.Base()};
}

void FormStore::SetLive(const void* form, bool live) {
  std::lock_guard lock(mutex_);
  auto it = byView_.find({form, static_cast<u32>(HostClass::kTESForm)});
  if (it != byView_.end()) it->second->live = live;
}

i32 FormStore::PotionGoldValue(const AlchemyItem* potion) {
  if ((potion->alchemyFlags & kManualValueBit) != 0) return potion->manualValue;
  i32 sum = 0;
  for (u32 i = 0; i < potion->holder.effectCount; ++i) {
    const EffectEntry* entry = potion->holder.effectEntries[i];
    if (entry != nullptr) sum += static_cast<i32>(entry->cost);
  }
  return sum;
}

void FormStore::Accept(const void* form) {
  std::lock_guard lock(mutex_);
  auto it = byView_.find({form, static_cast<u32>(HostClass::kTESForm)});
  if (it != byView_.end()) {
    Record& r = *it->second;
    r.snapshot.assign(r.Base(), r.Base() + r.size);
  }
}

std::vector<std::string> FormStore::CheckUntouched() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> problems;
  for (const auto& record : records_) {
    std::vector<bool> open(record->size, false);
    for (auto [offset, length] : record->writable) {
      for (std::size_t i = 0; i < length; ++i) open[offset + i] = true;
    }
    for (std::size_t i = 0; i < record->size; ++i) {
      if (!open[i] && record->Base()[i] != record->snapshot[i]) {
        problems.push_back(FormName(record->formId) + ": byte at offset " + std::to_string(i) +
                           ", outside every field the plugin may write, was changed");
        break;
      }
    }
  }
  return problems;
}

std::size_t FormStore::Count() const {
  std::lock_guard lock(mutex_);
  return records_.size();
}

void FormStore::Reset() {
  std::lock_guard lock(mutex_);
  byView_.clear();
  byId_.clear();
  records_.clear();
  nextId_ = 0;
}

}  // namespace vialmark::substitute
