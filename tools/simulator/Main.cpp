// vialmark: try the Vialmark plugin without the game. Loads the real module through the
// substitute host as the game would, builds the records of a data set, runs call scripts
// through the registered function objects and shows what each call answered and changed; and
// previews the price formula.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "tools/simulator/CallScript.h"
#include "tools/simulator/DataSet.h"
#include "tools/simulator/Declarations.h"
#include "tools/simulator/PricePreview.h"
#include "tools/simulator/Session.h"

namespace {

namespace fs = std::filesystem;
using namespace vialmark::simulator;

// Exit codes.
constexpr int kOk = 0;
constexpr int kBadInput = 1;     // a data set, call script or value the user wrote
constexpr int kBadCommand = 2;   // the command line itself
constexpr int kHostTrouble = 3;  // the module did not load, or the host's books do not balance

constexpr const char* kHelp = R"(vialmark - try the Vialmark plugin without the game

usage:
  vialmark                           run the sample scripts on the sample data set
  vialmark [OPTIONS] SCRIPT...       run call scripts, one after another, on one data set
  vialmark [OPTIONS] -e CALL ...     run calls given on the command line
  vialmark price EXPONENT DIVISOR MULTIPLIER ADDEND VALUE... [--svg FILE]
  vialmark --help

The simulator loads the real plugin module into this process through the substitute host, the
way the game loads VialmarkNative.dll (load, SKSEPlugin_Query, SKSEPlugin_Load, registration of
the 21 natives), builds the records of a data set, and makes each call through the registered
function object, exactly as a script's call reaches it. After each call it prints the result and
every field that changed, before -> after; arrays passed in are shown too when the call wrote
into them. At the end it unloads the module, checks the host's books (memory, script objects,
handles, and that no byte outside the fields the plugin may write was touched) and prints the
plugin's log.

Options:
  --data FILE     the data set (default: the sample one, @SAMPLES@/alchemy.toml)
  -e CALL         a call to run, as a line of a call script; may be given several times
  --module PATH   the plugin module to load (default: the one this build made)
  --folder DIR    working folder for the session, where the plugin writes skse_Runeplate.log
                  (default: a temporary folder, removed afterwards)

Call scripts: plain text, one call per line, in the script language's call syntax; ';' starts a
comment. Arguments are literals:
  Int       42, -1, 0x4000          Float   1.5, -0.25, 2e3 (an Int is taken for a Float too)
  Bool      True, False             String  "Health" (escapes \" \\ \n \t)
  None      for a form, an array or a String
  forms     by editor ID from the data set: PotionMinorHealing
  arrays    [1, 2, 3], [PotionMinorHealing, PotionMinorMagicka], []
Names of functions, editor IDs, True, False and None ignore letter case, as in the game; a
"VialmarkNative." prefix is allowed. Every call of every script is checked before the first
runs: an unknown function, a wrong number of arguments, an unknown editor ID, a value of the
wrong type or a malformed literal stops with one message, FILE:LINE:COLUMN: error: ...
Example:
  SetPotionArrayPrices([PotionMinorHealing, PotionMinorMagicka], [100, 250], False, 1.5, 50.0, 2.0, 10.0, -1)

Data sets: a TOML file with one table per record, [KIND.EditorID]:
  [potion.ID]      effects = [{ effect = "EffectID", cost = 17.5 }, ...]  (cost: the effect's
                   gold cost; the effect is optional), manualValue = 0, autoCalc = true
                   (false: the manual value is the price), weight = 0.5
  [ingredient.ID]  value = 2, weight = 0.1
  [effect.ID]      archetype = "ValueMod", primaryActorValue = "Health",
                   secondaryActorValue = "Stamina", secondaryWeight = 1.0,
                   relatedForm = "ID" (any record)
  [form.ID]        type = "MiscObject" (or Armor, Weapon, Light, Keyword, ActorBase, Spell,
                   Race, Enchantment, Hazard), value = 10, weight = 2.0 (each optional)
  [related.ID]     a form that an archetype accepts as related form: kind = "Light",
                   "BoundWeapon", "SummonCreature" (with summonable = true for the 0x4000
                   flag), "Guide", "Cloak" (with modeWord1 = 2, modeWord2 = 2), "Werewolf",
                   "EnhanceWeapon" or "PeakValueMod"; value and weight optional
Unknown keys, wrong types, unknown archetypes, actor values and editor IDs are errors with
FILE:LINE:COLUMN. The sample in @SAMPLES@ shows every kind.

Price preview:
  vialmark price 1.5 50 2 10 0..1000:50 --svg price.svg
prints price = max(1, value^EXPONENT / (value / DIVISOR + 1) * MULTIPLIER + ADDEND), truncated,
for each VALUE (a whole number, FROM..TO or FROM..TO:STEP; at most 100000 values), computed by
the plugin's own ComputePrice; --svg FILE also draws the curve as an SVG chart.

Exit status: 0 all went well; 1 a data set, call script or value is wrong (the message says
where); 2 the command line is wrong; 3 the module did not load or the host's books do not
balance.
)";

