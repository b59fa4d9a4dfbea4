// The boundaries of the region map on the lattice of pixel corners: sections run between the
// corners where three or four regions meet (or around a region that touches no such corner),
// each is simplified once, and every region's loops are chained from the sections that have it
// on their left.
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "base/progress.h"
#include "engine/color_shapes.h"

namespace vl::engine {

namespace {

// Directions on the lattice: right, down, left, up (y grows downwards).
constexpr int kDx[4] = {1, 0, -1, 0};
constexpr int kDy[4] = {0, 1, 0, -1};

struct Lattice {
  const RegionMap& map;
  // The pixels on the left and right of the edge leaving corner (x, y) in direction d.
  std::int32_t left(std::int32_t x, std::int32_t y, int d) const {
    switch (d) {
      case 0: return map.at(x, y - 1);
      case 1: return map.at(x, y);
      case 2: return map.at(x - 1, y);
      default: return map.at(x - 1, y - 1);
    }
  }
  std::int32_t right(std::int32_t x, std::int32_t y, int d) const {
    switch (d) {
      case 0: return map.at(x, y);
      case 1: return map.at(x - 1, y);
      case 2: return map.at(x - 1, y - 1);
      default: return map.at(x, y - 1);
    }
  }
  bool boundary(std::int32_t x, std::int32_t y, int d) const {
    return left(x, y, d) != right(x, y, d);
  }
  int degree(std::int32_t x, std::int32_t y) const {
    int n = 0;
    for (int d = 0; d < 4; ++d) n += boundary(x, y, d) ? 1 : 0;
    return n;
  }
  // The edge's index in `visited`: horizontal edges first, then vertical ones.
  std::size_t edge(std::int32_t x, std::int32_t y, int d) const {
    const auto w = std::size_t(map.width), h = std::size_t(map.height);
    switch (d) {
      case 0: return std::size_t(y) * w + std::size_t(x);
      case 2: return std::size_t(y) * w + std::size_t(x - 1);
      case 1: return (h + 1) * w + std::size_t(y) * (w + 1) + std::size_t(x);
      default: return (h + 1) * w + std::size_t(y - 1) * (w + 1) + std::size_t(x);
    }
  }
  std::int64_t corner(std::int32_t x, std::int32_t y) const {
    return std::int64_t(y) * (std::int64_t(map.width) + 1) + x;
  }
};

struct Section {
  Loop points;  // simplified; first and last are the end corners (equal for a closed section)
  std::int32_t leftRegion = -1, rightRegion = -1;
  int firstDirection = 0, lastDirection = 0;
};

double DistanceToChord(const LatticePoint& p, const LatticePoint& a, const LatticePoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len = std::hypot(dx, dy);
  if (len == 0.0) return std::hypot(p.x - a.x, p.y - a.y);
  return std::abs(dy * (p.x - a.x) - dx * (p.y - a.y)) / len;
}

// Douglas-Peucker on [first, last], keeping both ends.
void Simplify(const Loop& in, std::size_t first, std::size_t last, double tolerance, Loop& out) {
  std::vector<std::pair<std::size_t, std::size_t>> work{{first, last}};
  std::vector<bool> keep(in.size(), false);
  keep[first] = keep[last] = true;
  while (!work.empty()) {
    const auto [a, b] = work.back();
    work.pop_back();
    double worst = -1.0;
    std::size_t at = a;
    for (std::size_t i = a + 1; i < b; ++i) {
      const double d = DistanceToChord(in[i], in[a], in[b]);
      if (d > worst) {
        worst = d;
        at = i;
      }
    }
    if (worst > tolerance) {
      keep[at] = true;
      work.push_back({a, at});
      work.push_back({at, b});
    }
  }
  for (std::size_t i = first; i <= last; ++i)
    if (keep[i]) out.push_back(in[i]);
}

Loop SimplifySection(const Loop& raw, double tolerance) {
  Loop out;
  if (raw.size() <= 2) return raw;
  if (raw.front() == raw.back()) {
    // A closed section: split it at the corner farthest from its start.
    std::size_t far = 0;
    long best = -1;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      const long d = long(raw[i].x - raw[0].x) * (raw[i].x - raw[0].x) +
                     long(raw[i].y - raw[0].y) * (raw[i].y - raw[0].y);
      if (d > best) {
        best = d;
        far = i;
      }
    }
    Simplify(raw, 0, far, tolerance, out);
    out.pop_back();
    Simplify(raw, far, raw.size() - 1, tolerance, out);
    return out;
  }
  Simplify(raw, 0, raw.size() - 1, tolerance, out);
  return out;
}

}  // namespace

double LoopArea(const Loop& loop) {
  double twice = 0.0;
  for (std::size_t i = 0; i < loop.size(); ++i) {
    const LatticePoint& a = loop[i];
    const LatticePoint& b = loop[(i + 1) % loop.size()];
    twice += double(a.x) * b.y - double(b.x) * a.y;
  }
  return twice / 2.0;
}

