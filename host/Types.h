// Basic widths shared with the host, and the helper that pins a record's layout on both the
// 32-bit product and the 64-bit test builds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vialmark {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;
using i32 = std::int32_t;
using i64 = std::int64_t;
using uptr = std::uintptr_t;

inline constexpr bool kIs32Bit = sizeof(void*) == 4;

// Offsets and sizes of host records: the first figure is the real host's 32-bit layout, the
// second the 64-bit layout of our own test builds, where every address-sized word widens.
constexpr std::size_t Layout(std::size_t at32, std::size_t at64) { return kIs32Bit ? at32 : at64; }

// Form types of the host.
namespace FormType {
inline constexpr u32 kAny = 0;
inline constexpr u32 kMagicEffect = 18;
inline constexpr u32 kIngredient = 30;
inline constexpr u32 kPotion = 46;
}  // namespace FormType

// Class codes understood by host_HostCast.
enum class HostClass : u32 {
  kTESForm = 0,
  kAlchemyItem = 1,
  kIngredientItem = 2,
  kEffectHolder = 3,
  kValueComponent = 4,
  kWeightComponent = 5,
  kPeakValueModForm = 6,
  kLightForm = 7,
  kBoundWeaponForm = 8,
  kSummonCreatureForm = 9,
  kGuideForm = 10,
  kCloakForm = 11,
  kWerewolfForm = 12,
  kEnhanceWeaponForm = 13,
};
inline constexpr u32 kHostClassCount = 14;

}  // namespace vialmark

// The member-function convention of the compiler: table entries the host calls by position
// are free functions that must match it. Only 32-bit Windows differs from a plain call.
// GCC applies the convention to plain function types too, but warns under -Wpedantic; the
// regions that declare or define such entries switch that one warning off.
#if defined(_WIN32) && defined(__i386__)
#define VIALMARK_MEMBER_CALL __attribute__((thiscall))
#else
#define VIALMARK_MEMBER_CALL
#endif
#define VIALMARK_BEGIN_MEMBER_CALLS \
  _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wattributes\"")
#define VIALMARK_END_MEMBER_CALLS _Pragma("GCC diagnostic pop")
