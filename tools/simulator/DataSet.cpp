#include "tools/simulator/DataSet.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>

#include <toml++/toml.h>

#include "effects/Archetypes.h"
#include "substitute/ActorValues.h"
#include "substitute/Forms.h"
#include "substitute/Objects.h"
#include "tools/simulator/Text.h"

namespace vialmark::simulator {
namespace {

struct RelatedKind {
  const char* name;  // the archetype that accepts such a form
  HostClass part;
};
constexpr RelatedKind kRelatedKinds[] = {
    {"PeakValueMod", HostClass::kPeakValueModForm},
    {"Light", HostClass::kLightForm},
    {"BoundWeapon", HostClass::kBoundWeaponForm},
    {"SummonCreature", HostClass::kSummonCreatureForm},
    {"Guide", HostClass::kGuideForm},
    {"Cloak", HostClass::kCloakForm},
    {"Werewolf", HostClass::kWerewolfForm},
    {"EnhanceWeapon", HostClass::kEnhanceWeaponForm},
};

// Form types a [form] record may take: every script class but the four the functions name.
bool IsPlainFormType(std::uint32_t formType) {
  return formType != FormType::kAny && formType != FormType::kPotion &&
         formType != FormType::kIngredient && formType != FormType::kMagicEffect;
}

std::vector<std::string> PlainFormTypeNames() {
  std::vector<std::string> names;
  for (const auto& entry : substitute::kClassNames) {
    if (IsPlainFormType(entry.formType)) names.emplace_back(entry.name);
  }
  return names;
}

std::vector<std::string> ArchetypeNameList() {
  std::vector<std::string> names;
  for (const ArchetypeName& entry : kArchetypeTable) {
    if (entry.code != kNoArchetype) names.emplace_back(entry.text);
  }
  return names;
}

std::vector<std::string> ActorValueNames() {
  std::vector<std::string> names;
  for (std::uint32_t id = 0; id < kActorValueCount; ++id) {
    if (const char* name = substitute::ActorValueName(id)) names.emplace_back(name);
  }
  return names;
}

std::string Join(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

class Reader {
 public:
  explicit Reader(const std::string& file) : file_(file) {}

  SourcePlace Place(const toml::source_region& region) const {
    return {file_, static_cast<unsigned>(region.begin.line),
            static_cast<unsigned>(region.begin.column)};
  }
  [[noreturn]] void Fail(const toml::source_region& region, const std::string& message) const {
    throw InputError(Place(region), message);
  }

  // One record's table: every key must be known, and each is read once.
  class Fields {
   public:
    Fields(const Reader& reader, const toml::table& table, std::string what,
           std::vector<std::string> known)
        : reader_(reader), table_(table), what_(std::move(what)), known_(std::move(known)) {
      for (const auto& [key, node] : table_) {
        const std::string name(key.str());
        if (std::find(known_.begin(), known_.end(), name) == known_.end()) {
          reader_.Fail(key.source(), "unknown key '" + name + "' in " + what_ +
                                         DidYouMean(name, known_) +
                                         "; the keys here are: " + Join(known_));
        }
      }
    }

    const toml::node* Find(std::string_view key) const { return table_.get(key); }

    std::optional<std::int64_t> Integer(std::string_view key, std::int64_t low,
                                        std::int64_t high) const {
      const toml::node* node = Find(key);
      if (node == nullptr) return std::nullopt;
      const auto value = node->value<std::int64_t>();
      if (!node->is_integer() || !value) {
        reader_.Fail(node->source(), Key(key) + " must be a whole number, as in " +
                                         std::string(key) + " = 25; found " + Kind(*node));
      }
      if (*value < low || *value > high) {
        reader_.Fail(node->source(), Key(key) + " must be between " + std::to_string(low) +
                                         " and " + std::to_string(high) + "; found " +
                                         std::to_string(*value));
      }
      return *value;
    }
    std::optional<float> Real(std::string_view key) const {
      const toml::node* node = Find(key);
      if (node == nullptr) return std::nullopt;
      if (!node->is_number()) {
        reader_.Fail(node->source(), Key(key) + " must be a number, as in " + std::string(key) +
                                         " = 0.5; found " + Kind(*node));
      }
      return static_cast<float>(*node->value<double>());
    }
    std::optional<bool> Flag(std::string_view key) const {
      const toml::node* node = Find(key);
      if (node == nullptr) return std::nullopt;
      if (!node->is_boolean()) {
        reader_.Fail(node->source(), Key(key) + " must be true or false; found " + Kind(*node));
      }
      return *node->value<bool>();
    }
    const toml::node* Text(std::string_view key) const {
      const toml::node* node = Find(key);
      if (node != nullptr && !node->is_string()) {
        reader_.Fail(node->source(), Key(key) + " must be a \"quoted\" text; found " + Kind(*node));
      }
      return node;
    }

    std::string Key(std::string_view key) const { return "'" + std::string(key) + "'"; }
    static std::string Kind(const toml::node& node) {
      switch (node.type()) {
        case toml::node_type::string:
          return "the text " + Quoted(*node.value<std::string>());
        case toml::node_type::integer:
          return "the whole number " + std::to_string(*node.value<std::int64_t>());
        case toml::node_type::floating_point:
          return "the number " + FloatText(static_cast<float>(*node.value<double>()));
        case toml::node_type::boolean:
          return *node.value<bool>() ? "true" : "false";
        case toml::node_type::array:
          return "an array";
        case toml::node_type::table:
          return "a table";
        default:
          return "a date or time";
      }
    }

   private:
    const Reader& reader_;
    const toml::table& table_;
    std::string what_;
    std::vector<std::string> known_;
  };

  // A name from a fixed list, ignoring case; answers its index. Short lists are spelled out
  // in the message.
  std::size_t Choose(const toml::node& node, const std::string& what,
                     const std::vector<std::string>& names, const std::string& note = "") const {
    const std::string text = *node.value<std::string>();
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (SameName(text, names[i])) return i;
    }
    const std::string hint = DidYouMean(text, names);
    Fail(node.source(), "unknown " + what + " " + Quoted(text) + hint +
                            (names.size() <= 12 ? "; one of: " + Join(names) : "") + note);
  }

  std::int32_t ActorValue(const toml::node* node, const std::string& what) const {
    if (node == nullptr) return -1;
    static const std::vector<std::string> names = ActorValueNames();
    return static_cast<std::int32_t>(Choose(*node, what, names));
  }

  PotionRecord Potion(const Fields& fields) const {
    PotionRecord potion;
    if (const toml::node* effects = fields.Find("effects")) {
      const toml::array* list = effects->as_array();
      if (list == nullptr) {
        Fail(effects->source(),
             "'effects' must be an array of { effect = \"ID\", cost = 1.5 }; "
             "found " +
                 Fields::Kind(*effects));
      }
      for (const toml::node& element : *list) {
        const toml::table* entry = element.as_table();
        if (entry == nullptr) {
          Fail(element.source(),
               "each entry of 'effects' is written { effect = \"ID\", cost = "
               "1.5 }; found " +
                   Fields::Kind(element));
        }
        Fields entryFields(*this, *entry, "an effect entry", {"effect", "cost"});
        PotionEffect effect;
        const auto cost = entryFields.Real("cost");
        if (!cost) Fail(element.source(), "this effect entry has no 'cost'");
        effect.cost = *cost;
        if (const toml::node* name = entryFields.Text("effect")) {
          effect.effect = *name->value<std::string>();
          references_.push_back({name, "an effect", true});
        }
        potion.effects.push_back(effect);
      }
    }
    potion.manualValue =
        static_cast<std::int32_t>(fields.Integer("manualValue", INT32_MIN, INT32_MAX).value_or(0));
    potion.autoCalc = fields.Flag("autoCalc").value_or(true);
    potion.weight = fields.Real("weight").value_or(0.5f);
    return potion;
  }

  IngredientRecord Ingredient(const Fields& fields) const {
    IngredientRecord ingredient;
    ingredient.value =
        static_cast<std::int32_t>(fields.Integer("value", INT32_MIN, INT32_MAX).value_or(0));
    ingredient.weight = fields.Real("weight").value_or(0.1f);
    return ingredient;
  }

  EffectRecord Effect(const Fields& fields) const {
    EffectRecord effect;
    if (const toml::node* archetype = fields.Text("archetype")) {
      static const std::vector<std::string> names = ArchetypeNameList();
      effect.archetype = kArchetypeTable[Choose(*archetype, "archetype", names)].code;
    }
    effect.primaryActorValue = ActorValue(fields.Text("primaryActorValue"), "actor value");
    effect.secondaryActorValue = ActorValue(fields.Text("secondaryActorValue"), "actor value");
    effect.secondaryWeight = fields.Real("secondaryWeight").value_or(0.0f);
    if (const toml::node* related = fields.Text("relatedForm")) {
      effect.relatedForm = *related->value<std::string>();
      references_.push_back({related, "a record", false});
    }
    return effect;
  }

  FormRecord Form(const Fields& fields) const {
    FormRecord form;
    form.formType = substitute::Kind::kMiscObject;
    if (const toml::node* type = fields.Text("type")) {
      static const std::vector<std::string> names = PlainFormTypeNames();
      const std::string chosen =
          names[Choose(*type, "form type", names,
                       " (potions, ingredients and effects have tables of their own)")];
      for (const auto& entry : substitute::kClassNames) {
        if (chosen == entry.name) form.formType = entry.formType;
      }
    }
    form.value = Value(fields);
    form.weight = fields.Real("weight");
    return form;
  }

  RelatedRecord Related(const Fields& fields, const toml::table& table) const {
    RelatedRecord related;
    const toml::node* kind = fields.Text("kind");
    std::vector<std::string> names;
    for (const RelatedKind& entry : kRelatedKinds) names.emplace_back(entry.name);
    if (kind == nullptr) {
      Fail(table.source(), "this related form has no 'kind'; the kinds are: " + Join(names));
    }
    related.part = kRelatedKinds[Choose(*kind, "related-form kind", names)].part;
    related.value = Value(fields);
    related.weight = fields.Real("weight");
    const bool summon = related.part == HostClass::kSummonCreatureForm;
    const bool cloak = related.part == HostClass::kCloakForm;
    OnlyFor(fields, "summonable", summon, "SummonCreature");
    OnlyFor(fields, "modeWord1", cloak, "Cloak");
    OnlyFor(fields, "modeWord2", cloak, "Cloak");
    related.summonable = fields.Flag("summonable").value_or(false);
    related.modeWord1 =
        static_cast<std::uint32_t>(fields.Integer("modeWord1", 0, UINT32_MAX).value_or(0));
    related.modeWord2 =
        static_cast<std::uint32_t>(fields.Integer("modeWord2", 0, UINT32_MAX).value_or(0));
    return related;
  }

  static std::optional<std::int32_t> Value(const Fields& fields) {
    if (auto value = fields.Integer("value", INT32_MIN, INT32_MAX)) {
      return static_cast<std::int32_t>(*value);
    }
    return std::nullopt;
  }

  void OnlyFor(const Fields& fields, std::string_view key, bool applies, const char* kind) const {
    const toml::node* node = fields.Find(key);
    if (node != nullptr && !applies) {
      Fail(node->source(), fields.Key(key) + " only applies to related forms of kind " + kind);
    }
  }

  struct Reference {
    const toml::node* node;
    const char* wanted;
    bool effectOnly;
  };
  mutable std::vector<Reference> references_;

 private:
  const std::string& file_;
};

struct Section {
  const char* name;
  std::vector<std::string> keys;
};
const Section kSections[] = {
    {"potion", {"effects", "manualValue", "autoCalc", "weight"}},
    {"ingredient", {"value", "weight"}},
    {"effect",
     {"archetype", "primaryActorValue", "secondaryActorValue", "secondaryWeight", "relatedForm"}},
    {"form", {"type", "value", "weight"}},
    {"related", {"kind", "value", "weight", "summonable", "modeWord1", "modeWord2"}},
};

bool IsEditorId(std::string_view id) {
  if (id.empty() || !(std::isalpha(static_cast<unsigned char>(id[0])) || id[0] == '_')) {
    return false;
  }
  return std::all_of(id.begin(), id.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

}  // namespace

const Record* DataSet::Find(std::string_view editorId) const {
  for (const Record& record : records) {
    if (SameName(record.editorId, editorId)) return &record;
  }
  return nullptr;
}

std::vector<std::string> DataSet::EditorIds() const {
  std::vector<std::string> ids;
  for (const Record& record : records) ids.push_back(record.editorId);
  return ids;
}

DataSet ParseDataSet(std::string_view text, const std::string& file) {
  toml::table root;
  try {
    root = toml::parse(text, std::string_view(file));
  } catch (const toml::parse_error& error) {
    const auto& begin = error.source().begin;
    throw InputError({file, static_cast<unsigned>(begin.line), static_cast<unsigned>(begin.column)},
                     "this is not valid TOML: " + std::string(error.description()));
  }
  Reader reader(file);
  DataSet data;
  data.file = file;
  std::vector<std::string> sectionNames;
  for (const Section& section : kSections) sectionNames.emplace_back(section.name);
  for (const auto& [sectionKey, sectionNode] : root) {
    const std::string sectionName(sectionKey.str());
    const Section* section = nullptr;
    for (const Section& candidate : kSections) {
      if (sectionName == candidate.name) section = &candidate;
    }
    if (section == nullptr) {
      reader.Fail(sectionKey.source(),
                  "unknown table '" + sectionName + "'" + DidYouMean(sectionName, sectionNames) +
                      "; records are written [potion.ID], [ingredient.ID], [effect.ID], "
                      "[form.ID] or [related.ID]");
    }
    const toml::table* records = sectionNode.as_table();
    if (records == nullptr) {
      reader.Fail(sectionKey.source(), "'" + sectionName +
                                           "' must hold one table per record, "
                                           "written [" +
                                           sectionName + ".EditorID]");
    }
    for (const auto& [idKey, recordNode] : *records) {
      const std::string id(idKey.str());
      const toml::table* table = recordNode.as_table();
      if (table == nullptr) {
        reader.Fail(idKey.source(), "'" + sectionName + "." + id + "' must be a table, written [" +
                                        sectionName + "." + id + "] with its keys below it");
      }
      if (!IsEditorId(id)) {
        reader.Fail(idKey.source(), "editor ID " + Quoted(id) +
                                        " cannot be named in a call script: use letters, digits "
                                        "and '_', beginning with a letter or '_'");
      }
      Reader::Fields fields(reader, *table, sectionName + " " + id, section->keys);
      Record record{id, reader.Place(idKey.source()), PotionRecord{}};
      if (section->name == std::string_view("potion")) record.body = reader.Potion(fields);
      if (section->name == std::string_view("ingredient")) record.body = reader.Ingredient(fields);
      if (section->name == std::string_view("effect")) record.body = reader.Effect(fields);
      if (section->name == std::string_view("form")) record.body = reader.Form(fields);
      if (section->name == std::string_view("related"))
        record.body = reader.Related(fields, *table);
      data.records.push_back(std::move(record));
    }
  }
  // The parser keeps keys sorted; the file's order reads better.
  std::stable_sort(data.records.begin(), data.records.end(), [](const Record& a, const Record& b) {
    return a.place.line != b.place.line ? a.place.line < b.place.line
                                        : a.place.column < b.place.column;
  });
  for (std::size_t i = 0; i < data.records.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (SameName(data.records[i].editorId, data.records[j].editorId)) {
        throw InputError(data.records[i].place, "editor ID '" + data.records[i].editorId +
                                                    "' is used twice (first at line " +
                                                    std::to_string(data.records[j].place.line) +
                                                    "); editor IDs ignore case");
      }
    }
  }
  for (const Reader::Reference& reference : reader.references_) {
    const std::string id = *reference.node->value<std::string>();
    const Record* target = data.Find(id);
    if (target == nullptr) {
      reader.Fail(reference.node->source(), "unknown editor ID " + Quoted(id) + ": no record of " +
                                                file + " has it" +
                                                DidYouMean(id, data.EditorIds()));
    }
    if (reference.effectOnly && !std::holds_alternative<EffectRecord>(target->body)) {
      reader.Fail(
          reference.node->source(),
          "'" + id + "' is " + WithArticle(RecordTypeName(*target)) + ", not an effect record");
    }
  }
  return data;
}

DataSet LoadDataSet(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw InputError({path, 0, 0}, "cannot open the data set file");
  std::ostringstream text;
  text << in.rdbuf();
  return ParseDataSet(text.str(), path);
}

std::uint32_t RecordFormType(const Record& record) {
  struct {
    std::uint32_t operator()(const PotionRecord&) const { return FormType::kPotion; }
    std::uint32_t operator()(const IngredientRecord&) const { return FormType::kIngredient; }
    std::uint32_t operator()(const EffectRecord&) const { return FormType::kMagicEffect; }
    std::uint32_t operator()(const FormRecord& form) const { return form.formType; }
    std::uint32_t operator()(const RelatedRecord& related) const {
      return substitute::FormTypeForRelated(related.part);
    }
  } visitor;
  return std::visit(visitor, record.body);
}

std::string RecordTypeName(const Record& record) {
  const std::uint32_t formType = RecordFormType(record);
  for (const auto& entry : substitute::kClassNames) {
    if (entry.formType == formType) return entry.name;
  }
  return "Form";
}

const char* ArchetypeNameOf(std::int32_t code) {
  for (const ArchetypeName& entry : kArchetypeTable) {
    if (entry.code == code && entry.code != kNoArchetype) return entry.text;
  }
  return nullptr;
}

}  // namespace vialmark::simulator
