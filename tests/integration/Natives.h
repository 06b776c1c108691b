// The plugin as the game meets it: the substitute host runs the handshake, lets the plugin
// register its natives, and every test calls them through table position 22 with argument
// lists built like the VM's. At the end of each test the host's books must balance.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "effects/Archetypes.h"
#include "plugin/Handshake.h"
#include "substitute/Builders.h"

namespace vialmark::testing {

using substitute::Scene;

class NativesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildArchetypeNames();
    substitute::HandshakeHost& handshake = scene.world().Handshake();
    PluginDescriptor descriptor{};
    ASSERT_TRUE(SKSEPlugin_Query(handshake.Host(), &descriptor));
    ASSERT_TRUE(SKSEPlugin_Load());
    ASSERT_TRUE(handshake.RunRegistration(&scene.world().Registry()));
    for (IFunction* function : scene.world().Registry().Added()) {
      auto record = scene.world().Functions().Find(function);
      ASSERT_TRUE(record.has_value());
      functions_[record->name] = function;
    }
  }

  void TearDown() override { EXPECT_THAT(scene.Finish(), ::testing::IsEmpty()); }

  IFunction* Function(const std::string& name) {
    auto it = functions_.find(name);
    EXPECT_NE(it, functions_.end()) << name << " is not registered";
    return it != functions_.end() ? it->second : nullptr;
  }

  ScriptValue Call(const std::string& name, const std::vector<ScriptValue>& arguments,
                   const ScriptValue& initialResult = Scene::None()) {
    ScriptValue result = scene.Call(Function(name), arguments, initialResult);
    EXPECT_TRUE(scene.LastAnswer()) << name << ": Execute answered false";
    return result;
  }

  // Integer elements of an int array value, as the script sees them afterwards.
  static std::vector<ScriptValue> Elements(const ScriptValue& array) {
    ScriptArray* raw = Scene::ArrayOf(array);
    return std::vector<ScriptValue>(Scene::ElementsOf(array),
                                    Scene::ElementsOf(array) + raw->length);
  }

  Scene scene;

 private:
  std::map<std::string, IFunction*> functions_;
};

inline ScriptValue IntResult(u32 value) { return ScriptValue{TypeCode::kInt, value}; }

}  // namespace vialmark::testing
