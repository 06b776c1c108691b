// The handshake with the script extender: every refusal logs one line and answers false at
// once, and the descriptor and handle are set whatever the answer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/Catalogue.h"
#include "plugin/Handshake.h"
#include "substitute/Builders.h"

namespace vialmark {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct HandshakeRow {
  const char* what;
  u32 runtime;
  bool editor;
  bool interfacePresent;
  u32 interfaceVersion;
  bool answer;
  std::optional<std::string> refusal;  // the one line after the start-up line
  bool queried;                        // whether the query function was asked for id 2
};

const HandshakeRow kRows[] = {
    {"the game", 0x09200000, false, true, 1, true, std::nullopt, true},
    {"editor with the right runtime", 0x09200000, true, true, 1, false,
     "loaded in editor, marking as incompatible", false},
    {"editor with a wrong runtime", 0x01000000, true, true, 1, false,
     "loaded in editor, marking as incompatible", false},
    {"runtime off by its lowest digit", 0x09200001, false, true, 1, false,
     "unsupported runtime version 09200001", false},
    {"runtime printed zero-filled", 0x00000AB0, false, true, 1, false,
     "unsupported runtime version 00000AB0", false},
    {"no script interface", 0x09200000, false, false, 1, false, "couldn't get papyrus interface",
     true},
    {"interface version 0", 0x09200000, false, true, 0, false,
     "papyrus interface too old (0 expected 1)", true},
    {"interface version 2", 0x09200000, false, true, 2, true, std::nullopt, true},
    {"interface version with the top bit set", 0x09200000, false, true, 0x80000000, true,
     std::nullopt, true},
};

TEST(Handshake, QueryRefusesOrAcceptsAsTabled) {
  u32 handle = 0x100;
  for (const HandshakeRow& row : kRows) {
    SCOPED_TRACE(row.what);
    substitute::Scene scene;
    substitute::HandshakeHost& host = scene.world().Handshake();
    host.SetRuntime(row.runtime);
    host.SetEditor(row.editor);
    host.SetScriptVersion(row.interfaceVersion);
    if (!row.interfacePresent) host.SetAnswer(kScriptInterfaceId, nullptr);
    host.SetPluginHandle(++handle);

    PluginDescriptor descriptor{0xEEEE, nullptr, 0xEEEE};
    ::testing::internal::CaptureStdout();
    const bool answer = SKSEPlugin_Query(host.Host(), &descriptor);
    const std::vector<std::string> lines = Lines(::testing::internal::GetCapturedStdout());

    EXPECT_EQ(answer, row.answer);
    std::vector<std::string> expected{"Vialmark: Initializing..."};
    if (row.refusal) expected.push_back(*row.refusal);
    EXPECT_THAT(lines, ElementsAreArray(expected));

    // Filled before any check, so the host sees the plugin's name also when it refuses.
    EXPECT_EQ(descriptor.infoVersion, 1u);
    EXPECT_STREQ(descriptor.name, "Vialmark");
    EXPECT_EQ(descriptor.version, 2u);
    EXPECT_EQ(PluginHandle(), handle);
    EXPECT_EQ(host.HandleCalls(), 1u);

    if (row.queried) {
      EXPECT_THAT(host.QueriedIds(), ElementsAre(kScriptInterfaceId));
      EXPECT_EQ(CurrentScriptInterface(), row.interfacePresent ? host.Script() : nullptr);
    } else {
      EXPECT_THAT(host.QueriedIds(), IsEmpty());
    }
    EXPECT_THAT(scene.Finish(), IsEmpty());
  }
}

TEST(Handshake, LoadHandsOverTheRegistrationEvenWhenTheHostReportsFailure) {
  for (bool registerResult : {true, false}) {
    substitute::Scene scene;
    substitute::HandshakeHost& host = scene.world().Handshake();
    host.SetRegisterResult(registerResult);
    PluginDescriptor descriptor{};
    ::testing::internal::CaptureStdout();
    ASSERT_TRUE(SKSEPlugin_Query(host.Host(), &descriptor));
    EXPECT_TRUE(SKSEPlugin_Load());
    const std::vector<std::string> lines = Lines(::testing::internal::GetCapturedStdout());
    EXPECT_THAT(lines, ElementsAre("Vialmark: Initializing...", "Loading VialmarkNative..."));
    EXPECT_EQ(host.RegisterCalls(), 1u);
    EXPECT_EQ(host.Callback(), &RegisterNatives);
    EXPECT_THAT(scene.Finish(), IsEmpty());
  }
}

}  // namespace
}  // namespace vialmark
