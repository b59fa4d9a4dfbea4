// Saved art drawn by outside programs (Ghostscript for EPS, rsvg-convert for SVG, emf2svg-conv
// then rsvg-convert for metafiles) must match the reference painter's picture off the edges.
#include <gtest/gtest.h>

#include <cstdlib>

#include "art/pdf_writer.h"
#include "art/svg_writer.h"
#include "tests/art/writer_test_env.h"
#include "tests/support/art_rasterizer.h"
#include "tests/support/external_renderers.h"

namespace vl::art::test {
namespace {

using test_support::GrayImage;

// A scene at `resolution` pixels per inch, strokes 3 pixels wide: a white page (the ink spans
// the image), a black ground; a white disc with a black curved shape in it; a white path round
// two squares overlapping in one direction (white under the non-zero rule); then boxes of each
// paint. Strokes run round closed paths (emf2svg closes every figure); inks are full or plain
// grays, as the gray of a CMYK colour depends on colour management.
void DrawScene(SaveEnv& env, double resolution) {
  using enum PaintType;
  struct Box { PaintType fill, stroke; std::uint32_t color; double l, t, r, b; };
  auto box = [&](const Box& b) {
    env.paint(b.fill, b.stroke, b.color, 3 * 72.0 / resolution);
    env.art.pen.tint = b.stroke == Custom ? 0 : 255;
    env.linePath({{b.l, b.t}, {b.r, b.t}, {b.r, b.b}, {b.l, b.b}, {b.l, b.t}});
    if (b.stroke == Process) env.art.paths[env.art.count - 1].flags |= kGrouped;
  };
  env.image.xResolution = env.image.yResolution = resolution;
  env.colors = {{"Ink", 0, 0, 0, 255, false}};
  box({White, None, kWhiteColor, 0, 0, 64, 48});
  box({Black, None, kBlackColor, 4, 4, 60, 44});
  env.paint(White, None, kWhiteColor);
  const double x = 20, y = 22, r = 13, k = r * 0.5523;  // a circle of four curves
  env.begin({x + r, y});
  env.curveTo({x + r, y + k}, {x + k, y + r}, {x, y + r});
  env.curveTo({x - k, y + r}, {x - r, y + k}, {x - r, y});
  env.curveTo({x - r, y - k}, {x - k, y - r}, {x, y - r});
  env.curveTo({x + k, y - r}, {x + r, y - k}, {x + r, y});
  env.paint(Black, None);
  env.begin({13, 20});
  env.curveTo({15, 10}, {25, 10}, {27, 20});
  env.lineTo({20, 30});
  env.lineTo({13, 20});
  env.paint(White, None, kWhiteColor);
  env.linePath({{36, 8}, {50, 8}, {50, 22}, {36, 22}, {36, 8}, {42, 14}, {56, 14}, {56, 28},
                {42, 28}, {42, 14}, {36, 8}});
  for (const Box& b : {Box{None, White, kWhiteColor, 8, 38, 28, 44},
                       Box{Black, None, 0x80000000, 46, 32, 56, 40},     // half black
                       Box{Custom, None, kBlackColor, 38, 10, 41, 13},   // custom colour 0
                       Box{None, Custom, kWhiteColor, 35, 31, 36, 40},   // no strength: white
                       Box{Process, None, kBlackColor, 52, 16, 55, 19},
                       Box{None, Process, kBlackColor, 46, 24, 52, 25},  // grouped
                       Box{White, None, kBlackColor, 6, 6, 10, 10},      // the word is ignored
                       Box{None, None, kBlackColor, 0, 46, 63, 47}})     // painted neither way
    box(b);
}

// The reference painting, checked at telling pixels, then against `rendered` off the edges.
void ExpectLikeTheScene(const SaveEnv& env, const std::optional<GrayImage>& rendered,
                        int tolerance, int radius) {
  ASSERT_TRUE(rendered.has_value());
  const GrayImage reference = test_support::RasterizeArtwork(
      env.art, env.image.paddedWidth, env.image.height,
      {env.image.artScale, env.image.yResolution / 72.0});
  for (const GrayImage* picture : {&reference, &*rendered}) {
    SCOPED_TRACE(picture == &reference ? "reference" : "rendered");
    // Black: ground, shape, inside the stroke, custom and process; white: disc, overlap,
    // strokes, White on a black word, the unpainted path, outside; the half-black square.
    for (auto [x, y, level] : {std::tuple{12, 8, 0}, {20, 18, 0}, {20, 41, 0}, {39, 11, 0},
             {53, 17, 0}, {49, 25, 0}, {26, 30, 255}, {46, 18, 255}, {8, 41, 255}, {35, 37, 255},
             {8, 8, 255}, {30, 46, 255}, {62, 2, 255}, {51, 36, 128}})
      EXPECT_NEAR(picture->at(x, y), level, 15) << x << "," << y;
  }
  EXPECT_EQ(test_support::MismatchesAwayFromEdges(reference, *rendered, tolerance, radius), 0)
      << test_support::DescribeMismatches(reference, *rendered, tolerance, radius);
}

TEST(WriterRender, GhostscriptAndRsvgRenderEveryFormatLikeTheArt) {
  if (!test_support::ToolAvailable("gs") || !test_support::ToolAvailable("rsvg-convert"))
    GTEST_SKIP() << "needs Ghostscript (gs) and rsvg-convert (librsvg2-bin)";
  for (double resolution : {72.0, 300.0}) {  // at 300 a point spans more than a pixel
    SaveEnv env;
    DrawScene(env, resolution);
    env.image.outputName = "<scene> & \"title\"";  // escaped, or the SVG does not parse
    const PageScale page = computePageScale(env.image, kFormatGq5);
    for (int format : {kFormatGq11, kFormatGq88, kFormatGq3, kFormatGq5}) {
      SCOPED_TRACE("format " + std::to_string(format) + " at " + std::to_string(resolution));
      ASSERT_FALSE(env.saveLines(format, kPreviewHeader, "scene.eps").empty());
      // At 300 a tenth of a point is 0.4 pixel: sharp tips may move by one pixel more than
      // the renderers' pixel rules account for.
      ExpectLikeTheScene(env, test_support::RenderEpsWithGhostscript(
          env.folder.path + "scene.eps", env.image.paddedWidth, env.image.height,
          page.pointsPerPixelX, page.pointsPerPixelY, env.folder.path),
          16, resolution > 72.0 ? 2 : 1);
    }
    {
      // The PDF draws the EPS's page: Ghostscript renders the two alike (both anti-aliased and
      // without its PostScript fill adjustment, which its PDF interpreter does not apply), and
      // poppler renders the PDF like the art.
      SCOPED_TRACE("PDF at " + std::to_string(resolution));
      const std::string pdf = env.folder.path + "scene.pdf", eps = env.folder.path + "scene.eps";
      ASSERT_TRUE(SavePdf(env.rt, env.art, env.image, env.colors, pdf, false));
      ASSERT_FALSE(env.saveLines(kFormatGq5, kPreviewHeader, "scene.eps").empty());
      const auto render = [&](const std::string& path) {
        return test_support::RenderEpsWithGhostscript(path, env.image.paddedWidth,
                                                      env.image.height, page.pointsPerPixelX,
                                                      page.pointsPerPixelY, env.folder.path,
                                                      true);
      };
      const std::optional<GrayImage> fromPdf = render(pdf), fromEps = render(eps);
      ASSERT_TRUE(fromPdf && fromEps);
      // Off the edges every pixel alike (on them the interpreters differ a little: its PDF
      // side flattens curves more finely and adjusts thin strokes to whole pixels).
      EXPECT_EQ(test_support::MismatchesAwayFromEdges(*fromEps, *fromPdf, 2, 1), 0)
          << test_support::DescribeMismatches(*fromEps, *fromPdf, 2, 1);
      ExpectLikeTheScene(env, fromPdf, 24, resolution > 72.0 ? 2 : 1);
      if (test_support::ToolAvailable("pdftoppm")) {
        ExpectLikeTheScene(env, test_support::RenderPdfWithPoppler(
            pdf, env.image.paddedWidth, env.image.height, page.pointsPerPixelX,
            page.pointsPerPixelY, env.folder.path), 24, resolution > 72.0 ? 2 : 1);
      }
    }
    SCOPED_TRACE("SVG at " + std::to_string(resolution));
    const std::string path = env.folder.path + "scene.svg";
    ASSERT_TRUE(SaveSvg(env.rt, env.art, env.image, env.colors, path, false));
    ExpectLikeTheScene(env, test_support::RenderSvgWithRsvg(path, env.image.paddedWidth,
                                                            env.image.height, env.folder.path),
                       24, 1);  // anti-aliased edges blend
  }
}

TEST(WriterRender, Emf2svgAndRsvgDrawTheMetafileLikeTheArt) {
  if (!test_support::ToolAvailable("emf2svg-conv") || !test_support::ToolAvailable("rsvg-convert"))
    GTEST_SKIP() << "needs emf2svg-conv (package emf2svg) and rsvg-convert (librsvg2-bin)";
  // The reference device has 1200 units an inch: 12.5 to the image pixel at 96 pixels per
  // inch, 4 at 300.
  for (double resolution : {96.0, 72.0, 48.0, 300.0}) {
    SCOPED_TRACE(resolution);
    SaveEnv env;
    DrawScene(env, resolution);  // emf2svg draws the ink's extent: here the image
    std::tie(env.options.format, env.options.metafile) =
        std::tuple(kFormatEmf, MetafileSource{64, "scene.tif"});
    const std::string emf = env.folder.path + "scene.emf", svg = env.folder.path + "scene.svg";
    ASSERT_TRUE(env.save(emf));
    const std::string command = "emf2svg-conv -i '" + emf + "' -o '" + svg + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // Anti-aliased edges blend; the device grid is fine enough to add nothing to that.
    ExpectLikeTheScene(env, test_support::RenderSvgWithRsvg(svg, env.image.paddedWidth,
                                                            env.image.height, env.folder.path),
                       24, 1);
  }
}

}  // namespace
}  // namespace vl::art::test
