// The native function objects the script VM calls: one class per catalogue entry, all made by
// one variadic template over the result and parameter kinds.
#pragma once

#include <tuple>
#include <type_traits>
#include <utility>

#include "binding/Marshalling.h"
#include "binding/Packing.h"
#include "host/FunctionObject.h"
#include "host/HostApi.h"

namespace vialmark {

inline constexpr const char* kScriptClassName = "VialmarkNative";

// Positions 0 to 21, shared by every member of the family (bodies in FunctionTable.cpp).
namespace function_positions {
using Self = NativeFunctionObject*;
VIALMARK_BEGIN_MEMBER_CALLS
void* VIALMARK_MEMBER_CALL Destroy(Self self, u32 flags);
StringCache::Ref* VIALMARK_MEMBER_CALL Ref08(Self self);
StringCache::Ref* VIALMARK_MEMBER_CALL Ref0C(Self self);
StringCache::Ref* VIALMARK_MEMBER_CALL Ref10(Self self);
uptr* VIALMARK_MEMBER_CALL ResultTypeInto(Self self, uptr* slot);
u32 VIALMARK_MEMBER_CALL Count1E(Self self);
uptr VIALMARK_MEMBER_CALL HostSlot6(Self self, uptr a, uptr b);
bool VIALMARK_MEMBER_CALL AlwaysTrue(Self self);
u8 VIALMARK_MEMBER_CALL Byte20(Self self);
bool VIALMARK_MEMBER_CALL AlwaysFalse(Self self);
u32 VIALMARK_MEMBER_CALL Zero(Self self);
uptr VIALMARK_MEMBER_CALL Word24(Self self);
uptr* VIALMARK_MEMBER_CALL Word28Address(Self self);
void VIALMARK_MEMBER_CALL Ignore(Self self, u32 value);
uptr VIALMARK_MEMBER_CALL HostSlot15(Self self, uptr a, uptr b);
uptr VIALMARK_MEMBER_CALL HostSlot16(Self self, uptr a, uptr b);
bool VIALMARK_MEMBER_CALL ClearOut(Self self, uptr a, u32* out);
uptr VIALMARK_MEMBER_CALL HostSlot18(Self self, uptr a, uptr b);
u8 VIALMARK_MEMBER_CALL Byte21(Self self);
void VIALMARK_MEMBER_CALL SetByte21(Self self, u8 value);
bool VIALMARK_MEMBER_CALL HasCallback(Self self);

// A pure position: the host has no business calling it; it answers a neutral value rather
// than bringing the game down.
template <class Result, class... Args>
Result VIALMARK_MEMBER_CALL Pure(Self, Args...) {
  return Result();
}

// The table with positions 0 to 21 and the given Execute.
constexpr FunctionTable MakeTable(decltype(FunctionTable::execute) execute) {
  return FunctionTable{&Destroy,     &Ref08,       &Ref0C,    &Ref10,         &ResultTypeInto,
                       &Count1E,     &HostSlot6,   &Count1E,  &AlwaysTrue,    &Byte20,
                       &AlwaysFalse, &Zero,        &Word24,   &Word28Address, &Ignore,
                       &HostSlot15,  &HostSlot16,  &ClearOut, &HostSlot18,    &Byte21,
                       &SetByte21,   &HasCallback, execute};
}
VIALMARK_END_MEMBER_CALLS
}  // namespace function_positions

// The table of the family's common part, with Execute pure; an object carries it while its
// common part is built or torn down.
extern const FunctionTable kNativeFunctionTable;
// The table of the host's abstract interface; an object carries it once destroyed.
extern const FunctionTable kIFunctionTable;

namespace kinds {

template <class T>
struct Kind;  // how each parameter or result kind is registered, read and written

template <>
struct Kind<u32> {
  static uptr Code(ScriptRegistry*) { return TypeCode::kInt; }
  static u32 Read(const ScriptValue* slot) { return ReadInteger(slot); }
  static void Write(ScriptRegistry*, ScriptValue* slot, u32 value) { WriteInteger(slot, value); }
};
template <>
struct Kind<float> {
  static uptr Code(ScriptRegistry*) { return TypeCode::kFloat; }
  static float Read(const ScriptValue* slot) { return ReadFloat(slot); }
};
template <>
struct Kind<ScriptFlag> {
  static uptr Code(ScriptRegistry*) { return TypeCode::kBool; }
  static ScriptFlag Read(const ScriptValue* slot) { return ReadBool(slot); }
};
template <>
struct Kind<bool> {
  static uptr Code(ScriptRegistry*) { return TypeCode::kBool; }
  static void Write(ScriptRegistry*, ScriptValue* slot, bool value) { WriteBool(slot, value); }
};
template <>
struct Kind<StringCache::Ref> {
  static uptr Code(ScriptRegistry*) { return TypeCode::kString; }
  static StringCache::Ref Read(const ScriptValue* slot) { return ReadStringValue(slot); }
  static void Write(ScriptRegistry*, ScriptValue* slot, StringCache::Ref value) {
    WriteStringValue(slot, value);
  }
};
template <>
struct Kind<void> {
  static uptr Code(ScriptRegistry*) { return TypeCode::kNone; }
};

template <class Form>
struct Kind<Form*> {
  static uptr Code(ScriptRegistry* registry) {
    return reinterpret_cast<uptr>(LookUpClass(registry, kFormTypeOf<Form>));
  }
  static Form* Read(const ScriptValue* slot) { return ResolveAs<Form>(slot); }
  static void Write(ScriptRegistry* registry, ScriptValue* slot, Form* form) {
    PackForm(registry, slot, form, kFormTypeOf<Form>);
  }
};

template <class Scalar, uptr kCode>
struct ScalarArrayKind {
  static uptr Code(ScriptRegistry*) { return kCode; }
  static VMArray<Scalar> Read(const ScriptValue* slot) {
    return VMArray<Scalar>{BindScalarArray(slot, kCode)};
  }
};
template <>
struct Kind<VMArray<u32>> : ScalarArrayKind<u32, TypeCode::kIntArray> {};
template <>
struct Kind<VMArray<float>> : ScalarArrayKind<float, TypeCode::kFloatArray> {};
template <>
struct Kind<VMArray<ScriptFlag>> : ScalarArrayKind<ScriptFlag, TypeCode::kBoolArray> {};

template <class Form>
struct Kind<VMArray<Form*>> {
  // Without a class the code is 1: an array of no class.
  static uptr Code(ScriptRegistry* registry) { return Kind<Form*>::Code(registry) | 1; }
  static VMArray<Form*> Read(const ScriptValue* slot) {
    return VMArray<Form*>{BindFormArray(slot, kFormTypeOf<Form>)};
  }
};

}  // namespace kinds

struct StaticFunctionTag;

// One class of the family per result kind and parameter kinds. Construction and Execute follow
// the host's contract to the step; Execute converts each argument once, allocates nothing and
// takes no lock of its own.
template <class Tag, class Result, class... Params>
class NativeFunction {
 public:
  using Callback = Result (*)(Tag*, Params...);
  static constexpr u32 kArity = sizeof...(Params);

