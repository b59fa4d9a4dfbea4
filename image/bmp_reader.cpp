// The BMP reader: the file header, one of the information headers (the 12-byte core header, or
// the 40-byte one and its longer successors with colour masks), the palette, then rows padded to
// 4 bytes, bottom-up unless the height is negative, or run-length data.
#include "image/bmp_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "base/message_table.h"
#include "platform/byte_order.h"
#include "image/byte_input.h"
#include "image/raster_fill.h"
#include "image/reader_progress.h"

namespace vl::image {

namespace {

constexpr std::size_t kInputBufferBytes = 64 * 1024;
constexpr int kFileHeaderBytes = 14;
constexpr std::uint32_t kCoreHeaderBytes = 12;
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kLargestHeaderBytes = 124;  // the fifth version of the header
constexpr std::uint32_t kHeaderSizes[] = {12, 40, 52, 56, 64, 108, 124};

enum Compression : std::uint32_t {
  kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6
};
constexpr std::uint16_t kUnset = 0xFFFF;  // a pixel run-length data never reached

struct BmpHeader {
  std::uint32_t dataOffset = 0;
  std::uint32_t infoSize = 0;
  std::int64_t width = 0, height = 0;
  bool topDown = false;
  int bits = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t colorsUsed = 0;
  std::int32_t xPerMetre = 0, yPerMetre = 0;
  std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
};

// One colour channel of a direct-colour pixel.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t maxValue = 0;

  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    maxValue = m >> shift;
  }
  std::uint8_t operator()(std::uint32_t pixel) const {
    if (mask == 0) return 0;
    return ScaleTo8(std::min((pixel & mask) >> shift, maxValue), maxValue);
  }
};

using Palette = std::array<std::array<std::uint8_t, 3>, 256>;

bool ReadHeader(ByteInput& in, BmpHeader& h, bool& known) {
  std::array<std::uint8_t, kFileHeaderBytes + 4> head{};
  known = true;
  if (!in.read(head) || head[0] != 'B' || head[1] != 'M') return false;
  h.dataOffset = platform::LoadLe32(&head[10]);
  h.infoSize = platform::LoadLe32(&head[14]);
  if (std::find(std::begin(kHeaderSizes), std::end(kHeaderSizes), h.infoSize) ==
      std::end(kHeaderSizes)) {
    known = false;
    return false;
  }
  std::array<std::uint8_t, kLargestHeaderBytes> info{};
  if (!in.read({info.data() + 4, h.infoSize - 4})) return false;
  if (h.infoSize == kCoreHeaderBytes) {
    h.width = platform::LoadLe16(&info[4]);
    h.height = platform::LoadLe16(&info[6]);
    h.bits = platform::LoadLe16(&info[10]);
    return true;
  }
  h.width = static_cast<std::int32_t>(platform::LoadLe32(&info[4]));
  h.height = static_cast<std::int32_t>(platform::LoadLe32(&info[8]));
  h.bits = platform::LoadLe16(&info[14]);
  h.compression = platform::LoadLe32(&info[16]);
  h.xPerMetre = static_cast<std::int32_t>(platform::LoadLe32(&info[24]));
  h.yPerMetre = static_cast<std::int32_t>(platform::LoadLe32(&info[28]));
  h.colorsUsed = platform::LoadLe32(&info[32]);
  if (h.height < 0) {
    h.topDown = true;
    h.height = -h.height;
  }
  if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
    // The masks end the longer headers, or follow the 40-byte one.
    const int count = h.compression == kAlphaBitFields ? 4 : 3;
    std::array<std::uint8_t, 16> masks{};
    if (h.infoSize > kInfoHeaderBytes) {
      std::copy(info.begin() + 40, info.begin() + std::min<std::uint32_t>(h.infoSize, 56),
                masks.begin());
    } else if (!in.read({masks.data(), std::size_t(count) * 4})) {
      return false;
    }
    for (int i = 0; i < 4; ++i) h.masks[i] = platform::LoadLe32(&masks[4 * i]);
    if (h.infoSize == 52 || (h.infoSize == kInfoHeaderBytes && count == 3)) h.masks[3] = 0;
  } else if (h.bits == 16) {
    h.masks = {0x7C00, 0x03E0, 0x001F, 0};
  } else if (h.bits == 32) {
    h.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};  // the fourth byte is not alpha
  }
  return true;
}

