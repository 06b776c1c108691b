// VialmarkNative.psc held against what the module registers: script name and flags, and for
// each function its name, flags, result, parameter count, and parameter types in order, taken
// from the type codes the registered function objects carry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "tests/e2e/TempFolder.h"
#include "tests/tools/Program.h"
#include "tools/simulator/Session.h"
#include "tools/simulator/Text.h"

namespace vialmark::simulator {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

const std::string kPscPath = VIALMARK_SOURCE_DIR "/papyrus/VialmarkNative.psc";

// One line per difference.
std::vector<std::string> Mismatches(const ScriptDeclarations& script, const Session& session) {
  std::vector<std::string> problems;
  if (script.scriptName != "VialmarkNative") problems.push_back("script name " + script.scriptName);
  bool hidden = false;
  for (const std::string& flag : script.scriptFlags) hidden = hidden || SameName(flag, "Hidden");
  if (!hidden) problems.push_back("the script is not Hidden");
  for (const Signature& signature : session.Signatures()) {
    const DeclaredFunction* declared = script.Find(signature.name);
    if (declared == nullptr) {
      problems.push_back(signature.name + ": registered but not declared");
      continue;
    }
    auto problem = [&](const std::string& text) {
      problems.push_back(signature.name + ": " + text);
    };
    if (declared->name != signature.name) problem("declared as " + declared->name);
    if (!declared->HasFlag("Global") || !declared->HasFlag("Native")) problem("not Global Native");
    const std::string result = session.TypeOf(signature.result).name;
    if (!SameName(declared->result, result)) {
      problem("result " + declared->result + ", registered " + result);
    }
    if (declared->parameters.size() != signature.parameters.size()) {
      problem(std::to_string(declared->parameters.size()) + " parameters, registered " +
              std::to_string(signature.parameters.size()));
      continue;
    }
    for (std::size_t i = 0; i < signature.parameters.size(); ++i) {
      const std::string type = session.TypeOf(signature.parameters[i]).name;
      if (!SameName(declared->parameters[i].type, type)) {
        problem("parameter " + std::to_string(i + 1) + " " + declared->parameters[i].type +
                ", registered " + type);
      }
    }
  }
  for (const DeclaredFunction& declared : script.functions) {
    const bool registered = std::any_of(
        session.Signatures().begin(), session.Signatures().end(),
        [&](const Signature& signature) { return SameName(signature.name, declared.name); });
    if (!registered) problems.push_back(declared.name + ": declared but not registered");
  }
  return problems;
}

class Declarations : public ::testing::Test {
 protected:
  void SetUp() override { session.Start(VIALMARK_MODULE_PATH); }
  void TearDown() override { EXPECT_THAT(session.Finish(), IsEmpty()); }

