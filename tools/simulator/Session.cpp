#include "tools/simulator/Session.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

#include "tools/simulator/Text.h"

namespace vialmark::simulator {
namespace {

using Kind = ValueType::Kind;

class QuietStandardOutput {
 public:
  QuietStandardOutput() {
    std::fflush(stdout);
    saved_ = ::dup(STDOUT_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    if (saved_ >= 0 && null >= 0) ::dup2(null, STDOUT_FILENO);
    if (null >= 0) ::close(null);
  }
  ~QuietStandardOutput() {
    std::fflush(stdout);
    if (saved_ >= 0) {
      ::dup2(saved_, STDOUT_FILENO);
      ::close(saved_);
    }
  }
  QuietStandardOutput(const QuietStandardOutput&) = delete;
  QuietStandardOutput& operator=(const QuietStandardOutput&) = delete;

 private:
  int saved_ = -1;
};

}  // namespace

Session::Session(std::ostream& out) : out_(&out) {}

Session::~Session() {
  if (!finished_) Finish();
}

void Session::Start(const std::string& modulePath) {
  substitute::World& world = scene_.world();
  const QuietStandardOutput quiet;
  if (!module_.Open(modulePath)) throw SessionError(module_.Error());
  *out_ << "[load]     " << modulePath << "\n";
  PluginDescriptor descriptor{};
  const bool queried = module_.Query(world.Handshake().Host(), &descriptor);
  *out_ << "[query]    SKSEPlugin_Query -> " << (queried ? "true" : "false") << ": \""
        << (descriptor.name != nullptr ? descriptor.name : "") << "\" version "
        << descriptor.version << "\n";
  if (!queried) throw SessionError("the module refused to run (SKSEPlugin_Query answered false)");
  const bool loaded = module_.Load();
  *out_ << "[load]     SKSEPlugin_Load -> " << (loaded ? "true" : "false") << "\n";
  if (!loaded) throw SessionError("the module failed to load (SKSEPlugin_Load answered false)");
  world.Handshake().RunRegistration(&world.Registry());
  for (IFunction* function : world.Registry().Added()) {
    if (function == nullptr) continue;
    const auto record = world.Functions().Find(function);
    if (!record) continue;
    const NativeFunctionBase& base = reinterpret_cast<NativeFunctionObject*>(function)->base;
    Signature signature{record->name, function, base.resultType, {}};
    for (u32 i = 0; i < base.hostCount1E; ++i) {
      signature.parameters.push_back(base.parameters[i].typeCode);
    }
    signatures_.push_back(std::move(signature));
  }
  const auto options = world.Registry().Options();
  *out_ << "[register] " << signatures_.size() << " functions of script class \""
        << (options.empty() ? "" : options.front().className) << "\"\n";
  if (signatures_.empty()) throw SessionError("the module registered no functions");
}

ValueType Session::TypeOf(uptr code) const {
  ValueType type;
  switch (code) {
    case TypeCode::kNone:
      type.kind = Kind::kNone;
      return type;
    case TypeCode::kString:
      return {Kind::kString, Kind::kUnknown, 0, "String"};
    case TypeCode::kInt:
      return {Kind::kInt, Kind::kUnknown, 0, "Int"};
    case TypeCode::kFloat:
      return {Kind::kFloat, Kind::kUnknown, 0, "Float"};
    case TypeCode::kBool:
      return {Kind::kBool, Kind::kUnknown, 0, "Bool"};
    case TypeCode::kIntArray:
      return {Kind::kArray, Kind::kInt, 0, "Int[]"};
    case TypeCode::kFloatArray:
      return {Kind::kArray, Kind::kFloat, 0, "Float[]"};
    case TypeCode::kBoolArray:
      return {Kind::kArray, Kind::kBool, 0, "Bool[]"};
    default:
      break;
  }
  type.name = "?" + std::to_string(code);
  if (code < TypeCode::kFirstClass) return type;
  auto* info = reinterpret_cast<ClassInfo*>(code & ~uptr{1});
  substitute::World& world = substitute::World::Get();
  const auto formType = world.Objects().FormTypeOf(info);
  if (!formType || info->name.text == nullptr) return type;
  type.formType = *formType;
  type.name = info->name.text;
  if ((code & 1) != 0) {
    type.kind = Kind::kArray;
    type.element = Kind::kForm;
    type.name += "[]";
  } else {
    type.kind = Kind::kForm;
  }
  return type;
}

std::string Session::ParameterLabel(const Signature& signature, std::size_t index) const {
  std::string label = TypeOf(signature.parameters[index]).name;
  const DeclaredFunction* declared = declarations_.Find(signature.name);
  if (declared != nullptr && index < declared->parameters.size()) {
    label += " " + declared->parameters[index].name;
  }
  return label;
}

std::string Session::SignatureText(const Signature& signature) const {
  const std::string result = TypeOf(signature.result).name;
  std::string text = (result.empty() ? "" : result + " ") + signature.name + "(";
  for (std::size_t i = 0; i < signature.parameters.size(); ++i) {
    text += (i > 0 ? ", " : "") + ParameterLabel(signature, i);
  }
  return text + ")";
}

void Session::Populate(const DataSet& data) {
  data_ = data;
  forms_.assign(data_.records.size(), nullptr);
  // Effects point at related forms, so everything else is made first.
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < data_.records.size(); ++i) {
      const Record& record = data_.records[i];
      const bool isEffect = std::holds_alternative<EffectRecord>(record.body);
      if (isEffect != (pass == 1)) continue;
      const void* form = nullptr;
      if (const auto* potion = std::get_if<PotionRecord>(&record.body)) {
        substitute::PotionSpec shape;
        for (const PotionEffect& effect : potion->effects)
          shape.effectCosts.emplace_back(effect.cost);
        shape.manualValue = potion->manualValue;
        shape.flags = potion->autoCalc ? 0 : kManualValueBit;
        shape.weight = potion->weight;
        form = scene_.Potion(shape);
      } else if (const auto* ingredient = std::get_if<IngredientRecord>(&record.body)) {
        form = scene_.Ingredient(ingredient->value, ingredient->weight);
      } else if (const auto* effect = std::get_if<EffectRecord>(&record.body)) {
        substitute::EffectSpec shape;
        shape.archetype = static_cast<u32>(effect->archetype);
        shape.primaryActorValue = effect->primaryActorValue;
        shape.secondaryActorValue = effect->secondaryActorValue;
        shape.secondaryWeight = effect->secondaryWeight;
        if (!effect->relatedForm.empty()) {
          const Record* related = data_.Find(effect->relatedForm);
          shape.relatedForm = static_cast<TESForm*>(
              const_cast<void*>(forms_[static_cast<std::size_t>(related - data_.records.data())]));
        }
        form = scene_.Effect(shape);
      } else if (const auto* plain = std::get_if<FormRecord>(&record.body)) {
        form = scene_.Form(
            {.formType = plain->formType, .value = plain->value, .weight = plain->weight});
      } else if (const auto* related = std::get_if<RelatedRecord>(&record.body)) {
        substitute::FormSpec shape;
        shape.value = related->value;
        shape.weight = related->weight;
        shape.summonFlags = related->summonable ? kSummonableBit : 0;
        shape.modeWord1 = related->modeWord1;
        shape.modeWord2 = related->modeWord2;
        form = scene_.Related(related->part, shape);
      }
      forms_[i] = form;
      editorIds_[form] = record.editorId;
    }
  }
  constexpr const char* kKinds[] = {"potions", "ingredients", "effects", "other forms",
                                    "related forms"};
  std::size_t counts[std::size(kKinds)] = {};
  for (const Record& record : data_.records) ++counts[record.body.index()];
  *out_ << "[data]     " << data_.file << ":";
  for (std::size_t i = 0; i < std::size(kKinds); ++i) {
    *out_ << (i > 0 ? ", " : " ") << counts[i] << " " << kKinds[i];
  }
  *out_ << "\n";
}

