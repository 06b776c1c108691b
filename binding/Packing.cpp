#include "binding/Packing.h"

#include "binding/Atomic.h"
#include "binding/Marshalling.h"
#include "host/HostApi.h"

namespace vialmark {

namespace {

// Steps an object's count of users by one. The step between 1 and 2 holds the lock bit across
// the handle's pin or unpin, so the host holds the handle exactly while two or more use it.
i32 StepObjectRef(ScriptObject* object, i32 step) {
  const i32 boundary = step > 0 ? 1 : 2;
  u32 spins = 0;
  for (;;) {
    const i32 count = LoadUnlocked(&object->lockWord, spins);
    if (count == boundary) {
      if (CompareExchange(&object->lockWord, count, count | kLockBit) != count) continue;
      HandlePolicy* handles = host::Handles();
      if (step > 0) {
        handles->PinHandle(object->handle);
      } else {
        handles->UnpinHandle(object->handle);
      }
      AtomicStore(&object->lockWord, count + step);
      return count + step;
    }
    if (CompareExchange(&object->lockWord, count, count + step) == count) return count + step;
  }
}

}  // namespace

void AddObjectRef(ScriptObject* object) { StepObjectRef(object, +1); }

i32 ReleaseObjectRef(ScriptObject* object) { return StepObjectRef(object, -1); }

void DropObjectRef(ScriptObject* object) {
  if (ReleaseObjectRef(object) == 0) {
    host::DestroyObject(object);
    host::Free(object, false);
  }
}

void SetObjectData(ScriptValue* slot, ScriptObject* object) {
  if (ValueKind(slot->type) != TypeCode::kObject) return;
  host::ReleaseValue(slot);
  if (object != nullptr) AddObjectRef(object);
  slot->data = reinterpret_cast<uptr>(object);
}

void BindNewObject(HandlePolicy* policy, ScriptObject* object, const void* form,
                   ScriptRegistry* registry, u32 formType) {
  ClassInfo* info = object->classInfo;
  // An object without a class has no class name to ask about; it stays unbound.
  if (info == nullptr) return;
  AddClassRef(info);
  u32 classFormType = 0;
  if (registry->FormTypeForClass(&info->name, &classFormType)) {
    u64 handle = policy->HandleFor(formType, form);
    if (policy->HasType(classFormType, handle) || handle == policy->NullHandle()) {
      registry->Binder()->Bind(&object, handle);
    }
  }
  DropClassRef(info);
}

void PackForm(ScriptRegistry* registry, ScriptValue* slot, const void* form, u32 formType) {
  host::ReleaseValue(slot);
  slot->type = TypeCode::kNone;
  slot->data = 0;
  if (form == nullptr) return;

  ClassInfo* info = LookUpClass(registry, formType);
  if (info == nullptr) return;

  HandlePolicy* policy = registry->Handles();
  u64 handle = policy->HandleFor(formType, form);

  ScriptObject* object = nullptr;
  if (!registry->FindScriptObject(handle, info->name, &object)) {
    if (registry->CreateScriptObject(&info->name, &object)) {
      if (object == nullptr) return;
      BindNewObject(policy, object, form, registry, formType);
    }
  }
  if (object == nullptr) return;

  ScriptValue typed{reinterpret_cast<uptr>(info), 0};
  host::CopyValue(slot, &typed);
  SetObjectData(slot, object);
  host::ReleaseValue(&typed);

  DropObjectRef(object);
}

}  // namespace vialmark
