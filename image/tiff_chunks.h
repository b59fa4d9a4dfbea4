// Decoding the strips or tiles of a TIFF image into the raster image's layers, with the
// "Reading Image Data" progress and the user's abort test before every row.
#pragma once

#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/tiff_file.h"
#include "image/tiff_layout.h"
#include "platform/memory_block.h"

namespace vl::image {

// The chunk offsets and, when the file gives them, byte counts of every chunk decoded, as
// 32-bit numbers (offsets from the TIFF base, lengths in bytes).
struct ChunkTable {
  platform::Block offsets;
  platform::Block byteCounts;  // empty when the file has no byte counts
  std::uint32_t offset(std::int64_t i) const { return offsets.as<std::uint32_t>()[i]; }
  std::uint32_t byteCount(std::int64_t i) const { return byteCounts.as<std::uint32_t>()[i]; }
};

// Reads the tables for the chunks the layout decodes (their extent checked against the file
// before anything is allocated).
TiffStatus LoadChunkTable(const TiffFile& file, const TiffLayout& layout,
                          platform::MemoryBudget& budget, ChunkTable& table);

// Decodes every chunk into the bit layer (bilevel) or the colour layer, which the caller has
// allocated for the layout. On failure the layers hold a partial picture for the caller to
// release.
TiffStatus DecodeTiffChunks(RasterImage& image, base::Runtime& rt, const TiffFile& file,
                            const TiffLayout& layout, const ChunkTable& table);

// For rows left in the file: every strip's rows must lie inside the file.
TiffStatus CheckStoredStrips(const TiffFile& file, const TiffLayout& layout,
                             const ChunkTable& table);

}  // namespace vl::image
