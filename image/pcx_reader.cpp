// The PCX reader. Every line of every plane is run-length decoded from one stream; a run that
// reaches past a line's end continues on the next line, so the decoder keeps its run between
// lines. A pixel row is complete when all its plane lines are decoded.
#include "image/pcx_reader.h"

#include <algorithm>
#include <array>

#include "base/message_table.h"
#include "image/bit_row.h"
#include "platform/byte_order.h"
#include "image/byte_input.h"
#include "image/reader_progress.h"

namespace vl::image {

namespace {

constexpr std::size_t kInputBufferBytes = 4096;
constexpr int kHeaderBytes = 128;
constexpr std::uint8_t kManufacturer = 10;
constexpr std::uint8_t kPaletteVersion = 5;
// The 256-colour palette: a marker byte 12, then 768 bytes of R, G, B, at the end of the file.
constexpr std::uint8_t kPaletteMarker = 12;
constexpr std::int64_t kPaletteBytes = 768;
constexpr double kMaxSpanInches = 11.0;

// How the plane lines make up a pixel.
enum class Layout {
  kBilevel,       // 1 plane of 1 bit, 1 = white
  kGray,          // 1 plane of 8 bits
  kPalette,       // 1 plane of 8-bit indices into the 256-colour palette
  kBytePlanes,    // 3 planes of 8 bits: red, green, blue
  kRgbBitPlanes,  // 3 planes of 1 bit: red, green, blue at half intensity
  kEgaBitPlanes,  // 4 planes of 1 bit: blue, green, red, the fourth ignored
};

struct PcxHeader {
  std::uint8_t version = 0;
  std::uint8_t bitsPerPixel = 0;       // per plane
  std::int64_t width = 0, height = 0;  // pixels
  std::uint8_t planes = 0;
  std::int64_t lineBytes = 0;  // per plane
};

// The plane arrangements this reader knows; two planes, or more than one plane of other depths,
// are not a known layout.
bool chooseLayout(const PcxHeader& h, bool hasPalette, Layout& layout) {
  if (h.planes == 1 && h.bitsPerPixel == 1)
    layout = Layout::kBilevel;
  else if (h.planes == 1 && h.bitsPerPixel == 8)
    layout = hasPalette ? Layout::kPalette : Layout::kGray;
  else if (h.planes == 3 && h.bitsPerPixel == 8)
    layout = Layout::kBytePlanes;
  else if (h.planes == 3 && h.bitsPerPixel == 1)
    layout = Layout::kRgbBitPlanes;
  else if (h.planes == 4 && h.bitsPerPixel == 1)
    layout = Layout::kEgaBitPlanes;
  else
    return false;
  return true;
}

// The run-length decoder: a byte with both top bits set repeats the next byte (its low 6 bits)
// times; any other byte stands for itself. The current run survives the end of a line.
class RunDecoder {
 public:
  explicit RunDecoder(ByteInput& in) : in_(in) {}

  bool line(std::uint8_t* out, std::int64_t count) {
    std::int64_t i = 0;
    while (i < count) {
      if (left_ == 0) {
        std::uint8_t b = 0;
        if (!in_.next(b)) return false;
        if ((b & 0xC0) == 0xC0) {
          left_ = b & 0x3F;
          if (!in_.next(value_)) return false;
          continue;  // a run of 0 produces nothing
        }
        value_ = b;
        left_ = 1;
      }
      const std::int64_t take = std::min<std::int64_t>(left_, count - i);
      std::fill(out + i, out + i + take, value_);
      i += take;
      left_ -= static_cast<int>(take);
    }
    return true;
  }

