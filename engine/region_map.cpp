// The region map of a colour conversion: colour words, connected areas of one class, small
// areas merged into their neighbours, and the colour limit.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <numeric>

#include "base/progress.h"
#include "engine/color_shapes.h"

namespace vl::engine {

namespace {

std::uint32_t Pack(int c, int m, int y, int k) {
  auto b = [](int v) { return std::uint32_t(std::clamp(v, 0, 255)); };
  return b(c) | b(m) << 8 | b(y) << 16 | b(k) << 24;
}

struct UnionFind {
  std::vector<std::int32_t> parent;
  explicit UnionFind(std::size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), 0); }
  std::int32_t find(std::int32_t i) {
    std::int32_t root = i;
    while (parent[std::size_t(root)] != root) root = parent[std::size_t(root)];
    while (parent[std::size_t(i)] != root) {
      const std::int32_t next = parent[std::size_t(i)];
      parent[std::size_t(i)] = root;
      i = next;
    }
    return root;
  }
};

void Absorb(Region& into, const Region& from) {
  into.pixels += from.pixels;
  for (int c = 0; c < 4; ++c) into.sum[c] += from.sum[c];
  into.left = std::min(into.left, from.left);
  into.top = std::min(into.top, from.top);
  into.right = std::max(into.right, from.right);
  into.bottom = std::max(into.bottom, from.bottom);
}

int MeanDistance(const Region& a, const Region& b, int samples) {
  int d = 0;
  for (int c = 0; c < samples; ++c)
    d += std::abs(int(a.sum[c] / std::uint64_t(std::max<std::int64_t>(a.pixels, 1))) -
                  int(b.sum[c] / std::uint64_t(std::max<std::int64_t>(b.pixels, 1))));
  return d;
}

// Replaces every label by its root's new, compact index and keeps only the roots.
void Compact(RegionMap& map, UnionFind& uf) {
  std::vector<std::int32_t> index(map.regions.size(), -1);
  std::vector<Region> kept;
  for (std::size_t i = 0; i < map.regions.size(); ++i)
    if (uf.find(std::int32_t(i)) == std::int32_t(i)) {
      index[i] = std::int32_t(kept.size());
      kept.push_back(map.regions[i]);
    }
  for (std::int32_t& l : map.label)
    if (l >= 0) l = index[std::size_t(uf.find(l))];
  map.regions = std::move(kept);
}

// Distance of two classes: cube coordinates for colour, the value for gray.
int ClassDistance(int a, int b, int samples) {
  if (samples == 1) return std::abs(a - b);
  return std::abs(a % 6 - b % 6) + std::abs(a / 6 % 6 - b / 6 % 6) + std::abs(a / 36 - b / 36);
}

std::uint32_t MeanColor(const Region& r, int samples) {
  std::uint32_t means[4] = {0, 0, 0, 0};
  for (int c = 0; c < samples; ++c)
    means[c] = std::uint32_t(r.sum[c] / std::uint64_t(std::max<std::int64_t>(r.pixels, 1)));
  return ColorWordOfSamples(means, samples);
}

}  // namespace

std::uint32_t GreyToBlack(std::uint32_t word) {
  if ((word >> 24) != 0) return word;
  const int c = int(word & 0xFF), m = int(word >> 8 & 0xFF), y = int(word >> 16 & 0xFF);
  // The grey common to the three inks goes into black. The writers and PostScript render a
  // process colour as 255 - (ink + black) per component, so each ink keeps what its component
  // lacks beyond the black: the colour renders as it was.
  const int r = 255 - c, g = 255 - m, b = 255 - y;
  const int x = std::max({r, g, b});
  if (x <= 0) return Pack(0, 0, 0, 255);
  return Pack(x - r, x - g, x - b, 255 - x);
}

std::uint32_t CmyToCmyk(std::uint32_t word) {
  const int c0 = int(word & 0xFF), m0 = int(word >> 8 & 0xFF), y0 = int(word >> 16 & 0xFF);
  if ((word >> 24) != 0) return word;
  int c = c0, m = m0, y = y0;
  if (m < c) {
    if (y < m)
      y = 2 * y - m;
    else
      m = std::max({m - ((255 - m) >> 3), 2 * m - std::min(c, y), 0});
  } else if (y < c) {
    y = 2 * y - c;
  }
  if (y <= 0) {
    const int t = (160 - y0) >> 2;
    if (t > 0 && c0 > 250 && m0 > 250) {
      c -= t;
      m -= t;
    }
    y = 0;
  }
  return GreyToBlack(Pack(c, m, y, 0));
}

