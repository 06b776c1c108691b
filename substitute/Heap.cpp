#include "substitute/Heap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace vialmark::substitute {
namespace {

constexpr std::size_t kGuardBytes = 16;
constexpr unsigned char kGuardFill = 0xFD;
constexpr std::size_t kDefaultAlignment = 16;
constexpr std::size_t kQuarantine = 1024;

std::string Describe(const void* block) {
  std::ostringstream out;
  out << block;
  return out.str();
}

}  // namespace

GameHeap::~GameHeap() { Reset(); }

void* GameHeap::Place(std::size_t size, std::size_t alignment, Origin origin, const char* what,
                      u64 request, bool aligned) {
  // Over-allocate so that any alignment can be met and the guard bytes fit behind the block.
  auto* raw = static_cast<unsigned char*>(std::malloc(size + alignment + kGuardBytes));
  if (raw == nullptr) return nullptr;
  auto address = reinterpret_cast<std::uintptr_t>(raw);
  address = (address + alignment - 1) & ~(std::uintptr_t{alignment} - 1);
  auto* block = reinterpret_cast<unsigned char*>(address);
  std::memset(block, kFreshFill, size);
  std::memset(block + size, kGuardFill, kGuardBytes);
  freed_.erase(block);
  live_[block] = Block{BlockInfo{size, origin, what, ++serial_, request, aligned}, raw, false};
  ++stats_.allocations;
  ++stats_.liveBlocks;
  return block;
}

void* GameHeap::Allocate(u32 size, u32 alignment, bool aligned) {
  std::lock_guard lock(mutex_);
  requests_.push_back(HeapRequest{size, alignment, aligned, false});
  bool fail = false;
  if (failNext_ > 0) {
    --failNext_;
    fail = true;
  }
  if (failNth_ > 0 && --failNth_ == 0) fail = true;
  if (fail) {
    requests_.back().failed = true;
    ++stats_.failedAllocations;
    return nullptr;
  }
  std::size_t align = kDefaultAlignment;
  if (aligned && alignment > kDefaultAlignment) {
    if ((alignment & (alignment - 1)) != 0) {
      problems_.Report("heap: aligned request with alignment " + std::to_string(alignment) +
                       ", which is not a power of two");
    } else {
      align = alignment;
    }
  }
  return Place(size == 0 ? 1 : size, align, Origin::kPlugin, "plugin block", requests_.size() - 1,
               aligned);
}

void* GameHeap::AllocateForHost(std::size_t size, const char* what) {
  std::lock_guard lock(mutex_);
  return Place(size, kDefaultAlignment, Origin::kHost, what, 0, false);
}

bool GameHeap::GuardIntact(const void* block, const Block& b) const {
  const auto* guard = static_cast<const unsigned char*>(block) + b.info.size;
  for (std::size_t i = 0; i < kGuardBytes; ++i) {
    if (guard[i] != kGuardFill) return false;
  }
  return true;
}

void GameHeap::Release(std::map<const void*, Block>::iterator it) {
  auto* block = const_cast<unsigned char*>(static_cast<const unsigned char*>(it->first));
  std::memset(block, kFreedFill, it->second.info.size);
  quarantine_.push_back(it->second.raw);
  if (quarantine_.size() > kQuarantine) {
    std::free(quarantine_.front());
    quarantine_.pop_front();
  }
  freed_.insert(it->first);
  live_.erase(it);
  --stats_.liveBlocks;
}

void GameHeap::Free(void* block, bool aligned) {
  if (block == nullptr) return;
  std::lock_guard lock(mutex_);
  auto it = live_.find(block);
  if (it == live_.end()) {
    if (freed_.count(block) != 0) {
      ++stats_.doubleFrees;
      problems_.Report("heap: block " + Describe(block) + " freed twice");
    } else {
      ++stats_.unknownFrees;
      problems_.Report("heap: free of " + Describe(block) + ", which the heap never handed out");
    }
    return;
  }
  const Block& b = it->second;
  if (b.info.aligned != aligned) {
    ++stats_.flagMismatches;
    problems_.Report(std::string("heap: ") + b.info.what + " " + Describe(block) +
                     " freed with aligned flag " + (aligned ? "true" : "false") +
                     " but allocated with " + (b.info.aligned ? "true" : "false"));
  }
  if (!b.overrunReported && !GuardIntact(block, b)) {
    ++stats_.overruns;
    problems_.Report(std::string("heap: write past the end of ") + b.info.what + " " +
                     Describe(block) + " of " + std::to_string(b.info.size) + " bytes");
  }
  ++stats_.frees;
  Release(it);
}

void GameHeap::FailNext(u32 count) {
  std::lock_guard lock(mutex_);
  failNext_ = count;
}

void GameHeap::FailNth(u32 k) {
  std::lock_guard lock(mutex_);
  failNth_ = k;
}

HeapStats GameHeap::Stats() const {
  std::lock_guard lock(mutex_);
  return stats_;
}

std::vector<HeapRequest> GameHeap::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool GameHeap::IsLive(const void* block) const {
  std::lock_guard lock(mutex_);
  return live_.count(block) != 0;
}

std::vector<std::pair<const void*, BlockInfo>> GameHeap::LiveBlocks() const {
  std::lock_guard lock(mutex_);
  std::vector<std::pair<const void*, BlockInfo>> blocks;
  for (const auto& [address, b] : live_) blocks.emplace_back(address, b.info);
  return blocks;
}

void GameHeap::CheckGuards() {
  std::lock_guard lock(mutex_);
  for (auto& [address, b] : live_) {
    if (b.overrunReported || GuardIntact(address, b)) continue;
    b.overrunReported = true;
    ++stats_.overruns;
    problems_.Report(std::string("heap: write past the end of ") + b.info.what + " " +
                     Describe(address) + " of " + std::to_string(b.info.size) + " bytes");
  }
}

void GameHeap::Reset() {
  std::lock_guard lock(mutex_);
  while (!live_.empty()) Release(live_.begin());
  for (unsigned char* raw : quarantine_) std::free(raw);
  quarantine_.clear();
  freed_.clear();
  requests_.clear();
  stats_ = HeapStats{};
  serial_ = 0;
  failNext_ = 0;
  failNth_ = 0;
}

}  // namespace vialmark::substitute
