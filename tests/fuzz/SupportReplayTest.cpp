#include "fuzz/support/SupportInput.h"
#include "tests/fuzz/CorpusReplay.h"
#include "tests/support/Scratch.h"

namespace vialmark::testing {
namespace {

TEST(StreamsCorpus, EveryCaseMatchesTheModel) {
  ScratchDirectory scratch;
  ReplayCorpus(VIALMARK_CORPUS "/streams", [&](const std::uint8_t* data, std::size_t size) {
    return fuzz::RunStreamsInput(data, size, scratch.Root().string());
  });
}

TEST(LogCorpus, EveryMessageIsOneLineEndingInItsText) {
  ScratchDirectory scratch;
  ReplayCorpus(VIALMARK_CORPUS "/log", [&](const std::uint8_t* data, std::size_t size) {
    return fuzz::RunLogInput(data, size, scratch.Root().string());
  });
}

}  // namespace
}  // namespace vialmark::testing
