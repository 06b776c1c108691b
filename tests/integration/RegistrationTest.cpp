// Registration of the 21 natives, and the function objects as the host sees them: their type
// codes, every position of their table, and their destruction.
#include <set>
#include <stdexcept>

#include "Natives.h"
#include "binding/NativeFunction.h"
#include "host/HostApi.h"
#include "plugin/Catalogue.h"

namespace vialmark::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

const char* const kCatalogueNames[kCatalogueSize] = {
    "SetSinglePotionPrice",
    "SetMGEFArchetype",
    "GetMGEFArchetypeNum",
    "GetMGEFPrimaryAV",
    "GetMGEFRelatedForm",
    "SetIngredientArrayPrices",
    "SetPotionArrayPrices",
    "SetPotionArrayPricesSpecial",
    "SetPotionFormArrayPricesSpecial",
    "GetAlchAutoCalcFlag",
    "SetAlchAutoCalcFlag",
    "FillGoldValueArray",
    "FillPotionGoldValueArray",
    "FillIngredientGoldValueArray",
    "SetStackingPrefs",
    "SetFormArrayWeights",
    "SetPotionArrayWeights",
    "SetIngredientArrayWeights",
    "GetGoldValue",
    "FillSinglePotionGoldValue",
    "FillSingleIngredientGoldValue",
};

NativeFunctionObject* Object(IFunction* function) {
  return reinterpret_cast<NativeFunctionObject*>(function);
}

std::vector<uptr> ParameterCodes(IFunction* function) {
  const NativeFunctionBase& base = Object(function)->base;
  std::vector<uptr> codes;
  for (u32 i = 0; i < base.hostCount1E; ++i) codes.push_back(base.parameters[i].typeCode);
  return codes;
}

