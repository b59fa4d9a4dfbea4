// The TIFF writer. Layout: an 8-byte header, the image data from byte 8, an 11-entry directory,
// then the resolution rational. The header is written last, once the directory's offset is
// known. A preview picks rows and columns with 16.16 fixed-point accumulators.
#include "image/tiff_writer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/message_table.h"
#include "platform/byte_order.h"
#include "base/progress.h"
#include "base/scratch_files.h"
#include "image/bit_row.h"
#include "image/packbits_encoder.h"
#include "image/replacing_write.h"

namespace vl::image {

namespace {

constexpr double kPreviewResolution = 72.0;   // pixels per inch
constexpr std::uint32_t kFixedOne = 0x10000;  // 1.0 in 16.16 fixed point
constexpr std::uint32_t kHeaderBytes = 8;
constexpr int kEntryCount = 11;
constexpr std::uint32_t kEntryBytes = 12;
// Entry count, entries, the next-directory offset: the rational follows.
constexpr std::uint32_t kDirectoryBytes = 2 + kEntryCount * kEntryBytes + 4;  // 138
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kTypeRational = 5;
constexpr std::uint16_t kCompressionNone = 1;
constexpr std::uint16_t kCompressionPackBits = 32773;

// Scale factor of one direction: never above 1, so a preview is never larger than the image.
double previewFactor(double resolution) {
  return resolution > kPreviewResolution ? kPreviewResolution / resolution : 1.0;
}

// Takes a source row (column) whenever the accumulator's whole part is not zero, clearing that
// part; adds the factor after every source row (column). Starting at 1.0, the first is taken.
class Picker {
 public:
  explicit Picker(double factor) : step_(static_cast<std::uint32_t>(factor * kFixedOne)) {}
  bool next() {
    const bool take = (accumulator_ >> 16) != 0;
    if (take) accumulator_ &= kFixedOne - 1;
    accumulator_ += step_;
    return take;
  }

 private:
  std::uint32_t step_;
  std::uint32_t accumulator_ = kFixedOne;
};

std::int32_t scaledSize(std::int32_t size, double factor) {
  return std::max<std::int32_t>(1, static_cast<std::int32_t>(size * factor + 0.999));
}

// Writes that remember whether one failed (the checked write then showed the message and raised
// the abort flag) as opposed to being skipped after the user's stop.
struct TiffOutput {
  base::Runtime& rt;
  platform::FileHandle file;
  std::uint64_t written = 0;
  bool failed = false;

