// The colour conversion's run over the image, and the passes over the new paths afterwards:
// self-touching paths split, enclosing paths moved beneath the paths they enclose, hidden
// paths of earlier conversions removed.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

#include "art/anchor_walk.h"
#include "base/message_table.h"
#include "base/progress.h"
#include "engine/color_shapes.h"

namespace vl::engine {

namespace {

// One anchor and the segment that arrives at it (control points for a curve).
struct Node {
  std::uint16_t x = 0, y = 0;
  bool curve = false;  // the segment arriving here is a curve
  std::uint16_t c[4] = {0, 0, 0, 0};
};

std::vector<Node> Decode(std::span<const std::uint16_t> words) {
  std::vector<Node> nodes;
  bool pending = false;
  std::uint16_t control[4] = {0, 0, 0, 0};
  for (std::size_t at = 0; art::detail::HasAnchorAt(words, at);) {
    Node n;
    n.x = std::uint16_t(art::detail::X(words, at));
    n.y = std::uint16_t(art::detail::Y(words, at));
    n.curve = pending;
    if (pending) std::copy(control, control + 4, n.c);
    nodes.push_back(n);
    pending = (words[at] & art::kCurveBit) != 0 && at + 5 < words.size();
    if (pending) {
      const auto from = words.begin() + std::ptrdiff_t(at) + 2;
      std::copy(from, from + 4, control);
    }
    at = art::detail::NextAnchor(words, at);
  }
  return nodes;
}

// The words of nodes[first..last] (the first one's arriving segment dropped).
std::vector<std::uint16_t> Encode(const std::vector<Node>& nodes, std::size_t first,
                                  std::size_t last) {
  std::vector<std::uint16_t> words;
  for (std::size_t i = first; i <= last; ++i) {
    const Node& n = nodes[i];
    const bool curveIn = i > first && n.curve;
    if (curveIn) {
      words[words.size() - 2] |= art::kCurveBit;
      words.insert(words.end(), n.c, n.c + 4);
    }
    words.push_back(n.x);
    words.push_back(std::uint16_t(n.y | (curveIn ? art::kCurveBit : 0)));
  }
  return words;
}

std::uint32_t PointKey(const Node& n) { return std::uint32_t(n.x) << 16 | n.y; }

struct Box {
  std::int32_t left, top, right, bottom;
};
Box BoxOf(const art::PathRecord& p) { return {p.left, p.top, p.right, p.bottom}; }

// A nearly encloses B: no side of B further out than the tolerance, and the sum of the four
// differences negative (or, with `orEqual`, not positive).
bool NearlyEncloses(const Box& a, const Box& b, std::int32_t t, bool orEqual) {
  const std::int32_t l = a.left - b.left, r = b.right - a.right, u = a.top - b.top,
                     d = b.bottom - a.bottom;
  if (l >= t || r >= t || u >= t || d >= t) return false;
  const std::int32_t sum = l + r + u + d;
  return orEqual ? sum <= 0 : sum < 0;
}

// The path's region on a grid of `cell` art units from (x0, y0), w x h cells: the polygon of its
// anchors and control points, filled by the even-odd rule at cell centres.
std::vector<bool> Rasterize(const art::PathRecord& p, std::int32_t x0, std::int32_t y0,
                            std::int32_t w, std::int32_t h, double cell) {
  std::vector<bool> out(std::size_t(w) * std::size_t(h), false);
  const std::vector<Node> nodes = Decode(art::PointWords(p));
  std::vector<std::pair<double, double>> poly;
  for (const Node& n : nodes) {
    if (n.curve) {
      poly.push_back({n.c[0], n.c[1]});
      poly.push_back({n.c[2], n.c[3]});
    }
    poly.push_back({n.x, n.y});
  }
  if (poly.size() < 3) return out;
  std::vector<double> xs;
  for (std::int32_t row = 0; row < h; ++row) {
    const double y = y0 + (row + 0.5) * cell;
    xs.clear();
    for (std::size_t i = 0; i < poly.size(); ++i) {
      const auto [ax, ay] = poly[i];
      const auto [bx, by] = poly[(i + 1) % poly.size()];
      if ((ay <= y) != (by <= y)) xs.push_back(ax + (y - ay) * (bx - ax) / (by - ay));
    }
    std::sort(xs.begin(), xs.end());
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2)
      for (std::int32_t col = 0; col < w; ++col) {
        const double x = x0 + (col + 0.5) * cell;
        if (x >= xs[i] && x < xs[i + 1])
          out[std::size_t(row) * std::size_t(w) + std::size_t(col)] = true;
      }
  }
  return out;
}

// The older path lies wholly under the newer one once shrunk by 2 units on every side.
bool Hidden(const art::PathRecord& older, const art::PathRecord& newer) {
  const std::int32_t x0 = older.left, y0 = older.top;
  const std::int32_t extent = std::max(older.right - older.left, older.bottom - older.top);
  const double cell = std::max(1.0, extent / 512.0);
  const auto w = std::int32_t(std::ceil((older.right - older.left) / cell)) + 1;
  const auto h = std::int32_t(std::ceil((older.bottom - older.top) / cell)) + 1;
  const std::vector<bool> a = Rasterize(older, x0, y0, w, h, cell);
  const std::vector<bool> b = Rasterize(newer, x0, y0, w, h, cell);
  const auto shift = std::max<std::int32_t>(1, std::int32_t(std::lround(2.0 / cell)));
  auto in = [&](std::int32_t col, std::int32_t row) {
    return col >= 0 && row >= 0 && col < w && row < h &&
           a[std::size_t(row) * std::size_t(w) + std::size_t(col)];
  };
  for (std::int32_t row = 0; row < h; ++row)
    for (std::int32_t col = 0; col < w; ++col) {
      if (!in(col, row)) continue;
      if (!(in(col + shift, row + shift) && in(col - shift, row + shift) &&
            in(col - shift, row - shift) && in(col + shift, row - shift)))
        continue;
      if (!b[std::size_t(row) * std::size_t(w) + std::size_t(col)]) return false;
    }
  return true;
}

}  // namespace

