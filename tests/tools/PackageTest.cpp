// The mod package as a mod manager opens it: exactly the DLL, the script declarations and the
// user text, at the paths it installs into the game's Data folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

#include "tests/e2e/TempFolder.h"
#include "tests/tools/Program.h"

namespace vialmark::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::string kSource = VIALMARK_SOURCE_DIR;

std::uint32_t Word(const std::string& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) {
    value = value << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
  }
  return value;
}

// The names in a zip archive's central directory, in order.
std::vector<std::string> ZipListing(const std::string& zip) {
  const std::size_t end = zip.rfind(std::string("PK\x05\x06", 4));
  if (end == std::string::npos) return {"(no end of central directory)"};
  const std::uint32_t count = Word(zip, end + 10, 2);
  std::size_t at = Word(zip, end + 16, 4);
  std::vector<std::string> names;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (zip.compare(at, 4, std::string("PK\x01\x02", 4)) != 0) return {"(broken directory)"};
    const std::uint32_t nameLength = Word(zip, at + 28, 2);
    const std::uint32_t extra = Word(zip, at + 30, 2);
    const std::uint32_t comment = Word(zip, at + 32, 2);
    names.push_back(zip.substr(at + 46, nameLength));
    at += 46 + nameLength + extra + comment;
  }
  return names;
}

// The smallest file that reads as a PE image for `machine`.
std::string FakeDll(std::uint16_t machine) {
  std::string bytes(0x100, '\x5A');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  bytes[0x3C] = 0x40;
  bytes[0x3D] = bytes[0x3E] = bytes[0x3F] = 0;
  bytes.replace(0x40, 4, std::string("PE\0\0", 4));
  bytes[0x44] = static_cast<char>(machine & 0xFF);
  bytes[0x45] = static_cast<char>(machine >> 8);
  return bytes;
}

std::string Version() {
  const std::string lists = ReadAll(kSource + "/CMakeLists.txt");
  const std::string key = "project(Vialmark VERSION ";
  const std::size_t at = lists.find(key) + key.size();
  return lists.substr(at, lists.find_first_of(" )", at) - at);
}

TEST(Package, HoldsTheDllDeclarationsAndUserTextAtTheirInstallPaths) {
  TempFolder folder;
  const std::string dll = FakeDll(0x014C);
  WriteAll(folder.path() / "VialmarkNative.dll", dll);
  const Ran ran = RunIn(folder.path(), kSource + "/scripts/package",
                        {"--dll", (folder.path() / "VialmarkNative.dll").string(), "--out", "out"});
  ASSERT_EQ(ran.exitCode, 0) << ran.err;
  const std::filesystem::path zip = folder.path() / "out" / ("Vialmark-" + Version() + ".zip");
  ASSERT_TRUE(std::filesystem::exists(zip)) << ran.out;
  EXPECT_THAT(ZipListing(ReadAll(zip)),
              ElementsAre("SKSE/Plugins/VialmarkNative.dll", "Scripts/Source/VialmarkNative.psc",
                          "Vialmark-ReadMe.txt"));

  const std::filesystem::path unpacked = folder.path() / "unpacked";
  std::filesystem::create_directories(unpacked);
  const Ran unzip = RunIn(unpacked, VIALMARK_CMAKE_COMMAND, {"-E", "tar", "xf", zip.string()});
  ASSERT_EQ(unzip.exitCode, 0) << unzip.err;
  EXPECT_EQ(ReadAll(unpacked / "SKSE/Plugins/VialmarkNative.dll"), dll);
  EXPECT_EQ(ReadAll(unpacked / "Scripts/Source/VialmarkNative.psc"),
            ReadAll(kSource + "/papyrus/VialmarkNative.psc"));
  const std::string readMe = ReadAll(unpacked / "Vialmark-ReadMe.txt");
  EXPECT_THAT(readMe, HasSubstr("Vialmark " + Version() + "\r\n"));
  EXPECT_THAT(readMe, HasSubstr("runtime 1.9.32.0"));
  EXPECT_THAT(readMe, HasSubstr("skse_Runeplate.log in the game's working folder"));
  EXPECT_EQ(readMe.find("@VERSION@"), std::string::npos);

  // The same inputs make the same archive.
  const std::string first = ReadAll(zip);
  ASSERT_EQ(RunIn(folder.path(), kSource + "/scripts/package",
                  {"--dll", (folder.path() / "VialmarkNative.dll").string(), "--out", "out"})
                .exitCode,
            0);
  EXPECT_EQ(ReadAll(zip), first);
}

TEST(Package, RefusesADllTheGameCannotLoad) {
  TempFolder folder;
  WriteAll(folder.path() / "x64.dll", FakeDll(0x8664));
  WriteAll(folder.path() / "notes.dll", "not a program");
  for (const char* dll : {"x64.dll", "notes.dll", "missing.dll"}) {
    const Ran ran = RunIn(folder.path(), kSource + "/scripts/package",
                          {"--dll", (folder.path() / dll).string(), "--out", "out"});
    EXPECT_EQ(ran.exitCode, 1) << dll;
    EXPECT_THAT(ran.err, HasSubstr(dll)) << dll;
    EXPECT_FALSE(
        std::filesystem::exists(folder.path() / "out" / ("Vialmark-" + Version() + ".zip")))
        << dll;
  }
}

}  // namespace
}  // namespace vialmark::testing
