#include "tests/support/Scratch.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace vialmark::testing {
namespace {

constexpr const char* kHandOverVariable = "VIALMARK_SUPPORT_SCRATCH";

int ProcessId() {
#if defined(_WIN32)
  return _getpid();
#else
  return static_cast<int>(getpid());
#endif
}

}  // namespace

ScratchDirectory::ScratchDirectory() {
  if (const char* inherited = std::getenv(kHandOverVariable)) {
    root_ = inherited;
    return;
  }
  static int counter = 0;
  root_ = std::filesystem::temp_directory_path() /
          ("vialmark-support-" + std::to_string(ProcessId()) + "-" + std::to_string(++counter));
  std::filesystem::remove_all(root_);
  std::filesystem::create_directories(root_);
  owner_ = true;
  SetEnvironment(kHandOverVariable, root_.string().c_str());
}

ScratchDirectory::~ScratchDirectory() {
  if (!owner_) return;
  SetEnvironment(kHandOverVariable, nullptr);
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string ScratchDirectory::Path(const std::string& name) const {
  return (root_ / name).string();
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void SetEnvironment(const char* name, const char* value) {
#if defined(_WIN32)
  _putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
#endif
}

}  // namespace vialmark::testing