bool Supported(const BmpHeader& h) {
  switch (h.compression) {
    case kRgb: return h.bits == 1 || h.bits == 4 || h.bits == 8 || h.bits == 16 || h.bits == 24 || h.bits == 32;
    case kRle8: return h.bits == 8;
    case kRle4: return h.bits == 4;
    case kBitFields:
    case kAlphaBitFields: return h.bits == 16 || h.bits == 32;
    default: return false;  // embedded JPEG or PNG, OS/2 Huffman
  }
}

bool IsBlackOrWhite(const std::array<std::uint8_t, 3>& c) {
  return (c[0] == 0 && c[1] == 0 && c[2] == 0) || (c[0] == 255 && c[1] == 255 && c[2] == 255);
}

// Feeds image rows from pixels given as palette indices or as RGB.
class RowSink {
 public:
  RowSink(RasterImage& image, PixelKind kind, const Palette& palette, std::uint8_t* work)
      : image_(image), kind_(kind), palette_(palette), work_(work) {}

  // Indices, kUnset for background.
  void indices(std::int32_t y, const std::uint16_t* idx, std::int32_t width) {
    const int samples = kind_ == PixelKind::kRgb ? 3 : 1;
    for (std::int32_t x = 0; x < width; ++x) {
      if (idx[x] == kUnset) {
        std::memset(work_ + samples * x, 255, samples);
      } else {
        std::memcpy(work_ + samples * x, palette_[idx[x]].data(), samples);
      }
    }
    emit(y, width);
  }
  // Samples already in the image's own layout in work().
  void emit(std::int32_t y, std::int32_t width) {
    if (kind_ == PixelKind::kBilevel) {
      PackInkRow(work_, width, BitRow(image_, y));
    } else {
      storeColorRow(image_, y, {work_, std::size_t(width) * image_.samplesPerPixel});
    }
  }
  std::uint8_t* work() { return work_; }

 private:
  RasterImage& image_;
  PixelKind kind_;
  const Palette& palette_;
  std::uint8_t* work_;
};

// Image row of the file's row r.
std::int32_t ImageRow(const BmpHeader& h, std::int64_t r) {
  return static_cast<std::int32_t>(h.topDown ? r : h.height - 1 - r);
}

ReadOutcome ReadRunLengths(ByteInput& in, base::Runtime& rt, const BmpHeader& h, RowSink& sink,
                           std::uint16_t* idx) {
  const auto width = static_cast<std::int32_t>(h.width);
  const bool four = h.compression == kRle4;
  ReaderProgress progress(rt, h.height);
  std::int64_t r = 0;
  std::int64_t x = 0;
  std::fill(idx, idx + width, kUnset);
  auto put = [&](std::uint16_t value) {
    if (x < width) idx[x] = value;
    ++x;
  };
  // Ends row r; false once the user stopped.
  auto endRow = [&]() {
    if (!progress.beforeStep(r)) return false;
    if (r < h.height) sink.indices(ImageRow(h, r), idx, width);
    ++r;
    x = 0;
    std::fill(idx, idx + width, kUnset);
    return true;
  };
  while (r < h.height) {
    std::uint8_t count = 0, value = 0;
    if (!in.next(count) || !in.next(value)) return FailRead(rt, msg::kBmpDamaged);
    if (count > 0) {  // a run
      for (int k = 0; k < count; ++k) put(four ? (k % 2 == 0 ? value >> 4 : value & 0x0F) : value);
      continue;
    }
    if (value == 0) {  // end of line
      if (!endRow()) return kReadStopped;
    } else if (value == 1) {  // end of bitmap: the rows left are background
      while (r < h.height) {
        if (!endRow()) return kReadStopped;
      }
    } else if (value == 2) {  // move right and up (down the file)
      std::uint8_t dx = 0, dy = 0;
      if (!in.next(dx) || !in.next(dy)) return FailRead(rt, msg::kBmpDamaged);
      const std::int64_t keepX = x + dx;
      for (int k = 0; k < dy && r < h.height; ++k) {
        if (!endRow()) return kReadStopped;
      }
      x = keepX;
    } else {  // `value` pixels as stored, padded to a 16-bit boundary
      const int bytes = four ? (value + 1) / 2 : value;
      for (int k = 0; k < bytes; ++k) {
        std::uint8_t b = 0;
        if (!in.next(b)) return FailRead(rt, msg::kBmpDamaged);
        if (!four) {
          put(b);
        } else {
          put(b >> 4);
          if (2 * k + 1 < value) put(b & 0x0F);
        }
      }
      if (bytes % 2 != 0 && !in.skip(1)) return FailRead(rt, msg::kBmpDamaged);
    }
  }
  return kReadDone;
}

