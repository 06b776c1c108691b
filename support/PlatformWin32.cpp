// Win32 services, and the Win32 half of IFileStream.
#include <windows.h>
// windows.h first: these need its types.
#include <commdlg.h>
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>

#include "support/IFileStream.h"
#include "support/Platform.h"

namespace vialmark {
namespace {

constexpr int kDialogPathSize = 4096;
constexpr DWORD kOpenDialogFlags =
    OFN_ENABLESIZING | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ENABLEHOOK | OFN_NOCHANGEDIR;
constexpr DWORD kSaveDialogFlags = OFN_ENABLESIZING | OFN_EXPLORER | OFN_PATHMUSTEXIST |
                                   OFN_ENABLEHOOK | OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT;
static_assert(kOpenDialogFlags == 0x881028 && kSaveDialogFlags == 0x88082a);
// The full structure, with the reserved fields and the extended flags.
static_assert(sizeof(void*) != 4 || sizeof(OPENFILENAMEA) == 88);

// Exit code of an abnormal stop, the one the C runtime's abort uses.
constexpr UINT kAbnormalExitCode = 3;

HANDLE AsHandle(void* handle) { return static_cast<HANDLE>(handle); }

// Leaves the dialog all its default processing.
UINT_PTR CALLBACK DialogHook(HWND, UINT, WPARAM, LPARAM) { return 0; }

OPENFILENAMEA DialogDescription(char* fileName, DWORD flags) {
  OPENFILENAMEA description{};
  description.lStructSize = sizeof description;
  description.lpstrFile = fileName;
  description.nMaxFile = kDialogPathSize;
  description.Flags = flags;
  description.lpfnHook = DialogHook;
  return description;
}

}  // namespace

namespace platform {

std::FILE* OpenLogStream(const char* path) {
  const HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  // A C stream in text mode over the handle: lines end in CR LF.
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_TEXT);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wt");
  if (file == nullptr) _close(fd);
  return file;
}

bool GetShellFolderPath(int folderId, char (&path)[kFolderPathSize]) {
  static_assert(kFolderPathSize == MAX_PATH);
  return SUCCEEDED(SHGetFolderPathA(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, path));
}

void MakeOneDirectory(const char* path) { CreateDirectoryA(path, nullptr); }

void TerminateAbnormally() {
  TerminateProcess(GetCurrentProcess(), kAbnormalExitCode);
  std::_Exit(kAbnormalExitCode);  // not reached
}

}  // namespace platform

bool IFileStream::OpenForReading(const char* path) {
  Close();
  const HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  fileHandle = handle;
  LARGE_INTEGER size{};
  length = GetFileSizeEx(handle, &size) ? size.QuadPart : 0;
  position = 0;
  return true;
}

bool IFileStream::CreateForWriting(const char* path) {
  Close();
  const HANDLE handle =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  fileHandle = handle;
  length = 0;
  position = 0;
  return true;
}

bool IFileStream::ChooseAndOpen() {
  char fileName[kDialogPathSize] = {};
  OPENFILENAMEA description = DialogDescription(fileName, kOpenDialogFlags);
  if (!GetOpenFileNameA(&description)) return false;
  return OpenForReading(fileName);
}

bool IFileStream::ChooseAndCreate(const char* defaultName, const char* initialDirectory,
                                  const char* title) {
  char fileName[kDialogPathSize] = {};
  if (defaultName != nullptr) std::strncpy(fileName, defaultName, kDialogPathSize - 1);
  OPENFILENAMEA description = DialogDescription(fileName, kSaveDialogFlags);
  description.lpstrInitialDir = initialDirectory;
  description.lpstrTitle = title;
  if (!GetSaveFileNameA(&description)) return false;
  return CreateForWriting(fileName);
}

void IFileStream::Close() {
  if (fileHandle == kNoFile) return;
  CloseHandle(AsHandle(fileHandle));
  fileHandle = kNoFile;
}

void IFileStream::ReadBuf(void* buffer, std::uint32_t count) {
  if (fileHandle == kNoFile) return;
  DWORD moved = 0;
  if (!ReadFile(AsHandle(fileHandle), buffer, count, &moved, nullptr)) moved = 0;
  position += moved;
}

void IFileStream::WriteBuf(const void* buffer, std::uint32_t count) {
  if (fileHandle == kNoFile) return;
  // The file pointer already stands at position: the file now ends there.
  if (position > length && SetEndOfFile(AsHandle(fileHandle))) length = position;
  DWORD moved = 0;
  if (!WriteFile(AsHandle(fileHandle), buffer, count, &moved, nullptr)) moved = 0;
  position += moved;
  if (moved != 0 && position > length) length = position;
}

void IFileStream::SetPosition(std::int64_t newPosition) {
  if (fileHandle != kNoFile) {
    LARGE_INTEGER target{};
    target.QuadPart = newPosition;
    SetFilePointerEx(AsHandle(fileHandle), target, nullptr, FILE_BEGIN);
  }
  position = newPosition;
}

}  // namespace vialmark