std::uint32_t ColorWordOfSamples(const std::uint32_t* means, int samplesPerPixel) {
  if (samplesPerPixel == 1) return Pack(0, 0, 0, 255 - int(means[0]));
  if (samplesPerPixel >= 4)
    return Pack(int(means[0]), int(means[1]), int(means[2]), int(means[3]));
  return GreyToBlack(Pack(255 - int(means[0]), 255 - int(means[1]), 255 - int(means[2]), 0));
}

std::uint32_t ClassColor(int cls, int samplesPerPixel) {
  if (samplesPerPixel == 1) return Pack(0, 0, 0, 255 - cls);
  return CmyToCmyk(Pack(255 - cls % 6 * 51, 255 - cls / 6 % 6 * 51, 255 - cls / 36 * 51, 0));
}

int ShadeSteps(int complexity) {
  static constexpr int kSteps[] = {8, 10, 12, 16};  // complexity 17 to 20
  return complexity < 17 ? 0 : kSteps[std::min(complexity, 20) - 17];
}

StageResult LabelRegions(base::Runtime& rt, std::int32_t width, std::int32_t height,
                         int samplesPerPixel, const std::vector<std::uint8_t>& classes,
                         const std::vector<std::uint8_t>& samples,
                         const std::vector<bool>& excluded, RegionMap& map,
                         const std::vector<std::uint16_t>& shades) {
  map = RegionMap{};
  map.width = width;
  map.height = height;
  map.samplesPerPixel = samplesPerPixel;
  const std::size_t n = std::size_t(width) * std::size_t(height);
  map.label.assign(n, -1);
  std::vector<std::int32_t> stack;
  for (std::int32_t y = 0; y < height; ++y) {
    if (base::PollAbort(rt)) return StageResult::kStopped;
    for (std::int32_t x = 0; x < width; ++x) {
      const std::size_t seed = std::size_t(y) * std::size_t(width) + std::size_t(x);
      if (map.label[seed] >= 0 || (!excluded.empty() && excluded[seed])) continue;
      const auto id = std::int32_t(map.regions.size());
      Region r;
      r.cls = classes[seed];
      r.left = r.right = x;
      r.top = r.bottom = y;
      map.label[seed] = id;
      stack.push_back(std::int32_t(seed));
      while (!stack.empty()) {
        const auto p = std::size_t(stack.back());
        stack.pop_back();
        const auto px = std::int32_t(p % std::size_t(width));
        const auto py = std::int32_t(p / std::size_t(width));
        ++r.pixels;
        for (int c = 0; c < samplesPerPixel; ++c)
          r.sum[c] += samples[p * std::size_t(samplesPerPixel) + std::size_t(c)];
        r.left = std::min(r.left, px);
        r.right = std::max(r.right, px);
        r.top = std::min(r.top, py);
        r.bottom = std::max(r.bottom, py);
        auto visit = [&](std::size_t q) {
          if (map.label[q] < 0 && classes[q] == r.cls && (excluded.empty() || !excluded[q]) &&
              (shades.empty() || shades[q] == shades[p])) {
            map.label[q] = id;
            stack.push_back(std::int32_t(q));
          }
        };
        if (px > 0) visit(p - 1);
        if (px + 1 < width) visit(p + 1);
        if (py > 0) visit(p - std::size_t(width));
        if (py + 1 < height) visit(p + std::size_t(width));
      }
      map.regions.push_back(r);
    }
  }
  for (Region& r : map.regions) r.color = MeanColor(r, samplesPerPixel);
  return StageResult::kDone;
}

