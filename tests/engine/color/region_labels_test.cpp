// The region labelling read row by row against a plain flood fill, on random class maps with
// shades and pixels left out (the labels held in memory or paged), and the closed-loop
// simplification.
#include <cmath>
#include <random>

#include "engine/color_shapes.h"
#include "tests/engine/engine_test_runtime.h"

namespace vl::engine::test {
namespace {

// The reference: a flood fill from each unlabelled pixel in row order.
struct Reference {
  std::vector<std::int32_t> label;
  std::vector<Region> regions;
};
Reference FloodFill(int w, int h, int spp, const std::vector<std::uint8_t>& cls,
                    const std::vector<std::uint8_t>& samples, const std::vector<bool>& excluded,
                    const std::vector<std::uint16_t>& shades) {
  Reference m;
  m.label.assign(std::size_t(w) * h, -1);
  for (int i = 0; i < w * h; ++i) {
    if (m.label[i] >= 0 || excluded[i]) continue;
    Region r;
    r.cls = cls[i];
    r.left = r.right = std::int16_t(i % w);
    r.top = r.bottom = std::int16_t(i / w);
    const auto id = std::int32_t(m.regions.size());
    std::vector<int> todo{i};
    m.label[i] = id;
    while (!todo.empty()) {
      const int p = todo.back();
      todo.pop_back();
      const int x = p % w, y = p / w;
      ++r.pixels;
      for (int c = 0; c < spp; ++c) r.sum.add(c, samples[std::size_t(p) * spp + c]);
      r.left = std::int16_t(std::min<int>(r.left, x));
      r.right = std::int16_t(std::max<int>(r.right, x));
      r.top = std::int16_t(std::min<int>(r.top, y));
      r.bottom = std::int16_t(std::max<int>(r.bottom, y));
      const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
      for (const auto& n : next) {
        if (n[0] < 0 || n[1] < 0 || n[0] >= w || n[1] >= h) continue;
        const int q = n[1] * w + n[0];
        if (m.label[q] < 0 && !excluded[q] && cls[q] == r.cls && shades[q] == shades[p]) {
          m.label[q] = id;
          todo.push_back(q);
        }
      }
    }
    m.regions.push_back(r);
  }
  return m;
}

TEST(RegionLabels, RowByRowLabellingMatchesAFloodFillExactly) {
  std::mt19937 random(11);
  const struct {
    int w, h, classes, shades;
    double excluded;
  } cases[] = {{1, 1, 1, 1, 0}, {1, 40, 2, 1, 0}, {40, 1, 2, 1, 0.1}, {37, 23, 2, 1, 0},
               {64, 48, 3, 2, 0.05}, {50, 50, 1, 3, 0.3}, {80, 60, 4, 1, 0}};
  for (const auto& c : cases) {
    for (int round = 0; round < 5; ++round) {
      SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " round " +
                   std::to_string(round));
      TestRuntime env;
      const int n = c.w * c.h, spp = 3;
      std::vector<std::uint8_t> cls(n), samples(std::size_t(n) * spp);
      std::vector<std::uint16_t> shades(n);
      std::vector<bool> excluded(n);
      // Blobs rather than pure noise: each pixel copies its upper or left neighbour often,
      // so areas wind round each other (the case where labels meet late in the scan).
      for (int i = 0; i < n; ++i) {
        const int x = i % c.w, y = i / c.w;
        const int from = (random() % 3 == 0) ? -1 : (random() % 2 && x > 0) ? i - 1 : y > 0 ? i - c.w : -1;
        cls[i] = from >= 0 ? cls[from] : std::uint8_t(random() % c.classes);
        shades[i] = from >= 0 && random() % 4 ? shades[from] : std::uint16_t(random() % c.shades);
        excluded[i] = std::uniform_real_distribution<double>(0, 1)(random) < c.excluded;
        for (int k = 0; k < spp; ++k) samples[std::size_t(i) * spp + k] = std::uint8_t(random());
      }
      const Reference want = FloodFill(c.w, c.h, spp, cls, samples, excluded, shades);
      // Held in memory, and paged through the scratch file in tiles of 4 x 4 labels; with a
      // record budget as small as the areas, the slots that point to others are cleared from
      // the map now and then.
      const LabelRowSource rows = [&](std::int32_t y, LabelRow& row) {
        for (int x = 0; x < c.w; ++x) {
          const int i = y * c.w + x;
          row.cls[std::size_t(x)] = cls[std::size_t(i)];
          row.shade[std::size_t(x)] = shades[std::size_t(i)];
          row.excluded[std::size_t(x)] = excluded[std::size_t(i)];
          for (int k = 0; k < spp; ++k)
            row.samples[std::size_t(x * spp + k)] = samples[std::size_t(i) * spp + k];
        }
        return true;
      };
      for (const auto& [paging, budget] :
           {std::pair{LabelPaging{}, false}, {LabelPaging{128, 2}, false}, {LabelPaging{}, true},
            {LabelPaging{128, 2}, true}}) {
        RegionMap got;
        if (budget) {
          RegionOptions tight;
          tight.minRegionPixels = 1;
          tight.maxAreaRecords = want.regions.size();
          ASSERT_EQ(LabelAndMergeByRows(env.rt, c.w, c.h, spp, rows, tight, got, paging),
                    StageResult::kDone);
        } else {
          ASSERT_EQ(
              LabelRegions(env.rt, c.w, c.h, spp, cls, samples, excluded, got, shades, paging),
              StageResult::kDone);
        }
        ASSERT_EQ(got.label.toVector(), want.label);
        EXPECT_EQ(got.label.spilled(), paging.memoryBytes < 1000 && c.w * c.h > 32);
        ASSERT_EQ(got.regions.size(), want.regions.size());
        for (std::size_t r = 0; r < want.regions.size(); ++r) {
          const Region &a = got.regions[r], &b = want.regions[r];
          EXPECT_EQ(a.pixels, b.pixels);
          EXPECT_EQ(a.cls, b.cls);
          for (int s = 0; s < 4; ++s) EXPECT_EQ(a.sum[s], b.sum[s]);
          EXPECT_EQ(std::tie(a.left, a.top, a.right, a.bottom),
                    std::tie(b.left, b.top, b.right, b.bottom));
        }
      }
    }
  }
}

TEST(RegionLabels, AStopEndsTheLabelling) {
  // Ten rows read once, a poll before each, and one after the last.
  for (int stop : {1, 5, 10, 11}) {
    TestRuntime env;
    env.ui.useManualClock(0);
    env.ui.stepMs = 100;
    env.ui.stopAtDrain = stop;
    int calls = 0;
    const LabelRowSource rows = [&](std::int32_t, LabelRow&) { return ++calls > 0; };
    RegionMap map;
    EXPECT_EQ(LabelRegionsByRows(env.rt, 8, 10, 1, rows, map), StageResult::kStopped) << stop;
    EXPECT_EQ(calls, std::min(stop - 1, 10)) << stop;
  }
}

// Noise gives an area to nearly every pixel. Merged as they finish, and past the budget the
// smallest finished ones early, the records held stay within the budget (and the areas open in
// two rows); every region stays one 4-connected area of at least the minimum size whose record
// matches its pixels in the map.
TEST(RegionLabels, OnNoiseTheRecordsHeldStayWithinTheBudgetAndRegionsStayWhole) {
  const int w = 160, h = 240, n = w * h, spp = 3;
  std::mt19937 random(5);
  std::vector<std::uint8_t> cls(n), samples(std::size_t(n) * spp);
  for (int i = 0; i < n; ++i) {
    cls[i] = std::uint8_t(random() % 216);
    for (int k = 0; k < spp; ++k) samples[std::size_t(i) * spp + k] = std::uint8_t(random());
  }
  const LabelRowSource rows = [&](std::int32_t y, LabelRow& row) {
    std::copy_n(cls.begin() + y * w, w, row.cls.begin());
    std::copy_n(samples.begin() + std::ptrdiff_t(y) * w * spp, w * spp, row.samples.begin());
    return true;
  };
  const std::size_t budget = 100;
  std::size_t unlimitedPeak = 0;
  for (const std::size_t maxRecords : {std::size_t(0), budget}) {
    for (const LabelPaging paging : {LabelPaging{}, LabelPaging{4096, 4}}) {
      SCOPED_TRACE(std::to_string(maxRecords) + " records, tiles of " +
                   std::to_string(1 << paging.tileShift));
      TestRuntime env;
      RegionOptions options;
      options.minRegionPixels = 8;
      options.maxAreaRecords = maxRecords;
      RegionMap map;
      ASSERT_EQ(LabelAndMergeByRows(env.rt, w, h, spp, rows, options, map, paging),
                StageResult::kDone);
      if (maxRecords == 0) unlimitedPeak = map.peakAreaRecords;
      else EXPECT_LE(map.peakAreaRecords, budget + 2 * w);
      const std::vector<std::int32_t> label = map.label.toVector();
      std::vector<Region> seen(map.regions.size());
      for (int i = 0; i < n; ++i) {
        ASSERT_GE(label[i], 0);
        ASSERT_LT(std::size_t(label[i]), map.regions.size());
        Region& r = seen[std::size_t(label[i])];
        if (r.pixels++ == 0) {
          r.left = r.right = std::int16_t(i % w);
          r.top = r.bottom = std::int16_t(i / w);
        }
        for (int k = 0; k < spp; ++k) r.sum.add(k, samples[std::size_t(i) * spp + k]);
        r.left = std::min(r.left, std::int16_t(i % w));
        r.right = std::max(r.right, std::int16_t(i % w));
        r.bottom = std::int16_t(i / w);
      }
      for (std::size_t k = 0; k < seen.size(); ++k) {
        const Region &a = map.regions[k], &b = seen[k];
        EXPECT_GE(a.pixels, 8);
        EXPECT_EQ(a.pixels, b.pixels);
        for (int c = 0; c < spp; ++c) EXPECT_EQ(a.sum[c], b.sum[c]);
        EXPECT_EQ(std::tie(a.left, a.top, a.right, a.bottom),
                  std::tie(b.left, b.top, b.right, b.bottom));
      }
      // One area per region, numbered in the order of their first pixels.
      // (The flood fill's class and shade hold a label's low and high bits.)
      std::vector<std::uint8_t> low(n), none(n, 0);
      std::vector<std::uint16_t> high(n);
      for (int i = 0; i < n; ++i) {
        low[i] = std::uint8_t(label[i] & 0xFF);
        high[i] = std::uint16_t(label[i] >> 8);
      }
      const Reference areas = FloodFill(w, h, 1, low, none, std::vector<bool>(n), high);
      EXPECT_EQ(areas.label, label);
    }
  }
  EXPECT_GT(unlimitedPeak, 2 * (budget + 2 * w));
}

double DistanceToSegment(LatticePoint p, LatticePoint a, LatticePoint b) {
  const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
  const double u = l2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0) : 0;
  return std::hypot(p.x - (a.x + u * dx), p.y - (a.y + u * dy));
}

