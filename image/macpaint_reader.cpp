// The MacPaint reader: after the 512-byte header, one PackBits stream that fills the whole
// picture. Runs may cross row ends, so the stream is unpacked as a whole rather than row by row.
#include "image/macpaint_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/message_table.h"
#include "image/byte_input.h"
#include "image/reader_progress.h"

namespace vl::image {

namespace {

constexpr std::int64_t kHeaderBytes = 512;
constexpr std::int32_t kRowBytes = kMacPaintWidthPixels / 8;                             // 72
constexpr std::int64_t kPictureBytes = std::int64_t{kRowBytes} * kMacPaintHeightPixels;  // 51840
constexpr std::size_t kInputBufferBytes = 128;
constexpr double kResolution = 72.0;  // pixels per inch

}  // namespace

ReadOutcome readMacPaint(RasterImage& image, base::Runtime& rt) {
  std::array<std::uint8_t, kInputBufferBytes> buffer{};
  ByteInput in(image.fileHandle, buffer, kHeaderBytes);
  if (in.fileSize() <= kHeaderBytes) return FailRead(rt, msg::kUnknownInputFormat);

  image.bitsPerSample = 1;
  image.samplesPerPixel = 1;
  image.photometric = kWhiteIsZero;
  image.xResolution = image.yResolution = kResolution;
  image.fileRowBytes = kRowBytes;
  setGeometry(image, kMacPaintWidthPixels, kMacPaintHeightPixels);
  if (!allocateBitLayer(image, rt.memory)) return FailRead(rt, msg::kInsufficientMemory);

  // Output position in the picture, bytes; row = produced / 72.
  std::int64_t produced = 0;
  auto emit = [&image, &produced](const std::uint8_t* bytes, std::int64_t count, bool repeat) {
    while (count > 0 && produced < kPictureBytes) {
      const auto row = static_cast<std::int32_t>(produced / kRowBytes);
      const std::int64_t column = produced % kRowBytes;
      const std::int64_t take = std::min(count, kRowBytes - column);
      std::uint8_t* dst = BitRow(image, row) + column;
      if (repeat)
        std::memset(dst, *bytes, static_cast<std::size_t>(take));
      else
        std::memcpy(dst, bytes, static_cast<std::size_t>(take));
      if (!repeat) bytes += take;
      produced += take;
      count -= take;
    }
  };

  ReaderProgress progress(rt, kMacPaintHeightPixels);
  std::array<std::uint8_t, 128> literal{};
  std::int64_t polledRow = -1;
  while (produced < kPictureBytes) {
    if (produced / kRowBytes != polledRow) {
      polledRow = produced / kRowBytes;
      if (!progress.beforeStep(polledRow)) return kReadStopped;
    }
    std::uint8_t control = 0;
    if (!in.next(control)) return FailRead(rt, msg::kUnknownInputFormat);
    const int n = static_cast<std::int8_t>(control);
    if (n >= 0) {
      const std::span<std::uint8_t> bytes(literal.data(), static_cast<std::size_t>(n) + 1);
      if (!in.read(bytes)) return FailRead(rt, msg::kUnknownInputFormat);
      emit(bytes.data(), n + 1, false);
    } else if (n != -128) {
      std::uint8_t value = 0;
      if (!in.next(value)) return FailRead(rt, msg::kUnknownInputFormat);
      emit(&value, 1 - n, true);
    }
  }
  return kReadDone;
}

}  // namespace vl::image
