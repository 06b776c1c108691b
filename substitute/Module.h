// Loads a plugin module for real (dlopen / LoadLibraryA), resolves its two exports and calls
// them as the script extender does, and unloads it again.
#pragma once

#include <string>

#include "host/Handshake.h"

namespace vialmark::substitute {

class Module {
 public:
  using QueryFn = bool (*)(HostInterface* host, PluginDescriptor* descriptor);
  using LoadFn = bool (*)();

  Module() = default;
  ~Module() { Close(); }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // Loads the module (its static initialisation runs now) and resolves SKSEPlugin_Query and
  // SKSEPlugin_Load. On failure nothing stays loaded and Error() says why.
  bool Open(const std::string& path);
  bool IsOpen() const { return handle_ != nullptr; }
  // SKSEPlugin_Query's answer.
  bool Query(HostInterface* host, PluginDescriptor* descriptor);
  // SKSEPlugin_Load's answer.
  bool Load();
  // Any other export, or null.
  void* Symbol(const char* name) const;
  // The registered function objects' tables live in the module, so the host tears them down
  // first, as it does before a module goes away; then the module is unloaded.
  void Close();

  const std::string& Error() const { return error_; }

 private:
  void* handle_ = nullptr;
  QueryFn query_ = nullptr;
  LoadFn load_ = nullptr;
  std::string error_;
};

}  // namespace vialmark::substitute