TEST(SimplifyLoop, KeepsTheFirstPointAndEveryPointWithinTheTolerance) {
  std::mt19937 random(3);
  Loop ring;
  for (int i = 0; i < 720; ++i) {
    const double a = i * M_PI / 360, r = 200 + int(random() % 5);
    ring.push_back({std::int32_t(std::lround(r * std::cos(a))), std::int32_t(std::lround(r * std::sin(a)))});
  }
  std::size_t previous = ring.size() + 1;
  for (double tolerance : {0.5, 2.0, 8.0, 32.0}) {
    SCOPED_TRACE(tolerance);
    const Loop s = SimplifyLoop(ring, tolerance);
    ASSERT_GE(s.size(), 3u);
    EXPECT_EQ(s.front(), ring.front());
    EXPECT_LT(s.size(), previous);
    previous = s.size();
    for (const LatticePoint& p : ring) {
      double nearest = 1e9;
      for (std::size_t i = 0; i < s.size(); ++i)
        nearest = std::min(nearest, DistanceToSegment(p, s[i], s[(i + 1) % s.size()]));
      EXPECT_LE(nearest, tolerance + 1e-9);
    }
  }
  // A square's corners are all it keeps; fewer than four points stay as they are.
  const Loop square{{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {0, 10}, {0, 5}};
  EXPECT_EQ(SimplifyLoop(square, 0.1), (Loop{{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
  const Loop three{{0, 0}, {1, 0}, {0, 1}};
  EXPECT_EQ(SimplifyLoop(three, 5.0), three);
}

std::uint32_t Rgb(int r, int g, int b) { return std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16; }

TEST(DominantColorCount, MajorityThenClustersThenTheLastSample) {
  using Run = std::pair<std::uint32_t, int>;  // a colour added this many times
  const struct {
    const char* name;
    std::vector<Run> runs;
    std::uint32_t want;
  } cases[] = {
      {"half or more wins", {{Rgb(1, 2, 3), 3}, {Rgb(200, 0, 0), 4}, {Rgb(1, 2, 3), 3}}, Rgb(1, 2, 3)},
      {"the first of equal counts", {{Rgb(9, 9, 9), 6}, {Rgb(7, 7, 7), 6}}, Rgb(9, 9, 9)},
      // No colour has half: the pair 5 apart gathers 8 of 12 within 25, the first of it wins.
      {"a cluster", {{Rgb(100, 100, 100), 4}, {Rgb(105, 100, 100), 4}, {Rgb(0, 200, 0), 4}},
       Rgb(100, 100, 100)},
      // Wider clusters need a wider tolerance: 30 apart gather only from 50 on.
      {"a wider cluster", {{Rgb(0, 0, 250), 4}, {Rgb(100, 100, 100), 3}, {Rgb(130, 100, 100), 3},
                           {Rgb(250, 0, 0), 2}},
       Rgb(100, 100, 100)},
      {"fewer than six samples", {{Rgb(1, 1, 1), 4}, {Rgb(2, 2, 2), 1}}, Rgb(2, 2, 2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DominantColorCount count(3);
    for (const auto& [color, times] : c.runs)
      for (int i = 0; i < times; ++i) {
        const std::uint8_t px[3] = {std::uint8_t(color), std::uint8_t(color >> 8), std::uint8_t(color >> 16)};
        count.add(px);
      }
    EXPECT_EQ(count.result(), c.want);
  }
}

TEST(DominantColorCount, AFullTableGivesTheRarestSlotsToTheNewColour) {
  // 256 colours seen once fill the table; the next colour takes the first slot and empties
  // the others of count one, so six of it are then all there is.
  DominantColorCount count(3);
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t px[3] = {std::uint8_t(i), std::uint8_t(255 - i), 0};
    count.add(px);
  }
  const std::uint8_t fresh[3] = {10, 20, 30};
  for (int i = 0; i < 6; ++i) count.add(fresh);
  EXPECT_EQ(count.result(), Rgb(10, 20, 30));
  // Without the eviction a seen-once colour (far from the rest) would still count.
  DominantColorCount kept(3);
  for (int i = 0; i < 200; ++i) {
    const std::uint8_t px[3] = {std::uint8_t(i), 0, 0};
    kept.add(px);
  }
  for (int i = 0; i < 6; ++i) kept.add(fresh);
  EXPECT_NE(kept.result(), Rgb(10, 20, 30));
}

TEST(SampleSums, HoldTheSumsOfTheLargestImageInEachPlace) {
  // A 32767 x 32767 region of white is 255 x 32767^2, past 32 bits; each place keeps its own.
  const std::uint64_t largest = 255ull * 32767 * 32767;
  const struct {
    std::uint64_t first, step;
    int times;
  } cases[] = {{0, 1, 300}, {0xFFFFFFFFull, 1, 2}, {largest - 1000, 250, 4}, {1ull << 32, 1ull << 32, 5}};
  for (const auto& c : cases) {
    SampleSums sums;
    std::uint64_t want[4] = {0, 0, 0, 0};
    for (int place = 0; place < 4; ++place) {
      sums.add(place, c.first + std::uint64_t(place));
      want[place] = c.first + std::uint64_t(place);
    }
    for (int i = 0; i < c.times; ++i)
      for (int place = 0; place < 4; ++place) {
        sums.add(place, c.step * std::uint64_t(place + 1));
        want[place] += c.step * std::uint64_t(place + 1);
      }
    for (int place = 0; place < 4; ++place) EXPECT_EQ(sums[place], want[place]) << place;
  }
  EXPECT_LE(sizeof(Region), 40u);
}

}  // namespace
}  // namespace vl::engine::test