 private:
  ByteInput& in_;
  std::uint8_t value_ = 0;
  int left_ = 0;  // bytes of the current run still to produce
};

// One pixel row of interleaved samples from its decoded plane lines.
void assembleRow(Layout layout, const PcxHeader& h, const std::uint8_t* lines,
                 const std::array<std::uint8_t, kPaletteBytes>& palette, std::uint8_t* row) {
  const std::int64_t w = h.width;
  const std::int64_t stride = h.lineBytes;
  switch (layout) {
    case Layout::kGray:
      // Stored complemented: the load's completion complements white-is-zero gray again.
      for (std::int64_t x = 0; x < w; ++x) row[x] = static_cast<std::uint8_t>(255 - lines[x]);
      break;
    case Layout::kPalette:
      for (std::int64_t x = 0; x < w; ++x) {
        const std::uint8_t* rgb = palette.data() + 3 * lines[x];
        std::copy(rgb, rgb + 3, row + 3 * x);
      }
      break;
    case Layout::kBytePlanes:
      for (std::int64_t x = 0; x < w; ++x) {
        for (int p = 0; p < 3; ++p) row[3 * x + p] = lines[p * stride + x];
      }
      break;
    case Layout::kRgbBitPlanes:
      for (std::int64_t x = 0; x < w; ++x) {
        std::uint8_t* px = row + 3 * x;
        px[0] = BitAt(lines, x) ? 128 : 0;
        px[1] = BitAt(lines + stride, x) ? 128 : 0;
        px[2] = 0;
        if (BitAt(lines + 2 * stride, x)) {
          if (px[0] == 128 && px[1] == 128)
            px[0] = px[1] = px[2] = 192;  // light gray
          else
            px[2] = 128;
        }
      }
      break;
    case Layout::kEgaBitPlanes:
      for (std::int64_t x = 0; x < w; ++x) {
        std::uint8_t* px = row + 3 * x;
        px[2] = BitAt(lines, x) ? 255 : 0;               // plane 0: blue
        px[1] = BitAt(lines + stride, x) ? 255 : 0;      // plane 1: green
        px[0] = BitAt(lines + 2 * stride, x) ? 255 : 0;  // plane 2: red
      }
      break;
    case Layout::kBilevel: break;
  }
}

ReadOutcome readBilevel(RasterImage& image, base::Runtime& rt, RunDecoder& decoder,
                        const PcxHeader& h, platform::Block& line) {
  const auto copyBytes =
      static_cast<std::size_t>(std::min<std::int64_t>(h.lineBytes, image.bitRowBytes));
  ReaderProgress progress(rt, image.height);
  for (std::int32_t y = 0; y < image.height; ++y) {
    if (!progress.beforeStep(y)) return kReadStopped;
    if (!decoder.line(line.data(), h.lineBytes)) return FailRead(rt, msg::kUnknownInputFormat);
    std::uint8_t* row = BitRow(image, y);
    std::copy(line.data(), line.data() + copyBytes, row);
    std::fill(row + copyBytes, row + image.bitRowBytes, std::uint8_t{0xFF});  // white once flipped
    for (std::int32_t i = 0; i < image.bitRowBytes; ++i)
      row[i] = static_cast<std::uint8_t>(~row[i]);
  }
  return kReadDone;
}

}  // namespace

ReadOutcome readPcx(RasterImage& image, base::Runtime& rt, double screenPixelsPerInch) {
  std::array<std::uint8_t, kInputBufferBytes> buffer{};
  ByteInput in(image.fileHandle, buffer);
  std::array<std::uint8_t, kHeaderBytes> raw{};
  if (!in.read(raw) || raw[0] != kManufacturer) return FailRead(rt, msg::kUnknownInputFormat);

  PcxHeader h;
  h.version = raw[1];
  h.bitsPerPixel = raw[3];
  h.width = std::int64_t{platform::LoadLe16(&raw[8])} - platform::LoadLe16(&raw[4]) + 1;
  h.height = std::int64_t{platform::LoadLe16(&raw[10])} - platform::LoadLe16(&raw[6]) + 1;
  h.planes = raw[65];
  h.lineBytes = platform::LoadLe16(&raw[66]);

  // The 256-colour palette of version 5 single-plane files ends the file; it is not image data.
  std::array<std::uint8_t, kPaletteBytes> palette{};
  bool hasPalette = false;
  const std::int64_t paletteAt = in.fileSize() - kPaletteBytes - 1;
  if (h.version == kPaletteVersion && h.planes == 1 && h.bitsPerPixel == 8 &&
      paletteAt >= kHeaderBytes) {
    std::array<std::uint8_t, kPaletteBytes + 1> tail{};
    ByteInput end(image.fileHandle, buffer, paletteAt);
    hasPalette = end.read(tail) && tail[0] == kPaletteMarker;
    if (hasPalette) std::copy(tail.begin() + 1, tail.end(), palette.begin());
    in = ByteInput(image.fileHandle, buffer, kHeaderBytes);
    if (hasPalette) in.limitTo(paletteAt);
  }

  Layout layout = Layout::kBilevel;
  if (h.width < 1 || h.width > kMaxSidePixels || h.height < 1 || h.height > kMaxSidePixels ||
      !chooseLayout(h, hasPalette, layout)) {
    return FailRead(rt, msg::kUnknownInputFormat);
  }
  // Each plane line must hold the whole row.
  const std::int64_t needed = h.bitsPerPixel == 1 ? (h.width + 7) / 8 : h.width;
  if (h.lineBytes < needed) return FailRead(rt, msg::kUnknownInputFormat);

  const bool bilevel = layout == Layout::kBilevel;
  image.bitsPerSample = bilevel ? 1 : 8;
  image.samplesPerPixel = bilevel ? 1 : (layout == Layout::kGray ? 1 : 3);
  image.photometric = kWhiteIsZero;
  image.fileRowBytes = static_cast<std::int32_t>(h.lineBytes);
  setGeometry(image, static_cast<std::int32_t>(h.width), static_cast<std::int32_t>(h.height));
  // The image spans at most 11 inches.
  const double spanned = std::max(image.paddedWidth, image.height) / kMaxSpanInches;
  image.xResolution = image.yResolution = std::max(screenPixelsPerInch, spanned);

  platform::Block lines;
  if (!allocateBitLayer(image, rt.memory) ||
      !lines.allocate(rt.memory, static_cast<std::size_t>(h.lineBytes * h.planes))) {
    return FailRead(rt, msg::kInsufficientMemory);
  }
  RunDecoder decoder(in);
  if (bilevel) return readBilevel(image, rt, decoder, h, lines);

  const std::int32_t sourceWidth = image.width;  // before any 2:1 downsampling
  platform::Block row;
  // prepareColorLayer shows its memory message itself.
  if (!prepareColorLayer(image, rt)) return ReadFailed(msg::kInsufficientMemory);
  if (!image.colorInMemory ||
      !row.allocate(rt.memory, static_cast<std::size_t>(sourceWidth) * image.samplesPerPixel)) {
    return FailRead(rt, msg::kInsufficientMemory);
  }
  ReaderProgress progress(rt, h.height);
  for (std::int32_t y = 0; y < static_cast<std::int32_t>(h.height); ++y) {
    if (!progress.beforeStep(y)) return kReadStopped;
    for (int p = 0; p < h.planes; ++p) {
      if (!decoder.line(lines.data() + p * h.lineBytes, h.lineBytes)) {
        return FailRead(rt, msg::kUnknownInputFormat);
      }
    }
    assembleRow(layout, h, lines.data(), palette, row.data());
    storeColorRow(image, y, {row.data(), row.size()});
  }
  return kReadDone;
}

ReadOutcome readPcx(RasterImage& image, base::Runtime& rt) {
  return readPcx(image, rt, kDefaultScreenPixelsPerInch);
}

}  // namespace vl::image
