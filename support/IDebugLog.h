// The library's diagnostic text log: one file per loaded module, and an echo of the more
// important messages on standard output. All state is module-wide; no operation takes a lock.
#pragma once

#include <cstdarg>

// Messages are formatted by the C runtime's vsnprintf. On MinGW the C++ runtime selects the
// C99-conforming implementation, so the GNU conventions are the ones to check against.
#if defined(__MINGW32__)
#define VIALMARK_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(gnu_printf, formatIndex, firstArgument)))
#else
#define VIALMARK_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(printf, formatIndex, firstArgument)))
#endif

namespace vialmark {

class IDebugLog {
 public:
  IDebugLog();
  explicit IDebugLog(const char* fileName);
  ~IDebugLog();
  IDebugLog(const IDebugLog&) = delete;
  IDebugLog& operator=(const IDebugLog&) = delete;

  // Opens the log for writing, emptied, shared for reading only; falls back to the path with
  // the digits 0 to 4 appended when the name cannot be opened (another writer holds it).
  // A log that was already open is closed first.
  static void OpenLogFile(const char* path);
  // Opens the log at relativePath glued directly to a shell folder (a CSIDL number), after
  // creating the directories on the way. A failed folder lookup is a fatal report.
  static void OpenLogFileInFolder(int folderId, const char* relativePath);
  static void CloseLogFile();

  // Level 3: file and console.
  static void LogMessage(const char* format, ...) VIALMARK_PRINTF_FORMAT(1, 2);
  // Level 0: file and console; used by the fatal reports.
  static void LogFatal(const char* format, ...) VIALMARK_PRINTF_FORMAT(1, 2);
  // Levels up to 5 reach the file, up to 3 also the console; the file line comes first.
  static void WriteAtLevel(int level, const char* format, std::va_list arguments)
      VIALMARK_PRINTF_FORMAT(2, 0);
  // To the file only, without a level.
  static void WriteMessage(const char* format, ...) VIALMARK_PRINTF_FORMAT(1, 2);
  static void WriteMessageV(const char* format, std::va_list arguments)
      VIALMARK_PRINTF_FORMAT(1, 0);

  static void SetSourceTag(const char* name);
  static void ClearSourceTag();
  static void IncreaseIndent();
  static void DecreaseIndent();
  static void BeginHangingBlock();
  static void EndHangingBlock();
  static void SetFlushAfterWrite(bool on);

  // Closes the file and puts every piece of module-wide state back to its initial value.
  // Only tests call this: the module itself opens its log once.
  static void ResetForTesting();
};

}  // namespace vialmark
