// Convert To Circle, Oval, Square and Rectangle: each selected path is replaced by a regular
// shape fitted to its anchors' box.
#pragma once

#include <cstdint>

#include "art/artwork.h"

namespace vl::art {

enum class ShapeKind { kCircle = 0, kOval = 1, kSquare = 2, kRectangle = 3 };

// Replaces every selected path by the shape; circles and squares keep to the image
// (imageWidth x imageHeight art units). Paths whose box has no width or no height, and paths
// whose point array cannot take 26 words, are skipped. Returns the number of paths changed.
int ConvertTo(Artwork& art, ShapeKind shape, std::int32_t imageWidth, std::int32_t imageHeight);

}  // namespace vl::art
