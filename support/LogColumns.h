// Column arithmetic of the debug log: tab stops every 4 columns.
#pragma once

#include <cstdint>

namespace vialmark::log_columns {

inline constexpr std::int32_t kColumnsPerLevel = 4;

// 1 to 4: the low two bits of the complement, plus one.
constexpr std::int32_t DistanceToTabStop(std::int32_t column) { return (~column & 3) + 1; }

constexpr std::int32_t RoundUpToTabStop(std::int32_t n) { return (n + 3) & ~3; }

// Calls emit('\t') or emit(' ') for each character that covers count columns starting at
// column: a tab wherever it does not pass the target, a space otherwise.
template <typename Emit>
constexpr void ForEachFillCharacter(std::int32_t column, std::int32_t count, Emit&& emit) {
  while (count > 0) {
    const std::int32_t distance = DistanceToTabStop(column);
    if (count >= distance) {
      emit('\t');
      column += distance;
      count -= distance;
    } else {
      emit(' ');
      column += 1;
      count -= 1;
    }
  }
}

}  // namespace vialmark::log_columns
