// libFuzzer entry: any problem the input finds is printed with its call and ends the run.
#include <cstdio>
#include <cstdlib>

#include "fuzz/natives/NativesInput.h"

// With VIALMARK_FUZZ_TRACE set in the environment, every call is printed as it is made.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool kTrace = std::getenv("VIALMARK_FUZZ_TRACE") != nullptr;
  std::vector<std::string> calls;
  std::vector<std::string> problems =
      vialmark::fuzz::RunNativesInput(data, size, kTrace ? &calls : nullptr);
  for (const std::string& call : calls) std::fprintf(stderr, "call: %s\n", call.c_str());
  if (problems.empty()) return 0;
  for (const std::string& line : problems) std::fprintf(stderr, "%s\n", line.c_str());
  std::abort();
}
