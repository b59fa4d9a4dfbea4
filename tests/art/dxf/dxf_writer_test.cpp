// What the DXF writer puts in the file: the whole text of a small drawing, the limits, the
// layer and width rules, the number format and the flattening of curves.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/art/dxf/dxf_test_env.h"

namespace vl::art::test {
namespace {

using Lines = std::vector<std::string>;

Lines Header(const std::string& limX, const std::string& limY) {
  return {"0", "SECTION", "2",  "HEADER", "9",  "$LIMMIN", "10", "0",       "20", "0",
          "9", "$LIMMAX", "10", limX,     "20", limY,      "0",  "ENDSEC",  "0",  "SECTION",
          "2", "TABLES",  "0",  "TABLE",  "2",  "LAYER",   "70", "2",       "0",  "LAYER",
          "2", "0",       "0",  "LAYER",  "2",  "1",       "0",  "ENDTAB",  "0",  "ENDSEC",
          "0", "SECTION", "2",  "BLOCKS", "0",  "ENDSEC",  "0",  "SECTION", "2",  "ENTITIES"};
}

Lines& operator<<(Lines& to, const Lines& more) {
  to.insert(to.end(), more.begin(), more.end());
  return to;
}

Lines Vertex(const std::string& layer, const std::string& x, const std::string& y) {
  return {"0", "VERTEX", "8", layer, "10", x, "20", y};
}

TEST(DxfWriter, SmallArtGivesExactlyTheExpectedFile) {
  DxfEnv env;
  Lines expected = Header("2.222", "1");  // 160 / 72 and 72 / 72 inches
  Lines empty = expected;
  EXPECT_EQ(env.write(), (empty << Lines{"0", "ENDSEC", "0", "EOF"}));  // no paths

  env.paint(PaintType::Black, PaintType::None);  // a closed square: five vertices
  env.linePath({{18, 18}, {54, 18}, {54, 54}, {18, 54}, {18, 18}});
  env.paint(PaintType::None, PaintType::Black, kBlackColor, 1.0);  // a 1-point stroke, no fill
  env.linePath({{90, 0}, {144, 72}});
  env.strokeOnly();
  // A white-filled curve of 5 art units: its midpoint (art x 12802) stands for it.
  env.paint(PaintType::White, PaintType::None, kWhiteColor);
  env.begin({100, 36});
  env.curveTo({100.0078125, 36}, {100.03125, 36}, {100.0390625, 36});
  env.linePath({{36, 36}});                        // a lone anchor
  env.art.paths[env.art.count - 1].usedWords = 0;  // now empty: skipped

  expected << Lines{"0", "POLYLINE", "8", "0", "66", "1"} << Vertex("0", ".25", ".75")
           << Vertex("0", ".75", ".75") << Vertex("0", ".75", ".25") << Vertex("0", ".25", ".25")
           << Vertex("0", ".25", ".75") << Lines{"0", "SEQEND", "8", "0"};
  expected << Lines{"0", "POLYLINE", "8", "0", "66", "1", "40", ".013", "41", ".013"}  // 1/72 inch
           << Vertex("0", "1.25", "1") << Vertex("0", "2", "0") << Lines{"0", "SEQEND", "8", "0"};
  expected << Lines{"0", "POLYLINE", "8", "1", "66", "1"} << Vertex("1", "1.388", ".5")
           << Vertex("1", "1.389", ".5") << Vertex("1", "1.389", ".5")
           << Lines{"0", "SEQEND", "8", "1"};
  expected << Lines{"0", "ENDSEC", "0", "EOF"};
  EXPECT_EQ(env.write(), expected);
  EXPECT_TRUE(env.flattened);
}

TEST(DxfWriter, LimitsAndVerticesAreInchesTruncatedToThousandthsWithoutWrapping) {
  DxfEnv env;
  env.image.paddedWidth = 2560;  // a 2550-pixel scan at 300 pixels per inch
  env.image.height = 3300;
  env.image.xResolution = env.image.yResolution = 300.0;
  EXPECT_EQ(Values(env.write(), "10")[1], "8.533");  // 8.5333
  EXPECT_EQ(Values(env.write(), "20")[1], "11");

  // Past 32.767 inches, where a 16-bit count of thousandths would wrap.
  env.image = ArtImageInfo{};
  env.image.paddedWidth = 3008;  // 41.78 inches at 72 pixels per inch
  env.image.height = 2880;
  env.image.artScale = env.art.pen.artScale = 8.0;
  env.paint(PaintType::Black, PaintType::None);
  env.linePath({{2880, 0}, {2359.375, 0}, {0, 2880}});  // 40 in, art 18875 = 32.769 in, 0
  Lines lines = env.write();
  EXPECT_EQ(Values(lines, "10"), (Lines{"0", "41.777", "40", "32.769", "0"}));
  EXPECT_EQ(Values(lines, "20"), (Lines{"0", "40", "40", "40", "0"}));
}

TEST(DxfWriter, LayerFollowsTheBlackInkOfTheColourThatShowsAndOnlyStrokesHaveWidths) {
  DxfEnv env;
  auto path = [&](PaintType fill, PaintType stroke, std::uint32_t fillColor,
                  std::uint32_t strokeColor, bool strokeOnly, double points = 1.0) {
    env.paint(fill, stroke, fillColor, points);
    env.linePath({{0, 0}, {10, 0}});
    env.art.paths[env.art.count - 1].strokeColor = strokeColor;
    if (strokeOnly) env.strokeOnly();
  };
  path(PaintType::White, PaintType::Black, kWhiteColor, kBlackColor, false);  // the fill decides
  path(PaintType::Black, PaintType::None, kBlackColor, kWhiteColor, false);
  path(PaintType::Process, PaintType::None, 0x01FFFFFF, 0, false);  // the least black ink
  path(PaintType::None, PaintType::None, 0x00FFFFFF, 0, false);     // painted None: written too
  path(PaintType::None, PaintType::Black, kWhiteColor, kBlackColor, true,
       25.5);  // the stroke decides
  path(PaintType::None, PaintType::White, kBlackColor, kWhiteColor, true, 0.0);
  const Lines lines = env.write();
  EXPECT_EQ(Values(lines, "8"),
            (Lines{"1", "1", "1", "1", "0", "0", "0", "0", "0", "0", "0", "0",
                   "1", "1", "1", "1", "0", "0", "0", "0", "1", "1", "1", "1"}));
  EXPECT_EQ(Values(lines, "40"), (Lines{".354", "0"}));  // 25.5 / 72 inch, and none
  EXPECT_EQ(Values(lines, "41"), (Lines{".354", "0"}));
}

TEST(DxfWriter, NumbersAreTrimmedThousandths) {
  struct Case {
    std::int64_t thousandths;
    const char* text;
  } cases[] = {{0, "0"},        {2500, "2.5"},  {250, ".25"},     {12000, "12"},
               {8125, "8.125"}, {13, ".013"},   {10010, "10.01"}, {32768, "32.768"},
               {100000, "100"}, {-250, "-.25"}, {-1500, "-1.5"}};
  for (const Case& c : cases) EXPECT_EQ(FormatDxfReal(c.thousandths), c.text) << c.thousandths;
  EXPECT_EQ(DxfThousandths(57, 100), 570);  // 0.57 x 1000 is 569.99... in floating point
  EXPECT_EQ(DxfThousandths(-1, 4), -250);   // toward zero
}

TEST(DxfWriter, EachHalfOfACurveGetsPointsByItsLength) {
  // Control points at the thirds make x = length x t, the truncated t being k x 6554 / 65536
  // for tenths and k / 8 for eighths.
  auto xs = [](std::int32_t length) {
    FlattenedCurve f = FlattenDxfCurve({0, 7}, {length / 3, 7}, {2 * length / 3, 7}, {length, 7});
    std::vector<std::int32_t> out;
    for (int i = 0; i < f.count; ++i) out.push_back(f.points[i].x);
    return out;
  };
  using V = std::vector<std::int32_t>;
  EXPECT_EQ(xs(15), V{7});                            // halves of 7 and 8: the midpoint only
  EXPECT_EQ(xs(18), (V{4, 9, 13}));                   // 9 to 16: a quarter of the way
  EXPECT_EQ(xs(33), (V{8, 16, 20, 24, 28}));          // 16 and 17: one point, then eighths
  EXPECT_EQ(xs(60), (V{7, 15, 22, 30, 37, 45, 52}));  // 30: eighths
  EXPECT_EQ(xs(63), (V{6, 12, 18, 25, 31, 37, 44, 50, 56}));  // 31: tenths
  // Near the top of the art range the fixed-point sums stay exact: (1 + 3) x 32767 / 8.
  EXPECT_EQ(FlattenDxfCurve({32767, 0}, {0, 0}, {32767, 0}, {0, 0}).points[4].x, 16383);
}

}  // namespace
}  // namespace vl::art::test
