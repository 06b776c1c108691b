// The library's diagnostic text log: one file per loaded module, and an echo of the more
// important messages on standard output. All state is module-wide.
#pragma once

#include <cstdarg>

namespace vialmark {

class IDebugLog {
 public:
  IDebugLog();
  explicit IDebugLog(const char* fileName);
  ~IDebugLog();
  IDebugLog(const IDebugLog&) = delete;
  IDebugLog& operator=(const IDebugLog&) = delete;

  // Opens the log for writing, shared for reading only; falls back to the path with the
  // digits 0 to 4 appended when another writer holds it.
  static void OpenLogFile(const char* path);
  static void CloseLogFile();

  static void LogMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
  static void LogFatal(const char* format, ...) __attribute__((format(printf, 1, 2)));
  static void WriteAtLevel(int level, const char* format, std::va_list arguments)
      __attribute__((format(printf, 2, 0)));
  static void WriteMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
  static void WriteMessageV(const char* format, std::va_list arguments)
      __attribute__((format(printf, 1, 0)));

  static void SetSourceTag(const char* name);
  static void ClearSourceTag();
  static void IncreaseIndent();
  static void DecreaseIndent();
  static void BeginHangingBlock();
  static void EndHangingBlock();
  static void SetFlushAfterWrite(bool on);
};

}  // namespace vialmark
