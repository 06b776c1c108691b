// The host's part of a native function object: construction and destruction of the base, the
// parameter table (host memory with its own accounting), and the host's own bodies of table
// positions 6, 15, 16 and 18. Every construction and every call of those positions is
// recorded.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/FunctionObject.h"
#include "substitute/Problems.h"

namespace vialmark::substitute {

// Values the host writes into a freshly constructed base, recognisable in a test.
namespace BaseFill {
inline constexpr uptr kMarker = 0x4E464231;     // offset 4 while constructed
inline constexpr uptr kDestroyed = 0x4E464230;  // offset 4 after destruction
inline constexpr u16 kField1C = 0x1C1C;
inline constexpr u8 kByte21 = 0x21;
inline constexpr u16 kField22 = 0x2222;
inline constexpr uptr kWord24 = 0x24240000;  // or'ed with the parameter count
inline constexpr uptr kWord28 = 0x28282828;
inline constexpr uptr kUnsetType = ~uptr{0};  // type code until the plugin writes one
}  // namespace BaseFill

struct FunctionRecord {
  const NativeFunctionBase* object;
  std::string name;
  std::string className;
  u32 isStatic;
  u32 parameterCount;
  bool destructed;
};

struct SlotCall {
  u32 slot;
  const NativeFunctionBase* object;
  uptr a;
  uptr b;
  uptr result;
};

struct TableStats {
  u64 allocations = 0;
  u64 frees = 0;
  u64 live = 0;
};

class FunctionLedger {
 public:
  explicit FunctionLedger(ProblemLog& problems) : problems_(problems) {}
  FunctionLedger(const FunctionLedger&) = delete;
  FunctionLedger& operator=(const FunctionLedger&) = delete;
  ~FunctionLedger() { Reset(); }

  // host_NativeFunctionBase_Construct: the plugin must have cleared the words at offsets 8,
  // 12, 16 and 40 first (the host takes them for string references it may overwrite).
  void Construct(NativeFunctionBase* object, const char* name, const char* className, u32 isStatic,
                 u32 parameterCount);
  void Destruct(NativeFunctionBase* object);
  // The host's body of position `slot` (6, 15, 16 or 18).
  uptr Slot(u32 slot, NativeFunctionBase* object, uptr a, uptr b);
  // What that body answers, so a test can check that the plugin passes it on unchanged.
  static uptr SlotAnswer(u32 slot, uptr a, uptr b);

  std::optional<FunctionRecord> Find(const void* object) const;
  std::vector<FunctionRecord> Records() const;    // in construction order
  std::vector<FunctionRecord> LiveBases() const;  // constructed and not yet destructed
  std::vector<SlotCall> SlotCalls() const;
  TableStats ParameterTables() const;
  void Reset();

 private:
  ProblemLog& problems_;
  mutable std::mutex mutex_;
  std::vector<FunctionRecord> records_;
  std::map<const void*, std::size_t> latest_;      // object -> index into records_
  std::map<const void*, ParameterEntry*> tables_;  // object -> its live table
  std::vector<SlotCall> slotCalls_;
  TableStats tableStats_;
};

}  // namespace vialmark::substitute
