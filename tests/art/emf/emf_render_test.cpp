// Metafiles read by outside programs: emf2svg-conv turns each into SVG, rsvg-convert paints
// that, and the picture must match the art painted by the reference painter except along
// edges.
//
// Two habits of emf2svg shape the scene: it closes every figure with "Z" (so the strokes here
// run round closed paths), and it sizes its SVG to the header's ink bounds, translated to the
// origin; the test undoes that translation and views the image's own extent in device pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tests/art/emf/emf_test_env.h"
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
// rule); a white stroke three points wide round a rectangle; a half-black square; process black
// fill and stroke; a White fill whose colour word is black (White ignores it); and a path
// painted neither way across everything, which must not show.
void DrawScene(WriterEnv& env) {
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
  env.linePath({{36, 8},
                {50, 8},
                {50, 22},
                {36, 22},
                {36, 8},
                {42, 14},
                {56, 14},
                {56, 28},
                {42, 28},
                {42, 14},
                {36, 8}});
  env.paint(PaintType::None, PaintType::White, kWhiteColor, 3.0);
  env.linePath({{8, 38}, {32, 38}, {32, 44}, {8, 44}, {8, 38}});
  env.art.paths[env.art.count - 1].flags |= kUnfilled;
  env.paint(PaintType::Black, PaintType::None, 0x80000000);
  env.linePath({{46, 32}, {56, 32}, {56, 40}, {46, 40}, {46, 32}});
  env.paint(PaintType::Process, PaintType::None, kBlackColor);
  env.linePath({{52, 16}, {55, 16}, {55, 19}, {52, 19}, {52, 16}});
  env.paint(PaintType::None, PaintType::Process, kBlackColor, 3.0);
  env.linePath({{46, 25}, {52, 25}, {46, 25}});
  env.art.paths[env.art.count - 1].flags |= kUnfilled;
  env.paint(PaintType::White, PaintType::None, kBlackColor);
  env.linePath({{6, 6}, {10, 6}, {10, 10}, {6, 10}, {6, 6}});
  env.paint(PaintType::None, PaintType::None, kBlackColor, 3.0);
  env.linePath({{0, 46}, {63, 46}, {63, 47}, {0, 47}, {0, 46}});
}

void ExpectSceneDrawn(const GrayImage& image) {
  EXPECT_LT(image.at(12, 8), 16);    // the black ground
  EXPECT_GT(image.at(26, 30), 240);  // the disc
  EXPECT_LT(image.at(20, 18), 16);   // the shape inside it
  EXPECT_GT(image.at(46, 18), 240);  // where the two squares overlap
  EXPECT_GT(image.at(8, 41), 240);   // the white stroke
  EXPECT_LT(image.at(20, 41), 16);   // inside the stroked rectangle: the ground
  EXPECT_NEAR(image.at(51, 36), 128, 16);
  EXPECT_LT(image.at(53, 17), 16);   // process black
  EXPECT_LT(image.at(49, 25), 16);   // process black stroke
  EXPECT_GT(image.at(8, 8), 240);    // White with a black colour word
  EXPECT_GT(image.at(30, 46), 240);  // the unpainted path
  EXPECT_GT(image.at(62, 2), 240);   // outside the ground
}

// Renders a metafile at the image's size in pixels: emf2svg-conv, then the SVG re-framed to
// the image's extent on the device, then rsvg-convert.
std::optional<GrayImage> RenderMetafile(const std::string& emfPath, const EmfEnv& env) {
  const std::string svgPath = env.folder.path + "emf2svg.svg",
                    framed = env.folder.path + "framed.svg";
  std::string command = "emf2svg-conv -i '" + emfPath + "' -o '" + svgPath + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  std::string svg = ReadWholeFile(svgPath);
  const std::size_t root = svg.find("<svg ");
  const std::size_t rootEnd = svg.find('>', root);
  const std::size_t group = svg.find("<g transform=\"translate(", rootEnd);
  if (root == std::string::npos || rootEnd == std::string::npos || group == std::string::npos)
    return std::nullopt;
  svg.replace(group, svg.find('>', group) - group, "<g");
  // The image spans paddedWidth x height pixels; on the device that is this many units.
  const MetafileZoom zoom = ComputeMetafileZoom(env.image, platform::kHeadlessReferenceScreen);
  const double perPixelX = env.image.artScale * double(zoom.zoomX >> zoom.artScaleShift) / 65536.0;
  const double perPixelY = env.image.artScale * double(zoom.zoomY >> zoom.artScaleShift) / 65536.0;
  std::string rootTag =
      "<svg version=\"1.1\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
      std::to_string(env.image.paddedWidth) + "\" height=\"" + std::to_string(env.image.height) +
      "\" viewBox=\"0 0 " + std::to_string(env.image.paddedWidth * perPixelX) + " " +
      std::to_string(env.image.height * perPixelY) + "\" preserveAspectRatio=\"none\"";
  svg.replace(root, rootEnd - root, rootTag);
  std::ofstream(framed) << svg;
  return test_support::RenderSvgWithRsvg(framed, env.image.paddedWidth, env.image.height,
                                         env.folder.path);
}

TEST(EmfRender, Emf2svgAndRsvgDrawTheMetafileLikeTheArt) {
  if (!test_support::ToolAvailable("emf2svg-conv"))
    GTEST_SKIP() << "emf2svg-conv is not installed (package emf2svg)";
  if (!test_support::ToolAvailable("rsvg-convert"))
    GTEST_SKIP() << "rsvg-convert is not installed (package librsvg2-bin)";
  // At 96 pixels per inch one image pixel is one device pixel; at 72 it is 4/3 of one, so
  // every coordinate is rounded to the device's coarser or finer grid.
  for (double resolution : {96.0, 72.0, 48.0}) {
    EmfEnv env;
    env.image.xResolution = env.image.yResolution = resolution;
    DrawScene(env);
    GrayImage reference = test_support::RasterizeArtwork(
        env.art, env.image.paddedWidth, env.image.height, {env.image.artScale, resolution / 72.0});
    ExpectSceneDrawn(reference);
    MetafileResult result = MetafileResult::Failed;
    const std::string path = env.write("scene.emf", &result);
    ASSERT_EQ(result, MetafileResult::Complete);
    std::optional<GrayImage> rendered = RenderMetafile(path, env);
    ASSERT_TRUE(rendered.has_value()) << "at " << resolution;
    ExpectSceneDrawn(*rendered);
    // Anti-aliased edges blend, and device pixels of 4/3 or 2/3 image pixel move an edge by
    // up to a pixel more.
    int radius = resolution == 96.0 ? 1 : 2;
    EXPECT_EQ(test_support::MismatchesAwayFromEdges(reference, *rendered, 24, radius), 0)
        << "at " << resolution << ": "
        << test_support::DescribeMismatches(reference, *rendered, 24, radius);
  }
}

}  // namespace
}  // namespace vl::art::test
