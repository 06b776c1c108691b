// The script-language declarations of native functions (a .psc file of "Function ... Global
// Native" lines), read so that the simulator can name parameters and a test can hold the file
// against what the module registers. Reads the part of the language such a file uses: the
// Scriptname line, function declarations and the three kinds of comment.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/simulator/Diagnostics.h"

namespace vialmark::simulator {

struct DeclaredParameter {
  std::string type;  // as written, "Int", "Potion[]"
  std::string name;
};

struct DeclaredFunction {
  std::string name;
  std::string result;  // "" when the function returns nothing
  std::vector<DeclaredParameter> parameters;
  std::vector<std::string> flags;  // "Global", "Native", as written
  unsigned line = 0;
  unsigned column = 0;

  bool HasFlag(std::string_view flag) const;
};

struct ScriptDeclarations {
  std::string scriptName;
  std::vector<std::string> scriptFlags;  // "Hidden"...
  std::vector<DeclaredFunction> functions;

  const DeclaredFunction* Find(std::string_view name) const;  // ignores case
};

// Throws InputError.
ScriptDeclarations ParseDeclarations(std::string_view text, const std::string& file);

}  // namespace vialmark::simulator
