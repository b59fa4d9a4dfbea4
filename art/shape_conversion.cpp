// The Convert To commands.
#include "art/shape_conversion.h"

#include <algorithm>
#include <vector>

#include "art/anchor_editing.h"

namespace vl::art {

namespace {

constexpr std::size_t kShapeWords = 26;  // the circle's words; a rectangle needs 10

std::uint16_t U(std::int32_t v) { return std::uint16_t(std::clamp(v, 0, kMaxCoordinate)); }

std::vector<std::uint16_t> Rectangle(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
  return {U(l), U(t), U(r), U(t), U(r), U(b), U(l), U(b), U(l), U(t)};
}

// Four arcs through the midpoints of the box's sides; each direction point lies a quarter of
// the box's side from its anchor.
std::vector<std::uint16_t> Ellipse(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
  const std::int32_t cx = (l + r) >> 1, cy = (t + b) >> 1;
  const std::int32_t kx = (r - l) >> 2, ky = (b - t) >> 2;
  const std::uint16_t c = kCurveBit;
  return {std::uint16_t(U(cx) | c), U(t),
          U(cx + kx), U(t), U(r), U(cy - ky),
          std::uint16_t(U(r) | c), std::uint16_t(U(cy) | c),
          U(r), U(cy + ky), U(cx + kx), U(b),
          std::uint16_t(U(cx) | c), std::uint16_t(U(b) | c),
          U(cx - kx), U(b), U(l), U(cy + ky),
          std::uint16_t(U(l) | c), std::uint16_t(U(cy) | c),
          U(l), U(cy - ky), U(cx - kx), U(t),
          U(cx), std::uint16_t(U(t) | c)};
}

}  // namespace

int ConvertTo(Artwork& art, ShapeKind shape, std::int32_t imageWidth, std::int32_t imageHeight) {
  int changed = 0;
  for (int i = 0; i < art.count; ++i) {
    PathRecord& path = art.paths[i];
    if (!(path.flags & kSelected)) continue;
    std::int32_t l = path.left + kBoundsMargin, t = path.top + kBoundsMargin;
    std::int32_t r = path.right - kBoundsMargin, b = path.bottom - kBoundsMargin;
    if (r <= l || b <= t) continue;
    if (!ReserveWords(path, kShapeWords)) continue;
    if (shape == ShapeKind::kCircle || shape == ShapeKind::kSquare) {
      const std::int32_t cx = (l + r) >> 1, cy = (t + b) >> 1;
      std::int32_t rho = ((r - l) + (b - t)) >> 2;
      rho = std::min({cx, imageWidth - cx, rho});
      rho = std::min({cy, imageHeight - cy, rho});
      l = cx - rho, t = cy - rho, r = cx + rho, b = cy + rho;
    }
    const bool straight = shape == ShapeKind::kSquare || shape == ShapeKind::kRectangle;
    const std::vector<std::uint16_t> words = straight ? Rectangle(l, t, r, b) : Ellipse(l, t, r, b);
    std::copy(words.begin(), words.end(), path.points.as<std::uint16_t>());
    path.usedWords = std::uint16_t(words.size());
    path.left = l - kBoundsMargin, path.top = t - kBoundsMargin;
    path.right = r + kBoundsMargin, path.bottom = b + kBoundsMargin;
    ++changed;
  }
  return changed;
}

}  // namespace vl::art
