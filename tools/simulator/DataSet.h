// The game records a session runs on, read from a TOML file. Each record sits under its editor
// ID in a table of its kind:
//
//   [effect.AlchRestoreHealth]
//   archetype = "ValueMod"
//   primaryActorValue = "Health"
//
//   [potion.PotionMinorHealing]
//   effects = [{ effect = "AlchRestoreHealth", cost = 17.6 }]
//   weight = 0.5
//
// Kinds: potion, ingredient, effect, form (any other item with a value and/or a weight) and
// related (the forms an archetype can point at: lights, bound weapons, summoned creatures,
// hazards, cloaks, races, enchantments, keywords). Every key, type, range, name and reference
// is checked here, so that a session never starts on a data set it cannot build.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/Types.h"
#include "tools/simulator/Diagnostics.h"

namespace vialmark::simulator {

struct PotionEffect {
  std::string effect;  // editor ID of an effect record, or empty
  float cost = 0.0f;
};

struct PotionRecord {
  std::vector<PotionEffect> effects;
  std::int32_t manualValue = 0;
  bool autoCalc = true;  // the ManualValue flag clear: the value is the sum of effect costs
  float weight = 0.5f;
};

struct IngredientRecord {
  std::int32_t value = 0;
  float weight = 0.1f;
};

struct EffectRecord {
  std::int32_t archetype = 0;  // code
  std::int32_t primaryActorValue = -1;
  std::int32_t secondaryActorValue = -1;
  float secondaryWeight = 0.0f;
  std::string relatedForm;  // editor ID, or empty
};

struct FormRecord {
  std::uint32_t formType = 0;
  std::optional<std::int32_t> value;
  std::optional<float> weight;
};

struct RelatedRecord {
  HostClass part = HostClass::kLightForm;
  std::optional<std::int32_t> value;
  std::optional<float> weight;
  bool summonable = false;      // summoned creatures
  std::uint32_t modeWord1 = 0;  // cloaks
  std::uint32_t modeWord2 = 0;
};

struct Record {
  std::string editorId;
  SourcePlace place;
  std::variant<PotionRecord, IngredientRecord, EffectRecord, FormRecord, RelatedRecord> body;
};

struct DataSet {
  std::string file;
  std::vector<Record> records;  // in file order

  const Record* Find(std::string_view editorId) const;  // ignores case
  std::vector<std::string> EditorIds() const;
};

// Throws InputError.
DataSet ParseDataSet(std::string_view text, const std::string& file);
DataSet LoadDataSet(const std::string& path);

// The script class name of what a record is ("Potion", "Light", "MiscObject"...).
std::string RecordTypeName(const Record& record);
// The form type the record is made with.
std::uint32_t RecordFormType(const Record& record);

// The archetype name of a code, or null.
const char* ArchetypeNameOf(std::int32_t code);

}  // namespace vialmark::simulator
