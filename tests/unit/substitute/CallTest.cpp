// Argument frames, the host's part of a function object, and calls and teardown through
// IFunction, with a function object built the way the plugin builds its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <new>
#include <thread>

#include "host/HostApi.h"
#include "substitute/Builders.h"

namespace vialmark::substitute {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

// A function object in a game-heap block whose base part the host constructs: the C++ table
// pointer takes the place of the base's first word. Execute adds up its integer arguments
// (other kinds count as 0).
class Summer final : public IFunction {
 public:
  enum class Fault { kNone, kKeepsBlock, kSkipsBase };

  static Summer* Make(const char* name, u32 parameterCount, Fault fault = Fault::kNone) {
    void* block = host_GameHeap_Allocate(sizeof(Summer), 0, false);
    auto* function = new (block) Summer(fault);
    NativeFunctionBase* base = function->Base();
    base->hostRef08.text = base->hostRef0C.text = base->hostRef10.text = nullptr;
    base->hostWord28 = 0;
    host_NativeFunctionBase_Construct(base, name, "SubstituteTest", 1, parameterCount);
    return function;
  }
  NativeFunctionBase* Base() { return reinterpret_cast<NativeFunctionBase*>(this); }

  void* Destroy(u32 flags) override {
    if (fault_ != Fault::kSkipsBase) host_NativeFunctionBase_Destruct(Base());
    if ((flags & 1) != 0 && fault_ != Fault::kKeepsBlock) host_GameHeap_Free(this, false);
    return this;
  }
  bool Execute(uptr a, ScriptRegistry* registry, uptr b, ScriptValue* result,
               CallState* state) override {
    seenA = a;
    seenB = b;
    seenRegistry = registry;
    ArgumentList* list = state->arguments;
    u32 base = host_ArgumentList_Base(list, state);
    uptr sum = 0;
    for (u32 i = 0; i < Base()->hostCount1E; ++i) {
      ScriptValue* argument = host_ArgumentList_ValueAt(list, state, i, base);
      if (argument->type == TypeCode::kInt) sum += argument->data;
    }
    host_ScriptValue_Release(result);
    result->type = TypeCode::kInt;
    result->data = sum;
    return true;
  }

  StringCache::Ref* Ref08() override { return nullptr; }
  StringCache::Ref* Ref0C() override { return nullptr; }
  StringCache::Ref* Ref10() override { return nullptr; }
  uptr* ResultTypeInto(uptr* slot) override { return slot; }
  u32 Count1E() override { return 0; }
  uptr HostSlot6(uptr, uptr) override { return 0; }
  u32 Count1EAgain() override { return 0; }
  bool AlwaysTrue() override { return true; }
  u8 Byte20() override { return 0; }
  bool AlwaysFalse() override { return false; }
  u32 Zero() override { return 0; }
  uptr Word24() override { return 0; }
  uptr* Word28Address() override { return nullptr; }
  void Ignore(u32) override {}
  uptr HostSlot15(uptr, uptr) override { return 0; }
  uptr HostSlot16(uptr, uptr) override { return 0; }
  bool ClearOut(uptr, u32*) override { return false; }
  uptr HostSlot18(uptr, uptr) override { return 0; }
  u8 Byte21() override { return 0; }
  void SetByte21(u8) override {}
  bool HasCallback() override { return true; }

  std::atomic<uptr> seenA = 0;
  std::atomic<uptr> seenB = 0;
  std::atomic<ScriptRegistry*> seenRegistry = nullptr;

