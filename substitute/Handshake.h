// The script extender's side of the handshake: the HostInterface passed to SKSEPlugin_Query
// with its query and handle functions, and the ScriptInterface whose register function takes
// the plugin's registration callback. The records keep their addresses for the life of the
// process, as a module keeps the interface pointer it was given.
#pragma once

#include <map>
#include <mutex>
#include <vector>

#include "host/Handshake.h"

namespace vialmark::substitute {

class HandshakeHost {
 public:
  HandshakeHost() { Reset(); }
  HandshakeHost(const HandshakeHost&) = delete;
  HandshakeHost& operator=(const HandshakeHost&) = delete;

  HostInterface* Host() { return &host_; }
  ScriptInterface* Script() { return &script_; }

  void SetRuntime(u32 version);
  void SetEditor(bool editor);
  // What the query function answers for `id` (by default the script interface for id 2 and
  // null for every other id).
  void SetAnswer(u32 id, void* answer);
  void SetPluginHandle(u32 handle);
  void SetScriptVersion(u32 version);
  void SetRegisterResult(bool result);

  std::vector<u32> QueriedIds() const;
  u32 HandleCalls() const;
  u32 RegisterCalls() const;
  RegistrationCallback Callback() const;  // the last one handed to the register function
  // Calls the registered callback with `registry`, as the VM does when it registers natives.
  // False when no callback was registered.
  bool RunRegistration(ScriptRegistry* registry);

  void Reset();

  // The plain C functions in the records reach their state through these.
  void* Query(u32 id);
  u32 PluginHandle();
  bool Register(RegistrationCallback callback);

 private:
  mutable std::mutex mutex_;
  HostInterface host_{};
  ScriptInterface script_{};
  std::map<u32, void*> answers_;
  std::vector<u32> queried_;
  u32 pluginHandle_ = 0;
  u32 handleCalls_ = 0;
  u32 registerCalls_ = 0;
  bool registerResult_ = true;
  RegistrationCallback callback_ = nullptr;
};

// The handle the host gives the plugin unless a test sets another.
inline constexpr u32 kDefaultPluginHandle = 0x2A;

}  // namespace vialmark::substitute
