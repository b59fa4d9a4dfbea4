// The shared set-up and pixel arithmetic of the PNG, JPEG, PNM and BMP readers.
#include "image/raster_fill.h"

#include "base/message_table.h"
#include "image/bit_row.h"

namespace vl::image {

namespace {
constexpr double kMinFileResolution = 24.0;    // pixels per inch
constexpr double kMaxFileResolution = 4000.0;  // pixels per inch

int SamplesOf(PixelKind kind) {
  switch (kind) {
    case PixelKind::kRgb: return 3;
    case PixelKind::kCmyk: return 4;
    default: return 1;
  }
}
}  // namespace

void TakeFileResolution(double statedPixelsPerInch, double& resolution) {
  if (statedPixelsPerInch >= kMinFileResolution && statedPixelsPerInch <= kMaxFileResolution) {
    resolution = statedPixelsPerInch;
  }
}

ReadOutcome BeginRaster(RasterImage& image, base::Runtime& rt, const RasterShape& shape,
                        int damagedMessage) {
  if (shape.width < 1 || shape.height < 1) return FailRead(rt, damagedMessage);
  if (shape.width > kMaxSidePixels || shape.height > kMaxSidePixels) {
    return RefuseRead(rt, msg::kImageTooLarge);
  }
  const bool bilevel = shape.kind == PixelKind::kBilevel;
  image.bitsPerSample = static_cast<std::int16_t>(bilevel ? 1 : shape.sourceBits);
  image.samplesPerPixel = static_cast<std::int16_t>(SamplesOf(shape.kind));
  image.photometric = shape.photometric;
  setGeometry(image, static_cast<std::int32_t>(shape.width),
              static_cast<std::int32_t>(shape.height));
  image.fileRowBytes = image.width * image.samplesPerPixel;
  image.colorRowBytes = image.fileRowBytes;
  image.zoomX = image.zoomY = kZoomOne;
  if (!allocateBitLayer(image, rt.memory)) return FailRead(rt, msg::kInsufficientMemory);
  if (bilevel) return kReadDone;
  // prepareColorLayer shows its memory message itself.
  if (!prepareColorLayer(image, rt)) return ReadFailed(msg::kInsufficientMemory);
  // Rows of these files cannot be paged from the file later: the layer must be held.
  if (!image.colorInMemory) return FailRead(rt, msg::kInsufficientMemory);
  return kReadDone;
}

void PackInkRow(const std::uint8_t* gray, std::int32_t widthPixels, std::uint8_t* bitRow) {
  std::int32_t x = 0;
  for (; x + 8 <= widthPixels; x += 8) {
    unsigned byte = 0;
    for (int b = 0; b < 8; ++b) byte = (byte << 1) | (gray[x + b] < 128 ? 1u : 0u);
    bitRow[x >> 3] = static_cast<std::uint8_t>(byte);
  }
  for (; x < widthPixels; ++x)
    if (gray[x] < 128) SetBitAt(bitRow, x);
}

void CompositeRow8(const std::uint8_t* in, int channels, std::int32_t pixels, std::uint8_t* out) {
  const int colour = channels - 1;
  for (std::int32_t x = 0; x < pixels; ++x, in += channels, out += colour) {
    const std::uint8_t alpha = in[colour];
    for (int c = 0; c < colour; ++c) out[c] = OverWhite8(in[c], alpha);
  }
}

void CompositeRow16(const std::uint16_t* in, int channels, std::int32_t pixels,
                    std::uint8_t* out) {
  const int colour = channels - 1;
  for (std::int32_t x = 0; x < pixels; ++x, in += channels, out += colour) {
    const std::uint16_t alpha = in[colour];
    for (int c = 0; c < colour; ++c) out[c] = OverWhite16To8(in[c], alpha);
  }
}

}  // namespace vl::image
