// Reading colour spans from the uncompressed strips of the still open TIFF file.
#include "image/tiff_paged_rows.h"

#include <algorithm>
#include <cstring>

#include "image/tiff_samples.h"

namespace vl::image {

namespace {

// Pixels converted per file read; a multiple of 8, so every piece starts on a byte boundary
// whatever the sample size.
constexpr std::int32_t kPiecePixels = 256;
constexpr std::size_t kMaxStoredPixelBytes = kMaxFileSamples * 2;  // 16 samples of 16 bits

struct PagedRows {
  TiffFile file;  // size, base and byte order; the handle is the image's at each call
  TiffArray offsets;
  std::int32_t rowsPerStrip = 1;
  std::int64_t fileRowBytes = 0;
  int bitsPerPixel = 8;  // stored bits of one pixel, extra samples included
  int bits = 8;
  int storedSamples = 1;
  int keptSamples = 1;
  bool palette = false;
  std::array<std::uint8_t, kPaletteTableBytes> paletteTable{};

  bool operator()(const RasterImage& image, std::int32_t xBytes, std::int32_t y,
                  std::int32_t countBytes, std::uint8_t* out) const;
};

bool PagedRows::operator()(const RasterImage& image, std::int32_t xBytes, std::int32_t y,
                           std::int32_t countBytes, std::uint8_t* out) const {
  if (countBytes <= 0) return countBytes == 0;
  if (xBytes < 0 || y < 0 || y >= image.height) return false;
  TiffFile f = file;
  f.handle = image.fileHandle;

  // The strip's offset, read again from the table in the file.
  const std::int32_t strip = y / rowsPerStrip;
  const std::uint32_t entryBytes = offsets.valueBytes();
  std::uint8_t entry[4];
  if (!f.read(offsets.position + std::uint64_t(strip) * entryBytes, entry, entryBytes)) {
    return false;
  }
  const std::uint64_t rowAt = (entryBytes == 2 ? f.load16(entry) : f.load32(entry)) +
                              std::uint64_t(y % rowsPerStrip) * fileRowBytes;

  SampleFormat format;
  format.bits = bits;
  format.storedSamples = storedSamples;
  format.keptSamples = keptSamples;
  format.bigEndian = f.bigEndian();
  format.palette = palette ? paletteTable.data() : nullptr;
  const std::int32_t spp = format.outSamples();

  const std::int32_t firstPixel = xBytes / spp;
  const std::int32_t endPixel = (xBytes + countBytes - 1) / spp + 1;
  std::uint8_t stored[kPiecePixels * kMaxStoredPixelBytes];
  std::uint8_t converted[kPiecePixels * 4];
  for (std::int32_t p = firstPixel - firstPixel % 8; p < endPixel; p += kPiecePixels) {
    const std::int32_t n = std::min(kPiecePixels, endPixel - p);
    const std::int64_t from = std::int64_t{p} * bitsPerPixel / 8;
    const std::int64_t to = (std::int64_t{p + n} * bitsPerPixel + 7) / 8;
    if (!f.read(rowAt + from, stored, static_cast<std::size_t>(to - from))) return false;
    ConvertSamples(format, stored, n, converted);
    // The part of this piece's bytes that the span asks for.
    const std::int64_t pieceFirst = std::int64_t{p} * spp;
    const std::int64_t lo = std::max<std::int64_t>(pieceFirst, xBytes);
    const std::int64_t hi = std::min<std::int64_t>(pieceFirst + std::int64_t{n} * spp,
                                                   std::int64_t{xBytes} + countBytes);
    if (hi > lo) std::memcpy(out + (lo - xBytes), converted + (lo - pieceFirst), hi - lo);
  }
  return true;
}

}  // namespace

FileSpanReader MakeTiffFileSpanReader(const TiffFile& file, const TiffLayout& layout) {
  PagedRows rows;
  rows.file = file;
  rows.offsets = layout.offsets;
  rows.rowsPerStrip = layout.chunkRows;
  rows.fileRowBytes = layout.fileRowBytes;
  rows.bits = layout.bits;
  rows.storedSamples = layout.fileSamples;
  rows.bitsPerPixel = layout.bits * layout.fileSamples;
  rows.keptSamples = layout.samples;
  rows.palette = layout.palette;
  rows.paletteTable = layout.paletteTable;
  return rows;
}

}  // namespace vl::image
