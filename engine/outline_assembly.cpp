// Outline assembly: the chain record of one boundary becomes a closed polygon. Each side grows
// from its start A along the chain for as long as every chain point since A stays within the
// tolerance of the segment A-B; where it breaks, the vertex goes to the best nearby point.
#include "engine/outline_assembly.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <optional>
#include <unordered_map>
#include <vector>

#include "base/message_table.h"
#include "engine/centerline_state.h"
#include "engine/edge_extraction.h"
#include "base/progress.h"
#include "engine/vertex_record.h"

namespace vl::engine {

namespace {

using namespace vertex_record;
constexpr std::int64_t kWordNextX = kWordsPerVertex;  // word 0 of the record after the cursor
constexpr std::int16_t kPointListEnd = -1;

// Errors and tolerances are squared distances in 1/64 square pixel.
constexpr std::int64_t kNoError = 999;           // "no point" in the error history
constexpr std::int64_t kMaxLineDistance = 9999;
// Doubling 32 times lifts any tolerance above every possible error (at most 64 x 2 x 32767^2),
// so the repetition always ends.
constexpr int kMaxToleranceDoublings = 32;

constexpr int kHistoryLength = 5;              // errors of the last accepted points
constexpr int kMaxWalkBack = 4;                // points a vertex or candidate may lie back
constexpr std::int64_t kCandidateAfterPoints = 20;
constexpr std::int64_t kRecheckedPoints = 4;   // points re-examined while a candidate stands
constexpr std::int64_t kCandidateMinShift2 = 30;  // square pixels between successive candidates

// Centre lines.
constexpr std::int32_t kRetraceAxisPixels = 3;  // vertices farther on an axis are not near
constexpr std::int64_t kFarVertex2 = 10000;     // "not near", square pixels
constexpr std::int64_t kApproachDistance2 = 6;  // square pixels: an approach to a vertex
constexpr std::int32_t kJunctionRows = 7;
constexpr std::int32_t kJunctionAxisPixels = 5;

struct Point {
  std::int32_t x = 0, y = 0;  // pixels
};

std::int64_t Distance2(Point p, Point q) {
  const std::int64_t dx = p.x - q.x, dy = p.y - q.y;
  return dx * dx + dy * dy;
}

// Direction of (dx, dy) in whole degrees, atan2 truncated toward zero. Multiples of 45 are
// given exactly: in floating point they may come out a hair short and truncate one degree low.
int DirectionDegrees(std::int64_t dx, std::int64_t dy) {
  if (dx == 0) return dy > 0 ? 90 : -90;
  if (dy == 0) return dx > 0 ? 0 : 180;
  if (dx == dy) return dx > 0 ? 45 : -135;
  if (dx == -dy) return dx > 0 ? -45 : 135;
  return static_cast<int>(std::atan2(double(dy), double(dx)) * (180.0 / std::numbers::pi));
}

// kNewSide: a centre-line check ended the side and started the next one.
enum class Step { kGoOn, kRestart, kStop, kNewSide };

// The walk over one chain record. The chain position `pos` is the record offset of the next
// code to read; the side's n-th accepted point (n counted from 1) lies right before the code
// at sideChain + n, which is what lets a vertex or candidate find its place in the chain again.
class Assembly {
 public:
  explicit Assembly(Tracer& t)
      : t_(t), vertices_(*t.vertices), points_(*t.points), chain_(*t.chain),
        centerline_(t.rt.state.tracerMode > 0) {}

  bool run() {
    tolerance_ = t_.constants.polygonTolerance;
    for (;;) {
      switch (assemble()) {
        case Step::kGoOn:
        case Step::kNewSide: return true;
        case Step::kStop: return false;
        case Step::kRestart:
          tolerance_ *= 2;
          ++t_.toleranceDoublings;
          break;
      }
    }
  }

