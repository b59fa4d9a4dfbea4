// The boundary map of the colour classes: class rows, their edges and corners at twice the
// resolution, the frame, and the noise reduction on the map.
#include <algorithm>
#include <cstring>

#include "base/message_table.h"
#include "base/progress.h"
#include "image/bit_row.h"
#include "image/color_classes.h"
#include "image/posterization.h"

namespace vl::image {

namespace {

constexpr std::int32_t kHoleBlock = 32;  // fully set blocks of this side get a hole
constexpr std::int32_t kHoleAt = 15;     // the hole: bits 15 and 16 of rows 15 and 16

void Set(BoundaryMap& m, std::int32_t x, std::int32_t y) {
  if (x < 0 || x >= m.width) return;  // a corner past the last column lies outside the frame
  SetBitAt(&m.bits[std::size_t(y) * m.rowBytes], x);
}

bool Get(const BoundaryMap& m, std::int32_t x, std::int32_t y) {
  return x >= 0 && x < m.width && m.at(x, y);
}

void Clear(BoundaryMap& m, std::int32_t x, std::int32_t y) {
  ClearBitAt(&m.bits[std::size_t(y) * m.rowBytes], x);
}

// One pixel of a 2 x 2 block: a pixel that two of the four share wins, in the order the
// earlier row's right pixel, the later row's left pixel, the earlier row's left pixel;
// otherwise the rounded mean of the four, channel by channel.
void ReducePixel(const std::uint8_t* p1, const std::uint8_t* p2, const std::uint8_t* p3,
                 const std::uint8_t* p4, int spp, std::uint8_t* out) {
  auto same = [spp](const std::uint8_t* a, const std::uint8_t* b) { return std::memcmp(a, b, std::size_t(spp)) == 0; };
  const std::uint8_t* pick = nullptr;
  if (same(p1, p2) || same(p2, p4) || same(p2, p3)) pick = p2;
  else if (same(p3, p4) || same(p1, p3)) pick = p3;
  else if (same(p4, p1)) pick = p1;
  if (pick != nullptr) {
    std::memcpy(out, pick, std::size_t(spp));
    return;
  }
  for (int c = 0; c < spp; ++c) out[c] = static_cast<std::uint8_t>((p1[c] + p2[c] + p3[c] + p4[c] + 2) / 4);
}

// The working image's rows as classes, one more class repeating the last at each row's end.
class ClassRows {
 public:
  ClassRows(const RasterImage& image, const ColorClasses& classes, bool reduce)
      : image_(image), classes_(classes), reduce_(reduce), spp_(image.samplesPerPixel),
        width_(image.colorRowBytes / image.samplesPerPixel) {
    const std::size_t guarded = std::size_t(width_ + 2) * spp_;
    upper_.resize(guarded);
    lower_.resize(guarded);
    reduced_.resize(std::size_t(cellsPerRow()) * spp_);
  }
  std::int32_t cellsPerRow() const { return (reduce_ ? (width_ + 1) / 2 : width_) + 1; }
  std::int32_t rows() const { return reduce_ ? (image_.height + 1) / 2 : image_.height; }

  void classRow(std::int32_t y, std::vector<std::uint8_t>& out) {
    out.resize(std::size_t(cellsPerRow()));
    const std::int32_t pixels = cellsPerRow() - 1;
    const std::uint8_t* px;
    if (!reduce_) {
      ReadGuardedRow(image_, y, upper_.data());
      px = upper_.data() + spp_;
    } else {
      ReadGuardedRow(image_, 2 * y, upper_.data());
      ReadGuardedRow(image_, std::min(2 * y + 1, image_.height - 1), lower_.data());
      // The guard after the row repeats the last pixel for an odd width.
      for (std::int32_t x = 0; x < pixels; ++x) {
        const std::uint8_t* a = upper_.data() + std::size_t(2 * x + 1) * spp_;
        const std::uint8_t* b = lower_.data() + std::size_t(2 * x + 1) * spp_;
        ReducePixel(a, a + spp_, b, b + spp_, spp_, reduced_.data() + std::size_t(x) * spp_);
      }
      px = reduced_.data();
    }
    for (std::int32_t x = 0; x < pixels; ++x)
      out[x] = classes_.classMap[PixelCell(px + std::size_t(x) * spp_, spp_)];
    out[pixels] = out[pixels - 1];
  }

