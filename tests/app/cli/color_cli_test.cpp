// Colour conversions from the command line, rendered back by the outside renderers and
// compared with the pixels they came from: the fidelity (PSNR), the seams a renderer would
// show between neighbouring shapes that do not quite meet, and every art format taking them.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "tests/app/cli/cli_runner.h"
#include "tests/support/external_renderers.h"

namespace vl::app::test {
namespace {

using test_support::GrayImage;

// Flat tones with curved, slanted and straight boundaries, touching shapes, a shape inside a
// shape and a thin line, at 72 pixels per inch (one point per pixel).
constexpr const char* kDrawing = R"(
import sys
from PIL import Image, ImageDraw
out = sys.argv[1]
im = Image.new('L', (240, 160), 225)
d = ImageDraw.Draw(im)
d.ellipse((20, 20, 130, 140), fill=40)
d.ellipse((50, 50, 95, 100), fill=170)
d.polygon([(120, 10), (230, 60), (140, 150)], fill=100)
d.rectangle((180, 90, 235, 155), fill=140)
d.line((0, 155, 239, 120), fill=70, width=4)
im.save(out + '/gray.tif', dpi=(72, 72))
im.save(out + '/gray.pgm')
c = Image.merge('RGB', (im, im.point(lambda v: 255 - v), im.point(lambda v: (v * 3) % 256)))
c.save(out + '/rgb.tif', dpi=(72, 72))
)";

bool Draw(const TempDir& dir) {
  WriteFile(dir / "draw.py", kDrawing);
  return std::system(("/usr/bin/python3 '" + (dir / "draw.py") + "' '" + std::string(dir / "") +
                      "' 2>/dev/null").c_str()) == 0;
}

double Psnr(const GrayImage& a, const GrayImage& b) {
  double sum = 0.0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    const double d = double(a.pixels[i]) - double(b.pixels[i]);
    sum += d * d;
  }
  const double mse = sum / double(a.pixels.size());
  return mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// Pixels along a boundary between two tones of the source (its 3 x 3 neighbourhood holds
// exactly those two) that the rendering shows clearly lighter than both: background showing
// through a gap between the two shapes.
int Seams(const GrayImage& source, const GrayImage& drawn) {
  int seams = 0;
  for (int y = 1; y + 1 < source.height; ++y)
    for (int x = 1; x + 1 < source.width; ++x) {
      std::set<int> tones;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) tones.insert(source.at(x + dx, y + dy));
      if (tones.size() != 2) continue;
      if (drawn.at(x, y) > *tones.rbegin() + 12) ++seams;
    }
  return seams;
}

TEST(ColorCli, RenderedBackTheShapesMatchThePixelsWithoutSeams) {
  for (const char* tool : {"rsvg-convert", "gs"})
    if (!test_support::ToolAvailable(tool)) GTEST_SKIP() << tool << " is not installed";
  TempDir dir;
  ASSERT_TRUE(Draw(dir));
  const std::optional<GrayImage> source = test_support::ReadPgm(dir / "gray.pgm");
  ASSERT_TRUE(source);
  for (const char* format : {"svg", "eps"}) {
    SCOPED_TRACE(format);
    const std::string art = dir / (std::string("art.") + format);
    const RunResult r = RunProgram({"convert", dir / "gray.tif", "-o", art, "--color", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::optional<GrayImage> drawn =
        std::string(format) == "svg"
            ? test_support::RenderSvgWithRsvg(art, 240, 160, dir / "")
            : test_support::RenderEpsWithGhostscript(art, 240, 160, 1.0, 1.0, dir / "", true);
    ASSERT_TRUE(drawn);
    // Flat tones: only boundary pixels may differ (the source's hard steps against smooth,
    // anti-aliased outlines); a lost shape or a wrong tone costs far more.
    EXPECT_GE(Psnr(*source, *drawn), 23.0);
    EXPECT_EQ(Seams(*source, *drawn), 0);
  }
}

TEST(ColorCli, EveryArtFormatTakesTheColourShapes) {
  TempDir dir;
  ASSERT_TRUE(Draw(dir));
  auto convert = [&](const std::string& name) {
    const RunResult r = RunProgram({"convert", dir / "rgb.tif", "-o", dir / name, "--color", "--quiet"});
    EXPECT_EQ(r.status, 0) << name << " " << r.err;
    return ReadFile(dir / name);
  };
  const std::size_t paths = CountOf(convert("art.svg"), "<path");
  ASSERT_GE(paths, 5u);
  EXPECT_EQ(CountOf(convert("art.dxf"), "POLYLINE"), paths);
  // Each shape filled and stroked with its seam colour (a byte count would not tell: an empty
  // page's header alone is longer than 40 bytes a shape).
  EXPECT_EQ(CountOf(convert("art.eps"), "\rb\r"), paths);
  EXPECT_EQ(CountOf(convert("art.gq"), "\rb\r"), paths);
  convert("art.emf");  // written without an error: its records are the writer's tests'
  convert("art.pdf");
}

}  // namespace
}  // namespace vl::app::test
