#include "tools/simulator/CallScript.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "tools/simulator/Text.h"

namespace vialmark::simulator {
namespace {

constexpr std::string_view kClassPrefix = "VialmarkNative";

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
// Where one literal may end: the characters that can follow it on a line.
bool EndsLiteral(char c) { return IsBlank(c) || c == ',' || c == ')' || c == ']' || c == ';'; }

// Reads one line. Columns are 1-based byte positions.
class LineReader {
 public:
  LineReader(std::string_view line, unsigned number, const std::string& file)
      : line_(line), number_(number), file_(file) {}

  // Null when the line holds no call.
  bool Read(Call& call) {
    SkipBlanks();
    if (AtEnd() || Peek() == ';') return false;
    call.line = number_;
    call.column = Column();
    if (!IsNameStart(Peek())) Fail("expected a function name, found " + Found());
    std::string name = Name();
    SkipBlanks();
    if (Peek() == '.' && !SameName(name, kClassPrefix)) {
      FailAt(call.column, "only functions of VialmarkNative can be called here, not of " + name);
    }
    if (Peek() == '.') {
      ++at_;
      SkipBlanks();
      call.column = Column();
      if (AtEnd() || !IsNameStart(Peek())) {
        Fail("expected a function name after 'VialmarkNative.', found " + Found());
      }
      name = Name();
      SkipBlanks();
    }
    call.name = name;
    if (Peek() != '(') {
      Fail("expected '(' after " + name + ", found " + Found() +
           "; a call script holds calls only, written Function(arguments)");
    }
    ++at_;
    SkipBlanks();
    if (Peek() == ')') {
      call.closeColumn = Column();
      ++at_;
    } else {
      for (;;) {
        call.arguments.push_back(Value());
        SkipBlanks();
        if (Peek() == ',') {
          ++at_;
          SkipBlanks();
          continue;
        }
        if (Peek() == ')') {
          call.closeColumn = Column();
          ++at_;
          break;
        }
        Fail("expected ',' or ')' after argument " + std::to_string(call.arguments.size()) +
             ", found " + Found());
      }
    }
    const std::size_t end = at_;
    SkipBlanks();
    if (!AtEnd() && Peek() != ';') {
      Fail("unexpected " + Found() + " after the call; write one call per line");
    }
    std::size_t begin = line_.find_first_not_of(" \t");
    call.source = std::string(line_.substr(begin, end - begin));
    return true;
  }

 private:
  bool AtEnd() const { return at_ >= line_.size(); }
  char Peek() const { return AtEnd() ? '\0' : line_[at_]; }
  unsigned Column() const { return static_cast<unsigned>(at_) + 1; }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(Peek())) ++at_;
  }
  [[noreturn]] void Fail(const std::string& message) const { FailAt(Column(), message); }
  [[noreturn]] void FailAt(unsigned column, const std::string& message) const {
    throw InputError({file_, number_, column}, message);
  }
  // What stands at the current place, for messages.
  std::string Found() const {
    if (AtEnd()) return "the end of the line";
    std::size_t end = at_ + 1;
    if (IsNameChar(line_[at_])) {
      while (end < line_.size() && IsNameChar(line_[end])) ++end;
    }
    return "'" + std::string(line_.substr(at_, end - at_)) + "'";
  }
  std::string Name() {
    const std::size_t begin = at_;
    while (!AtEnd() && IsNameChar(Peek())) ++at_;
    return std::string(line_.substr(begin, at_ - begin));
  }
  // The literal's whole spelling up to where a literal may end, for messages.
  std::string Token(std::size_t begin) const {
    std::size_t end = begin;
    while (end < line_.size() && !EndsLiteral(line_[end])) ++end;
    return std::string(line_.substr(begin, end - begin));
  }

  Literal Value() {
    Literal literal;
    literal.line = number_;
    literal.column = Column();
    const char c = Peek();
    if (c == '[') return Array(literal);
    if (c == '"') return String(literal);
    if (c == '-' || c == '+' || c == '.' || std::isdigit(static_cast<unsigned char>(c))) {
      return Number(literal);
    }
    if (IsNameStart(c)) {
      literal.text = Name();
      if (!AtEnd() && !EndsLiteral(Peek())) {
        FailAt(literal.column, "malformed name '" + Token(literal.column - 1) +
                                   "': editor IDs hold only letters, digits and '_'");
      }
      if (SameName(literal.text, "None")) {
        literal.kind = Literal::Kind::kNone;
      } else if (SameName(literal.text, "True") || SameName(literal.text, "False")) {
        literal.kind = Literal::Kind::kBool;
        literal.flag = SameName(literal.text, "True");
      } else {
        literal.kind = Literal::Kind::kName;
      }
      return literal;
    }
    if (AtEnd() || c == ',' || c == ')' || c == ']' || c == ';') {
      Fail(
          "expected a value (a number, True, False, a \"string\", None, [an array] or an "
          "editor ID), found " +
          Found());
    }
    Fail("malformed value '" + Token(at_) +
         "': expected a number, True, False, a \"string\", None, [an array] or an editor ID");
  }