 private:
  explicit Summer(Fault fault) : fault_(fault) {}
  // Where the base part's words after the table pointer live; only the host writes them.
  [[maybe_unused]] alignas(
      uptr) unsigned char rest_[sizeof(NativeFunctionBase) - sizeof(void*)] = {};
  Fault fault_;
};

class Calls : public ::testing::Test {
 protected:
  Scene scene;
  World& world = scene.world();
};

TEST_F(Calls, ArgumentsRoundTripThroughTheFrameBase) {
  AlchemyItem* potion = scene.Potion();
  std::vector<ScriptValue> arguments = {
      Scene::Int(-1),        Scene::Float(2.5f),        Scene::Bool(true),
      Scene::String("Text"), scene.ObjectValue(potion), scene.FloatArray({1.0f}),
      Scene::None()};
  std::vector<u32> bases;
  for (int frame = 0; frame < 2; ++frame) {
    CallState* state = scene.Arguments(arguments);
    u32 base = host_ArgumentList_Base(state->arguments, state);
    bases.push_back(base);
    for (u32 i = 0; i < arguments.size(); ++i) {
      ScriptValue* slot = host_ArgumentList_ValueAt(state->arguments, state, i, base);
      EXPECT_EQ(slot->type, arguments[i].type) << i;
      EXPECT_EQ(slot->data, arguments[i].data) << i;
      EXPECT_EQ(slot, world.Frames().Argument(state, i));
    }
    // Ignoring the base reads the caller's own slots, not the arguments.
    EXPECT_NE(host_ArgumentList_ValueAt(state->arguments, state, 0, 0)->data, arguments[0].data);
  }
  EXPECT_NE(bases[0], 0u);
  EXPECT_NE(bases[0], bases[1]) << "each frame has its own base";
  EXPECT_EQ(ObjectStore::CountOf(scene.Object(potion)), 3) << "each frame holds the object";
  auto problems = scene.Finish();
  ASSERT_THAT(problems, SizeIs(2)) << "the two reads without the base";
  EXPECT_THAT(problems[0], HasSubstr("ValueAt(0, base 0)"));
}

TEST_F(Calls, HostBuildsTheBaseAndKeepsItsPositions) {
  Summer* function = Summer::Make("Add", 3);
  NativeFunctionBase* base = function->Base();
  EXPECT_EQ(base->pad04, BaseFill::kMarker);
  EXPECT_STREQ(base->hostRef08.text, "Add");
  EXPECT_STREQ(base->hostRef0C.text, "SubstituteTest");
  EXPECT_EQ(base->hostCount1E, 3u);
  EXPECT_EQ(base->hostByte20, 1u);
  EXPECT_EQ(base->hostByte21, BaseFill::kByte21);
  EXPECT_EQ(base->hostWord24, BaseFill::kWord24 | 3);
  EXPECT_EQ(base->hostWord28, BaseFill::kWord28);
  ASSERT_NE(base->parameters, nullptr);
  EXPECT_EQ(base->parameters[2].typeCode, BaseFill::kUnsetType);
  EXPECT_EQ(world.Functions().ParameterTables().live, 1u);

  uptr answer = host_NativeFunctionBase_Slot15(base, 7, 9);
  EXPECT_EQ(answer, FunctionLedger::SlotAnswer(15, 7, 9));
  EXPECT_NE(answer, FunctionLedger::SlotAnswer(16, 7, 9));
  EXPECT_NE(answer, FunctionLedger::SlotAnswer(15, 9, 7));
  host_NativeFunctionBase_Slot6(base, 1, 2);
  auto calls = world.Functions().SlotCalls();
  ASSERT_THAT(calls, SizeIs(2));
  EXPECT_EQ(calls[0].slot, 15u);
  EXPECT_EQ(calls[0].a, 7u);
  EXPECT_EQ(calls[0].b, 9u);
  EXPECT_EQ(calls[1].slot, 6u);

  auto record = world.Functions().Find(function);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->name, "Add");
  EXPECT_EQ(record->parameterCount, 3u);
  EXPECT_EQ(record->isStatic, 1u);

  host_NativeFunctionBase_Destruct(base);
  EXPECT_EQ(world.Functions().ParameterTables().live, 0u);
  host_NativeFunctionBase_Destruct(base);
  host_GameHeap_Free(function, false);
  auto problems = scene.Finish();
  ASSERT_THAT(problems, SizeIs(1));
  EXPECT_THAT(problems[0], HasSubstr("destructed twice"));
}

