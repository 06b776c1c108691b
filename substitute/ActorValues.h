// Actor values: ids 0 to 163 with the game's names, the ActorValueList record the plugin reads
// names from, and name lookup. Lookup ignores case, as the game's does. An unknown or null
// name answers kNoActorValue.
#pragma once

#include <array>
#include <map>
#include <mutex>
#include <string>

#include "host/GameRecords.h"

namespace vialmark::substitute {

// Chosen well above 164, and not -1, so that a plugin storing the raw id of an unknown name
// instead of "none" (-1) is seen.
inline constexpr u32 kNoActorValue = 255;

// The game's name of an id below 164, or null.
const char* ActorValueName(u32 id);

class ActorValueTable {
 public:
  ActorValueTable();
  ActorValueTable(const ActorValueTable&) = delete;
  ActorValueTable& operator=(const ActorValueTable&) = delete;

  ActorValueList* List();  // null while SetListMissing(true)
  u32 FromName(const char* name) const;

  void SetListMissing(bool missing);
  void SetEntryMissing(u32 id, bool missing = true);
  // From now on `name` answers `id` (any id, also 164 or 200).
  void Alias(const std::string& name, u32 id);
  void Reset();

 private:
  mutable std::mutex mutex_;
  ActorValueList list_{};
  std::array<ActorValueInfo, kActorValueCount> infos_{};
  std::map<std::string, u32> aliases_;  // folded name -> id
  bool listMissing_ = false;
};

}  // namespace vialmark::substitute
