// "vialmark price": the price formula over a list or range of input values, as a table and
// optionally as an SVG chart, so that a mod author can tune the four parameters by eye. The
// prices come from the plugin's own ComputePrice, compiled from the same source as the module.
#pragma once

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vialmark::simulator {

// A command-line mistake; the message names the argument.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct PriceRequest {
  float exponent = 0.0f;
  float divisor = 0.0f;
  float multiplier = 0.0f;
  float addend = 0.0f;
  std::vector<std::uint32_t> values;
  std::string svgPath;  // empty: no chart
};

inline constexpr std::size_t kMaxPriceValues = 100000;

// The arguments after "price": EXPONENT DIVISOR MULTIPLIER ADDEND VALUE... [--svg FILE], where a
// VALUE is a whole number, FROM..TO or FROM..TO:STEP. Throws UsageError.
PriceRequest ParsePriceArguments(const std::vector<std::string>& arguments);

std::vector<std::uint32_t> ComputePrices(const PriceRequest& request);
// "max(1, value^1.5 / (value / 50 + 1) * 2 + 10)"
std::string FormulaText(const PriceRequest& request);
void PrintPriceTable(const PriceRequest& request, const std::vector<std::uint32_t>& prices,
                     std::ostream& out);
std::string PriceChartSvg(const PriceRequest& request, const std::vector<std::uint32_t>& prices);

}  // namespace vialmark::simulator
