// Smooth Paths and Smooth Direction Points.
#include "art/path_smoothing.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "art/anchor_editing.h"
#include "art/anchor_walk.h"
#include "base/message_table.h"

namespace vl::art {

namespace {

using detail::HasAnchorAt;
using detail::NextAnchor;
using detail::X;
using detail::Y;

constexpr std::uint16_t kFewestWordsToSmooth = 11;
constexpr std::uint16_t kFewestWordsToAlign = 8;
constexpr std::uint16_t kFewestWordsToRotate = 8;  // more than this: a shared first anchor can go
constexpr int kDeviationScale = 64;                 // deviations are 64ths of a square pixel

struct Pt {
  std::int64_t x, y;
  bool operator==(const Pt&) const = default;
};

Pt AnchorAt(std::span<const std::uint16_t> w, std::size_t at) { return {X(w, at), Y(w, at)}; }

std::int64_t Dist2(Pt a, Pt b) { return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y); }

// The squared distance of p from the line k-n in pixels, times 64, capped; kFarFromChord when
// p may not go (k = n, or p lies beyond either neighbour).
int Deviation(Pt k, Pt p, Pt n, int tolerance, double artScale) {
  const std::int64_t d2 = Dist2(k, n);
  if (d2 == 0) return kFarFromChord;
  const std::int64_t m = std::max<std::int64_t>(d2, tolerance / 8);
  if (Dist2(p, k) > m || Dist2(p, n) > m) return kFarFromChord;
  const double cross = double((n.x - k.x) * (p.y - k.y) - (n.y - k.y) * (p.x - k.x)) / artScale;
  const double v = kDeviationScale * cross * cross / double(d2);
  return v >= kSmoothingToleranceCap ? kSmoothingToleranceCap : int(v);
}

bool Contains(const PathRecord& path, Pt p) {
  return p.x >= path.left && p.x <= path.right && p.y >= path.top && p.y <= path.bottom;
}

enum class Shared { kNo, kReversed, kOther };

// How path `other` passes through p: between n and k in that order (a shared boundary), with
// other neighbours, or not at all. `at` gets the offset of p there.
Shared PassesThrough(const PathRecord& other, Pt k, Pt p, Pt n, std::size_t& at) {
  const std::span<const std::uint16_t> w = PointWords(other);
  const std::vector<std::size_t> anchors = AnchorOffsets(other);
  if (anchors.size() < 2) return Shared::kNo;
  const bool closed = IsClosed(other);
  const std::size_t last = anchors.size() - 1;
  for (std::size_t i = 0; i < anchors.size(); ++i) {
    if (closed && i == last) break;  // the same point as the first
    if (!(AnchorAt(w, anchors[i]) == p)) continue;
    at = anchors[i];
    const bool hasPrev = i > 0 || closed;
    const bool hasNext = i < last;
    if (hasPrev && hasNext) {
      const Pt prev = AnchorAt(w, anchors[i > 0 ? i - 1 : last - 1]);
      const Pt next = AnchorAt(w, anchors[i + 1]);
      if (prev == n && next == k) return Shared::kReversed;
    }
    return Shared::kOther;
  }
  return Shared::kNo;
}

// Deletes p from a path that shares the boundary; its first anchor after a rotation.
bool DeleteShared(PathRecord& other, std::size_t at) {
  if (at != 0) return DeleteAnchorPoint(other, at);
  if (other.usedWords <= kFewestWordsToRotate || RotateClosedPath(other) != 0) return false;
  const std::vector<std::size_t> anchors = AnchorOffsets(other);
  return DeleteAnchorPoint(other, anchors[anchors.size() - 2]);
}

// Whether p stays in this path because of the others: it stays when another path passes
// through it with other neighbours (and the tolerance is not 0); a path sharing the boundary
// K-P-N in reverse loses p at once.
bool KeptForOtherPaths(Artwork& art, int index, Pt k, Pt p, Pt n, int tolerance, long& eliminated) {
  for (int j = 0; j < art.count; ++j) {
    if (j == index || !Contains(art.paths[j], p)) continue;
    std::size_t at = 0;
    switch (PassesThrough(art.paths[j], k, p, n, at)) {
      case Shared::kNo: break;
      case Shared::kReversed:
        if (DeleteShared(art.paths[j], at)) ++eliminated;
        break;
      case Shared::kOther:
        if (tolerance != 0) return true;
        break;
    }
  }
  return false;
}

bool InScope(const Artwork& art, const PathRecord& path) {
  return art.selectedCount == 0 || (path.flags & kSelected);
}

double AngleDegrees(double x, double y) { return std::atan2(y, x) * 180.0 / std::numbers::pi; }

std::uint32_t Key(Pt p) { return std::uint32_t(p.x) << 16 | std::uint32_t(p.y); }

}  // namespace

