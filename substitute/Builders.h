// Builders that keep tests short. A Scene resets the world when it is made; everything it
// creates (forms, objects, arrays, argument frames, result slots) it holds until Finish() or
// its destruction, when it lets go of each reference it took and the world checks its balance.
// Its builders and Call may be used from several threads at once; Finish may not.
//
//   Scene scene;
//   AlchemyItem* potion = scene.Potion({.effectCosts = {10.5f, std::nullopt}, .weight = 0.5f});
//   ScriptValue result = scene.Call(function, {scene.ObjectValue(potion), Scene::Int(7)});
//   EXPECT_THAT(scene.Finish(), IsEmpty());
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/FunctionObject.h"
#include "host/GameRecords.h"
#include "host/ScriptVM.h"
#include "substitute/World.h"

namespace vialmark::substitute {

// The two words the substitute passes as the first and third arguments of Execute.
inline constexpr uptr kExecuteFirst = 0xA1A1;
inline constexpr uptr kExecuteThird = 0xB2B2;

class Scene {
 public:
  Scene();
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  World& world() { return world_; }

  // Forms.
  AlchemyItem* Potion(const PotionSpec& wanted = {});
  IngredientItem* Ingredient(i32 value, float weight);
  EffectSetting* Effect(const EffectSpec& wanted = {});
  TESForm* Form(const FormSpec& wanted = {});
  // A form with a part of a related-form class, of the form type that class belongs to.
  TESForm* Related(HostClass kind, FormSpec wanted = {});
  // The form as `target`, through the host's cast from TESForm; null when it is none.
  void* View(const void* form, HostClass target);
  u64 HandleOf(const void* form);
  void Kill(const void* form);
  static i32 GoldValue(const AlchemyItem* potion) { return FormStore::PotionGoldValue(potion); }

  // Classes and the type words of their objects and object arrays (0 and 1 when the registry
  // has no class for the form type).
  ClassInfo* Class(u32 formType);
  uptr ClassWord(u32 formType);
  uptr ArrayWord(u32 formType);

  // The script object of `form`, of the class of `classFormType` (by default the form's own
  // type), bound to the form's handle. Made once per form and class; the scene holds one
  // reference on it.
  ScriptObject* Object(const void* form, std::optional<u32> classFormType = std::nullopt);

  // Slot values. Values that name an object or an array are held by the scene; placing them
  // in an argument list, an array or a result slot adds the reference that place holds.
  static ScriptValue None() { return ScriptValue{TypeCode::kNone, 0}; }
  static ScriptValue Int(i32 value);
  static ScriptValue Float(float value);
  static ScriptValue Bool(bool value);
  static ScriptValue String(const char* text);  // interned
  static ScriptValue Raw(uptr type, uptr data) { return ScriptValue{type, data}; }
  ScriptValue ObjectValue(const void* form, std::optional<u32> classFormType = std::nullopt);
  static ScriptValue ObjectValue(ScriptObject* object);
  ScriptValue NullObject(u32 formType);
  ScriptValue IntArray(const std::vector<i32>& values);
  ScriptValue FloatArray(const std::vector<float>& values);
  ScriptValue BoolArray(const std::vector<bool>& values);
  // An array of the class of `formType`; a null entry becomes a null object element.
  ScriptValue FormArray(u32 formType, const std::vector<const void*>& forms);
  // An array of any type word with any element slots.
  ScriptValue Array(uptr typeWord, const std::vector<ScriptValue>& elements);
  static ScriptValue NullArray(uptr typeWord) { return ScriptValue{typeWord, 0}; }
  static ScriptArray* ArrayOf(const ScriptValue& value);
  static ScriptValue* ElementsOf(const ScriptValue& value);

  // A result slot holding a copy of `initial`.
  ScriptValue* ResultSlot(const ScriptValue& initial = None());
  // A pushed argument frame; the call state's first word is its argument list.
  CallState* Arguments(const std::vector<ScriptValue>& arguments);
  // Calls position 22 (Execute) through IFunction, as the VM does, with the world's registry,
  // a fresh frame of `arguments` and a result slot holding `initialResult`; pops the frame and
  // answers the result slot (which the scene keeps and releases at the end).
  ScriptValue Call(IFunction* function, const std::vector<ScriptValue>& arguments,
                   const ScriptValue& initialResult = None());
  // Execute's answer in the latest call.
  bool LastAnswer() const { return lastAnswer_.load(); }

  // Lets go of everything held, has the host destroy the registered function objects and
  // answers the world's balance.
  std::vector<std::string> Finish();

 private:
  void LetGo();

  World& world_;
  std::mutex mutex_;
  std::map<std::pair<const void*, u32>, ScriptObject*> objects_;
  std::vector<ScriptObject*> objectOrder_;
  std::vector<ScriptValue> arrays_;
  std::vector<CallState*> frames_;
  std::vector<std::unique_ptr<ScriptValue>> results_;
  std::atomic<bool> lastAnswer_ = false;
};

}  // namespace vialmark::substitute
