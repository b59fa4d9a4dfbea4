// Shared boundaries of separated areas. Two areas on either side of a line are traced apart,
// each grown onto the line, so their outlines follow the same pixels between the junctions at
// the line's ends but are fitted with different anchors. Every section between two junctions
// is handed, reversed, to the later area that runs along it, so both paint exactly the same
// curve there and no hairline opens between them.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "base/message_table.h"
#include "base/progress.h"
#include "engine/separated_shapes.h"

namespace vl::engine {

namespace {

constexpr int kMaxWordDifference = 30;      // point words between two sections that may match
// Two outlines along one line keep within this of each other (pixels): both follow the line's
// pixels, each fitted within its tolerance.
constexpr double kSamePathPixels = 3.0;
constexpr std::int64_t kNearAnchor2 = 400;  // art units squared: a curve's control point
                                            // gives its direction from a nearer anchor

struct Point {
  std::int32_t x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

std::int64_t Key(Point p) { return std::int64_t(p.y) << 16 | p.x; }

// The segment from anchor k to anchor k + 1.
struct Segment {
  bool curve = false;
  Point c1, c2;
};

// A closed path: anchors.back() == anchors.front(), one segment fewer than anchors.
struct Outline {
  std::vector<Point> anchors;
  std::vector<Segment> segments;
  bool changed = false;
  std::size_t n() const { return segments.size(); }
};

Outline Decode(std::span<const std::uint16_t> words) {
  Outline o;
  std::size_t at = 0;
  while (at + 1 < words.size()) {
    const bool leaves = (words[at] & art::kCurveBit) != 0;
    o.anchors.push_back({words[at] & art::kCoordinateMask, words[at + 1] & art::kCoordinateMask});
    at += 2;
    if (at + 1 >= words.size()) break;
    Segment s;
    if (leaves && at + 5 < words.size()) {
      s.curve = true;
      s.c1 = {words[at], words[at + 1]};
      s.c2 = {words[at + 2], words[at + 3]};
      at += 4;
    }
    o.segments.push_back(s);
  }
  if (o.segments.size() + 1 != o.anchors.size()) o.segments.resize(o.anchors.size() - 1);
  return o;
}

std::vector<std::uint16_t> Encode(const Outline& o) {
  std::vector<std::uint16_t> words;
  for (std::size_t k = 0; k < o.anchors.size(); ++k) {
    const bool leaves = k < o.n() && o.segments[k].curve;
    const bool arrives = k > 0 && o.segments[k - 1].curve;
    words.push_back(std::uint16_t(o.anchors[k].x | (leaves ? art::kCurveBit : 0)));
    words.push_back(std::uint16_t(o.anchors[k].y | (arrives ? art::kCurveBit : 0)));
    if (leaves) {
      const Segment& s = o.segments[k];
      words.insert(words.end(), {std::uint16_t(s.c1.x), std::uint16_t(s.c1.y),
                                 std::uint16_t(s.c2.x), std::uint16_t(s.c2.y)});
    }
  }
  return words;
}

int Words(const Segment& s) { return s.curve ? 6 : 2; }

// Words of the section from anchor a to anchor b, going forward around the loop.
int SectionWords(const Outline& o, std::size_t a, std::size_t b) {
  int words = 0;
  for (std::size_t k = a; k != b; k = (k + 1) % o.n()) words += Words(o.segments[k]);
  return words;
}

// Whole degrees of the direction from p to q.
int Angle(Point p, Point q) {
  return int(std::lround(std::atan2(double(q.y - p.y), double(q.x - p.x)) * 180.0 / M_PI));
}
int AngleDifference(int a, int b) {
  int d = (a - b) % 360;
  if (d > 180) d -= 360;
  if (d < -180) d += 360;
  return std::abs(d);
}
std::int64_t Distance2(Point a, Point b) {
  const std::int64_t dx = a.x - b.x, dy = a.y - b.y;
  return dx * dx + dy * dy;
}

// The point that gives the direction in which segment k leaves its start (forward) or its end
// (backward): the anchor at its other end, or its control point when that anchor is near.
Point Toward(const Outline& o, std::size_t k, bool fromStart) {
  const Segment& s = o.segments[k];
  const Point self = fromStart ? o.anchors[k] : o.anchors[k + 1];
  const Point other = fromStart ? o.anchors[k + 1] : o.anchors[k];
  if (s.curve && Distance2(self, other) < kNearAnchor2) return fromStart ? s.c1 : s.c2;
  return other;
}

struct Spot {
  double x = 0, y = 0;
};

// The section from anchor a to anchor b, curves flattened.
std::vector<Spot> Flatten(const Outline& o, std::size_t a, std::size_t b) {
  constexpr int kSteps = 8;
  std::vector<Spot> out{{double(o.anchors[a].x), double(o.anchors[a].y)}};
  for (std::size_t k = a; k != b; k = (k + 1) % o.n()) {
    const Point p0 = o.anchors[k], p3 = o.anchors[k + 1];
    const Segment& s = o.segments[k];
    for (int i = 1; i <= (s.curve ? kSteps : 1); ++i) {
      const double u = double(i) / (s.curve ? kSteps : 1), v = 1 - u;
      if (!s.curve) {
        out.push_back({double(p3.x), double(p3.y)});
        continue;
      }
      out.push_back({v * v * v * p0.x + 3 * u * v * v * s.c1.x + 3 * u * u * v * s.c2.x + u * u * u * p3.x,
                     v * v * v * p0.y + 3 * u * v * v * s.c1.y + 3 * u * u * v * s.c2.y + u * u * u * p3.y});
    }
  }
  return out;
}

double SegmentDistance(Spot p, Spot a, Spot b) {
  const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
  const double u = l2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0) : 0.0;
  return std::hypot(p.x - a.x - u * dx, p.y - a.y - u * dy);
}

// Every point of `from` lies within `reach` of the polyline `to`.
bool Within(const std::vector<Spot>& from, const std::vector<Spot>& to, double reach) {
  for (const Spot& p : from) {
    bool near = to.size() == 1 && std::hypot(p.x - to[0].x, p.y - to[0].y) <= reach;
    for (std::size_t i = 0; i + 1 < to.size() && !near; ++i) near = SegmentDistance(p, to[i], to[i + 1]) <= reach;
    if (!near) return false;
  }
  return true;
}

// Junctions this close on both axes (pixels) stand for one.
constexpr std::int32_t kGroupPixels = 2;

class Matcher {
  // The first junction of i's group: junctions chained by nearness, found by walking back.
  std::vector<std::int64_t> groups_;
  std::int64_t Group(const JunctionList& junctions, std::size_t i) {
    if (groups_.size() != junctions.size()) {
      groups_.assign(junctions.size(), -1);
      std::vector<std::int64_t> parent(junctions.size());
      for (std::size_t k = 0; k < parent.size(); ++k) parent[k] = std::int64_t(k);
      auto root = [&](std::int64_t k) {
        while (parent[std::size_t(k)] != k) k = parent[std::size_t(k)] = parent[std::size_t(parent[std::size_t(k)])];
        return k;
      };
      const auto& pts = junctions.points;
      for (std::size_t k = 1; k + 1 < pts.size(); ++k)
        for (std::size_t m = k + 1; m + 1 < pts.size() && pts[m].y - pts[k].y <= kGroupPixels; ++m)
          if (std::abs(pts[m].x - pts[k].x) <= kGroupPixels) parent[std::size_t(root(std::int64_t(m)))] = root(std::int64_t(k));
      for (std::size_t k = 0; k < pts.size(); ++k) groups_[k] = root(std::int64_t(k));
    }
    return groups_[i];
  }