  TempFolder folder;
  std::ostringstream printed;
  Session session{printed};
  const std::string text = testing::ReadAll(kPscPath);
};

TEST_F(Declarations, MatchTheRegisteredFunctions) {
  const ScriptDeclarations script = ParseDeclarations(text, kPscPath);
  EXPECT_EQ(script.functions.size(), 21u);
  ASSERT_EQ(session.Signatures().size(), 21u);
  EXPECT_THAT(Mismatches(script, session), IsEmpty());
}

TEST_F(Declarations, EachFunctionHasItsOwnCommentLine) {
  std::istringstream lines(text);
  std::string line;
  std::string previous;
  int functions = 0;
  while (std::getline(lines, line)) {
    if (line.find(" Global Native") != std::string::npos) {
      ++functions;
      EXPECT_EQ(previous.rfind("; ", 0), 0u) << "no comment line above: " << line;
    }
    previous = line;
  }
  EXPECT_EQ(functions, 21);
}

// The check itself must notice each kind of slip a hand-written declaration can have.
TEST_F(Declarations, EveryKindOfSlipIsFound) {
  struct Slip {
    const char* original;
    const char* changed;
    const char* found;
  };
  const Slip slips[] = {
      {"Scriptname VialmarkNative Hidden", "Scriptname VialmarkNative", "not Hidden"},
      {"Int Function GetGoldValue(Form akForm)", "Int Function GetGoldValue(Potion akForm)",
       "GetGoldValue: parameter 1 Potion, registered Form"},
      {"Int Function GetMGEFArchetypeNum", "Float Function GetMGEFArchetypeNum",
       "GetMGEFArchetypeNum: result Float, registered Int"},
      {"Form Function GetMGEFRelatedForm", "Function GetMGEFRelatedForm",
       "GetMGEFRelatedForm: result , registered Form"},
      {"Function SetAlchAutoCalcFlag", "Bool Function SetAlchAutoCalcFlag",
       "SetAlchAutoCalcFlag: result Bool, registered "},
      {"Potion[] akPotions, Int[] aiValues, Bool abDirect",
       "Potion[] akPotions, Bool abDirect, Int[] aiValues",
       "SetPotionArrayPrices: parameter 2 Bool, registered Int[]"},
      {"Bool[] abSelection, Bool abSelectWhen, Int aiCount) Global Native\n\n; As "
       "SetPotionArrayPricesSpecial",
       "Bool abSelection, Bool abSelectWhen, Int aiCount) Global Native\n\n; As "
       "SetPotionArrayPricesSpecial",
       "SetPotionArrayPricesSpecial: parameter 8 Bool, registered Bool[]"},
      {"Float afMultiplier, Int aiCount) Global Native\n\n; As SetFormArrayWeights for potions",
       "Float afMultiplier) Global Native\n\n; As SetFormArrayWeights for potions",
       "SetFormArrayWeights: 3 parameters, registered 4"},
      {"Function SetStackingPrefs(MagicEffect[] akEffects, Bool[] abFlags) Global Native",
       "Function SetStackingPrefs(MagicEffect[] akEffects, Bool[] abFlags) Native",
       "SetStackingPrefs: not Global Native"},
      {"Function SetStackingPrefs(", "Function SetStackingPref(",
       "SetStackingPrefs: registered but not declared"},
      {"Function SetStackingPrefs(", "Function SetStackingPref(",
       "SetStackingPref: declared but not registered"},
      {"Function GetMGEFPrimaryAV(MagicEffect akEffect)",
       "Function GetMGEFPrimaryAV(Form akEffect)", "GetMGEFPrimaryAV: parameter 1 Form"},
  };
  for (const Slip& slip : slips) {
    std::string changed = text;
    const std::size_t at = changed.find(slip.original);
    ASSERT_NE(at, std::string::npos) << "the file no longer holds: " << slip.original;
    changed.replace(at, std::string(slip.original).size(), slip.changed);
    EXPECT_THAT(Mismatches(ParseDeclarations(changed, "changed.psc"), session),
                ::testing::Contains(HasSubstr(slip.found)))
        << slip.changed;
  }
}

TEST(DeclarationsFile, MistakesNameTheirPlace) {
  struct Case {
    const char* text;
    unsigned line;
    unsigned column;
    const char* message;
  };
  const Case cases[] = {
      {"Function F() Global Native", 1, 1, "expected 'Scriptname NAME' before anything else"},
      {"Scriptname S\n{ doc\n}\nInt Function F(Int) Global Native", 4, 19,
       "expected the parameter's name after its type"},
      {"Scriptname S\n;/ a\nb /;\nInt Function F(Int a Global Native", 4, 22, "expected ','"},
      {"Scriptname S\nInt Function F() Global Native\nInt Function f() Global Native", 3, 1,
       "declared twice"},
      {"Scriptname S\nFunction F(Int a = 5) Global Native", 2, 18, "unexpected '='"},
  };
  for (const Case& c : cases) {
    try {
      ParseDeclarations(c.text, "s.psc");
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const InputError& error) {
      EXPECT_EQ(error.place().line, c.line) << error.Formatted();
      EXPECT_EQ(error.place().column, c.column) << error.Formatted();
      EXPECT_THAT(error.what(), HasSubstr(c.message));
    }
  }
  EXPECT_THAT(ParseDeclarations("Scriptname S Hidden\n; c\nFunction F(Int[] a, Potion p) Global "
                                "Native ; trailing\n",
                                "s.psc")
                  .functions.at(0)
                  .parameters.at(0)
                  .type,
              "Int[]");
}

}  // namespace
}  // namespace vialmark::simulator
