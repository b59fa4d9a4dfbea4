// How the pixels of one TIFF image are stored: the checks that the directory's values make a
// picture this reader can decode, and the sizes derived from them (all computed in 64 bits
// before anything is allocated). Strips are chunks as wide as the image; tiles are chunks of
// their own width; planar images repeat the chunk sequence once per sample.
#pragma once

#include <array>
#include <cstdint>

#include "base/runtime.h"
#include "image/tiff_directory.h"
#include "image/tiff_file.h"

namespace vl::image {

constexpr std::uint32_t kCompressionNone = 1;
constexpr std::uint32_t kCompressionCcittRle = 2;
constexpr std::uint32_t kCompressionCcittGroup3 = 3;  // T.4, one- or two-dimensional
constexpr std::uint32_t kCompressionCcittGroup4 = 4;  // T.6
constexpr std::uint32_t kCompressionLzw = 5;
constexpr std::uint32_t kCompressionDeflate = 8;
constexpr std::uint32_t kCompressionDeflateOld = 32946;  // the same, by its earlier number
constexpr std::uint32_t kCompressionWordRows = 32771;  // uncompressed, rows of bitRowBytes
constexpr std::uint32_t kCompressionPackBits = 32773;

constexpr std::size_t kPaletteTableBytes = 768;  // red 0-255, green 256-511, blue 512-767
constexpr std::uint32_t kMaxFileSamples = 16;     // stored samples per pixel this reader takes
constexpr std::uint32_t kMaxTileSide = 65536;     // pixels

struct TiffLayout {
  std::int32_t width = 0;   // pixels of the stored image (before any 2:1 downsampling)
  std::int32_t height = 0;  // rows
  int bits = 1;             // stored bits per sample: 1, 2, 4, 8 or 16
  int fileSamples = 1;      // stored samples per pixel, extra samples included
  int samples = 1;          // samples kept per pixel: 1, 3 or 4 (a palette index counts 1)
  int photometric = 0;      // after the MinSampleValue/MaxSampleValue exchange
  bool bilevel = false;     // rows of 1-bit pixels and nothing else: decoded to the bit layer
  bool palette = false;     // indices expanded through paletteTable to 3 samples
  bool planar = false;      // one plane per sample (PlanarConfiguration 2, several samples)
  std::uint32_t compression = kCompressionNone;
  bool predictor = false;   // LZW and Deflate rows undo horizontal differencing
  bool faxTwoDimensional = false;  // Group 3 rows may be coded against the row above
  bool lowBitFirst = false;        // CCITT Group 3 and 4 data with FillOrder 2
  bool bigEndian = false;

  bool tiled = false;
  std::int32_t chunkWidth = 0;       // pixels in a chunk row: width, or the tile width
  std::int32_t chunkRows = 0;        // rows per strip (at most height), or the tile length
  std::int64_t across = 1;           // chunks side by side
  std::int64_t down = 1;             // chunks one under the other
  std::int64_t chunksPerPlane = 1;
  int planes = 1;                    // planes decoded: samples when planar, else 1
  int chunkSamples = 1;              // interleaved samples in a chunk row: 1 when planar
  std::int64_t chunkRowBytes = 0;    // bytes of one stored chunk row
  std::int64_t fileRowBytes = 0;     // bytes of one stored image row (of one plane if planar)
  std::int64_t chunkBytesWithoutCounts = 0;  // a chunk's length when no byte counts are given

  TiffArray offsets;
  TiffArray byteCounts;  // present() false: chunk lengths are taken as chunkBytesWithoutCounts
  std::array<std::uint8_t, kPaletteTableBytes> paletteTable{};

  // Whether whole chunks are decoded at once (LZW, Deflate) rather than row by row.
  bool stripCodec() const {
    return compression == kCompressionLzw || compression == kCompressionDeflate ||
           compression == kCompressionDeflateOld;
  }
  bool faxCodec() const {
    return compression == kCompressionCcittGroup3 || compression == kCompressionCcittGroup4;
  }

  // Offset-table index of chunk c of plane p.
  std::int64_t chunkIndex(int plane, std::int64_t c) const { return plane * chunksPerPlane + c; }
};

// Checks the directory and derives the layout; reads the colour map. Returns a message number
// for what cannot be read: "TIFF error: Incomplete data." for missing or inconsistent data,
// "Unimplemented TIFF encoding." for encodings, depths and sample counts this reader does not
// decode (and for sides beyond 32767 pixels).
TiffStatus ComputeTiffLayout(const TiffDirectory& dir, const TiffFile& file, TiffLayout& layout);

}  // namespace vl::image