 public:
  Matcher(const JunctionList& junctions, double artScale)
      : reach_(kSamePathPixels * artScale) {
    for (std::size_t i = 1; i + 1 < junctions.size(); ++i) {
      const JunctionPoint j = junctions.points[i];
      // The outlines of separated areas run through pixel centres.
      groupOf_[Key({art::AnchorToArt(j.x + 0.5, artScale), art::AnchorToArt(j.y + 0.5, artScale)})] =
          Group(junctions, i);
    }
  }

  // The junction group of an anchor, or -1 when it is no junction. Where lines cross, the
  // thinned lines leave a few junction pixels side by side, and the areas around the crossing
  // each meet one of them: they count as one junction.
  std::int64_t group(Point p) const {
    const auto it = groupOf_.find(Key(p));
    return it == groupOf_.end() ? -1 : it->second;
  }
  bool junction(Point p) const { return group(p) >= 0; }

  void add(int path, Outline o) {
    const auto index = int(outlines_.size());
    pathOf_.push_back(path);
    for (std::size_t k = 0; k < o.n(); ++k)
      if (junction(o.anchors[k])) {
        auto& list = byJunction_[group(o.anchors[k])];
        if (list.empty() || list.back() != index) list.push_back(index);
      }
    outlines_.push_back(std::move(o));
  }

