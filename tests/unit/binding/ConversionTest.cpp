// Scalar conversions of script value slots, and the kinds of type words.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "binding/Marshalling.h"

namespace vialmark {
namespace {

ScriptValue Int(u32 v) { return {TypeCode::kInt, v}; }
ScriptValue Bool(u8 byte, uptr upperBytes = 0) { return {TypeCode::kBool, upperBytes | byte}; }
ScriptValue Float(float f) {
  u32 bits;
  std::memcpy(&bits, &f, sizeof bits);
  return {TypeCode::kFloat, bits};
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

struct ScalarRow {
  ScriptValue slot;
  u32 integer;
  float real;
  u8 flag;
  const char* what;
};

const ScalarRow kScalarRows[] = {
    {Int(5), 5, 5.0f, 1, "int 5"},
    {Int(0xFFFFFFFF), 0xFFFFFFFF, -1.0f, 1, "int -1 reads signed as a float"},
    {Int(0), 0, 0.0f, 0, "int 0"},
    {Int(16777217), 16777217, 16777216.0f, 1, "a float rounds to nearest"},
    {Float(2.7f), 2, 2.7f, 1, "2.7 truncates to 2"},
    {Float(3.99f), 3, 3.99f, 1, "3.99 truncates to 3"},
    {Float(-1.5f), 4294967295u, -1.5f, 1, "-1.5 truncates to -1, whose low bits are all set"},
    {Float(-0.0f), 0, -0.0f, 0, "-0.0 is false"},
    {Float(0.0f), 0, 0.0f, 0, "0.0 is false"},
    {Float(4294967296.0f), 0, 4294967296.0f, 1, "2^32 keeps its low 32 bits"},
    {Float(1e19f), 0, 1e19f, 1, "beyond 2^63 gives 0"},
    {Float(-9.2233720e18f), 0, -9.2233720e18f, 1, "-2^63 fits; its low bits are 0"},
    {Float(-1e19f), 0, -1e19f, 1, "below -2^63 gives 0"},
    {Bool(1), 1, 1.0f, 1, "true"},
    {Bool(0, 0xFFFFFF00), 0, 0.0f, 0, "only the lowest byte of a flag counts"},
    {Bool(2), 2, 2.0f, 2, "a flag's byte is taken as stored"},
    {{TypeCode::kString, 0x1234}, 0, 0.0f, 0, "a string is no number"},
    {{TypeCode::kNone, 0}, 0, 0.0f, 0, "none"},
    {{TypeCode::kIntArray, 0x1234}, 0, 0.0f, 0, "an array is no number"},
    {{0x1000, 0x1234}, 0, 0.0f, 0, "an object is no number"},
};

TEST(ScalarConversion, ReadsEverySlotKindAsTabled) {
  for (const ScalarRow& row : kScalarRows) {
    EXPECT_EQ(ReadInteger(&row.slot), row.integer) << row.what;
    const float real = ReadFloat(&row.slot);
    EXPECT_EQ(std::memcmp(&real, &row.real, sizeof real), 0) << row.what << ": " << real;
    EXPECT_EQ(static_cast<u8>(ReadBool(&row.slot)), row.flag) << row.what;
  }
}

TEST(ScalarConversion, NonFiniteFloats) {
  for (float f : {kNaN, kInf, -kInf}) {
    const ScriptValue slot = Float(f);
    EXPECT_EQ(ReadInteger(&slot), 0u) << f;
    EXPECT_TRUE(IsSet(ReadBool(&slot))) << f;
  }
  const ScriptValue nan = Float(kNaN);
  EXPECT_TRUE(std::isnan(ReadFloat(&nan)));
}

TEST(ValueKind, FoldsClassWordsOntoObjectAndObjectArray) {
  EXPECT_EQ(ValueKind(0), TypeCode::kNone);
  EXPECT_EQ(ValueKind(15), TypeCode::kBoolArray);
  EXPECT_EQ(ValueKind(16), TypeCode::kObject);
  EXPECT_EQ(ValueKind(17), TypeCode::kObjectArray);
  EXPECT_EQ(ValueKind(0x12345670), TypeCode::kObject);
  EXPECT_EQ(ValueKind(0x12345671), TypeCode::kObjectArray);
}

TEST(ScalarArrays, BindOnlyTheirExactTypeWithData) {
  ScriptArray array{};
  const uptr data = reinterpret_cast<uptr>(&array);
  const ScriptValue ints{TypeCode::kIntArray, data};
  const ScriptValue empty{TypeCode::kIntArray, 0};
  EXPECT_EQ(BindScalarArray(&ints, TypeCode::kIntArray), &array);
  EXPECT_EQ(BindScalarArray(&ints, TypeCode::kFloatArray), nullptr);
  EXPECT_EQ(BindScalarArray(&empty, TypeCode::kIntArray), nullptr);
  EXPECT_EQ(ElementCount(VMArray<u32>{nullptr}), 0u);
}

}  // namespace
}  // namespace vialmark
