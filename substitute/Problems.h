// Faults that the substitute host notices while the plugin runs (a double free, an unpin of an
// unpinned handle, a cast of an address that is no such view...). A real host would crash or
// corrupt itself; this one writes a line here and carries on, and the end-of-test balance
// check hands the lines to the test.
#pragma once

#include <cstdint>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace vialmark::substitute {

inline std::string Hex(std::uint64_t value) {
  std::ostringstream out;
  out << "0x" << std::hex << value;
  return out.str();
}

class ProblemLog {
 public:
  void Report(std::string problem) {
    std::lock_guard lock(mutex_);
    problems_.push_back(std::move(problem));
  }
  std::vector<std::string> All() const {
    std::lock_guard lock(mutex_);
    return problems_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    problems_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> problems_;
};

// When recording is on, every call the plugin makes into the registry, the handle policy and
// the binder is written here as one readable line, in the order the calls arrived.
class CallLog {
 public:
  bool Recording() const {
    std::lock_guard lock(mutex_);
    return recording_;
  }
  void SetRecording(bool on) {
    std::lock_guard lock(mutex_);
    recording_ = on;
  }
  void Add(std::string line) {
    std::lock_guard lock(mutex_);
    if (recording_) lines_.push_back(std::move(line));
  }
  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
    recording_ = false;
  }

 private:
  mutable std::mutex mutex_;
  bool recording_ = false;
  std::vector<std::string> lines_;
};

}  // namespace vialmark::substitute
