#include "fuzz/natives/NativesInput.h"
#include "tests/fuzz/CorpusReplay.h"

namespace vialmark::testing {
namespace {

TEST(NativesCorpus, EveryCaseKeepsTheHostBalanced) {
  ReplayCorpus(VIALMARK_CORPUS "/natives", [](const std::uint8_t* data, std::size_t size) {
    return fuzz::RunNativesInput(data, size);
  });
}

}  // namespace
}  // namespace vialmark::testing
