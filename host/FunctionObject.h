// The native function object that the plugin builds and the host owns and calls by position.
#pragma once

#include "host/ScriptVM.h"
#include "host/Types.h"

namespace vialmark {

struct FunctionTable;

struct ParameterEntry {
  uptr pad00;     // 0: host word, never touched
  uptr typeCode;  // 4 (64-bit: 8)
};
static_assert(offsetof(ParameterEntry, pad00) == 0);
static_assert(offsetof(ParameterEntry, typeCode) == Layout(4, 8));
static_assert(sizeof(ParameterEntry) == Layout(8, 16));

// The host-defined base part. Field names carry their 32-bit offset where the meaning is the
// host's own.
struct NativeFunctionBase {
  const FunctionTable* table;  // 0
  uptr pad04;                  // 4 (64-bit: 8): host word, never touched
  StringCache::Ref hostRef08;  // 8 (64-bit: 16): position 1 returns its address
  StringCache::Ref hostRef0C;  // 12 (64-bit: 24): position 2
  StringCache::Ref hostRef10;  // 16 (64-bit: 32): position 3
  uptr resultType;             // 20 (64-bit: 40): position 4 copies it out
  ParameterEntry* parameters;  // 24 (64-bit: 48)
  u16 pad1C;                   // 28 (64-bit: 56): host field, never touched
  u16 hostCount1E;             // 30 (64-bit: 58): positions 5 and 7
  u8 hostByte20;               // 32 (64-bit: 60): position 9
  u8 hostByte21;               // 33 (64-bit: 61): positions 19 and 20
  u16 pad22;                   // 34 (64-bit: 62): host field, never touched
  uptr hostWord24;             // 36 (64-bit: 64): position 12
  uptr hostWord28;             // 40 (64-bit: 72): position 13 returns its address
};
static_assert(offsetof(NativeFunctionBase, table) == 0);
static_assert(offsetof(NativeFunctionBase, pad04) == Layout(4, 8));
static_assert(offsetof(NativeFunctionBase, hostRef08) == Layout(8, 16));
static_assert(offsetof(NativeFunctionBase, hostRef0C) == Layout(12, 24));
static_assert(offsetof(NativeFunctionBase, hostRef10) == Layout(16, 32));
static_assert(offsetof(NativeFunctionBase, resultType) == Layout(20, 40));
static_assert(offsetof(NativeFunctionBase, parameters) == Layout(24, 48));
static_assert(offsetof(NativeFunctionBase, pad1C) == Layout(28, 56));
static_assert(offsetof(NativeFunctionBase, hostCount1E) == Layout(30, 58));
static_assert(offsetof(NativeFunctionBase, hostByte20) == Layout(32, 60));
static_assert(offsetof(NativeFunctionBase, hostByte21) == Layout(33, 61));
static_assert(offsetof(NativeFunctionBase, pad22) == Layout(34, 62));
static_assert(offsetof(NativeFunctionBase, hostWord24) == Layout(36, 64));
static_assert(offsetof(NativeFunctionBase, hostWord28) == Layout(40, 72));
static_assert(sizeof(NativeFunctionBase) == Layout(44, 80));

struct StaticFunctionTag;
using NativeCallbackAddress = void (*)();

struct NativeFunctionObject {
  NativeFunctionBase base;         // 0
  NativeCallbackAddress callback;  // 44 (64-bit: 80)
};
static_assert(offsetof(NativeFunctionObject, base) == 0);
static_assert(offsetof(NativeFunctionObject, callback) == Layout(44, 80));
static_assert(sizeof(NativeFunctionObject) == Layout(48, 88));

inline constexpr u32 kFunctionObjectSize = sizeof(NativeFunctionObject);

// The 23 positions of a function object's table, called with the member-function convention.
// The host-supplied positions forward to host_NativeFunctionBase_SlotN.
VIALMARK_BEGIN_MEMBER_CALLS
struct FunctionTable {
  using Self = NativeFunctionObject*;
  void*(VIALMARK_MEMBER_CALL* destroy)(Self, u32 flags);          // 0
  StringCache::Ref*(VIALMARK_MEMBER_CALL* ref08)(Self);           // 1
  StringCache::Ref*(VIALMARK_MEMBER_CALL* ref0C)(Self);           // 2
  StringCache::Ref*(VIALMARK_MEMBER_CALL* ref10)(Self);           // 3
  uptr*(VIALMARK_MEMBER_CALL* resultTypeInto)(Self, uptr* slot);  // 4
  u32(VIALMARK_MEMBER_CALL* count1E)(Self);                       // 5
  uptr(VIALMARK_MEMBER_CALL* hostSlot6)(Self, uptr a, uptr b);    // 6
  u32(VIALMARK_MEMBER_CALL* count1EAgain)(Self);                  // 7
  bool(VIALMARK_MEMBER_CALL* alwaysTrue)(Self);                   // 8
  u8(VIALMARK_MEMBER_CALL* byte20)(Self);                         // 9
  bool(VIALMARK_MEMBER_CALL* alwaysFalse)(Self);                  // 10
  u32(VIALMARK_MEMBER_CALL* zero)(Self);                          // 11
  uptr(VIALMARK_MEMBER_CALL* word24)(Self);                       // 12
  uptr*(VIALMARK_MEMBER_CALL* word28Address)(Self);               // 13
  void(VIALMARK_MEMBER_CALL* ignore)(Self, u32);                  // 14
  uptr(VIALMARK_MEMBER_CALL* hostSlot15)(Self, uptr a, uptr b);   // 15
  uptr(VIALMARK_MEMBER_CALL* hostSlot16)(Self, uptr a, uptr b);   // 16
  bool(VIALMARK_MEMBER_CALL* clearOut)(Self, uptr a, u32* out);   // 17
  uptr(VIALMARK_MEMBER_CALL* hostSlot18)(Self, uptr a, uptr b);   // 18
  u8(VIALMARK_MEMBER_CALL* byte21)(Self);                         // 19
  void(VIALMARK_MEMBER_CALL* setByte21)(Self, u8 value);          // 20
  bool(VIALMARK_MEMBER_CALL* hasCallback)(Self);                  // 21
  bool(VIALMARK_MEMBER_CALL* execute)(Self, uptr a, ScriptRegistry* registry, uptr b,
                                      ScriptValue* result, CallState* state);  // 22
};
VIALMARK_END_MEMBER_CALLS
inline constexpr u32 kFunctionTablePositions = 23;
static_assert(sizeof(FunctionTable) == kFunctionTablePositions * sizeof(void*));

// How a host built with C++ sees the same object: a class whose virtual operations sit at the
// positions above. Declaring it checks that the plugin's tables match the compiler's own calls.
struct IFunction {
  virtual void* Destroy(u32 flags) = 0;          // 0
  virtual StringCache::Ref* Ref08() = 0;         // 1
  virtual StringCache::Ref* Ref0C() = 0;         // 2
  virtual StringCache::Ref* Ref10() = 0;         // 3
  virtual uptr* ResultTypeInto(uptr* slot) = 0;  // 4
  virtual u32 Count1E() = 0;                     // 5
  virtual uptr HostSlot6(uptr a, uptr b) = 0;    // 6
  virtual u32 Count1EAgain() = 0;                // 7
  virtual bool AlwaysTrue() = 0;                 // 8
  virtual u8 Byte20() = 0;                       // 9
  virtual bool AlwaysFalse() = 0;                // 10
  virtual u32 Zero() = 0;                        // 11
  virtual uptr Word24() = 0;                     // 12
  virtual uptr* Word28Address() = 0;             // 13
  virtual void Ignore(u32) = 0;                  // 14
  virtual uptr HostSlot15(uptr a, uptr b) = 0;   // 15
  virtual uptr HostSlot16(uptr a, uptr b) = 0;   // 16
  virtual bool ClearOut(uptr a, u32* out) = 0;   // 17
  virtual uptr HostSlot18(uptr a, uptr b) = 0;   // 18
  virtual u8 Byte21() = 0;                       // 19
  virtual void SetByte21(u8 value) = 0;          // 20
  virtual bool HasCallback() = 0;                // 21
  virtual bool Execute(uptr a, ScriptRegistry* registry, uptr b, ScriptValue* result,
                       CallState* state) = 0;  // 22

 protected:
  ~IFunction() = default;
};

}  // namespace vialmark
