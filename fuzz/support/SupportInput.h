// Fuzz inputs for the support library, shared by the libFuzzer targets and the corpus replay
// tests. Each answers its problems in readable form; empty when all went as modelled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vialmark::fuzz {

// Operation sequences over a memory stream, a sub-range of it and a file stream, each checked
// against a plain model of bytes and position. `folder` is an existing folder for the file.
std::vector<std::string> RunStreamsInput(const std::uint8_t* data, std::size_t size,
                                         const std::string& folder);

// Messages, source tags, indentation and hanging blocks written to a log in `folder`; every
// message must end up as one line ending in its text (cut where the log cuts it).
std::vector<std::string> RunLogInput(const std::uint8_t* data, std::size_t size,
                                     const std::string& folder);

}  // namespace vialmark::fuzz
