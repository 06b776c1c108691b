#include "tools/simulator/PricePreview.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "economy/Price.h"
#include "tools/simulator/Text.h"

namespace vialmark::simulator {
namespace {

constexpr const char* kParameterNames[] = {"EXPONENT", "DIVISOR", "MULTIPLIER", "ADDEND"};

[[noreturn]] void Bad(std::size_t index, const std::string& argument, const std::string& why) {
  throw UsageError("vialmark price: argument " + std::to_string(index + 1) + " ('" + argument +
                   "'): " + why);
}

std::uint32_t WholeNumber(std::string_view text, std::size_t index, const std::string& argument) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || end != text.data() + text.size()) {
    Bad(index, argument, "expected a whole number from 0 to 4294967295, FROM..TO or FROM..TO:STEP");
  }
  if (error == std::errc::result_out_of_range || value > 0xFFFFFFFFull) {
    Bad(index, argument, "a value must be at most 4294967295");
  }
  return static_cast<std::uint32_t>(value);
}

void AddValues(const std::string& argument, std::size_t index, std::vector<std::uint32_t>& values) {
  const std::size_t dots = argument.find("..");
  if (dots == std::string::npos) {
    values.push_back(WholeNumber(argument, index, argument));
  } else {
    const std::string_view text = argument;
    const std::size_t colon = argument.find(':', dots);
    const std::uint64_t from = WholeNumber(text.substr(0, dots), index, argument);
    const std::uint64_t to = WholeNumber(
        text.substr(dots + 2, colon == std::string::npos ? std::string::npos : colon - dots - 2),
        index, argument);
    const std::uint64_t step =
        colon == std::string::npos ? 1 : WholeNumber(text.substr(colon + 1), index, argument);
    if (step == 0) Bad(index, argument, "the STEP of a range must be at least 1");
    if (from > to) Bad(index, argument, "a range runs upwards: FROM must not be above TO");
    if ((to - from) / step + 1 + values.size() > kMaxPriceValues) {
      Bad(index, argument,
          "more than " + std::to_string(kMaxPriceValues) + " values; take a larger STEP");
    }
    for (std::uint64_t v = from; v <= to; v += step)
      values.push_back(static_cast<std::uint32_t>(v));
  }
  if (values.size() > kMaxPriceValues) {
    Bad(index, argument, "more than " + std::to_string(kMaxPriceValues) + " values");
  }
}

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '&') {
      escaped += "&amp;";
    } else if (c == '<') {
      escaped += "&lt;";
    } else if (c == '>') {
      escaped += "&gt;";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about six parts.
double TickStep(double span) {
  if (span <= 0) return 1;
  const double raw = span / 6;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double factor : {1.0, 2.0, 5.0}) {
    if (raw <= factor * power) return factor * power;
  }
  return 10 * power;
}

std::string Number(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%.10g", value);
  return buffer;
}

}  // namespace

PriceRequest ParsePriceArguments(const std::vector<std::string>& arguments) {
  PriceRequest request;
  std::vector<std::pair<std::size_t, std::string>> positional;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--svg") {
      if (i + 1 >= arguments.size()) Bad(i, arguments[i], "--svg needs a file name after it");
      request.svgPath = arguments[++i];
    } else {
      positional.emplace_back(i, arguments[i]);
    }
  }
  if (positional.size() < 5) {
    throw UsageError(
        "vialmark price: expected EXPONENT DIVISOR MULTIPLIER ADDEND and at least one VALUE, "
        "as in: vialmark price 1.5 50 2 10 0..1000:50");
  }
  float* parameters[] = {&request.exponent, &request.divisor, &request.multiplier, &request.addend};
  for (std::size_t p = 0; p < 4; ++p) {
    const auto& [index, text] = positional[p];
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), *parameters[p]);
    if (text.empty() || end != text.data() + text.size() || error != std::errc()) {
      Bad(index, text, std::string(kParameterNames[p]) + " must be a number such as 1.5");
    }
  }
  for (std::size_t p = 4; p < positional.size(); ++p) {
    AddValues(positional[p].second, positional[p].first, request.values);
  }
  return request;
}

std::vector<std::uint32_t> ComputePrices(const PriceRequest& request) {
  std::vector<std::uint32_t> prices;
  for (std::uint32_t value : request.values) {
    prices.push_back(
        ComputePrice(value, request.exponent, request.divisor, request.multiplier, request.addend));
  }
  return prices;
}

std::string FormulaText(const PriceRequest& request) {
  return "max(1, value^" + FloatText(request.exponent) + " / (value / " +
         FloatText(request.divisor) + " + 1) * " + FloatText(request.multiplier) + " + " +
         FloatText(request.addend) + ")";
}

