// Edge extraction: the records of small shapes, their removal from the source plane and the
// mask drawn around them; the halving of records too long to assemble; spilled records and a
// mask in the image tracing as a plain run does; all 4 x 4 pictures consumed completely.
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

// Codes of a filled w x h rectangle followed clockwise from its top-left pixel.
std::vector<std::uint8_t> RectangleCodes(int w, int h) {
  std::vector<std::uint8_t> codes;
  for (auto [code, count] : {std::pair{5, w}, {7, h}, {1, w}, {3, h}})
    codes.insert(codes.end(), std::size_t(count - 1), std::uint8_t(code));
  return codes;
}

TEST(EdgeExtraction, BarIsFollowedErasedAndMaskedWithinTheImage) {
  TracerRig f;
  // The pixel right of the bar lies in the byte that the fill inverts, twice.
  BuildRows(f, {"..........", "...#......", "...#.#....", "...#......", ".........."});
  InitBoundaryScan(f.t());
  EXPECT_EQ(ExtractNextBoundary(f.t()), 4 + 4 + 1);
  EXPECT_EQ(f.record(), (Chain{3, 1, {7, 7, 3, 3}}));
  EXPECT_EQ(Plane(f, false, 8), (Rows{"........", "........", ".....#..", "........", "........"}));
  // A 5 x 5 block around every position; rows -1 and 5 fold onto the first and last rows.
  EXPECT_EQ(Plane(f, true, 8), Rows(5, ".#####.."));
  EXPECT_EQ(f.t().widened.height, 5);  // 3 + 4 rows from row 0 would pass the last row
  RestoreShapeArea(f.t());
  EXPECT_TRUE(Blank(Plane(f, true)));
}

TEST(EdgeExtraction, RingGivesItsOuterBoundaryThenItsHoleThenALonePixel) {
  TracerRig f;
  // The lone pixel right of the ring lies inside the inverted bytes and must survive.
  BuildRows(f, {"............", "..########..", "..##...###.#", "..##...###..", "..########..",
                "............"});
  f.env.state.stageLabel = 32;
  InitBoundaryScan(f.t());
  ASSERT_GT(ExtractNextBoundary(f.t()), 0);
  EXPECT_EQ(f.env.state.shownRow, 1);  // progress reported at the row where the shape starts
  EXPECT_EQ(f.record(), (Chain{2, 1, RectangleCodes(8, 4)}));
  const BoundaryBox& b = f.t().box;  // each extreme where it was first reached
  EXPECT_EQ(
      (std::array{b.minX, b.yAtMinX, b.maxX, b.yAtMaxX, b.minY, b.xAtMinY, b.maxY, b.xAtMaxY}),
      (std::array{2, 1, 9, 1, 1, 2, 4, 9}));
  EXPECT_EQ(Plane(f, false, 12), (Rows{"............", "............", "....###....#",
                                       "....###.....", "............", "............"}));
  RestoreShapeArea(f.t());
  ASSERT_GT(ExtractNextBoundary(f.t()), 0);
  EXPECT_EQ(f.record(), (Chain{4, 2, RectangleCodes(3, 2)}));
  RestoreShapeArea(f.t());
  EXPECT_EQ(ExtractNextBoundary(f.t()), 6);  // 4 + one code + 1: passes a noise threshold of 5
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(f.t().chain->byteAt(i), (std::array{11, 0, 2, 0, 255, 255, 255}[i]));
  RestoreShapeArea(f.t());
  EXPECT_EQ(ExtractNextBoundary(f.t()), 0);
  EXPECT_EQ(f.env.state.currentRow, f.image.height);
  EXPECT_EQ(ExtractNextBoundary(f.t()), 0);  // stays at the end
  EXPECT_TRUE(Blank(Plane(f, false)));
}

