// A fixture for tests of the module-wide debug log: fresh log state before and after each
// test, a scratch directory, and the log's text with this platform's line ends.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/IDebugLog.h"
#include "tests/support/Scratch.h"

namespace vialmark::testing {

class LogFixture : public ::testing::Test {
 protected:
  void SetUp() override { IDebugLog::ResetForTesting(); }
  void TearDown() override { IDebugLog::ResetForTesting(); }

  // The lines as a text-mode file holds them: each '\n' becomes this platform's line end.
  static std::string TextFile(const std::string& lines) {
    std::string text;
    for (char c : lines) {
      if (c == '\n') {
        text += kTextLineEnd;
      } else {
        text += c;
      }
    }
    return text;
  }

  std::string LogText() const { return ReadWholeFile(logPath); }

  ScratchDirectory scratch;
  std::string logPath = scratch.Path("test.log");
};

}  // namespace vialmark::testing
