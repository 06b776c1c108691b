#include "plugin/Handshake.h"

#include "host/HostApi.h"
#include "plugin/Catalogue.h"
#include "support/IDebugLog.h"

namespace vialmark {
namespace {
u32 pluginHandle = kNoPluginHandle;
const ScriptInterface* scriptInterface = nullptr;
}  // namespace

u32 PluginHandle() { return pluginHandle; }
const ScriptInterface* CurrentScriptInterface() { return scriptInterface; }

}  // namespace vialmark

using vialmark::IDebugLog;

bool SKSEPlugin_Query(const vialmark::HostInterface* host, vialmark::PluginDescriptor* descriptor) {
  using namespace vialmark;
  IDebugLog::LogMessage("Vialmark: Initializing...");

  // Filled before any check, so the host can name the plugin also when it refuses to run.
  descriptor->infoVersion = kDescriptorVersion;
  descriptor->name = kPluginName;
  descriptor->version = kPluginVersion;

  pluginHandle = host->pluginHandle();

  if (!host::BindingComplete()) {
    IDebugLog::LogMessage(
        "host binding incomplete (no %s in this process), marking as incompatible",
        host::MissingOperation());
    return false;
  }
  if (host->isEditor != 0) {
    IDebugLog::LogMessage("loaded in editor, marking as incompatible");
    return false;
  }
  if (host->runtimeVersion != kSupportedRuntime) {
    IDebugLog::LogMessage("unsupported runtime version %08X", host->runtimeVersion);
    return false;
  }
  scriptInterface = static_cast<const ScriptInterface*>(host->query(kScriptInterfaceId));
  if (scriptInterface == nullptr) {
    IDebugLog::LogMessage("couldn't get papyrus interface");
    return false;
  }
  if (scriptInterface->interfaceVersion < 1) {
    IDebugLog::LogMessage("papyrus interface too old (%d expected %d)",
                          static_cast<int>(scriptInterface->interfaceVersion), 1);
    return false;
  }
  return true;
}

bool SKSEPlugin_Load() {
  vialmark::IDebugLog::LogMessage("Loading VialmarkNative...");
  vialmark::scriptInterface->registerFunctions(&vialmark::RegisterNatives);
  return true;
}
