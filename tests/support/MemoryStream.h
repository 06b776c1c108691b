// A stream over a byte vector, with the same end-of-data behaviour as a file: a read delivers
// what is there and moves past that only; a write past the end fills the gap with zeros.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "support/IDataStream.h"

namespace vialmark::testing {

class MemoryStream : public IDataStream {
 public:
  explicit MemoryStream(std::vector<std::uint8_t> initial = {}) : bytes(std::move(initial)) {
    length = static_cast<std::int64_t>(bytes.size());
  }

  void ReadBuf(void* buffer, std::uint32_t count) override {
    ++readCalls;
    if (position < 0 || position >= length) return;
    const auto available = static_cast<std::uint64_t>(length - position);
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, available));
    std::memcpy(buffer, bytes.data() + position, n);
    position += static_cast<std::int64_t>(n);
  }

  void WriteBuf(const void* buffer, std::uint32_t count) override {
    ++writeCalls;
    if (position < 0) return;
    const auto end = static_cast<std::size_t>(position) + count;
    if (end > bytes.size()) bytes.resize(end);
    if (count != 0) std::memcpy(bytes.data() + position, buffer, count);
    position += count;
    length = std::max<std::int64_t>(length, position);
  }

  void SetPosition(std::int64_t newPosition) override {
    ++setPositionCalls;
    position = newPosition;
  }

  std::vector<std::uint8_t> bytes;
  int readCalls = 0;
  int writeCalls = 0;
  int setPositionCalls = 0;
};

}  // namespace vialmark::testing
