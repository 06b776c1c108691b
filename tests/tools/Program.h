// Runs a program as a user would, in a folder of its own, and keeps what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vialmark::testing {

struct Ran {
  int exitCode = -1;
  bool crashed = false;  // ended by a signal, or not started
  std::string out;
  std::string err;
};

inline std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteAll(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// `program` with `arguments`, run in `folder` with no standard input.
inline Ran RunIn(const std::filesystem::path& folder, const std::string& program,
                 const std::vector<std::string>& arguments) {
  const std::filesystem::path out = folder / ".stdout";
  const std::filesystem::path err = folder / ".stderr";
  std::string command = "cd " + ShellQuoted(folder.string()) + " && " + ShellQuoted(program);
  for (const std::string& argument : arguments) command += " " + ShellQuoted(argument);
  command += " </dev/null >" + ShellQuoted(out.string()) + " 2>" + ShellQuoted(err.string());
  const int status = std::system(command.c_str());
  Ran ran;
  // The shell reports a child killed by a signal as 128 + the signal.
  ran.crashed = status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) >= 128;
  ran.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ran.out = ReadAll(out);
  ran.err = ReadAll(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return ran;
}

}  // namespace vialmark::testing
