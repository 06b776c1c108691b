#include <fstream>
#include <iterator>

#include "fuzz/ByteReader.h"
#include "fuzz/support/SupportInput.h"
#include "support/IDebugLog.h"

namespace vialmark::fuzz {
namespace {

// The log cuts a message at this many bytes.
constexpr std::size_t kLongestMessage = 8191;

// Printable text without line breaks; now and then longer than the log's message buffer.
std::string Text(ByteReader& in, std::size_t longest) {
  std::size_t length = in.Below(8) == 0 ? kLongestMessage - 8 + in.Below(24) : in.Below(40);
  length = std::min(length, longest);
  const char first = static_cast<char>(' ' + in.Below(95));
  std::string text(length, first);
  for (std::size_t i = 0; i < length && i < 64; ++i)
    text[i] = static_cast<char>(' ' + in.Below(95));
  return text;
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  std::string line;
  for (char c : all) {
    if (c == '\r') continue;
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool EndsWith(const std::string& line, const std::string& tail) {
  return line.size() >= tail.size() &&
         line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::vector<std::string> RunLogInput(const std::uint8_t* data, std::size_t size,
                                     const std::string& folder) {
  ByteReader in(data, size);
  const std::string path = folder + "/fuzz.log";
  IDebugLog::ResetForTesting();
  IDebugLog::OpenLogFile(path.c_str());
  std::vector<std::string> messages;
  for (int step = 0; step < 64 && !in.Empty(); ++step) {
    switch (in.Below(8)) {
      case 0:
        IDebugLog::SetSourceTag(Text(in, 64).c_str());
        break;
      case 1:
        IDebugLog::ClearSourceTag();
        break;
      case 2:
        IDebugLog::IncreaseIndent();
        break;
      case 3:
        IDebugLog::DecreaseIndent();
        break;
      case 4:
        IDebugLog::BeginHangingBlock();
        break;
      case 5:
        IDebugLog::EndHangingBlock();
        break;
      default: {
        std::string text = Text(in, kLongestMessage + 64);
        IDebugLog::WriteMessage("%s", text.c_str());
        messages.push_back(text.substr(0, kLongestMessage));
        break;
      }
    }
  }
  IDebugLog::CloseLogFile();
  IDebugLog::ResetForTesting();

  // Every message is one line ending in its text; a hanging block opened last may leave one
  // more, unfinished line of padding and tags.
  std::vector<std::string> lines = Lines(path);
  std::vector<std::string> problems;
  if (lines.size() < messages.size() || lines.size() > messages.size() + 1) {
    problems.push_back("the log has " + std::to_string(lines.size()) + " lines for " +
                       std::to_string(messages.size()) + " messages");
    return problems;
  }
  for (std::size_t i = 0; i < messages.size(); ++i) {
    if (!EndsWith(lines[i], messages[i])) {
      problems.push_back("line " + std::to_string(i + 1) +
                         " does not end in its message: " + lines[i].substr(0, 200));
    }
  }
  return problems;
}

}  // namespace vialmark::fuzz