void PrintPriceTable(const PriceRequest& request, const std::vector<std::uint32_t>& prices,
                     std::ostream& out) {
  out << "price = " << FormulaText(request) << ", truncated to a whole number\n\n";
  char line[64];
  std::snprintf(line, sizeof(line), "%12s  %12s\n", "value", "price");
  out << line;
  for (std::size_t i = 0; i < prices.size(); ++i) {
    std::snprintf(line, sizeof(line), "%12u  %12u\n", request.values[i], prices[i]);
    out << line;
  }
}

std::string PriceChartSvg(const PriceRequest& request, const std::vector<std::uint32_t>& prices) {
  constexpr double kWidth = 760, kHeight = 460;
  constexpr double kLeft = 90, kRight = 30, kTop = 50, kBottom = 60;
  const double plotWidth = kWidth - kLeft - kRight;
  const double plotHeight = kHeight - kTop - kBottom;

  double xLow =
      request.values.empty() ? 0 : *std::min_element(request.values.begin(), request.values.end());
  double xHigh =
      request.values.empty() ? 1 : *std::max_element(request.values.begin(), request.values.end());
  if (xHigh <= xLow) xHigh = xLow + 1;
  const double yStep =
      TickStep(prices.empty() ? 1 : *std::max_element(prices.begin(), prices.end()));
  double yHigh = prices.empty()
                     ? 1
                     : std::ceil(*std::max_element(prices.begin(), prices.end()) / yStep) * yStep;
  if (yHigh <= 0) yHigh = yStep;
  const double xStep = TickStep(xHigh - xLow);
  auto x = [&](double v) { return kLeft + (v - xLow) / (xHigh - xLow) * plotWidth; };
  auto y = [&](double p) { return kTop + plotHeight - p / yHigh * plotHeight; };

  std::ostringstream svg;
  svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\"" << kHeight
      << "\" viewBox=\"0 0 " << kWidth << " " << kHeight
      << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
      << "<text x=\"" << kWidth / 2
      << "\" y=\"28\" text-anchor=\"middle\" font-size=\"15\">price = "
      << Escaped(FormulaText(request)) << "</text>\n";
  // Grid and tick labels.
  for (double t = std::ceil(xLow / xStep) * xStep; t <= xHigh + xStep / 1e6; t += xStep) {
    svg << "<line x1=\"" << Number(x(t)) << "\" y1=\"" << kTop << "\" x2=\"" << Number(x(t))
        << "\" y2=\"" << kTop + plotHeight << "\" stroke=\"#e0e0e0\"/>\n"
        << "<text x=\"" << Number(x(t)) << "\" y=\"" << kTop + plotHeight + 18
        << "\" text-anchor=\"middle\">" << Number(t) << "</text>\n";
  }
  for (double t = 0; t <= yHigh + yStep / 1e6; t += yStep) {
    svg << "<line x1=\"" << kLeft << "\" y1=\"" << Number(y(t)) << "\" x2=\"" << kLeft + plotWidth
        << "\" y2=\"" << Number(y(t)) << "\" stroke=\"#e0e0e0\"/>\n"
        << "<text x=\"" << kLeft - 8 << "\" y=\"" << Number(y(t) + 4) << "\" text-anchor=\"end\">"
        << Number(t) << "</text>\n";
  }
  svg << "<rect x=\"" << kLeft << "\" y=\"" << kTop << "\" width=\"" << plotWidth << "\" height=\""
      << plotHeight << "\" fill=\"none\" stroke=\"#404040\"/>\n"
      << "<text x=\"" << kLeft + plotWidth / 2 << "\" y=\"" << kHeight - 15
      << "\" text-anchor=\"middle\">value</text>\n"
      << "<text x=\"20\" y=\"" << kTop + plotHeight / 2
      << "\" text-anchor=\"middle\" transform=\"rotate(-90 20 " << kTop + plotHeight / 2
      << ")\">price (gold)</text>\n";
  // The curve from left to right, whatever order the values came in, and its points while
  // they are few enough to tell apart.
  std::vector<std::size_t> order(prices.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return request.values[a] < request.values[b];
  });
  svg << "<polyline fill=\"none\" stroke=\"#1f6fb4\" stroke-width=\"2\" points=\"";
  for (std::size_t i : order) {
    svg << (i != order.front() ? " " : "") << Number(x(request.values[i])) << ","
        << Number(y(prices[i]));
  }
  svg << "\"/>\n";
  if (prices.size() <= 80) {
    for (std::size_t i = 0; i < prices.size(); ++i) {
      svg << "<circle cx=\"" << Number(x(request.values[i])) << "\" cy=\"" << Number(y(prices[i]))
          << "\" r=\"3\" fill=\"#1f6fb4\"><title>" << request.values[i] << " -> " << prices[i]
          << "</title></circle>\n";
    }
  }
  svg << "</svg>\n";
  return svg.str();
}

}  // namespace vialmark::simulator