TEST(EdgeExtraction, ShapesAtTheImageEdgesClipTheirBoxAndMask) {
  // 32 pixels wide, the padded width itself: the right-hand shape touches the row's end.
  Rows rows(6, std::string(32, '.'));
  rows[0].replace(0, 2, "##");
  rows[1].replace(0, 2, "##");
  for (int y = 3; y < 6; ++y) rows[y].replace(28, 4, "####");
  TracerRig f;
  BuildRows(f, rows);
  InitBoundaryScan(f.t());
  ASSERT_GT(ExtractNextBoundary(f.t()), 0);
  EXPECT_EQ(f.record(), (Chain{0, 0, RectangleCodes(2, 2)}));
  EXPECT_EQ(Plane(f, true, 5), (Rows{"####.", "####.", "####.", "####.", ".....", "....."}));
  RestoreShapeArea(f.t());
  ASSERT_GT(ExtractNextBoundary(f.t()), 0);
  EXPECT_EQ(f.record(), (Chain{28, 3, RectangleCodes(4, 3)}));
  const WidenedBox& w = f.t().widened;  // 4 + 4 wide and 3 + 4 high, clipped to the image
  EXPECT_EQ((std::array{w.left, w.top, w.width, w.height}), (std::array{26, 1, 6, 5}));
  EXPECT_EQ(Plane(f, true, 8, 24),
            (Rows{"........", "..######", "..######", "..######", "..######", "..######"}));
  RestoreShapeArea(f.t());
  EXPECT_TRUE(Blank(Plane(f, true)) && Blank(Plane(f, false)));
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
  const std::vector<std::uint8_t> cases[][2] = {
      {{5, 1, 6}, {6}},           // right then left cancel; the next code becomes pending
      {{0, 3, 3}, {2}},           // 0 and 3 give 1, which merges again with 3 into 2
      {{0, 3, 5}, {}},            // 1 then 5 cancel: nothing but the end marker is left
      {{7, 1, 2, 6, 4}, {0, 4}},  // 7+1 = 0; 0+2 no; 2+6 cancel; 4 stays
  };
  for (const auto& [in, out] : cases) {
    SCOPED_TRACE(::testing::PrintToString(in));
    f.load({7, -3, in});
    SimplifyChain(f.t());
    EXPECT_EQ(f.record(), (Chain{7, -3, out}));
    EXPECT_EQ(f.t().chain->lengthBytes(), std::int64_t(4 + out.size() + 1));
    EXPECT_EQ(f.t().codeCount, 0);  // far fewer than 201 codes gained: the caller stops
    EXPECT_EQ(MergeModel(in), out);
  }
  for (int pairs : {200, 201}) {  // a staircase of right-down pairs halves into diagonals
    std::vector<std::uint8_t> staircase;
    for (int i = 0; i < pairs; ++i) staircase.insert(staircase.end(), {5, 7});
    f.load({0, 0, staircase});
    SimplifyChain(f.t());
    EXPECT_EQ(f.record().codes, std::vector<std::uint8_t>(std::size_t(pairs), 6));
    EXPECT_EQ(f.t().codeCount, pairs == 201 ? 201 : 0);
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

constexpr std::int32_t kWidth = 90, kHeight = 50;

// A disc with two holes (one holding an island), a ring touching the right edge, a bar along
// the bottom right and scattered noise; the first three spill a 112-byte chain buffer.
Ink BusyPicture() {
  std::vector<bool> noise(kWidth * kHeight);
  std::mt19937 rng(5);
  for (int i = 0; i < 40; ++i) noise[(rng() % 40) * kWidth + 47 + rng() % 12] = true;
  return [noise](int x, int y) {
    const bool disc = Disc(25, 24, 20)(x, y) && !Disc(18, 20, 5)(x, y) &&
                      !(Box(28, 27, 36, 33)(x, y) && !(x == 32 && y == 30));
    const bool ring = Box(62, 2, 89, 30)(x, y) && !Box(67, 7, 84, 25)(x, y);
    return disc || ring || Box(38, 45, 89, 49)(x, y) || noise[y * kWidth + x];
  };
}

Rows MaskIn(TracerRig& f, const WidenedBox& w) {
  Rows rows = Plane(f, true, w.width, w.left);
  return Rows(rows.begin() + w.top, rows.begin() + w.top + w.height);
}

// Traced side by side, a plain run and one with a 112-byte chain buffer (and the mask in the
// image) give the same records, masks inside the widened box, and source planes after each
// RestoreShapeArea.
TEST(EdgeExtraction, SpilledRecordsAndTheMaskInTheImageTraceAsAPlainRun) {
  for (bool maskInImage : {false, true}) {
    SCOPED_TRACE(maskInImage);
    TracerRig plain, other;
    plain.build(kWidth, kHeight);
    other.build(kWidth, kHeight, 256, maskInImage);
    plain.draw(BusyPicture());
    other.draw(BusyPicture());
    InitBoundaryScan(plain.t());
    InitBoundaryScan(other.t());
    int spilled = 0;
    for (int boundary = 0; !::testing::Test::HasFailure(); ++boundary) {
      SCOPED_TRACE(boundary);
      const int n = ExtractNextBoundary(plain.t());
      ASSERT_EQ(ExtractNextBoundary(other.t()), std::min<int>(n, other.t().chain->sizeBytes()));
      if (n == 0) break;
      spilled += other.t().chain->spilled();
      EXPECT_EQ(other.record(), plain.record());
      EXPECT_EQ(other.t().codeCount, plain.t().codeCount);
      EXPECT_EQ(MaskIn(other, plain.t().widened), MaskIn(plain, plain.t().widened));
      RestoreShapeArea(plain.t());
      RestoreShapeArea(other.t());
      EXPECT_EQ(Plane(other, false), Plane(plain, false));
    }
    EXPECT_TRUE(Blank(Plane(other, false)));
    EXPECT_TRUE(other.env.messages().empty());
    EXPECT_GE(spilled, 3);  // the disc and the ring's two boundaries at least
    EXPECT_TRUE(other.env.scratchExists("edgearr"));
    EXPECT_EQ(other.env.scratchExists("dgtemp"), maskInImage);
    EXPECT_FALSE(plain.env.scratchExists("edgearr") || plain.env.scratchExists("dgtemp"));
  }
}

// Extracts every boundary, checking each: it starts at the first ink pixel in raster order,
// walks a closed path over ink inside its box, and leaves the mask clean after restoring.
void ExpectWholePass(TracerRig& f) {
  const image::RasterImage& img = f.image;
  InitBoundaryScan(f.t());
  for (int boundaries = 0; boundaries <= 2 * img.paddedWidth * img.height; ++boundaries) {
    const std::vector<std::uint8_t> before(image::bitRow(img, 0),
                                           image::bitRow(img, 0) + img.bitLayerBytes);
    auto ink = [&](int x, int y) {
      return x >= 0 && y >= 0 && x < img.paddedWidth && y < img.height &&
             BitAt(before.data() + y * img.bitRowBytes, x);
    };
    const int n = ExtractNextBoundary(f.t());
    if (n == 0) {
      EXPECT_TRUE(Blank(Plane(f, false)));
      return;
    }
    const Chain r = f.record();
    int x = 0, y = 0;
    while (!ink(x, y)) (x + 1 < img.paddedWidth) ? ++x : (x = 0, ++y);
    ASSERT_EQ((std::array{int(r.x), int(r.y)}), (std::array{x, y}));
    EXPECT_EQ(n, int(4 + std::max<std::size_t>(r.codes.size(), 1) + 1));
    const BoundaryBox& b = f.t().box;
    for (std::uint8_t c : r.codes) {
      x += kChainDx[c];
      y += kChainDy[c];
      ASSERT_TRUE(ink(x, y) && x >= b.minX && x <= b.maxX && y >= b.minY && y <= b.maxY)
          << x << "," << y;
    }
    ASSERT_EQ((std::array{int(r.x), int(r.y)}), (std::array{x, y}));
    RestoreShapeArea(f.t());
    const std::uint8_t* mask = f.image.spareLayer.data();
    ASSERT_TRUE(std::all_of(mask, mask + f.image.spareLayer.size(), [](int b) { return !b; }))
        << "mask bits outside the widened box";
  }
  ADD_FAILURE() << "the pass does not end";
}

TEST(EdgeExtraction, EveryFourByFourPictureIsConsumedCompletely) {
  TracerRig f;
  f.build(4, 4);
  for (unsigned pattern = 0; pattern < (1u << 16); ++pattern) {
    std::memset(image::bitRow(f.image, 0), 0, std::size_t(f.image.bitLayerBytes));
    f.draw([&](int x, int y) { return (pattern >> (4 * y + x)) & 1; });
    ExpectWholePass(f);
    ASSERT_FALSE(::testing::Test::HasFailure()) << "pattern " << pattern;
  }
}

}  // namespace
}  // namespace vl::engine::test