 private:
  const RasterImage& image_;
  const ColorClasses& classes_;
  bool reduce_;
  int spp_;
  std::int32_t width_;
  std::vector<std::uint8_t> upper_, lower_, reduced_;
};

// Medium: a class cell closed at all four corners becomes boundary. Maximum: every boundary
// two bits wide. Rows top to bottom, as the widening reads rows it has not yet widened.
void ReduceNoise(BoundaryMap& m, int mode) {
  for (std::int32_t r = 1; r + 1 < m.height; r += 2)
    for (std::int32_t c = 0; c < m.width; c += 2) {
      if (mode == 1) {
        if (Get(m, c, r - 1) && Get(m, c + 2, r - 1) && Get(m, c, r + 1) && Get(m, c + 2, r + 1)) {
          Set(m, c, r);
          Set(m, c + 1, r);
          Set(m, c + 2, r);
          Set(m, c + 1, r - 1);
          Set(m, c + 1, r + 1);
        }
      } else if (Get(m, c, r - 1) || Get(m, c + 2, r - 1) || Get(m, c, r + 1) || Get(m, c + 2, r + 1)) {
        Set(m, c, r);
        Set(m, c + 1, r);
        Set(m, c, r - 1);
        Set(m, c + 1, r - 1);
      }
    }
  // Solid 32 x 32 blocks would trace as nothing: each gets a small hole.
  for (std::int32_t by = 0; by + kHoleBlock <= m.height; by += kHoleBlock)
    for (std::int32_t bx = 0; bx + kHoleBlock <= m.width; bx += kHoleBlock) {
      bool solid = true;
      for (std::int32_t y = by; solid && y < by + kHoleBlock; ++y)
        for (std::int32_t x = bx; solid && x < bx + kHoleBlock; ++x) solid = m.at(x, y);
      if (!solid) continue;
      for (std::int32_t y : {by + kHoleAt, by + kHoleAt + 1})
        for (std::int32_t x : {bx + kHoleAt, bx + kHoleAt + 1}) Clear(m, x, y);
    }
}

}  // namespace

BoundaryResult DrawBoundaryMap(const RasterImage& image, base::Runtime& rt,
                               const ColorClasses& classes, const BoundaryOptions& options,
                               BoundaryMap& map) {
  map = BoundaryMap{};
  if (IsBilevel(image) || image.samplesPerPixel < 1 || image.colorRowBytes <= 0 || image.height < 1)
    return BoundaryResult::kDone;
  ClassRows rows(image, classes, options.reduceDetail);
  BoundaryMap m;
  m.width = 2 * (rows.cellsPerRow() - 1);
  m.height = 2 * rows.rows();
  m.rowBytes = ((m.width + 31) / 32) * 4;
  m.bits.assign(std::size_t(m.rowBytes) * m.height, 0);

  base::ConversionState& s = rt.state;
  std::vector<std::uint8_t> previous, current;
  rows.classRow(0, previous);
  for (std::int32_t y = 1; y < rows.rows(); ++y) {
    rows.classRow(y, current);
    const std::int32_t upper = 2 * y - 1, lower = 2 * y;
    for (std::int32_t r : {upper, lower}) {
      Set(m, 0, r);
      Set(m, m.width - 1, r);
    }
    for (std::int32_t x = 1; x < rows.cellsPerRow(); ++x) {
      const int pl = previous[x - 1], cl = current[x - 1], pr = previous[x], cr = current[x];
      if (cl != pl) Set(m, 2 * x - 1, lower);  // the edge below cell x - 1
      if (pr != pl) Set(m, 2 * x, upper);      // the edge between cells x - 1 and x
      if (!(pl == pr && pl == cl && pl == cr)) Set(m, 2 * x, lower);  // the corner
    }
    std::swap(previous, current);
    s.currentRow = options.reduceDetail ? 2 * y : y;
    base::UpdateRowProgress(rt, image.height, image.paddedWidth, 0);
    if (base::PollAbort(rt) != 0) return BoundaryResult::kStopped;
  }
  for (std::int32_t r : {0, m.height - 1})
    for (std::int32_t x = 0; x < m.width; ++x) Set(m, x, r);
  if (options.noiseReduction != 0) ReduceNoise(m, options.noiseReduction);
  map = std::move(m);
  return BoundaryResult::kDone;
}

}  // namespace vl::image
