// A scratch directory per test, and small file helpers.
//
// A death test on Windows runs the test again in a new process up to the statement that is to
// die; the scratch directory is handed to that process through the environment, so that parent
// and child look at the same files.
#pragma once

#include <filesystem>
#include <string>

namespace vialmark::testing {

class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  // root/name as a narrow native path.
  std::string Path(const std::string& name) const;

 private:
  std::filesystem::path root_;
  bool owner_ = false;
};

// The whole file as bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

// The line ending that text-mode files use on this platform.
inline constexpr const char* kTextLineEnd =
#if defined(_WIN32)
    "\r\n";
#else
    "\n";
#endif

// Sets an environment variable for this process and the processes it starts; null removes it.
void SetEnvironment(const char* name, const char* value);

}  // namespace vialmark::testing
