// The host's books around one native call while the arguments are still held: the references
// of every object, array and class the call could reach, the pins, the plugin's heap blocks,
// the frames and the problems the host noticed. The end-of-input balance of the world can only
// be taken once everything is let go; this one is taken after every call, so that a fault is
// pinned to the call that made it.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "substitute/Builders.h"

namespace vialmark::fuzz {

class CallBooks {
 public:
  explicit CallBooks(substitute::Scene& scene) : scene_(scene) {}

  // Every object and array a slot names, and the elements of arrays, are watched from now on.
  void Watch(const ScriptValue& value);
  void WatchClass(ClassInfo* info) { classes_.insert(info); }
  void Before();
  // Problem lines; `result` is the result slot after the call, whose reference is the only
  // one a call may leave behind.
  std::vector<std::string> After(const ScriptValue& result);

 private:
  struct Counts {
    std::map<const ScriptObject*, i32> objects;
    std::map<const ScriptArray*, uptr> arrays;
    std::map<const ClassInfo*, i32> classes;
    std::map<u64, i64> pins;
  };
  Counts Take() const;

  substitute::Scene& scene_;
  std::set<const ScriptObject*> objects_;
  std::set<const ScriptArray*> arrays_;
  std::set<ClassInfo*> classes_;
  Counts before_;
};

}  // namespace vialmark::fuzz
