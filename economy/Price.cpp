#include "economy/Price.h"

#include <cmath>

namespace vialmark {

u32 ComputePrice(u32 value, float exponent, float divisor, float multiplier, float addend) {
  const float x = static_cast<float>(value);
  const float p =
      static_cast<float>(std::pow(static_cast<double>(x), static_cast<double>(exponent)));
  const double q = static_cast<double>(x) / static_cast<double>(divisor) + 1.0;
  float r = static_cast<float>(static_cast<double>(p) / q * static_cast<double>(multiplier) +
                               static_cast<double>(addend));
  // A NaN is not raised: it compares false.
  if (r < 1.0f) r = 1.0f;
  return TruncateToU32(r);
}

void StorePotionPrice(AlchemyItem* potion, u32 price) {
  potion->alchemyFlags |= kManualValueBit;
  potion->manualValue = static_cast<i32>(price);
}

void SetSinglePotionPrice(StaticFunctionTag*, AlchemyItem* potion, u32 value, float exponent,
                          float divisor, float multiplier, float addend) {
  if (potion == nullptr) return;
  StorePotionPrice(potion, ComputePrice(value, exponent, divisor, multiplier, addend));
}

}  // namespace vialmark
