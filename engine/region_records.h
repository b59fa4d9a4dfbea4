// What the labelling and the region merges share about region records: joining two records,
// the distance of their mean colours, and the neighbour a region joins.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "engine/color_shapes.h"

namespace vl::engine {

inline void Absorb(Region& into, const Region& from) {
  into.pixels += from.pixels;
  for (int c = 0; c < 4; ++c) into.sum.add(c, from.sum[c]);
  into.left = std::min(into.left, from.left);
  into.top = std::min(into.top, from.top);
  into.right = std::max(into.right, from.right);
  into.bottom = std::max(into.bottom, from.bottom);
}

// Sample c's mean over the region's pixels.
inline int SampleMean(const Region& r, int c) {
  return int(r.sum[c] / std::uint64_t(std::max<std::int64_t>(r.pixels, 1)));
}

inline std::uint32_t MeanColor(const Region& r, int samples) {
  std::uint32_t means[4] = {0, 0, 0, 0};
  for (int c = 0; c < samples; ++c) means[c] = std::uint32_t(SampleMean(r, c));
  return ColorWordOfSamples(means, samples);
}

// The neighbour of the region whose labels resolve to `root` with the nearest mean colour, the
// larger on ties; -1 when it has none (alone in the image, or among unconverted pixels).
// `rootOf` resolves a label of the map (-1: none), `recordOf` gives a root's record, and
// `own(x, y, label)` sees each pixel of the region in row order, so that a caller relabelling
// the region need not scan its box a second time.
template <class RootOf, class RecordOf, class Own>
std::int32_t ClosestNeighbour(const LabelStore& labels, int samples, std::int32_t root,
                              RootOf&& rootOf, RecordOf&& recordOf, Own&& own) {
  const Region& self = recordOf(root);
  // The region's own means, once: a division per sample and neighbour was most of the search.
  int selfMean[4] = {0, 0, 0, 0};
  for (int c = 0; c < samples; ++c) selfMean[c] = SampleMean(self, c);
  std::int32_t best = -1;
  int bestDistance = 0;
  std::int64_t bestPixels = 0;
  std::int32_t lastLabel = -1, lastRoot = -1;
  for (std::int32_t y = self.top; y <= self.bottom; ++y)
    for (std::int32_t x = self.left; x <= self.right; ++x) {
      const std::int32_t l = labels.at(x, y);
      if (l < 0 || rootOf(l) != root) continue;
      own(x, y, l);
      const std::int32_t around[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
      for (const auto& q : around) {
        std::int32_t o = labels.at(q[0], q[1]);
        // A pixel of the same slot is the region's own; a label met just before has the same
        // root (nothing joins during the search); the best one again cannot win over itself.
        if (o < 0 || o == l) continue;
        if (o == lastLabel) {
          o = lastRoot;
        } else {
          lastLabel = o;
          o = lastRoot = rootOf(o);
        }
        if (o < 0 || o == root || o == best) continue;
        const Region& other = recordOf(o);
        int d = 0;
        for (int c = 0; c < samples; ++c) d += std::abs(selfMean[c] - SampleMean(other, c));
        if (best < 0 || d < bestDistance || (d == bestDistance && other.pixels > bestPixels)) {
          best = o;
          bestDistance = d;
          bestPixels = other.pixels;
        }
      }
    }
  return best;
}

template <class RootOf, class RecordOf>
std::int32_t ClosestNeighbour(const LabelStore& labels, int samples, std::int32_t root,
                              RootOf&& rootOf, RecordOf&& recordOf) {
  return ClosestNeighbour(labels, samples, root, rootOf, recordOf,
                          [](std::int32_t, std::int32_t, std::int32_t) {});
}

}  // namespace vl::engine
