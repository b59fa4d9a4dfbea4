// Validation of a TIFF directory and the storage layout derived from it.
#include "image/tiff_layout.h"

#include <algorithm>

#include "base/message_table.h"
#include "image/raster_image.h"

namespace vl::image {

namespace {

// Samples a photometric interpretation needs; 0 for those this reader does not show.
int SamplesFor(std::uint32_t photometric) {
  switch (photometric) {
    case kWhiteIsZero:
    case kBlackIsZero:
    case kPhotometricPalette: return 1;
    case kPhotometricRgb: return 3;
    case kPhotometricSeparated: return 4;
    default: return 0;
  }
}

bool SupportedBits(std::uint32_t bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16;
}

bool SupportedCompression(std::uint32_t c) {
  return c == kCompressionNone || c == kCompressionCcittRle || c == kCompressionCcittGroup3 ||
         c == kCompressionCcittGroup4 || c == kCompressionLzw || c == kCompressionDeflate ||
         c == kCompressionDeflateOld || c == kCompressionWordRows || c == kCompressionPackBits;
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }

TiffStatus ReadPalette(const TiffDirectory& dir, const TiffFile& file, TiffLayout& layout) {
  const TiffArray& map = dir.colorMap;
  if (!map.present || map.count < 12 || map.count > kPaletteTableBytes) {
    return msg::kTiffIncompleteData;
  }
  std::uint8_t entries[2 * kPaletteTableBytes];
  if (!file.read(map.position, entries, 2 * std::size_t{map.count})) {
    return msg::kTiffIncompleteData;
  }
  // Each entry repeated so that an index widened to 8 bits selects its colour directly; the
  // high byte of the 16-bit value is kept.
  const std::uint32_t repeat = kPaletteTableBytes / map.count;
  for (std::uint32_t i = 0; i < map.count; ++i) {
    const auto value = static_cast<std::uint8_t>(file.load16(entries + 2 * i) >> 8);
    std::fill_n(layout.paletteTable.begin() + i * repeat, repeat, value);
  }
  return kTiffOk;
}

}  // namespace

TiffStatus ComputeTiffLayout(const TiffDirectory& dir, const TiffFile& file, TiffLayout& layout) {
  layout = TiffLayout{};
  if (dir.width == 0 || dir.height == 0 || !dir.offsets.present) return msg::kTiffIncompleteData;
  if (dir.width > std::uint32_t(kMaxSidePixels) || dir.height > std::uint32_t(kMaxSidePixels)) {
    return msg::kTiffUnimplementedEncoding;
  }
  layout.width = static_cast<std::int32_t>(dir.width);
  layout.height = static_cast<std::int32_t>(dir.height);
  layout.bigEndian = file.bigEndian();

  if (!SupportedBits(dir.bitsPerSample) || !SupportedCompression(dir.compression)) {
    return msg::kTiffUnimplementedEncoding;
  }
  layout.bits = static_cast<int>(dir.bitsPerSample);
  layout.compression = dir.compression;

  // Polarity: MinSampleValue above MaxSampleValue means the two were written the other way
  // round, and a gray or bilevel image's white and black change places.
  std::uint32_t photometric = dir.photometric;
  const bool grayOrBilevel = photometric == kWhiteIsZero || photometric == kBlackIsZero;
  if (dir.maxSample < dir.minSample && grayOrBilevel) {
    photometric = photometric == kWhiteIsZero ? kBlackIsZero : kWhiteIsZero;
  }
  layout.photometric = static_cast<int>(photometric);

  // Samples: the extra samples are dropped; so are surplus samples a writer left undeclared
  // (RGBA without ExtraSamples), so that they are never taken for another colour model.
  const int wanted = SamplesFor(photometric);
  if (wanted == 0 || dir.fileSamplesPerPixel == 0 || dir.fileSamplesPerPixel > kMaxFileSamples ||
      dir.extraSamples >= dir.fileSamplesPerPixel) {
    return msg::kTiffUnimplementedEncoding;
  }
  layout.fileSamples = static_cast<int>(dir.fileSamplesPerPixel);
  const int kept = layout.fileSamples - static_cast<int>(dir.extraSamples);
  if (kept < wanted) return msg::kTiffUnimplementedEncoding;
  layout.samples = wanted;
  layout.palette = photometric == kPhotometricPalette;
  layout.planar = dir.planarConfig == 2 && layout.fileSamples > 1;
  layout.planes = layout.planar ? layout.samples : 1;
  layout.chunkSamples = layout.planar ? 1 : layout.fileSamples;
  // Only rows of nothing but 1-bit pixels go to the bit layer as they stand; 1-bit pixels
  // interleaved with extra samples are widened like any other gray samples.
  layout.bilevel = layout.bits == 1 && layout.samples == 1 && layout.chunkSamples == 1 &&
                   !layout.palette;

  // Chunks.
  layout.tiled = dir.tileWidth != 0 || dir.tileLength != 0;
  if (layout.tiled) {
    if (dir.tileWidth == 0 || dir.tileLength == 0) return msg::kTiffIncompleteData;
    if (dir.tileWidth > kMaxTileSide || dir.tileLength > kMaxTileSide) {
      return msg::kTiffUnimplementedEncoding;
    }
    layout.chunkWidth = static_cast<std::int32_t>(dir.tileWidth);
    layout.chunkRows = static_cast<std::int32_t>(dir.tileLength);
  } else {
    if (dir.rowsPerStrip == 0) return msg::kTiffIncompleteData;
    layout.chunkWidth = layout.width;
    layout.chunkRows =
        static_cast<std::int32_t>(std::min<std::uint32_t>(dir.rowsPerStrip, dir.height));
  }
  layout.across = CeilDiv(layout.width, layout.chunkWidth);
  layout.down = CeilDiv(layout.height, layout.chunkRows);
  layout.chunksPerPlane = layout.across * layout.down;

  const std::int64_t bitsPerPixel = std::int64_t{layout.bits} * layout.chunkSamples;
  layout.chunkRowBytes = (bitsPerPixel * layout.chunkWidth + 7) / 8;
  layout.fileRowBytes = (bitsPerPixel * layout.width + 7) / 8;
  layout.chunkBytesWithoutCounts = layout.fileRowBytes * layout.height;

  // What each compression can carry.
  const bool oneBitRows = layout.bits == 1 && layout.chunkSamples == 1;
  switch (layout.compression) {
    case kCompressionCcittRle:
      if (!oneBitRows) return msg::kTiffUnimplementedEncoding;
      break;
    case kCompressionCcittGroup3:
    case kCompressionCcittGroup4: {
      // Uncompressed mode (an escape into raw pixels inside the code stream) is not decoded.
      const bool group3 = layout.compression == kCompressionCcittGroup3;
      const std::uint32_t uncompressedBit = group3 ? dir.t4Options & 2u : dir.t6Options & 2u;
      if (!oneBitRows || uncompressedBit != 0 || dir.fillOrder > 2) {
        return msg::kTiffUnimplementedEncoding;
      }
      layout.faxTwoDimensional = group3 && (dir.t4Options & 1u) != 0;
      layout.lowBitFirst = dir.fillOrder == 2;
      break;
    }
    case kCompressionWordRows:
      // Rows padded to 32 bits, as the bit layer keeps them: bilevel strips only.
      if (!layout.bilevel || layout.planar || layout.tiled || layout.fileSamples != 1) {
        return msg::kTiffUnimplementedEncoding;
      }
      layout.chunkRowBytes = (std::int64_t{layout.width} + 31) / 32 * 4;
      layout.fileRowBytes = layout.chunkRowBytes;
      layout.chunkBytesWithoutCounts = layout.fileRowBytes * layout.height;
      break;
    case kCompressionLzw:
    case kCompressionDeflate:
    case kCompressionDeflateOld:
      if (dir.predictor == 2) {
        if (layout.bits != 8 && layout.bits != 16) return msg::kTiffUnimplementedEncoding;
        layout.predictor = true;
      } else if (dir.predictor != 1) {
        return msg::kTiffUnimplementedEncoding;
      }
      break;
    default: break;
  }

  // The offset table (and the byte counts, when given) must name every chunk decoded.
  const std::int64_t needed = layout.chunksPerPlane * layout.planes;
  layout.offsets = dir.offsets;
  layout.byteCounts = dir.byteCounts;
  if (layout.offsets.count < needed) return msg::kTiffIncompleteData;
  if (layout.byteCounts.present && layout.byteCounts.count < needed) {
    return msg::kTiffIncompleteData;
  }

  if (layout.palette) return ReadPalette(dir, file, layout);
  return kTiffOk;
}

}  // namespace vl::image
