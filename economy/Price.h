// The price formula and the way a price is stored into a potion.
#pragma once

#include "binding/NativeFunction.h"
#include "host/GameRecords.h"

namespace vialmark {

// truncate(max(1, pow(value, exponent) / (value / divisor + 1) * multiplier + addend)), with
// the game's widths and rounding at every step.
u32 ComputePrice(u32 value, float exponent, float divisor, float multiplier, float addend);
// Marks the potion's value as manual and stores the price.
void StorePotionPrice(AlchemyItem* potion, u32 price);

void SetSinglePotionPrice(StaticFunctionTag*, AlchemyItem* potion, u32 value, float exponent,
                          float divisor, float multiplier, float addend);

}  // namespace vialmark
