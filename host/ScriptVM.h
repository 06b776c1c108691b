// Records and tables of the host's script VM, as far as the plugin touches them.
#pragma once

#include "host/Types.h"

namespace vialmark {

namespace StringCache {
// One word: the address of the interned text, or 0. Equal texts have equal words.
struct Ref {
  const char* text;  // 0
};
static_assert(offsetof(Ref, text) == 0);
static_assert(sizeof(Ref) == Layout(4, 8));
}  // namespace StringCache

// Type words of a ScriptValue below 16; a ClassInfo address (bit 0 set for an array) above.
namespace TypeCode {
inline constexpr uptr kNone = 0;
inline constexpr uptr kObject = 1;  // the kind of a class-typed word, never stored
inline constexpr uptr kString = 2;
inline constexpr uptr kInt = 3;
inline constexpr uptr kFloat = 4;
inline constexpr uptr kBool = 5;
inline constexpr uptr kObjectArray = 11;  // kind of a class-typed array word
inline constexpr uptr kIntArray = 13;
inline constexpr uptr kFloatArray = 14;
inline constexpr uptr kBoolArray = 15;
inline constexpr uptr kFirstClass = 16;
}  // namespace TypeCode

struct ScriptValue {
  uptr type;  // 0
  uptr data;  // 4 (64-bit: 8): int, float or bool in the low bytes, or an address
};
static_assert(offsetof(ScriptValue, type) == 0);
static_assert(offsetof(ScriptValue, data) == Layout(4, 8));
static_assert(sizeof(ScriptValue) == Layout(8, 16));

// The elements follow the record directly.
struct ScriptArray {
  uptr pad00;  // 0
  uptr pad04;  // 4 (64-bit: 8)
  u32 length;  // 8 (64-bit: 16)
  u32 pad0C;   // 12 (64-bit: 20)
  uptr pad10;  // 16 (64-bit: 24)
};
static_assert(offsetof(ScriptArray, pad00) == 0);
static_assert(offsetof(ScriptArray, pad04) == Layout(4, 8));
static_assert(offsetof(ScriptArray, length) == Layout(8, 16));
static_assert(offsetof(ScriptArray, pad0C) == Layout(12, 20));
static_assert(offsetof(ScriptArray, pad10) == Layout(16, 24));
static_assert(sizeof(ScriptArray) == Layout(20, 32));

inline ScriptValue* ElementsOf(ScriptArray* array) {
  return reinterpret_cast<ScriptValue*>(reinterpret_cast<char*>(array) + sizeof(ScriptArray));
}

struct ClassInfo {
  i32 refCount;           // 0: changed only atomically
  StringCache::Ref name;  // 4 (64-bit: 8)
};
static_assert(offsetof(ClassInfo, refCount) == 0);
static_assert(offsetof(ClassInfo, name) == Layout(4, 8));
static_assert(sizeof(ClassInfo) == Layout(8, 16));

struct ScriptObject {
  uptr pad00;            // 0
  ClassInfo* classInfo;  // 4 (64-bit: 8)
  uptr pad08;            // 8 (64-bit: 16)
  uptr pad0C;            // 12 (64-bit: 24)
  u64 handle;            // 16 (64-bit: 32)
  i32 lockWord;          // 24 (64-bit: 40): user count, bit 31 while held
  u32 pad1C;             // 28 (64-bit: 44)
};
static_assert(offsetof(ScriptObject, pad00) == 0);
static_assert(offsetof(ScriptObject, classInfo) == Layout(4, 8));
static_assert(offsetof(ScriptObject, pad08) == Layout(8, 16));
static_assert(offsetof(ScriptObject, pad0C) == Layout(12, 24));
static_assert(offsetof(ScriptObject, handle) == Layout(16, 32));
static_assert(offsetof(ScriptObject, lockWord) == Layout(24, 40));
static_assert(offsetof(ScriptObject, pad1C) == Layout(28, 44));
static_assert(sizeof(ScriptObject) == Layout(32, 48));

inline constexpr i32 kLockBit = static_cast<i32>(0x80000000u);

struct ArgumentList;  // opaque: reached only through host_ArgumentList_*

struct CallState {
  ArgumentList* arguments;  // 0
};
static_assert(offsetof(CallState, arguments) == 0);
static_assert(sizeof(CallState) == Layout(4, 8));

class HandlePolicy;
class ObjectBinder;
struct IFunction;

// Host tables, slot 0 first; no destructor in any of them.
class ScriptRegistry {
 public:
  virtual bool ClassForFormType(u32 formType, ClassInfo** out) = 0;                // 0
  virtual bool FormTypeForClass(const StringCache::Ref* className, u32* out) = 0;  // 1
  virtual bool CreateScriptObject(const StringCache::Ref* className,
                                  ScriptObject** out) = 0;  // 2
  virtual void AddFunction(IFunction* function) = 0;        // 3
  virtual void SetFunctionOptions(const char* className, const char* functionName,
                                  u32 options) = 0;  // 4
  virtual bool FindScriptObject(u64 handle, StringCache::Ref className,
                                ScriptObject** out) = 0;  // 5
  virtual HandlePolicy* Handles() = 0;                    // 6
  virtual ObjectBinder* Binder() = 0;                     // 7

 protected:
  ~ScriptRegistry() = default;
};

class HandlePolicy {
 public:
  virtual bool HasType(u32 formType, u64 handle) = 0;         // 0
  virtual bool IsLive(u64 handle) = 0;                        // 1
  virtual u64 NullHandle() = 0;                               // 2
  virtual u64 HandleFor(u32 formType, const void* form) = 0;  // 3
  virtual void* FormFor(u32 formType, u64 handle) = 0;        // 4
  virtual void PinHandle(u64 handle) = 0;                     // 5
  virtual void UnpinHandle(u64 handle) = 0;                   // 6

 protected:
  ~HandlePolicy() = default;
};

class ObjectBinder {
 public:
  virtual void Bind(ScriptObject** object, u64 handle) = 0;  // 0

 protected:
  ~ObjectBinder() = default;
};

struct ScriptVM {
  uptr pad000[64];           // 0
  ScriptRegistry* registry;  // 256 (64-bit: 512)
};
static_assert(offsetof(ScriptVM, pad000) == 0);
static_assert(offsetof(ScriptVM, registry) == Layout(256, 512));
static_assert(sizeof(ScriptVM) == Layout(260, 520));

}  // namespace vialmark