TEST(Registration, AddsAllThenSetsOptionsInCatalogueOrder) {
  Scene scene;
  substitute::World& world = scene.world();
  world.Calls().SetRecording(true);
  EXPECT_TRUE(RegisterNatives(&world.Registry()));
  world.Calls().SetRecording(false);

  std::vector<std::string> expected;
  for (const char* name : kCatalogueNames)
    expected.push_back(std::string("Registry.AddFunction(") + name + ")");
  for (const char* name : kCatalogueNames) {
    expected.push_back(std::string("Registry.SetFunctionOptions(VialmarkNative, ") + name + ", 1)");
  }
  std::vector<std::string> seen;
  for (const std::string& line : world.Calls().Lines()) {
    if (line.rfind("Registry.AddFunction", 0) == 0 ||
        line.rfind("Registry.SetFunctionOptions", 0) == 0) {
      seen.push_back(line);
    }
  }
  EXPECT_THAT(seen, ElementsAreArray(expected));

  const auto requests = world.Heap().Requests();
  ASSERT_EQ(requests.size(), kCatalogueSize);
  for (const auto& request : requests) {
    EXPECT_EQ(request.size, Layout(48, 88));
    EXPECT_EQ(request.alignment, 0u);
    EXPECT_FALSE(request.aligned);
  }

  for (u32 i = 0; i < kCatalogueSize; ++i) {
    auto record = world.Functions().Find(world.Registry().Added()[i]);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->name, kCatalogueNames[i]);
    EXPECT_EQ(record->className, "VialmarkNative");
    EXPECT_EQ(record->isStatic, 1u);
    EXPECT_EQ(record->parameterCount, kCatalogue[i].parameterCount);
  }
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST(Registration, EveryEntryHasItsOwnClass) {
  Scene scene;
  RegisterNatives(&scene.world().Registry());
  std::set<const FunctionTable*> tables;
  for (IFunction* function : scene.world().Registry().Added())
    tables.insert(Object(function)->base.table);
  EXPECT_EQ(tables.size(), kCatalogueSize);
  EXPECT_EQ(tables.count(&kNativeFunctionTable), 0u);
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST(Registration, AHeapWithoutBlocksSkipsTheAdditionButNotTheOption) {
  Scene scene;
  scene.world().Heap().FailNth(3);
  EXPECT_TRUE(RegisterNatives(&scene.world().Registry()));
  const auto added = scene.world().Registry().Added();
  ASSERT_EQ(added.size(), kCatalogueSize - 1);
  for (IFunction* function : added) {
    EXPECT_NE(scene.world().Functions().Find(function)->name, "GetMGEFArchetypeNum");
  }
  EXPECT_EQ(scene.world().Registry().Options().size(), kCatalogueSize);
  EXPECT_EQ(scene.world().Registry().Options()[2].functionName, "GetMGEFArchetypeNum");
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

TEST(Registration, MissingClassesGiveCodesZeroAndOne) {
  Scene scene;
  scene.world().Objects().RemoveClass(FormType::kPotion);
  EXPECT_TRUE(RegisterNatives(&scene.world().Registry()));
  const auto added = scene.world().Registry().Added();
  ASSERT_EQ(added.size(), kCatalogueSize);
  EXPECT_EQ(ParameterCodes(added[0])[0], 0u) << "SetSinglePotionPrice's potion";
  EXPECT_EQ(ParameterCodes(added[6])[0], 1u) << "SetPotionArrayPrices's potions";
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

// A registry whose class lookup throws for one form type, as a failing host might.
class ThrowingRegistry final : public ScriptRegistry {
 public:
  ThrowingRegistry(ScriptRegistry& inner, u32 throwFor) : inner_(inner), throwFor_(throwFor) {}
  bool ClassForFormType(u32 formType, ClassInfo** out) override {
    if (formType == throwFor_) throw std::runtime_error("class lookup failed");
    return inner_.ClassForFormType(formType, out);
  }
  bool FormTypeForClass(const StringCache::Ref* name, u32* out) override {
    return inner_.FormTypeForClass(name, out);
  }
  bool CreateScriptObject(const StringCache::Ref* name, ScriptObject** out) override {
    return inner_.CreateScriptObject(name, out);
  }
  void AddFunction(IFunction* function) override { inner_.AddFunction(function); }
  void SetFunctionOptions(const char* c, const char* f, u32 options) override {
    inner_.SetFunctionOptions(c, f, options);
  }
  bool FindScriptObject(u64 handle, StringCache::Ref name, ScriptObject** out) override {
    return inner_.FindScriptObject(handle, name, out);
  }
  HandlePolicy* Handles() override { return inner_.Handles(); }
  ObjectBinder* Binder() override { return inner_.Binder(); }

 private:
  ScriptRegistry& inner_;
  u32 throwFor_;
};

TEST(Registration, AThrowingConstructorReturnsItsBlock) {
  Scene scene;
  ThrowingRegistry registry(scene.world().Registry(), FormType::kMagicEffect);
  // Entry 1 prices a potion; entry 2 is the first to look up the magic effect class.
  EXPECT_THROW(RegisterNatives(&registry), std::runtime_error);
  EXPECT_EQ(scene.world().Registry().Added().size(), 1u);
  EXPECT_THAT(scene.world().Registry().Options(), IsEmpty());
  const auto stats = scene.world().Heap().Stats();
  EXPECT_EQ(scene.world().Heap().Requests().size(), 2u);
  EXPECT_EQ(stats.doubleFrees + stats.unknownFrees, 0u);
  const auto live = scene.world().Functions().LiveBases();
  ASSERT_EQ(live.size(), 1u) << "the second object's base must be torn down";
  EXPECT_EQ(live[0].name, "SetSinglePotionPrice");
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

class FunctionObjectTest : public NativesTest {};

TEST_F(FunctionObjectTest, RegistersTheTypeCodesOfItsKinds) {
  const uptr potions = scene.ArrayWord(FormType::kPotion);
  EXPECT_THAT(ParameterCodes(Function("SetPotionArrayPricesSpecial")),
              ElementsAre(potions, 13u, 5u, 4u, 4u, 4u, 4u, 15u, 5u, 3u));
  const auto forms = ParameterCodes(Function("SetPotionFormArrayPricesSpecial"));
  ASSERT_EQ(forms.size(), 10u);
  EXPECT_EQ(forms[0], scene.ArrayWord(FormType::kAny));
  EXPECT_THAT(ParameterCodes(Function("GetMGEFRelatedForm")),
              ElementsAre(scene.ClassWord(FormType::kMagicEffect)));
  EXPECT_THAT(ParameterCodes(Function("SetMGEFArchetype")),
              ElementsAre(scene.ClassWord(FormType::kMagicEffect), 2u, 2u,
                          scene.ClassWord(FormType::kAny), 2u, 4u));
  EXPECT_THAT(ParameterCodes(Function("SetStackingPrefs")),
              ElementsAre(scene.ArrayWord(FormType::kMagicEffect), 15u));
  EXPECT_THAT(ParameterCodes(Function("SetIngredientArrayWeights")),
              ElementsAre(scene.ArrayWord(FormType::kIngredient), 14u, 4u, 3u));
}

TEST_F(FunctionObjectTest, PositionFourCopiesTheResultCode) {
  const struct {
    const char* name;
    uptr code;
  } rows[] = {
      {"SetSinglePotionPrice", 0},
      {"GetGoldValue", 3},
      {"GetMGEFPrimaryAV", 2},
      {"GetAlchAutoCalcFlag", 5},
      {"GetMGEFRelatedForm", scene.ClassWord(FormType::kAny)},
  };
  for (const auto& row : rows) {
    uptr slot = 0xDEAD;
    EXPECT_EQ(Function(row.name)->ResultTypeInto(&slot), &slot);
    EXPECT_EQ(slot, row.code) << row.name;
  }
}

TEST_F(FunctionObjectTest, EveryPositionBehavesAsTheHostExpects) {
  for (const char* name : kCatalogueNames) {
    SCOPED_TRACE(name);
    IFunction* function = Function(name);
    NativeFunctionBase& base = Object(function)->base;
    EXPECT_EQ(function->Ref08(), &base.hostRef08);
    EXPECT_EQ(function->Ref0C(), &base.hostRef0C);
    EXPECT_EQ(function->Ref10(), &base.hostRef10);
    EXPECT_EQ(function->Count1E(), base.hostCount1E);
    EXPECT_EQ(function->Count1EAgain(), base.hostCount1E);
    EXPECT_TRUE(function->AlwaysTrue());
    EXPECT_EQ(function->Byte20(), base.hostByte20);
    EXPECT_FALSE(function->AlwaysFalse());
    EXPECT_EQ(function->Zero(), 0u);
    EXPECT_EQ(function->Word24(), base.hostWord24);
    EXPECT_EQ(function->Word28Address(), &base.hostWord28);
    function->Ignore(77);
    u32 out = 0xFFFFFFFF;
    EXPECT_FALSE(function->ClearOut(5, &out));
    EXPECT_EQ(out, 0u);
    function->SetByte21(0x5A);
    EXPECT_EQ(base.hostByte21, 0x5A);
    EXPECT_EQ(function->Byte21(), 0x5A);
    EXPECT_TRUE(function->HasCallback());
    EXPECT_EQ(function->HostSlot6(3, 4), substitute::FunctionLedger::SlotAnswer(6, 3, 4));
    EXPECT_EQ(function->HostSlot15(5, 6), substitute::FunctionLedger::SlotAnswer(15, 5, 6));
    EXPECT_EQ(function->HostSlot16(7, 8), substitute::FunctionLedger::SlotAnswer(16, 7, 8));
    EXPECT_EQ(function->HostSlot18(9, 10), substitute::FunctionLedger::SlotAnswer(18, 9, 10));
  }
  const auto calls = scene.world().Functions().SlotCalls();
  ASSERT_EQ(calls.size(), 4 * kCatalogueSize);
  EXPECT_EQ(calls[0].slot, 6u);
  EXPECT_EQ(calls[0].object, &Object(Function(kCatalogueNames[0]))->base);
}

// Objects made outside the registry, so that the test destroys them itself.
TEST(FunctionObjectDestruction, FlagsDecideWhetherTheBlockGoesBack) {
  Scene scene;
  for (u32 flags : {0u, 1u}) {
    SCOPED_TRACE(flags);
    void* block = host::Allocate(kFunctionObjectSize, 0, false);
    NativeFunctionObject* object =
        kCatalogue[0].construct(block, &scene.world().Registry(), kCatalogue[0].name);
    ASSERT_EQ(scene.world().Functions().LiveBases().size(), 1u);
    IFunction* function = reinterpret_cast<IFunction*>(object);
    EXPECT_EQ(function->Destroy(flags), object);
    EXPECT_THAT(scene.world().Functions().LiveBases(), IsEmpty());
    EXPECT_EQ(scene.world().Heap().IsLive(block), flags == 0);
    if (flags == 0) {
      EXPECT_EQ(object->base.table, &kIFunctionTable);
      host::Free(block, false);
    }
  }
  EXPECT_THAT(scene.Finish(), IsEmpty());
}

}  // namespace
}  // namespace vialmark::testing
