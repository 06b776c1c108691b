// The work of each array function done straight on the host, without the script binding: every
// element's form resolved from its handle through the host's handle policy (the same three
// questions the binding asks), its value read from a plain array and its result stored in the
// form or in a plain array. What an array call costs beyond this loop is what the binding adds:
// the argument list, the script arrays, the object locks and the value conversions.
#pragma once

#include <string_view>
#include <vector>

#include "bench/Stage.h"

namespace vialmark::bench {

struct PlainWork {
  HandlePolicy* policy = nullptr;
  std::vector<u64> handles;
  std::vector<u32> values;
  std::vector<float> weights;
  std::vector<u8> flags;
  std::vector<u32> results;
  void (*loop)(PlainWork& work) = nullptr;
};

// The plain loop of the array function `name` over the same first `elements` items and values
// that its typical call takes.
PlainWork MakePlainWork(Stage& stage, std::string_view name, u32 elements);
inline void RunPlain(PlainWork& work) { work.loop(work); }

// The names of the eleven array functions, in catalogue order.
const std::vector<std::string_view>& ArrayFunctions();

}  // namespace vialmark::bench