std::string Help() {
  std::string text = kHelp;
  const std::string samples = VIALMARK_SAMPLES_DIR;
  for (std::size_t at; (at = text.find("@SAMPLES@")) != std::string::npos;) {
    text.replace(at, 9, samples);
  }
  // The functions, as their declarations give them.
  std::ifstream in(VIALMARK_DECLARATIONS_PATH);
  std::ostringstream source;
  source << in.rdbuf();
  try {
    const ScriptDeclarations script = ParseDeclarations(source.str(), VIALMARK_DECLARATIONS_PATH);
    text += "\nFunctions of script class " + script.scriptName + ":\n";
    for (const DeclaredFunction& function : script.functions) {
      text += "  " + (function.result.empty() ? "" : function.result + " ") + function.name + "(";
      for (std::size_t i = 0; i < function.parameters.size(); ++i) {
        text +=
            (i > 0 ? ", " : "") + function.parameters[i].type + " " + function.parameters[i].name;
      }
      text += ")\n";
    }
  } catch (const InputError&) {
    text += "\nThe functions are declared in VialmarkNative.psc.\n";
  }
  return text;
}

std::string ReadFile(const std::string& path, const char* what) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw InputError({path, 0, 0}, std::string("cannot open the ") + what);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A path as the user will recognise it: relative to where they stand when it is below it.
std::string Shown(const fs::path& path) {
  const fs::path relative = path.lexically_relative(fs::current_path());
  if (!relative.empty() && *relative.begin() != "..") return relative.string();
  return path.string();
}

struct Script {
  std::string name;
  std::vector<Call> calls;
};

struct Options {
  std::string dataPath;
  std::vector<std::string> scripts;
  std::vector<std::string> calls;  // -e
  std::string modulePath = VIALMARK_MODULE_PATH;
  std::string folder;
};

int RunPrice(const std::vector<std::string>& arguments) {
  PriceRequest request;
  try {
    request = ParsePriceArguments(arguments);
  } catch (const UsageError& error) {
    std::cerr << error.what() << "\n(see vialmark --help)\n";
    return kBadCommand;
  }
  const std::vector<std::uint32_t> prices = ComputePrices(request);
  PrintPriceTable(request, prices, std::cout);
  if (!request.svgPath.empty()) {
    std::ofstream svg(request.svgPath, std::ios::binary);
    svg << PriceChartSvg(request, prices);
    if (!svg.flush()) {
      std::cerr << "vialmark price: cannot write " << request.svgPath << "\n";
      return kBadInput;
    }
    std::cout << "\nchart written to " << request.svgPath << "\n";
  }
  return kOk;
}

