// The free operations a host exports for the plugin, and the plugin's one way of calling them.
#pragma once

#include "host/FunctionObject.h"
#include "host/GameRecords.h"
#include "host/ScriptVM.h"
#include "host/Types.h"

namespace vialmark {
struct ActorValueList;
}

// What a host executable defines and exports, under exactly these names.
extern "C" {
void* host_GameHeap_Allocate(vialmark::u32 size, vialmark::u32 alignment, bool aligned);
void host_GameHeap_Free(void* block, bool aligned);
void host_StringCache_Construct(vialmark::StringCache::Ref* ref, const char* text);
void host_StringCache_Assign(vialmark::StringCache::Ref* ref, const char* text);
void host_ScriptValue_Release(vialmark::ScriptValue* value);
void host_ScriptValue_CopyFrom(vialmark::ScriptValue* destination,
                               const vialmark::ScriptValue* source);
vialmark::u32 host_ArgumentList_Base(vialmark::ArgumentList* list, vialmark::CallState* state);
vialmark::ScriptValue* host_ArgumentList_ValueAt(vialmark::ArgumentList* list,
                                                 vialmark::CallState* state, vialmark::u32 index,
                                                 vialmark::u32 base);
vialmark::ScriptVM* host_ScriptVM(void);
vialmark::HandlePolicy* host_HandlePolicy(void);
vialmark::ActorValueList* host_ActorValueList(void);
vialmark::u32 host_ActorValueFromName(const char* name);
void* host_HostCast(void* object, vialmark::u32 sourceClass, vialmark::u32 targetClass);
void host_ClassInfo_Destroy(vialmark::ClassInfo* info);
void host_ScriptObject_Destroy(vialmark::ScriptObject* object);
void host_NativeFunctionBase_Construct(vialmark::NativeFunctionBase* object, const char* name,
                                       const char* className, vialmark::u32 isStatic,
                                       vialmark::u32 parameterCount);
void host_NativeFunctionBase_Destruct(vialmark::NativeFunctionBase* object);
vialmark::uptr host_NativeFunctionBase_Slot6(vialmark::NativeFunctionBase* object, vialmark::uptr a,
                                             vialmark::uptr b);
vialmark::uptr host_NativeFunctionBase_Slot15(vialmark::NativeFunctionBase* object,
                                              vialmark::uptr a, vialmark::uptr b);
vialmark::uptr host_NativeFunctionBase_Slot16(vialmark::NativeFunctionBase* object,
                                              vialmark::uptr a, vialmark::uptr b);
vialmark::uptr host_NativeFunctionBase_Slot18(vialmark::NativeFunctionBase* object,
                                              vialmark::uptr a, vialmark::uptr b);
}

// The plugin calls the host only through these. Where the names are resolved at run time
// (Windows) an operation the host lacks is never called: the wrapper answers a neutral value.
namespace vialmark::host {

// True when every operation above is available. A module loaded by a process that is not a
// host stays harmless: its handshake answers false.
bool BindingComplete();
// The first operation name the host lacks, or null.
const char* MissingOperation();

void* Allocate(u32 size, u32 alignment, bool aligned);
void Free(void* block, bool aligned);
void ConstructRef(StringCache::Ref* ref, const char* text);
void AssignRef(StringCache::Ref* ref, const char* text);
void ReleaseValue(ScriptValue* value);
void CopyValue(ScriptValue* destination, const ScriptValue* source);
u32 ArgumentBase(ArgumentList* list, CallState* state);
ScriptValue* ArgumentAt(ArgumentList* list, CallState* state, u32 index, u32 base);
ScriptVM* VM();
HandlePolicy* Handles();
ActorValueList* ActorValues();
u32 ActorValueFromName(const char* name);
void* Cast(const void* object, HostClass source, HostClass target);
void DestroyClass(ClassInfo* info);
void DestroyObject(ScriptObject* object);
void ConstructFunctionBase(NativeFunctionBase* object, const char* name, const char* className,
                           u32 isStatic, u32 parameterCount);
void DestructFunctionBase(NativeFunctionBase* object);
uptr FunctionSlot6(NativeFunctionBase* object, uptr a, uptr b);
uptr FunctionSlot15(NativeFunctionBase* object, uptr a, uptr b);
uptr FunctionSlot16(NativeFunctionBase* object, uptr a, uptr b);
uptr FunctionSlot18(NativeFunctionBase* object, uptr a, uptr b);

}  // namespace vialmark::host
