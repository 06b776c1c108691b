#include "substitute/Handshake.h"

#include "substitute/World.h"

namespace vialmark::substitute {
namespace {

// The records hold plain C function pointers without a user argument: they find their state
// through the one world.
void* QueryInterface(u32 id) { return World::Get().Handshake().Query(id); }
u32 GetPluginHandle() { return World::Get().Handshake().PluginHandle(); }
bool RegisterFunctions(RegistrationCallback callback) {
  return World::Get().Handshake().Register(callback);
}

constexpr u32 kHostFieldAt0 = 0x00020010;  // the extender's own version word
constexpr u32 kHostFieldAt8 = 0x00000001;

}  // namespace

void HandshakeHost::SetRuntime(u32 version) {
  std::lock_guard lock(mutex_);
  host_.runtimeVersion = version;
}

void HandshakeHost::SetEditor(bool editor) {
  std::lock_guard lock(mutex_);
  host_.isEditor = editor ? 1 : 0;
}

void HandshakeHost::SetAnswer(u32 id, void* answer) {
  std::lock_guard lock(mutex_);
  answers_[id] = answer;
}

void HandshakeHost::SetPluginHandle(u32 handle) {
  std::lock_guard lock(mutex_);
  pluginHandle_ = handle;
}

void HandshakeHost::SetScriptVersion(u32 version) {
  std::lock_guard lock(mutex_);
  script_.interfaceVersion = version;
}

void HandshakeHost::SetRegisterResult(bool result) {
  std::lock_guard lock(mutex_);
  registerResult_ = result;
}

std::vector<u32> HandshakeHost::QueriedIds() const {
  std::lock_guard lock(mutex_);
  return queried_;
}

u32 HandshakeHost::HandleCalls() const {
  std::lock_guard lock(mutex_);
  return handleCalls_;
}

u32 HandshakeHost::RegisterCalls() const {
  std::lock_guard lock(mutex_);
  return registerCalls_;
}

RegistrationCallback HandshakeHost::Callback() const {
  std::lock_guard lock(mutex_);
  return callback_;
}

bool HandshakeHost::RunRegistration(ScriptRegistry* registry) {
  RegistrationCallback callback = Callback();
  return callback != nullptr && callback(registry);
}

void* HandshakeHost::Query(u32 id) {
  std::lock_guard lock(mutex_);
  queried_.push_back(id);
  auto it = answers_.find(id);
  return it == answers_.end() ? nullptr : it->second;
}

u32 HandshakeHost::PluginHandle() {
  std::lock_guard lock(mutex_);
  ++handleCalls_;
  return pluginHandle_;
}

bool HandshakeHost::Register(RegistrationCallback callback) {
  std::lock_guard lock(mutex_);
  ++registerCalls_;
  callback_ = callback;
  return registerResult_;
}

void HandshakeHost::Reset() {
  std::lock_guard lock(mutex_);
  host_.pad00 = kHostFieldAt0;
  host_.runtimeVersion = kSupportedRuntime;
  host_.pad08 = kHostFieldAt8;
  host_.isEditor = 0;
  host_.query = &QueryInterface;
  host_.pluginHandle = &GetPluginHandle;
  script_.interfaceVersion = 1;
  script_.registerFunctions = &RegisterFunctions;
  answers_.clear();
  answers_[kScriptInterfaceId] = &script_;
  queried_.clear();
  pluginHandle_ = kDefaultPluginHandle;
  handleCalls_ = 0;
  registerCalls_ = 0;
  registerResult_ = true;
  callback_ = nullptr;
}

}  // namespace vialmark::substitute
