// The game heap: every block it hands out is known, so a test can see leaks, double frees and
// frees of blocks it never gave out. Blocks are filled with a pattern rather than zeroed (the
// game's heap does not clear memory) and carry guard bytes behind their end.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "host/Types.h"
#include "substitute/Problems.h"

namespace vialmark::substitute {

// Who asked for a block: the plugin through host_GameHeap_Allocate, or the host itself for its
// own records (classes, script objects, arrays), which the plugin may later free.
enum class Origin : u8 { kPlugin, kHost };

struct HeapRequest {
  u32 size;
  u32 alignment;
  bool aligned;
  bool failed;  // a failure hook answered null
};

struct HeapStats {
  u64 allocations = 0;        // blocks handed out, both origins
  u64 failedAllocations = 0;  // requests the failure hooks refused
  u64 frees = 0;              // blocks returned
  u64 liveBlocks = 0;
  u64 unknownFrees = 0;    // a block the heap never handed out
  u64 doubleFrees = 0;     // a block already returned
  u64 flagMismatches = 0;  // freed with another aligned flag than it was allocated with
  u64 overruns = 0;        // guard bytes behind a block found changed
};

struct BlockInfo {
  std::size_t size;
  Origin origin;
  const char* what;  // a static description
  u64 serial;        // 1 for the first block handed out since the last reset
  u64 request;       // index into Requests() for plugin blocks
  bool aligned;
};

inline constexpr unsigned char kFreshFill = 0xCD;
inline constexpr unsigned char kFreedFill = 0xDD;

class GameHeap {
 public:
  explicit GameHeap(ProblemLog& problems) : problems_(problems) {}
  GameHeap(const GameHeap&) = delete;
  GameHeap& operator=(const GameHeap&) = delete;
  ~GameHeap();

  // The plugin's entry: recorded, and subject to the failure hooks.
  void* Allocate(u32 size, u32 alignment, bool aligned);
  // The host's own records: accounted the same way, never recorded or refused.
  void* AllocateForHost(std::size_t size, const char* what);
  void Free(void* block, bool aligned);

  // The next `count` plugin requests answer null.
  void FailNext(u32 count);
  // The k-th plugin request from now (1 = the next) answers null.
  void FailNth(u32 k);

  HeapStats Stats() const;
  std::vector<HeapRequest> Requests() const;
  bool IsLive(const void* block) const;
  std::vector<std::pair<const void*, BlockInfo>> LiveBlocks() const;
  // Checks the guard bytes of every live block; an overrun is reported once.
  void CheckGuards();

  // Returns every live block and forgets all statistics, requests and hooks.
  void Reset();

 private:
  struct Block {
    BlockInfo info;
    unsigned char* raw;
    bool overrunReported;
  };
  void* Place(std::size_t size, std::size_t alignment, Origin origin, const char* what, u64 request,
              bool aligned);
  bool GuardIntact(const void* block, const Block& b) const;
  void Release(std::map<const void*, Block>::iterator it);

  ProblemLog& problems_;
  mutable std::mutex mutex_;
  std::map<const void*, Block> live_;
  std::set<const void*> freed_;
  // Returned memory is held back for a while so that its address is not handed out again at
  // once, which keeps a late double free recognisable.
  std::deque<unsigned char*> quarantine_;
  std::vector<HeapRequest> requests_;
  HeapStats stats_;
  u64 serial_ = 0;
  u32 failNext_ = 0;
  u32 failNth_ = 0;
};

}  // namespace vialmark::substitute