 private:
  // One attempt at the whole outline with the current tolerance.
  Step assemble() {
    vertices_.restart();
    a_ = b_ = Point{chain_.startX(), chain_.startY()};
    SetVertexWord(vertices_, static_cast<std::int16_t>(a_.x), kWordX);
    SetVertexWord(vertices_, static_cast<std::int16_t>(a_.y), kWordY);
    t_.rt.state.tracerX = static_cast<std::int16_t>(a_.x);
    t_.rt.state.tracerY = static_cast<std::int16_t>(a_.y);
    pos_ = static_cast<std::int64_t>(kChainHeaderBytes);
    retrace_ = RetraceState{};
    retrace_.vertices.clear();
    noteVertex(a_);
    if (Step s = startSide(); s != Step::kGoOn) return s;

    for (;;) {
      const std::uint8_t code = chain_.byteAt(pos_);
      if (code > 7) {  // the end byte (top bit set); nothing else is a valid code
        // A centre line gets at least one side.
        if (centerline_ && vertices_.cursor() == kRecordBytes && count_ > 0) {
          if (Step s = endSide(); s != Step::kGoOn) return s;
          continue;
        }
        finishList();
        return Step::kGoOn;
      }
      ++pos_;
      b_.x += kChainDx[code];
      b_.y += kChainDy[code];
      if (centerline_) {
        const Step s = centerlineChecks();
        if (s == Step::kNewSide) continue;
        if (s != Step::kGoOn) return s;
      }

      if (candidate_) examineWithCandidate();
      else examineAll();
      Step s = Step::kGoOn;
      for (;;) {
        // The first point after a vertex is always taken, so every side moves on.
        if (error_ < tolerance_ || count_ == 0 ||
            (centerline_ && !candidate_ && lastAccepted_ < tolerance_)) {
          s = accept();
          break;
        }
        if (candidate_) {
          previous_ = candidate_;
          candidate_.reset();
          examineAll();
          continue;
        }
        s = endSide();
        break;
      }
      if (s != Step::kGoOn) return s;
    }
  }

  // Step 3: the record at the cursor is A; its chain offset is written and a new side begins.
  Step startSide() {
    if (PollAbort(t_.rt)) return Step::kStop;
    if (vertices_.cursor() >= kMaxOutlineSides * kRecordBytes &&
        t_.toleranceDoublings < kMaxToleranceDoublings)
      return Step::kRestart;
    SetChainOffset(vertices_, pos_);
    vertices_.moveCursor(kRecordBytes);
    if (!points_.resetForNewSide() || !points_.push(kPointListEnd)) return Step::kStop;
    count_ = 0;
    sideChain_ = pos_;
    lastAccepted_ = kNoError;
    candidate_.reset();
    previous_.reset();
    history_.fill(kNoError);
    return Step::kGoOn;
  }

  // Step 5.
  Step accept() {
    for (int i = 0; i + 1 < kHistoryLength; ++i) history_[i] = history_[i + 1];
    history_[kHistoryLength - 1] = error_;
    lastAccepted_ = error_;
    if (!appendPoint(b_)) return Step::kStop;

    if (!candidate_ && count_ > kCandidateAfterPoints && error_ < tolerance_) {
      const int back = walkBack();
      const Point k = pointAt(count_ - 1 - back);
      if (back >= 2 && (!previous_ || Distance2(k, *previous_) >= kCandidateMinShift2)) {
        // Walk back to K: the points after it are dropped and the chain is read again from
        // the code after it.
        count_ -= back;
        pos_ -= back;
        b_ = k;
        for (int i = kHistoryLength - 1; i >= 0; --i)
          history_[i] = i - back >= 0 ? history_[i - back] : kNoError;
        points_.truncate(2 * count_);
        if (!points_.push(kPointListEnd)) return Step::kStop;
      }
      candidate_ = k;
      length2_ = Distance2(a_, k);
    }
    return Step::kGoOn;
  }

  // Step 6: the vertex goes back from the newest accepted point while the errors fell toward
  // it, to where the side really started to bend; the chain is read again from there.
  Step endSide() {
    const std::int64_t index = count_ - 1 - walkBack();
    const Point v = pointAt(index);
    pos_ = sideChain_ + index + 1;
    b_ = a_ = v;
    EmitVertex(t_, static_cast<std::int16_t>(v.x), static_cast<std::int16_t>(v.y));
    noteVertex(v);
    return startSide();
  }

  // ---- Centre lines: vertices where the line comes back over its own vertices and where it
  // passes a junction, so that the way out and the way back are cut at the same places. ----

  // Returns kRestart when a new side was started, kGoOn to go on, kStop on failure.
  Step centerlineChecks() {
    if (Step s = retraceCheck(); s != Step::kGoOn) return s;
    return junctionCheck();
  }

