// Call scripts: plain text, one call per line in the script language's call syntax, with
// literal arguments and ';' comments:
//
//   ; the manual values of two potions, through the formula
//   SetPotionArrayPrices([PotionMinorHealing, PotionMinorMagicka], [100, 250],
//   False, 1.5, 50.0, 2.0, 10.0, -1)
//
// The reader is strict: anything it cannot read is one InputError at the exact column. Names
// are not looked up here; that needs the registered functions and the data set.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/simulator/Diagnostics.h"

namespace vialmark::simulator {

struct Literal {
  enum class Kind { kNone, kInt, kFloat, kBool, kString, kName, kArray };
  Kind kind = Kind::kNone;
  std::int64_t integer = 0;       // kInt, as written (range checks come with the parameter's type)
  bool hex = false;               // kInt written as 0x...
  float real = 0.0f;              // kFloat
  bool flag = false;              // kBool
  std::string text;               // kString: the value; kName: the name; others: the spelling
  std::vector<Literal> elements;  // kArray
  unsigned line = 0;
  unsigned column = 0;
};

struct Call {
  std::string name;  // as written, without a "VialmarkNative." prefix
  std::vector<Literal> arguments;
  std::string source;  // the line, without its comment and outer blanks
  unsigned line = 0;
  unsigned column = 0;       // of the name
  unsigned closeColumn = 0;  // of the closing parenthesis
};

// Throws InputError naming `file`, line and column.
std::vector<Call> ParseCallScript(std::string_view text, const std::string& file);

// "the Int 5", "True", "an array of 3 elements"...: how a message names what was written.
std::string Describe(const Literal& literal);

}  // namespace vialmark::simulator
