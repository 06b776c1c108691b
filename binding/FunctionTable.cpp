#include "binding/NativeFunction.h"

namespace vialmark {
namespace function_positions {

VIALMARK_BEGIN_MEMBER_CALLS

namespace {
// The host's abstract interface destroys nothing of its own; a deleting call still returns
// the block.
void* VIALMARK_MEMBER_CALL DestroyInterface(Self self, u32 flags) {
  if ((flags & 1) != 0) host::Free(self, false);
  return self;
}
}  // namespace

void* VIALMARK_MEMBER_CALL Destroy(Self self, u32 flags) {
  self->base.table = &kNativeFunctionTable;
  host::DestructFunctionBase(&self->base);
  self->base.table = &kIFunctionTable;
  if ((flags & 1) != 0) host::Free(self, false);
  return self;
}

StringCache::Ref* VIALMARK_MEMBER_CALL Ref08(Self self) { return &self->base.hostRef08; }
StringCache::Ref* VIALMARK_MEMBER_CALL Ref0C(Self self) { return &self->base.hostRef0C; }
StringCache::Ref* VIALMARK_MEMBER_CALL Ref10(Self self) { return &self->base.hostRef10; }
uptr* VIALMARK_MEMBER_CALL ResultTypeInto(Self self, uptr* slot) {
  *slot = self->base.resultType;
  return slot;
}
u32 VIALMARK_MEMBER_CALL Count1E(Self self) { return self->base.hostCount1E; }
uptr VIALMARK_MEMBER_CALL HostSlot6(Self self, uptr a, uptr b) {
  return host::FunctionSlot6(&self->base, a, b);
}
bool VIALMARK_MEMBER_CALL AlwaysTrue(Self) { return true; }
u8 VIALMARK_MEMBER_CALL Byte20(Self self) { return self->base.hostByte20; }
bool VIALMARK_MEMBER_CALL AlwaysFalse(Self) { return false; }
u32 VIALMARK_MEMBER_CALL Zero(Self) { return 0; }
uptr VIALMARK_MEMBER_CALL Word24(Self self) { return self->base.hostWord24; }
uptr* VIALMARK_MEMBER_CALL Word28Address(Self self) { return &self->base.hostWord28; }
void VIALMARK_MEMBER_CALL Ignore(Self, u32) {}
uptr VIALMARK_MEMBER_CALL HostSlot15(Self self, uptr a, uptr b) {
  return host::FunctionSlot15(&self->base, a, b);
}
uptr VIALMARK_MEMBER_CALL HostSlot16(Self self, uptr a, uptr b) {
  return host::FunctionSlot16(&self->base, a, b);
}
bool VIALMARK_MEMBER_CALL ClearOut(Self, uptr, u32* out) {
  *out = 0;
  return false;
}
uptr VIALMARK_MEMBER_CALL HostSlot18(Self self, uptr a, uptr b) {
  return host::FunctionSlot18(&self->base, a, b);
}
u8 VIALMARK_MEMBER_CALL Byte21(Self self) { return self->base.hostByte21; }
void VIALMARK_MEMBER_CALL SetByte21(Self self, u8 value) { self->base.hostByte21 = value; }
bool VIALMARK_MEMBER_CALL HasCallback(Self self) { return self->callback != nullptr; }

VIALMARK_END_MEMBER_CALLS

}  // namespace function_positions

using namespace function_positions;

constinit const FunctionTable kNativeFunctionTable =
    MakeTable(&Pure<bool, uptr, ScriptRegistry*, uptr, ScriptValue*, CallState*>);

constinit const FunctionTable kIFunctionTable{
    &DestroyInterface,
    &Pure<StringCache::Ref*>,
    &Pure<StringCache::Ref*>,
    &Pure<StringCache::Ref*>,
    &Pure<uptr*, uptr*>,
    &Pure<u32>,
    &Pure<uptr, uptr, uptr>,
    &Pure<u32>,
    &Pure<bool>,
    &Pure<u8>,
    &Pure<bool>,
    &Pure<u32>,
    &Pure<uptr>,
    &Pure<uptr*>,
    &Pure<void, u32>,
    &Pure<uptr, uptr, uptr>,
    &Pure<uptr, uptr, uptr>,
    &Pure<bool, uptr, u32*>,
    &Pure<uptr, uptr, uptr>,
    &Pure<u8>,
    &Pure<void, u8>,
    &Pure<bool>,
    &Pure<bool, uptr, ScriptRegistry*, uptr, ScriptValue*, CallState*>,
};

}  // namespace vialmark
