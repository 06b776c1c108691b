// vialmark-host: drives the real plugin module through the substitute host as the game would
// (load, query, load, registration, a few script calls, unload) and prints what happened and
// the plugin's log.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "substitute/Builders.h"
#include "substitute/Module.h"

namespace {

using vialmark::AlchemyItem;
using vialmark::EffectSetting;
using vialmark::IFunction;
using vialmark::PluginDescriptor;
using vialmark::ScriptValue;
using vialmark::u32;
using vialmark::substitute::Scene;

constexpr const char* kUsage =
    "usage: vialmark-host [--module PATH] [--folder DIR]\n"
    "\n"
    "Loads the Vialmark plugin module into this process through the substitute host, runs the\n"
    "handshake and the registration of its natives, calls a few of them on made-up records and\n"
    "unloads it, printing each step and then the plugin's log.\n"
    "\n"
    "  --module PATH  the module to load (default: the one this build made)\n"
    "  --folder DIR   working folder for the run, where the log is written (default: a new\n"
    "                 temporary folder)\n";

IFunction* Registered(Scene& scene, const char* name) {
  for (IFunction* function : scene.world().Registry().Added()) {
    auto record = scene.world().Functions().Find(function);
    if (record && record->name == name) return function;
  }
  return nullptr;
}

std::string Describe(const ScriptValue& value) {
  switch (value.type) {
    case vialmark::TypeCode::kNone:
      return "none";
    case vialmark::TypeCode::kInt:
      return std::to_string(static_cast<int>(static_cast<u32>(value.data)));
    case vialmark::TypeCode::kBool:
      return (value.data & 0xFF) != 0 ? "true" : "false";
    case vialmark::TypeCode::kString:
      return std::string("\"") + reinterpret_cast<const char*>(value.data) + "\"";
    default:
      return "object";
  }
}

int Run(const std::string& modulePath, const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  std::printf("Vialmark %s through the substitute host\n", VIALMARK_VERSION);
  std::printf("working folder: %s\n\n", folder.string().c_str());

  Scene scene;
  vialmark::substitute::Module module;
  if (!module.Open(modulePath)) {
    std::fprintf(stderr, "vialmark-host: %s\n", module.Error().c_str());
    return 1;
  }
  std::printf("[load]     %s loaded; log file %s\n", modulePath.c_str(),
              std::filesystem::exists("skse_Runeplate.log") ? "opened" : "missing");

  PluginDescriptor descriptor{};
  const bool queried = module.Query(scene.world().Handshake().Host(), &descriptor);
  std::printf(
      "[query]    SKSEPlugin_Query -> %s; descriptor: version %u, name \"%s\", plugin version %u\n",
      queried ? "true" : "false", descriptor.infoVersion,
      descriptor.name != nullptr ? descriptor.name : "", descriptor.version);
  if (!queried) return 1;
  std::printf("[load]     SKSEPlugin_Load -> %s\n", module.Load() ? "true" : "false");
  scene.world().Handshake().RunRegistration(&scene.world().Registry());
  const auto options = scene.world().Registry().Options();
  std::printf("[register] %zu functions added to script class \"%s\", options set on %zu\n",
              scene.world().Registry().Added().size(),
              options.empty() ? "" : options.front().className.c_str(), options.size());

  AlchemyItem* potion = scene.Potion({.effectCosts = {10.9f, 20.5f}});
  EffectSetting* effect = scene.Effect({.archetype = 0, .primaryActorValue = 24});
  auto call = [&](const char* name, const std::vector<ScriptValue>& arguments, const char* shown) {
    const ScriptValue result = scene.Call(Registered(scene, name), arguments);
    std::printf("[call]     %s(%s) -> %s\n", name, shown, Describe(result).c_str());
  };
  call("GetGoldValue", {scene.ObjectValue(potion)}, "potion with effects costing 10.9 and 20.5");
  call("SetSinglePotionPrice",
       {scene.ObjectValue(potion), Scene::Int(100), Scene::Float(1.5f), Scene::Float(50),
        Scene::Float(2), Scene::Float(10)},
       "potion, 100, 1.5, 50.0, 2.0, 10.0");
  call("GetGoldValue", {scene.ObjectValue(potion)}, "potion");
  call("GetAlchAutoCalcFlag", {scene.ObjectValue(potion)}, "potion");
  call("GetMGEFPrimaryAV", {scene.ObjectValue(effect)}, "effect");
  call("SetMGEFArchetype",
       {scene.ObjectValue(effect), Scene::String("Paralysis"), Scene::None(), Scene::None(),
        Scene::None(), Scene::Float(0)},
       "effect, \"Paralysis\", None, None, None, 0.0");
  call("GetMGEFArchetypeNum", {scene.ObjectValue(effect)}, "effect");
  call("GetMGEFPrimaryAV", {scene.ObjectValue(effect)}, "effect");

  module.Close();
  std::printf("[unload]   module unloaded\n");
  const auto problems = scene.Finish();
  std::printf("[host]     %s\n", problems.empty() ? "heap, classes, objects and pins balanced"
                                                  : "the host's books do not balance:");
  for (const std::string& problem : problems) std::printf("           %s\n", problem.c_str());

  std::printf("\n--- skse_Runeplate.log ---\n");
  std::ifstream log("skse_Runeplate.log");
  std::cout << log.rdbuf();
  return problems.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string modulePath = VIALMARK_MODULE_PATH;
  std::filesystem::path folder;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--module" && i + 1 < argc) {
      modulePath = argv[++i];
      continue;
    }
    if (arg == "--folder" && i + 1 < argc) {
      folder = argv[++i];
      continue;
    }
    std::fprintf(stderr, "vialmark-host: unknown argument '%s'\n\n%s", arg.c_str(), kUsage);
    return 2;
  }
  if (folder.empty()) {
    folder =
        std::filesystem::temp_directory_path() / ("vialmark-host-" + std::to_string(::getpid()));
  }
  modulePath = std::filesystem::absolute(modulePath).string();
  return Run(modulePath, folder);
}
