// Fatal reports for broken contracts of the support library: one line through the debug log
// at level 0, then the process stops. None of these returns.
#pragma once

#include <cstdint>

namespace vialmark {

[[noreturn]] void ReportAssertionFailure(const char* file, int line, const char* description);
[[noreturn]] void ReportAssertionFailureCode(const char* file, int line, const char* description,
                                             std::uint64_t code);
[[noreturn]] void ReportAssertionFailureText(const char* file, int line, const char* description,
                                             const char* codeText);

// Ends the process abnormally once buffered output has reached its files. POSIX: SIGABRT.
// Windows: TerminateProcess with exit code 3, so that no error dialog waits for a user and no
// module's clean-up runs.
[[noreturn]] void StopProcess();

}  // namespace vialmark
