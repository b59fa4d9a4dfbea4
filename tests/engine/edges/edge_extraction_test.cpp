// Edge extraction: the records of small shapes, their removal from the source plane and the
// mask stamped around them, clipped at the image's edges; the merging of chain steps; every
// 4 x 4 picture consumed completely.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "tests/engine/engine_test_runtime.h"

namespace vl::engine::test {
namespace {

using Rows = std::vector<std::string>;

void BuildRows(TracerRig& f, const Rows& rows) {
  f.build(std::int32_t(rows[0].size()), std::int32_t(rows.size()));
  f.draw([&](int x, int y) { return rows[y][x] == '#'; });
}

// The source plane or the shape mask as rows, `columns` pixels wide (the padded width if < 0),
// from column `left`.
Rows Plane(TracerRig& f, bool mask, std::int32_t columns = -1, std::int32_t left = 0) {
  if (columns < 0) columns = f.image.paddedWidth - left;
  Rows out;
  for (std::int32_t y = 0; y < f.image.height; ++y) {
    std::string row;
    for (std::int32_t x = left; x < left + columns; ++x)
      row += (mask ? MaskPixel(f.t(), x, y) : SourcePixel(f.t(), x, y)) ? '#' : '.';
    out.push_back(row);
  }
  return out;
}

bool Blank(const Rows& rows) {
  return std::all_of(rows.begin(), rows.end(), [](auto& r) { return r.find('#') == r.npos; });
}

TEST(EdgeExtraction, ShapesAreTakenOuterFirstErasedAndMaskedByStampsClippedToTheImage) {
  TracerRig f;
  // The lone pixel right of the ring lies in the bytes that the fill inverts and must survive.
  BuildRows(f, {"............", "..########..", "..##...###.#", "..##...###..", "..########..",
                "............"});
  InitBoundaryScan(f.t());
  ASSERT_GT(ExtractNextBoundary(f.t()), 0);
  EXPECT_EQ(f.record(), Rectangle(2, 1, 8, 4));
  EXPECT_EQ(Plane(f, false, 12), (Rows{"............", "............", "....###....#",
                                       "....###.....", "............", "............"}));
  // A 5 x 5 block around every position, clipped to the image: 8 + 4 by 4 + 4 from (0, -1).
  const WidenedBox& w = f.t().widened;
  EXPECT_EQ((std::array{w.left, w.top, w.width, w.height}), (std::array{0, 0, 12, 6}));
  EXPECT_EQ(Plane(f, true, 13), Rows(6, "############."));
  RestoreShapeArea(f.t());
  EXPECT_TRUE(Blank(Plane(f, true)));
  ASSERT_GT(ExtractNextBoundary(f.t()), 0);  // then the hole, then the lone pixel
  EXPECT_EQ(f.record(), Rectangle(4, 2, 3, 2));
  RestoreShapeArea(f.t());
  EXPECT_EQ(ExtractNextBoundary(f.t()), 6);  // 4 + one code + 1: passes a noise threshold of 5
  EXPECT_EQ(f.record(), (Chain{11, 2, {}}));
  RestoreShapeArea(f.t());
  EXPECT_EQ(ExtractNextBoundary(f.t()), 0);
  EXPECT_EQ(ExtractNextBoundary(f.t()), 0);  // stays at the end
  EXPECT_TRUE(Blank(Plane(f, false)));

  // 32 pixels wide, the padded width itself: the right-hand shape touches the row's end.
  Rows rows(6, std::string(32, '.'));
  rows[0].replace(0, 2, "##");
  rows[1].replace(0, 2, "##");
  for (int y = 3; y < 6; ++y) rows[y].replace(28, 4, "####");
  TracerRig g;
  BuildRows(g, rows);
  InitBoundaryScan(g.t());
  ASSERT_GT(ExtractNextBoundary(g.t()), 0);
  EXPECT_EQ(g.record(), Rectangle(0, 0, 2, 2));
  EXPECT_EQ(Plane(g, true, 5), (Rows{"####.", "####.", "####.", "####.", ".....", "....."}));
  RestoreShapeArea(g.t());
  ASSERT_GT(ExtractNextBoundary(g.t()), 0);
  EXPECT_EQ(g.record(), Rectangle(28, 3, 4, 3));
  const WidenedBox& v = g.t().widened;  // 4 + 4 wide and 3 + 4 high, clipped to the image
  EXPECT_EQ((std::array{v.left, v.top, v.width, v.height}), (std::array{26, 1, 6, 5}));
  EXPECT_EQ(Plane(g, true, 8, 24),
            (Rows{"........", "..######", "..######", "..######", "..######", "..######"}));
  RestoreShapeArea(g.t());
  EXPECT_TRUE(Blank(Plane(g, true)) && Blank(Plane(g, false)));
}

// Merges two steps whenever their vector sum is one step or none (the simplification rule).
std::vector<std::uint8_t> MergeModel(const std::vector<std::uint8_t>& codes) {
  auto codeOf = [](int dx, int dy) {
    std::uint8_t c = 0;
    while (kChainDx[c] != dx || kChainDy[c] != dy) ++c;
    return c;
  };
  std::vector<std::uint8_t> out;
  int px = 0, py = 0;  // the pending step, none while 0, 0
  for (std::uint8_t c : codes) {
    const int sx = px + kChainDx[c], sy = py + kChainDy[c];
    if ((px || py) && (std::abs(sx) > 1 || std::abs(sy) > 1)) {
      out.push_back(codeOf(px, py));
      px = kChainDx[c], py = kChainDy[c];
    } else {
      px = sx, py = sy;
    }
  }
  if (px || py) out.push_back(codeOf(px, py));
  return out;
}

TEST(SimplifyChain, MergesStepsAsTheModelAndKeepsTheCountOnlyForGainsOf201) {
  TracerRig f;
  f.build(90, 8, 256);  // a chain buffer of 112 bytes
  auto staircase = [](int pairs) {  // right-down pairs: they halve into diagonals
    std::vector<std::uint8_t> codes;
    for (int i = 0; i < pairs; ++i) codes.insert(codes.end(), {5, 7});
    return codes;
  };
  // The count stays 0 (the caller stops) unless at least 201 codes were gained.
  const struct { std::vector<std::uint8_t> in, out; std::int64_t count; } cases[] = {
      {{5, 1, 6}, {6}, 0},           // right then left cancel; the next code becomes pending
      {{0, 3, 3}, {2}, 0},           // 0 and 3 give 1, which merges again with 3 into 2
      {{0, 3, 5}, {}, 0},            // 1 then 5 cancel: nothing but the end marker is left
      {{7, 1, 2, 6, 4}, {0, 4}, 0},  // 7+1 = 0; 0+2 no; 2+6 cancel; 4 stays
      {staircase(200), std::vector<std::uint8_t>(200, 6), 0},
      {staircase(201), std::vector<std::uint8_t>(201, 6), 201},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    f.load({7, -3, c.in});
    SimplifyChain(f.t());
    EXPECT_EQ(f.record(), (Chain{7, -3, c.out}));
    EXPECT_EQ(f.t().chain->lengthBytes(), std::int64_t(4 + c.out.size() + 1));
    EXPECT_EQ(f.t().codeCount, c.count);
    EXPECT_EQ(MergeModel(c.in), c.out);
  }
  // A long random record, spilled; without memory for all of it nothing changes.
  std::mt19937 rng(3);
  std::vector<std::uint8_t> codes(70000);
  for (std::uint8_t& c : codes) c = std::uint8_t(rng() % 8);
  f.load({12, 34, codes});
  f.env.memory.failAfter(0);
  SimplifyChain(f.t());
  f.env.memory.failAfter(-1);
  EXPECT_EQ(f.t().codeCount, 0);
  EXPECT_EQ(f.record(), (Chain{12, 34, codes}));
  f.t().codeCount = std::int64_t(codes.size());
  SimplifyChain(f.t());
  const std::vector<std::uint8_t> expected = MergeModel(codes);
  EXPECT_EQ(f.t().codeCount, std::int64_t(expected.size()));
  EXPECT_TRUE(f.t().chain->spilled());
  EXPECT_EQ(f.t().chain->heldOffset(), 0);
  EXPECT_EQ(f.record(), (Chain{12, 34, expected}));
}

// Every boundary of every 4 x 4 picture in turn: each starts at the first ink pixel in raster
// order, walks a closed path over ink inside its box, and leaves the mask clean once restored;
// the last leaves the plane blank.
TEST(EdgeExtraction, EveryFourByFourPictureIsConsumedCompletely) {
  TracerRig f;
  f.build(4, 4);
  const image::RasterImage& img = f.image;
  const std::uint8_t* plane = image::BitRow(img, 0);
  for (unsigned pattern = 0; pattern < (1u << 16); ++pattern) {
    SCOPED_TRACE(pattern);
    std::memset(image::BitRow(f.image, 0), 0, std::size_t(img.bitLayerBytes));
    f.draw([&](int x, int y) { return (pattern >> (4 * y + x)) & 1; });
    InitBoundaryScan(f.t());
    for (int boundaries = 0;; ++boundaries) {
      ASSERT_LE(boundaries, 16) << "the pass does not end";
      const std::vector<std::uint8_t> before(plane, plane + img.bitLayerBytes);
      auto ink = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < img.paddedWidth && y < img.height &&
               BitAt(before.data() + y * img.bitRowBytes, x);
      };
      const int n = ExtractNextBoundary(f.t());
      if (n == 0) break;
      const Chain r = f.record();
      int x = 0, y = 0;
      while (!ink(x, y)) (x + 1 < img.paddedWidth) ? ++x : (x = 0, ++y);
      ASSERT_EQ((std::array{int(r.x), int(r.y)}), (std::array{x, y}));
      ASSERT_EQ(n, int(4 + std::max<std::size_t>(r.codes.size(), 1) + 1));
      const BoundaryBox& b = f.t().box;
      for (std::uint8_t c : r.codes) {
        x += kChainDx[c];
        y += kChainDy[c];
        ASSERT_TRUE(ink(x, y) && x >= b.minX && x <= b.maxX && y >= b.minY && y <= b.maxY)
            << x << "," << y;
      }
      ASSERT_EQ((std::array{int(r.x), int(r.y)}), (std::array{x, y}));
      RestoreShapeArea(f.t());
      const std::uint8_t* mask = img.spareLayer.data();
      ASSERT_TRUE(std::all_of(mask, mask + img.spareLayer.size(), [](int v) { return !v; }))
          << "mask bits outside the widened box";
    }
    ASSERT_TRUE(Blank(Plane(f, false)));
  }
}

}  // namespace
}  // namespace vl::engine::test