ReadOutcome ReadStoredRows(ByteInput& in, base::Runtime& rt, RasterImage& image,
                           const BmpHeader& h, PixelKind kind, bool packedBits, RowSink& sink,
                           platform::Block& fileRow, std::uint16_t* idx) {
  const auto width = static_cast<std::int32_t>(h.width);
  const std::size_t stride = fileRow.size();
  const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
  ReaderProgress progress(rt, h.height);
  for (std::int64_t r = 0; r < h.height; ++r) {
    if (!progress.beforeStep(r)) return kReadStopped;
    std::uint8_t* row = fileRow.data();
    if (!in.read({row, stride})) return FailRead(rt, msg::kBmpDamaged);
    const std::int32_t y = ImageRow(h, r);
    if (packedBits) {
      std::memcpy(BitRow(image, y), row, (std::size_t(width) + 7) / 8);
      continue;
    }
    if (h.bits <= 8) {
      const int perByte = 8 / h.bits;
      const unsigned mask = (1u << h.bits) - 1;
      for (std::int32_t x = 0; x < width; ++x) {
        const int shift = 8 - h.bits * (x % perByte + 1);
        idx[x] = static_cast<std::uint16_t>((row[x / perByte] >> shift) & mask);
      }
      sink.indices(y, idx, width);
      continue;
    }
    std::uint8_t* out = sink.work();
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t rgb[3];
      std::uint32_t a = 255;
      if (h.bits == 24) {
        rgb[0] = row[3 * x + 2], rgb[1] = row[3 * x + 1], rgb[2] = row[3 * x];
      } else {
        const std::uint32_t p = h.bits == 16 ? platform::LoadLe16(row + 2 * x)
                                             : platform::LoadLe32(row + 4 * x);
        rgb[0] = red(p), rgb[1] = green(p), rgb[2] = blue(p);
        if (alpha.mask != 0) a = alpha(p);
      }
      if (kind == PixelKind::kRgb) {
        for (int c = 0; c < 3; ++c) out[3 * x + c] = OverWhite8(rgb[c], a);
      } else {
        out[x] = OverWhite8(rgb[0], a);
      }
    }
    sink.emit(y, width);
  }
  return kReadDone;
}

}  // namespace

bool LooksLikeBmp(const std::uint8_t* head, std::size_t size) {
  if (size < 18 || head[0] != 'B' || head[1] != 'M') return false;
  const std::uint32_t infoSize = platform::LoadLe32(head + 14);
  return std::find(std::begin(kHeaderSizes), std::end(kHeaderSizes), infoSize) !=
         std::end(kHeaderSizes);
}

