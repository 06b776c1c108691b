// Small text helpers shared by the simulator's readers and printers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vialmark::simulator {

// Papyrus names (functions, keywords, editor IDs) ignore letter case, as the game does.
bool SameName(std::string_view a, std::string_view b);
std::string Lower(std::string_view text);

// The candidates close enough to `wrong` to be a typing slip, best first, at most three;
// for "did you mean" hints.
std::vector<std::string> Suggestions(std::string_view wrong,
                                     const std::vector<std::string>& candidates);
// " (did you mean 'A' or 'B'?)", or "" when nothing is close.
std::string DidYouMean(std::string_view wrong, const std::vector<std::string>& candidates);

// The shortest text that reads back as the same float, with ".0" on whole numbers, as
// Papyrus prints floats ("1.5", "3.0", "1e+30").
std::string FloatText(float value);
// "a Potion", "an Ingredient".
std::string WithArticle(std::string_view noun);
// A string literal as a script would write it.
std::string Quoted(std::string_view text);

}  // namespace vialmark::simulator
