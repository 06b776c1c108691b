#include "tools/simulator/Declarations.h"

#include <algorithm>
#include <cctype>

#include "tools/simulator/Text.h"

namespace vialmark::simulator {
namespace {

struct Token {
  std::string text;  // a name, "[]", "(", ")" or ","
  unsigned line;
  unsigned column;
};

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The file as statements, one per line, comments removed.
std::vector<std::vector<Token>> Statements(std::string_view text, const std::string& file) {
  std::vector<std::vector<Token>> statements(1);
  unsigned line = 1;
  std::size_t lineStart = 0;
  auto column = [&](std::size_t at) { return static_cast<unsigned>(at - lineStart) + 1; };
  auto newLine = [&](std::size_t at) {
    ++line;
    lineStart = at + 1;
    if (!statements.back().empty()) statements.emplace_back();
  };
  std::size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (c == '\n') {
      newLine(at);
      ++at;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      ++at;
    } else if (c == ';' && at + 1 < text.size() && text[at + 1] == '/') {
      const unsigned startLine = line;
      const unsigned startColumn = column(at);
      const std::size_t end = text.find("/;", at + 2);
      if (end == std::string_view::npos) {
        throw InputError({file, startLine, startColumn}, "unterminated ';/' comment: no '/;'");
      }
      for (std::size_t i = at; i < end; ++i) {
        if (text[i] == '\n') {
          ++line;
          lineStart = i + 1;
        }
      }
      at = end + 2;
    } else if (c == ';') {
      while (at < text.size() && text[at] != '\n') ++at;
    } else if (c == '{') {
      const unsigned startLine = line;
      const unsigned startColumn = column(at);
      const std::size_t end = text.find('}', at);
      if (end == std::string_view::npos) {
        throw InputError({file, startLine, startColumn}, "unterminated '{' comment: no '}'");
      }
      for (std::size_t i = at; i < end; ++i) {
        if (text[i] == '\n') {
          ++line;
          lineStart = i + 1;
        }
      }
      at = end + 1;
    } else if (IsNameChar(c)) {
      const std::size_t begin = at;
      while (at < text.size() && IsNameChar(text[at])) ++at;
      statements.back().push_back(
          {std::string(text.substr(begin, at - begin)), line, column(begin)});
    } else if (c == '[' && at + 1 < text.size() && text[at + 1] == ']') {
      statements.back().push_back({"[]", line, column(at)});
      at += 2;
    } else if (c == '(' || c == ')' || c == ',') {
      statements.back().push_back({std::string(1, c), line, column(at)});
      ++at;
    } else {
      throw InputError({file, line, column(at)},
                       std::string("unexpected '") + c + "' in a declaration file");
    }
  }
  if (statements.back().empty()) statements.pop_back();
  return statements;
}

class StatementReader {
 public:
  StatementReader(const std::vector<Token>& tokens, const std::string& file)
      : tokens_(tokens), file_(file) {}

  bool AtEnd() const { return at_ >= tokens_.size(); }
  const Token& Peek() const { return tokens_[at_]; }
  bool PeekIs(std::string_view text) const { return !AtEnd() && SameName(Peek().text, text); }
  const Token& Take() { return tokens_[at_++]; }

  [[noreturn]] void Fail(const std::string& message) const {
    if (AtEnd()) {
      const Token& last = tokens_.back();
      throw InputError({file_, last.line, last.column + static_cast<unsigned>(last.text.size())},
                       message + ", found the end of the line");
    }
    throw InputError({file_, Peek().line, Peek().column},
                     message + ", found '" + Peek().text + "'");
  }
  void Expect(std::string_view text) {
    if (!PeekIs(text)) Fail("expected '" + std::string(text) + "'");
    ++at_;
  }
  std::string Name(const std::string& what) {
    if (AtEnd() || !IsNameChar(Peek().text[0]) ||
        std::isdigit(static_cast<unsigned char>(Peek().text[0]))) {
      Fail("expected " + what);
    }
    return Take().text;
  }
  // A type: a name, optionally followed by "[]".
  std::string Type(const std::string& what) {
    std::string type = Name(what);
    if (PeekIs("[]")) type += Take().text;
    return type;
  }
  std::vector<std::string> Flags() {
    std::vector<std::string> flags;
    while (!AtEnd()) flags.push_back(Name("a flag such as Global or Native"));
    return flags;
  }

 private:
  const std::vector<Token>& tokens_;
  const std::string& file_;
  std::size_t at_ = 0;
};

}  // namespace

bool DeclaredFunction::HasFlag(std::string_view flag) const {
  return std::any_of(flags.begin(), flags.end(),
                     [&](const std::string& f) { return SameName(f, flag); });
}

const DeclaredFunction* ScriptDeclarations::Find(std::string_view name) const {
  for (const DeclaredFunction& function : functions) {
    if (SameName(function.name, name)) return &function;
  }
  return nullptr;
}

ScriptDeclarations ParseDeclarations(std::string_view text, const std::string& file) {
  ScriptDeclarations script;
  bool named = false;
  for (const std::vector<Token>& tokens : Statements(text, file)) {
    StatementReader reader(tokens, file);
    if (reader.PeekIs("Scriptname")) {
      if (named) reader.Fail("a second Scriptname line");
      reader.Take();
      script.scriptName = reader.Name("the script's name");
      if (reader.PeekIs("extends")) {
        reader.Take();
        reader.Name("the parent script's name");
      }
      script.scriptFlags = reader.Flags();
      named = true;
      continue;
    }
    if (!named) reader.Fail("expected 'Scriptname NAME' before anything else");
    DeclaredFunction function;
    function.line = reader.Peek().line;
    function.column = reader.Peek().column;
    if (!reader.PeekIs("Function")) function.result = reader.Type("a result type or 'Function'");
    reader.Expect("Function");
    function.name = reader.Name("the function's name");
    reader.Expect("(");
    while (!reader.PeekIs(")")) {
      if (!function.parameters.empty()) reader.Expect(",");
      DeclaredParameter parameter;
      parameter.type = reader.Type("a parameter type");
      parameter.name = reader.Name("the parameter's name after its type");
      function.parameters.push_back(parameter);
    }
    reader.Expect(")");
    function.flags = reader.Flags();
    if (script.Find(function.name) != nullptr) {
      throw InputError({file, function.line, function.column},
                       "function '" + function.name + "' is declared twice");
    }
    script.functions.push_back(function);
  }
  if (!named) throw InputError({file, 0, 0}, "no 'Scriptname' line");
  return script;
}

}  // namespace vialmark::simulator
