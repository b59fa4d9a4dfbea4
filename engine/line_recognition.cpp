// Line recognition as data: the two scans, merging, rectangles and the snapped remaining lines.
#include "engine/line_recognition.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <new>

#include "base/message_table.h"
#include "base/progress.h"

namespace vl::engine {

namespace {

constexpr std::uint16_t kNone = 0xFFFF;  // scan entry of a row (column) in no long run
constexpr std::int32_t kMergeCentreLimit = 4;  // pixels: collinear pieces differ by less

std::int32_t Scaled(std::int32_t resolutionSum, std::int32_t divisor) {
  return (resolutionSum + divisor) / (2 * divisor);
}

// One scan direction over a plane whose rows are the scan positions: the image itself for
// horizontal lines, its transposition for vertical ones (so that both scans read runs along
// rows, whole bytes at a time). Position s moves across the plane; index i runs along it.
struct ScanAxis {
  const BitPlaneView& plane;
  std::int32_t positions() const { return plane.heightRows; }
  std::int32_t length() const { return plane.widthPixels; }
  bool ink(std::int32_t s, std::int32_t i) const {
    if (s < 0 || i < 0 || s >= positions() || i >= length()) return false;
    return BitAt(plane.row(s), i) != 0;
  }
};

// The next run of ink in `row` at or after `from`: [start, end), or start = length for none.
// Blank and solid bytes are passed whole: a form is mostly paper.
void NextRun(const std::uint8_t* row, std::int32_t from, std::int32_t length, std::int32_t& start,
             std::int32_t& end) {
  std::int32_t i = from;
  while (i < length) {
    if ((i & 7) == 0 && i + 8 <= length && row[i >> 3] == 0) {
      i += 8;
      continue;
    }
    if (BitAt(row, i)) break;
    ++i;
  }
  start = i;
  while (i < length) {
    if ((i & 7) == 0 && i + 8 <= length && row[i >> 3] == 0xFF) {
      i += 8;
      continue;
    }
    if (!BitAt(row, i)) break;
    ++i;
  }
  end = i;
}

// The plane with rows and columns exchanged: row x of the result is column x of `plane`.
struct Transposed {
  std::vector<std::uint8_t> bits;
  BitPlaneView view;
  explicit Transposed(const BitPlaneView& plane) {
    const std::int32_t rowBytes = (plane.heightRows + 31) / 32 * 4;
    bits.assign(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(plane.widthPixels),
                0);
    view = {bits.data(), rowBytes, plane.heightRows, plane.widthPixels};
    for (std::int32_t y = 0; y < plane.heightRows; ++y) {
      const std::uint8_t* row = plane.row(y);
      for (std::int32_t b = 0; b < plane.rowBytes && b * 8 < plane.widthPixels; ++b) {
        for (std::uint8_t v = row[b]; v != 0; v = static_cast<std::uint8_t>(v & (v - 1))) {
          const std::int32_t x = b * 8 + 7 - std::countr_zero(v);  // the byte's last ink
          if (x < plane.widthPixels) SetBitAt(view.row(x), y);
        }
      }
    }
  }
};

struct Band {
  std::int32_t first = 0, last = 0;    // indices along the scan array
  std::int32_t minLeft = 0, maxLeft = 0;  // scan positions
  std::int32_t minIndex = 0;           // where minLeft was found
};

// A short line is kept only where it joins other strokes at both ends (a form's cell divider
// between two rules): from each end, ink runs sideways from its edge for the whole side-check
// reach. A letter's stem standing on a rule joins it at one end only.
bool PassesSideCheck(const ScanAxis& axis, const Band& b, const LineQuantities& q) {
  const std::int32_t ends[2] = {std::min(b.first + 2, b.last), std::max(b.last - 2, b.first)};
  for (std::int32_t i : ends) {
    bool reached = false;
    for (int dir : {-1, 1}) {
      const std::int32_t edge = dir < 0 ? b.minLeft - 1 : b.maxLeft + 1;
      std::int32_t n = 0;
      while (n < q.sideReach && axis.ink(edge + dir * n, i)) ++n;
      reached = reached || n >= q.sideReach;
    }
    if (!reached) return false;
  }
  return true;
}

// Parallel pieces closer than half the re-centring distance are set exactly that far apart,
// so that the merge does not fuse two strokes of a double rule.
void Recentre(std::vector<LineEntry>& lines, const LineQuantities& q) {
  LineEntry& added = lines.back();
  const std::int32_t h = q.centreDistance / 2;
  for (std::size_t k = 0; k + 1 < lines.size(); ++k) {
    LineEntry& e = lines[k];
    if (std::abs(e.centre - added.centre) >= h) continue;
    if (!(added.start + q.minRun < e.end && added.end - q.minRun > e.start)) continue;
    const std::int32_t m = std::max((e.centre + added.centre - h) / 2, 0);
    if (e.centre < added.centre) {
      e.centre = m;
      added.centre = m + h;
    } else {
      added.centre = m;
      e.centre = m + h;
    }
  }
}

void AppendLine(std::int32_t centre, std::int32_t first, std::int32_t last, std::int32_t width,
                const LineQuantities& q, std::vector<LineEntry>& out) {
  const std::int32_t pull = std::min(width, last - first + 1) / 2;
  out.push_back({centre, first + pull, last - pull, width, LineState::kLive});
  Recentre(out, q);
}

// What the probes of one long band have seen: the rows and right edge of the stroke split off
// last, and the last eight edge pairs, whose repeat ends the probing (the band is then one line).
struct ProbeMemory {
  std::int32_t splitFirst = 1, splitLast = 0, splitRight = 0;
  std::int32_t pairs[8][2] = {};
  int pairCount = 0;
  bool seen(std::int32_t left, std::int32_t right) {
    for (int k = 0; k < std::min(pairCount, 8); ++k)
      if (pairs[k][0] == left && pairs[k][1] == right) return true;
    pairs[pairCount % 8][0] = left;
    pairs[pairCount % 8][1] = right;
    ++pairCount;
    return false;
  }
};

// The first ink at or after `from` and before `limit` across the scan positions at index i.
std::int32_t NextInk(const ScanAxis& axis, std::int32_t i, std::int32_t from, std::int32_t limit) {
  while (from < limit && !axis.ink(from, i)) ++from;
  return from;
}
std::int32_t NextWhite(const ScanAxis& axis, std::int32_t i, std::int32_t from) {
  while (axis.ink(from, i)) ++from;
  return from;
}

// One run of a followed stroke across the positions: [left, right), and where the next run
// starts (`limit` for none).
struct StrokeRun {
  std::int32_t left = 0, right = 0, next = 0;
};

// Follows the stroke from index `i` (run `run`) one index at a time in direction `dir` up to
// `stop`, keeping its widest extent; each followed index's scan entry becomes the start of the
// next run. Returns the last index followed.
std::int32_t FollowStroke(const ScanAxis& axis, std::vector<std::uint16_t>& scan, StrokeRun run,
                          std::int32_t i, int dir, std::int32_t stop, const Band& b,
                          std::int32_t& minLeft, std::int32_t& maxRight) {
  std::int32_t followed = i;
  for (std::int32_t j = i + dir; dir > 0 ? j <= stop : j >= stop; j += dir) {
    std::int32_t left = NextInk(axis, j, run.left, b.maxLeft + 1);
    if (left == run.left && run.left - 1 >= b.minLeft && axis.ink(run.left - 1, j)) --left;
    if (left > b.maxLeft || left >= run.right) break;  // no run overlapping the previous one
    const std::int32_t right = std::min(NextWhite(axis, j, left), run.right + 1);
    const std::int32_t next = NextInk(axis, j, right, b.maxLeft);
    run = {left, right, next};
    minLeft = std::min(minLeft, left);
    maxRight = std::max(maxRight, right);
    scan[j] = next < b.maxLeft ? static_cast<std::uint16_t>(next) : kNone;
    followed = j;
  }
  return followed;
}

// Looks along index i for a stroke with a further run beside it inside the band; when found,
// follows it along the band, appends it as a line and leaves the scan entries of its indices
// at the next run. True when the band's entries changed.
bool ProbeSplits(const ScanAxis& axis, std::vector<std::uint16_t>& scan, const Band& b,
                 std::int32_t i, const LineQuantities& q, ProbeMemory& memory,
                 std::vector<LineEntry>& out, bool& repeated) {
  std::int32_t from = b.minLeft;
  if (i >= memory.splitFirst && i <= memory.splitLast)
    from = std::max(from, memory.splitRight);
  if (from >= b.maxLeft) return false;
  const std::int32_t e = NextInk(axis, i, from, b.maxLeft);
  if (e >= b.maxLeft) return false;
  const std::int32_t r = NextWhite(axis, i, e);
  const std::int32_t n = NextInk(axis, i, r, b.maxLeft);
  if (n >= b.maxLeft) return false;
  std::int32_t minLeft = e, maxRight = r;
  scan[i] = static_cast<std::uint16_t>(n);
  const std::int32_t last =
      FollowStroke(axis, scan, {e, r, n}, i, 1, b.last, b, minLeft, maxRight);
  const std::int32_t first =
      FollowStroke(axis, scan, {e, r, n}, i, -1, b.first, b, minLeft, maxRight);
  if (memory.seen(minLeft, maxRight)) {
    repeated = true;
    return false;
  }
  // The measured thickness is the stroke's extent across: its edges are a left edge and the
  // first white position after it.
  const std::int32_t width = maxRight - minLeft;
  if (last - first + 1 > q.shortLineMin && width < q.maxSpread)
    AppendLine((minLeft + maxRight - 1) / 2, first, last, width, q, out);
  if (first <= memory.splitLast && last >= memory.splitFirst) {
    memory.splitFirst = std::min(memory.splitFirst, first);
    memory.splitLast = std::max(memory.splitLast, last);
    memory.splitRight = std::max(memory.splitRight, maxRight);
  } else {
    memory.splitFirst = first;
    memory.splitLast = last;
    memory.splitRight = maxRight;
  }
  return true;
}

void FinishBand(const ScanAxis& axis, std::vector<std::uint16_t>& scan, Band b, std::int32_t lo,
                const LineQuantities& q, std::vector<LineEntry>& out, ProbeMemory* memory);

// The bands left within [first, last] after a probe split a stroke off, each finished anew.
void RescanBand(const ScanAxis& axis, std::vector<std::uint16_t>& scan, std::int32_t first,
                std::int32_t last, std::int32_t lo, const LineQuantities& q,
                std::vector<LineEntry>& out, ProbeMemory& memory) {
  for (std::int32_t i = first; i <= last;) {
    if (scan[i] == kNone) {
      ++i;
      continue;
    }
    Band sub{i, i, scan[i], scan[i], i};
    for (; i <= last && scan[i] != kNone; ++i) {
      if (scan[i] < sub.minLeft) {
        sub.minLeft = scan[i];
        sub.minIndex = i;
      }
      sub.maxLeft = std::max<std::int32_t>(sub.maxLeft, scan[i]);
    }
    sub.last = i - 1;
    FinishBand(axis, scan, sub, lo, q, out, &memory);
  }
}

void FinishBand(const ScanAxis& axis, std::vector<std::uint16_t>& scan, Band b, std::int32_t lo,
                const LineQuantities& q, std::vector<LineEntry>& out, ProbeMemory* memory) {
  const std::int32_t length = b.last - b.first + 1;
  if (lo >= b.maxLeft) return;
  if (length <= q.shortLineMin && !PassesSideCheck(axis, b, q)) return;
  if (length > axis.length() / 4) {
    // A long band may hold parallel strokes whose runs joined: probes across it split them off.
    ProbeMemory own;
    ProbeMemory& m = memory != nullptr ? *memory : own;
    const std::int32_t step = std::max(length / 4 - 1, 1);
    bool repeated = false;
    for (std::int32_t i = b.first + 2; i <= b.last && !repeated; i += step) {
      if (ProbeSplits(axis, scan, b, i, q, m, out, repeated)) {
        RescanBand(axis, scan, b.first, b.last, lo, q, out, m);
        return;
      }
    }
    // A long band's smallest entry may come from a stroke that joins it at one end; the other
    // half of the band tells where the line itself began.
    const std::int32_t mid = (b.first + b.last) / 2;
    const bool inLower = b.minIndex > mid;
    const std::int32_t from = inLower ? b.first : mid + 1, to = inLower ? mid : b.last;
    std::int32_t m2 = b.maxLeft;
    for (std::int32_t i = from; i <= to; ++i) m2 = std::min<std::int32_t>(m2, scan[i]);
    b.minLeft = m2;
  }
  const std::int32_t spread = b.maxLeft - b.minLeft + 1;
  if (spread > q.maxSpread) return;
  AppendLine((b.minLeft + b.maxLeft) / 2, b.first, b.last, spread, q, out);
}

// Returns false when stopped by the user.
bool Scan(const ScanAxis& axis, std::vector<std::uint16_t>& scan, const LineQuantities& q,
          std::int32_t progressBase, const BitPlaneView& image, base::Runtime& rt,
          std::vector<LineEntry>& out) {
  const std::int32_t positions = axis.positions(), length = axis.length();
  std::fill(scan.begin(), scan.begin() + length, kNone);
  std::int32_t activeFirst = length, activeLast = -1;  // the entries lie within these indices
  for (std::int32_t s = 0; s < positions; ++s) {
    if ((s & 7) == 0) {
      rt.state.currentRow = progressBase + s;
      base::UpdateRowProgress(rt, image.heightRows, image.widthPixels, 0);
      if (base::PollAbort(rt)) return false;
    }
    const std::int32_t lo = std::max(s - q.maxSpread, 0);
    const std::uint8_t* row = axis.plane.row(s);
    for (std::int32_t i = 0, start, end; i < length; i = end) {
      NextRun(row, i, length, start, end);
      if (start >= length) break;
      if (end - start > q.minRun) {
        // The middle row carries the current position for as long as the stroke goes on.
        scan[(start + end - 1) / 2] = static_cast<std::uint16_t>(s);
        for (std::int32_t k = start; k < end; ++k)
          scan[k] = static_cast<std::uint16_t>(
              std::max<std::int32_t>(std::min<std::int32_t>(scan[k], s), lo));
        activeFirst = std::min(activeFirst, start);
        activeLast = std::max(activeLast, end - 1);
      }
    }
    const bool lastPosition = s == positions - 1;
    // Only the part of the scan array that holds entries is walked.
    std::int32_t keptFirst = length, keptLast = -1;
    for (std::int32_t i = activeFirst; i <= activeLast;) {
      if (scan[i] == kNone) {
        ++i;
        continue;
      }
      Band b{i, i, scan[i], scan[i], i};
      for (; i < length && scan[i] != kNone; ++i) {
        if (scan[i] < b.minLeft) {
          b.minLeft = scan[i];
          b.minIndex = i;
        }
        b.maxLeft = std::max<std::int32_t>(b.maxLeft, scan[i]);
      }
      b.last = i - 1;
      if (b.maxLeft == s && !lastPosition) {  // the stroke goes on
        keptFirst = std::min(keptFirst, b.first);
        keptLast = b.last;
        continue;
      }
      FinishBand(axis, scan, b, lo, q, out, nullptr);
      std::fill(scan.begin() + b.first, scan.begin() + b.last + 1, kNone);
    }
    activeFirst = keptFirst;
    activeLast = keptLast;
  }
  return true;
}

std::int32_t OutsideBy(std::int32_t v, std::int32_t lo, std::int32_t hi) {
  return std::max({v - hi, lo - v, 0});
}

// The centre of the crossing line (merged pieces excluded) cheapest to snap `end` to, or `end`.
std::int32_t SnapEnd(std::int32_t end, std::int32_t at, const std::vector<LineEntry>& crossing,
                     std::int32_t tolerance) {
  std::int32_t best = tolerance, snapped = end;
  for (const LineEntry& c : crossing) {
    if (c.state == LineState::kMerged) continue;
    const std::int32_t d = OutsideBy(at, c.start, c.end);
    if (d > tolerance) continue;
    const std::int32_t cost = std::abs(end - c.centre) + d / 2;
    if (cost <= best) {
      best = cost;
      snapped = c.centre;
    }
  }
  return snapped;
}

}  // namespace

LineQuantities ComputeLineQuantities(std::int32_t r) {
  LineQuantities q;
  q.maxSpread = Scaled(r, 4);
  q.shortLineMin = Scaled(r, 6);
  q.minRun = Scaled(r, 10);
  q.sideReach = Scaled(r, 15);
  q.cornerTolerance = Scaled(r, 20);
  q.endSnapTolerance = Scaled(r, 20);
  q.centreDistance = Scaled(r, 20);
  q.mergeGap = Scaled(r, 36);
  return q;
}

LineScanOutcome RecognizeLines(const BitPlaneView& plane, std::int32_t resolutionSum,
                               base::Runtime& rt, RecognizedLines& out) {
  out.q = ComputeLineQuantities(resolutionSum);
  std::vector<std::uint16_t> scan;
  try {
    scan.resize(static_cast<std::size_t>(std::max(plane.widthPixels, plane.heightRows)));
    out.horizontal.reserve(20);
    out.vertical.reserve(20);
  } catch (const std::bad_alloc&) {
    base::ShowFailure(rt, msg::kInsufficientMemory);
    rt.state.abortRequested = 1;
    return LineScanOutcome::kNoMemory;
  }
  rt.state.stageLabel = msg::kLineRecognizingLabel;
  try {
    if (!Scan({plane}, scan, out.q, 0, plane, rt, out.horizontal))
      return LineScanOutcome::kStopped;
    const Transposed columns(plane);
    if (!Scan({columns.view}, scan, out.q, plane.heightRows, plane, rt, out.vertical))
      return LineScanOutcome::kStopped;
  } catch (const std::bad_alloc&) {
    // The lines found so far stay.
    base::ShowFailure(rt, msg::kInsufficientMemory);
    rt.state.abortRequested = 1;
    return LineScanOutcome::kNoMemory;
  }
  return LineScanOutcome::kDone;
}

void MergeCollinearLines(std::vector<LineEntry>& lines, std::int32_t mergeGap) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    LineEntry& a = lines[i];
    if (a.state != LineState::kLive) continue;
    for (bool merged = true; merged;) {
      merged = false;
      for (std::size_t j = i + 1; j < lines.size(); ++j) {
        LineEntry& b = lines[j];
        if (b.state != LineState::kLive || std::abs(b.centre - a.centre) >= kMergeCentreLimit)
          continue;
        // Overlapping pieces merge too: a piece inside another is the same line.
        if (b.start > a.end + mergeGap || b.end < a.start - mergeGap) continue;
        a.start = std::min(a.start, b.start);
        a.end = std::max(a.end, b.end);
        a.centre = (a.centre + b.centre) / 2;
        a.width = std::max(a.width, b.width);
        b.state = LineState::kMerged;
        merged = true;
      }
    }
  }
}