SharedPoints FindSharedPoints(const Artwork& art) {
  SharedPoints table;
  for (int i = 0; i < art.count; ++i) {
    const std::span<const std::uint16_t> w = PointWords(art.paths[i]);
    for (std::size_t at = 0; HasAnchorAt(w, at); at = NextAnchor(w, at)) {
      auto& [lastPath, paths] = table.try_emplace(Key(AnchorAt(w, at)), kNoPath, 0).first->second;
      if (lastPath != i) lastPath = i, ++paths;
    }
  }
  return table;
}

void SmoothPathOnce(Artwork& art, int index, int tolerance, double artScale, long& considered,
                    long& eliminated, const SharedPoints* shared) {
  PathRecord& path = art.paths[index];
  if (path.usedWords < kFewestWordsToSmooth) return;
  std::size_t k = 0;
  std::size_t p = NextAnchor(PointWords(path), 0);
  long ordinal = 1;  // P's place along the path, the first anchor being 0
  for (;; ++ordinal) {
    const std::span<const std::uint16_t> w = PointWords(path);
    if (!HasAnchorAt(w, p)) break;
    const std::size_t n = NextAnchor(w, p);
    if (!HasAnchorAt(w, n)) break;  // the last anchor stays
    ++considered;
    const Pt kp = AnchorAt(w, k), pp = AnchorAt(w, p), np = AnchorAt(w, n);
    const int v = tolerance == 0 ? int(ordinal % 4) : Deviation(kp, pp, np, tolerance, artScale);
    bool maybeShared = true;
    if (shared != nullptr) {
      const auto found = shared->find(Key(pp));
      maybeShared = found != shared->end() && found->second.second > 1;
    }
    if (v > tolerance ||
        (maybeShared && KeptForOtherPaths(art, index, kp, pp, np, tolerance, eliminated)) ||
        !DeleteAnchorPoint(path, k, p)) {
      k = p;
      p = n;
      continue;
    }
    ++eliminated;
    p = k + 6;  // N, now reached from K by one curve
  }
}

long SmoothPaths(Artwork& art, int level, double artScale) {
  int tolerance = kFirstSmoothingTolerance;
  long eliminated = 0, target = 0;
  for (bool first = true;; first = false) {
    long considered = 0;
    const long before = eliminated;
    const SharedPoints shared = FindSharedPoints(art);
    for (int i = 0; i < art.count; ++i)
      if (InScope(art, art.paths[i]))
        SmoothPathOnce(art, i, tolerance, artScale, considered, eliminated, &shared);
    if (first) target = considered * (level * 25 + 25) / 255;
    if (considered == 0 || eliminated > target) break;
    // At tolerance 0 a sweep that removes nothing would be repeated for ever (paths of fewer
    // than five anchors keep every one): the command ends there.
    if (tolerance == 0 && eliminated == before) break;
    if (tolerance != 0) {
      tolerance *= 2;
      if (tolerance > kSmoothingToleranceCap) tolerance = 0;
    }
  }
  return eliminated;
}

void ReportSmoothing(base::Runtime& rt, long eliminated) {
  if (eliminated == 0) {
    base::ShowMessage(rt, msg::kMaxSmoothingReached);
    return;
  }
  const int number = eliminated == 1 ? msg::kPointEliminated : msg::kPointsEliminated;
  rt.ui.showMessage(msg::Format(number, int(eliminated)));
}

