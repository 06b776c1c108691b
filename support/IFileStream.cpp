#include "support/IFileStream.h"

#include "support/Platform.h"

namespace vialmark {
namespace {

constexpr int kDirectoryPathSize = 1024;

constexpr bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

IFileStream::IFileStream(const char* path) { OpenForReading(path); }

IFileStream::~IFileStream() { Close(); }

void IFileStream::MakeDirectories(const char* path) {
  char work[kDirectoryPathSize];
  int i = 0;
  for (; path[i] != 0; ++i) {
    if (i == kDirectoryPathSize - 1) return;  // would not fit with its terminator
  }
  for (i = 0; path[i] != 0; ++i) {
    if (IsSeparator(path[i]) && i > 0) {
      work[i] = 0;
      platform::MakeOneDirectory(work);
    }
    work[i] = path[i];
  }
}

const char* IFileStream::FindFileName(const char* path) {
  const char* name = nullptr;
  for (const char* c = path; *c != 0; ++c) {
    if (IsSeparator(*c)) name = c + 1;
  }
  return name;
}

}  // namespace vialmark