std::vector<RecognizedRectangle> BuildRectangles(RecognizedLines& lines,
                                                 std::int32_t resolutionSum, bool uniformWidths) {
  std::vector<RecognizedRectangle> found;
  auto& hs = lines.horizontal;
  auto& vs = lines.vertical;
  const std::int32_t tol = lines.q.cornerTolerance;
  const std::int32_t slack = std::max(resolutionSum / 200, 1);
  // The live line of `list` from index `from` on with the smallest cost below the tolerance.
  auto cheapest = [tol](std::vector<LineEntry>& list, std::size_t from, auto cost) {
    std::int32_t best = tol;
    std::size_t at = list.size();
    for (std::size_t k = from; k < list.size(); ++k) {
      if (list[k].state != LineState::kLive) continue;
      const std::int32_t c = cost(list[k]);
      if (c < best) {
        best = c;
        at = k;
      }
    }
    return at;
  };
  for (std::size_t t = 0; t < hs.size(); ++t) {
    if (hs[t].state != LineState::kLive) continue;
    const LineEntry& top = hs[t];
    const std::size_t l = cheapest(vs, 0, [&](const LineEntry& v) {
      return std::abs(v.start - top.centre) + std::abs(v.centre - top.start);
    });
    if (l == vs.size()) continue;
    const std::size_t b = cheapest(hs, t + 1, [&](const LineEntry& h) {
      return std::abs(h.start - vs[l].centre) + std::abs(h.centre - vs[l].end);
    });
    if (b == hs.size()) continue;
    const std::size_t r = cheapest(vs, l + 1, [&](const LineEntry& v) {
      return std::abs(v.end - hs[b].centre) + std::abs(v.centre - hs[b].end);
    });
    if (r == vs.size()) continue;
    if (std::abs(top.end - vs[r].centre) + std::abs(top.centre - vs[r].start) >= tol) continue;
    LineEntry* sides[4] = {&hs[t], &vs[l], &hs[b], &vs[r]};
    const std::int32_t w = (sides[0]->width + sides[1]->width + sides[2]->width +
                            sides[3]->width + 2) / 4;
    if (!uniformWidths &&
        std::any_of(std::begin(sides), std::end(sides),
                    [&](const LineEntry* e) { return std::abs(e->width - w) > slack; }))
      continue;
    found.push_back({vs[l].centre, hs[t].centre, vs[r].centre, hs[b].centre, w});
    for (LineEntry* e : sides) {
      e->width = w;
      e->state = LineState::kRectangleSide;
    }
  }
  return found;
}

std::vector<StraightLine> RemainingLines(const RecognizedLines& lines) {
  std::vector<StraightLine> out;
  const std::int32_t tol = lines.q.endSnapTolerance;
  for (const LineEntry& h : lines.horizontal) {
    if (h.state != LineState::kLive) continue;
    out.push_back({SnapEnd(h.start, h.centre, lines.vertical, tol), h.centre,
                   SnapEnd(h.end, h.centre, lines.vertical, tol), h.centre, h.width});
  }
  for (const LineEntry& v : lines.vertical) {
    if (v.state != LineState::kLive) continue;
    out.push_back({v.centre, SnapEnd(v.start, v.centre, lines.horizontal, tol), v.centre,
                   SnapEnd(v.end, v.centre, lines.horizontal, tol), v.width});
  }
  return out;
}

}  // namespace vl::engine
