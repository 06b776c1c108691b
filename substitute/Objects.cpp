#include "substitute/Objects.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "substitute/Strings.h"

namespace vialmark::substitute {
namespace {

constexpr uptr kClassMarker = 0xC1A55C1A;
constexpr uptr kObjectMarker = 0x0B1EC700;
constexpr uptr kArrayMarker = 0xA77A1000;
constexpr uptr kDeadMarker = 0xDEADDEAD;

// A class block carries host data behind the part the plugin sees.
struct ClassBlock {
  ClassInfo info;
  uptr marker;
  uptr formType;
};

// The same wait as the plugin's: yield for the first 10001 waits, then sleep 1 ms.
void WaitForLock(u32& spins) {
  if (spins > 10000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  } else {
    std::this_thread::yield();
    ++spins;
  }
}

bool IsArrayType(uptr type) {
  return type == TypeCode::kIntArray || type == TypeCode::kFloatArray ||
         type == TypeCode::kBoolArray || (type >= TypeCode::kFirstClass && (type & 1) != 0);
}

bool IsObjectType(uptr type) { return type >= TypeCode::kFirstClass && (type & 1) == 0; }

const char* NameOf(const ClassInfo* info) {
  return info != nullptr && info->name.text != nullptr ? info->name.text : "(none)";
}

}  // namespace

void ObjectStore::CreateClasses() {
  std::lock_guard lock(mutex_);
  for (const ClassName& entry : kClassNames) {
    auto* block = static_cast<ClassBlock*>(heap_.AllocateForHost(sizeof(ClassBlock), "class"));
    block->info.refCount = 1;
    block->info.name.text = Intern(entry.name);
    block->marker = kClassMarker;
    block->formType = entry.formType;
    registered_[entry.formType] = &block->info;
    classes_[&block->info] = ClassState{entry.formType, true};
  }
}

ClassInfo* ObjectStore::ClassFor(u32 formType) const {
  std::lock_guard lock(mutex_);
  auto it = registered_.find(formType);
  return it == registered_.end() ? nullptr : it->second;
}

bool ObjectStore::TakeClass(u32 formType, ClassInfo** out) {
  std::lock_guard lock(mutex_);
  auto it = registered_.find(formType);
  if (it == registered_.end()) return false;
  std::atomic_ref<i32>(it->second->refCount).fetch_add(1);
  *out = it->second;
  return true;
}

ClassInfo* ObjectStore::ClassNamed(const char* identity) const {
  std::lock_guard lock(mutex_);
  for (const auto& [formType, info] : registered_) {
    if (identity != nullptr && info->name.text == identity) return info;
  }
  return nullptr;
}

std::optional<u32> ObjectStore::FormTypeOf(const ClassInfo* info) const {
  std::lock_guard lock(mutex_);
  auto it = classes_.find(info);
  if (it == classes_.end()) return std::nullopt;
  return it->second.formType;
}

void ObjectStore::RemoveClass(u32 formType) {
  std::lock_guard lock(mutex_);
  auto it = registered_.find(formType);
  if (it == registered_.end()) return;
  ClassInfo* info = it->second;
  registered_.erase(it);
  classes_[info].registered = false;
  DropClassRef(info);
}

void ObjectStore::DropClassRef(ClassInfo* info) {
  std::lock_guard lock(mutex_);
  if (classes_.count(info) == 0) {
    problems_.Report("classes: reference dropped on a class that no longer exists");
    return;
  }
  i32 before = std::atomic_ref<i32>(info->refCount).fetch_sub(1);
  if (before == 1) {
    DestroyClassLocked(info);
    heap_.Free(info, false);
  } else if (before <= 0) {
    problems_.Report(std::string("classes: count of ") + NameOf(info) + " dropped below 0");
  }
}

void ObjectStore::DestroyClass(ClassInfo* info) {
  std::lock_guard lock(mutex_);
  if (classes_.count(info) == 0) {
    problems_.Report("classes: destroy of an address that is no live class");
    return;
  }
  DestroyClassLocked(info);
}

void ObjectStore::DestroyClassLocked(ClassInfo* info) {
  ClassState state = classes_[info];
  i32 count = std::atomic_ref<i32>(info->refCount).load();
  if (count != 0) {
    problems_.Report(std::string("classes: ") + NameOf(info) + " destroyed while its count is " +
                     std::to_string(count));
  }
  if (state.registered) {
    problems_.Report(std::string("classes: ") + NameOf(info) +
                     " destroyed while the registry still holds it");
    registered_.erase(state.formType);
  }
  classes_.erase(info);
  reinterpret_cast<ClassBlock*>(info)->marker = kDeadMarker;
}

bool ObjectStore::IsLiveClass(const void* info) const {
  std::lock_guard lock(mutex_);
  return classes_.count(static_cast<const ClassInfo*>(info)) != 0;
}

ScriptObject* ObjectStore::CreateObject(ClassInfo* info) {
  std::lock_guard lock(mutex_);
  auto* object =
      static_cast<ScriptObject*>(heap_.AllocateForHost(sizeof(ScriptObject), "script object"));
  std::atomic_ref<i32>(info->refCount).fetch_add(1);
  object->pad00 = kObjectMarker;
  object->classInfo = info;
  object->handle = kNullHandle;
  object->lockWord = 1;
  objects_[object] = 0;
  return object;
}

std::string ObjectStore::Describe(const ScriptObject* object) const {
  return std::string("script object of class ") + NameOf(object->classInfo) + " on handle " +
         Hex(object->handle);
}

void ObjectStore::DestroyObject(ScriptObject* object) {
  ClassInfo* info = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (objects_.count(object) == 0) {
      problems_.Report("objects: destroy of an address that is no live script object");
      return;
    }
    i32 count = CountOf(object);
    if (count != 0) {
      problems_.Report("objects: " + Describe(object) + " destroyed while its count is " +
                       std::to_string(count));
    }
    objects_.erase(object);
    for (auto it = bound_.begin(); it != bound_.end();) {
      it = it->second == object ? bound_.erase(it) : std::next(it);
    }
    info = object->classInfo;
    object->classInfo = nullptr;
    object->pad00 = kDeadMarker;
  }
  if (info != nullptr) DropClassRef(info);
}

