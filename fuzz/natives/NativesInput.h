// One fuzz input played against the plugin through the substitute host: a fresh world with a
// fixed set of records, then a sequence of native calls whose argument slots the input chooses.
// Shared by the libFuzzer target and by the corpus replay test of every build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vialmark::fuzz {

// Every problem found, each with the call that caused it in readable form; empty when the
// plugin kept every count, pin and record byte it had to. With a `trace`, every call made is
// added to it in readable form, for looking at what a corpus file does.
std::vector<std::string> RunNativesInput(const std::uint8_t* data, std::size_t size,
                                         std::vector<std::string>* trace = nullptr);

}  // namespace vialmark::fuzz
