// A small plugin module for the module-loading tests: it binds to the host's operations the way
// the plugin does (by name from the main program on Windows, through the dynamic loader on
// ELF), interns a text while it initialises and registers one callback.
#include <atomic>

#include "host/Handshake.h"
#include "host/HostApi.h"

#if defined(_WIN32)
#include <windows.h>
#define PROBE_EXPORT extern "C" __declspec(dllexport)
template <typename F>
F Resolve(const char* name) {
  return reinterpret_cast<F>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA(nullptr), name)));
}
#define HOST(name) Resolve<decltype(&::name)>(#name)
#else
#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))
#define HOST(name) (&::name)
#endif

namespace {

using namespace vialmark;

StringCache::Ref InternEarly() {
  StringCache::Ref ref{};
  auto construct = HOST(host_StringCache_Construct);
  if (construct != nullptr) construct(&ref, "ProbeStaticText");
  return ref;
}

const StringCache::Ref gStaticText = InternEarly();
u32 gPluginHandle = 0xFFFFFFFF;
ScriptInterface* gScript = nullptr;

bool Register(ScriptRegistry* registry) {
  ClassInfo* info = nullptr;
  const char* className = "none";
  if (registry->ClassForFormType(FormType::kPotion, &info) && info != nullptr) {
    className = info->name.text;
    if (std::atomic_ref<i32>(info->refCount).fetch_sub(1) == 1) {
      HOST(host_ClassInfo_Destroy)(info);
      HOST(host_GameHeap_Free)(info, false);
    }
  }
  void* block = HOST(host_GameHeap_Allocate)(kFunctionObjectSize, 0, false);
  HOST(host_GameHeap_Free)(block, false);
  registry->SetFunctionOptions("Probe", className, 1);
  return true;
}

}  // namespace

PROBE_EXPORT bool SKSEPlugin_Query(HostInterface* host, PluginDescriptor* descriptor) {
  descriptor->infoVersion = 1;
  descriptor->name = "Probe";
  descriptor->version = 3;
  gPluginHandle = host->pluginHandle();
  if (host->isEditor != 0 || host->runtimeVersion != kSupportedRuntime) return false;
  gScript = static_cast<ScriptInterface*>(host->query(kScriptInterfaceId));
  return gScript != nullptr && gScript->interfaceVersion >= 1;
}

PROBE_EXPORT bool SKSEPlugin_Load() {
  gScript->registerFunctions(&Register);
  return true;
}

PROBE_EXPORT const char* ProbeStaticText() { return gStaticText.text; }
PROBE_EXPORT u32 ProbePluginHandle() { return gPluginHandle; }
