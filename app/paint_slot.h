// One paint as the Paint Style palette and the program hold it: a paint type with its inks, and
// for a custom colour its tint and position in the custom colour table.
#pragma once

#include <cstdint>

namespace vl::app {

// A slot's paint type: the path paint types, plus Mixed when the selected paths differ.
enum class SlotType : std::uint8_t { kNone = 0, kWhite = 1, kBlack = 2, kProcess = 3,
                                     kCustom = 4, kMixed = 5 };
constexpr std::uint16_t kNoCustomColor = 65535;

struct PaintSlot {
  SlotType type = SlotType::kNone;
  std::uint8_t c = 0, m = 0, y = 0, k = 0;      // ink, 255 = full
  std::uint8_t strength = 255;                  // the tint of a custom colour
  std::uint16_t customIndex = kNoCustomColor;   // the custom colour; kNoCustomColor: none
  bool operator==(const PaintSlot&) const = default;
};

// The paint a new program starts with: full black.
constexpr PaintSlot kBlackPaint{SlotType::kBlack, 0, 0, 0, 255};

}  // namespace vl::app
