#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/Assertions.h"
#include "tests/support/FatalReport.h"
#include "tests/support/LogFixture.h"

namespace vialmark {
namespace {

struct ReportCase {
  const char* name;
  void (*report)();
  const char* line;
};

const ReportCase kReports[] = {
    {"Plain", [] { ReportAssertionFailure(".\\IDataStream", 101, "some condition"); },
     "Assertion failed in .\\IDataStream (101): some condition"},
    {"CodeFitsInEightDigits",
     [] { ReportAssertionFailureCode(".\\IDebugLog", 7, "code check", 255); },
     "Assertion failed in .\\IDebugLog (7): code check (code = 000000FF (255))"},
    {"LowHalfAllSetIsMinusOne",
     [] { ReportAssertionFailureCode(".\\IDebugLog", 7, "code check", 0xFFFFFFFFu); },
     "Assertion failed in .\\IDebugLog (7): code check (code = FFFFFFFF (-1))"},
    {"UpperHalfSetUsesSixteenColumns",
     [] { ReportAssertionFailureCode(".\\IDebugLog", 7, "code check", std::uint64_t{1} << 32); },
     "Assertion failed in .\\IDebugLog (7): code check (code =        100000000 (4294967296))"},
    {"AllBitsSetIsMinusOne",
     [] { ReportAssertionFailureCode(".\\IDebugLog", -2, "code check", ~std::uint64_t{0}); },
     "Assertion failed in .\\IDebugLog (-2): code check (code = FFFFFFFFFFFFFFFF (-1))"},
    {"CodeAsText", [] { ReportAssertionFailureText(".\\IDebugLog", 12, "text check", "E_FAIL"); },
     "Assertion failed in .\\IDebugLog (12): text check (code = E_FAIL)"},
    {"StopWithoutReport", [] { StopProcess(); }, ""},
};

class ReportTest : public testing::LogFixture, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(ReportTest, OneLineThenAnAbnormalEnd) {
  const ReportCase& c = GetParam();
  if (c.line[0] == 0) {
    // StopProcess alone: the log stays empty.
    EXPECT_EXIT(
        {
          IDebugLog::OpenLogFile(logPath.c_str());
          c.report();
          IDebugLog::LogMessage("returned");
          std::_Exit(0);
        },
        testing::EndedByStopProcess, "");
    EXPECT_EQ(LogText(), "");
    return;
  }
  testing::ExpectFatalReport(logPath, c.report, c.line);
}

INSTANTIATE_TEST_SUITE_P(Formats, ReportTest, ::testing::ValuesIn(kReports),
                         [](const auto& tested) { return std::string(tested.param.name); });

class ReportStateTest : public testing::LogFixture {};

TEST_F(ReportStateTest, ReportKeepsTheLogsIndentationAndPrefix) {
  testing::ExpectFatalReport(
      logPath,
      [] {
        IDebugLog::IncreaseIndent();
        IDebugLog::SetSourceTag("tag");
        ReportAssertionFailure(".\\IDataStream", 1, "indented");
      },
      "\t[tag     ]\tAssertion failed in .\\IDataStream (1): indented");
}

TEST_F(ReportStateTest, ReportReachesTheFileEvenWithFlushingOff) {
  testing::ExpectFatalReport(
      logPath,
      [] {
        IDebugLog::SetFlushAfterWrite(false);
        ReportAssertionFailure(".\\IDataStream", 2, "buffered");
      },
      "Assertion failed in .\\IDataStream (2): buffered");
}

}  // namespace
}  // namespace vialmark