  Step retraceCheck() {
    RetraceState& r = retrace_;
    const Nearest n = nearestVertex(b_);
    if (n.distance2 == 0) {
      r.matchedLast = n.index;
      return newSideAt(b_, pos_);
    }
    if (r.approaching && n.distance2 > r.previous) {
      r.matchedLast = r.bestIndex;
      return newSideAt(r.best, r.bestPos);
    }
    if (n.distance2 < r.previous && n.distance2 <= kApproachDistance2) {
      r.approaching = true;
      r.best = b_;
      r.bestPos = pos_;
      r.bestIndex = n.index;
    }
    r.previous = n.distance2;
    return Step::kGoOn;
  }

  Step junctionCheck() {
    const auto& points = t_.centerline.junctions.points;
    if (!t_.centerline.junctionsReady || points.size() < 3) return Step::kGoOn;
    std::int64_t best = -1, bestD2 = kFarVertex2;
    auto it = std::lower_bound(points.begin() + 1, points.end() - 1, b_.y - kJunctionRows,
                               [](const JunctionPoint& j, std::int32_t y) { return j.y < y; });
    for (; it != points.end() - 1 && it->y <= b_.y + kJunctionRows; ++it) {
      const std::int64_t d2 = NearDistance2(b_, Point{it->x, it->y}, kJunctionAxisPixels);
      if (d2 < bestD2) bestD2 = d2, best = std::int64_t(it - points.begin());
    }
    if (best < 0 || bestD2 >= t_.constants.junctionSnapDistance ||
        best == t_.centerline.lastJunction)
      return Step::kGoOn;
    const Point j{points[std::size_t(best)].x, points[std::size_t(best)].y};
    const std::uint8_t next = chain_.byteAt(pos_);
    if (next <= 7 && Distance2(Point{b_.x + kChainDx[next], b_.y + kChainDy[next]}, j) < bestD2)
      return Step::kGoOn;  // the chain still comes closer
    t_.centerline.lastJunction = best;
    if (b_.x == a_.x && b_.y == a_.y) return Step::kGoOn;
    return newSideAt(b_, pos_);
  }

  // Ends the side at p (reached just before the code at chainPos) and starts the next there.
  Step newSideAt(Point p, std::int64_t chainPos) {
    if (p.x == a_.x && p.y == a_.y) {
      retrace_.approaching = false;
      return Step::kGoOn;
    }
    pos_ = chainPos;
    b_ = a_ = p;
    EmitVertex(t_, static_cast<std::int16_t>(p.x), static_cast<std::int16_t>(p.y));
    noteVertex(p);
    if (Step s = startSide(); s != Step::kGoOn) return s;
    return Step::kNewSide;
  }

  struct Nearest {
    std::int64_t distance2 = kFarVertex2;
    std::int64_t index = -1;
  };

  // The nearest vertex of the list within kRetraceAxisPixels per axis, leaving out the
  // side's start and the vertex matched last.
  Nearest nearestVertex(Point p) const {
    Nearest n;
    const std::int64_t start = std::int64_t(retrace_.vertices.size()) - 1;
    for (std::int32_t cy = Cell(p.y - kRetraceAxisPixels); cy <= Cell(p.y + kRetraceAxisPixels); ++cy)
      for (std::int32_t cx = Cell(p.x - kRetraceAxisPixels); cx <= Cell(p.x + kRetraceAxisPixels); ++cx) {
        auto it = retrace_.cells.find(CellKey(cx, cy));
        if (it == retrace_.cells.end()) continue;
        for (std::int64_t i : it->second) {
          if (i == start || i == retrace_.matchedLast) continue;
          const std::int64_t d2 =
              NearDistance2(p, retrace_.vertices[std::size_t(i)], kRetraceAxisPixels);
          if (d2 < n.distance2) n = {d2, i};
        }
      }
    return n;
  }

  void noteVertex(Point p) {
    if (!centerline_) return;
    const auto index = std::int64_t(retrace_.vertices.size());
    retrace_.vertices.push_back(p);
    retrace_.cells[CellKey(Cell(p.x), Cell(p.y))].push_back(index);
    // A new side measures its approaches from where it starts, so leaving a vertex close by
    // is not taken for coming back to it.
    retrace_.approaching = false;
    retrace_.previous = nearestVertex(p).distance2;
  }

