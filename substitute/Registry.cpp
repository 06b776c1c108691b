#include "substitute/Registry.h"

namespace vialmark::substitute {
namespace {

const char* Text(const char* text) { return text != nullptr ? text : "(null)"; }
const char* Answer(bool value) { return value ? "true" : "false"; }

// The function objects are the plugin's, with a table laid out by hand; the host reaches them
// through IFunction as a C++ host would, which the sanitizer's dynamic type check cannot
// follow.
#if defined(__clang__) || defined(__GNUC__)
#define VIALMARK_FOREIGN_CALL __attribute__((no_sanitize("vptr")))
#else
#define VIALMARK_FOREIGN_CALL
#endif

VIALMARK_FOREIGN_CALL void* DestroyThroughTable(IFunction* function) {
  return function->Destroy(1);
}

}  // namespace

void HostBinder::Bind(ScriptObject** object, u64 handle) {
  calls_.Add("Binder.Bind(" + Hex(handle) + ")");
  if (object == nullptr || *object == nullptr) {
    problems_.Report("binder: bind without an object");
    return;
  }
  objects_.Bind(*object, handle);
}

bool HostRegistry::ClassForFormType(u32 formType, ClassInfo** out) {
  ClassInfo* info = nullptr;
  bool found = objects_.TakeClass(formType, &info);
  if (found) *out = info;
  if (calls_.Recording()) {
    calls_.Add("Registry.ClassForFormType(" + std::to_string(formType) + ") -> " +
               (found ? Text(info->name.text) : "false"));
  }
  return found;
}

bool HostRegistry::FormTypeForClass(const StringCache::Ref* className, u32* out) {
  const char* name = className != nullptr ? className->text : nullptr;
  ClassInfo* info = objects_.ClassNamed(name);
  u32 formType = 0;
  bool found = false;
  if (info != nullptr) {
    if (auto known = objects_.FormTypeOf(info)) {
      formType = *known;
      found = true;
    }
  }
  if (found) *out = formType;
  if (calls_.Recording()) {
    calls_.Add(std::string("Registry.FormTypeForClass(") + Text(name) + ") -> " +
               (found ? std::to_string(formType) : "false"));
  }
  return found;
}

bool HostRegistry::CreateScriptObject(const StringCache::Ref* className, ScriptObject** out) {
  const char* name = className != nullptr ? className->text : nullptr;
  CreateMode mode;
  {
    std::lock_guard lock(mutex_);
    mode = createMode_;
  }
  bool answer = false;
  if (mode == CreateMode::kNullObject) {
    *out = nullptr;
    answer = true;
  } else if (mode == CreateMode::kNormal) {
    if (ClassInfo* info = objects_.ClassNamed(name)) {
      *out = objects_.CreateObject(info);
      answer = true;
    }
  }
  if (calls_.Recording()) {
    calls_.Add(std::string("Registry.CreateScriptObject(") + Text(name) + ") -> " + Answer(answer));
  }
  return answer;
}

void HostRegistry::AddFunction(IFunction* function) {
  if (calls_.Recording()) {
    auto record = functions_.Find(function);
    calls_.Add("Registry.AddFunction(" +
               (function == nullptr ? std::string("null")
                : record            ? record->name
                                    : std::string("unknown")) +
               ")");
  }
  std::lock_guard lock(mutex_);
  added_.push_back(function);
  if (function != nullptr) owned_.push_back(function);
}

void HostRegistry::SetFunctionOptions(const char* className, const char* functionName,
                                      u32 options) {
  if (calls_.Recording()) {
    calls_.Add(std::string("Registry.SetFunctionOptions(") + Text(className) + ", " +
               Text(functionName) + ", " + std::to_string(options) + ")");
  }
  std::lock_guard lock(mutex_);
  options_.push_back(OptionCall{Text(className), Text(functionName), options});
}

bool HostRegistry::FindScriptObject(u64 handle, StringCache::Ref className, ScriptObject** out) {
  ScriptObject* object = objects_.FindBound(handle, className.text);
  if (object != nullptr) *out = object;
  if (calls_.Recording()) {
    calls_.Add("Registry.FindScriptObject(" + Hex(handle) + ", " + Text(className.text) + ") -> " +
               Answer(object != nullptr));
  }
  return object != nullptr;
}

HandlePolicy* HostRegistry::Handles() {
  calls_.Add("Registry.Handles()");
  return &handles_;
}

ObjectBinder* HostRegistry::Binder() {
  calls_.Add("Registry.Binder()");
  return &binder_;
}

void HostRegistry::SetCreateMode(CreateMode mode) {
  std::lock_guard lock(mutex_);
  createMode_ = mode;
}

std::vector<IFunction*> HostRegistry::Added() const {
  std::lock_guard lock(mutex_);
  return added_;
}

std::vector<OptionCall> HostRegistry::Options() const {
  std::lock_guard lock(mutex_);
  return options_;
}

bool HostRegistry::Owns(const void* function) const {
  std::lock_guard lock(mutex_);
  for (IFunction* owned : owned_) {
    if (static_cast<const void*>(owned) == function) return true;
  }
  return false;
}

void HostRegistry::DestroyFunctions() {
  std::vector<IFunction*> owned;
  {
    std::lock_guard lock(mutex_);
    owned.swap(owned_);
  }
  for (IFunction* function : owned) {
    auto before = functions_.Find(function);
    std::string name = before ? before->name : "an unknown function object";
    void* answer = DestroyThroughTable(function);
    if (answer != static_cast<void*>(function)) {
      problems_.Report("functions: destroying " + name + " did not answer its own address");
    }
    auto after = functions_.Find(function);
    if (!after || !after->destructed) {
      problems_.Report("functions: destroying " + name + " left its base constructed");
    }
  }
}

void HostRegistry::Reset() {
  std::lock_guard lock(mutex_);
  added_.clear();
  owned_.clear();
  options_.clear();
  createMode_ = CreateMode::kNormal;
}

}  // namespace vialmark::substitute
