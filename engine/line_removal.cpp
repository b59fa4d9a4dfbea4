// Recognised lines taken out of the drawing before the rest is traced, and the snapping of
// traced vertices onto them.
#include <algorithm>
#include <cstdlib>

#include "engine/line_recognition.h"

namespace vl::engine {

namespace {

// One line's pixels seen along it: `along` runs over its range, `across` over its thickness.
// For a horizontal line along is x and across is y.
struct LineFrame {
  const BitPlaneView& plane;
  bool vertical = false;
  std::int32_t alongSize() const { return vertical ? plane.heightRows : plane.widthPixels; }
  std::int32_t acrossSize() const { return vertical ? plane.widthPixels : plane.heightRows; }
  bool ink(std::int32_t along, std::int32_t across) const {
    if (across < 0 || across >= acrossSize()) return false;
    return vertical ? BitAt(plane.row(along), across) != 0 : BitAt(plane.row(across), along) != 0;
  }
  void clear(const BitPlaneView& removed, std::int32_t along, std::int32_t across) const {
    const std::int32_t x = vertical ? across : along, y = vertical ? along : across;
    ClearBitAt(plane.row(y), x);
    SetBitAt(removed.row(y), x);
  }
};

// Only ink that the written line covers goes: the stroke reaches half its width to each side
// of the centre and, with its square caps, beyond its ends (a pixel more for ragged edges).
// A run across the line that leaves that band is another stroke's and stays whole.
void RemoveLine(const LineFrame& f, const LineEntry& e, const BitPlaneView& removed) {
  const std::int32_t half = (e.width + 1) / 2 + 1;  // pixels
  const std::int32_t from = std::max(e.start - half, 0);
  const std::int32_t to = std::min(e.end + half, f.alongSize() - 1);
  const std::int32_t bandLo = e.centre - half, bandHi = e.centre + half;
  for (std::int32_t a = from; a <= to; ++a) {
    std::int32_t hit = -1;
    for (std::int32_t d = 0; d <= half && hit < 0; ++d) {
      if (f.ink(a, e.centre - d)) hit = e.centre - d;
      else if (f.ink(a, e.centre + d)) hit = e.centre + d;
    }
    if (hit < 0) continue;  // a gap in a dashed line
    std::int32_t lo = hit, hi = hit;
    while (lo >= bandLo && f.ink(a, lo - 1)) --lo;
    while (hi <= bandHi && f.ink(a, hi + 1)) ++hi;
    if (lo < bandLo || hi > bandHi) continue;  // ink goes on across: another stroke's
    for (std::int32_t c = lo; c <= hi; ++c) f.clear(removed, a, c);
  }
}

int Step(std::int32_t from, std::int32_t to) { return from < to ? 1 : from > to ? -1 : 0; }

// Whether ink joins (x, y) to the line at `centre` (a horizontal line when !vertical) whose
// middle along it is `middle`: straight towards it while on ink, then along the line's
// direction while on ink, dropping one pixel towards it whenever off ink (which must then be
// ink); once level with the middle, or at the centre, straight towards the centre along ink.
bool InkJoins(const InkTest& ink, bool vertical, std::int32_t x, std::int32_t y,
              std::int32_t middle, std::int32_t centre) {
  std::int32_t along = vertical ? y : x, across = vertical ? x : y;
  auto at = [&](std::int32_t al, std::int32_t ac) {
    return vertical ? ink(ac, al) != 0 : ink(al, ac) != 0;
  };
  // Straight towards the line first, as far as ink goes: a stroke's end a pixel or two short
  // of the line's edge joins it, although the walk along would leave the stroke at once.
  while (across != centre && at(along, across + Step(across, centre)))
    across += Step(across, centre);
  while (along != middle && across != centre) {
    if (!at(along, across)) {
      across += Step(across, centre);
      if (!at(along, across)) return false;
    }
    along += Step(along, middle);
  }
  constexpr std::int32_t kCloseEnough = 4;  // pixels from the centre
  while (std::abs(across - centre) > kCloseEnough) {
    if (!at(along, across)) return false;
    across += Step(across, centre);
  }
  return true;
}

std::int32_t Beyond(std::int32_t v, std::int32_t start, std::int32_t end) {
  return std::max({v - end, start - v, 0});
}

}  // namespace

void RemoveRecognizedLines(const RecognizedLines& lines, const BitPlaneView& plane,
                           const BitPlaneView& removed) {
  for (bool vertical : {false, true}) {
    const LineFrame f{plane, vertical};
    for (const LineEntry& e : vertical ? lines.vertical : lines.horizontal)
      if (e.state != LineState::kMerged) RemoveLine(f, e, removed);
  }
}

LineSnap SnapToRecognizedLines(const RecognizedLines& lines, std::int32_t x, std::int32_t y,
                               const InkTest& ink) {
  LineSnap s{0, x, y};
  const std::int32_t reach = lines.q.centreDistance;
  std::int32_t best = reach;
  for (const LineEntry& h : lines.horizontal) {
    const std::int32_t d = Beyond(x, h.start, h.end);
    if (d > reach) continue;
    const std::int32_t cost = std::abs(y - h.centre) + d / 2;
    if (cost > best || !InkJoins(ink, false, x, y, (h.start + h.end) / 2, h.centre)) continue;
    best = cost;
    s.flags |= kSnappedToHorizontal;
    s.y = h.centre;
    s.x = std::clamp(x, h.start, h.end);
  }
  best = reach;
  for (const LineEntry& v : lines.vertical) {
    const std::int32_t d = Beyond(y, v.start, v.end);
    if (d > reach) continue;
    const std::int32_t cost = std::abs(x - v.centre) + d / 2;
    if (cost > best || !InkJoins(ink, true, x, y, (v.start + v.end) / 2, v.centre)) continue;
    best = cost;
    s.flags |= kSnappedToVertical;
    s.x = v.centre;
    if ((s.flags & kSnappedToHorizontal) == 0) s.y = std::clamp(y, v.start, v.end);
  }
  return s;
}

}  // namespace vl::engine
