// Following single boundaries: the records of small shapes, their removal from the source
// plane, the mask drawn around them and the follower's probe order.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <utility>

#include "tests/engine/edges/edge_fixture.h"

namespace vl::engine {
namespace {

using test::ChainRecord;
using test::EdgeFixture;
using Rows = std::vector<std::string>;

// Codes of a filled w x h rectangle followed clockwise from its top-left pixel.
std::vector<std::uint8_t> RectangleCodes(int w, int h) {
  std::vector<std::uint8_t> codes;
  for (auto [code, count] : {std::pair{5, w}, std::pair{7, h}, std::pair{1, w}, std::pair{3, h}})
    codes.insert(codes.end(), std::size_t(count - 1), std::uint8_t(code));
  return codes;
}

TEST(EdgeExtraction, LonePixelGivesTheShortRecordAndIsErased) {
  EdgeFixture f;
  f.build({"........", "........", "......#.", "........"});
  InitBoundaryScan(f.t());
  EXPECT_EQ(ExtractNextBoundary(f.t()), 6);  // 4 + one code + 1: passes a noise threshold of 5
  const std::uint8_t expected[6] = {6, 0, 2, 0, 0xFF, 0xFF};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(f.t().chain->byteAt(i), expected[i]) << i;
  EXPECT_EQ(f.t().chain->lengthBytes(), 6);
  EXPECT_TRUE(f.sourceEmpty());
  RestoreShapeArea(f.t());
  EXPECT_EQ(ExtractNextBoundary(f.t()), 0);
  EXPECT_EQ(f.env.state.currentRow, f.image.height);
  EXPECT_EQ(ExtractNextBoundary(f.t()), 0);  // stays at the end
}

TEST(EdgeExtraction, VerticalBarCodesAndTheFillCancelsOnItsMiddleRow) {
  EdgeFixture f;
  // The pixel right of the bar lies in the byte that the fill inverts, twice.
  f.build({"..........", "...#......", "...#.#....", "...#......", ".........."});
  InitBoundaryScan(f.t());
  EXPECT_EQ(ExtractNextBoundary(f.t()), 4 + 4 + 1);
  EXPECT_EQ(f.record(), (ChainRecord{3, 1, {7, 7, 3, 3}}));
  EXPECT_EQ(f.source(8), (Rows{"........", "........", ".....#..", "........", "........"}));
  // A 5 x 5 block around every position; rows -1 and 5 fold onto the first and last rows.
  EXPECT_EQ(f.mask(8), Rows(5, ".#####.."));
  EXPECT_EQ(f.t().widened.height, 5);  // 3 + 4 rows from row 0 would pass the last row
  RestoreShapeArea(f.t());
  EXPECT_TRUE(f.spareEmpty());
  EXPECT_EQ(ExtractNextBoundary(f.t()), 6);
  EXPECT_EQ(f.record(), (ChainRecord{5, 2, {}}));
}

TEST(EdgeExtraction, FilledRectangleIsFollowedClockwiseAlongItsTopAndRemoved) {
  EdgeFixture f;
  // The neighbour right of the rectangle lies inside the inverted bytes and must survive.
  f.build({"...........", "...######..", "...######.#", "...######..", "..........."});
  InitBoundaryScan(f.t());
  EXPECT_EQ(ExtractNextBoundary(f.t()), 4 + 14 + 1);
  EXPECT_EQ(f.record(), (ChainRecord{3, 1, RectangleCodes(6, 3)}));
  const BoundaryBox& b = f.t().box;
  // Each extreme with the other coordinate where it was first reached (the start counts).
  EXPECT_EQ((std::array{b.minX, b.yAtMinX, b.maxX, b.yAtMaxX}), (std::array{3, 1, 8, 1}));
  EXPECT_EQ((std::array{b.minY, b.xAtMinY, b.maxY, b.xAtMaxY}), (std::array{1, 3, 3, 8}));
  EXPECT_EQ(f.source(11), (Rows{"...........", "...........", "..........#", "...........",
                                "..........."}));
  RestoreShapeArea(f.t());
  EXPECT_EQ(ExtractNextBoundary(f.t()), 6);
  RestoreShapeArea(f.t());
  EXPECT_EQ(ExtractNextBoundary(f.t()), 0);
  EXPECT_TRUE(f.spareEmpty());
}

TEST(EdgeExtraction, RingGivesOuterBoundaryFirstAndLeavesTheHoleAsInk) {
  EdgeFixture f;
  f.build({"............", "..########..", "..##...###..", "..##...###..", "..########..",
           "............"});
  f.env.state.stageLabel = 32;
  InitBoundaryScan(f.t());
  ASSERT_GT(ExtractNextBoundary(f.t()), 0);
  EXPECT_EQ(f.env.state.shownRow, 1);  // progress reported at the row where the shape starts
  EXPECT_EQ(f.record(), (ChainRecord{2, 1, RectangleCodes(8, 4)}));
  EXPECT_EQ(f.source(12), (Rows{"............", "............", "....###.....", "....###.....",
                                "............", "............"}));
  RestoreShapeArea(f.t());
  ASSERT_GT(ExtractNextBoundary(f.t()), 0);
  EXPECT_EQ(f.record(), (ChainRecord{4, 2, RectangleCodes(3, 2)}));
  RestoreShapeArea(f.t());
  EXPECT_EQ(ExtractNextBoundary(f.t()), 0);
  EXPECT_TRUE(f.sourceEmpty());
}

TEST(EdgeExtraction, ShapesAtTheImageEdgesClipTheirBoxAndMask) {
  EdgeFixture f;
  // 32 pixels wide, the padded width itself: the right-hand shape touches the row's end.
  Rows rows = test::Blank(32, 6);
  rows[0].replace(0, 2, "##");
  rows[1].replace(0, 2, "##");
  for (int y = 3; y < 6; ++y) rows[y].replace(28, 4, "####");
  f.build(rows);
  InitBoundaryScan(f.t());

  ASSERT_GT(ExtractNextBoundary(f.t()), 0);
  EXPECT_EQ(f.record(), (ChainRecord{0, 0, RectangleCodes(2, 2)}));
  EXPECT_EQ(f.mask(5), (Rows{"####.", "####.", "####.", "####.", ".....", "....."}));
  RestoreShapeArea(f.t());
  EXPECT_TRUE(f.spareEmpty());

  ASSERT_GT(ExtractNextBoundary(f.t()), 0);
  EXPECT_EQ(f.record(), (ChainRecord{28, 3, RectangleCodes(4, 3)}));
  const WidenedBox& w = f.t().widened;  // 4 + 4 wide and 3 + 4 high, clipped to the image
  EXPECT_EQ((std::array{w.left, w.top, w.width, w.height}), (std::array{26, 1, 6, 5}));
  Rows mask = f.mask();
  for (std::string& row : mask) row.erase(0, 24);
  EXPECT_EQ(mask, (Rows{"........", "..######", "..######", "..######", "..######",
                        "..######"}));
  RestoreShapeArea(f.t());
  EXPECT_TRUE(f.spareEmpty());
  EXPECT_TRUE(f.sourceEmpty());
}

TEST(EdgeExtraction, NextDirectionProbesFromTheLeftOfTravelAndStepsBack) {
  EdgeFixture f;
  f.build(9, 9);
  ConversionState& s = f.env.state;
  auto from = [&](Rows ink, int x, int y, int d) {
    std::memset(f.image.bitLayer.data(), 0, f.image.bitLayer.size());
    f.draw(ink);
    s.tracerX = static_cast<std::int16_t>(x);
    s.tracerY = static_cast<std::int16_t>(y);
    f.t().lastDirection = d;
    const int code = NextDirection(f.t());
    EXPECT_EQ(code < 0 ? -1 : f.t().lastDirection, code);
    return std::array{code, int(s.tracerX), int(s.tracerY)};
  };
  // Travelling right (5) from (1, 1): up (3) comes before up-right (4) and right.
  EXPECT_EQ(from({"....", ".##.", ".##."}, 1, 2, 5), (std::array{3, 1, 1}));
  // Travelling up: left, up-left, up and up-right are empty, right (5) is next.
  EXPECT_EQ(from({"....", ".##.", ".##."}, 1, 1, 3), (std::array{5, 2, 1}));
  // Travelling right, the up-left pixel (d + 5) is never probed: the step back to the left
  // is taken untested.
  EXPECT_EQ(from({"#...", "....", "...."}, 1, 1, 5), (std::array{1, 0, 1}));
  // Travelling down, the pixel above is tested too; with none the position stays.
  EXPECT_EQ(from({".#..", ".#..", "...."}, 1, 1, 7), (std::array{3, 1, 0}));
  EXPECT_EQ(from({"....", ".#..", "...."}, 1, 1, 7), (std::array{int{kNoDirection}, 1, 1}));
  // Outside the image reads as background.
  EXPECT_EQ(from({"#...", ".#.."}, 0, 0, 3), (std::array{6, 1, 1}));
}

}  // namespace
}  // namespace vl::engine