StageResult OuterLoops(base::Runtime& rt, const RegionMap& map, double tolerance,
                       std::vector<Loop>& loops) {
  const Lattice lattice{map};
  const std::int32_t w = map.width, h = map.height;
  std::vector<bool> visited((std::size_t(h) + 1) * std::size_t(w) +
                            std::size_t(h) * (std::size_t(w) + 1));
  std::vector<Section> sections;
  // (corner, direction) -> section * 2 + (1 when traversed backwards from that corner).
  std::unordered_map<std::int64_t, std::int64_t> starts;

  auto walk = [&](std::int32_t x, std::int32_t y, int d, bool fromNode) {
    Section s;
    s.leftRegion = lattice.left(x, y, d);
    s.rightRegion = lattice.right(x, y, d);
    s.firstDirection = d;
    Loop raw{{x, y}};
    const std::int32_t x0 = x, y0 = y;
    for (;;) {
      visited[lattice.edge(x, y, d)] = true;
      x += kDx[d];
      y += kDy[d];
      raw.push_back({x, y});
      s.lastDirection = d;
      if ((x == x0 && y == y0) || (fromNode && lattice.degree(x, y) != 2)) break;
      int next = -1;
      for (int c = 0; c < 4 && next < 0; ++c)
        if (c != (d + 2) % 4 && lattice.boundary(x, y, c)) next = c;
      if (next < 0) break;  // cannot happen on a corner of degree 2
      d = next;
    }
    // The staircase of pixel corners becomes the line through the middles of its steps (in
    // half pixels), which follows a slanted or curved edge where the pixels sample it; the
    // ends stay on their corners, which the neighbouring sections share.
    Loop middles;
    middles.reserve(raw.size() + 1);
    middles.push_back({raw.front().x * 2, raw.front().y * 2});
    // The image's frame keeps its corners.
    const bool frame = s.leftRegion < 0 || s.rightRegion < 0;
    for (std::size_t i = 0; i + 1 < raw.size(); ++i) {
      if (frame && i > 0) middles.push_back({raw[i].x * 2, raw[i].y * 2});
      if (!frame) middles.push_back({raw[i].x + raw[i + 1].x, raw[i].y + raw[i + 1].y});
    }
    middles.push_back({raw.back().x * 2, raw.back().y * 2});
    s.points = SimplifySection(middles, tolerance * 2.0);
    const auto id = std::int64_t(sections.size());
    starts[lattice.corner(x0, y0) * 4 + s.firstDirection] = id * 2;
    starts[lattice.corner(x, y) * 4 + (s.lastDirection + 2) % 4] = id * 2 + 1;
    sections.push_back(std::move(s));
  };

  for (std::int32_t y = 0; y <= h; ++y) {
    if (base::PollAbort(rt)) return StageResult::kStopped;
    for (std::int32_t x = 0; x <= w; ++x) {
      const int degree = lattice.degree(x, y);
      if (degree == 0 || degree == 2) continue;
      for (int d = 0; d < 4; ++d)
        if (lattice.boundary(x, y, d) && !visited[lattice.edge(x, y, d)]) walk(x, y, d, true);
    }
  }
  // Boundaries that meet no other: closed sections around a region inside one other region.
  for (std::int32_t y = 0; y <= h; ++y) {
    if (base::PollAbort(rt)) return StageResult::kStopped;
    for (std::int32_t x = 0; x < w; ++x)
      if (lattice.boundary(x, y, 0) && !visited[lattice.edge(x, y, 0)]) walk(x, y, 0, false);
  }
  visited = {};

  // Each region's sections, oriented to have it on their left.
  std::vector<std::vector<std::int64_t>> entries(map.regions.size());
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (sections[i].leftRegion >= 0)
      entries[std::size_t(sections[i].leftRegion)].push_back(std::int64_t(i) * 2);
    if (sections[i].rightRegion >= 0)
      entries[std::size_t(sections[i].rightRegion)].push_back(std::int64_t(i) * 2 + 1);
  }
  auto endOf = [&](std::int64_t e) {
    const Section& s = sections[std::size_t(e / 2)];
    return (e & 1) ? s.points.front() : s.points.back();
  };
  auto lastDirectionOf = [&](std::int64_t e) {
    const Section& s = sections[std::size_t(e / 2)];
    return (e & 1) ? (s.firstDirection + 2) % 4 : s.lastDirection;
  };

  loops.assign(map.regions.size(), Loop{});
  std::unordered_map<std::int64_t, bool> used;
  for (std::size_t r = 0; r < map.regions.size(); ++r) {
    if ((r & 255) == 0 && base::PollAbort(rt)) return StageResult::kStopped;
    used.clear();
    double bestArea = 0.0;
    for (std::int64_t first : entries[r]) {
      if (used[first]) continue;
      Loop loop;
      for (std::int64_t e = first;;) {
        used[e] = true;
        const Section& s = sections[std::size_t(e / 2)];
        if (e & 1)
          loop.insert(loop.end(), s.points.rbegin(), s.points.rend() - 1);
        else
          loop.insert(loop.end(), s.points.begin(), s.points.end() - 1);
        const LatticePoint end = endOf(e);
        const LatticePoint at{end.x / 2, end.y / 2};
        const int d = lastDirectionOf(e);
        std::int64_t next = -1;
        // Turning left first keeps diagonal neighbours apart (4-connected regions).
        for (int c : {(d + 3) % 4, d, (d + 1) % 4}) {
          if (!lattice.boundary(at.x, at.y, c) || lattice.left(at.x, at.y, c) != std::int32_t(r))
            continue;
          const auto found = starts.find(lattice.corner(at.x, at.y) * 4 + c);
          if (found != starts.end()) next = found->second;
          break;
        }
        if (next < 0 || next == first || used[next]) break;
        e = next;
      }
      const double area = std::abs(LoopArea(loop));
      if (area > bestArea) {
        bestArea = area;
        loops[r] = std::move(loop);
      }
    }
  }
  return StageResult::kDone;
}

}  // namespace vl::engine
