// Loading a module for real and running the handshake against the substitute's records.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "substitute/Builders.h"
#include "substitute/Module.h"
#include "substitute/Strings.h"

namespace vialmark::substitute {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST(Module, LoadsQueriesRegistersAndUnloads) {
  Scene scene;
  HandshakeHost& handshake = scene.world().Handshake();
  handshake.SetPluginHandle(77);
  Module module;
  ASSERT_TRUE(module.Open(VIALMARK_PROBE_MODULE)) << module.Error();

  // The module interned its text while it loaded, through the exported operations.
  auto staticText = reinterpret_cast<const char* (*)()>(module.Symbol("ProbeStaticText"));
  ASSERT_NE(staticText, nullptr);
  EXPECT_NE(staticText(), nullptr);
  EXPECT_EQ(staticText(), Intern("PROBESTATICTEXT"));

  PluginDescriptor descriptor{};
  EXPECT_TRUE(module.Query(handshake.Host(), &descriptor));
  EXPECT_EQ(descriptor.infoVersion, 1u);
  EXPECT_STREQ(descriptor.name, "Probe");
  EXPECT_EQ(descriptor.version, 3u);
  auto pluginHandle = reinterpret_cast<u32 (*)()>(module.Symbol("ProbePluginHandle"));
  EXPECT_EQ(pluginHandle(), 77u);
  EXPECT_THAT(handshake.QueriedIds(), ElementsAre(kScriptInterfaceId));
  EXPECT_EQ(handshake.HandleCalls(), 1u);

  EXPECT_TRUE(module.Load());
  EXPECT_EQ(handshake.RegisterCalls(), 1u);
  ASSERT_NE(handshake.Callback(), nullptr);
  EXPECT_TRUE(handshake.RunRegistration(&scene.world().Registry()));
  EXPECT_THAT(scene.world().Registry().Options(), ElementsAre(OptionCall{"Probe", "Potion", 1}));
  EXPECT_EQ(scene.world().Heap().Requests().size(), 1u);

  module.Close();
  EXPECT_FALSE(module.IsOpen());
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST(Module, HandshakeRecordsAnswerAsTheyAreSet) {
  Module module;
  ASSERT_TRUE(module.Open(VIALMARK_PROBE_MODULE)) << module.Error();
  struct Case {
    const char* what;
    void (*set)(HandshakeHost&);
    bool accepted;
    std::vector<u32> queried;
  };
  const Case cases[] = {
      {"defaults", [](HandshakeHost&) {}, true, {2}},
      {"editor", [](HandshakeHost& h) { h.SetEditor(true); }, false, {}},
      {"other runtime", [](HandshakeHost& h) { h.SetRuntime(0x09200001); }, false, {}},
      {"no script interface", [](HandshakeHost& h) { h.SetAnswer(2, nullptr); }, false, {2}},
      {"script interface version 0", [](HandshakeHost& h) { h.SetScriptVersion(0); }, false, {2}},
  };
  for (const Case& c : cases) {
    Scene scene;
    HandshakeHost& handshake = scene.world().Handshake();
    c.set(handshake);
    PluginDescriptor descriptor{};
    EXPECT_EQ(module.Query(handshake.Host(), &descriptor), c.accepted) << c.what;
    EXPECT_EQ(handshake.QueriedIds(), c.queried) << c.what;
    EXPECT_EQ(handshake.HandleCalls(), 1u) << c.what;
    EXPECT_THAT(scene.Finish(), IsEmpty());
  }

  Scene scene;
  HandshakeHost& handshake = scene.world().Handshake();
  handshake.SetRegisterResult(false);
  RegistrationCallback callback = [](ScriptRegistry*) { return true; };
  EXPECT_FALSE(handshake.Script()->registerFunctions(callback));
  EXPECT_EQ(handshake.Callback(), callback);
  int other = 0;
  handshake.SetAnswer(9, &other);
  EXPECT_EQ(handshake.Host()->query(9), &other);
  EXPECT_EQ(handshake.Host()->query(3), nullptr);
}

TEST(Module, FailuresSayWhy) {
  Module module;
  EXPECT_FALSE(module.Open("no-such-module.bin"));
  EXPECT_THAT(module.Error(), HasSubstr("cannot load no-such-module.bin"));
  EXPECT_FALSE(module.IsOpen());
  EXPECT_FALSE(module.Load());
  EXPECT_THAT(module.Error(), HasSubstr("no module is loaded"));

  EXPECT_FALSE(module.Open(VIALMARK_EMPTY_MODULE));
  EXPECT_THAT(module.Error(), HasSubstr("does not export SKSEPlugin_Query"));
  EXPECT_FALSE(module.IsOpen());
}

}  // namespace
}  // namespace vialmark::substitute