  static std::int32_t Cell(std::int32_t v) { return v >> 2; }  // 4-pixel cells
  static std::int64_t CellKey(std::int32_t cx, std::int32_t cy) {
    return (std::int64_t(cx) << 32) ^ std::int64_t(std::uint32_t(cy));
  }
  static std::int64_t NearDistance2(Point p, Point q, std::int32_t axisPixels) {
    if (std::abs(p.x - q.x) > axisPixels || std::abs(p.y - q.y) > axisPixels) return kFarVertex2;
    return Distance2(p, q);
  }

  // Step 7: the closing vertex at the final position, then the list end.
  void finishList() {
    EmitVertex(t_, static_cast<std::int16_t>(b_.x), static_cast<std::int16_t>(b_.y));
    noteVertex(b_);
    SetChainOffset(vertices_, pos_);
    SetVertexWord(vertices_, kListEnd, kWordNextX);
    t_.listEndBytes = vertices_.cursor() + kRecordBytes;
  }

  // How many points back from the newest the errors keep falling (at most four, and never
  // past the side's first point).
  int walkBack() const {
    int back = 0;
    while (back < kMaxWalkBack && back < count_ - 1 &&
           history_[kHistoryLength - 1 - back] > history_[kHistoryLength - 2 - back])
      ++back;
    return back;
  }

  // Step 4.1: the side's squared length and axis are taken afresh and every point is examined.
  void examineAll() {
    length2_ = Distance2(a_, b_);
    const std::int64_t dx = b_.x - a_.x, dy = b_.y - a_.y;
    alongX_ = std::llabs(dx) > std::llabs(dy);
    const std::int64_t d = alongX_ ? dx : dy;
    axisSign_ = (d > 0) - (d < 0);
    // A centre line back at its side's start has come round a loop: no side ends there.
    error_ = centerline_ && dx == 0 && dy == 0 ? kNoError : 0;
    for (std::int64_t i = 0; i < count_; ++i) examine(pointAt(i));
  }

  // Step 4.2: only the candidate and the last few points.
  void examineWithCandidate() {
    error_ = lineDistance(*candidate_);
    for (std::int64_t i = std::max<std::int64_t>(0, count_ - kRecheckedPoints); i < count_; ++i)
      examine(pointAt(i));
  }

  // Step 4.3.
  void examine(Point p) {
    bool within;
    if (alongX_) within = axisSign_ > 0 ? p.x <= b_.x : p.x >= b_.x;
    else if (axisSign_ != 0) within = axisSign_ > 0 ? p.y <= b_.y : p.y >= b_.y;
    else within = false;  // B is back at A: every point is measured from that one point
    if (within) {
      error_ = std::max(error_, lineDistance(p));
      return;
    }
    const std::int64_t e = 64 * std::min(Distance2(p, b_), Distance2(p, a_));
    if (e <= error_) return;
    // Points that double back make the error grow even while they stay close to the ends.
    error_ = e <= lastAccepted_ && lastAccepted_ < kNoError ? lastAccepted_ + 1 : e;
  }

  // Squared distance of p from the line A-B scaled by the side's held squared length (|AB|^2,
  // or |AK|^2 once a candidate K stands), in 1/64 square pixel.
  std::int64_t lineDistance(Point p) const {
    if (length2_ == 0) return 0;
    const std::int64_t q = std::int64_t(b_.x - a_.x) * (p.y - a_.y) -
                           std::int64_t(b_.y - a_.y) * (p.x - a_.x);
    const double v = double(q) * double(q) / double(length2_) * 64.0;
    return v > double(kMaxLineDistance) ? kMaxLineDistance : static_cast<std::int64_t>(v);
  }

  Point pointAt(std::int64_t index) {
    return Point{points_.wordAt(2 * index), points_.wordAt(2 * index + 1)};
  }

  bool appendPoint(Point p) {
    points_.truncate(2 * count_);  // over the list's closing -1
    if (!points_.push(static_cast<std::int16_t>(p.x)) ||
        !points_.push(static_cast<std::int16_t>(p.y)) || !points_.push(kPointListEnd))
      return false;
    ++count_;
    return true;
  }

