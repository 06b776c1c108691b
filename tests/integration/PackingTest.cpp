// Form results: the VM object standing for a form is reused or created and bound, and its count
// and the host's hold on its handle stay in step.
#include "Natives.h"
#include "binding/Marshalling.h"
#include "binding/Packing.h"

namespace vialmark::testing {
namespace {

using ::testing::Contains;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

class PackingTest : public NativesTest {
 protected:
  ScriptValue RelatedFormOf(EffectSetting* effect) {
    return Call("GetMGEFRelatedForm", {scene.ObjectValue(effect)});
  }
  std::vector<std::string> RecordedCalls() {
    scene.world().Calls().SetRecording(false);
    return scene.world().Calls().Lines();
  }
};

TEST_F(PackingTest, ANullFormIsNoneWithoutAskingTheRegistry) {
  EffectSetting* effect = scene.Effect({.archetype = 12});
  scene.world().Calls().SetRecording(true);
  const ScriptValue result = RelatedFormOf(effect);
  EXPECT_EQ(result.type, TypeCode::kNone);
  EXPECT_EQ(result.data, 0u);
  EXPECT_THAT(RecordedCalls(), Not(Contains(StartsWith("Registry."))));
}

TEST_F(PackingTest, AnExistingObjectIsReusedAndHeldOnceMore) {
  TESForm* light = scene.Related(HostClass::kLightForm);
  ScriptObject* object = scene.Object(light, FormType::kAny);
  EffectSetting* effect = scene.Effect({.archetype = 12, .relatedForm = light});
  EXPECT_EQ(substitute::ObjectStore::CountOf(object), 1);
  const ScriptValue result = RelatedFormOf(effect);
  EXPECT_EQ(result.type, scene.ClassWord(FormType::kAny));
  EXPECT_EQ(result.data, reinterpret_cast<uptr>(object));
  EXPECT_EQ(substitute::ObjectStore::CountOf(object), 2) << "the scene's and the result's";
  EXPECT_EQ(scene.world().Handles().PinCount(scene.HandleOf(light)), 1);
}

TEST_F(PackingTest, ANewObjectIsCreatedBoundAndResolvesBackToTheForm) {
  TESForm* light = scene.Related(HostClass::kLightForm);
  EffectSetting* effect = scene.Effect({.archetype = 12, .relatedForm = light});
  const ScriptValue result = RelatedFormOf(effect);
  ASSERT_EQ(result.type, scene.ClassWord(FormType::kAny));
  auto* object = reinterpret_cast<ScriptObject*>(result.data);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->handle, scene.HandleOf(light));
  EXPECT_EQ(substitute::ObjectStore::CountOf(object), 1) << "only the result holds it";
  EXPECT_EQ(scene.world().Handles().PinCount(object->handle), 0);
  EXPECT_EQ(ResolveForm(&result, FormType::kAny), light);
  // A second call finds the bound object instead of making another.
  EXPECT_EQ(RelatedFormOf(effect).data, result.data);
}

TEST_F(PackingTest, NoObjectFromTheRegistryGivesNone) {
  TESForm* light = scene.Related(HostClass::kLightForm);
  EffectSetting* effect = scene.Effect({.archetype = 12, .relatedForm = light});
  for (auto mode : {substitute::CreateMode::kFail, substitute::CreateMode::kNullObject}) {
    scene.world().Registry().SetCreateMode(mode);
    const ScriptValue result = RelatedFormOf(effect);
    EXPECT_EQ(result.type, TypeCode::kNone);
    EXPECT_EQ(result.data, 0u);
  }
  scene.world().Registry().SetCreateMode(substitute::CreateMode::kNormal);
  scene.world().Objects().RemoveClass(FormType::kAny);
  EXPECT_EQ(RelatedFormOf(effect).type, TypeCode::kNone);
}

TEST_F(PackingTest, OnlyTheStepsBetweenOneAndTwoTouchTheHandle) {
  TESForm* form = scene.Form();
  ScriptObject* object = scene.Object(form);
  const u64 handle = scene.HandleOf(form);
  auto& handles = scene.world().Handles();
  AddObjectRef(object);  // 1 -> 2 pins
  EXPECT_EQ(handles.PinCount(handle), 1);
  AddObjectRef(object);  // 2 -> 3
  AddObjectRef(object);  // 3 -> 4
  EXPECT_EQ(handles.PinCalls(), 1u);
  EXPECT_EQ(ReleaseObjectRef(object), 3);
  EXPECT_EQ(ReleaseObjectRef(object), 2);
  EXPECT_EQ(handles.UnpinCalls(), 0u);
  EXPECT_EQ(ReleaseObjectRef(object), 1);  // 2 -> 1 unpins
  EXPECT_EQ(handles.UnpinCalls(), 1u);
  EXPECT_EQ(handles.PinCount(handle), 0);
  EXPECT_EQ(object->lockWord, 1);
}

TEST_F(PackingTest, TheLastReleaseDestroysAndFreesTheObject) {
  ScriptObject* object = scene.world().Objects().CreateObject(scene.Class(FormType::kAny));
  ASSERT_TRUE(scene.world().Heap().IsLive(object));
  DropObjectRef(object);
  EXPECT_FALSE(scene.world().Heap().IsLive(object));
}

}  // namespace
}  // namespace vialmark::testing
