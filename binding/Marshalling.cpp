#include "binding/Marshalling.h"

#include <cmath>
#include <cstring>

#include "binding/Atomic.h"
#include "host/HostApi.h"

namespace vialmark {

namespace {

u32 LowWord(const ScriptValue* slot) { return static_cast<u32>(slot->data); }

float FloatData(const ScriptValue* slot) {
  u32 bits = LowWord(slot);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

u8 LowByte(const ScriptValue* slot) { return static_cast<u8>(slot->data & 0xFF); }

}  // namespace

uptr ValueKind(uptr typeWord) {
  if (typeWord < TypeCode::kFirstClass) return typeWord;
  return (typeWord & 1) != 0 ? TypeCode::kObjectArray : TypeCode::kObject;
}

i32 LockObject(ScriptObject* object) {
  u32 spins = 0;
  for (;;) {
    const i32 seen = LoadUnlocked(&object->lockWord, spins);
    if (CompareExchange(&object->lockWord, seen, seen | kLockBit) == seen) return seen;
  }
}

u64 ReadObjectHandle(ScriptObject* object) {
  i32 before = LockObject(object);
  u64 handle = object->handle;
  AtomicStore(&object->lockWord, before);
  return handle;
}

void* ResolveForm(const ScriptValue* slot, u32 formType) {
  if (ValueKind(slot->type) != TypeCode::kObject) return nullptr;
  auto* object = reinterpret_cast<ScriptObject*>(slot->data);
  if (object == nullptr) return nullptr;
  u64 handle = ReadObjectHandle(object);
  HandlePolicy* policy = host::Handles();
  if (policy == nullptr) return nullptr;
  if (!policy->HasType(formType, handle)) return nullptr;
  if (!policy->IsLive(handle)) return nullptr;
  return policy->FormFor(formType, handle);
}

void AddClassRef(ClassInfo* info) { AtomicIncrement(&info->refCount); }

void DropClassRef(ClassInfo* info) {
  if (AtomicDecrement(&info->refCount) == 0) {
    host::DestroyClass(info);
    host::Free(info, false);
  }
}

ClassInfo* LookUpClass(ScriptRegistry* registry, u32 formType) {
  ClassInfo* info = nullptr;
  if (!registry->ClassForFormType(formType, &info) || info == nullptr) return nullptr;
  // The registry's own reference keeps the class alive; only its address is kept.
  DropClassRef(info);
  return info;
}

ScriptArray* BindFormArray(const ScriptValue* slot, u32 formType) {
  ScriptVM* vm = host::VM();
  if (vm == nullptr || vm->registry == nullptr) return nullptr;
  ClassInfo* info = LookUpClass(vm->registry, formType);
  // Without a class no array word can name it: nothing binds.
  if (info == nullptr) return nullptr;
  uptr expected = reinterpret_cast<uptr>(info) | 1;
  if (slot->type != expected || slot->data == 0) return nullptr;
  return reinterpret_cast<ScriptArray*>(slot->data);
}

ScriptArray* BindScalarArray(const ScriptValue* slot, uptr code) {
  if (slot->type != code || slot->data == 0) return nullptr;
  return reinterpret_cast<ScriptArray*>(slot->data);
}

u32 TruncateToU32(double value) {
  // The doubles whose truncation fits in a signed 64-bit integer; a NaN fails both tests.
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (!(value >= -kLimit && value < kLimit)) return 0;
  return static_cast<u32>(static_cast<u64>(static_cast<i64>(value)));
}

u32 ReadInteger(const ScriptValue* slot) {
  switch (slot->type) {
    case TypeCode::kInt:
      return LowWord(slot);
    case TypeCode::kFloat:
      return TruncateToU32(FloatData(slot));
    case TypeCode::kBool:
      return LowByte(slot);
    default:
      return 0;
  }
}

float ReadFloat(const ScriptValue* slot) {
  switch (slot->type) {
    case TypeCode::kInt:
      return static_cast<float>(static_cast<i32>(LowWord(slot)));
    case TypeCode::kFloat:
      return FloatData(slot);
    case TypeCode::kBool:
      return static_cast<float>(LowByte(slot));
    default:
      return 0.0f;
  }
}

ScriptFlag ReadBool(const ScriptValue* slot) {
  switch (slot->type) {
    case TypeCode::kInt:
      return ScriptFlag{LowWord(slot) != 0};
    case TypeCode::kFloat:
      // A NaN compares unequal to everything and so counts as true; -0.0 equals 0.0.
      return ScriptFlag{FloatData(slot) != 0.0f};
    case TypeCode::kBool:
      return ScriptFlag{LowByte(slot)};
    default:
      return ScriptFlag{0};
  }
}

StringCache::Ref ReadStringValue(const ScriptValue* slot) {
  StringCache::Ref ref{nullptr};
  const char* text =
      slot->type == TypeCode::kString ? reinterpret_cast<const char*>(slot->data) : nullptr;
  host::AssignRef(&ref, text);
  return ref;
}

void WriteNone(ScriptValue* slot) {
  host::ReleaseValue(slot);
  slot->data = 0;
  slot->type = TypeCode::kNone;
}

void WriteInteger(ScriptValue* slot, u32 value) {
  host::ReleaseValue(slot);
  slot->data = value;
  slot->type = TypeCode::kInt;
}

void WriteBool(ScriptValue* slot, bool value) {
  host::ReleaseValue(slot);
  // Only the lowest byte carries the flag; the rest of the word is left as it was.
  u8 byte = value ? 1 : 0;
  std::memcpy(&slot->data, &byte, 1);
  slot->type = TypeCode::kBool;
}

void WriteStringValue(ScriptValue* slot, StringCache::Ref value) {
  host::ReleaseValue(slot);
  slot->type = TypeCode::kString;
  host::AssignRef(reinterpret_cast<StringCache::Ref*>(&slot->data), value.text);
}

}  // namespace vialmark
