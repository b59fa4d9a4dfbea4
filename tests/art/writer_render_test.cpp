// Saved art rendered by outside interpreters must look like the art itself: Ghostscript runs
// the EPS files (prolog included) and rsvg-convert the SVG files, and each picture is compared
// pixel by pixel with the reference painter's, except along edges.
#include <gtest/gtest.h>

#include "art/svg_writer.h"
#include "tests/art/writer_test_env.h"
#include "tests/support/art_rasterizer.h"
#include "tests/support/external_renderers.h"

namespace vl::art::test {
namespace {

using test_support::GrayImage;

// Black ground; a white disc with a black curved shape in it; a white path round two squares
// overlapping in the same direction (white under the non-zero rule); a white open stroke two
// points wide; a half-black square; a custom black fill, a custom stroke at no strength
// (white), a process black fill and a grouped process black stroke. Only full inks and plain
// grays: the gray of a CMYK colour depends on the renderer's colour management.
void DrawScene(SaveEnv& env, double resolution) {
  env.image.xResolution = env.image.yResolution = resolution;
  env.image.outputName = "<scene> & \"title\"";  // escaped, or the SVG does not parse
  env.colors = {{"Ink", 0, 0, 0, 255, false}};
  env.paint(PaintType::Black, PaintType::None);
  env.linePath({{4, 4}, {60, 4}, {60, 44}, {4, 44}, {4, 4}});
  env.paint(PaintType::White, PaintType::None, kWhiteColor);
  const double x = 20, y = 22, r = 13, k = r * 0.5523;  // a circle of four curves
  env.begin({x + r, y});
  env.curveTo({x + r, y + k}, {x + k, y + r}, {x, y + r});
  env.curveTo({x - k, y + r}, {x - r, y + k}, {x - r, y});
  env.curveTo({x - r, y - k}, {x - k, y - r}, {x, y - r});
  env.curveTo({x + k, y - r}, {x + r, y - k}, {x + r, y});
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
  env.paint(PaintType::Custom, PaintType::None, kBlackColor);  // custom colour 0, full strength
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

// The reference painting, checked first at a few telling pixels, then against `rendered`.
void ExpectLikeTheArt(const SaveEnv& env, const GrayImage& rendered, int tolerance, int radius) {
  const double pixelsPerPoint = 1.0 / computePageScale(env.image, kFormatGq5).pointsPerPixelX;
  const GrayImage reference = test_support::RasterizeArtwork(
      env.art, env.image.paddedWidth, env.image.height, {env.image.artScale, pixelsPerPoint});
  for (const GrayImage* image : {&reference, &rendered}) {
    // The ground, the shape in the disc, custom black, process black fill and stroke.
    for (auto [x, y] : {std::pair{6, 6}, {20, 18}, {39, 11}, {53, 17}, {49, 25}})
      EXPECT_LT(image->at(x, y), 16);
    // The disc, the squares' overlap, the stroke, the custom stroke at no strength, outside.
    for (auto [x, y] : {std::pair{20, 34}, {46, 18}, {20, 39}, {34, 37}, {62, 46}})
      EXPECT_GT(image->at(x, y), 240);
    EXPECT_NEAR(image->at(51, 36), 128, 16);
  }
  EXPECT_EQ(test_support::MismatchesAwayFromEdges(reference, rendered, tolerance, radius), 0)
      << test_support::DescribeMismatches(reference, rendered, tolerance, radius);
}

TEST(WriterRender, GhostscriptRendersEveryGenerationLikeTheArt) {
  if (!test_support::ToolAvailable("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  for (double resolution : {72.0, 300.0}) {
    SaveEnv env;
    DrawScene(env, resolution);
    const PageScale page = computePageScale(env.image, kFormatGq5);
    for (int format : {kFormatGq11, kFormatGq88, kFormatGq3, kFormatGq5}) {
      SCOPED_TRACE("format " + std::to_string(format) + " at " + std::to_string(resolution));
      ASSERT_FALSE(env.saveLines(format, kPreviewHeader, "scene.eps").empty());
      std::optional<GrayImage> rendered = test_support::RenderEpsWithGhostscript(
          env.folder.path + "scene.eps", env.image.paddedWidth, env.image.height,
          page.pointsPerPixelX, page.pointsPerPixelY, env.folder.path);
      ASSERT_TRUE(rendered.has_value());
      // At 300 pixels per inch a tenth of a point is 0.4 pixel: sharp tips may move by one
      // pixel more than the renderers' pixel rules account for.
      ExpectLikeTheArt(env, *rendered, 16, resolution > 72.0 ? 2 : 1);
    }
  }
}

TEST(WriterRender, RsvgRendersTheSvgLikeTheArt) {
  if (!test_support::ToolAvailable("rsvg-convert")) GTEST_SKIP() << "rsvg-convert is not installed";
  for (double resolution : {72.0, 300.0}) {  // at 300 a point spans more than a pixel
    SaveEnv env;
    DrawScene(env, resolution);
    const std::string path = env.folder.path + "scene.svg";
    ASSERT_TRUE(saveSvg(env.rt, env.art, env.image, env.colors, path, false));
    std::optional<GrayImage> rendered = test_support::RenderSvgWithRsvg(
        path, env.image.paddedWidth, env.image.height, env.folder.path);
    ASSERT_TRUE(rendered.has_value()) << resolution;
    // Anti-aliased edges blend, and where two white shapes' edges meet on black (the disc and
    // the wide stroke at 300) a gray seam shows; elsewhere the levels agree.
    ExpectLikeTheArt(env, *rendered, resolution > 72.0 ? 64 : 24, 1);
  }
}

}  // namespace
}  // namespace vl::art::test
