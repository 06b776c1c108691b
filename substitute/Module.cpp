#include "substitute/Module.h"

#include "substitute/World.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vialmark::substitute {
namespace {

#if defined(_WIN32)
std::string LastError() {
  DWORD code = GetLastError();
  char text[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, text, sizeof(text), nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) text[--length] = 0;
  return "error " + std::to_string(code) + (length > 0 ? std::string(": ") + text : "");
}
void* OpenLibrary(const std::string& path) { return LoadLibraryA(path.c_str()); }
void* Find(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void CloseLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
std::string LastError() {
  const char* text = dlerror();
  return text != nullptr ? text : "unknown error";
}
void* OpenLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
void* Find(void* handle, const char* name) { return dlsym(handle, name); }
void CloseLibrary(void* handle) { dlclose(handle); }
#endif

}  // namespace

bool Module::Open(const std::string& path) {
  Close();
  error_.clear();
  void* handle = OpenLibrary(path);
  if (handle == nullptr) {
    error_ = "cannot load " + path + ": " + LastError();
    return false;
  }
  auto query = reinterpret_cast<QueryFn>(Find(handle, "SKSEPlugin_Query"));
  auto load = reinterpret_cast<LoadFn>(Find(handle, "SKSEPlugin_Load"));
  if (query == nullptr || load == nullptr) {
    error_ =
        path + " does not export " + (query == nullptr ? "SKSEPlugin_Query" : "SKSEPlugin_Load");
    CloseLibrary(handle);
    return false;
  }
  handle_ = handle;
  query_ = query;
  load_ = load;
  return true;
}

bool Module::Query(HostInterface* host, PluginDescriptor* descriptor) {
  if (query_ == nullptr) {
    error_ = "no module is loaded";
    return false;
  }
  return query_(host, descriptor);
}

bool Module::Load() {
  if (load_ == nullptr) {
    error_ = "no module is loaded";
    return false;
  }
  return load_();
}

void* Module::Symbol(const char* name) const {
  return handle_ != nullptr ? Find(handle_, name) : nullptr;
}

void Module::Close() {
  if (handle_ == nullptr) return;
  World::Get().Registry().DestroyFunctions();
  CloseLibrary(handle_);
  handle_ = nullptr;
  query_ = nullptr;
  load_ = nullptr;
}

}  // namespace vialmark::substitute
