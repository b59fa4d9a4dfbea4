// The fixed parts of a GQ/EPS file: the header (structuring comments, prolog, setup and the
// initial graphics state) and the trailer.
#pragma once

#include <cstdint>

#include "art/art_writer_inputs.h"
#include "art/gq_writer.h"

namespace vl::art {

// Computes the page scale into w.page, then writes the header for w.format and w.preview.
// colorUsage: the packed fill and stroke colours of all paths ORed together.
void writeHeader(GqWriter& w, const ArtImageInfo& image, const SaveStamp& stamp,
                 std::uint32_t colorUsage);

void writeTrailer(GqWriter& w);

}  // namespace vl::art
