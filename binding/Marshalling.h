// The plugin's side of the script VM's value slots: what their type words mean, how scalars,
// strings, objects and arrays become plain values, and how results are written back.
#pragma once

#include "host/GameRecords.h"
#include "host/ScriptVM.h"
#include "host/Types.h"

namespace vialmark {

class ScriptRegistry;

// A script flag as the VM stores it: one byte, compared as stored.
enum class ScriptFlag : u8 {};
inline bool IsSet(ScriptFlag flag) { return static_cast<u8>(flag) != 0; }

struct IngredientItem;

// The plugin's view of an array argument: the VM's array, or null when the argument did not
// bind. Element access checks nothing; every caller bounds the index by ElementCount first.
template <class Element>
struct VMArray {
  ScriptArray* array = nullptr;
};

template <class Element>
u32 ElementCount(VMArray<Element> view) {
  return view.array != nullptr ? view.array->length : 0;
}
template <class Element>
ScriptValue* ElementAt(VMArray<Element> view, u32 index) {
  return ElementsOf(view.array) + index;
}

// How many leading elements an array call processes when it pairs `items` with a partner array
// of `partnerCount` elements: none when the items are missing or empty or the partner is
// shorter, else the smaller of `count` and the items' length.
template <class Element>
u32 PairedLimit(VMArray<Element> items, u32 partnerCount, u32 count) {
  const u32 length = ElementCount(items);
  if (length == 0 || partnerCount < length) return 0;
  return count < length ? count : length;
}

// The form type that resolves each form pointer kind.
template <class Form>
inline constexpr u32 kFormTypeOf = 0;
template <>
inline constexpr u32 kFormTypeOf<TESForm> = FormType::kAny;
template <>
inline constexpr u32 kFormTypeOf<EffectSetting> = FormType::kMagicEffect;
template <>
inline constexpr u32 kFormTypeOf<IngredientItem> = FormType::kIngredient;
template <>
inline constexpr u32 kFormTypeOf<AlchemyItem> = FormType::kPotion;

// Folds class-typed words onto kObject and kObjectArray; words below 16 are their own kind.
uptr ValueKind(uptr typeWord);

// Takes the object's lock bit and answers the word as it was before.
i32 LockObject(ScriptObject* object);
u64 ReadObjectHandle(ScriptObject* object);
// The live form of the given type behind an object slot, or null.
void* ResolveForm(const ScriptValue* slot, u32 formType);
template <class Form>
Form* ResolveAs(const ScriptValue* slot) {
  return static_cast<Form*>(ResolveForm(slot, kFormTypeOf<Form>));
}

// Class references, changed atomically; the last one dropped destroys and frees the class.
void AddClassRef(ClassInfo* info);
void DropClassRef(ClassInfo* info);
// The class the registry keeps for a form type, without keeping a reference to it; null when
// there is none.
ClassInfo* LookUpClass(ScriptRegistry* registry, u32 formType);

ScriptArray* BindFormArray(const ScriptValue* slot, u32 formType);
ScriptArray* BindScalarArray(const ScriptValue* slot, uptr code);

u32 ReadInteger(const ScriptValue* slot);
float ReadFloat(const ScriptValue* slot);
ScriptFlag ReadBool(const ScriptValue* slot);
StringCache::Ref ReadStringValue(const ScriptValue* slot);

void WriteNone(ScriptValue* slot);
void WriteInteger(ScriptValue* slot, u32 value);
void WriteBool(ScriptValue* slot, bool value);
void WriteStringValue(ScriptValue* slot, StringCache::Ref value);

// Truncation toward zero through a signed 64-bit integer, keeping the low 32 bits; a NaN, an
// infinity or a value outside the 64-bit range gives 0.
u32 TruncateToU32(double value);

}  // namespace vialmark
