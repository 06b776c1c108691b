// The script registry and the object binder, implementing the host tables exactly. The
// registry owns the function objects added to it and, at teardown, destroys each through
// position 0 of its table with flags 1, as the host does when its VM goes away.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "host/FunctionObject.h"
#include "host/ScriptVM.h"
#include "substitute/Functions.h"
#include "substitute/Handles.h"
#include "substitute/Objects.h"
#include "substitute/Problems.h"

namespace vialmark::substitute {

class HostBinder final : public ObjectBinder {
 public:
  HostBinder(ObjectStore& objects, ProblemLog& problems, CallLog& calls)
      : objects_(objects), problems_(problems), calls_(calls) {}
  void Bind(ScriptObject** object, u64 handle) override;

 private:
  ObjectStore& objects_;
  ProblemLog& problems_;
  CallLog& calls_;
};

struct OptionCall {
  std::string className;
  std::string functionName;
  u32 options;
  bool operator==(const OptionCall&) const = default;
};

// What CreateScriptObject does: create, answer false, or answer true with no object.
enum class CreateMode { kNormal, kFail, kNullObject };

class HostRegistry final : public ScriptRegistry {
 public:
  HostRegistry(ObjectStore& objects, HostHandles& handles, HostBinder& binder,
               FunctionLedger& functions, ProblemLog& problems, CallLog& calls)
      : objects_(objects),
        handles_(handles),
        binder_(binder),
        functions_(functions),
        problems_(problems),
        calls_(calls) {}
  HostRegistry(const HostRegistry&) = delete;
  HostRegistry& operator=(const HostRegistry&) = delete;

  // On failure `*out` is left as it was.
  bool ClassForFormType(u32 formType, ClassInfo** out) override;
  bool FormTypeForClass(const StringCache::Ref* className, u32* out) override;
  bool CreateScriptObject(const StringCache::Ref* className, ScriptObject** out) override;
  void AddFunction(IFunction* function) override;
  void SetFunctionOptions(const char* className, const char* functionName, u32 options) override;
  bool FindScriptObject(u64 handle, StringCache::Ref className, ScriptObject** out) override;
  HandlePolicy* Handles() override;
  ObjectBinder* Binder() override;

  void SetCreateMode(CreateMode mode);
  // Every addition in order, null ones included; the owned ones until they are destroyed.
  std::vector<IFunction*> Added() const;
  std::vector<OptionCall> Options() const;
  bool Owns(const void* function) const;
  // Destroys every owned function object through position 0 with flags 1, in the order they
  // were added, and checks that each tore its base down and answered its own address.
  void DestroyFunctions();
  void Reset();

 private:
  ObjectStore& objects_;
  HostHandles& handles_;
  HostBinder& binder_;
  FunctionLedger& functions_;
  ProblemLog& problems_;
  CallLog& calls_;
  mutable std::mutex mutex_;
  std::vector<IFunction*> added_;
  std::vector<IFunction*> owned_;
  std::vector<OptionCall> options_;
  CreateMode createMode_ = CreateMode::kNormal;
};

}  // namespace vialmark::substitute