int RunSession(Options options) {
  const bool samples = options.scripts.empty() && options.calls.empty();
  const fs::path sampleDir = VIALMARK_SAMPLES_DIR;
  if (options.dataPath.empty()) options.dataPath = Shown(sampleDir / "alchemy.toml");
  if (samples) {
    for (const auto& entry : fs::directory_iterator(sampleDir)) {
      if (entry.path().extension() == ".calls") options.scripts.push_back(Shown(entry.path()));
    }
    std::sort(options.scripts.begin(), options.scripts.end());
  }

  // Everything the user wrote is read and checked before the module is loaded, and the call
  // names once it is: a mistake stops the run before the first call.
  DataSet data;
  std::vector<Script> scripts;
  try {
    data = ParseDataSet(ReadFile(options.dataPath, "data set"), options.dataPath);
    for (const std::string& path : options.scripts) {
      scripts.push_back({path, ParseCallScript(ReadFile(path, "call script"), path)});
    }
    for (std::size_t i = 0; i < options.calls.size(); ++i) {
      const std::string name = "-e " + std::to_string(i + 1);
      scripts.push_back({name, ParseCallScript(options.calls[i], name)});
    }
  } catch (const InputError& error) {
    std::cerr << error.Formatted() << "\n";
    return kBadInput;
  }

  const fs::path modulePath = fs::absolute(options.modulePath);
  const bool temporary = options.folder.empty();
  const fs::path folder =
      temporary ? fs::temp_directory_path() / ("vialmark-" + std::to_string(::getpid()))
                : fs::absolute(options.folder);
  const fs::path previous = fs::current_path();
  std::error_code failed;
  fs::create_directories(folder, failed);
  fs::current_path(folder, failed);
  if (failed) {
    std::cerr << "vialmark: cannot work in " << folder.string() << ": " << failed.message() << "\n";
    return kBadCommand;
  }
  struct Leave {
    fs::path previous, folder;
    bool remove;
    ~Leave() {
      std::error_code ignored;
      fs::current_path(previous, ignored);
      if (remove) fs::remove_all(folder, ignored);
    }
  } leave{previous, folder, temporary};

  std::ostringstream preamble;
  Session session(preamble);
  std::vector<std::vector<PreparedCall>> prepared;
  try {
    std::ifstream declarations(VIALMARK_DECLARATIONS_PATH);
    std::ostringstream text;
    text << declarations.rdbuf();
    try {
      session.UseDeclarations(ParseDeclarations(text.str(), VIALMARK_DECLARATIONS_PATH));
    } catch (const InputError&) {
      // Without the declarations the output names parameters by position; nothing else differs.
    }
    preamble << "Vialmark " << VIALMARK_VERSION << " simulator, through the substitute host\n";
    session.Start(modulePath.string());
    session.Populate(data);
    for (const Script& script : scripts)
      prepared.push_back(session.Prepare(script.calls, script.name));
  } catch (const SessionError& error) {
    std::cout << preamble.str();
    std::cerr << "vialmark: " << error.what() << "\n";
    return kHostTrouble;
  } catch (const InputError& error) {
    std::cerr << error.Formatted() << "\n";
    return kBadInput;
  }

  std::cout << preamble.str();
  session.SetOutput(std::cout);
  for (std::size_t i = 0; i < scripts.size(); ++i) {
    std::cout << "\n== " << scripts[i].name << "\n";
    for (const PreparedCall& call : prepared[i]) session.Run(call);
  }
  std::cout << "\n[done]     " << session.CallCount() << " calls; " << session.FunctionsCalled()
            << " of the " << session.Signatures().size() << " functions called\n";
  const std::vector<std::string> problems = session.Finish();
  std::cout << "[unload]   module unloaded; "
            << (problems.empty() ? "the host's books balance (memory, script objects, handles, "
                                   "untouched bytes)\n"
                                 : "the host's books do not balance:\n");
  for (const std::string& problem : problems) std::cout << "           " << problem << "\n";
  std::cout << "\n--- skse_Runeplate.log ---\n";
  std::ifstream log("skse_Runeplate.log");
  std::cout << log.rdbuf();
  std::cout.flush();
  return problems.empty() ? kOk : kHostTrouble;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty() && arguments[0] == "price") {
    if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end()) {
      std::cout << Help();
      return kOk;
    }
    return RunPrice(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
  }
  Options options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (argument == "--help" || argument == "-h") {
      std::cout << Help();
      return kOk;
    }
    if (argument == "--data" || argument == "-e" || argument == "--module" ||
        argument == "--folder") {
      if (!hasValue) {
        std::cerr << "vialmark: " << argument << " needs a value after it (see vialmark --help)\n";
        return kBadCommand;
      }
      const std::string& value = arguments[++i];
      if (argument == "--data") options.dataPath = value;
      if (argument == "-e") options.calls.push_back(value);
      if (argument == "--module") options.modulePath = value;
      if (argument == "--folder") options.folder = value;
      continue;
    }
    if (argument.size() > 1 && argument[0] == '-') {
      std::cerr << "vialmark: unknown option '" << argument << "' (see vialmark --help)\n";
      return kBadCommand;
    }
    options.scripts.push_back(argument);
  }
  return RunSession(options);
}
