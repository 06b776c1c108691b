// Reads choices out of a fuzz input; once the input is used up every choice is 0, so that any
// prefix of an input is itself a valid, shorter input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vialmark::fuzz {

class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint32_t Word() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | Byte();
    return value;
  }
  // A choice below `count` (count > 0).
  std::uint32_t Below(std::uint32_t count) { return Byte() % count; }
  template <typename T, std::size_t N>
  const T& Pick(const T (&table)[N]) {
    return table[Below(static_cast<std::uint32_t>(N))];
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace vialmark::fuzz
