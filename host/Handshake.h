// Records exchanged with the script extender while it loads the plugin.
#pragma once

#include "host/Types.h"

namespace vialmark {

class ScriptRegistry;

// Runtime 1.9.32.0 of the game.
inline constexpr u32 kSupportedRuntime = 0x09200000;
// Interface id of the script interface for HostInterface::query.
inline constexpr u32 kScriptInterfaceId = 2;

extern "C" {
using QueryInterfaceFn = void* (*)(u32 id);
using PluginHandleFn = u32 (*)();
using RegistrationCallback = bool (*)(ScriptRegistry* registry);
using RegisterFn = bool (*)(RegistrationCallback callback);
}

struct HostInterface {
  u32 pad00;                    // 0: host field, never read
  u32 runtimeVersion;           // 4
  u32 pad08;                    // 8: host field, never read
  u32 isEditor;                 // 12
  QueryInterfaceFn query;       // 16
  PluginHandleFn pluginHandle;  // 20 (64-bit: 24)
};
static_assert(offsetof(HostInterface, pad00) == 0);
static_assert(offsetof(HostInterface, runtimeVersion) == 4);
static_assert(offsetof(HostInterface, pad08) == 8);
static_assert(offsetof(HostInterface, isEditor) == 12);
static_assert(offsetof(HostInterface, query) == 16);
static_assert(offsetof(HostInterface, pluginHandle) == Layout(20, 24));
static_assert(sizeof(HostInterface) == Layout(24, 32));

struct PluginDescriptor {
  u32 infoVersion;   // 0
  const char* name;  // 4 (64-bit: 8)
  u32 version;       // 8 (64-bit: 16)
};
static_assert(offsetof(PluginDescriptor, infoVersion) == 0);
static_assert(offsetof(PluginDescriptor, name) == Layout(4, 8));
static_assert(offsetof(PluginDescriptor, version) == Layout(8, 16));
static_assert(sizeof(PluginDescriptor) == Layout(12, 24));

struct ScriptInterface {
  u32 interfaceVersion;          // 0
  RegisterFn registerFunctions;  // 4 (64-bit: 8)
};
static_assert(offsetof(ScriptInterface, interfaceVersion) == 0);
static_assert(offsetof(ScriptInterface, registerFunctions) == Layout(4, 8));
static_assert(sizeof(ScriptInterface) == Layout(8, 16));

}  // namespace vialmark
