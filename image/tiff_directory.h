// The TIFF header and the first image file directory: the tag values the reader uses, as the
// file states them. Checking them against each other is the layout's business.
#pragma once

#include <cstdint>

#include "base/runtime.h"
#include "image/tiff_file.h"

namespace vl::image {

// TIFF field types the reader accepts for numbers.
constexpr std::uint16_t kTiffByte = 1;
constexpr std::uint16_t kTiffShort = 3;
constexpr std::uint16_t kTiffLong = 4;
constexpr std::uint16_t kTiffRational = 5;

// Where the values of an array tag (strip offsets, byte counts, colour map) lie.
struct TiffArray {
  bool present = false;
  std::uint16_t type = 0;      // kTiffShort or kTiffLong
  std::uint32_t count = 0;     // values
  std::uint64_t position = 0;  // offset from the TIFF base of value 0; the entry's own value
                               // field when all values fit in its 4 bytes
  std::uint32_t valueBytes() const { return type == kTiffShort ? 2 : 4; }
};

struct TiffDirectory {
  std::uint32_t width = 0;                  // 256, pixels
  std::uint32_t height = 0;                 // 257 ImageLength, rows
  std::uint32_t bitsPerSample = 1;          // 258; a stated 0 is taken as 8
  std::uint32_t compression = 1;            // 259
  std::uint32_t photometric = 0;            // 262
  std::uint32_t fillOrder = 1;              // 266: 2 sends each byte's low bit first
  std::uint32_t fileSamplesPerPixel = 1;    // 277, samples as stored, extra samples included
  std::uint32_t rowsPerStrip = 0xFFFFFFFF;  // 278, rows; absent means one strip
  std::uint32_t minSample = 0;              // 280
  std::uint32_t maxSample = 255;            // 281
  double xResolution = 0.0;                 // 282, pixels per inch; 0 when absent or unusable
  double yResolution = 0.0;                 // 283
  std::uint32_t planarConfig = 1;           // 284
  std::uint32_t t4Options = 0;              // 292: bit 0 two-dimensional, bit 1 uncompressed
  std::uint32_t t6Options = 0;              // 293: bit 1 uncompressed mode allowed
  std::uint32_t predictor = 1;              // 317
  std::uint32_t tileWidth = 0;              // 322, pixels; 0 when the image is in strips
  std::uint32_t tileLength = 0;             // 323, rows
  std::uint32_t extraSamples = 0;           // 338: how many
  std::uint32_t firstExtraSample = 0;       // 338: what the first one means
  TiffArray offsets;                        // 273 StripOffsets or 324 TileOffsets
  TiffArray byteCounts;                     // 279 StripByteCounts or 325 TileByteCounts
  TiffArray colorMap;                       // 320, 16-bit entries
};

// Reads the header at the start of the TIFF data (after a DOS EPS header when there is one,
// which sets file.base), the byte order (into file.order) and the first directory. A value of
// a type that cannot hold the tag's number shows "TIFF getlong format error." or "TIFF
// getrational format error." (once per read) and the tag reads as 0.
TiffStatus ReadTiffDirectory(TiffFile& file, base::Runtime& rt, TiffDirectory& dir);

}  // namespace vl::image
