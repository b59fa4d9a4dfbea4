// Pixel access to the planes the tracer works on.
#include "engine/tracer.h"

#include "engine/bit_plane.h"

namespace vl::engine {

namespace {
inline bool Inside(const Tracer& t, std::int32_t x, std::int32_t y) {
  return x >= 0 && y >= 0 && x < t.image.paddedWidth && y < t.image.height;
}
}  // namespace

std::uint8_t* SourceRow(Tracer& t, std::int32_t y) { return image::BitRow(t.image, y); }

std::uint8_t* MaskRow(Tracer& t, std::int32_t y) {
  if (t.rt.state.maskInImage) return image::BitRow(t.image, y);
  return image::LayerRow(t.image.spareLayer, t.image, y);
}

int SourcePixel(Tracer& t, std::int32_t x, std::int32_t y) {
  return Inside(t, x, y) ? BitAt(SourceRow(t, y), x) : 0;
}

int MaskPixel(Tracer& t, std::int32_t x, std::int32_t y) {
  return Inside(t, x, y) ? BitAt(MaskRow(t, y), x) : 0;
}

int BackupPixel(Tracer& t, std::int32_t x, std::int32_t y) {
  if (!Inside(t, x, y)) return 0;
  if (!t.image.backupOnDisk) {
    if (t.image.backupLayer.empty()) return 0;
    return BitAt(image::LayerRow(t.image.backupLayer, t.image, y), x);
  }
  // "memtemp" holds row r at r x bitRowBytes; the work area's row buffer is its one-row window.
  std::uint8_t* row = t.area.rowBuffer();
  const std::int64_t offset = std::int64_t(y) * t.image.bitRowBytes;
  if (!platform::SeekTo(t.image.fileHandle, offset) ||
      platform::ReadBytes(t.image.fileHandle, row, std::size_t(t.image.bitRowBytes)) !=
          std::size_t(t.image.bitRowBytes))
    return 0;
  return BitAt(row, x);
}

}  // namespace vl::engine
