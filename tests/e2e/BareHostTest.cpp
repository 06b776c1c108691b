// A process that provides no host operations and loads the module anyway must stay unharmed.
// On ELF the loader refuses the module outright; on Windows the module loads, says so in one
// log line and answers its handshake with false.
#include <gtest/gtest.h>

#include <string>

#include "ModulePath.h"
#include "TempFolder.h"
#include "host/Handshake.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vialmark {
namespace {

#if defined(_WIN32)

u32 Handle() { return 7; }
void* Query(u32) { return nullptr; }

TEST(BareHost, TheModuleRefusesWithOneLogLine) {
  TempFolder folder;
  HMODULE module = LoadLibraryA(PluginModulePath().c_str());
  ASSERT_NE(module, nullptr);
  using QueryFn = bool (*)(const HostInterface*, PluginDescriptor*);
  auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "SKSEPlugin_Query")));
  ASSERT_NE(query, nullptr);
  HostInterface host{0, kSupportedRuntime, 0, 0, &Query, &Handle};
  PluginDescriptor descriptor{};
  EXPECT_FALSE(query(&host, &descriptor));
  EXPECT_STREQ(descriptor.name, "Vialmark");
  FreeLibrary(module);
  EXPECT_EQ(folder.Read("skse_Runeplate.log"),
            "Vialmark: Initializing...\n"
            "host binding incomplete (no host_GameHeap_Allocate in this process), marking as "
            "incompatible\n");
}

#else

TEST(BareHost, TheLoaderRefusesTheModule) {
  void* module = dlopen(PluginModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
  const char* error = dlerror();
  EXPECT_EQ(module, nullptr);
  ASSERT_NE(error, nullptr);
  EXPECT_NE(std::string(error).find("host_"), std::string::npos) << error;
  if (module != nullptr) dlclose(module);
}

#endif

}  // namespace
}  // namespace vialmark
