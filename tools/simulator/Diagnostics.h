// Errors in what a user hands the simulator (data set, call scripts, declarations): each names
// the place as an editor does, FILE:LINE:COLUMN, so that a click or a glance finds it.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace vialmark::simulator {

struct SourcePlace {
  std::string file;
  unsigned line = 0;    // 1-based; 0 when the problem is the file as a whole
  unsigned column = 0;  // 1-based
};

class InputError : public std::runtime_error {
 public:
  InputError(SourcePlace place, const std::string& message)
      : std::runtime_error(message), place_(std::move(place)) {}

  const SourcePlace& place() const { return place_; }
  // "FILE:LINE:COLUMN: error: MESSAGE", or "FILE: error: MESSAGE" for a whole file.
  std::string Formatted() const {
    std::string text = place_.file;
    if (place_.line != 0) {
      text += ":" + std::to_string(place_.line) + ":" + std::to_string(place_.column);
    }
    return text + ": error: " + what();
  }

 private:
  SourcePlace place_;
};

}  // namespace vialmark::simulator
