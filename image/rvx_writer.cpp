// The RVX writer: the fixed 68-byte header with the resolution resource, then each channel as
// a plane, row by row from the top. CMYK samples are stored complemented (255 = no ink).
#include "image/rvx_writer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/message_table.h"
#include "platform/byte_order.h"
#include "base/scratch_files.h"
#include "image/replacing_write.h"
#include "image/rvx_format.h"

namespace vl::image {

namespace {

// Header, colour mode data length, resources length, the resolution block, layer length and
// compression.
constexpr std::size_t kFileHeaderBytes =
    rvx::kHeaderBytes + 4 + 4 + rvx::kResolutionBlockBytes + 4 + 2;

std::uint16_t modeFor(const RasterImage& image) {
  if (IsBilevel(image)) return rvx::kModeBitmap;
  switch (image.samplesPerPixel) {
    case 1: return rvx::kModeGray;
    case 4: return rvx::kModeCmyk;
    default: return rvx::kModeRgb;
  }
}

std::uint32_t fixed(double resolution) {
  return static_cast<std::uint32_t>(std::clamp(resolution, 0.0, 65535.0) * rvx::kFixedOne);
}

std::array<std::uint8_t, kFileHeaderBytes> fileHeader(const RasterImage& image) {
  const bool bilevel = IsBilevel(image);
  std::array<std::uint8_t, kFileHeaderBytes> h{};
  std::uint8_t* p = h.data();
  std::memcpy(p, rvx::kSignature, 4);
  platform::StoreBe16(p + 4, rvx::kVersion);
  // 6 reserved bytes stay zero.
  platform::StoreBe16(p + 12, static_cast<std::uint16_t>(bilevel ? 1 : image.samplesPerPixel));
  platform::StoreBe32(p + 14, static_cast<std::uint32_t>(image.height));
  platform::StoreBe32(p + 18, static_cast<std::uint32_t>(image.width));
  platform::StoreBe16(p + 22, bilevel ? 1 : 8);  // the colour layer always holds 8-bit samples
  platform::StoreBe16(p + 24, modeFor(image));
  p += rvx::kHeaderBytes;
  platform::StoreBe32(p, 0);  // colour mode data
  platform::StoreBe32(p + 4, rvx::kResolutionBlockBytes);
  p += 8;
  std::memcpy(p, rvx::kResourceSignature, 4);
  platform::StoreBe16(p + 4, rvx::kResolutionResourceId);
  // p + 6, p + 7: the empty name, a zero length byte and its pad byte.
  platform::StoreBe32(p + 8, rvx::kResolutionDataBytes);
  platform::StoreBe32(p + 12, fixed(image.xResolution));
  platform::StoreBe16(p + 16, 1);  // horizontal resolution unit: pixels per inch
  platform::StoreBe16(p + 18, 1);  // width unit
  platform::StoreBe32(p + 20, fixed(image.yResolution));
  platform::StoreBe16(p + 24, 1);
  platform::StoreBe16(p + 26, 1);
  p += rvx::kResolutionBlockBytes;
  platform::StoreBe32(p, 0);  // layer and mask information
  platform::StoreBe16(p + 4, rvx::kCompressionRaw);
  return h;
}

}  // namespace

bool WriteRvx(base::Runtime& rt, const RasterImage& image, platform::FileHandle file) {
  const auto header = fileHeader(image);
  if (base::CheckedWrite(rt, file, header.data(), header.size()) != header.size()) return false;

  if (IsBilevel(image)) {
    const auto rowBytes = static_cast<std::size_t>(image.width + 7) / 8;
    for (std::int32_t y = 0; y < image.height; ++y) {
      if (base::CheckedWrite(rt, file, BitRow(image, y), rowBytes) != rowBytes) return false;
    }
    return true;
  }

  const std::int32_t spp = image.samplesPerPixel;
  const auto spanBytes = static_cast<std::size_t>(image.colorRowBytes) + spp;
  const auto planeBytes = static_cast<std::size_t>(image.width);
  platform::Block buffers;
  if (!buffers.allocate(rt.memory, spanBytes + planeBytes)) {
    base::ShowMessage(rt, msg::kInsufficientMemory);
    rt.state.abortRequested = 1;
    return false;
  }
  std::uint8_t* span = buffers.data();
  std::uint8_t* plane = span + spanBytes;
  const bool cmyk = spp == 4;
  for (std::int32_t p = 0; p < spp; ++p) {
    for (std::int32_t y = 0; y < image.height; ++y) {
      readColorSpan(image, 0, y, image.colorRowBytes, span);
      for (std::int32_t x = 0; x < image.width; ++x) {
        const std::uint8_t v = span[x * spp + p];
        plane[x] = cmyk ? static_cast<std::uint8_t>(255 - v) : v;
      }
      if (base::CheckedWrite(rt, file, plane, planeBytes) != planeBytes) return false;
    }
  }
  return true;
}

bool writeRvxFile(base::Runtime& rt, const RasterImage& image, const std::string& path) {
  return WriteReplacing(rt, path, [&](platform::FileHandle f) { return WriteRvx(rt, image, f); });
}

}  // namespace vl::image