StageResult SimplifyRegions(base::Runtime& rt, const RegionOptions& options, RegionMap& map) {
  const int samples = map.samplesPerPixel;
  const std::int32_t w = map.width;
  {
    UnionFind uf(map.regions.size());
    std::vector<std::int32_t> order;
    for (std::size_t i = 0; i < map.regions.size(); ++i)
      if (map.regions[i].pixels < options.minRegionPixels) order.push_back(std::int32_t(i));
    std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
      return map.regions[std::size_t(a)].pixels < map.regions[std::size_t(b)].pixels;
    });
    std::size_t done = 0;
    for (std::int32_t r : order) {
      if ((++done & 1023) == 0 && base::PollAbort(rt)) return StageResult::kStopped;
      const std::int32_t root = uf.find(r);
      Region& self = map.regions[std::size_t(root)];
      if (self.pixels >= options.minRegionPixels) continue;
      std::int32_t best = -1;
      int bestDistance = 0;
      for (std::int32_t y = self.top; y <= self.bottom; ++y)
        for (std::int32_t x = self.left; x <= self.right; ++x) {
          const std::int32_t l = map.at(x, y);
          if (l < 0 || uf.find(l) != root) continue;
          const std::int32_t around[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
          for (const auto& q : around) {
            std::int32_t o = map.at(q[0], q[1]);
            if (o < 0 || (o = uf.find(o)) == root) continue;
            const int d = MeanDistance(self, map.regions[std::size_t(o)], samples);
            if (best < 0 || d < bestDistance ||
                (d == bestDistance &&
                 map.regions[std::size_t(o)].pixels > map.regions[std::size_t(best)].pixels)) {
              best = o;
              bestDistance = d;
            }
          }
        }
      if (best < 0) continue;  // alone in the image (or among unconverted pixels)
      Absorb(map.regions[std::size_t(best)], self);
      uf.parent[std::size_t(root)] = best;
    }
    Compact(map, uf);
  }

  if (options.maxColors > 0) {
    std::array<std::int64_t, 256> histogram{};
    for (const Region& r : map.regions) histogram[std::size_t(r.cls)] += r.pixels;
    std::vector<int> kept;
    for (int c = 0; c < 256; ++c)
      if (histogram[std::size_t(c)] > 0) kept.push_back(c);
    while (int(kept.size()) > options.maxColors) {
      auto rarest = std::min_element(kept.begin(), kept.end(), [&](int a, int b) {
        return histogram[std::size_t(a)] < histogram[std::size_t(b)];
      });
      kept.erase(rarest);
    }
    std::array<int, 256> to{};
    for (int c = 0; c < 256; ++c) {
      int best = kept.empty() ? c : kept.front();
      for (int k : kept)
        if (ClassDistance(c, k, samples) < ClassDistance(c, best, samples)) best = k;
      to[std::size_t(c)] = best;
    }
    for (Region& r : map.regions) r.cls = to[std::size_t(r.cls)];
    // Neighbours of one class become one region.
    UnionFind uf(map.regions.size());
    for (std::int32_t y = 0; y < map.height; ++y) {
      if (base::PollAbort(rt)) return StageResult::kStopped;
      for (std::int32_t x = 0; x < w; ++x) {
        const std::int32_t l = map.at(x, y);
        if (l < 0) continue;
        for (std::int32_t o : {map.at(x + 1, y), map.at(x, y + 1)}) {
          if (o < 0 || map.regions[std::size_t(o)].cls != map.regions[std::size_t(l)].cls) continue;
          const std::int32_t a = uf.find(l), b = uf.find(o);
          if (a == b) continue;
          Absorb(map.regions[std::size_t(a)], map.regions[std::size_t(b)]);
          uf.parent[std::size_t(b)] = a;
        }
      }
    }
    Compact(map, uf);
    // One colour per class: the mean of all its pixels.
    std::array<Region, 256> perClass{};
    for (const Region& r : map.regions) {
      Region& c = perClass[std::size_t(r.cls)];
      c.pixels += r.pixels;
      for (int s = 0; s < 4; ++s) c.sum[s] += r.sum[s];
    }
    for (Region& r : map.regions) r.color = MeanColor(perClass[std::size_t(r.cls)], samples);
    return StageResult::kDone;
  }
  for (Region& r : map.regions) r.color = MeanColor(r, samples);
  return StageResult::kDone;
}

}  // namespace vl::engine
