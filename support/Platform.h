// The operating-system services that the support library's shared code needs. One source file
// per platform defines them, beside that platform's half of IFileStream.
#pragma once

#include <cstdio>

namespace vialmark::platform {

inline constexpr int kFolderPathSize = 260;

// A text stream on path, created or emptied, that no other writer can open while it is open.
// Null when the file cannot be opened that way; an existing file held by another writer is
// left untouched.
std::FILE* OpenLogStream(const char* path);

// The current path of a shell folder (a CSIDL number, flags in the upper bits allowed).
// False when the folder is unknown or its path does not fit.
bool GetShellFolderPath(int folderId, char (&path)[kFolderPathSize]);

// Creates one directory; failure (it exists, its parent is missing) is not reported.
void MakeOneDirectory(const char* path);

[[noreturn]] void TerminateAbnormally();

}  // namespace vialmark::platform