std::vector<PreparedCall> Session::Prepare(const std::vector<Call>& calls,
                                           const std::string& file) const {
  std::vector<std::string> names;
  for (const Signature& signature : signatures_) names.push_back(signature.name);
  std::vector<PreparedCall> prepared;
  for (const Call& call : calls) {
    const auto found =
        std::find_if(signatures_.begin(), signatures_.end(),
                     [&](const Signature& s) { return SameName(s.name, call.name); });
    if (found == signatures_.end()) {
      throw InputError({file, call.line, call.column},
                       "unknown function '" + call.name + "'" + DidYouMean(call.name, names) +
                           "; 'vialmark --help' lists all " + std::to_string(names.size()));
    }
    const Signature& signature = *found;
    const std::size_t wanted = signature.parameters.size();
    if (call.arguments.size() != wanted) {
      const unsigned column =
          call.arguments.size() > wanted ? call.arguments[wanted].column : call.closeColumn;
      throw InputError({file, call.line, column},
                       signature.name + " takes " + std::to_string(wanted) +
                           (wanted == 1 ? " argument" : " arguments") + ", got " +
                           std::to_string(call.arguments.size()) + ": " + SignatureText(signature));
    }
    PreparedCall ready{&signature, {}, file, call.line, call.source};
    for (std::size_t i = 0; i < wanted; ++i) {
      ready.arguments.push_back(Resolve(call.arguments[i], signature.parameters[i], file,
                                        "argument " + std::to_string(i + 1) + " (" +
                                            ParameterLabel(signature, i) + ") of " +
                                            signature.name));
    }
    prepared.push_back(std::move(ready));
  }
  return prepared;
}

