#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "support/IDebugLog.h"
#include "tests/support/FatalReport.h"
#include "tests/support/LogFixture.h"
#include "tests/support/Scratch.h"

#if defined(_WIN32)
#include <windows.h>
// windows.h first.
#include <process.h>
#include <shlobj.h>
#else
#include <unistd.h>
#endif

namespace vialmark {
namespace {

constexpr int kLocalAppData = 28;  // CSIDL_LOCAL_APPDATA
constexpr int kUnknownFolder = 0xFF;
constexpr const char* kLookupFailure =
    "Assertion failed in .\\IDebugLog (59): SUCCEEDED(SHGetFolderPath(NULL, folderID, NULL, "
    "SHGFP_TYPE_CURRENT, path))";

// On POSIX the shell folders live under $HOME, which each test points into its scratch
// directory; on Windows they are the real folders of the (Wine) user, so every name a test
// creates there carries the process id and is removed afterwards.
class LogFolderTest : public testing::LogFixture {
 protected:
  void SetUp() override {
    LogFixture::SetUp();
#if defined(_WIN32)
    char path[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, kLocalAppData, nullptr, 0, path)));
    folder = path;
    unique = "vialmark-log-folder-" + std::to_string(_getpid());
#else
    if (const char* home = std::getenv("HOME")) savedHome = home;
    testing::SetEnvironment("HOME", scratch.Path("home").c_str());
    folder = scratch.Path("home") + "/.local/share";
    unique = "vialmark-log-folder";
#endif
  }

  void TearDown() override {
    LogFixture::TearDown();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(folder) / unique, ignored);
    std::filesystem::remove_all(folder + unique, ignored);
#if !defined(_WIN32)
    testing::SetEnvironment("HOME", savedHome.empty() ? nullptr : savedHome.c_str());
#endif
  }

  std::string InFolder(const std::string& rest) const {
    return (std::filesystem::path(folder) / unique / rest).string();
  }

  std::string folder;
  std::string unique;
  std::string savedHome;
};

TEST_F(LogFolderTest, LeadingBackslashNamesADirectoryBelowTheFolder) {
  IDebugLog::OpenLogFileInFolder(kLocalAppData, ("\\" + unique + "\\run.log").c_str());
  IDebugLog::LogMessage("in the folder");
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(folder) / unique));
  EXPECT_EQ(testing::ReadWholeFile(InFolder("run.log")), TextFile("in the folder\n"));
}

TEST_F(LogFolderTest, WithoutLeadingSeparatorTheNameIsGluedToTheFolder) {
  IDebugLog::OpenLogFileInFolder(kLocalAppData, (unique + "\\run.log").c_str());
  IDebugLog::LogMessage("glued");
  EXPECT_TRUE(std::filesystem::is_directory(folder + unique));
  EXPECT_EQ(testing::ReadWholeFile((std::filesystem::path(folder + unique) / "run.log").string()),
            TextFile("glued\n"));
}

TEST_F(LogFolderTest, PathOfExactly259CharactersOpens) {
  const std::string directory = "\\" + unique + "\\";
  const std::size_t nameLength = 259 - folder.size() - directory.size();
  const std::string name(nameLength, 'n');
  IDebugLog::OpenLogFileInFolder(kLocalAppData, (directory + name).c_str());
  IDebugLog::LogMessage("fits");
  EXPECT_EQ(testing::ReadWholeFile(InFolder(name)), TextFile("fits\n"));
}

TEST_F(LogFolderTest, PathBeyond259CharactersIsRefusedAndTheLogStays) {
  IDebugLog::OpenLogFile(logPath.c_str());
  const std::string directory = "\\" + unique + "\\";
  const std::string name(260 - folder.size() - directory.size(), 'n');
  IDebugLog::OpenLogFileInFolder(kLocalAppData, (directory + name).c_str());
  IDebugLog::LogMessage("still the first log");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder) / unique));
  EXPECT_EQ(LogText(), TextFile("still the first log\n"));
}

TEST_F(LogFolderTest, UnknownFolderIsAFatalReport) {
  testing::ExpectFatalReport(
      logPath, [] { IDebugLog::OpenLogFileInFolder(kUnknownFolder, "\\x\\run.log"); },
      kLookupFailure);
}

#if !defined(_WIN32)
TEST_F(LogFolderTest, MissingHomeIsAFatalReport) {
  testing::ExpectFatalReport(
      logPath,
      [] {
        testing::SetEnvironment("HOME", nullptr);
        IDebugLog::OpenLogFileInFolder(kLocalAppData, "\\x\\run.log");
      },
      kLookupFailure);
}
#endif

}  // namespace
}  // namespace vialmark
