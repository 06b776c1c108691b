// Classes, script objects, arrays, handles and the registry, as the plugin uses them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>

#include "host/HostApi.h"
#include "substitute/Builders.h"
#include "substitute/Strings.h"

namespace vialmark::substitute {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

i32 Count(const ClassInfo* info) {
  return std::atomic_ref<i32>(const_cast<ClassInfo*>(info)->refCount).load();
}

// What the plugin does with a class reference it no longer needs.
void DropLikeThePlugin(ClassInfo* info) {
  if (std::atomic_ref<i32>(info->refCount).fetch_sub(1) == 1) {
    host_ClassInfo_Destroy(info);
    host_GameHeap_Free(info, false);
  }
}

class Vm : public ::testing::Test {
 protected:
  Scene scene;
  World& world = scene.world();
  HostRegistry& registry = world.Registry();
  HostHandles& handles = world.Handles();
};

TEST_F(Vm, ClassesPerFormTypeCarryTheirNames) {
  struct Case {
    u32 formType;
    const char* name;
  };
  for (Case c :
       {Case{0, "Form"}, Case{18, "MagicEffect"}, Case{30, "Ingredient"}, Case{46, "Potion"}}) {
    ClassInfo* info = nullptr;
    ASSERT_TRUE(registry.ClassForFormType(c.formType, &info)) << c.formType;
    EXPECT_STREQ(info->name.text, c.name);
    EXPECT_EQ(info->name.text, Intern(c.name)) << "the name is an interned identity";
    EXPECT_EQ(Count(info), 2) << "the registry's reference and the caller's";
    u32 formType = 999;
    EXPECT_TRUE(registry.FormTypeForClass(&info->name, &formType));
    EXPECT_EQ(formType, c.formType);
    DropLikeThePlugin(info);
    EXPECT_EQ(Count(info), 1);
  }
  StringCache::Ref unknown{Intern("NoSuchClass")};
  u32 formType = 999;
  EXPECT_FALSE(registry.FormTypeForClass(&unknown, &formType));
  EXPECT_EQ(formType, 999u);
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST_F(Vm, ARemovedClassLivesUntilItsLastHolderDropsIt) {
  ClassInfo* held = nullptr;
  ASSERT_TRUE(registry.ClassForFormType(46, &held));
  world.Objects().RemoveClass(46);
  EXPECT_EQ(Count(held), 1);
  EXPECT_TRUE(world.Objects().IsLiveClass(held));

  auto* untouched = reinterpret_cast<ClassInfo*>(0x1234);
  ClassInfo* out = untouched;
  EXPECT_FALSE(registry.ClassForFormType(46, &out));
  EXPECT_EQ(out, untouched) << "a failed lookup leaves the out parameter as it was";

  u64 liveBlocks = world.Heap().Stats().liveBlocks;
  DropLikeThePlugin(held);
  EXPECT_FALSE(world.Objects().IsLiveClass(held));
  EXPECT_EQ(world.Heap().Stats().liveBlocks, liveBlocks - 1);
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST_F(Vm, DroppingTheRegistrysReferenceIsCaught) {
  ClassInfo* info = world.Objects().ClassFor(30);
  DropLikeThePlugin(info);  // the registry's own reference: the class dies under it
  EXPECT_EQ(world.Objects().ClassFor(30), nullptr);
  EXPECT_THAT(Joined(scene.Finish()),
              HasSubstr("Ingredient destroyed while the registry still holds it"));
}

TEST_F(Vm, ObjectHandleIsPinnedExactlyWhileTheCountIsTwoOrMore) {
  AlchemyItem* potion = scene.Potion();
  ScriptObject* object = scene.Object(potion);
  u64 handle = scene.HandleOf(potion);
  ASSERT_EQ(object->handle, handle);
  ScriptValue value = scene.ObjectValue(potion);
  ScriptValue a = Scene::None(), b = Scene::None();

  struct Step {
    ScriptValue* slot;
    bool copy;
    i32 count;
    i64 pins;
    u64 pinCalls;
    u64 unpinCalls;
  };
  for (Step step : {Step{&a, true, 2, 1, 1, 0}, Step{&b, true, 3, 1, 1, 0},
                    Step{&b, false, 2, 1, 1, 0}, Step{&a, false, 1, 0, 1, 1}}) {
    if (step.copy) {
      host_ScriptValue_CopyFrom(step.slot, &value);
      EXPECT_EQ(step.slot->data, value.data);
      EXPECT_EQ(step.slot->type, value.type);
    } else {
      host_ScriptValue_Release(step.slot);
      EXPECT_EQ(step.slot->data, value.data) << "release leaves the words for the caller";
      *step.slot = Scene::None();
    }
    EXPECT_EQ(ObjectStore::CountOf(object), step.count);
    EXPECT_EQ(handles.PinCount(handle), step.pins);
    EXPECT_EQ(handles.PinCalls(), step.pinCalls);
    EXPECT_EQ(handles.UnpinCalls(), step.unpinCalls);
  }
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST_F(Vm, FindCreateAndBindFollowTheRegistrysRules) {
  AlchemyItem* potion = scene.Potion();
  u64 handle = scene.HandleOf(potion);
  ClassInfo* potionClass = scene.Class(46);
  StringCache::Ref name = potionClass->name;
  world.Calls().SetRecording(true);

  ScriptObject* object = nullptr;
  EXPECT_FALSE(registry.FindScriptObject(handle, name, &object));
  ASSERT_TRUE(registry.CreateScriptObject(&name, &object));
  EXPECT_EQ(ObjectStore::CountOf(object), 1);
  EXPECT_EQ(object->classInfo, potionClass);
  EXPECT_EQ(Count(potionClass), 2) << "a live object holds its class";
  registry.Binder()->Bind(&object, handle);

  ScriptObject* found = nullptr;
  ASSERT_TRUE(registry.FindScriptObject(handle, name, &found));
  EXPECT_EQ(found, object);
  EXPECT_EQ(ObjectStore::CountOf(object), 2);
  StringCache::Ref formClass = scene.Class(0)->name;
  EXPECT_FALSE(registry.FindScriptObject(handle, formClass, &found));

  ScriptValue slot{reinterpret_cast<uptr>(potionClass), reinterpret_cast<uptr>(object)};
  host_ScriptValue_Release(&slot);
  host_ScriptValue_Release(&slot);
  EXPECT_FALSE(world.Objects().IsLiveObject(object)) << "the last release destroys and frees";
  EXPECT_EQ(Count(potionClass), 1);
  EXPECT_FALSE(registry.FindScriptObject(handle, name, &found));

  std::string h = Hex(handle);
  EXPECT_THAT(world.Calls().Lines(),
              ElementsAre("Registry.FindScriptObject(" + h + ", Potion) -> false",
                          "Registry.CreateScriptObject(Potion) -> true", "Registry.Binder()",
                          "Binder.Bind(" + h + ")", "Handles.PinHandle(" + h + ")",
                          "Registry.FindScriptObject(" + h + ", Potion) -> true",
                          "Registry.FindScriptObject(" + h + ", Form) -> false",
                          "Handles.UnpinHandle(" + h + ")",
                          "Registry.FindScriptObject(" + h + ", Potion) -> false"));

  registry.SetCreateMode(CreateMode::kFail);
  EXPECT_FALSE(registry.CreateScriptObject(&name, &object));
  registry.SetCreateMode(CreateMode::kNullObject);
  EXPECT_TRUE(registry.CreateScriptObject(&name, &object));
  EXPECT_EQ(object, nullptr);
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST_F(Vm, CopyReleasesWhatTheDestinationHeldAndArraysAreCounted) {
  ScriptValue numbers = scene.IntArray({1, 2, 3});
  ScriptArray* array = Scene::ArrayOf(numbers);
  ASSERT_EQ(array->length, 3u);
  EXPECT_EQ(Scene::ElementsOf(numbers)[2].data, 3u);
  ScriptValue slot = Scene::None();
  host_ScriptValue_CopyFrom(&slot, &numbers);
  EXPECT_EQ(ObjectStore::CountOf(array), 2u);
  ScriptValue text = Scene::String("Some text");
  host_ScriptValue_CopyFrom(&slot, &text);
  EXPECT_EQ(ObjectStore::CountOf(array), 1u);
  EXPECT_EQ(slot.type, TypeCode::kString);
  host_ScriptValue_Release(&slot);  // strings hold nothing
  EXPECT_THAT(scene.Finish(), IsEmpty());
  EXPECT_FALSE(scene.world().Objects().IsLiveArray(array));
}

TEST_F(Vm, HandlesKnowLivenessAndTypes) {
  AlchemyItem* potion = scene.Potion();
  IngredientItem* ingredient = scene.Ingredient(5, 0.2f);
  u64 potionHandle = handles.HandleFor(46, potion);
  u64 ingredientHandle = handles.HandleFor(0, ingredient);
  EXPECT_NE(potionHandle, reinterpret_cast<uptr>(potion)) << "handles are no addresses";
  EXPECT_NE(potionHandle, ingredientHandle);
  EXPECT_EQ(handles.HandleFor(30, potion), potionHandle) << "the form's own handle";

  struct Case {
    u32 formType;
    bool hasType;
    void* form;
  };
  for (Case c : {Case{0, true, potion}, Case{46, true, potion}, Case{30, false, nullptr},
                 Case{18, false, nullptr}}) {
    EXPECT_EQ(handles.HasType(c.formType, potionHandle), c.hasType) << c.formType;
    EXPECT_EQ(handles.FormFor(c.formType, potionHandle), c.form) << c.formType;
  }
  EXPECT_TRUE(handles.IsLive(potionHandle));

  scene.Kill(potion);
  EXPECT_FALSE(handles.IsLive(potionHandle));
  EXPECT_TRUE(handles.HasType(46, potionHandle)) << "a dead handle keeps its type";
  EXPECT_EQ(handles.FormFor(46, potionHandle), nullptr);
  EXPECT_TRUE(handles.IsLive(ingredientHandle));

  u64 none = handles.NullHandle();
  EXPECT_FALSE(handles.HasType(0, none));
  EXPECT_FALSE(handles.IsLive(none));
  EXPECT_EQ(handles.FormFor(0, none), nullptr);
  int unknown = 0;
  EXPECT_EQ(handles.HandleFor(0, &unknown), none);
  EXPECT_EQ(host_HandlePolicy(), static_cast<HandlePolicy*>(&handles));
  ASSERT_NE(host_ScriptVM(), nullptr);
  EXPECT_EQ(host_ScriptVM()->registry, static_cast<ScriptRegistry*>(&registry));
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST_F(Vm, BalanceNamesLeakedReferencesAndStrayUnpins) {
  AlchemyItem* potion = scene.Potion();
  ScriptValue value = scene.ObjectValue(potion);
  ScriptValue kept = Scene::None();
  host_ScriptValue_CopyFrom(&kept, &value);  // never released
  handles.UnpinHandle(scene.HandleOf(scene.Ingredient(1, 1.0f)));

  std::string all = Joined(scene.Finish());
  EXPECT_THAT(all, HasSubstr("script object of class Potion on handle " +
                             Hex(scene.HandleOf(potion)) + " has count 1, expected 0"));
  EXPECT_THAT(all, HasSubstr("which is not pinned"));
}

}  // namespace
}  // namespace vialmark::substitute
