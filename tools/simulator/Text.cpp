#include "tools/simulator/Text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace vialmark::simulator {
namespace {

std::size_t Distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                        std::tolower(static_cast<unsigned char>(b[j - 1]));
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::vector<std::string> Suggestions(std::string_view wrong,
                                     const std::vector<std::string>& candidates) {
  // A slip is a few edits, fewer for short names; a name that merely contains the wrong text
  // (a prefix typed too short) counts too.
  const std::size_t allowed = std::max<std::size_t>(2, wrong.size() / 3);
  std::vector<std::pair<std::size_t, std::string>> close;
  for (const std::string& candidate : candidates) {
    std::size_t distance = Distance(wrong, candidate);
    if (wrong.size() >= 4 && Lower(candidate).find(Lower(wrong)) != std::string::npos) {
      distance = std::min(distance, allowed);
    }
    if (distance <= allowed) close.emplace_back(distance, candidate);
  }
  std::stable_sort(close.begin(), close.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  std::vector<std::string> best;
  for (std::size_t i = 0; i < close.size() && i < 3; ++i) best.push_back(close[i].second);
  return best;
}

std::string DidYouMean(std::string_view wrong, const std::vector<std::string>& candidates) {
  const std::vector<std::string> best = Suggestions(wrong, candidates);
  if (best.empty()) return "";
  std::string text = " (did you mean ";
  for (std::size_t i = 0; i < best.size(); ++i) {
    if (i > 0) text += i + 1 == best.size() ? " or " : ", ";
    text += "'" + best[i] + "'";
  }
  return text + "?)";
}

std::string FloatText(float value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof(buffer), value).ptr;
  std::string text(buffer, end);
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

std::string WithArticle(std::string_view noun) {
  const bool vowel =
      !noun.empty() && std::string_view("AEIOUaeiou").find(noun[0]) != std::string_view::npos;
  return (vowel ? "an " : "a ") + std::string(noun);
}

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        quoted += c;
    }
  }
  return quoted + "\"";
}

}  // namespace vialmark::simulator
