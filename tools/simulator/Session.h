// One visit of the real module to the substitute host, as the game makes it: load, query, load,
// registration; then the records of a data set, calls made through each registered function
// object's Execute (table position 22) as a script's call is, and at the end the unload and
// the host's balance check.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/FunctionObject.h"
#include "substitute/Builders.h"
#include "substitute/Module.h"
#include "tools/simulator/CallScript.h"
#include "tools/simulator/DataSet.h"
#include "tools/simulator/Declarations.h"

namespace vialmark::simulator {

// A type code as a registered function object carries it, in script terms.
struct ValueType {
  enum class Kind { kNone, kString, kInt, kFloat, kBool, kForm, kArray, kUnknown };
  Kind kind = Kind::kUnknown;
  Kind element = Kind::kUnknown;  // kArray: kInt, kFloat, kBool or kForm
  std::uint32_t formType = 0;     // kForm, or kArray of kForm
  std::string name;               // "Int", "Potion[]", "" for none
};

struct Signature {
  std::string name;  // as registered
  IFunction* function = nullptr;
  uptr result = 0;
  std::vector<uptr> parameters;
};

// A literal checked against its parameter's type; it becomes a slot value at call time, so that
// each call gets arrays of its own.
struct Argument {
  Literal::Kind kind = Literal::Kind::kNone;
  uptr type = 0;  // the slot's type word
  std::int32_t integer = 0;
  float real = 0.0f;
  bool flag = false;
  std::string text;
  const void* form = nullptr;
  std::vector<Argument> elements;
};

struct PreparedCall {
  const Signature* signature = nullptr;
  std::vector<Argument> arguments;
  std::string file;
  unsigned line = 0;
  std::string source;
};

class SessionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Session {
 public:
  explicit Session(std::ostream& out);
  // Where the session prints from now on.
  void SetOutput(std::ostream& out) { out_ = &out; }
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Throws SessionError when the module does not load, refuses the query, or registers no
  // functions.
  void Start(const std::string& modulePath);
  const std::vector<Signature>& Signatures() const { return signatures_; }
  ValueType TypeOf(uptr code) const;
  // Parameter names for messages and output; optional.
  void UseDeclarations(const ScriptDeclarations& declarations) { declarations_ = declarations; }

  // Builds the records in the host. Call once, after Start.
  void Populate(const DataSet& data);
  // Resolves every call of a script before any runs. Throws InputError.
  std::vector<PreparedCall> Prepare(const std::vector<Call>& calls, const std::string& file) const;
  void Run(const PreparedCall& call);

  std::size_t CallCount() const { return callCount_; }
  std::size_t FunctionsCalled() const { return called_.size(); }
  // Unloads the module and answers the host's balance (empty when it balances).
  std::vector<std::string> Finish();

  // "Potion akPotion": a parameter's type and declared name.
  std::string ParameterLabel(const Signature& signature, std::size_t index) const;
  std::string SignatureText(const Signature& signature) const;

 private:
  using Fields = std::vector<std::pair<std::string, std::string>>;

  Argument Resolve(const Literal& literal, uptr type, const std::string& file,
                   const std::string& where) const;
  ScriptValue Materialize(const Argument& argument);
  std::vector<Fields> Snapshot();
  std::string ValueText(const ScriptValue& value) const;
  std::string FormText(const void* form) const;
  std::string ArrayText(const ScriptValue& value) const;

  std::ostream* out_;
  substitute::Scene scene_;
  substitute::Module module_;
  ScriptDeclarations declarations_;
  std::vector<Signature> signatures_;
  DataSet data_;
  std::vector<const void*> forms_;  // in data set order
  std::map<const void*, std::string> editorIds_;
  std::map<std::string, bool> called_;
  std::size_t callCount_ = 0;
  bool finished_ = false;
};

}  // namespace vialmark::simulator
