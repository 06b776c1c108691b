// The operations the plugin binds to, exported from whatever executable links the substitute:
// on ELF with default visibility (an executable that loads the module links with
// -rdynamic), on Windows marked for export so that GetProcAddress on the main module finds
// them.
#include "host/HostApi.h"

#include "substitute/ActorValues.h"
#include "substitute/Strings.h"
#include "substitute/World.h"

#if defined(_WIN32)
#define VIALMARK_HOST_EXPORT __declspec(dllexport)
#else
#define VIALMARK_HOST_EXPORT __attribute__((visibility("default")))
#endif

using vialmark::substitute::World;
namespace vm = vialmark;

extern "C" {

VIALMARK_HOST_EXPORT void* host_GameHeap_Allocate(vm::u32 size, vm::u32 alignment, bool aligned) {
  return World::Get().Heap().Allocate(size, alignment, aligned);
}

VIALMARK_HOST_EXPORT void host_GameHeap_Free(void* block, bool aligned) {
  World::Get().Heap().Free(block, aligned);
}

VIALMARK_HOST_EXPORT void host_StringCache_Construct(vm::StringCache::Ref* ref, const char* text) {
  ref->text = vialmark::substitute::Intern(text);
}

VIALMARK_HOST_EXPORT void host_StringCache_Assign(vm::StringCache::Ref* ref, const char* text) {
  ref->text = vialmark::substitute::Intern(text);
}

VIALMARK_HOST_EXPORT void host_ScriptValue_Release(vm::ScriptValue* value) {
  World::Get().Objects().ReleaseValue(value);
}

VIALMARK_HOST_EXPORT void host_ScriptValue_CopyFrom(vm::ScriptValue* destination,
                                                    const vm::ScriptValue* source) {
  World::Get().Objects().CopyValue(destination, source);
}

VIALMARK_HOST_EXPORT vm::u32 host_ArgumentList_Base(vm::ArgumentList* list, vm::CallState* state) {
  return World::Get().Frames().Base(list, state);
}

VIALMARK_HOST_EXPORT vm::ScriptValue* host_ArgumentList_ValueAt(vm::ArgumentList* list,
                                                                vm::CallState* state, vm::u32 index,
                                                                vm::u32 base) {
  return World::Get().Frames().ValueAt(list, state, index, base);
}

VIALMARK_HOST_EXPORT vm::ScriptVM* host_ScriptVM(void) { return World::Get().VM(); }

VIALMARK_HOST_EXPORT vm::HandlePolicy* host_HandlePolicy(void) { return World::Get().Policy(); }

VIALMARK_HOST_EXPORT vm::ActorValueList* host_ActorValueList(void) {
  return World::Get().ActorValues().List();
}

VIALMARK_HOST_EXPORT vm::u32 host_ActorValueFromName(const char* name) {
  return World::Get().ActorValues().FromName(name);
}

VIALMARK_HOST_EXPORT void* host_HostCast(void* object, vm::u32 sourceClass, vm::u32 targetClass) {
  return World::Get().Forms().Cast(object, sourceClass, targetClass);
}

VIALMARK_HOST_EXPORT void host_ClassInfo_Destroy(vm::ClassInfo* info) {
  World::Get().Objects().DestroyClass(info);
}

VIALMARK_HOST_EXPORT void host_ScriptObject_Destroy(vm::ScriptObject* object) {
  World::Get().Objects().DestroyObject(object);
}

VIALMARK_HOST_EXPORT void host_NativeFunctionBase_Construct(vm::NativeFunctionBase* object,
                                                            const char* name, const char* className,
                                                            vm::u32 isStatic,
                                                            vm::u32 parameterCount) {
  World::Get().Functions().Construct(object, name, className, isStatic, parameterCount);
}

VIALMARK_HOST_EXPORT void host_NativeFunctionBase_Destruct(vm::NativeFunctionBase* object) {
  World::Get().Functions().Destruct(object);
}

VIALMARK_HOST_EXPORT vm::uptr host_NativeFunctionBase_Slot6(vm::NativeFunctionBase* object,
                                                            vm::uptr a, vm::uptr b) {
  return World::Get().Functions().Slot(6, object, a, b);
}

VIALMARK_HOST_EXPORT vm::uptr host_NativeFunctionBase_Slot15(vm::NativeFunctionBase* object,
                                                             vm::uptr a, vm::uptr b) {
  return World::Get().Functions().Slot(15, object, a, b);
}

VIALMARK_HOST_EXPORT vm::uptr host_NativeFunctionBase_Slot16(vm::NativeFunctionBase* object,
                                                             vm::uptr a, vm::uptr b) {
  return World::Get().Functions().Slot(16, object, a, b);
}

VIALMARK_HOST_EXPORT vm::uptr host_NativeFunctionBase_Slot18(vm::NativeFunctionBase* object,
                                                             vm::uptr a, vm::uptr b) {
  return World::Get().Functions().Slot(18, object, a, b);
}

}  // extern "C"