ReadOutcome readBmp(RasterImage& image, base::Runtime& rt) {
  image.sourceFormat = kSourceBmp;
  std::array<std::uint8_t, kInputBufferBytes> buffer{};
  ByteInput in(image.fileHandle, buffer);
  BmpHeader h;
  bool known = true;
  if (!ReadHeader(in, h, known)) {
    return known ? FailRead(rt, msg::kBmpDamaged) : RefuseRead(rt, msg::kBmpUnsupported);
  }
  if (!Supported(h)) return RefuseRead(rt, msg::kBmpUnsupported);

  // The palette, over a background of black for indices past its end.
  Palette palette{};
  const bool indexed = h.bits <= 8;
  const std::uint32_t entries = indexed ? 1u << h.bits : 0;
  const std::uint32_t stated = h.colorsUsed == 0 ? entries : std::min(h.colorsUsed, entries);
  const int entryBytes = h.infoSize == kCoreHeaderBytes ? 3 : 4;
  bool allGray = true, blackWhite = true;
  for (std::uint32_t i = 0; i < entries; ++i) {
    std::uint8_t bgr[4] = {};
    if (i < stated && !in.read({bgr, std::size_t(entryBytes)})) return FailRead(rt, msg::kBmpDamaged);
    palette[i] = {bgr[2], bgr[1], bgr[0]};
    allGray = allGray && bgr[0] == bgr[1] && bgr[1] == bgr[2];
    blackWhite = blackWhite && IsBlackOrWhite(palette[i]);
  }

  RasterShape shape;
  shape.width = h.width;
  shape.height = h.height;
  shape.sourceBits = 8;
  // Direct colour with equal masks would be gray, but such files are rare: they read as RGB.
  shape.kind = indexed && allGray ? PixelKind::kGray : PixelKind::kRgb;
  shape.photometric = shape.kind == PixelKind::kGray ? kBlackIsZero
                      : indexed                      ? kPhotometricPalette
                                                     : kPhotometricRgb;
  // 1-bit rows of black and white are copied as stored; index 0 black means complemented at
  // completion, and two equal entries leave the rows blank for completion to keep or invert.
  const bool packedBits = h.bits == 1 && blackWhite && palette[0] != palette[1];
  if (h.bits == 1 && blackWhite) {
    shape.kind = PixelKind::kBilevel;
    shape.photometric = palette[0][0] == 0 ? kBlackIsZero : kWhiteIsZero;
  }
  const bool blank = h.bits == 1 && blackWhite && !packedBits;

  const bool runs = h.compression == kRle8 || h.compression == kRle4;
  const std::uint64_t stride = (static_cast<std::uint64_t>(std::max<std::int64_t>(h.width, 0)) * h.bits + 31) / 32 * 4;
  if (h.dataOffset < in.position() || !in.skip(h.dataOffset - in.position())) {
    return FailRead(rt, msg::kBmpDamaged);
  }
  // Stored rows must all be in the file before any layer is allocated for them.
  if (!runs && h.width >= 1 && h.width <= kMaxSidePixels && h.height <= kMaxSidePixels &&
      stride * static_cast<std::uint64_t>(std::max<std::int64_t>(h.height, 0)) >
          static_cast<std::uint64_t>(in.remaining())) {
    return FailRead(rt, msg::kBmpDamaged);
  }
  // Before the layers: a downsampled image halves the resolution.
  if (h.xPerMetre > 0) TakeFileResolution(h.xPerMetre / kInchesPerMetre, image.xResolution);
  if (h.yPerMetre > 0) TakeFileResolution(h.yPerMetre / kInchesPerMetre, image.yResolution);
  if (const ReadOutcome begun = BeginRaster(image, rt, shape, msg::kBmpDamaged); !begun.read())
    return begun;
  if (blank) return kReadDone;

  platform::Block fileRow, indices, work;
  const auto width = static_cast<std::size_t>(h.width);
  if (!fileRow.allocate(rt.memory, runs ? 1 : stride) ||
      !indices.allocate(rt.memory, width * sizeof(std::uint16_t)) ||
      !work.allocate(rt.memory, width * 3)) {
    return FailRead(rt, msg::kInsufficientMemory);
  }
  auto* idx = reinterpret_cast<std::uint16_t*>(indices.data());
  RowSink sink(image, shape.kind, palette, work.data());
  if (runs) return ReadRunLengths(in, rt, h, sink, idx);
  return ReadStoredRows(in, rt, image, h, shape.kind, packedBits, sink, fileRow, idx);
}

}  // namespace vl::image