  static NativeFunctionObject* Construct(void* block, ScriptRegistry* registry, const char* name,
                                         Callback callback) {
    auto* object = static_cast<NativeFunctionObject*>(block);
    NativeFunctionBase& base = object->base;
    base.hostRef08.text = nullptr;
    base.hostRef0C.text = nullptr;
    base.hostRef10.text = nullptr;
    base.hostWord28 = 0;
    base.table = &kNativeFunctionTable;
    host::ConstructFunctionBase(&base, name, kScriptClassName, 1, kArity);
    // Should a class lookup throw, the common part is torn down again before the exception
    // leaves; the caller returns the block.
    struct TearDownOnThrow {
      NativeFunctionObject* object;
      bool done = false;
      ~TearDownOnThrow() {
        if (!done) function_positions::Destroy(object, 0);
      }
    } guard{object};
    base.table = &kTable;
    object->callback = reinterpret_cast<NativeCallbackAddress>(callback);
    u32 index = 0;
    ((base.parameters[index++].typeCode = kinds::Kind<Params>::Code(registry)), ...);
    base.resultType = kinds::Kind<Result>::Code(registry);
    guard.done = true;
    return object;
  }

 private:
  template <std::size_t... I>
  static bool Run(NativeFunctionObject* self, ScriptRegistry* registry, ScriptValue* result,
                  CallState* state, std::index_sequence<I...>) {
    ArgumentList* list = state->arguments;
    const u32 base = host::ArgumentBase(list, state);
    // A braced list converts the arguments strictly in parameter order.
    const std::tuple<Params...> arguments{
        kinds::Kind<Params>::Read(host::ArgumentAt(list, state, static_cast<u32>(I), base))...};
    auto callback = reinterpret_cast<Callback>(self->callback);
    if constexpr (std::is_void_v<Result>) {
      callback(nullptr, std::get<I>(arguments)...);
      WriteNone(result);
    } else {
      kinds::Kind<Result>::Write(registry, result, callback(nullptr, std::get<I>(arguments)...));
    }
    return true;
  }

