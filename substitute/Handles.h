// The handle policy. A handle is 64 bits: the form id in the low word and the form type in the
// word above it, so no handle looks like an address. Handles of killed forms stay recognisable
// but are no longer live; pins are counted per handle.
#pragma once

#include <map>
#include <mutex>

#include "host/ScriptVM.h"
#include "substitute/Forms.h"
#include "substitute/Problems.h"

namespace vialmark::substitute {

inline constexpr u64 kNullHandle = 0x0000FFFF00000000ull;

constexpr u64 MakeHandle(u32 formType, u32 formId) { return (u64{formType} << 32) | formId; }

class HostHandles final : public HandlePolicy {
 public:
  HostHandles(FormStore& forms, ProblemLog& problems, CallLog& calls)
      : forms_(forms), problems_(problems), calls_(calls) {}
  HostHandles(const HostHandles&) = delete;
  HostHandles& operator=(const HostHandles&) = delete;

  bool HasType(u32 formType, u64 handle) override;
  bool IsLive(u64 handle) override;
  u64 NullHandle() override;
  // The form's own handle, whatever type is asked for; the null handle for an unknown form.
  u64 HandleFor(u32 formType, const void* form) override;
  void* FormFor(u32 formType, u64 handle) override;
  void PinHandle(u64 handle) override;
  void UnpinHandle(u64 handle) override;

  u64 HandleOf(const void* form) const;
  // The form stays, its handle dies: IsLive answers false and FormFor null.
  void Kill(const void* form);
  i64 PinCount(u64 handle) const;
  std::map<u64, i64> Pins() const;  // handles with a non-zero count
  u64 PinCalls() const;
  u64 UnpinCalls() const;
  void Reset();

 private:
  std::optional<FormIdentity> Resolve(u64 handle) const;

  FormStore& forms_;
  ProblemLog& problems_;
  CallLog& calls_;
  mutable std::mutex mutex_;
  std::map<u64, i64> pins_;
  u64 pinCalls_ = 0;
  u64 unpinCalls_ = 0;
};

}  // namespace vialmark::substitute
