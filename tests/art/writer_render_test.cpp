// Saved art rendered by outside interpreters must look like the art itself: Ghostscript runs
// the EPS files (prolog included) and rsvg-convert the SVG files, and each picture is compared
// pixel by pixel with the reference painter's, except along edges.
#include <gtest/gtest.h>

#include "art/page_scale.h"
#include "art/save_art.h"
#include "art/svg_writer.h"
#include "tests/art/writer_test_env.h"
#include "tests/support/art_rasterizer.h"
#include "tests/support/external_renderers.h"

namespace vl::art::test {
namespace {

using test_support::GrayImage;

constexpr double kKappa = 0.5523;  // control distance of a quarter circle, per unit radius

void Circle(WriterEnv& env, double cx, double cy, double r) {
  double k = r * kKappa;
  env.begin({cx + r, cy});
  env.curveTo({cx + r, cy + k}, {cx + k, cy + r}, {cx, cy + r});
  env.curveTo({cx - k, cy + r}, {cx - r, cy + k}, {cx - r, cy});
  env.curveTo({cx - r, cy - k}, {cx - k, cy - r}, {cx, cy - r});
  env.curveTo({cx + k, cy - r}, {cx + r, cy - k}, {cx + r, cy});
}

// Black ground; a white disc with a black curved shape in it; a white path that runs round
// two overlapping squares in the same direction (the overlap stays white under the non-zero
// rule); a white open stroke two points wide; a half-black square; and marks in every other
// paint operator: a custom black fill, a custom stroke at no strength (white), a process
// black fill and stroke. Only full inks and plain grays: the gray a CMYK colour turns into
// depends on the renderer's colour management.
void DrawScene(WriterEnv& env) {
  env.colors = {{"Ink", 0, 0, 0, 255, false}};
  env.paint(PaintType::Black, PaintType::None);
  env.linePath({{4, 4}, {60, 4}, {60, 44}, {4, 44}, {4, 4}});
  env.paint(PaintType::White, PaintType::None, kWhiteColor);
  Circle(env, 20, 22, 13);
  env.paint(PaintType::Black, PaintType::None);
  env.begin({13, 20});
  env.curveTo({15, 10}, {25, 10}, {27, 20});
  env.lineTo({20, 30});
  env.lineTo({13, 20});
  env.paint(PaintType::White, PaintType::None, kWhiteColor);
  env.linePath({{36, 8}, {50, 8}, {50, 22}, {36, 22}, {36, 8}, {42, 14}, {56, 14}, {56, 28},
                {42, 28}, {42, 14}, {36, 8}});
  env.paint(PaintType::None, PaintType::White, kWhiteColor, 2.0);
  env.linePath({{8, 39}, {30, 39}, {30, 35}});
  env.paint(PaintType::Black, PaintType::None, 0x80000000);
  env.linePath({{46, 32}, {56, 32}, {56, 40}, {46, 40}, {46, 32}});

  env.paint(PaintType::Custom, PaintType::None, kBlackColor);
  env.art.pen.customIndex = 0;
  env.art.pen.tint = 255;
  env.linePath({{38, 10}, {41, 10}, {41, 13}, {38, 13}, {38, 10}});
  env.paint(PaintType::None, PaintType::Custom, kWhiteColor, 2.0);
  env.art.pen.tint = 0;
  env.linePath({{34, 32}, {34, 42}});
  env.paint(PaintType::Process, PaintType::None, kBlackColor);
  env.linePath({{52, 16}, {55, 16}, {55, 19}, {52, 19}, {52, 16}});
  env.paint(PaintType::None, PaintType::Process, kBlackColor, 2.0);
  env.linePath({{44, 25}, {54, 25}});
  env.art.paths[env.art.count - 1].flags |= kGrouped;
}

GrayImage Reference(const WriterEnv& env) {
  PageScale page = computePageScale(env.image, kFormatGq5);
  return test_support::RasterizeArtwork(env.art, env.image.paddedWidth, env.image.height,
                                        {env.image.artScale, 1.0 / page.pointsPerPixelX});
}

void ExpectSceneDrawn(const GrayImage& image) {
  EXPECT_LT(image.at(6, 6), 16);     // the black ground
  EXPECT_GT(image.at(20, 34), 240);  // the disc
  EXPECT_LT(image.at(20, 18), 16);   // the shape inside it
  EXPECT_GT(image.at(46, 18), 240);  // where the two squares overlap
  EXPECT_GT(image.at(20, 39), 240);  // the stroke
  EXPECT_NEAR(image.at(51, 36), 128, 16);
  EXPECT_LT(image.at(39, 11), 16);   // custom black
  EXPECT_GT(image.at(34, 37), 240);  // custom stroke at no strength
  EXPECT_LT(image.at(53, 17), 16);   // process black
  EXPECT_LT(image.at(49, 25), 16);   // process black stroke
  EXPECT_GT(image.at(62, 46), 240);  // outside the ground
}

TEST(WriterRender, GhostscriptRendersEveryGenerationLikeTheArt) {
  if (!test_support::ToolAvailable("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  for (double resolution : {72.0, 300.0}) {
    WriterEnv env;
    env.image.xResolution = env.image.yResolution = resolution;
    DrawScene(env);
    GrayImage reference = Reference(env);
    ExpectSceneDrawn(reference);
    PageScale page = computePageScale(env.image, kFormatGq5);
    SaveStamp stamp = FixedStamp();
    for (int format : {kFormatGq11, kFormatGq88, kFormatGq3, kFormatGq5}) {
      SaveArtOptions options;
      options.format = format;
      options.preview = kPreviewHeader;
      options.stamp = &stamp;
      bool modified = true;
      std::string path = env.folder.path + "scene" + std::to_string(format) + ".eps";
      ASSERT_TRUE(saveArt(env.rt, env.art, env.image, env.colors, path, options, modified));
      std::optional<GrayImage> rendered = test_support::RenderEpsWithGhostscript(
          path, env.image.paddedWidth, env.image.height, page.pointsPerPixelX,
          page.pointsPerPixelY, env.folder.path);
      ASSERT_TRUE(rendered.has_value()) << "format " << format << " at " << resolution;
      ExpectSceneDrawn(*rendered);
      // At 300 pixels per inch a tenth of a point is 0.4 pixel: sharp tips may move by one
      // pixel more than the renderers' pixel rules account for.
      int radius = resolution > 72.0 ? 2 : 1;
      EXPECT_EQ(test_support::MismatchesAwayFromEdges(reference, *rendered, 16, radius), 0)
          << "format " << format << " at " << resolution << ": "
          << test_support::DescribeMismatches(reference, *rendered, 16, radius);
    }
  }
}

TEST(WriterRender, RsvgRendersTheSvgLikeTheArt) {
  if (!test_support::ToolAvailable("rsvg-convert")) GTEST_SKIP() << "rsvg-convert is not installed";
  WriterEnv env;
  DrawScene(env);
  std::string path = env.folder.path + "scene.svg";
  ASSERT_TRUE(saveSvg(env.rt, env.art, env.image, env.colors, path, false));
  std::optional<GrayImage> rendered = test_support::RenderSvgWithRsvg(
      path, env.image.paddedWidth, env.image.height, env.folder.path);
  ASSERT_TRUE(rendered.has_value());
  ExpectSceneDrawn(*rendered);
  // Anti-aliased edges blend; away from them the levels agree.
  GrayImage reference = Reference(env);
  EXPECT_EQ(test_support::MismatchesAwayFromEdges(reference, *rendered, 24), 0)
      << test_support::DescribeMismatches(reference, *rendered, 24);
}

}  // namespace
}  // namespace vl::art::test
