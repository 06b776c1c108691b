#include "fuzz/natives/CallBooks.h"

#include <sstream>

namespace vialmark::fuzz {
namespace {

bool IsObjectWord(uptr type) { return type > TypeCode::kBoolArray && (type & 1) == 0; }
bool IsArrayWord(uptr type) {
  return type == TypeCode::kIntArray || type == TypeCode::kFloatArray ||
         type == TypeCode::kBoolArray || (type > TypeCode::kBoolArray && (type & 1) == 1);
}

std::string Hex(const void* address) {
  std::ostringstream out;
  out << address;
  return out.str();
}

}  // namespace

void CallBooks::Watch(const ScriptValue& value) {
  if (value.data == 0) return;
  if (IsObjectWord(value.type)) {
    auto* object = reinterpret_cast<const ScriptObject*>(value.data);
    objects_.insert(object);
    classes_.insert(object->classInfo);
  } else if (IsArrayWord(value.type)) {
    auto* array = reinterpret_cast<ScriptArray*>(value.data);
    arrays_.insert(array);
    const ScriptValue* elements = ElementsOf(array);
    for (u32 i = 0; i < array->length; ++i) Watch(elements[i]);
  }
}

CallBooks::Counts CallBooks::Take() const {
  Counts counts;
  for (const ScriptObject* object : objects_) {
    counts.objects[object] = substitute::ObjectStore::CountOf(object);
  }
  for (const ScriptArray* array : arrays_) {
    counts.arrays[array] = substitute::ObjectStore::CountOf(array);
  }
  for (const ClassInfo* info : classes_) counts.classes[info] = info->refCount;
  counts.pins = scene_.world().Handles().Pins();
  return counts;
}

void CallBooks::Before() { before_ = Take(); }

std::vector<std::string> CallBooks::After(const ScriptValue& result) {
  substitute::World& world = scene_.world();
  std::vector<std::string> lines = world.Problems().All();
  for (const auto& [block, info] : world.Heap().LiveBlocks()) {
    if (info.origin == substitute::Origin::kHost || world.Registry().Owns(block)) continue;
    lines.push_back("heap: a " + std::to_string(info.size) + "-byte plugin block is left");
  }
  if (world.Frames().LiveFrames() != 0) lines.push_back("arguments: a frame is left");
  for (std::string& line : world.Forms().CheckUntouched()) lines.push_back(std::move(line));

  // The result slot holds one reference on the object it names, which a call may have made
  // (one more class reference) or found (and pinned, when that is its second reference).
  const ScriptObject* returned =
      IsObjectWord(result.type) ? reinterpret_cast<const ScriptObject*>(result.data) : nullptr;
  const bool known = returned != nullptr && objects_.count(returned) != 0;
  Counts after = Take();
  for (const auto& [object, count] : after.objects) {
    i32 expected = before_.objects[object] + (object == returned ? 1 : 0);
    if (count != expected) {
      lines.push_back("objects: count of object " + Hex(object) + " went from " +
                      std::to_string(before_.objects[object]) + " to " + std::to_string(count));
    }
  }
  for (const auto& [array, count] : after.arrays) {
    if (count != before_.arrays[array]) {
      lines.push_back("arrays: count of array " + Hex(array) + " went from " +
                      std::to_string(before_.arrays[array]) + " to " + std::to_string(count));
    }
  }
  for (const auto& [info, count] : after.classes) {
    i32 expected = before_.classes[info];
    if (returned != nullptr && !known && returned->classInfo == info) ++expected;
    if (count != expected) {
      lines.push_back("classes: count of class " + Hex(info) + " went from " +
                      std::to_string(before_.classes[info]) + " to " + std::to_string(count));
    }
  }
  if (after.pins != before_.pins) {
    // Only the returned object's handle may gain one pin, and only for its second reference.
    std::map<u64, i64> allowed = before_.pins;
    if (known && before_.objects[returned] == 1) {
      for (const auto& [handle, count] : after.pins) {
        if (count == allowed[handle] + 1) {
          ++allowed[handle];
          break;
        }
      }
      std::erase_if(allowed, [](const auto& pin) { return pin.second == 0; });
    }
    if (after.pins != allowed) lines.push_back("pins: the pinned handles changed");
  }
  if (returned != nullptr) Watch(result);
  return lines;
}

}  // namespace vialmark::fuzz