void SplitSelfTouchingPaths(art::Artwork& art, base::Runtime& rt) {
  std::unordered_map<std::uint32_t, std::size_t> lastAt;
  for (int i = art.firstNewPath; i < art.count;) {
    art::PathRecord& path = art.paths[std::size_t(i)];
    if (path.usedWords <= 6) {
      art::deletePath(art, i);
      continue;
    }
    const std::vector<Node> nodes = Decode(art::PointWords(path));
    // The path's own closing anchor repeats its first one: it is not a touch.
    const std::size_t end = nodes.size() > 1 && nodes.front().x == nodes.back().x &&
                                    nodes.front().y == nodes.back().y
                                ? nodes.size() - 1
                                : nodes.size();
    // The first anchor that comes again, and its last occurrence: one pass noting where each
    // point last occurs, then one looking for the first point that occurs later.
    lastAt.clear();
    for (std::size_t b = 0; b < end; ++b) lastAt[PointKey(nodes[b])] = b;
    std::size_t first = 0, second = 0;
    for (std::size_t a = 0; a < end; ++a) {
      const std::size_t last = lastAt[PointKey(nodes[a])];
      if (last > a) {
        first = a;
        second = last;
        break;
      }
    }
    if (second == 0) {
      ++i;
      continue;
    }
    const std::vector<std::uint16_t> loop = Encode(nodes, first, second);
    std::vector<std::uint16_t> rest = Encode(nodes, 0, first);
    if (second + 1 < nodes.size()) {
      std::vector<std::uint16_t> tail = Encode(nodes, second, nodes.size() - 1);
      // The tail's first anchor is the touching point, already at the end of `rest`; its
      // outgoing curve flag carries over.
      rest[rest.size() - 2] = std::uint16_t((rest[rest.size() - 2] & art::kCoordinateMask) |
                                            (tail[0] & art::kCurveBit));
      rest.insert(rest.end(), tail.begin() + 2, tail.end());
    }
    // Without memory for the split the path stays as it is.
    const art::PathRecord like = [&] {
      art::PathRecord copy;
      copy.fillColor = path.fillColor;
      copy.strokeColor = path.strokeColor;
      copy.flags = path.flags;
      copy.fillCustomIndex = path.fillCustomIndex;
      copy.strokeCustomIndex = path.strokeCustomIndex;
      copy.fillTint = path.fillTint;
      copy.strokeTint = path.strokeTint;
      copy.strokeWeight = path.strokeWeight;
      copy.fillType = path.fillType;
      copy.strokeType = path.strokeType;
      return copy;
    }();
    if (loop.size() > 6) {
      if (!art::appendPath(art, rt, like, loop)) {
        ++i;
        continue;
      }
      // The loop is painted where its path was, beneath the paths that follow: painted last
      // it would cover the shapes inside a hole that touches its region's outline.
      std::rotate(art.paths.begin() + i + 1, art.paths.begin() + art.count - 1,
                  art.paths.begin() + art.count);
    }
    if (!art::setPathWords(art.paths[std::size_t(i)], rt, rest)) ++i;
  }
}

void OrderAndEliminateHidden(art::Artwork& art, std::int32_t tolerance, bool eliminateHidden) {
  for (int i = art.firstNewPath + 1; i < art.count; ++i) {
    const Box mine = BoxOf(art.paths[std::size_t(i)]);
    for (int j = art.firstNewPath; j < i; ++j) {
      if (!NearlyEncloses(mine, BoxOf(art.paths[std::size_t(j)]), tolerance, false)) continue;
      std::rotate(art.paths.begin() + j, art.paths.begin() + i, art.paths.begin() + i + 1);
      break;
    }
  }
  if (!eliminateHidden || art.firstNewPath == 0) return;
  for (int n = art.firstNewPath; n < art.count; ++n) {
    for (int o = 0; o < art.firstNewPath;) {
      const art::PathRecord& newer = art.paths[std::size_t(n)];
      const art::PathRecord& older = art.paths[std::size_t(o)];
      if (older.usedWords > 0 && NearlyEncloses(BoxOf(newer), BoxOf(older), tolerance, true) &&
          Hidden(older, newer)) {
        art::deletePath(art, o);
        --art.firstNewPath;
        --n;
        continue;
      }
      ++o;
    }
  }
}

}  // namespace vl::engine