  Literal Array(Literal& literal) {
    literal.kind = Literal::Kind::kArray;
    ++at_;
    SkipBlanks();
    if (Peek() == ']') {
      ++at_;
      return literal;
    }
    for (;;) {
      literal.elements.push_back(Value());
      SkipBlanks();
      if (Peek() == ',') {
        ++at_;
        SkipBlanks();
        continue;
      }
      if (Peek() == ']') {
        ++at_;
        return literal;
      }
      Fail("expected ',' or ']' after array element " + std::to_string(literal.elements.size()) +
           " (the array opened at column " + std::to_string(literal.column) + "), found " +
           Found());
    }
  }

  Literal String(Literal& literal) {
    literal.kind = Literal::Kind::kString;
    ++at_;
    for (;;) {
      if (AtEnd()) {
        FailAt(literal.column, "unterminated string: the closing '\"' is missing on this line");
      }
      const char c = line_[at_++];
      if (c == '"') return literal;
      if (c != '\\') {
        literal.text += c;
        continue;
      }
      const unsigned escapeColumn = Column() - 1;
      const char e = Peek();
      ++at_;
      switch (e) {
        case 'n':
          literal.text += '\n';
          break;
        case 't':
          literal.text += '\t';
          break;
        case '"':
        case '\\':
          literal.text += e;
          break;
        default:
          FailAt(escapeColumn, std::string("unknown escape '\\") +
                                   (e == '\0' ? "" : std::string(1, e)) +
                                   "' in a string: use \\n, \\t, \\\" or \\\\");
      }
    }
  }

  Literal Number(Literal& literal) {
    const std::size_t begin = at_;
    const std::string token = Token(begin);
    at_ = begin + token.size();
    literal.text = token;
    auto malformed = [&](const std::string& why) {
      FailAt(literal.column, "malformed number '" + token + "': " + why);
    };
    std::string_view digits = token;
    const bool negative = !digits.empty() && digits[0] == '-';
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.remove_prefix(1);
    if (digits.empty()) malformed("a sign must be followed by digits");
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
      std::uint64_t value = 0;
      const auto [end, error] =
          std::from_chars(digits.data() + 2, digits.data() + digits.size(), value, 16);
      if (error != std::errc() || end != digits.data() + digits.size() || value > 0xFFFFFFFFu) {
        malformed("a hexadecimal Int is 0x followed by at most 8 hex digits");
      }
      literal.kind = Literal::Kind::kInt;
      literal.hex = true;
      // 0x80000000 and above are negative Ints, as the script compiler reads them.
      const auto bits = static_cast<std::uint32_t>(value);
      literal.integer = static_cast<std::int32_t>(bits);
      if (negative) literal.integer = -literal.integer;
      return literal;
    }
    const bool isFloat = digits.find_first_of(".eE") != std::string_view::npos;
    if (!std::isdigit(static_cast<unsigned char>(digits[0]))) {
      malformed("write a digit before the decimal point, as in 0.5");
    }
    if (isFloat) {
      const std::size_t point = digits.find('.');
      if (point != std::string_view::npos &&
          (point + 1 >= digits.size() ||
           !std::isdigit(static_cast<unsigned char>(digits[point + 1])))) {
        malformed("write a digit after the decimal point, as in 2.0");
      }
      float value = 0.0f;
      const auto [end, error] =
          std::from_chars(digits.data(), digits.data() + digits.size(), value);
      if (end != digits.data() + digits.size()) malformed("expected a Float such as 1.5 or 2e3");
      if (error == std::errc::result_out_of_range || std::isinf(value)) {
        malformed("too large for a Float");
      }
      literal.kind = Literal::Kind::kFloat;
      literal.real = negative ? -value : value;
      return literal;
    }
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (end != digits.data() + digits.size())
      malformed("expected an Int such as 42 or a Float such as 1.5");
    if (error == std::errc::result_out_of_range || value > 0xFFFFFFFFull) {
      malformed("too large for an Int");
    }
    literal.kind = Literal::Kind::kInt;
    literal.integer =
        negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
    return literal;
  }

  std::string_view line_;
  unsigned number_;
  const std::string& file_;
  std::size_t at_ = 0;
};

}  // namespace

std::vector<Call> ParseCallScript(std::string_view text, const std::string& file) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<Call> calls;
  unsigned number = 0;
  while (!text.empty() || number == 0) {
    ++number;
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    Call call;
    if (LineReader(line, number, file).Read(call)) calls.push_back(std::move(call));
    if (end == std::string_view::npos) break;
  }
  return calls;
}

std::string Describe(const Literal& literal) {
  switch (literal.kind) {
    case Literal::Kind::kNone:
      return "None";
    case Literal::Kind::kInt:
      return "the Int " + literal.text;
    case Literal::Kind::kFloat:
      return "the Float " + literal.text;
    case Literal::Kind::kBool:
      return literal.flag ? "True" : "False";
    case Literal::Kind::kString:
      return "the String " + Quoted(literal.text);
    case Literal::Kind::kName:
      return "'" + literal.text + "'";
    case Literal::Kind::kArray:
      return "an array of " + std::to_string(literal.elements.size()) +
             (literal.elements.size() == 1 ? " element" : " elements");
  }
  return "a value";
}

}  // namespace vialmark::simulator
