// Every file of a fuzzer's seed corpus, played through the same runner the fuzzer uses, so that
// the cases it found keep guarding the builds that cannot run libFuzzer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vialmark::testing {

// The corpus folder of the build, in the form this platform's file functions take.
inline std::filesystem::path CorpusFolder(std::string path) {
#if defined(_WIN32)
  // Built on the Unix side of Wine, whose drive Z: is the root folder.
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
  return std::filesystem::path(path);
}

template <typename Runner>
void ReplayCorpus(const std::string& folder, Runner run) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusFolder(folder))) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  ASSERT_FALSE(files.empty()) << "no corpus in " << folder;
  for (const std::filesystem::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << file;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    std::vector<std::string> problems = run(bytes.data(), bytes.size());
    EXPECT_TRUE(problems.empty()) << file.filename().string() << ":\n"
                                  << ::testing::PrintToString(problems);
  }
}

}  // namespace vialmark::testing
