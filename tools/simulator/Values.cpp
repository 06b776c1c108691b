// How script values are made from the literals of a call and shown again, and the snapshot of
// the data set's records taken around each call.
#include "tools/simulator/Session.h"

#include <cstring>

#include "tools/simulator/Text.h"

namespace vialmark::simulator {
namespace {

using substitute::Scene;
using Kind = ValueType::Kind;

constexpr std::int64_t kIntLow = -2147483648LL;
constexpr std::int64_t kIntHigh = 2147483647LL;

// What a message says a parameter wants.
std::string Expected(const ValueType& type) {
  switch (type.kind) {
    case Kind::kString:
      return "a String such as \"Health\", or None";
    case Kind::kInt:
      return "an Int such as 100";
    case Kind::kFloat:
      return "a Float such as 1.5 (or an Int)";
    case Kind::kBool:
      return "True or False";
    case Kind::kForm:
      return WithArticle(type.name) + ": an editor ID from the data set, or None";
    case Kind::kArray:
      return "an array such as [" +
             std::string(type.element == Kind::kInt     ? "100, 250"
                         : type.element == Kind::kFloat ? "0.5, 1.5"
                         : type.element == Kind::kBool  ? "True, False"
                                                        : "EditorID1, EditorID2") +
             "], or None";
    default:
      return "a value of an unknown type";
  }
}

uptr ElementCode(uptr arrayCode) {
  switch (arrayCode) {
    case TypeCode::kIntArray:
      return TypeCode::kInt;
    case TypeCode::kFloatArray:
      return TypeCode::kFloat;
    case TypeCode::kBoolArray:
      return TypeCode::kBool;
    default:
      return arrayCode & ~uptr{1};
  }
}

std::string ActorValueText(std::int32_t id) {
  if (id == -1) return "none";
  if (const char* name = substitute::ActorValueName(static_cast<std::uint32_t>(id))) return name;
  return std::to_string(id) + " (no actor value)";
}

std::string ArchetypeText(std::uint32_t code) {
  const char* name = ArchetypeNameOf(static_cast<std::int32_t>(code));
  return (name != nullptr ? std::string(name) + " " : std::string("no archetype ")) + "(" +
         std::to_string(code) + ")";
}

// The plugin echoes its log lines on standard output, where the game has no console to show
// them; while the module loads they go nowhere here too, and the log is shown at the end.
}  // namespace

Argument Session::Resolve(const Literal& literal, uptr type, const std::string& file,
                          const std::string& where) const {
  const ValueType expected = TypeOf(type);
  auto fail = [&](const std::string& message) {
    throw InputError({file, literal.line, literal.column}, where + ": " + message);
  };
  auto mismatch = [&]() { fail("expected " + Expected(expected) + ", got " + Describe(literal)); };
  Argument argument;
  argument.kind = literal.kind;
  argument.type = type;
  const bool none = literal.kind == Literal::Kind::kNone;
  switch (expected.kind) {
    case Kind::kString:
      if (none) {
        argument.type = TypeCode::kNone;
      } else if (literal.kind == Literal::Kind::kString) {
        argument.text = literal.text;
      } else {
        mismatch();
      }
      return argument;
    case Kind::kInt:
      if (literal.kind != Literal::Kind::kInt) mismatch();
      if (literal.integer < kIntLow || literal.integer > kIntHigh) {
        fail("the Int " + literal.text + " is outside the Int range -2147483648 to 2147483647");
      }
      argument.integer = static_cast<std::int32_t>(literal.integer);
      return argument;
    case Kind::kFloat:
      if (literal.kind == Literal::Kind::kInt) {
        argument.kind = Literal::Kind::kFloat;
        argument.real = static_cast<float>(literal.integer);
      } else if (literal.kind == Literal::Kind::kFloat) {
        argument.real = literal.real;
      } else {
        mismatch();
      }
      return argument;
    case Kind::kBool:
      if (literal.kind != Literal::Kind::kBool) mismatch();
      argument.flag = literal.flag;
      return argument;
    case Kind::kForm: {
      if (none) return argument;
      if (literal.kind != Literal::Kind::kName) mismatch();
      const Record* record = data_.Find(literal.text);
      if (record == nullptr) {
        fail("unknown editor ID '" + literal.text + "': no record of " + data_.file + " has it" +
             DidYouMean(literal.text, data_.EditorIds()));
      }
      const std::uint32_t formType = RecordFormType(*record);
      if (expected.formType != FormType::kAny && formType != expected.formType) {
        fail("'" + record->editorId + "' is " + WithArticle(RecordTypeName(*record)) + ", not " +
             WithArticle(expected.name));
      }
      argument.form = forms_[static_cast<std::size_t>(record - data_.records.data())];
      return argument;
    }
    case Kind::kArray:
      if (none) return argument;
      if (literal.kind != Literal::Kind::kArray) mismatch();
      for (std::size_t i = 0; i < literal.elements.size(); ++i) {
        argument.elements.push_back(Resolve(literal.elements[i], ElementCode(type), file,
                                            where + ", element " + std::to_string(i + 1)));
      }
      return argument;
    default:
      break;
  }
  throw InputError({file, literal.line, literal.column},
                   where + ": the module registered this parameter with type code " +
                       std::to_string(type) + ", which no script value has");
}

ScriptValue Session::Materialize(const Argument& argument) {
  switch (argument.kind) {
    case Literal::Kind::kInt:
      return Scene::Int(argument.integer);
    case Literal::Kind::kFloat:
      return Scene::Float(argument.real);
    case Literal::Kind::kBool:
      return Scene::Bool(argument.flag);
    case Literal::Kind::kString:
      return Scene::String(argument.text.c_str());
    case Literal::Kind::kName:
      return scene_.ObjectValue(argument.form);
    case Literal::Kind::kArray: {
      std::vector<ScriptValue> elements;
      for (const Argument& element : argument.elements) elements.push_back(Materialize(element));
      return scene_.Array(argument.type, elements);
    }
    case Literal::Kind::kNone:
      break;
  }
  // A typed none: an object or array slot with no address, or an untyped none.
  return Scene::Raw(argument.type, 0);
}

std::string Session::FormText(const void* form) const {
  if (form == nullptr) return "None";
  const auto it = editorIds_.find(form);
  return it != editorIds_.end() ? it->second : "a form outside the data set";
}

std::string Session::ArrayText(const ScriptValue& value) const {
  if (value.data == 0) return "None";
  ScriptArray* array = Scene::ArrayOf(value);
  const ScriptValue* elements = Scene::ElementsOf(value);
  std::string text = "[";
  for (u32 i = 0; i < array->length; ++i) text += (i > 0 ? ", " : "") + ValueText(elements[i]);
  return text + "]";
}

std::string Session::ValueText(const ScriptValue& value) const {
  switch (value.type) {
    case TypeCode::kNone:
      return "None";
    case TypeCode::kString:
      return value.data == 0 ? "None" : Quoted(reinterpret_cast<const char*>(value.data));
    case TypeCode::kInt:
      return std::to_string(static_cast<std::int32_t>(static_cast<u32>(value.data)));
    case TypeCode::kFloat: {
      const auto bits = static_cast<u32>(value.data);
      float real = 0.0f;
      std::memcpy(&real, &bits, sizeof(real));
      return FloatText(real);
    }
    case TypeCode::kBool:
      return (value.data & 0xFF) != 0 ? "True" : "False";
    case TypeCode::kIntArray:
    case TypeCode::kFloatArray:
    case TypeCode::kBoolArray:
      return ArrayText(value);
    default:
      break;
  }
  if (value.type < TypeCode::kFirstClass) return "a value of type " + std::to_string(value.type);
  if ((value.type & 1) != 0) return ArrayText(value);
  if (value.data == 0) return "None";
  const auto* object = reinterpret_cast<const ScriptObject*>(value.data);
  substitute::World& world = substitute::World::Get();
  const auto identity = world.Forms().ById(static_cast<u32>(object->handle));
  return identity ? FormText(identity->address) : "an object bound to no form";
}

std::vector<Session::Fields> Session::Snapshot() {
  std::vector<Fields> snapshot;
  for (std::size_t i = 0; i < data_.records.size(); ++i) {
    const Record& record = data_.records[i];
    const void* form = forms_[i];
    Fields fields;
    auto value = [&] {
      if (auto* component =
              static_cast<ValueComponent*>(scene_.View(form, HostClass::kValueComponent))) {
        fields.emplace_back("value", std::to_string(component->value));
      }
    };
    auto weight = [&] {
      if (auto* component =
              static_cast<WeightComponent*>(scene_.View(form, HostClass::kWeightComponent))) {
        fields.emplace_back("weight", FloatText(component->weight));
      }
    };
    if (std::holds_alternative<PotionRecord>(record.body)) {
      const auto* potion = static_cast<const AlchemyItem*>(form);
      fields.emplace_back("goldValue", std::to_string(Scene::GoldValue(potion)));
      fields.emplace_back("autoCalc",
                          (potion->alchemyFlags & kManualValueBit) == 0 ? "True" : "False");
      fields.emplace_back("manualValue", std::to_string(potion->manualValue));
      weight();
    } else if (std::holds_alternative<EffectRecord>(record.body)) {
      const auto* effect = static_cast<const EffectSetting*>(form);
      fields.emplace_back("archetype", ArchetypeText(effect->archetype));
      fields.emplace_back("primaryActorValue", ActorValueText(effect->primaryActorValue));
      fields.emplace_back("secondaryActorValue", ActorValueText(effect->secondaryActorValue));
      fields.emplace_back("secondaryWeight", FloatText(effect->secondaryWeight));
      fields.emplace_back("relatedForm", FormText(effect->relatedForm));
    } else {
      value();
      weight();
    }
    snapshot.push_back(std::move(fields));
  }
  return snapshot;
}

}  // namespace vialmark::simulator