  VIALMARK_BEGIN_MEMBER_CALLS
  static bool VIALMARK_MEMBER_CALL Execute(NativeFunctionObject* self, uptr,
                                           ScriptRegistry* registry, uptr, ScriptValue* result,
                                           CallState* state) {
    return Run(self, registry, result, state, std::index_sequence_for<Params...>{});
  }
  VIALMARK_END_MEMBER_CALLS

  static constexpr FunctionTable kTable = function_positions::MakeTable(&Execute);
};

template <class T, class R, class P1>
using NativeFunction1 = NativeFunction<T, R, P1>;
template <class T, class R, class P1, class P2>
using NativeFunction2 = NativeFunction<T, R, P1, P2>;
template <class T, class R, class P1, class P2, class P3>
using NativeFunction3 = NativeFunction<T, R, P1, P2, P3>;
template <class T, class R, class P1, class P2, class P3, class P4>
using NativeFunction4 = NativeFunction<T, R, P1, P2, P3, P4>;
template <class T, class R, class P1, class P2, class P3, class P4, class P5>
using NativeFunction5 = NativeFunction<T, R, P1, P2, P3, P4, P5>;
template <class T, class R, class P1, class P2, class P3, class P4, class P5, class P6>
using NativeFunction6 = NativeFunction<T, R, P1, P2, P3, P4, P5, P6>;
template <class T, class R, class P1, class P2, class P3, class P4, class P5, class P6, class P7>
using NativeFunction7 = NativeFunction<T, R, P1, P2, P3, P4, P5, P6, P7>;
template <class T, class R, class P1, class P2, class P3, class P4, class P5, class P6, class P7,
          class P8>
using NativeFunction8 = NativeFunction<T, R, P1, P2, P3, P4, P5, P6, P7, P8>;
template <class T, class R, class P1, class P2, class P3, class P4, class P5, class P6, class P7,
          class P8, class P9>
using NativeFunction9 = NativeFunction<T, R, P1, P2, P3, P4, P5, P6, P7, P8, P9>;
template <class T, class R, class P1, class P2, class P3, class P4, class P5, class P6, class P7,
          class P8, class P9, class P10>
using NativeFunction10 = NativeFunction<T, R, P1, P2, P3, P4, P5, P6, P7, P8, P9, P10>;

// The family member for a callback, deduced from its signature.
template <class Callback>
struct NativeFunctionFor;
template <class Tag, class Result, class... Params>
struct NativeFunctionFor<Result (*)(Tag*, Params...)> {
  using Type = NativeFunction<Tag, Result, Params...>;
};

}  // namespace vialmark
