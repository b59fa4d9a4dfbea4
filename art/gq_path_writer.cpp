// The body of a GQ/EPS file.
#include "art/gq_path_writer.h"

#include <cmath>

#include "art/anchor_walk.h"
#include "art/gq_numbers.h"
#include "art/gq_paint.h"

namespace vl::art {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;

struct Vec {
  std::int32_t dx, dy;  // art units
  bool zero() const { return dx == 0 && dy == 0; }
};

Vec Towards(std::span<const std::uint16_t> words, std::size_t from, std::size_t to) {
  return {detail::X(words, to) - detail::X(words, from), detail::Y(words, to) - detail::Y(words, from)};
}

// The point a segment leaving the anchor at `at` heads for first: its first control point
// for a curve, its end anchor for a line; both sit two words on. False when no segment leaves.
bool HasSegmentFrom(std::span<const std::uint16_t> words, std::size_t at) {
  return detail::HasAnchorAt(words, detail::NextAnchor(words, at));
}

void WriteAnchor(GqWriter& w, std::span<const std::uint16_t> words, std::size_t at) {
  writeCoordinate(w.out, w.page, detail::X(words, at), false);
  writeCoordinate(w.out, w.page, detail::Y(words, at), true);
}

}  // namespace

bool IsSmoothAnchor(std::span<const std::uint16_t> words, std::size_t at) {
  if (at < 2 || !detail::HasAnchorAt(words, at)) return false;
  // Incoming: towards the second control point of an arriving curve, else the previous anchor
  // (for a line the previous anchor is two words back, for a curve the control point is).
  Vec in = Towards(words, at, at - 2);
  Vec out{0, 0};
  if (HasSegmentFrom(words, at)) {
    out = Towards(words, at, at + 2);
  } else if (detail::X(words, at) == detail::X(words, 0) &&
             detail::Y(words, at) == detail::Y(words, 0) && HasSegmentFrom(words, 0)) {
    out = Towards(words, at, 2);  // closed: the path goes on past its first anchor
  }
  if (in.zero() || out.zero()) return false;
  double d = std::fabs(std::atan2(in.dy, in.dx) - std::atan2(out.dy, out.dx)) * kDegreesPerRadian;
  return d > 170.0 && d < 190.0;
}

void writePath(GqWriter& w, const PathRecord& path) {
  std::span<const std::uint16_t> words = PointWords(path);
  if (words.size() < 2) return;
  bool fill = path.fillType != PaintType::None && !(path.flags & kUnfilled);
  bool stroke = path.strokeType != PaintType::None;
  if (!fill && !stroke) return;

  OutputBuffer& out = w.out;
  PaintCache& cache = w.cache;
  const auto customDiffers = [](PaintType type, std::uint16_t index, std::uint8_t tint,
                                 std::uint16_t cachedIndex, std::uint8_t cachedTint) {
    return type == PaintType::Custom && (index != cachedIndex || tint != cachedTint);
  };
  if (fill && (path.fillColor != cache.fillColor || path.fillType != cache.fillType ||
               customDiffers(path.fillType, path.fillCustomIndex, path.fillTint,
                             cache.fillCustomIndex, cache.fillTint))) {
    cache.fillColor = path.fillColor;
    cache.fillType = path.fillType;
    cache.fillCustomIndex = path.fillCustomIndex;
    cache.fillTint = path.fillTint;
    writePaint(w, false, path.fillType, path.fillColor, path.fillCustomIndex, path.fillTint);
  }
  if (stroke && (path.strokeColor != cache.strokeColor || path.strokeType != cache.strokeType ||
                 customDiffers(path.strokeType, path.strokeCustomIndex, path.strokeTint,
                               cache.strokeCustomIndex, cache.strokeTint))) {
    cache.strokeColor = path.strokeColor;
    cache.strokeType = path.strokeType;
    cache.strokeCustomIndex = path.strokeCustomIndex;
    cache.strokeTint = path.strokeTint;
    writePaint(w, true, path.strokeType, path.strokeColor, path.strokeCustomIndex,
               path.strokeTint);
  }
  if (stroke && path.strokeWeight != cache.strokeWeight) {
    cache.strokeWeight = path.strokeWeight;
    out.putInt(path.strokeWeight / 10);
    out.put('.');
    out.putInt(path.strokeWeight % 10);
    out.line(" w");
  }
  bool grouped = (path.flags & kGrouped) != 0;
  if (grouped) out.line("u");

  WriteAnchor(w, words, 0);
  out.line("m");
  int anchors = 2;  // the count the long path limit is measured against
  for (std::size_t at = 0; HasSegmentFrom(words, at);) {
    bool curve = (words[at] & kCurveBit) != 0;
    std::size_t next = detail::NextAnchor(words, at);
    if (curve) {
      WriteAnchor(w, words, at + 2);
      WriteAnchor(w, words, at + 4);
    }
    WriteAnchor(w, words, next);
    bool smooth = IsSmoothAnchor(words, next);
    out.line(curve ? (smooth ? "c" : "C") : (smooth ? "l" : "L"));
    if (++anchors > kLongPathAnchors) w.longPath = true;
    at = next;
  }
  out.line(fill && stroke ? "b" : fill ? "f" : "S");
  if (grouped) out.line("U");
}

}  // namespace vl::art
