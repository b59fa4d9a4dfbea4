// The region map of a colour conversion: colour words, connected areas of one class, small
// areas merged into their neighbours, and the colour limit.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <numeric>
#include <queue>

#include "base/progress.h"
#include "engine/color_shapes.h"
#include "engine/region_records.h"
#include "image/ink_purity.h"

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

// Replaces every label by its root's new, compact index and keeps only the roots, moved down
// in place (the map is left alone when every region is a root).
void Compact(RegionMap& map, UnionFind& uf) {
  std::vector<std::int32_t> index(map.regions.size(), -1);
  std::size_t kept = 0;
  for (std::size_t i = 0; i < map.regions.size(); ++i)
    if (uf.find(std::int32_t(i)) == std::int32_t(i)) {
      index[i] = std::int32_t(kept);
      if (kept != i) map.regions[kept] = map.regions[i];
      ++kept;
    }
  const bool moved = kept != map.regions.size();
  map.regions.resize(kept);
  if (!moved) return;
  std::vector<std::int32_t> row(std::size_t(std::max(map.width, 0)));
  for (std::int32_t y = 0; y < map.height; ++y) {
    map.label.readRow(y, row.data());
    for (std::int32_t& l : row)
      if (l >= 0) l = index[std::size_t(uf.find(l))];
    map.label.writeRow(y, row.data());
  }
}

// Distance of two classes: cube coordinates for colour, the value for gray.
int ClassDistance(int a, int b, int samples) {
  if (samples == 1) return std::abs(a - b);
  return std::abs(a % 6 - b % 6) + std::abs(a / 6 % 6 - b / 6 % 6) + std::abs(a / 36 - b / 36);
}

// The neighbour of region `root` (a root of `uf`) with the nearest mean colour, the larger on
// ties; -1 when it has none.
std::int32_t ClosestRegion(const RegionMap& map, UnionFind& uf, std::int32_t root) {
  return ClosestNeighbour(
      map.label, map.samplesPerPixel, root, [&](std::int32_t l) { return uf.find(l); },
      [&](std::int32_t r) -> const Region& { return map.regions[std::size_t(r)]; });
}

// While more than `limit` regions remain, the smallest (the first on ties) joins its closest
// neighbour. Regions that grew go back into the queue with their new size.
StageResult MergeDownTo(base::Runtime& rt, std::size_t limit, RegionMap& map) {
  std::size_t left = 0;
  for (const Region& r : map.regions) left += r.pixels > 0 ? 1 : 0;
  if (limit == 0 || left <= limit) return StageResult::kDone;
  map.mergedForLimit = true;
  UnionFind uf(map.regions.size());
  // Entries of pixels << 32 | region: the smallest first, the first region on ties.
  auto entry = [&](std::size_t r) { return std::uint64_t(map.regions[r].pixels) << 32 | r; };
  std::priority_queue<std::uint64_t, std::vector<std::uint64_t>, std::greater<>> queue;
  for (std::size_t i = 0; i < map.regions.size(); ++i)
    if (map.regions[i].pixels > 0) queue.push(entry(i));
  for (std::size_t done = 0; left > limit && !queue.empty(); ++done) {
    if ((done & 1023) == 0 && base::PollAbort(rt)) return StageResult::kStopped;
    const std::uint64_t top = queue.top();
    queue.pop();
    const auto r = std::int32_t(top & 0xFFFFFFFF);
    if (uf.find(r) != r || entry(std::size_t(r)) != top) continue;  // stale
    const std::int32_t best = ClosestRegion(map, uf, r);
    if (best < 0) continue;
    Absorb(map.regions[std::size_t(best)], map.regions[std::size_t(r)]);
    uf.parent[std::size_t(r)] = best;
    --left;
    queue.push(entry(std::size_t(best)));
  }
  Compact(map, uf);
  // The records the labelling held (up to its budget) give their room back to the boundary
  // search that follows.
  map.regions.shrink_to_fit();
  return StageResult::kDone;
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
  if ((word >> 24) != 0) return word;
  int c = int(word & 0xFF), m = int(word >> 8 & 0xFF), y = int(word >> 16 & 0xFF);
  image::PurifyCmy(c, m, y);
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

void DominantColorCount::add(const std::uint8_t* px) {
  std::uint32_t color = 0;
  for (int c = 0; c < spp_; ++c) color |= std::uint32_t(px[c]) << (8 * c);
  last_ = color;
  for (Slot& s : slots_)
    if (s.color == color) {
      ++s.count;
      return;
    }
  if (slots_.size() < kSlots) {
    slots_.push_back({color, 1});
    return;
  }
  std::uint32_t lowest = slots_.front().count;
  for (const Slot& s : slots_) lowest = std::min(lowest, s.count);
  std::size_t first = 0;
  while (slots_[first].count != lowest) ++first;
  slots_[first] = {color, 1};
  std::size_t out = first + 1;
  for (std::size_t i = first + 1; i < slots_.size(); ++i)
    if (slots_[i].count != lowest) slots_[out++] = slots_[i];
  slots_.resize(out);
}

std::uint32_t DominantColorCount::result() const {
  std::uint64_t total = 0;
  for (const Slot& s : slots_) total += s.count;
  const std::uint64_t half = total / 2;
  if (half < 3) return last_;
  const Slot* most = &slots_.front();
  for (const Slot& s : slots_)
    if (s.count > most->count) most = &s;
  if (most->count >= half) return most->color;
  auto difference = [&](std::uint32_t a, std::uint32_t b) {
    int d = 0;
    for (int c = 0; c < spp_; ++c) d += std::abs(int(a >> (8 * c) & 0xFF) - int(b >> (8 * c) & 0xFF));
    return d;
  };
  std::uint64_t best = 0;
  std::uint32_t winner = most->color;
  for (int tolerance = 25; best < half; tolerance += 25) {
    for (const Slot& s : slots_) {
      std::uint64_t gathered = 0;
      for (const Slot& o : slots_)
        if (difference(s.color, o.color) < tolerance) gathered += o.count;
      if (gathered > best) {
        best = gathered;
        winner = s.color;
      }
    }
  }
  return winner;
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
      const std::int32_t best = ClosestRegion(map, uf, root);
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
      for (int s = 0; s < 4; ++s) c.sum.add(s, r.sum[s]);
    }
    if (MergeDownTo(rt, options.maxRegions, map) != StageResult::kDone)
      return StageResult::kStopped;
    for (Region& r : map.regions) r.color = MeanColor(perClass[std::size_t(r.cls)], samples);
    return StageResult::kDone;
  }
  if (MergeDownTo(rt, options.maxRegions, map) != StageResult::kDone) return StageResult::kStopped;
  for (Region& r : map.regions) r.color = MeanColor(r, samples);
  return StageResult::kDone;
}

}  // namespace vl::engine
