// Hands a game form back to a script as an object value, reusing or creating the VM object that
// stands for the form and keeping its reference count and the host's hold on its handle in step.
#pragma once

#include "host/ScriptVM.h"
#include "host/Types.h"

namespace vialmark {

// Adds a user to the object; the handle is pinned exactly while the count is 2 or more.
void AddObjectRef(ScriptObject* object);
// Drops a user and answers the remaining count; at 0 the caller destroys and frees the object.
i32 ReleaseObjectRef(ScriptObject* object);
// Drops the reference a caller holds and frees the object with the last one.
void DropObjectRef(ScriptObject* object);

void SetObjectData(ScriptValue* slot, ScriptObject* object);
void BindNewObject(HandlePolicy* policy, ScriptObject* object, const void* form,
                   ScriptRegistry* registry, u32 formType);
void PackForm(ScriptRegistry* registry, ScriptValue* slot, const void* form, u32 formType);

}  // namespace vialmark
