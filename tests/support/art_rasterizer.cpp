// The reference artwork painter for tests.
#include "tests/support/art_rasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "art/anchor_walk.h"

namespace vl::test_support {

namespace {

struct Pt {
  double x, y;  // pixels
};

constexpr int kCurveSteps = 64;  // straight pieces per Bezier segment

// The path as a polyline in pixels, curves flattened.
std::vector<Pt> Flatten(const art::PathRecord& path, double artScale) {
  std::span<const std::uint16_t> words = art::PointWords(path);
  std::vector<Pt> out;
  if (!art::detail::HasAnchorAt(words, 0)) return out;
  auto point = [&](std::size_t at) {
    return Pt{art::detail::X(words, at) / artScale, art::detail::Y(words, at) / artScale};
  };
  out.push_back(point(0));
  for (std::size_t at = 0;;) {
    std::size_t next = art::detail::NextAnchor(words, at);
    if (!art::detail::HasAnchorAt(words, next)) break;
    Pt p3 = point(next);
    if (words[at] & art::kCurveBit) {
      Pt p0 = point(at), p1 = point(at + 2), p2 = point(at + 4);
      for (int i = 1; i <= kCurveSteps; ++i) {
        double t = double(i) / kCurveSteps, u = 1 - t;
        double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        out.push_back({a * p0.x + b * p1.x + c * p2.x + d * p3.x,
                       a * p0.y + b * p1.y + c * p2.y + d * p3.y});
      }
    } else {
      out.push_back(p3);
    }
    at = next;
  }
  return out;
}

void FillNonZero(GrayImage& image, const std::vector<Pt>& poly, std::uint8_t gray) {
  if (poly.size() < 3) return;
  struct Crossing {
    double x;
    int winding;
  };
  std::vector<Crossing> crossings;
  for (int y = 0; y < image.height; ++y) {
    double cy = y + 0.5;
    crossings.clear();
    for (std::size_t i = 0; i < poly.size(); ++i) {
      const Pt& a = poly[i];
      const Pt& b = poly[(i + 1) % poly.size()];  // the fill closes the path
      if ((a.y <= cy) == (b.y <= cy)) continue;
      double x = a.x + (cy - a.y) * (b.x - a.x) / (b.y - a.y);
      crossings.push_back({x, b.y > a.y ? 1 : -1});
    }
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
    int winding = 0;
    for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
      winding += crossings[i].winding;
      if (winding == 0) continue;
      // Pixels whose centre lies between this crossing and the next.
      int from = std::max(0, int(std::ceil(crossings[i].x - 0.5)));
      int to = std::min(image.width - 1, int(std::ceil(crossings[i + 1].x - 0.5)) - 1);
      for (int x = from; x <= to; ++x) image.at(x, y) = gray;
    }
  }
}

// Each straight piece covers a rectangle reaching half the width beyond both of its ends:
// square caps, and right-angle corners filled out as mitres, as the writers' line setup asks.
void Stroke(GrayImage& image, const std::vector<Pt>& poly, bool closed, double halfWidth,
            std::uint8_t gray) {
  std::size_t n = poly.size();
  if (n == 0) return;
  std::size_t segments = closed ? n : n - 1;
  for (std::size_t i = 0; i < std::max<std::size_t>(segments, 1); ++i) {
    Pt a = poly[i], b = poly[(i + 1) % n];
    double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    double ux = len > 0 ? dx / len : 1.0, uy = len > 0 ? dy / len : 0.0;
    double reach = halfWidth * 1.5;
    int x0 = std::max(0, int(std::floor(std::min(a.x, b.x) - reach)));
    int x1 = std::min(image.width - 1, int(std::ceil(std::max(a.x, b.x) + reach)));
    int y0 = std::max(0, int(std::floor(std::min(a.y, b.y) - reach)));
    int y1 = std::min(image.height - 1, int(std::ceil(std::max(a.y, b.y) + reach)));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        double px = x + 0.5 - a.x, py = y + 0.5 - a.y;
        double along = px * ux + py * uy;
        double across = -px * uy + py * ux;
        if (along >= -halfWidth && along <= len + halfWidth && std::fabs(across) <= halfWidth)
          image.at(x, y) = gray;
      }
    }
  }
}

}  // namespace

std::uint8_t PaintGray(art::PaintType type, std::uint32_t packed) {
  double c = (packed & 0xFF) / 255.0, m = ((packed >> 8) & 0xFF) / 255.0;
  double y = ((packed >> 16) & 0xFF) / 255.0, k = (packed >> 24) / 255.0;
  switch (type) {
    case art::PaintType::White: return 255;
    case art::PaintType::Black: return std::uint8_t(255 - (packed >> 24));
    default: return std::uint8_t(std::lround(255 * (1 - std::min(1.0, 0.3 * c + 0.59 * m + 0.11 * y + k))));
  }
}

GrayImage RasterizeArtwork(const art::Artwork& art, int width, int height, RasterizeScale scale) {
  GrayImage image(width, height, 255);
  for (const art::PathRecord& path : art::PathsInUse(art)) {
    std::vector<Pt> poly = Flatten(path, scale.artScale);
    if (path.fillType != art::PaintType::None && !(path.flags & art::kUnfilled))
      FillNonZero(image, poly, PaintGray(path.fillType, path.fillColor));
    if (path.strokeType != art::PaintType::None) {
      double halfWidth = std::max(0.5, path.strokeWeight / 10.0 * scale.pixelsPerPoint / 2);
      bool closedForStroke = path.fillType != art::PaintType::None && !(path.flags & art::kUnfilled);
      Stroke(image, poly, closedForStroke || art::IsClosed(path), halfWidth,
             PaintGray(path.strokeType, path.strokeColor));
    }
  }
  return image;
}

namespace {
// Calls found(x, y) for every differing pixel away from the reference's edges.
template <class Found>
void ForEachMismatch(const GrayImage& reference, const GrayImage& other, int tolerance,
                     int radius, Found found) {
  for (int y = 0; y < reference.height; ++y) {
    for (int x = 0; x < reference.width; ++x) {
      if (std::abs(int(reference.at(x, y)) - int(other.at(x, y))) <= tolerance) continue;
      bool edge = false;
      for (int dy = -radius; dy <= radius && !edge; ++dy)
        for (int dx = -radius; dx <= radius && !edge; ++dx) {
          int nx = std::clamp(x + dx, 0, reference.width - 1);
          int ny = std::clamp(y + dy, 0, reference.height - 1);
          edge = reference.at(nx, ny) != reference.at(x, y);
        }
      if (!edge) found(x, y);
    }
  }
}
}  // namespace

long MismatchesAwayFromEdges(const GrayImage& reference, const GrayImage& other, int tolerance,
                             int edgeRadius) {
  if (reference.width != other.width || reference.height != other.height) return -1;
  long count = 0;
  ForEachMismatch(reference, other, tolerance, edgeRadius, [&](int, int) { ++count; });
  return count;
}

std::string DescribeMismatches(const GrayImage& reference, const GrayImage& other, int tolerance,
                               int edgeRadius) {
  if (reference.width != other.width || reference.height != other.height) return "sizes differ";
  std::string text;
  int shown = 0;
  ForEachMismatch(reference, other, tolerance, edgeRadius, [&](int x, int y) {
    if (shown++ >= 10) return;
    // snprintf rather than string concatenation: g++ 12 at -O3 misreports a restrict overlap there.
    char item[64];
    std::snprintf(item, sizeof item, "(%d,%d) %d/%d ", x, y, int(reference.at(x, y)),
                  int(other.at(x, y)));
    text += item;
  });
  return text;
}

}  // namespace vl::test_support
