// The SVG writer: the artwork as a standalone SVG file for other drawing programs and browsers.
// The view box is the image in pixels (its true width, not the padded rows) and the page the
// same image in points at its resolution, so renderers place every pixel alike. Paths keep
// their order (later paths on top), their curves, their non-zero fill and their paint; grouped
// paths become groups of their own.
#pragma once

#include <string>

#include "art/art_writer_inputs.h"
#include "art/artwork.h"
#include "base/runtime.h"

namespace vl::art {

// sRGB colour of a paint: ink bytes subtracted from white (a channel's ink plus the black
// ink, limited to 255), gray for Black at its K strength, custom colours from the table at
// their tint. Nothing for None.
struct SvgColor {
  std::uint8_t r = 0, g = 0, b = 0;
};
bool SvgPaintColor(PaintType type, std::uint32_t packedColor, std::uint16_t customIndex,
                   std::uint8_t tint, const CustomColorList& customColors, SvgColor& out);

// Writes the SVG file, replacing a previous file only when complete, with progress and the
// abort poll. On failure shows message 12 (13 when unattended) and returns false. A stop by
// the user keeps the file, properly closed but holding only the paths written before it, and
// returns false with abortRequested set. With selectedOnly (the clipboard's copy) only the
// selected paths are written.
[[nodiscard]] bool SaveSvg(base::Runtime& rt, const Artwork& art, const ArtImageInfo& image,
             const CustomColorList& customColors, const std::string& fileName, bool unattended,
             bool selectedOnly = false);

}  // namespace vl::art
