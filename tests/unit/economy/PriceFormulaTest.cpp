// The price formula: every width and rounding step changes gold values in the game, so each row
// pins one of them.
#include <gtest/gtest.h>

#include <limits>

#include "economy/Price.h"

namespace vialmark {
namespace {

struct PriceRow {
  u32 value;
  float exponent;
  float divisor;
  float multiplier;
  float addend;
  u32 price;
  const char* why;
};

const PriceRow kRows[] = {
    {100, 1, 100, 1, 0, 50, "plain damping: 100 / (100/100 + 1)"},
    {100, 1.5f, 50, 2, 10, 676, "power, damping, multiplier and addend together"},
    {20, 2, 10, 1, 0, 133, "400 / 3 truncated"},
    {7, 1, 1, 0.1f, 0, 1, "0.0875 is raised to 1"},
    {0, 1, 100, 1, 0, 1, "zero input is raised to 1"},
    {50, 1, 0, 1, 5, 5, "value / 0 is infinite, so the quotient is 0"},
    {0, 1, 0, 1, 5, 0, "0 / 0 is NaN, which is not raised and truncates to 0"},
    {16777217, 1, 1e30f, 1, 0, 16777216, "the input is rounded to a float first"},
    {4294967295u, 1, 1e30f, 1, 0, 0, "2^32 keeps only its low 32 bits"},
    {3000000000u, 1, 1e30f, 1, 0, 3000000000u, "an input of 2^31 or more stays positive"},
    {10, 1, 1e30f, 1, 0.99f, 10, "10.99 truncates toward zero"},
    {1, 1, 1e30f, 1, -3e9f, 1, "a large negative result is raised to 1"},
    {2, 100, 1e30f, 1, 0, 0, "2^100 is beyond 2^63 and gives 0"},
    {2, 40, 1e30f, 1, 0, 0, "2^40 keeps only its low 32 bits"},
    {4096, 1, 1e30f, 1048577, 0, 4096, "2^32 + 4096 keeps only its low 32 bits"},
    {2, 33, 1e30f, 1, 5, 0, "the addend is lost when 2^33 + 5 is rounded to a float"},
};

TEST(ComputePrice, FollowsEveryStep) {
  for (const PriceRow& row : kRows) {
    EXPECT_EQ(ComputePrice(row.value, row.exponent, row.divisor, row.multiplier, row.addend),
              row.price)
        << row.why;
  }
}

TEST(ComputePrice, NonFiniteParametersNeverTrap) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(ComputePrice(100, nan, 100, 1, 0), 0u);
  EXPECT_EQ(ComputePrice(100, 1, 100, inf, 0), 0u);
  EXPECT_EQ(ComputePrice(100, 1, 100, -inf, 0), 1u);
  EXPECT_EQ(ComputePrice(100, 1, nan, 1, 0), 0u);
}

}  // namespace
}  // namespace vialmark
