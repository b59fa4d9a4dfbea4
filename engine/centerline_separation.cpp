// Thick and thin parts: the thinned image kept in "dgskel", the 3 x 3 erosions and the
// dilations kept inside the unthinned image that find the thick parts, and the subtraction
// that leaves "dgskel" with the centre lines of the thin parts only. Each operation runs
// over the bit layer in place with a window of three rows.
#include <cstring>
#include <vector>

#include "base/progress.h"
#include "base/scratch_files.h"
#include "engine/centerline.h"

namespace vl::engine {

namespace {

using Row = std::vector<std::uint8_t>;

// Each pixel ANDed (or ORed) with its left and right neighbours; outside the row is white.
void Spread(const std::uint8_t* in, std::uint8_t* out, std::size_t n, bool widen) {
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t c = in[i];
    const auto left = std::uint8_t(c >> 1 | (i > 0 ? in[i - 1] << 7 : 0));
    const auto right = std::uint8_t(c << 1 | (i + 1 < n ? in[i + 1] >> 7 : 0));
    out[i] = widen ? std::uint8_t(c | left | right) : std::uint8_t(c & left & right);
  }
}

// The 3 x 3 neighbourhood combined over the bit layer in place: each row becomes op of the
// spread rows above, at and below it as they were. `keep` may then mask the row. Returns
// whether any ink remains.
template <typename Keep>
bool Neighbourhood3x3(Tracer& t, bool widen, Keep&& keep) {
  image::RasterImage& img = t.image;
  const auto n = std::size_t(img.bitRowBytes);
  Row above(n), current(n), below(n), out(n);
  Spread(image::BitRow(img, -1), above.data(), n, widen);
  Spread(image::BitRow(img, 0), current.data(), n, widen);
  bool ink = false;
  for (std::int32_t y = 0; y < img.height; ++y) {
    Spread(image::BitRow(img, y + 1), below.data(), n, widen);
    std::uint8_t* row = image::BitRow(img, y);
    for (std::size_t i = 0; i < n; ++i)
      out[i] = widen ? std::uint8_t(above[i] | current[i] | below[i])
                     : std::uint8_t(above[i] & current[i] & below[i]);
    keep(y, out.data());
    std::memcpy(row, out.data(), n);
    for (std::size_t i = 0; i < n && !ink; ++i) ink = out[i] != 0;
    std::swap(above, current);
    std::swap(current, below);
  }
  return ink;
}

// Row y of the unthinned image: the backup layer, or "memtemp" when it lives on disk.
bool ReadBackupRow(Tracer& t, std::int32_t y, std::uint8_t* out) {
  image::RasterImage& img = t.image;
  const auto n = std::size_t(img.bitRowBytes);
  if (!img.backupOnDisk) {
    if (img.backupLayer.empty()) return false;
    std::memcpy(out, image::LayerRow(img.backupLayer, img, y), n);
    return true;
  }
  return platform::SeekTo(img.fileHandle, std::int64_t(y) * img.bitRowBytes) &&
         platform::ReadBytes(img.fileHandle, out, n) == n;
}

}  // namespace

bool SaveSkeleton(Tracer& t) {
  base::Runtime& rt = t.rt;
  platform::FileHandle& file = rt.state.scratch.dgskel;
  if (file == platform::kNoFile) file = base::CreateScratchFileOrAbort(rt, "dgskel");
  if (file == platform::kNoFile) return false;
  platform::SeekTo(file, 0);
  const auto n = std::size_t(t.image.bitRowBytes);
  for (std::int32_t y = 0; y < t.image.height; ++y)
    if (base::CheckedWrite(rt, file, image::BitRow(t.image, y), n) != n) return false;
  return PollAbort(rt) == 0;
}

bool ReloadSkeleton(Tracer& t) {
  platform::FileHandle file = t.rt.state.scratch.dgskel;
  if (file == platform::kNoFile || !platform::SeekTo(file, 0)) return false;
  const auto n = std::size_t(t.image.bitRowBytes);
  for (std::int32_t y = 0; y < t.image.height; ++y)
    if (platform::ReadBytes(file, image::BitRow(t.image, y), n) != n) return false;
  return true;
}

bool ErodeImage(Tracer& t) {
  return Neighbourhood3x3(t, false, [](std::int32_t, std::uint8_t*) {});
}

bool RemoveIsolatedPixels(Tracer& t) {
  image::RasterImage& img = t.image;
  const auto n = std::size_t(img.bitRowBytes);
  // A pixel stays when its 3 x 3 neighbourhood holds ink besides itself: the neighbourhood
  // with the pixel taken out, spread, must cover it.
  Row above(n), current(n), below(n), original(n);
  Spread(image::BitRow(img, -1), above.data(), n, true);
  Spread(image::BitRow(img, 0), current.data(), n, true);
  std::memcpy(original.data(), image::BitRow(img, 0), n);
  bool ink = false;
  for (std::int32_t y = 0; y < img.height; ++y) {
    Spread(image::BitRow(img, y + 1), below.data(), n, true);
    std::uint8_t* row = image::BitRow(img, y);
    Row next(n);
    if (y + 1 < img.height) std::memcpy(next.data(), image::BitRow(img, y + 1), n);
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t c = original[i];
      // Horizontal neighbours only (not the pixel itself).
      const auto left = std::uint8_t(c >> 1 | (i > 0 ? original[i - 1] << 7 : 0));
      const auto right = std::uint8_t(c << 1 | (i + 1 < n ? original[i + 1] >> 7 : 0));
      row[i] = std::uint8_t(c & (above[i] | below[i] | left | right));
      ink = ink || row[i] != 0;
    }
    std::swap(above, current);
    std::swap(current, below);
    std::swap(original, next);
  }
  return ink;
}

bool DilateWithinOriginal(Tracer& t) {
  Row backup(std::size_t(t.image.bitRowBytes));
  bool aborted = false;
  Neighbourhood3x3(t, true, [&](std::int32_t y, std::uint8_t* row) {
    if (!ReadBackupRow(t, y, backup.data())) backup.assign(backup.size(), 0);
    for (std::size_t i = 0; i < backup.size(); ++i) row[i] &= backup[i];
  });
  aborted = PollAbort(t.rt) != 0;
  return aborted;
}

bool SubtractFromSkeleton(Tracer& t) {
  base::Runtime& rt = t.rt;
  platform::FileHandle file = rt.state.scratch.dgskel;
  const auto n = std::size_t(t.image.bitRowBytes);
  Row skeleton(n);
  for (std::int32_t y = 0; y < t.image.height; ++y) {
    const std::int64_t at = std::int64_t(y) * t.image.bitRowBytes;
    if (!platform::SeekTo(file, at) || platform::ReadBytes(file, skeleton.data(), n) != n)
      return false;
    const std::uint8_t* thick = image::BitRow(t.image, y);
    for (std::size_t i = 0; i < n; ++i) skeleton[i] &= std::uint8_t(~thick[i]);
    if (!platform::SeekTo(file, at) || base::CheckedWrite(rt, file, skeleton.data(), n) != n)
      return false;
  }
  return PollAbort(rt) == 0;
}

}  // namespace vl::engine
