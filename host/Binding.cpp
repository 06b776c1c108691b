// The one seam between the plugin and its host. On ELF the dynamic loader binds the host_*
// names from the executable; on Windows they are looked up in the process's main module the
// first time any of them is needed, which is during static initialisation.
#include "host/HostApi.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vialmark::host {
namespace {

// Every operation, in one list: the name the host exports and the plugin's declaration of it.
#define VIALMARK_HOST_OPERATIONS(X)    \
  X(host_GameHeap_Allocate)            \
  X(host_GameHeap_Free)                \
  X(host_StringCache_Construct)        \
  X(host_StringCache_Assign)           \
  X(host_ScriptValue_Release)          \
  X(host_ScriptValue_CopyFrom)         \
  X(host_ArgumentList_Base)            \
  X(host_ArgumentList_ValueAt)         \
  X(host_ScriptVM)                     \
  X(host_HandlePolicy)                 \
  X(host_ActorValueList)               \
  X(host_ActorValueFromName)           \
  X(host_HostCast)                     \
  X(host_ClassInfo_Destroy)            \
  X(host_ScriptObject_Destroy)         \
  X(host_NativeFunctionBase_Construct) \
  X(host_NativeFunctionBase_Destruct)  \
  X(host_NativeFunctionBase_Slot6)     \
  X(host_NativeFunctionBase_Slot15)    \
  X(host_NativeFunctionBase_Slot16)    \
  X(host_NativeFunctionBase_Slot18)

#if defined(_WIN32)

struct Operations {
#define VIALMARK_FIELD(name) decltype(&::name) name = nullptr;
  VIALMARK_HOST_OPERATIONS(VIALMARK_FIELD)
#undef VIALMARK_FIELD
  const char* missing = nullptr;
};

Operations Resolve() {
  Operations ops;
  HMODULE main = GetModuleHandleA(nullptr);
#define VIALMARK_RESOLVE(name)                                    \
  ops.name = reinterpret_cast<decltype(&::name)>(                 \
      reinterpret_cast<void (*)()>(GetProcAddress(main, #name))); \
  if (ops.name == nullptr && ops.missing == nullptr) ops.missing = #name;
  VIALMARK_HOST_OPERATIONS(VIALMARK_RESOLVE)
#undef VIALMARK_RESOLVE
  return ops;
}

const Operations& Ops() {
  static const Operations ops = Resolve();
  return ops;
}

// Calls the host's operation when it exists and answers `fallback` otherwise.
#define VIALMARK_CALL(name, fallback, ...) \
  (Ops().name != nullptr ? Ops().name(__VA_ARGS__) : fallback)
#define VIALMARK_CALL_VOID(name, ...)                   \
  do {                                                  \
    if (Ops().name != nullptr) Ops().name(__VA_ARGS__); \
  } while (false)

}  // namespace

bool BindingComplete() { return Ops().missing == nullptr; }
const char* MissingOperation() { return Ops().missing; }

#else

#define VIALMARK_CALL(name, fallback, ...) ::name(__VA_ARGS__)
#define VIALMARK_CALL_VOID(name, ...) ::name(__VA_ARGS__)

}  // namespace

bool BindingComplete() { return true; }
const char* MissingOperation() { return nullptr; }

#endif

void* Allocate(u32 size, u32 alignment, bool aligned) {
  return VIALMARK_CALL(host_GameHeap_Allocate, nullptr, size, alignment, aligned);
}
void Free(void* block, bool aligned) { VIALMARK_CALL_VOID(host_GameHeap_Free, block, aligned); }
void ConstructRef(StringCache::Ref* ref, const char* text) {
  ref->text = nullptr;
  VIALMARK_CALL_VOID(host_StringCache_Construct, ref, text);
}
void AssignRef(StringCache::Ref* ref, const char* text) {
  VIALMARK_CALL_VOID(host_StringCache_Assign, ref, text);
}
void ReleaseValue(ScriptValue* value) { VIALMARK_CALL_VOID(host_ScriptValue_Release, value); }
void CopyValue(ScriptValue* destination, const ScriptValue* source) {
  VIALMARK_CALL_VOID(host_ScriptValue_CopyFrom, destination, source);
}
u32 ArgumentBase(ArgumentList* list, CallState* state) {
  return VIALMARK_CALL(host_ArgumentList_Base, 0u, list, state);
}
ScriptValue* ArgumentAt(ArgumentList* list, CallState* state, u32 index, u32 base) {
  return VIALMARK_CALL(host_ArgumentList_ValueAt, nullptr, list, state, index, base);
}
ScriptVM* VM() { return VIALMARK_CALL(host_ScriptVM, nullptr); }
HandlePolicy* Handles() { return VIALMARK_CALL(host_HandlePolicy, nullptr); }
ActorValueList* ActorValues() { return VIALMARK_CALL(host_ActorValueList, nullptr); }
u32 ActorValueFromName(const char* name) {
  return VIALMARK_CALL(host_ActorValueFromName, 0xFFFFFFFFu, name);
}
void* Cast(const void* object, HostClass source, HostClass target) {
  return VIALMARK_CALL(host_HostCast, nullptr, const_cast<void*>(object), static_cast<u32>(source),
                       static_cast<u32>(target));
}
void DestroyClass(ClassInfo* info) { VIALMARK_CALL_VOID(host_ClassInfo_Destroy, info); }
void DestroyObject(ScriptObject* object) { VIALMARK_CALL_VOID(host_ScriptObject_Destroy, object); }
void ConstructFunctionBase(NativeFunctionBase* object, const char* name, const char* className,
                           u32 isStatic, u32 parameterCount) {
  VIALMARK_CALL_VOID(host_NativeFunctionBase_Construct, object, name, className, isStatic,
                     parameterCount);
}
void DestructFunctionBase(NativeFunctionBase* object) {
  VIALMARK_CALL_VOID(host_NativeFunctionBase_Destruct, object);
}
uptr FunctionSlot6(NativeFunctionBase* object, uptr a, uptr b) {
  return VIALMARK_CALL(host_NativeFunctionBase_Slot6, uptr{0}, object, a, b);
}
uptr FunctionSlot15(NativeFunctionBase* object, uptr a, uptr b) {
  return VIALMARK_CALL(host_NativeFunctionBase_Slot15, uptr{0}, object, a, b);
}
uptr FunctionSlot16(NativeFunctionBase* object, uptr a, uptr b) {
  return VIALMARK_CALL(host_NativeFunctionBase_Slot16, uptr{0}, object, a, b);
}
uptr FunctionSlot18(NativeFunctionBase* object, uptr a, uptr b) {
  return VIALMARK_CALL(host_NativeFunctionBase_Slot18, uptr{0}, object, a, b);
}

}  // namespace vialmark::host
