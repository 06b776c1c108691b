#include "tests/support/FatalReport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "support/IDebugLog.h"
#include "tests/support/Scratch.h"

namespace vialmark::testing {
bool EndedByStopProcess(int exitStatus) {
#if defined(_WIN32)
  return ::testing::ExitedWithCode(3)(exitStatus);
#else
  return ::testing::KilledBySignal(SIGABRT)(exitStatus);
#endif
}

void ExpectFatalReport(const std::string& logPath, const std::function<void()>& action,
                       const std::string& expectedLine) {
  EXPECT_EXIT(
      {
        IDebugLog::ResetForTesting();
        IDebugLog::OpenLogFile(logPath.c_str());
        action();
        IDebugLog::LogMessage("the report returned");
        std::_Exit(0);
      },
      EndedByStopProcess, "");
  EXPECT_EQ(ReadWholeFile(logPath), expectedLine + kTextLineEnd);
}

}  // namespace vialmark::testing
