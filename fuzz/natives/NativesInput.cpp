#include "fuzz/natives/NativesInput.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <sstream>

#include "effects/Archetypes.h"
#include "fuzz/ByteReader.h"
#include "fuzz/natives/CallBooks.h"
#include "fuzz/natives/RecordFields.h"
#include "plugin/Catalogue.h"
#include "plugin/Handshake.h"
#include "substitute/Builders.h"

namespace vialmark::fuzz {
namespace {

using substitute::Scene;

// The form types whose classes scripts see; every object and array slot picks one of them,
// whatever the parameter asks for.
constexpr u32 kClassTypes[] = {FormType::kAny, FormType::kPotion, FormType::kIngredient,
                               FormType::kMagicEffect};
constexpr const char* kClassNames[] = {"Form", "Potion", "Ingredient", "MagicEffect"};

constexpr i32 kInts[] = {0,
                         1,
                         -1,
                         2,
                         7,
                         100,
                         255,
                         1000,
                         65536,
                         std::numeric_limits<i32>::max(),
                         std::numeric_limits<i32>::min()};
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kFloats[] = {
    0.0f,   -0.0f, 1.0f,   -1.0f, 0.5f,  2.0f,  1.5f,   100.0f,
    1e-40f, 3e38f, -3e38f, kInf,  -kInf, 1e10f, -1e10f, std::numeric_limits<float>::quiet_NaN()};
// Archetype and actor value names, near misses, and texts that are neither.
constexpr const char* kStrings[] = {
    "ValueMod",  "PeakValueMod", "Light",   "SummonCreature", "Cloak", "Werewolf", "valuemod",
    "Health",    "Magicka",      "Stamina", "health",         "None",  "",         " ",
    "ValueMod ", "NoSuchThing",  "Script",  "EnhanceWeapon"};

std::string FloatText(float value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

class Player {
 public:
  Player(ByteReader& in, std::vector<std::string>* trace) : in_(in), trace_(trace) {}

  std::vector<std::string> Run() {
    std::vector<std::string> problems = Start();
    if (!problems.empty()) return problems;
    RecordFields fields(pool_.descriptions);
    for (std::size_t i = 0; i < pool_.forms.size(); ++i) fields.Add(scene_, i, pool_.forms[i]);
    fields.Snapshot();
    // A bounded number of calls keeps every input quick.
    for (int call = 0; call < 24 && !in_.Empty(); ++call) {
      const CatalogueEntry& entry = kCatalogue[in_.Below(kCatalogueSize)];
      std::vector<ScriptValue> arguments;
      std::string text = std::string(entry.name) + "(";
      for (u32 a = 0; a < entry.parameterCount; ++a) {
        if (a != 0) text += ", ";
        arguments.push_back(Slot(text));
      }
      text += ")";
      if (trace_ != nullptr) trace_->push_back(text);
      ScriptValue initial = in_.Below(4) == 0 ? Scene::Int(5) : Scene::None();
      for (const ScriptValue& argument : arguments) books_.Watch(argument);
      books_.Before();
      ScriptValue result = scene_.Call(functions_[entry.name], arguments, initial);
      problems = books_.After(result);
      for (std::string& line : fields.Changes(entry.name)) problems.push_back(std::move(line));
      if (!problems.empty()) {
        // Built by appending: GCC 12 misreads a chain of + here at -O3 (-Wrestrict).
        std::string where = "after call #";
        where.append(std::to_string(call + 1)).append(": ").append(text);
        problems.insert(problems.begin(), std::move(where));
        return problems;
      }
    }
    for (ScriptObject* object : unbound_) {
      scene_.world().Objects().Unhold(object);
      scene_.world().Objects().ReleaseObject(object);
    }
    problems = scene_.Finish();
    if (!problems.empty()) problems.insert(problems.begin(), "at the end of the input:");
    return problems;
  }

 private:
  struct Pool {
    std::vector<const void*> forms;
    std::vector<std::string> descriptions;
    void Add(const void* form, std::string description) {
      forms.push_back(form);
      descriptions.push_back(std::move(description));
    }
  };

  std::vector<std::string> Start() {
    BuildArchetypeNames();
    substitute::HandshakeHost& handshake = scene_.world().Handshake();
    PluginDescriptor descriptor{};
    if (!SKSEPlugin_Query(handshake.Host(), &descriptor) || !SKSEPlugin_Load() ||
        !handshake.RunRegistration(&scene_.world().Registry())) {
      return {"the handshake failed"};
    }
    for (IFunction* function : scene_.world().Registry().Added()) {
      auto record = scene_.world().Functions().Find(function);
      if (record) functions_[record->name] = function;
    }
    if (functions_.size() != kCatalogueSize) return {"not every native was registered"};

    TESForm* light = scene_.Related(HostClass::kLightForm);
    pool_.Add(scene_.Potion({.effectCosts = {10.5f, 3.0f}}), "potion A (two effects)");
    pool_.Add(scene_.Potion({.effectCosts = {std::nullopt, 2.5f}, .manualValue = 40, .flags = 1}),
              "potion B (manual value, a null effect)");
    pool_.Add(scene_.Potion({.weight = 0.0f}), "potion C (no effects)");
    pool_.Add(scene_.Ingredient(5, 0.1f), "ingredient A");
    pool_.Add(scene_.Ingredient(0, 2.0f), "ingredient B");
    pool_.Add(scene_.Effect({.archetype = 0, .primaryActorValue = 3}), "effect ValueMod");
    pool_.Add(scene_.Effect({.archetype = 34, .primaryActorValue = 2}), "effect PeakValueMod");
    pool_.Add(scene_.Effect({.archetype = 12, .relatedForm = light}), "effect Light");
    pool_.Add(light, "light");
    pool_.Add(scene_.Related(HostClass::kSummonCreatureForm, {.summonFlags = 0x4000}),
              "summoned creature");
    pool_.Add(scene_.Related(HostClass::kCloakForm, {.modeWord1 = 1, .modeWord2 = 2}), "cloak");
    pool_.Add(scene_.Form({.value = 7, .weight = 1.5f}), "misc form with value and weight");
    pool_.Add(scene_.Form({}), "misc form without components");
    const void* deadPotion = scene_.Potion({.effectCosts = {4.0f}});
    const void* deadIngredient = scene_.Ingredient(9, 0.3f);
    pool_.Add(deadPotion, "dead potion");
    pool_.Add(deadIngredient, "dead ingredient");
    // Objects of the dead forms exist before their handles die, as a script may still hold one.
    scene_.Object(deadPotion);
    scene_.Object(deadIngredient);
    scene_.Kill(deadPotion);
    scene_.Kill(deadIngredient);
    // Objects bound to the null handle, one per class.
    for (u32 type : kClassTypes) {
      ScriptObject* object = scene_.world().Objects().CreateObject(scene_.Class(type));
      scene_.world().Objects().Hold(object);
      scene_.world().Objects().Bind(object, substitute::kNullHandle);
      unbound_.push_back(object);
      books_.WatchClass(scene_.Class(type));
    }
    return {};
  }

  // One object element or argument: a pool form as an object of any class (its own, another
  // one: a foreign handle), a null object, or an object bound to the null handle.
  ScriptValue ObjectSlot(std::string& text) {
    u32 c = in_.Below(4);
    u32 choice = in_.Below(static_cast<u32>(pool_.forms.size()) + 2);
    if (choice == pool_.forms.size()) {
      text += std::string("null ") + kClassNames[c];
      return scene_.NullObject(kClassTypes[c]);
    }
    if (choice > pool_.forms.size()) {
      text += std::string(kClassNames[c]) + " on the null handle";
      return Scene::ObjectValue(unbound_[c]);
    }
    text += pool_.descriptions[choice] + " as " + kClassNames[c];
    return scene_.ObjectValue(pool_.forms[choice], kClassTypes[c]);
  }

  ScriptValue Slot(std::string& text) {
    switch (in_.Below(12)) {
      case 0:
        text += "none";
        return Scene::None();
      case 1: {
        i32 value = in_.Below(8) == 0 ? static_cast<i32>(in_.Word()) : in_.Pick(kInts);
        text += "int " + std::to_string(value);
        return Scene::Int(value);
      }
      case 2: {
        float value = in_.Pick(kFloats);
        if (in_.Below(8) == 0) {
          u32 bits = in_.Word();
          std::memcpy(&value, &bits, sizeof(value));
        }
        text += "float " + FloatText(value);
        return Scene::Float(value);
      }
      case 3: {
        u8 raw = in_.Pick({u8{0}, u8{1}, u8{2}, u8{255}});
        text += "bool " + std::to_string(raw);
        return Scene::Raw(TypeCode::kBool, raw);
      }
      case 4: {
        if (in_.Below(10) == 0) {
          text += "string (null)";
          return Scene::Raw(TypeCode::kString, 0);
        }
        const char* value = in_.Pick(kStrings);
        text += std::string("string \"") + value + "\"";
        return Scene::String(value);
      }
      case 5:
        return ObjectSlot(text);
      case 6:
        return ObjectArray(text);
      case 7:
      case 8:
      case 9:
        return PlainArray(text);
      case 10: {
        constexpr uptr kWords[] = {TypeCode::kIntArray, TypeCode::kFloatArray,
                                   TypeCode::kBoolArray};
        u32 c = in_.Below(4);
        uptr word = in_.Below(2) == 0 ? in_.Pick(kWords) : scene_.ArrayWord(kClassTypes[c]);
        text += "null array (type word " + std::to_string(word & 0xFF) + ")";
        return Scene::NullArray(word);
      }
      default: {
        // Type words that name no value at all (the VM never stores the two kind words, 1
        // and 11, so they are left out), with any data.
        constexpr uptr kOdd[] = {6, 7, 8, 9, 10, 12};
        uptr word = in_.Pick(kOdd);
        u32 data = in_.Below(2) == 0 ? 0 : in_.Word();
        text += "type word " + std::to_string(word) + " data " + std::to_string(data);
        return Scene::Raw(word, data);
      }
    }
  }

  // Arrays of 0 to 7 elements: usually as long as their partners, sometimes shorter or longer.
  u32 Length() { return in_.Below(8); }

  ScriptValue ObjectArray(std::string& text) {
    u32 c = in_.Below(4);
    u32 length = Length();
    text += std::string(kClassNames[c]) + "[" + std::to_string(length) + "]{";
    std::vector<ScriptValue> elements;
    for (u32 i = 0; i < length; ++i) {
      if (i != 0) text += ", ";
      elements.push_back(ObjectSlot(text));
    }
    text += "}";
    return scene_.Array(scene_.ArrayWord(kClassTypes[c]), elements);
  }

  ScriptValue PlainArray(std::string& text) {
    u32 kind = in_.Below(3);
    u32 length = Length();
    std::vector<ScriptValue> elements;
    constexpr const char* kKinds[] = {"int", "float", "bool"};
    constexpr uptr kWords[] = {TypeCode::kIntArray, TypeCode::kFloatArray, TypeCode::kBoolArray};
    text += std::string(kKinds[kind]) + "[" + std::to_string(length) + "]{";
    for (u32 i = 0; i < length; ++i) {
      if (i != 0) text += ", ";
      if (kind == 0) {
        i32 value = in_.Pick(kInts);
        text += std::to_string(value);
        elements.push_back(Scene::Int(value));
      } else if (kind == 1) {
        float value = in_.Pick(kFloats);
        text += FloatText(value);
        elements.push_back(Scene::Float(value));
      } else {
        u8 raw = in_.Pick({u8{0}, u8{1}, u8{2}});
        text += std::to_string(raw);
        elements.push_back(Scene::Raw(TypeCode::kBool, raw));
      }
    }
    text += "}";
    return scene_.Array(kWords[kind], elements);
  }

  ByteReader& in_;
  std::vector<std::string>* trace_;
  Scene scene_;
  Pool pool_;
  std::map<std::string, IFunction*> functions_;
  std::vector<ScriptObject*> unbound_;
  CallBooks books_{scene_};
};

}  // namespace

std::vector<std::string> RunNativesInput(const std::uint8_t* data, std::size_t size,
                                         std::vector<std::string>* trace) {
  ByteReader in(data, size);
  Player player(in, trace);
  return player.Run();
}

}  // namespace vialmark::fuzz
