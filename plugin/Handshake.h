// The two exports through which the script extender loads the plugin.
#pragma once

#include "host/Handshake.h"

#if defined(_WIN32)
// The module's export list names exactly these two.
#define VIALMARK_EXPORT extern "C"
#else
#define VIALMARK_EXPORT extern "C" __attribute__((visibility("default")))
#endif

VIALMARK_EXPORT bool SKSEPlugin_Query(const vialmark::HostInterface* host,
                                      vialmark::PluginDescriptor* descriptor);
VIALMARK_EXPORT bool SKSEPlugin_Load();

namespace vialmark {

inline constexpr const char* kPluginName = "Vialmark";
inline constexpr u32 kDescriptorVersion = 1;
inline constexpr u32 kPluginVersion = 2;
inline constexpr u32 kNoPluginHandle = 0xFFFFFFFF;

// What the handshake kept: the handle the host gave the plugin and its script interface.
u32 PluginHandle();
const ScriptInterface* CurrentScriptInterface();

}  // namespace vialmark
