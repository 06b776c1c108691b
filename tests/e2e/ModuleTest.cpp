// The module as the game loads it: the host process loads it for real, asks its query, loads
// it, lets it register, calls some natives and unloads it; the log shows the whole visit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "ModulePath.h"
#include "TempFolder.h"
#include "substitute/Builders.h"
#include "substitute/Module.h"

namespace vialmark {
namespace {

using substitute::Scene;
using ::testing::IsEmpty;

constexpr const char* kLogName = "skse_Runeplate.log";

IFunction* Registered(Scene& scene, const std::string& name) {
  for (IFunction* function : scene.world().Registry().Added()) {
    auto record = scene.world().Functions().Find(function);
    if (record && record->name == name) return function;
  }
  ADD_FAILURE() << name << " is not registered";
  return nullptr;
}

TEST(Module, LoadQueryRegisterCallAndUnload) {
  TempFolder folder;
  Scene scene;
  substitute::Module module;
  ASSERT_TRUE(module.Open(PluginModulePath())) << module.Error();
  // Static initialisation has opened the log before the host asks anything.
  ASSERT_TRUE(std::filesystem::exists(folder.path() / kLogName));
  EXPECT_EQ(folder.Read(kLogName), "");

  PluginDescriptor descriptor{};
  ASSERT_TRUE(module.Query(scene.world().Handshake().Host(), &descriptor));
  EXPECT_STREQ(descriptor.name, "Vialmark");
  ASSERT_TRUE(module.Load());
  ASSERT_TRUE(scene.world().Handshake().RunRegistration(&scene.world().Registry()));
  ASSERT_EQ(scene.world().Registry().Added().size(), 21u);

  AlchemyItem* potion = scene.Potion({.effectCosts = {10.9f, 20.5f, std::nullopt}});
  EXPECT_EQ(scene.Call(Registered(scene, "GetGoldValue"), {scene.ObjectValue(potion)}).data, 30u);
  scene.Call(Registered(scene, "SetSinglePotionPrice"),
             {scene.ObjectValue(potion), Scene::Int(100), Scene::Float(1.5f), Scene::Float(50),
              Scene::Float(2), Scene::Float(10)});
  EXPECT_EQ(potion->manualValue, 676);
  // The archetype names were interned while the module loaded.
  EffectSetting* effect = scene.Effect({.archetype = 0, .primaryActorValue = 24});
  scene.Call(Registered(scene, "SetMGEFArchetype"),
             {scene.ObjectValue(effect), Scene::String("Paralysis"), Scene::String("Health"),
              Scene::None(), Scene::None(), Scene::Float(0)});
  EXPECT_EQ(effect->archetype, 21u);
  EXPECT_EQ(effect->primaryActorValue, 53);

  module.Close();
  EXPECT_EQ(folder.Read(kLogName), "Vialmark: Initializing...\nLoading VialmarkNative...\n");
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST(Module, UnloadClosesTheLogForTheNextLoad) {
  TempFolder folder;
  for (int visit = 0; visit < 2; ++visit) {
    Scene scene;
    scene.world().Handshake().SetEditor(true);
    substitute::Module module;
    ASSERT_TRUE(module.Open(PluginModulePath())) << module.Error();
    PluginDescriptor descriptor{};
    EXPECT_FALSE(module.Query(scene.world().Handshake().Host(), &descriptor));
    module.Close();
    EXPECT_THAT(scene.Finish(), IsEmpty());
  }
  // Had the first visit kept its file open, the second would have written to a fallback name.
  EXPECT_FALSE(std::filesystem::exists(folder.path() / (std::string(kLogName) + "0")));
  EXPECT_EQ(folder.Read(kLogName),
            "Vialmark: Initializing...\nloaded in editor, marking as incompatible\n");
}

}  // namespace
}  // namespace vialmark
