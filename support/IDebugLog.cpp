#include "support/IDebugLog.h"

#include <cstdio>
#include <cstring>

#include "support/Assertions.h"
#include "support/IFileStream.h"
#include "support/LogColumns.h"
#include "support/Platform.h"

namespace vialmark {
namespace {

using log_columns::DistanceToTabStop;
using log_columns::kColumnsPerLevel;
using log_columns::RoundUpToTabStop;

constexpr int kFatalLevel = 0;
constexpr int kMessageLevel = 3;
constexpr int kFallbackNameSize = 1024;
constexpr int kFallbackCount = 5;
// An opening bracket, eight columns for the tag, a closing bracket and a tab.
constexpr char kEmptyPrefix[] = "[        ]\t";
constexpr int kTagColumns = 8;

struct LogState {
  std::FILE* logFile = nullptr;
  char messageBuffer[8192] = {};
  char sourceName[16] = {};
  char sourcePrefix[16] = {};
  int indentLevel = 0;
  int column = 0;
  bool inHangingBlock = false;
  bool flushAfterWrite = true;
  int logLevel = 5;
  int printLevel = 3;
};

// Constant-initialised, so the log works during other modules' static initialisation.
constinit LogState state;

void FlushIfWanted() {
  if (state.flushAfterWrite) std::fflush(state.logFile);
}

void WriteRaw(const char* text) {
  if (state.logFile != nullptr) {
    std::fputs(text, state.logFile);
    FlushIfWanted();
  }
  for (const char* c = text; *c != 0; ++c) {
    state.column += *c == '\t' ? DistanceToTabStop(state.column) : 1;
  }
}

void EndLine() {
  if (state.logFile != nullptr) {
    std::fputc('\n', state.logFile);
    FlushIfWanted();
  }
  state.column = 0;
}

void WriteFill(int count) {
  if (state.logFile != nullptr) {
    log_columns::ForEachFillCharacter(state.column, count,
                                      [](char c) { std::fputc(c, state.logFile); });
  }
  state.column += count;
}

void PadToColumn(int target) {
  if (target > state.column) WriteFill(target - state.column);
}

void EmitLine(const char* text, const char* tag) {
  if (tag != nullptr) IDebugLog::SetSourceTag(tag);
  const int indentColumns = kColumnsPerLevel * state.indentLevel;
  if (state.inHangingBlock) {
    const int prefixLength = static_cast<int>(std::strlen(state.sourcePrefix));
    PadToColumn(RoundUpToTabStop(prefixLength + indentColumns));
  } else {
    PadToColumn(indentColumns);
    WriteRaw(state.sourcePrefix);
  }
  WriteRaw(text);
  EndLine();
}

// A message longer than the buffer is cut at 8191 bytes.
void FormatIntoBuffer(const char* format, std::va_list arguments) VIALMARK_PRINTF_FORMAT(1, 0);
void FormatIntoBuffer(const char* format, std::va_list arguments) {
  if (std::vsnprintf(state.messageBuffer, sizeof state.messageBuffer, format, arguments) < 0) {
    state.messageBuffer[0] = 0;
  }
}

}  // namespace

IDebugLog::IDebugLog() = default;

IDebugLog::IDebugLog(const char* fileName) { OpenLogFile(fileName); }

IDebugLog::~IDebugLog() { CloseLogFile(); }

void IDebugLog::OpenLogFile(const char* path) {
  CloseLogFile();
  std::FILE* file = platform::OpenLogStream(path);
  for (int number = 0; file == nullptr && number < kFallbackCount; ++number) {
    char name[kFallbackNameSize];
    const int needed = std::snprintf(name, sizeof name, "%s%d", path, number);
    // A name cut short could be some other file, which opening would empty.
    if (needed < 0 || needed >= kFallbackNameSize) continue;
    file = platform::OpenLogStream(name);
  }
  state.logFile = file;
}

void IDebugLog::OpenLogFileInFolder(int folderId, const char* relativePath) {
  char path[platform::kFolderPathSize];
  if (!platform::GetShellFolderPath(folderId, path)) {
    ReportAssertionFailure(
        ".\\IDebugLog", 59,
        "SUCCEEDED(SHGetFolderPath(NULL, folderID, NULL, SHGFP_TYPE_CURRENT, path))");
  }
  const std::size_t folderLength = std::strlen(path);
  const std::size_t relativeLength = std::strlen(relativePath);
  // A path cut to fit would name another file; leave the log as it is instead.
  if (folderLength + relativeLength >= sizeof path) return;
  std::memcpy(path + folderLength, relativePath, relativeLength + 1);
  IFileStream::MakeDirectories(path);
  OpenLogFile(path);
}

void IDebugLog::CloseLogFile() {
  if (state.logFile == nullptr) return;
  std::fclose(state.logFile);
  state.logFile = nullptr;
}

void IDebugLog::LogMessage(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  WriteAtLevel(kMessageLevel, format, arguments);
  va_end(arguments);
}

void IDebugLog::LogFatal(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  WriteAtLevel(kFatalLevel, format, arguments);
  va_end(arguments);
}

void IDebugLog::WriteAtLevel(int level, const char* format, std::va_list arguments) {
  const bool toFile = level <= state.logLevel;
  const bool toConsole = level <= state.printLevel;
  if (!toFile && !toConsole) return;
  FormatIntoBuffer(format, arguments);
  if (toFile) EmitLine(state.messageBuffer, nullptr);
  if (toConsole) {
    std::printf("%s\n", state.messageBuffer);
    // Current on the console even when it is a pipe and the process is about to stop.
    std::fflush(stdout);
  }
}

void IDebugLog::WriteMessage(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  WriteMessageV(format, arguments);
  va_end(arguments);
}

void IDebugLog::WriteMessageV(const char* format, std::va_list arguments) {
  FormatIntoBuffer(format, arguments);
  EmitLine(state.messageBuffer, nullptr);
}

void IDebugLog::SetSourceTag(const char* name) {
  if (name == nullptr) name = "";
  // At most 15 characters are kept; the line shows the first 8.
  std::size_t n = 0;
  for (; n + 1 < sizeof state.sourceName && name[n] != 0; ++n) state.sourceName[n] = name[n];
  state.sourceName[n] = 0;
  std::memcpy(state.sourcePrefix, kEmptyPrefix, sizeof kEmptyPrefix);
  for (int i = 0; i < kTagColumns && state.sourceName[i] != 0; ++i) {
    state.sourcePrefix[1 + i] = state.sourceName[i];
  }
}

void IDebugLog::ClearSourceTag() {
  // The prefix goes with the name: a cleared tag no longer shows on later lines.
  state.sourceName[0] = 0;
  state.sourcePrefix[0] = 0;
}

void IDebugLog::IncreaseIndent() { ++state.indentLevel; }

void IDebugLog::DecreaseIndent() {
  if (state.indentLevel > 0) --state.indentLevel;
}

void IDebugLog::BeginHangingBlock() {
  PadToColumn(kColumnsPerLevel * state.indentLevel);
  WriteRaw(state.sourcePrefix);
  state.inHangingBlock = true;
}

void IDebugLog::EndHangingBlock() { state.inHangingBlock = false; }

void IDebugLog::SetFlushAfterWrite(bool on) { state.flushAfterWrite = on; }

void IDebugLog::ResetForTesting() {
  CloseLogFile();
  state = LogState{};
}

}  // namespace vialmark
