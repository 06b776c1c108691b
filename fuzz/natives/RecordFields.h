// The record fields that some native may write, grouped by what writes them, so that after a
// call every change can be held against what that function is allowed to touch. The host's own
// end-of-test check covers every other byte of a record; the effect entries' costs, which sit
// in blocks of their own, are watched here too.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "substitute/Builders.h"

namespace vialmark::fuzz {

namespace Field {
inline constexpr unsigned kPotionPrice = 1u << 0;  // manual value
inline constexpr unsigned kPotionFlags = 1u << 1;
inline constexpr unsigned kPotionWeight = 1u << 2;
inline constexpr unsigned kIngredientValue = 1u << 3;
inline constexpr unsigned kIngredientWeight = 1u << 4;
inline constexpr unsigned kFormValue = 1u << 5;
inline constexpr unsigned kFormWeight = 1u << 6;
inline constexpr unsigned kEffectArchetype = 1u << 7;
inline constexpr unsigned kEffectRelated = 1u << 8;
inline constexpr unsigned kEffectValues = 1u << 9;  // actor values, secondary weight
inline constexpr unsigned kEffectCost = 1u << 10;   // nobody writes these
}  // namespace Field

// The fields each native may change; a function missing here may change none.
unsigned WritableBy(const std::string& function);

class RecordFields {
 public:
  explicit RecordFields(const std::vector<std::string>& formNames) : formNames_(formNames) {}

  // Every watched field of `form`, found through the host's casts as the plugin finds them.
  void Add(substitute::Scene& scene, std::size_t index, const void* form);
  void Snapshot();
  // One line per field that changed although `function` may not write it; takes the current
  // bytes as the new reference.
  std::vector<std::string> Changes(const std::string& function);

 private:
  struct Watched {
    std::size_t form;
    const char* name;
    unsigned group;
    const unsigned char* address;
    std::size_t length;
    std::vector<unsigned char> before;
  };
  template <typename T>
  void Watch(std::size_t form, const char* name, unsigned group, const T& field) {
    watched_.push_back(
        {form, name, group, reinterpret_cast<const unsigned char*>(&field), sizeof(T), {}});
  }

  const std::vector<std::string>& formNames_;
  std::vector<Watched> watched_;
};

}  // namespace vialmark::fuzz
