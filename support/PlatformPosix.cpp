// POSIX services, and the POSIX half of IFileStream. Paths use the Windows conventions of the
// rest of the library, so a backslash is a separator here too.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/IFileStream.h"
#include "support/Platform.h"

static_assert(sizeof(off_t) == 8, "files past 2 GiB need a 64-bit off_t");

namespace vialmark {
namespace {

std::string NativePath(const char* path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

// Opens path under a lock that plays the part of the Windows share modes: a reader's shared
// lock admits other readers only, a writer's exclusive lock admits nobody. A file that is
// created is emptied only once the lock is held, so a file that another process holds is never
// truncated.
int OpenLocked(const char* path, int access, bool create) {
  const int flags = access | O_CLOEXEC | (create ? O_CREAT : 0);
  const int fd = ::open(NativePath(path).c_str(), flags, 0666);
  if (fd < 0) return -1;
  struct stat status {};
  const int lock = access == O_RDONLY ? LOCK_SH : LOCK_EX;
  const bool usable = ::fstat(fd, &status) == 0 && !S_ISDIR(status.st_mode) &&
                      ::flock(fd, lock | LOCK_NB) == 0 && (!create || ::ftruncate(fd, 0) == 0);
  if (!usable) {
    ::close(fd);
    return -1;
  }
  return fd;
}

struct ShellFolder {
  int id;
  const char* belowHome;
};

// The common CSIDL numbers, mapped to the usual places under $HOME.
constexpr ShellFolder kShellFolders[] = {
    {5, "/Documents"},      // CSIDL_PERSONAL
    {26, "/.config"},       // CSIDL_APPDATA
    {28, "/.local/share"},  // CSIDL_LOCAL_APPDATA
    {40, ""},               // CSIDL_PROFILE
};
constexpr int kFolderIdMask = 0xFF;  // CSIDL_FLAG_* bits sit above it

}  // namespace

namespace platform {

std::FILE* OpenLogStream(const char* path) {
  const int fd = OpenLocked(path, O_WRONLY, true);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "w");
  if (file == nullptr) ::close(fd);
  return file;
}

bool GetShellFolderPath(int folderId, char (&path)[kFolderPathSize]) {
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == 0) return false;
  for (const ShellFolder& folder : kShellFolders) {
    if (folder.id != (folderId & kFolderIdMask)) continue;
    const int needed = std::snprintf(path, sizeof path, "%s%s", home, folder.belowHome);
    return needed >= 0 && needed < kFolderPathSize;
  }
  return false;
}

void MakeOneDirectory(const char* path) { ::mkdir(NativePath(path).c_str(), 0777); }

void TerminateAbnormally() { std::abort(); }

}  // namespace platform

bool IFileStream::OpenForReading(const char* path) {
  Close();
  fileHandle = OpenLocked(path, O_RDONLY, false);
  if (fileHandle == kNoFile) return false;
  struct stat status {};
  length = ::fstat(fileHandle, &status) == 0 ? status.st_size : 0;
  position = 0;
  return true;
}

bool IFileStream::CreateForWriting(const char* path) {
  Close();
  fileHandle = OpenLocked(path, O_WRONLY, true);
  if (fileHandle == kNoFile) return false;
  length = 0;
  position = 0;
  return true;
}

// No dialog service: nothing is chosen, and the stream keeps the file it has.
bool IFileStream::ChooseAndOpen() { return false; }

bool IFileStream::ChooseAndCreate(const char*, const char*, const char*) { return false; }

void IFileStream::Close() {
  if (fileHandle == kNoFile) return;
  ::close(fileHandle);
  fileHandle = kNoFile;
}

void IFileStream::ReadBuf(void* buffer, std::uint32_t count) {
  if (fileHandle == kNoFile) return;
  auto* bytes = static_cast<char*>(buffer);
  std::uint32_t moved = 0;
  while (moved < count) {
    const ssize_t n = ::read(fileHandle, bytes + moved, count - moved);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    moved += static_cast<std::uint32_t>(n);
  }
  position += moved;
}

void IFileStream::WriteBuf(const void* buffer, std::uint32_t count) {
  if (fileHandle == kNoFile) return;
  if (position > length && ::ftruncate(fileHandle, position) == 0) length = position;
  const auto* bytes = static_cast<const char*>(buffer);
  std::uint32_t moved = 0;
  while (moved < count) {
    const ssize_t n = ::write(fileHandle, bytes + moved, count - moved);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    moved += static_cast<std::uint32_t>(n);
  }
  position += moved;
  if (moved != 0 && position > length) length = position;
}

void IFileStream::SetPosition(std::int64_t newPosition) {
  if (fileHandle != kNoFile) ::lseek(fileHandle, newPosition, SEEK_SET);
  position = newPosition;
}

}  // namespace vialmark