TEST_F(Calls, ExecuteIsReachedThroughIFunctionAndTheResultSlotIsKept) {
  Summer* function = Summer::Make("Add", 3);
  world.Registry().AddFunction(function);
  AlchemyItem* potion = scene.Potion();
  ScriptValue result = scene.Call(function, {Scene::Int(40), Scene::Int(2), Scene::Int(100)},
                                  scene.ObjectValue(potion));
  EXPECT_TRUE(scene.LastAnswer());
  EXPECT_EQ(result.type, TypeCode::kInt);
  EXPECT_EQ(result.data, 142u);
  EXPECT_EQ(function->seenA, kExecuteFirst);
  EXPECT_EQ(function->seenB, kExecuteThird);
  EXPECT_EQ(function->seenRegistry, static_cast<ScriptRegistry*>(&world.Registry()));
  EXPECT_EQ(ObjectStore::CountOf(scene.Object(potion)), 1)
      << "the result slot's object was released by the call";
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST_F(Calls, CallsFromManyThreadsKeepTheirOwnFramesAndResults) {
  Summer* function = Summer::Make("Add", 3);
  world.Registry().AddFunction(function);
  AlchemyItem* potion = scene.Potion();
  ScriptValue object = scene.ObjectValue(potion);
  std::atomic<int> wrong = 0;
  std::vector<std::thread> threads;
  for (i32 t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (i32 round = 0; round < 500; ++round) {
        ScriptValue result =
            scene.Call(function, {Scene::Int(t * 1000), object, Scene::Int(round)});
        if (result.type != TypeCode::kInt || result.data != static_cast<uptr>(t * 1000 + round)) {
          ++wrong;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(ObjectStore::CountOf(scene.Object(potion)), 1) << "every frame let go of the object";
  EXPECT_EQ(world.Frames().LiveFrames(), 0u);
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST_F(Calls, TeardownDestroysEachFunctionThroughPositionZero) {
  world.Calls().SetRecording(true);
  Summer* first = Summer::Make("First", 1);
  Summer* second = Summer::Make("Second", 2);
  world.Registry().AddFunction(first);
  world.Registry().AddFunction(nullptr);
  world.Registry().AddFunction(second);
  world.Registry().SetFunctionOptions("SubstituteTest", "First", 1);
  EXPECT_THAT(world.Calls().Lines(),
              ElementsAre("Registry.AddFunction(First)", "Registry.AddFunction(null)",
                          "Registry.AddFunction(Second)",
                          "Registry.SetFunctionOptions(SubstituteTest, First, 1)"));
  EXPECT_THAT(world.Registry().Options(), ElementsAre(OptionCall{"SubstituteTest", "First", 1}));
  EXPECT_THAT(world.Registry().Added(), ElementsAre(first, nullptr, second));
  EXPECT_THAT(world.Balance(), IsEmpty()) << "the registry owns what was added";
  EXPECT_THAT(scene.Finish(), IsEmpty());
  EXPECT_FALSE(world.Heap().IsLive(first));
  EXPECT_FALSE(world.Heap().IsLive(second));
  EXPECT_EQ(world.Functions().ParameterTables().frees, 2u);
}

TEST_F(Calls, TeardownNamesFunctionsThatTearDownBadly) {
  world.Registry().AddFunction(Summer::Make("KeepsBlock", 1, Summer::Fault::kKeepsBlock));
  world.Registry().AddFunction(Summer::Make("SkipsBase", 1, Summer::Fault::kSkipsBase));
  Summer::Make("NeverAdded", 1);
  std::string all;
  for (const std::string& line : scene.Finish()) all += line + "\n";
  EXPECT_THAT(all, HasSubstr("destroying SkipsBase left its base constructed"));
  EXPECT_THAT(all, HasSubstr("base of NeverAdded is still constructed but no registry owns it"));
  EXPECT_THAT(all, HasSubstr("plugin block of request #1 was never freed"));
  EXPECT_THAT(all, HasSubstr("plugin block of request #3 was never freed"));
}

}  // namespace
}  // namespace vialmark::substitute