bool ObjectStore::AddRefUnlessZero(ScriptObject* object, bool allowZero) {
  std::atomic_ref<i32> word(object->lockWord);
  u32 spins = 0;
  for (;;) {
    i32 seen = word.load();
    if (seen < 0) {
      WaitForLock(spins);
      continue;
    }
    if (seen == 0 && !allowZero) return false;
    if (seen == 1) {
      i32 expected = 1;
      if (!word.compare_exchange_strong(expected, 1 | kLockBit)) continue;
      handles_.PinHandle(object->handle);
      word.store(2);
      return true;
    }
    i32 expected = seen;
    if (word.compare_exchange_strong(expected, seen + 1)) return true;
  }
}

void ObjectStore::AddObjectRef(ScriptObject* object) {
  if (!IsLiveObject(object)) {
    problems_.Report("objects: reference added to an address that is no live script object");
    return;
  }
  if (!AddRefUnlessZero(object, false)) {
    problems_.Report("objects: reference added to " + Describe(object) + " whose count is 0");
  }
}

void ObjectStore::ReleaseObject(ScriptObject* object) {
  if (!IsLiveObject(object)) {
    problems_.Report("objects: release of an address that is no live script object");
    return;
  }
  std::atomic_ref<i32> word(object->lockWord);
  u32 spins = 0;
  for (;;) {
    i32 seen = word.load();
    if (seen < 0) {
      WaitForLock(spins);
      continue;
    }
    if (seen == 0) {
      problems_.Report("objects: release of " + Describe(object) + " whose count is 0");
      return;
    }
    if (seen == 2) {
      i32 expected = 2;
      if (!word.compare_exchange_strong(expected, 2 | kLockBit)) continue;
      handles_.UnpinHandle(object->handle);
      word.store(1);
      return;
    }
    i32 expected = seen;
    if (!word.compare_exchange_strong(expected, seen - 1)) continue;
    if (seen == 1) {
      DestroyObject(object);
      heap_.Free(object, false);
    }
    return;
  }
}

