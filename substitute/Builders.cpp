#include "substitute/Builders.h"

#include <cstring>

#include "substitute/Strings.h"

namespace vialmark::substitute {
namespace {

// The plugin's table is laid out by hand; the call goes through IFunction as a C++ host's
// would, which the sanitizer's dynamic type check cannot follow.
#if defined(__clang__) || defined(__GNUC__)
__attribute__((no_sanitize("vptr")))
#endif
bool Execute(IFunction* function, ScriptRegistry* registry, ScriptValue* result,
             CallState* state) {
  return function->Execute(kExecuteFirst, registry, kExecuteThird, result, state);
}

}  // namespace

Scene::Scene() : world_(World::Get()) { world_.Reset(); }

Scene::~Scene() { LetGo(); }

AlchemyItem* Scene::Potion(const PotionSpec& wanted) { return world_.Forms().AddPotion(wanted); }

IngredientItem* Scene::Ingredient(i32 value, float weight) {
  return reinterpret_cast<IngredientItem*>(
      world_.Forms().AddIngredient(IngredientSpec{value, weight}));
}

EffectSetting* Scene::Effect(const EffectSpec& wanted) { return world_.Forms().AddEffect(wanted); }

TESForm* Scene::Form(const FormSpec& wanted) { return world_.Forms().AddForm(wanted); }

TESForm* Scene::Related(HostClass kind, FormSpec wanted) {
  wanted.related = kind;
  wanted.formType = FormTypeForRelated(kind);
  return world_.Forms().AddForm(wanted);
}

void* Scene::View(const void* form, HostClass target) {
  return world_.Forms().Cast(const_cast<void*>(form), static_cast<u32>(HostClass::kTESForm),
                             static_cast<u32>(target));
}

u64 Scene::HandleOf(const void* form) { return world_.Handles().HandleOf(form); }

void Scene::Kill(const void* form) { world_.Handles().Kill(form); }

ClassInfo* Scene::Class(u32 formType) { return world_.Objects().ClassFor(formType); }

uptr Scene::ClassWord(u32 formType) { return reinterpret_cast<uptr>(Class(formType)); }

uptr Scene::ArrayWord(u32 formType) { return ClassWord(formType) | 1; }

ScriptObject* Scene::Object(const void* form, std::optional<u32> classFormType) {
  auto identity = world_.Forms().Identify(form);
  if (!identity) return nullptr;
  u32 type = classFormType.value_or(identity->formType);
  auto key = std::make_pair(form, type);
  std::lock_guard lock(mutex_);
  if (auto it = objects_.find(key); it != objects_.end()) return it->second;
  ClassInfo* info = Class(type);
  if (info == nullptr) return nullptr;
  ScriptObject* object = world_.Objects().CreateObject(info);
  world_.Objects().Hold(object);
  world_.Objects().Bind(object, HandleOf(form));
  objects_[key] = object;
  objectOrder_.push_back(object);
  return object;
}

ScriptValue Scene::Int(i32 value) {
  return ScriptValue{TypeCode::kInt, static_cast<uptr>(static_cast<u32>(value))};
}

ScriptValue Scene::Float(float value) {
  u32 bits = 0;
  std::memcpy(&bits, &value, sizeof(bits));
  return ScriptValue{TypeCode::kFloat, bits};
}

ScriptValue Scene::Bool(bool value) { return ScriptValue{TypeCode::kBool, value ? 1u : 0u}; }

ScriptValue Scene::String(const char* text) {
  return ScriptValue{TypeCode::kString, reinterpret_cast<uptr>(Intern(text))};
}

ScriptValue Scene::ObjectValue(const void* form, std::optional<u32> classFormType) {
  ScriptObject* object = Object(form, classFormType);
  if (object == nullptr) return NullObject(classFormType.value_or(FormType::kAny));
  return ObjectValue(object);
}

ScriptValue Scene::ObjectValue(ScriptObject* object) {
  return ScriptValue{reinterpret_cast<uptr>(object->classInfo), reinterpret_cast<uptr>(object)};
}

ScriptValue Scene::NullObject(u32 formType) { return ScriptValue{ClassWord(formType), 0}; }

ScriptValue Scene::IntArray(const std::vector<i32>& values) {
  std::vector<ScriptValue> elements;
  for (i32 value : values) elements.push_back(Int(value));
  return Array(TypeCode::kIntArray, elements);
}

ScriptValue Scene::FloatArray(const std::vector<float>& values) {
  std::vector<ScriptValue> elements;
  for (float value : values) elements.push_back(Float(value));
  return Array(TypeCode::kFloatArray, elements);
}

ScriptValue Scene::BoolArray(const std::vector<bool>& values) {
  std::vector<ScriptValue> elements;
  for (bool value : values) elements.push_back(Bool(value));
  return Array(TypeCode::kBoolArray, elements);
}

ScriptValue Scene::FormArray(u32 formType, const std::vector<const void*>& forms) {
  std::vector<ScriptValue> elements;
  for (const void* form : forms) {
    elements.push_back(form != nullptr ? ObjectValue(form, formType) : NullObject(formType));
  }
  return Array(ArrayWord(formType), elements);
}

ScriptValue Scene::Array(uptr typeWord, const std::vector<ScriptValue>& elements) {
  ObjectStore& objects = world_.Objects();
  ScriptArray* array = objects.CreateArray(typeWord, static_cast<u32>(elements.size()));
  objects.Hold(array);
  ScriptValue* slots = vialmark::ElementsOf(array);
  for (std::size_t i = 0; i < elements.size(); ++i) objects.CopyValue(&slots[i], &elements[i]);
  ScriptValue value{typeWord, reinterpret_cast<uptr>(array)};
  std::lock_guard lock(mutex_);
  arrays_.push_back(value);
  return value;
}

ScriptArray* Scene::ArrayOf(const ScriptValue& value) {
  return reinterpret_cast<ScriptArray*>(value.data);
}

ScriptValue* Scene::ElementsOf(const ScriptValue& value) {
  return vialmark::ElementsOf(ArrayOf(value));
}

ScriptValue* Scene::ResultSlot(const ScriptValue& initial) {
  auto slot = std::make_unique<ScriptValue>(None());
  world_.Objects().CopyValue(slot.get(), &initial);
  std::lock_guard lock(mutex_);
  results_.push_back(std::move(slot));
  return results_.back().get();
}

CallState* Scene::Arguments(const std::vector<ScriptValue>& arguments) {
  CallState* state = world_.Frames().Push(arguments);
  std::lock_guard lock(mutex_);
  frames_.push_back(state);
  return state;
}

ScriptValue Scene::Call(IFunction* function, const std::vector<ScriptValue>& arguments,
                        const ScriptValue& initialResult) {
  ScriptValue* result = ResultSlot(initialResult);
  CallState* state = world_.Frames().Push(arguments);
  lastAnswer_ = Execute(function, &world_.Registry(), result, state);
  world_.Frames().Pop(state);
  return *result;
}

void Scene::LetGo() {
  std::lock_guard lock(mutex_);
  ObjectStore& objects = world_.Objects();
  for (CallState* state : frames_) world_.Frames().Pop(state);
  frames_.clear();
  for (auto& result : results_) objects.ReleaseValue(result.get());
  results_.clear();
  for (const ScriptValue& array : arrays_) {
    objects.Unhold(ArrayOf(array));
    ScriptValue copy = array;
    objects.ReleaseValue(&copy);
  }
  arrays_.clear();
  for (ScriptObject* object : objectOrder_) {
    objects.Unhold(object);
    objects.ReleaseObject(object);
  }
  objectOrder_.clear();
  objects_.clear();
}

std::vector<std::string> Scene::Finish() {
  LetGo();
  return world_.Finish();
}

}  // namespace vialmark::substitute