  // Hands every section of outline `p` to its best later partner. Returns the sections given.
  int match(int p) {
    Outline& o = outlines_[std::size_t(p)];
    std::vector<std::size_t> cuts;
    for (std::size_t k = 0; k < o.n(); ++k)
      if (junction(o.anchors[k])) cuts.push_back(k);
    if (cuts.size() < 2) return 0;
    int given = 0;
    for (std::size_t i = 0; i < cuts.size(); ++i) {
      const std::size_t a = cuts[i], b = cuts[(i + 1) % cuts.size()];
      if (group(o.anchors[a]) == group(o.anchors[b])) continue;
      given += giveSection(p, a, b) ? 1 : 0;
    }
    return given;
  }

  std::vector<Outline>& outlines() { return outlines_; }
  int path(std::size_t outline) const { return pathOf_[outline]; }

 private:
  struct Candidate {
    int outline = -1;
    std::size_t from = 0, to = 0;  // its section runs from B (from) to A (to)
    int angleSum = 0;
  };

  bool giveSection(int p, std::size_t a, std::size_t b) {
    const Outline& o = outlines_[std::size_t(p)];
    const Point pa = o.anchors[a], pb = o.anchors[b];
    const int words = SectionWords(o, a, b);
    const int angleA = Angle(pa, Toward(o, a, true));
    const int angleB = Angle(pb, Toward(o, (b + o.n() - 1) % o.n(), false));
    const std::int64_t groupA = group(pa), groupB = group(pb);
    const auto it = byJunction_.find(groupB);
    if (it == byJunction_.end()) return false;
    Candidate best;
    std::vector<Spot> mine;
    for (const int q : it->second) {
      if (q <= p) continue;
      const Outline& other = outlines_[std::size_t(q)];
      for (std::size_t from = 0; from < other.n(); ++from) {
        if (group(other.anchors[from]) != groupB) continue;
        // The next junction along Q must be A.
        std::size_t to = (from + 1) % other.n();
        while (to != from && !junction(other.anchors[to])) to = (to + 1) % other.n();
        if (to == from || group(other.anchors[to]) != groupA) continue;
        if (std::abs(SectionWords(other, from, to) - words) > kMaxWordDifference) continue;
        // Two ways between the same junctions need not be one line: the two halves of a
        // circle cut by a line both run from one end of the cut to the other.
        const std::vector<Spot> theirs = Flatten(other, from, to);
        if (mine.empty()) mine = Flatten(o, a, b);
        if (!Within(theirs, mine, reach_) || !Within(mine, theirs, reach_)) continue;
        const int sum =
            AngleDifference(angleA, Angle(other.anchors[to],
                                          Toward(other, (to + other.n() - 1) % other.n(), false))) +
            AngleDifference(angleB, Angle(other.anchors[from], Toward(other, from, true)));
        if (best.outline < 0 || sum < best.angleSum) best = {q, from, to, sum};
      }
    }
    if (best.outline < 0) return false;
    Replace(outlines_[std::size_t(best.outline)], best.from, best.to, o, a, b);
    return true;
  }

