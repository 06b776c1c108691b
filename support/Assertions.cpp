#include "support/Assertions.h"

#include <cinttypes>
#include <cstdio>

#include "support/IDebugLog.h"
#include "support/Platform.h"

namespace vialmark {

// The log lines read as the Windows runtime's "%16I64X (%I64d)" would print them; the
// <cinttypes> macros give the same text on runtimes without the I64 modifier.
void ReportAssertionFailure(const char* file, int line, const char* description) {
  IDebugLog::LogFatal("Assertion failed in %s (%d): %s", file, line, description);
  StopProcess();
}

void ReportAssertionFailureCode(const char* file, int line, const char* description,
                                std::uint64_t code) {
  if ((code >> 32) != 0) {
    IDebugLog::LogFatal("Assertion failed in %s (%d): %s (code = %16" PRIX64 " (%" PRId64 "))",
                        file, line, description, code, static_cast<std::int64_t>(code));
  } else {
    const auto low = static_cast<std::uint32_t>(code);
    IDebugLog::LogFatal("Assertion failed in %s (%d): %s (code = %08" PRIX32 " (%" PRId32 "))",
                        file, line, description, low, static_cast<std::int32_t>(low));
  }
  StopProcess();
}

void ReportAssertionFailureText(const char* file, int line, const char* description,
                                const char* codeText) {
  IDebugLog::LogFatal("Assertion failed in %s (%d): %s (code = %s)", file, line, description,
                      codeText);
  StopProcess();
}

void StopProcess() {
  // The report is already flushed while the log flushes after each write; this also covers a
  // log whose flushing was turned off, and the console echo when it goes to a pipe.
  std::fflush(nullptr);
  platform::TerminateAbnormally();
}

}  // namespace vialmark
