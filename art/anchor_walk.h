// Stepping from anchor to anchor through a point array, for the readers inside the artwork.
// A curve flag on the last anchor (which a sound array never has) simply ends the walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "art/artwork.h"

namespace vl::art::detail {

// Word offset of the anchor after the one at `at`: two words on for a line, six for a curve.
inline std::size_t NextAnchor(std::span<const std::uint16_t> words, std::size_t at) {
  return at + ((words[at] & kCurveBit) ? 6 : 2);
}

inline bool HasAnchorAt(std::span<const std::uint16_t> words, std::size_t at) {
  return at + 1 < words.size();
}

inline std::int32_t X(std::span<const std::uint16_t> words, std::size_t at) {
  return words[at] & kCoordinateMask;
}

inline std::int32_t Y(std::span<const std::uint16_t> words, std::size_t at) {
  return words[at + 1] & kCoordinateMask;
}

}  // namespace vl::art::detail