  // Q's section from..to becomes P's section a..b reversed.
  static void Replace(Outline& q, std::size_t from, std::size_t to, const Outline& p,
                      std::size_t a, std::size_t b) {
    if (to <= from) {  // the section runs over Q's start: start Q at the section instead
      Outline turned;
      for (std::size_t k = 0; k < q.n(); ++k) {
        turned.anchors.push_back(q.anchors[(from + k) % q.n()]);
        turned.segments.push_back(q.segments[(from + k) % q.n()]);
      }
      turned.anchors.push_back(turned.anchors.front());
      to = (to + q.n() - from) % q.n();
      from = 0;
      q.anchors = std::move(turned.anchors);
      q.segments = std::move(turned.segments);
    }
    Outline out;
    out.anchors.assign(q.anchors.begin(), q.anchors.begin() + std::ptrdiff_t(from) + 1);
    out.anchors.back() = p.anchors[b];  // the section's ends become P's junction pixels
    out.segments.assign(q.segments.begin(), q.segments.begin() + std::ptrdiff_t(from));
    // P's segments from b back to a, each run backwards.
    std::size_t k = b;
    while (k != a) {
      const std::size_t prev = (k + p.n() - 1) % p.n();
      const Segment& s = p.segments[prev];
      out.segments.push_back({s.curve, s.c2, s.c1});
      out.anchors.push_back(p.anchors[prev]);
      k = prev;
    }
    out.anchors.insert(out.anchors.end(), q.anchors.begin() + std::ptrdiff_t(to) + 1, q.anchors.end());
    out.segments.insert(out.segments.end(), q.segments.begin() + std::ptrdiff_t(to), q.segments.end());
    if (from == 0) out.anchors.back() = out.anchors.front();  // still closed
    out.changed = true;
    q = std::move(out);
  }

  double reach_;  // art units
  std::unordered_map<std::int64_t, std::int64_t> groupOf_;  // anchor key -> junction group
  std::unordered_map<std::int64_t, std::vector<int>> byJunction_;  // outlines by junction group
  std::vector<Outline> outlines_;
  std::vector<int> pathOf_;
};

}  // namespace

MatchOutcome MatchPaths(art::Artwork& art, base::Runtime& rt, const JunctionList& junctions,
                        double artScale, int firstPath) {
  MatchOutcome outcome;
  if (junctions.size() < 4 || firstPath >= art.count) return outcome;
  Matcher matcher(junctions, artScale);
  for (int i = std::max(firstPath, 0); i < art.count; ++i) {
    const art::PathRecord& p = art.paths[std::size_t(i)];
    if (p.usedWords == 0 || !art::IsClosed(p)) continue;
    Outline o = Decode(art::PointWords(p));
    if (o.n() >= 2) matcher.add(i, std::move(o));
  }
  std::vector<Outline>& outlines = matcher.outlines();
  const std::string_view label = msg::Text(msg::kMatchingPathsLabel);
  for (std::size_t i = 0; i < outlines.size(); ++i) {
    base::ShowProgress(rt, int(i * 100 / outlines.size()), label);
    if (PollAbort(rt)) {
      outcome.stopped = true;
      break;
    }
    outcome.sectionsMatched += matcher.match(int(i));
  }
  for (std::size_t i = 0; i < outlines.size(); ++i) {
    if (!outlines[i].changed) continue;
    // A path that cannot take its new points keeps its own.
    (void)art::setPathWords(art.paths[std::size_t(matcher.path(i))], rt, Encode(outlines[i]));
  }
  return outcome;
}

}  // namespace vl::engine
