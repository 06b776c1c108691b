#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/IDebugLog.h"
#include "support/IFileStream.h"
#include "support/LogColumns.h"
#include "tests/support/LogFixture.h"
#include "tests/support/Scratch.h"

namespace vialmark {
namespace {

using testing::LogFixture;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

// --- Fill between columns ------------------------------------------------------------------

struct FillCase {
  int from;
  int to;
  const char* fill;
};

class LogFillTest : public ::testing::TestWithParam<FillCase> {};

TEST_P(LogFillTest, TabsWhereTheyFitThenSpaces) {
  const FillCase& c = GetParam();
  std::string fill;
  log_columns::ForEachFillCharacter(c.from, c.to - c.from, [&](char ch) { fill += ch; });
  EXPECT_EQ(fill, c.fill) << "from column " << c.from << " to " << c.to;
}

INSTANTIATE_TEST_SUITE_P(Columns, LogFillTest,
                         ::testing::Values(FillCase{2, 8, "\t\t"}, FillCase{1, 3, "  "},
                                           FillCase{0, 8, "\t\t"}, FillCase{3, 4, "\t"},
                                           FillCase{5, 7, "  "}, FillCase{6, 13, "\t\t "},
                                           FillCase{4, 4, ""}));

TEST(LogColumnsTest, TabStopsEveryFourColumns) {
  constexpr int kDistances[] = {4, 3, 2, 1, 4, 3};
  for (int column = 0; column < 6; ++column) {
    EXPECT_EQ(log_columns::DistanceToTabStop(column), kDistances[column]) << column;
  }
  EXPECT_EQ(log_columns::RoundUpToTabStop(0), 0);
  EXPECT_EQ(log_columns::RoundUpToTabStop(11), 12);
  EXPECT_EQ(log_columns::RoundUpToTabStop(15), 16);
  EXPECT_EQ(log_columns::RoundUpToTabStop(16), 16);
}

// --- Line format -----------------------------------------------------------------------------

struct LineCase {
  const char* name;
  void (*prepare)();
  const char* message;
  const char* lines;  // '\n' stands for the platform's line end
};

class LogLineTest : public LogFixture, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LogLineTest, FileHoldsIndentationPrefixAndText) {
  const LineCase& c = GetParam();
  IDebugLog::OpenLogFile(logPath.c_str());
  c.prepare();
  IDebugLog::WriteMessage("%s", c.message);
  EXPECT_EQ(LogText(), TextFile(c.lines));
}

const LineCase kLineCases[] = {
    {"PlainText", [] {}, "text 42", "text 42\n"},
    {"IndentOneFourLetterTag",
     [] {
       IDebugLog::IncreaseIndent();
       IDebugLog::SetSourceTag("abcd");
     },
     "text", "\t[abcd    ]\ttext\n"},
    {"TwoLetterTag", [] { IDebugLog::SetSourceTag("ab"); }, "x", "[ab      ]\tx\n"},
    {"TwelveLetterTagShowsEight", [] { IDebugLog::SetSourceTag("abcdefghijkl"); }, "x",
     "[abcdefgh]\tx\n"},
    {"TagBeyondFifteenCharactersIsCut",
     [] { IDebugLog::SetSourceTag("0123456789abcdefghijklmnopqrstuvwxyz0123456789"); }, "x",
     "[01234567]\tx\n"},
    {"EmptyMessageKeepsIndentAndPrefix",
     [] {
       IDebugLog::IncreaseIndent();
       IDebugLog::IncreaseIndent();
       IDebugLog::SetSourceTag("ab");
     },
     "", "\t\t[ab      ]\t\n"},
    {"NewlineInsideMessageUnchanged", [] {}, "one\ntwo", "one\ntwo\n"},
    {"DecreaseAtZeroStaysZero",
     [] {
       IDebugLog::DecreaseIndent();
       IDebugLog::IncreaseIndent();
     },
     "x", "\tx\n"},
    {"DecreaseUndoesIncrease",
     [] {
       IDebugLog::IncreaseIndent();
       IDebugLog::IncreaseIndent();
       IDebugLog::DecreaseIndent();
     },
     "x", "\tx\n"},
    {"ClearedTagNoLongerShows",
     [] {
       IDebugLog::SetSourceTag("ab");
       IDebugLog::ClearSourceTag();
     },
     "x", "x\n"},
    {"HangingBlockWithoutTagOrIndent", [] { IDebugLog::BeginHangingBlock(); }, "x", "x\n"},
};

INSTANTIATE_TEST_SUITE_P(Lines, LogLineTest, ::testing::ValuesIn(kLineCases),
                         [](const auto& tested) { return std::string(tested.param.name); });

TEST_F(LogFixture, HangingBlockAlignsEveryTextAtColumnSixteen) {
  IDebugLog::OpenLogFile(logPath.c_str());
  IDebugLog::IncreaseIndent();
  IDebugLog::SetSourceTag("tag");
  IDebugLog::BeginHangingBlock();
  IDebugLog::LogMessage("first");
  IDebugLog::LogMessage("second");
  IDebugLog::LogMessage("third");
  IDebugLog::EndHangingBlock();
  IDebugLog::LogMessage("after");
  // 4 columns of indentation + 11 of prefix reach 15; the prefix's tab goes on to 16, and the
  // later lines fill 16 columns with four tabs.
  EXPECT_EQ(LogText(), TextFile("\t[tag     ]\tfirst\n"
                                "\t\t\t\tsecond\n"
                                "\t\t\t\tthird\n"
                                "\t[tag     ]\tafter\n"));
}

TEST_F(LogFixture, OverlongMessageIsCutAt8191Bytes) {
  IDebugLog::OpenLogFile(logPath.c_str());
  const std::string longText(10000, 'x');
  CaptureStdout();
  IDebugLog::LogMessage("%s", longText.c_str());
  const std::string console = GetCapturedStdout();
  EXPECT_EQ(LogText(), TextFile(std::string(8191, 'x') + "\n"));
  EXPECT_EQ(console, std::string(8191, 'x') + "\n");
}

// --- Levels and console echo -----------------------------------------------------------------

void AtLevel(int level, const char* format, ...) VIALMARK_PRINTF_FORMAT(2, 3);
void AtLevel(int level, const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  IDebugLog::WriteAtLevel(level, format, arguments);
  va_end(arguments);
}

struct LevelCase {
  int level;
  bool toFile;
  bool toConsole;
};

class LogLevelTest : public LogFixture, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(LogLevelTest, FileUpToFiveConsoleUpToThree) {
  const LevelCase& c = GetParam();
  IDebugLog::OpenLogFile(logPath.c_str());
  CaptureStdout();
  AtLevel(c.level, "level %d", c.level);
  const std::string console = GetCapturedStdout();
  const std::string line = "level " + std::to_string(c.level);
  EXPECT_EQ(LogText(), c.toFile ? TextFile(line + "\n") : "");
  EXPECT_EQ(console, c.toConsole ? line + "\n" : "");
}

INSTANTIATE_TEST_SUITE_P(Thresholds, LogLevelTest,
                         ::testing::Values(LevelCase{-1, true, true}, LevelCase{0, true, true},
                                           LevelCase{3, true, true}, LevelCase{4, true, false},
                                           LevelCase{5, true, false}, LevelCase{6, false, false},
                                           LevelCase{100, false, false}));

TEST_F(LogFixture, MessageForNobodyIsNotFormatted) {
  IDebugLog::OpenLogFile(logPath.c_str());
  int written = -1;
  AtLevel(6, "abc%n", &written);
  EXPECT_EQ(written, -1);
  AtLevel(5, "abc%n", &written);
  EXPECT_EQ(written, 3) << "the runtime does not count with %n, so the check above shows nothing";
}

TEST_F(LogFixture, LogMessageAndLogFatalReachFileAndConsole) {
  IDebugLog::OpenLogFile(logPath.c_str());
  CaptureStdout();
  IDebugLog::LogMessage("message %s %u", "one", 2u);
  IDebugLog::LogFatal("fatal %d", -3);
  IDebugLog::WriteMessage("file only %d", 4);
  const std::string console = GetCapturedStdout();
  EXPECT_EQ(LogText(), TextFile("message one 2\nfatal -3\nfile only 4\n"));
  EXPECT_EQ(console, "message one 2\nfatal -3\n");
}

#if defined(__GLIBC__)
// glibc lets a test put a stream of its own in place of stdout, so the log file can be read at
// the very moment the console line is written.
TEST_F(LogFixture, ConsoleLineIsWrittenAfterTheFileLine) {
  struct Probe {
    std::string logPath;
    std::string fileWhenEchoed;
    std::string echoed;
  } probe{logPath, "<no echo>", ""};
  cookie_io_functions_t io{};
  io.write = [](void* cookie, const char* data, std::size_t size) -> ssize_t {
    auto* p = static_cast<Probe*>(cookie);
    if (p->echoed.empty()) p->fileWhenEchoed = testing::ReadWholeFile(p->logPath);
    p->echoed.append(data, size);
    return static_cast<ssize_t>(size);
  };
  IDebugLog::OpenLogFile(logPath.c_str());
  std::FILE* console = fopencookie(&probe, "w", io);
  ASSERT_NE(console, nullptr);
  std::setvbuf(console, nullptr, _IONBF, 0);  // every printf reaches the probe at once
  std::FILE* realStdout = stdout;
  stdout = console;
  IDebugLog::LogMessage("hello %d", 7);
  stdout = realStdout;
  std::fclose(console);
  EXPECT_EQ(probe.fileWhenEchoed, "hello 7\n");
  EXPECT_EQ(probe.echoed, "hello 7\n");
}
#endif

TEST_F(LogFixture, WithoutFileTheConsoleEchoGoesOn) {
  const std::string unreachable = scratch.Path("missing") + "/test.log";
  IDebugLog::OpenLogFile(unreachable.c_str());
  CaptureStdout();
  IDebugLog::LogMessage("still %s", "echoed");
  IDebugLog::WriteMessage("file only");
  const std::string console = GetCapturedStdout();
  EXPECT_EQ(console, "still echoed\n");
  EXPECT_FALSE(std::filesystem::exists(scratch.Path("missing")));
}

// --- Opening, fallbacks, closing -------------------------------------------------------------

TEST_F(LogFixture, OpeningEmptiesAnExistingLog) {
  testing::WriteWholeFile(logPath, "old content\n");
  IDebugLog::OpenLogFile(logPath.c_str());
  EXPECT_EQ(LogText(), "");
  IDebugLog::LogMessage("new");
  EXPECT_EQ(LogText(), TextFile("new\n"));
}

// Holds a file with a marker in it, open for reading: that keeps a log writer out, while the
// test can still read the file.
struct HeldFile {
  explicit HeldFile(const std::string& path) {
    testing::WriteWholeFile(path, "held");
    EXPECT_TRUE(stream.OpenForReading(path.c_str())) << path;
  }
  IFileStream stream;
};

TEST_F(LogFixture, FallbackNamesAreTriedFromZeroToFour) {
  HeldFile held(logPath);
  HeldFile held0(logPath + "0");
  HeldFile held1(logPath + "1");
  HeldFile held2(logPath + "2");
  HeldFile held3(logPath + "3");
  IDebugLog::OpenLogFile(logPath.c_str());
  IDebugLog::LogMessage("in the fifth");
  EXPECT_EQ(testing::ReadWholeFile(logPath + "4"), TextFile("in the fifth\n"));
  // The refused attempts emptied nothing.
  for (const char* suffix : {"", "0", "1", "2", "3"}) {
    EXPECT_EQ(testing::ReadWholeFile(logPath + suffix), "held") << suffix;
  }
}

TEST_F(LogFixture, WhenEveryNameIsHeldThereIsNoFile) {
  HeldFile held(logPath);
  HeldFile held0(logPath + "0");
  HeldFile held1(logPath + "1");
  HeldFile held2(logPath + "2");
  HeldFile held3(logPath + "3");
  HeldFile held4(logPath + "4");
  IDebugLog::OpenLogFile(logPath.c_str());
  CaptureStdout();
  IDebugLog::LogMessage("console only");
  EXPECT_EQ(GetCapturedStdout(), "console only\n");
  EXPECT_FALSE(std::filesystem::exists(logPath + "5"));
  EXPECT_EQ(testing::ReadWholeFile(logPath + "4"), "held");
}

TEST_F(LogFixture, SecondProcessGetsTheZeroNameAndLeavesTheFirstIntact) {
  IDebugLog::OpenLogFile(logPath.c_str());
  IDebugLog::LogMessage("first process");
  EXPECT_EXIT(
      {
        IDebugLog::ResetForTesting();
        IDebugLog::OpenLogFile(logPath.c_str());
        IDebugLog::LogMessage("second process");
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  IDebugLog::LogMessage("first process again");
  EXPECT_EQ(LogText(), TextFile("first process\nfirst process again\n"));
  EXPECT_EQ(testing::ReadWholeFile(logPath + "0"), TextFile("second process\n"));
}

TEST_F(LogFixture, OverlongFallbackNameIsRefusedNotCut) {
#if defined(_WIN32)
  GTEST_SKIP() << "the ANSI file functions stop at 260 characters: such a path cannot exist";
#else
  // A directory path such that "<dir>/keep" is exactly 1023 characters: a fallback name cut
  // to the 1024-byte buffer would be that file.
  std::string directory = scratch.Root().string();
  const std::size_t target = 1023 - std::string("/keep").size();
  while (directory.size() < target) {
    const std::size_t part = std::min<std::size_t>(200, target - directory.size() - 1);
    directory += "/" + std::string(part, 'd');
  }
  ASSERT_EQ(directory.size(), target);
  std::filesystem::create_directories(directory);
  const std::string keep = directory + "/keep";
  testing::WriteWholeFile(keep, "precious");
  // The log's own name is a directory, so every attempt falls through to the fallbacks.
  const std::string path = keep + ".log";
  std::filesystem::create_directory(path);
  IDebugLog::OpenLogFile(path.c_str());
  IDebugLog::WriteMessage("nowhere");
  EXPECT_EQ(testing::ReadWholeFile(keep), "precious");
#endif
}

TEST_F(LogFixture, OpeningAgainClosesThePreviousLog) {
  const std::string other = scratch.Path("other.log");
  IDebugLog::OpenLogFile(logPath.c_str());
  IDebugLog::LogMessage("one");
  IDebugLog::OpenLogFile(other.c_str());
  IDebugLog::LogMessage("two");
  EXPECT_EQ(LogText(), TextFile("one\n"));
  EXPECT_EQ(testing::ReadWholeFile(other), TextFile("two\n"));
  IFileStream writer;
  EXPECT_TRUE(writer.CreateForWriting(logPath.c_str())) << "the first log is still held";
}

TEST_F(LogFixture, InstanceOpensAndClosesTheLog) {
  {
    IDebugLog log(logPath.c_str());
    IDebugLog::LogMessage("while open");
  }
  IDebugLog::LogMessage("after close");
  EXPECT_EQ(LogText(), TextFile("while open\n"));
}

TEST_F(LogFixture, WithoutFlushingTheFileCatchesUpAtClose) {
  IDebugLog::OpenLogFile(logPath.c_str());
  IDebugLog::SetFlushAfterWrite(false);
  IDebugLog::WriteMessage("buffered");
#if defined(__GLIBC__)
  // Whether an unflushed line already shows depends on the C runtime's buffering; glibc keeps
  // it in the stream's buffer.
  EXPECT_EQ(LogText(), "");
#endif
  IDebugLog::SetFlushAfterWrite(true);
  IDebugLog::WriteMessage("flushed");
  EXPECT_EQ(LogText(), TextFile("buffered\nflushed\n"));
}

}  // namespace
}  // namespace vialmark