void Session::Run(const PreparedCall& call) {
  const Signature& signature = *call.signature;
  const std::vector<Fields> before = Snapshot();
  std::vector<ScriptValue> values;
  for (const Argument& argument : call.arguments) values.push_back(Materialize(argument));
  std::vector<std::string> arraysBefore;
  for (const ScriptValue& value : values) arraysBefore.push_back(ValueText(value));

  const ScriptValue result = scene_.Call(signature.function, values);
  const bool answered = scene_.LastAnswer();
  ++callCount_;
  called_[signature.name] = true;

  std::vector<std::pair<std::string, std::string>> changes;  // what, "before -> after"
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (TypeOf(signature.parameters[i]).kind != Kind::kArray) continue;
    const std::string after = ValueText(values[i]);
    if (after != arraysBefore[i]) {
      const DeclaredFunction* declared = declarations_.Find(signature.name);
      const std::string name = declared != nullptr && i < declared->parameters.size()
                                   ? declared->parameters[i].name
                                   : "argument " + std::to_string(i + 1);
      changes.emplace_back(name, arraysBefore[i] + " -> " + after);
    }
  }
  const std::vector<Fields> after = Snapshot();
  for (std::size_t r = 0; r < after.size(); ++r) {
    for (std::size_t f = 0; f < after[r].size(); ++f) {
      if (after[r][f].second != before[r][f].second) {
        changes.emplace_back(data_.records[r].editorId + "." + after[r][f].first,
                             before[r][f].second + " -> " + after[r][f].second);
      }
    }
  }

  const std::string lineText = std::to_string(call.line);
  *out_ << std::string(lineText.size() < 4 ? 4 - lineText.size() : 0, ' ') << lineText << "  "
        << call.source << "\n";
  const std::string indent(6, ' ');
  if (!answered) *out_ << indent << "!! Execute answered false\n";
  if (TypeOf(signature.result).kind != Kind::kNone) {
    *out_ << indent << "=> " << ValueText(result) << "\n";
  } else if (changes.empty()) {
    *out_ << indent << "(nothing changed)\n";
  }
  std::size_t width = 0;
  for (const auto& change : changes) width = std::max(width, change.first.size());
  for (const auto& [what, text] : changes) {
    *out_ << indent << what << std::string(width - what.size(), ' ') << "  " << text << "\n";
  }
}

std::vector<std::string> Session::Finish() {
  if (finished_) return {};
  finished_ = true;
  module_.Close();
  return scene_.Finish();
}

}  // namespace vialmark::simulator