  Tracer& t_;
  VertexWindow& vertices_;
  PointWindow& points_;
  ChainBuffer& chain_;
  std::int64_t tolerance_ = 0;  // 1/64 square pixel

  Point a_, b_;                  // side start, current chain point
  std::int64_t pos_ = 0;         // record offset of the next code
  std::int64_t sideChain_ = 0;   // record offset of the first code after A
  std::int64_t count_ = 0;       // points in the point list
  std::int64_t length2_ = 0;     // |AB|^2, or |AK|^2 while a candidate stands (square pixels)
  bool alongX_ = false;          // as of the last full examination: the side runs more in x
  int axisSign_ = 0;             // and the sign of its run along that axis
  std::int64_t error_ = 0;
  std::int64_t lastAccepted_ = kNoError;
  std::array<std::int64_t, kHistoryLength> history_{};  // oldest first
  std::optional<Point> candidate_, previous_;

  // Centre lines (tracerMode > 0).
  bool centerline_ = false;
  struct RetraceState {
    std::vector<Point> vertices;  // the vertices emitted so far, in order
    std::unordered_map<std::int64_t, std::vector<std::int64_t>> cells;
    std::int64_t previous = kFarVertex2;  // nearest squared distance at the last step
    bool approaching = false;
    Point best;                  // the closest approach so far
    std::int64_t bestPos = 0;    // the chain offset after it
    std::int64_t bestIndex = -1;
    std::int64_t matchedLast = -1;
  } retrace_;
};

}  // namespace

void EmitVertex(Tracer& t, std::int16_t x, std::int16_t y) {
  SetVertexWord(*t.vertices, x, kWordX);
  SetVertexWord(*t.vertices, y, kWordY);
  t.rt.state.tracerX = x;
  t.rt.state.tracerY = y;
  // Live feedback: the image window draws the side from the previous vertex to (x, y) here
  // once it has a view to draw into; the core has none.
}

bool TraceOutlinePolygon(Tracer& t) {
  t.listEndBytes = 0;
  t.toleranceDoublings = 0;
  // Each simplification must shorten the record; one that cannot (or an abort) ends the loop.
  while (t.codeCount > kMaxChainCodes && !t.rt.state.abortRequested) {
    const std::int64_t before = t.codeCount;
    SimplifyChain(t);
    if (t.codeCount >= before) break;
  }
  if (t.rt.state.abortRequested) return false;
  // The pixel under the start paints an outline; a centre line is stroked.
  if (t.rt.state.tracerMode == 0) {
    const std::int32_t x = t.chain->startX(), y = t.chain->startY();
    // A pixel taken out with a recognised line is paper for what is traced after it.
    const bool removed = !t.linesRemoved.empty() &&
                         BitAt(&t.linesRemoved[std::size_t(y) * t.image.bitRowBytes], x) != 0;
    t.startPixel = removed ? 0 : BackupPixel(t, x, y);
  }
  t.centerline.lastJunction = -1;
  return Assembly(t).run();
}

void ComputeVertexAngles(Tracer& t) {
  VertexWindow& v = *t.vertices;
  const std::int64_t records = t.listEndBytes / kRecordBytes;
  if (records < 2) return;
  auto read = [&v](std::int64_t record) {
    v.setCursor(record * kRecordBytes);
    return Point{VertexWord(v, kWordX), VertexWord(v, kWordY)};
  };
  Point p = read(records - 2);  // the vertex before the closing record
  Point cur = read(0);
  std::int16_t firstAngle = 0;
  for (std::int64_t r = 0; r + 1 < records; ++r) {
    const Point n = read(r + 1);
    int turn = DirectionDegrees(cur.x - p.x, cur.y - p.y) -
               DirectionDegrees(n.x - cur.x, n.y - cur.y);
    if (turn > 180) turn -= 360;
    else if (turn < -180) turn += 360;
    const auto angle = static_cast<std::int16_t>(180 - std::abs(turn));
    v.setCursor(r * kRecordBytes);
    SetVertexWord(v, angle, kWordAngle);
    if (r == 0) firstAngle = angle;
    p = cur;
    cur = n;
  }
  v.setCursor((records - 1) * kRecordBytes);
  SetVertexWord(v, firstAngle, kWordAngle);
  v.setCursor(0);
}

}  // namespace vl::engine
