#include "substitute/Handles.h"

namespace vialmark::substitute {
namespace {

const char* Answer(bool value) { return value ? "true" : "false"; }

}  // namespace

std::optional<FormIdentity> HostHandles::Resolve(u64 handle) const {
  if (handle == kNullHandle) return std::nullopt;
  auto form = forms_.ById(static_cast<u32>(handle));
  if (!form || MakeHandle(form->formType, form->formId) != handle) return std::nullopt;
  return form;
}

bool HostHandles::HasType(u32 formType, u64 handle) {
  auto form = Resolve(handle);
  bool answer = form && (formType == FormType::kAny || form->formType == formType);
  if (calls_.Recording()) {
    calls_.Add("Handles.HasType(" + std::to_string(formType) + ", " + Hex(handle) + ") -> " +
               Answer(answer));
  }
  return answer;
}

bool HostHandles::IsLive(u64 handle) {
  auto form = Resolve(handle);
  bool answer = form && form->live;
  if (calls_.Recording()) calls_.Add("Handles.IsLive(" + Hex(handle) + ") -> " + Answer(answer));
  return answer;
}

u64 HostHandles::NullHandle() {
  calls_.Add("Handles.NullHandle()");
  return kNullHandle;
}

u64 HostHandles::HandleFor(u32 formType, const void* form) {
  u64 handle = HandleOf(form);
  if (calls_.Recording()) {
    calls_.Add("Handles.HandleFor(" + std::to_string(formType) + ") -> " + Hex(handle));
  }
  return handle;
}

void* HostHandles::FormFor(u32 formType, u64 handle) {
  auto form = Resolve(handle);
  void* answer = nullptr;
  if (form && form->live && (formType == FormType::kAny || form->formType == formType)) {
    answer = form->address;
  }
  if (calls_.Recording()) {
    calls_.Add("Handles.FormFor(" + std::to_string(formType) + ", " + Hex(handle) + ") -> " +
               (answer != nullptr ? "form" : "null"));
  }
  return answer;
}

void HostHandles::PinHandle(u64 handle) {
  {
    std::lock_guard lock(mutex_);
    ++pins_[handle];
    ++pinCalls_;
  }
  if (calls_.Recording()) calls_.Add("Handles.PinHandle(" + Hex(handle) + ")");
}

void HostHandles::UnpinHandle(u64 handle) {
  {
    std::lock_guard lock(mutex_);
    ++unpinCalls_;
    auto it = pins_.find(handle);
    if (it == pins_.end() || it->second <= 0) {
      problems_.Report("handles: unpin of " + Hex(handle) + ", which is not pinned");
    } else if (--it->second == 0) {
      pins_.erase(it);
    }
  }
  if (calls_.Recording()) calls_.Add("Handles.UnpinHandle(" + Hex(handle) + ")");
}

u64 HostHandles::HandleOf(const void* form) const {
  auto identity = forms_.Identify(form);
  return identity ? MakeHandle(identity->formType, identity->formId) : kNullHandle;
}

void HostHandles::Kill(const void* form) { forms_.SetLive(form, false); }

i64 HostHandles::PinCount(u64 handle) const {
  std::lock_guard lock(mutex_);
  auto it = pins_.find(handle);
  return it == pins_.end() ? 0 : it->second;
}

std::map<u64, i64> HostHandles::Pins() const {
  std::lock_guard lock(mutex_);
  return pins_;
}

u64 HostHandles::PinCalls() const {
  std::lock_guard lock(mutex_);
  return pinCalls_;
}

u64 HostHandles::UnpinCalls() const {
  std::lock_guard lock(mutex_);
  return unpinCalls_;
}

void HostHandles::Reset() {
  std::lock_guard lock(mutex_);
  pins_.clear();
  pinCalls_ = 0;
  unpinCalls_ = 0;
}

}  // namespace vialmark::substitute