void ObjectStore::Bind(ScriptObject* object, u64 handle) {
  std::lock_guard lock(mutex_);
  if (objects_.count(object) == 0) {
    problems_.Report("binder: bind of an address that is no live script object");
    return;
  }
  for (auto it = bound_.begin(); it != bound_.end();) {
    it = it->second == object ? bound_.erase(it) : std::next(it);
  }
  // The handle changes under the lock bit, so a plugin thread reading it sees either value.
  std::atomic_ref<i32> word(object->lockWord);
  u32 spins = 0;
  for (;;) {
    i32 seen = word.load();
    if (seen < 0) {
      WaitForLock(spins);
      continue;
    }
    i32 expected = seen;
    if (!word.compare_exchange_strong(expected, seen | kLockBit)) continue;
    object->handle = handle;
    word.store(seen);
    break;
  }
  if (handle != kNullHandle) bound_.emplace(handle, object);
}

ScriptObject* ObjectStore::FindBound(u64 handle, const char* classIdentity) {
  std::lock_guard lock(mutex_);
  auto [first, last] = bound_.equal_range(handle);
  for (auto it = first; it != last; ++it) {
    ScriptObject* object = it->second;
    if (object->classInfo == nullptr || object->classInfo->name.text != classIdentity) continue;
    // An object whose last reference is being dropped right now is as good as gone.
    if (AddRefUnlessZero(object, false)) return object;
  }
  return nullptr;
}

bool ObjectStore::IsLiveObject(const void* object) const {
  std::lock_guard lock(mutex_);
  return objects_.count(static_cast<const ScriptObject*>(object)) != 0;
}

i32 ObjectStore::CountOf(const ScriptObject* object) {
  return std::atomic_ref<i32>(const_cast<ScriptObject*>(object)->lockWord).load() & ~kLockBit;
}

ScriptArray* ObjectStore::CreateArray(uptr elementType, u32 length) {
  std::lock_guard lock(mutex_);
  std::size_t size = sizeof(ScriptArray) + std::size_t{length} * sizeof(ScriptValue);
  auto* array = static_cast<ScriptArray*>(heap_.AllocateForHost(size, "array"));
  array->pad00 = kArrayMarker;
  array->pad04 = 1;
  array->length = length;
  array->pad0C = 0;
  array->pad10 = elementType;
  ScriptValue* elements = ElementsOf(array);
  for (u32 i = 0; i < length; ++i) elements[i] = ScriptValue{TypeCode::kNone, 0};
  arrays_[array] = 0;
  return array;
}

bool ObjectStore::IsLiveArray(const void* array) const {
  std::lock_guard lock(mutex_);
  return arrays_.count(static_cast<const ScriptArray*>(array)) != 0;
}

uptr ObjectStore::CountOf(const ScriptArray* array) {
  return std::atomic_ref<uptr>(const_cast<ScriptArray*>(array)->pad04).load();
}

void ObjectStore::ReleaseArray(ScriptArray* array) {
  uptr before = std::atomic_ref<uptr>(array->pad04).fetch_sub(1);
  if (before == 0) {
    problems_.Report("arrays: release of an array whose count is 0");
    std::atomic_ref<uptr>(array->pad04).fetch_add(1);
    return;
  }
  if (before != 1) return;
  ScriptValue* elements = ElementsOf(array);
  for (u32 i = 0; i < array->length; ++i) ReleaseValue(&elements[i]);
  {
    std::lock_guard lock(mutex_);
    arrays_.erase(array);
    array->pad00 = kDeadMarker;
  }
  heap_.Free(array, false);
}

