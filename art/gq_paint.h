// The paint lines of the GQ body: a fill colour (lower-case operators) or a stroke colour
// (upper case), in the form its paint type asks for.
#pragma once

#include <cstdint>

#include "art/artwork.h"
#include "art/gq_writer.h"

namespace vl::art {

// packedColor: packed CMYK; customIndex and tint (255 = full strength) are used by Custom.
void writePaint(GqWriter& w, bool isStroke, PaintType type, std::uint32_t packedColor,
                std::uint16_t customIndex, std::uint8_t tint);

}  // namespace vl::art
