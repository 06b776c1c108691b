// libFuzzer entries of the support library, one program per entry: VIALMARK_FUZZ_LOG selects
// the log's. Files go to a folder of their own under the system's temporary folder.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "fuzz/support/SupportInput.h"

namespace {

// Made on first use, removed when the fuzzer exits normally.
struct Scratch {
  Scratch()
      : path(std::filesystem::temp_directory_path() /
             ("vialmark-fuzz-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

std::string Folder() {
  static const Scratch scratch;
  return scratch.path.string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
#if defined(VIALMARK_FUZZ_LOG)
  std::vector<std::string> problems = vialmark::fuzz::RunLogInput(data, size, Folder());
#else
  std::vector<std::string> problems = vialmark::fuzz::RunStreamsInput(data, size, Folder());
#endif
  if (problems.empty()) return 0;
  for (const std::string& line : problems) std::fprintf(stderr, "%s\n", line.c_str());
  std::abort();
}
