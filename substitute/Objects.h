// The script VM's memory: classes, script objects and arrays, all in game-heap blocks, and the
// reference rules that tie them together. A class is held once by the registry and once by
// every live object of it; an object's lock word counts its users with bit 31 as the lock
// bit, and its handle is pinned exactly while the count is 2 or more. The host's own changes
// of a lock word follow the same compare-exchange protocol as the plugin's.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/ScriptVM.h"
#include "substitute/Handles.h"
#include "substitute/Heap.h"
#include "substitute/Problems.h"

namespace vialmark::substitute {

// The classes the registry knows, one per form type.
struct ClassName {
  u32 formType;
  const char* name;
};
inline constexpr ClassName kClassNames[] = {{0, "Form"},
                                            {Kind::kKeyword, "Keyword"},
                                            {Kind::kRace, "Race"},
                                            {18, "MagicEffect"},
                                            {Kind::kEnchantment, "Enchantment"},
                                            {Kind::kSpell, "Spell"},
                                            {Kind::kArmor, "Armor"},
                                            {30, "Ingredient"},
                                            {Kind::kLight, "Light"},
                                            {Kind::kMiscObject, "MiscObject"},
                                            {Kind::kWeapon, "Weapon"},
                                            {Kind::kActorBase, "ActorBase"},
                                            {46, "Potion"},
                                            {Kind::kHazard, "Hazard"}};

class ObjectStore {
 public:
  ObjectStore(GameHeap& heap, HostHandles& handles, ProblemLog& problems)
      : heap_(heap), handles_(handles), problems_(problems) {}
  ObjectStore(const ObjectStore&) = delete;
  ObjectStore& operator=(const ObjectStore&) = delete;

  // Classes. The registry holds one reference on each class of kClassNames.
  void CreateClasses();
  ClassInfo* ClassFor(u32 formType) const;        // no reference added; null when removed
  bool TakeClass(u32 formType, ClassInfo** out);  // one reference for the caller
  ClassInfo* ClassNamed(const char* identity) const;
  std::optional<u32> FormTypeOf(const ClassInfo* info) const;
  // The registry lets go of the class of `formType`; it lives on while others hold it.
  void RemoveClass(u32 formType);
  void DropClassRef(ClassInfo* info);  // the host's own drop: destroys and frees at 0
  void DestroyClass(ClassInfo* info);  // host_ClassInfo_Destroy
  bool IsLiveClass(const void* info) const;

  // Objects.
  ScriptObject* CreateObject(ClassInfo* info);  // count 1, for the caller
  void DestroyObject(ScriptObject* object);     // host_ScriptObject_Destroy
  void AddObjectRef(ScriptObject* object);
  // Drops one reference; the object is destroyed and freed when none is left.
  void ReleaseObject(ScriptObject* object);
  void Bind(ScriptObject* object, u64 handle);
  // The object bound to `handle` whose class has that name, with one reference added.
  ScriptObject* FindBound(u64 handle, const char* classIdentity);
  bool IsLiveObject(const void* object) const;
  static i32 CountOf(const ScriptObject* object);

  // Arrays: the header's second word is the reference count, its last the element type.
  ScriptArray* CreateArray(uptr elementType, u32 length);  // count 1, elements none
  bool IsLiveArray(const void* array) const;
  static uptr CountOf(const ScriptArray* array);

  // Slots.
  void ReleaseValue(ScriptValue* value);
  void CopyValue(ScriptValue* destination, const ScriptValue* source);

  // References that a test (through the builders) holds, so that the balance check knows
  // which counts are expected.
  void Hold(const void* thing);
  void Unhold(const void* thing);

  std::vector<std::string> Check() const;
  // Forgets every record; the heap's own reset returns the memory.
  void Reset();

 private:
  struct ClassState {
    u32 formType;
    bool registered;
  };
  bool AddRefUnlessZero(ScriptObject* object, bool allowZero);
  void DestroyClassLocked(ClassInfo* info);
  void ReleaseArray(ScriptArray* array);
  std::string Describe(const ScriptObject* object) const;

  GameHeap& heap_;
  HostHandles& handles_;
  ProblemLog& problems_;
  mutable std::recursive_mutex mutex_;
  std::map<u32, ClassInfo*> registered_;
  std::map<const ClassInfo*, ClassState> classes_;
  std::map<const ScriptObject*, int> objects_;  // live objects
  std::multimap<u64, ScriptObject*> bound_;
  std::map<const ScriptArray*, int> arrays_;
  std::map<const void*, int> holds_;
};

}  // namespace vialmark::substitute
