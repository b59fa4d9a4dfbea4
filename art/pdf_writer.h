// The PDF writer: the artwork as a one-page PDF, drawn through cairo. The page, the paint and
// the strokes follow the EPS exactly: the same page size in points, every point at the same
// tenth of a point, fills by the non-zero rule, strokes of the path's weight with projecting
// square caps, mitred joins (limit 2), closed when both painted ("b"), open when only stroked
// ("S"); colours as the SVG gives them (inks subtracted from white).
#pragma once

#include <string>

#include "art/art_writer_inputs.h"
#include "art/artwork.h"
#include "base/runtime.h"

namespace vl::art {

// Writes the PDF file, replacing a previous file only when complete, with progress and the
// abort poll. On failure shows message 12 (13 when unattended) and returns false. A stop by the
// user keeps the file, a complete document holding only the paths drawn before it, and returns
// false with abortRequested set.
[[nodiscard]] bool SavePdf(base::Runtime& rt, const Artwork& art, const ArtImageInfo& image,
                           const CustomColorList& customColors, const std::string& fileName,
                           bool unattended);

}  // namespace vl::art
