// Screen colour of a packed CMYK colour word, for the image window and the metafile writer.
#pragma once

#include <cstdint>

#include "art/artwork.h"

namespace vl::art {

// Inverts the three colour inks and darkens them by the black ink, then tempers colours in
// which green or blue outweighs red.
Rgb displayColor(std::uint32_t cmyk);

}  // namespace vl::art
