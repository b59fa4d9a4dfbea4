// The rectangular selection with its four combining modes, and Select None.
//
// Bookkeeping for a bilevel image: the backup (memory or "memtemp") always holds the image as
// loaded and is never written here; the bit layer holds loaded AND selected. Every mode then
// follows from the working layer and the backup alone, with no exchange of the two:
//   new        working = loaded & R             add        working |= loaded & R
//   subtract   working &= ~R                    intersect  working &= R
// A gray scale or colour mask uses the same rules with "loaded" read as all ones.
#include <algorithm>
#include <cstring>

#include "base/message_table.h"
#include "image/raster_image.h"

namespace vl::image {

namespace {

// The rectangle's bits within one bit-layer row: m1 = 0xFF >> (left mod 8) on byte left / 8,
// m2 = 0xFF << (7 - right mod 8) on byte right / 8, all ones between, nothing elsewhere.
struct RectBytes {
  std::int32_t firstByte, lastByte;
  std::uint8_t m1, m2;

  std::uint8_t at(std::int32_t i) const {
    if (i < firstByte || i > lastByte) return 0;
    std::uint8_t m = 0xFF;
    if (i == firstByte) m &= m1;
    if (i == lastByte) m &= m2;  // both edges in one byte: the bits common to the two
    return m;
  }
};

RectBytes rectBytes(std::int32_t left, std::int32_t right) {
  return {left / 8, right / 8, static_cast<std::uint8_t>(0xFF >> (left % 8)),
          static_cast<std::uint8_t>(0xFF << (7 - right % 8))};
}

// Combines one row inside the rectangle's rows. source is the loaded row, or nullptr for a
// colour mask (all ones).
void combineRow(std::uint8_t* row, const std::uint8_t* source, const RectBytes& r,
                std::int32_t rowBytes, int mode) {
  for (std::int32_t i = 0; i < rowBytes; ++i) {
    std::uint8_t inside = r.at(i);
    std::uint8_t loaded = source != nullptr ? source[i] : 0xFF;
    switch (mode) {
      case kSelectNew: row[i] = inside & loaded; break;
      case kSelectAdd: row[i] |= inside & loaded; break;
      case kSelectSubtract: row[i] &= static_cast<std::uint8_t>(~inside); break;
      case kSelectIntersect: row[i] &= inside; break;
    }
  }
}

bool backupAvailable(const RasterImage& image) {
  return image.backupOnDisk ? image.fileHandle != platform::kNoFile : !image.backupLayer.empty();
}

// Reads `rows` backup rows starting at row `y` from "memtemp" into dst.
bool readBackupRows(const RasterImage& image, std::int32_t y, std::int32_t rows,
                    std::uint8_t* dst) {
  const std::int64_t bytes = std::int64_t{rows} * image.bitRowBytes;
  return platform::SeekTo(image.fileHandle, std::int64_t{y} * image.bitRowBytes) &&
         platform::ReadBytes(image.fileHandle, dst, static_cast<std::size_t>(bytes)) ==
             static_cast<std::size_t>(bytes);
}

bool applyToBilevel(RasterImage& image, base::Runtime& rt, std::int32_t top, std::int32_t bottom,
                    const RectBytes& r, int mode) {
  if (!backupAvailable(image)) {
    base::ShowMessage(rt, msg::kNotEnoughMemoryRestart);
    return false;
  }
  const bool needsLoaded = mode == kSelectNew || mode == kSelectAdd;
  platform::Block rowBuffer;
  if (image.backupOnDisk && mode == kSelectAdd &&
      !rowBuffer.allocate(rt.memory, static_cast<std::size_t>(image.bitRowBytes))) {
    base::ShowMessage(rt, msg::kInsufficientMemory);
    return false;
  }
  for (std::int32_t y = 0; y < image.height; ++y) {
    std::uint8_t* row = BitRow(image, y);
    if (y < top || y > bottom) {
      if (mode == kSelectNew || mode == kSelectIntersect) {
        std::memset(row, 0, static_cast<std::size_t>(image.bitRowBytes));
      }
      continue;
    }
    const std::uint8_t* loaded = nullptr;
    if (needsLoaded && !image.backupOnDisk) loaded = LayerRow(image.backupLayer, image, y);
    if (needsLoaded && image.backupOnDisk) {
      // New mode reads the loaded row in place; add mode must keep the working row.
      std::uint8_t* dst = mode == kSelectNew ? row : rowBuffer.data();
      if (!readBackupRows(image, y, 1, dst)) {
        base::ShowMessage(rt, msg::kScratchDiskFull);
        return false;
      }
      loaded = dst;
    }
    combineRow(row, loaded, r, image.bitRowBytes, mode);
  }
  return true;
}

void applyToMask(RasterImage& image, std::int32_t top, std::int32_t bottom, const RectBytes& r,
                 int mode) {
  for (std::int32_t y = 0; y < image.height; ++y) {
    std::uint8_t* row = BitRow(image, y);
    if (y >= top && y <= bottom) {
      combineRow(row, nullptr, r, image.bitRowBytes, mode);
    } else if (mode == kSelectNew || mode == kSelectIntersect) {
      std::memset(row, 0, static_cast<std::size_t>(image.bitRowBytes));
    }
  }
}

}  // namespace

bool applyRectSelection(RasterImage& image, base::Runtime& rt, std::int32_t left,
                        std::int32_t top, std::int32_t right, std::int32_t bottom, int mode) {
  if (mode < kSelectNew || mode > kSelectIntersect || image.bitLayer.empty()) return false;
  if (left > right) std::swap(left, right);  // a rectangle dragged right to left
  if (top > bottom) std::swap(top, bottom);
  // Clipped to the pixels of the image, so the padding bits stay 0.
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, image.width - 1);
  bottom = std::min(bottom, image.height - 1);
  if (left > right || top > bottom) return true;  // nothing of it lies on the image

  const RectBytes r = rectBytes(left, right);
  if (IsBilevel(image)) {
    if (!applyToBilevel(image, rt, top, bottom, r, mode)) return false;
  } else {
    applyToMask(image, top, bottom, r, mode);
  }
  image.pixelSelection = true;
  return true;
}

bool SelectNone(RasterImage& image, base::Runtime& rt) {
  if (image.bitLayer.empty()) return false;
  if (!IsBilevel(image)) {
    std::memset(image.bitLayer.data(), 0, image.bitLayer.size());
    image.pixelSelection = false;
    return true;
  }
  if (!backupAvailable(image)) {
    base::ShowMessage(rt, msg::kNotEnoughMemoryRestart);
    return false;
  }
  if (!image.backupOnDisk) {
    std::memcpy(BitRow(image, 0), LayerRow(image.backupLayer, image, 0),
                static_cast<std::size_t>(image.bitLayerBytes));
    image.pixelSelection = false;
    return true;
  }
  if (!readBackupRows(image, 0, image.height, BitRow(image, 0))) {
    base::ShowMessage(rt, msg::kScratchDiskFull);
    return false;
  }
  image.pixelSelection = false;
  return true;
}

}  // namespace vl::image