bool AlignDirectionPoints(std::int32_t px, std::int32_t py, std::int32_t& ax, std::int32_t& ay,
                          std::int32_t& bx, std::int32_t& by, double limitDegrees) {
  const double a1 = ax - px, a2 = ay - py, b1 = bx - px, b2 = by - py;
  if ((a1 == 0 && a2 == 0) || (b1 == 0 && b2 == 0)) return false;
  double theta = std::fabs(AngleDegrees(a1, a2) - AngleDegrees(b1, b2));
  if (theta >= 180.0) theta = 360.0 - theta;
  if (theta < limitDegrees) return false;
  const double ux = ax - bx, uy = ay - by;
  const double u = std::hypot(ux, uy);
  if (u == 0) return false;
  const double la = std::hypot(a1, a2), lb = std::hypot(b1, b2);
  auto round = [](double v) {
    return std::int32_t(std::clamp(std::trunc(v + 0.5), 0.0, double(kMaxCoordinate)));
  };
  const std::int32_t nax = round(px + ux * la / u), nay = round(py + uy * la / u);
  const std::int32_t nbx = round(px - ux * lb / u), nby = round(py - uy * lb / u);
  const bool changed = nax != ax || nay != ay || nbx != bx || nby != by;
  ax = nax, ay = nay, bx = nbx, by = nby;
  return changed;
}

long SmoothPathDirectionPoints(PathRecord& path, double limitDegrees) {
  if (path.usedWords < kFewestWordsToAlign) return 0;
  std::uint16_t* w = path.points.as<std::uint16_t>();
  auto align = [&](std::size_t anchor, std::size_t arriving, std::size_t leaving) {
    std::int32_t ax = w[arriving], ay = w[arriving + 1], bx = w[leaving], by = w[leaving + 1];
    if (!AlignDirectionPoints(w[anchor] & kCoordinateMask, w[anchor + 1] & kCoordinateMask, ax,
                              ay, bx, by, limitDegrees))
      return 0L;
    w[arriving] = std::uint16_t(ax), w[arriving + 1] = std::uint16_t(ay);
    w[leaving] = std::uint16_t(bx), w[leaving + 1] = std::uint16_t(by);
    return 1L;
  };
  const std::vector<std::size_t> anchors = AnchorOffsets(path);
  long changed = 0;
  for (std::size_t i = 1; i + 1 < anchors.size(); ++i) {
    const std::size_t at = anchors[i];
    if ((w[at] & kCurveBit) && (w[at + 1] & kCurveBit)) changed += align(at, at - 2, at + 2);
  }
  // The closing anchor of a closed path joins its last and first segments.
  const std::size_t last = anchors.back();
  if (anchors.size() > 2 && IsClosed(path) && (w[0] & kCurveBit) && (w[last + 1] & kCurveBit))
    changed += align(0, last - 2, 2);
  return changed;
}

DirectionSmoothing SmoothDirectionPoints(Artwork& art, int level) {
  DirectionSmoothing result;
  const double limit = kDirectionAngleLimits[std::clamp(level, 0, 2)];
  for (int i = 0; i < art.count; ++i) {
    PathRecord& path = art.paths[i];
    if (!InScope(art, path)) continue;
    result.operatedOn += anchorCount(path);
    result.changed += SmoothPathDirectionPoints(path, limit);
  }
  return result;
}

void ReportDirectionSmoothing(base::Runtime& rt, const DirectionSmoothing& r) {
  if (r.changed == 0) {
    base::ShowMessage(rt, msg::kNoDirectionPointsSmoothed);
    return;
  }
  const int number = r.changed != 1      ? msg::kSmoothedPointsOfPoints
                     : r.operatedOn != 1 ? msg::kSmoothedPointOfPoints
                                         : msg::kSmoothedPointOfPoint;
  rt.ui.showMessage(msg::Format(number, r.changed, r.operatedOn));
}

}  // namespace vl::art