void ObjectStore::ReleaseValue(ScriptValue* value) {
  uptr type = value->type;
  uptr data = value->data;
  if (data == 0) return;
  if (IsArrayType(type)) {
    if (!IsLiveArray(reinterpret_cast<void*>(data))) {
      problems_.Report("values: release of a slot whose array no longer exists");
      return;
    }
    ReleaseArray(reinterpret_cast<ScriptArray*>(data));
  } else if (IsObjectType(type)) {
    ReleaseObject(reinterpret_cast<ScriptObject*>(data));
  }
}

void ObjectStore::CopyValue(ScriptValue* destination, const ScriptValue* source) {
  if (destination == source) return;
  ScriptValue incoming = *source;
  if (incoming.data != 0 && IsArrayType(incoming.type)) {
    if (IsLiveArray(reinterpret_cast<void*>(incoming.data))) {
      std::atomic_ref<uptr>(reinterpret_cast<ScriptArray*>(incoming.data)->pad04).fetch_add(1);
    } else {
      problems_.Report("values: copy of a slot whose array no longer exists");
    }
  } else if (incoming.data != 0 && IsObjectType(incoming.type)) {
    AddObjectRef(reinterpret_cast<ScriptObject*>(incoming.data));
  }
  ReleaseValue(destination);
  *destination = incoming;
}

void ObjectStore::Hold(const void* thing) {
  std::lock_guard lock(mutex_);
  ++holds_[thing];
}

void ObjectStore::Unhold(const void* thing) {
  std::lock_guard lock(mutex_);
  auto it = holds_.find(thing);
  if (it != holds_.end() && --it->second == 0) holds_.erase(it);
}

std::vector<std::string> ObjectStore::Check() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> problems;
  auto held = [&](const void* thing) {
    auto it = holds_.find(thing);
    return it == holds_.end() ? 0 : it->second;
  };
  std::map<const ClassInfo*, i32> expectedClass;
  for (const auto& [info, state] : classes_) expectedClass[info] = state.registered ? 1 : 0;
  std::map<u64, i64> expectedPins;
  for (const auto& [object, unused] : objects_) {
    if (classes_.count(object->classInfo) != 0) ++expectedClass[object->classInfo];
    i32 word = std::atomic_ref<i32>(const_cast<ScriptObject*>(object)->lockWord).load();
    if (word < 0) problems.push_back("objects: " + Describe(object) + " left locked");
    i32 count = word & ~kLockBit;
    if (count >= 2) ++expectedPins[object->handle];
    if (count != held(object)) {
      problems.push_back("objects: " + Describe(object) + " has count " + std::to_string(count) +
                         ", expected " + std::to_string(held(object)));
    }
  }
  for (const auto& [info, expected] : expectedClass) {
    i32 count = std::atomic_ref<i32>(const_cast<ClassInfo*>(info)->refCount).load();
    if (count != expected) {
      problems.push_back(std::string("classes: ") + NameOf(info) + " has count " +
                         std::to_string(count) + ", expected " + std::to_string(expected));
    }
  }
  for (const auto& [array, unused] : arrays_) {
    uptr count = CountOf(array);
    if (count != static_cast<uptr>(held(array))) {
      problems.push_back("arrays: array of " + std::to_string(array->length) +
                         " elements has count " + std::to_string(count) + ", expected " +
                         std::to_string(held(array)));
    }
  }
  std::map<u64, i64> pins = handles_.Pins();
  for (const auto& [handle, count] : expectedPins) pins.try_emplace(handle, 0);
  for (const auto& [handle, count] : pins) {
    i64 expected = expectedPins.count(handle) != 0 ? expectedPins.at(handle) : 0;
    if (count != expected) {
      problems.push_back("handles: " + Hex(handle) + " pinned " + std::to_string(count) +
                         " times, expected " + std::to_string(expected));
    }
  }
  return problems;
}

void ObjectStore::Reset() {
  std::lock_guard lock(mutex_);
  registered_.clear();
  classes_.clear();
  objects_.clear();
  bound_.clear();
  arrays_.clear();
  holds_.clear();
}

}  // namespace vialmark::substitute