  bool put(const void* data, std::size_t bytes) {
    if (rt.state.abortRequested) return false;
    if (base::CheckedWrite(rt, file, data, bytes) != bytes) {
      failed = true;
      return false;
    }
    written += bytes;
    return true;
  }
};

void putEntry(std::uint8_t*& p, std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
  platform::StoreBe16(p, tag);
  platform::StoreBe16(p + 2, type);
  platform::StoreBe32(p + 4, 1);
  if (type == kTypeShort) {
    platform::StoreBe16(p + 8, static_cast<std::uint16_t>(value));  // a SHORT sits first
    platform::StoreBe16(p + 10, 0);
  } else {
    platform::StoreBe32(p + 8, value);
  }
  p += kEntryBytes;
}

std::uint16_t photometricFor(const RasterImage& image) {
  if (IsBilevel(image)) return kWhiteIsZero;  // 1 = black, as in the bit layer
  switch (image.samplesPerPixel) {
    case 1: return kBlackIsZero;
    case 4: return kPhotometricSeparated;
    default: return kPhotometricRgb;
  }
}

}  // namespace

TiffPreviewSize PreviewSizeFor(const RasterImage& image) {
  return {scaledSize(image.width, previewFactor(image.xResolution)),
          scaledSize(image.height, previewFactor(image.yResolution))};
}

TiffOutcome writeTiff(base::Runtime& rt, const RasterImage& image, platform::FileHandle file,
                      int saveMode) {
  const bool preview = saveMode == kTiffPreview;
  const bool bilevel = IsBilevel(image);
  const std::int32_t spp = bilevel ? 1 : std::max<std::int32_t>(image.samplesPerPixel, 1);
  const double fx = preview ? previewFactor(image.xResolution) : 1.0;
  const double fy = preview ? previewFactor(image.yResolution) : 1.0;
  const std::int32_t outWidth = preview ? scaledSize(image.width, fx) : image.width;
  const std::size_t outRowBytes = bilevel ? (static_cast<std::size_t>(outWidth) + 7) / 8
                                          : static_cast<std::size_t>(outWidth) * spp;
  const std::int64_t base = platform::TellPosition(file);

  // The strip's offsets are 32-bit: an image too large for them cannot be a TIFF.
  const std::uint64_t largestData =
      std::uint64_t{bilevel ? PackBitsBound(outRowBytes) : outRowBytes} *
      static_cast<std::uint64_t>(std::max<std::int32_t>(image.height, 0));
  if (base < 0 || largestData > 0xFFFFFFFFull - kHeaderBytes - kDirectoryBytes - 8) {
    base::ShowMessage(rt, msg::kDiskFullOrLocked);
    rt.state.abortRequested = 1;
    return TiffOutcome::kFailed;
  }

  // Source span (with its replicated pixel), output row and PackBits buffer.
  const std::size_t spanBytes =
      bilevel ? 0 : static_cast<std::size_t>(std::max<std::int32_t>(image.colorRowBytes, 0)) + spp;
  platform::Block buffers;
  if (!buffers.allocate(rt.memory, spanBytes + outRowBytes + PackBitsBound(outRowBytes) + 1)) {
    base::ShowMessage(rt, msg::kInsufficientMemory);
    rt.state.abortRequested = 1;
    return TiffOutcome::kFailed;
  }
  std::uint8_t* span = buffers.data();
  std::uint8_t* outRow = span + spanBytes;
  std::uint8_t* packed = outRow + outRowBytes;

  TiffOutput out{rt, file};
  const std::array<std::uint8_t, kHeaderBytes> placeholder{};
  out.put(placeholder.data(), placeholder.size());

  std::uint32_t rowsWritten = 0;
  Picker rows(fy);
  for (std::int32_t y = 0; y < image.height && !out.failed; ++y) {
    if (!rows.next()) continue;
    if (base::PollAbort(rt) != 0) break;
    std::memset(outRow, 0, outRowBytes);
    Picker columns(fx);
    std::int32_t n = 0;  // output column
    if (bilevel) {
      const std::uint8_t* src = BitRow(image, y);
      for (std::int32_t x = 0; x < image.width && n < outWidth; ++x) {
        if (!columns.next()) continue;
        if (BitAt(src, x)) SetBitAt(outRow, n);
        ++n;
      }
      const std::size_t bytes =
          EncodePackBitsRow({outRow, outRowBytes}, {packed, PackBitsBound(outRowBytes)});
      out.put(packed, bytes);
    } else {
      readColorSpan(image, 0, y, image.colorRowBytes, span);
      for (std::int32_t x = 0; x < image.width && n < outWidth; ++x) {
        if (!columns.next()) continue;
        std::memcpy(outRow + std::size_t(n) * spp, span + std::size_t(x) * spp, std::size_t(spp));
        ++n;
      }
      out.put(outRow, outRowBytes);
    }
    ++rowsWritten;
  }
  if (out.failed) return TiffOutcome::kFailed;
  if (rt.state.abortRequested) return TiffOutcome::kStopped;

  const auto directoryOffset = static_cast<std::uint32_t>(out.written);
  const std::uint32_t rationalOffset = directoryOffset + kDirectoryBytes;
  const double resolution = preview ? kPreviewResolution : std::max(image.yResolution, 1.0);
  std::array<std::uint8_t, kDirectoryBytes + 8> directory{};
  std::uint8_t* p = directory.data();
  platform::StoreBe16(p, kEntryCount);
  p += 2;
  putEntry(p, 255, kTypeShort, 1);  // SubfileType
  putEntry(p, 256, kTypeShort, static_cast<std::uint32_t>(outWidth));
  putEntry(p, 257, kTypeShort, rowsWritten);
  putEntry(p, 258, kTypeShort, bilevel ? 1 : 8);
  putEntry(p, 259, kTypeShort, bilevel ? kCompressionPackBits : kCompressionNone);
  putEntry(p, 262, kTypeShort, photometricFor(image));
  putEntry(p, 273, kTypeLong, kHeaderBytes);  // StripOffsets
  putEntry(p, 277, kTypeShort, static_cast<std::uint32_t>(spp));
  putEntry(p, 279, kTypeLong, directoryOffset - kHeaderBytes);  // StripByteCounts
  putEntry(p, 282, kTypeRational, rationalOffset);
  putEntry(p, 283, kTypeRational, rationalOffset);
  platform::StoreBe32(p, 0);  // no next directory
  platform::StoreBe32(p + 4, static_cast<std::uint32_t>(resolution));
  platform::StoreBe32(p + 8, 1);
  if (!out.put(directory.data(), directory.size())) {
    return out.failed ? TiffOutcome::kFailed : TiffOutcome::kStopped;
  }

  std::array<std::uint8_t, kHeaderBytes> header{'M', 'M'};
  platform::StoreBe16(header.data() + 2, 42);
  platform::StoreBe32(header.data() + 4, directoryOffset);
  if (!platform::SeekTo(file, base) || !out.put(header.data(), header.size()) ||
      !platform::SeekEnd(file)) {
    if (!out.failed) {
      base::ShowMessage(rt, msg::kDiskFullOrLocked);
      rt.state.abortRequested = 1;
    }
    return TiffOutcome::kFailed;
  }
  return TiffOutcome::kWritten;
}

bool WriteTiffFile(base::Runtime& rt, const RasterImage& image, const std::string& path) {
  return WriteReplacing(rt, path, [&](platform::FileHandle f) {
    return writeTiff(rt, image, f, kTiffFullImage) == TiffOutcome::kWritten;
  });
}

}  // namespace vl::image
