// Sun raster and the program's own bitmap file: a header, then the rows as stored, each into
// its bit-layer row (the bit-layer row being the stored row rounded up to 4 bytes).
#include "image/sun_raster_reader.h"

#include <array>

#include "base/message_table.h"
#include "platform/byte_order.h"
#include "image/byte_input.h"
#include "image/reader_progress.h"

namespace vl::image {

namespace {

constexpr std::size_t kInputBufferBytes = 4096;
constexpr int kSunHeaderBytes = 32;
constexpr std::uint32_t kSunTypeOld = 0;
constexpr std::uint32_t kSunTypeStandard = 1;
constexpr int kBitmapHeaderBytes = 14;

// Geometry from the stored row length, the bit layer, then `height` rows of rowBytes each.
ReadOutcome readStoredRows(RasterImage& image, base::Runtime& rt, ByteInput& in,
                           std::int64_t widthPixels, std::int64_t heightPixels,
                           std::int64_t rowBytes) {
  if (heightPixels <= 0 || rowBytes <= 0 || widthPixels <= 0 || heightPixels > kMaxSidePixels ||
      widthPixels > kMaxSidePixels || rowBytes > kMaxSidePixels) {
    return FailRead(rt, msg::kUnknownInputFormat);
  }
  if (!SetGeometryFromRowBytes(image, static_cast<std::int32_t>(widthPixels),
                               static_cast<std::int32_t>(heightPixels),
                               static_cast<std::int32_t>(rowBytes)) ||
      heightPixels * rowBytes > in.remaining()) {
    return FailRead(rt, msg::kUnknownInputFormat);
  }
  image.bitsPerSample = 1;
  image.samplesPerPixel = 1;
  image.photometric = kWhiteIsZero;
  image.fileRowBytes = static_cast<std::int32_t>(rowBytes);
  if (!allocateBitLayer(image, rt.memory)) return FailRead(rt, msg::kInsufficientMemory);

  ReaderProgress progress(rt, image.height);
  for (std::int32_t y = 0; y < image.height; ++y) {
    if (!progress.beforeStep(y)) return kReadStopped;
    if (!in.read({BitRow(image, y), static_cast<std::size_t>(rowBytes)})) {
      return FailRead(rt, msg::kUnknownInputFormat);
    }
  }
  return kReadDone;
}

}  // namespace

ReadOutcome readSunRaster(RasterImage& image, base::Runtime& rt) {
  std::array<std::uint8_t, kInputBufferBytes> buffer{};
  ByteInput in(image.fileHandle, buffer);
  std::array<std::uint32_t, kSunHeaderBytes / 4> word{};
  for (std::uint32_t& w : word) {
    if (!in.be32(w)) return FailRead(rt, msg::kUnknownInputFormat);
  }
  const auto [signature, width, height, depth, dataLength, type, mapType, mapLength] = word;
  (void)dataLength;  // the rows' own size is known from the header
  if (signature != kSunRasterMagic) return FailRead(rt, msg::kUnknownInputFormat);
  if (depth != 1) return RefuseRead(rt, msg::kSunRasterNotBilevel);
  if (type != kSunTypeOld && type != kSunTypeStandard) {
    return RefuseRead(rt, msg::kSunRasterCompressed);
  }
  if (mapType != 0 && !in.skip(mapLength)) return FailRead(rt, msg::kUnknownInputFormat);
  // Rows are padded to 16 bits.
  const std::int64_t rowBytes = (std::int64_t{width} + 15) / 16 * 2;
  return readStoredRows(image, rt, in, width, height, rowBytes);
}

ReadOutcome readBitmapFile(RasterImage& image, base::Runtime& rt) {
  std::array<std::uint8_t, kInputBufferBytes> buffer{};
  ByteInput in(image.fileHandle, buffer);
  std::array<std::uint8_t, kBitmapHeaderBytes> header{};
  if (!in.read(header)) return FailRead(rt, msg::kUnknownInputFormat);
  // Signed 16-bit fields, least significant byte first.
  auto field = [&header](int offset) {
    return std::int64_t{static_cast<std::int16_t>(platform::LoadLe16(header.data() + offset))};
  };
  const std::int64_t rowBytes = field(4);
  const std::int64_t top = field(6), left = field(8), bottom = field(10), right = field(12);
  return readStoredRows(image, rt, in, right - left, bottom - top, rowBytes);
}

}  // namespace vl::image
