// Where the art lands: a scan converted to EPS, SVG and EMF and rendered back at the scan's own
// resolution must cover the scan's pixels. The SVG page is the image in points (not the padded
// rows), so it renders to exactly the scan's size and misses no more pixels than the EPS; the
// metafile, drawn back through emf2svg, stays within 1.2 times the EPS's pixel error.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "tests/app/cli/cli_runner.h"
#include "tests/support/external_renderers.h"

namespace vl::app::test {
namespace {

using test_support::GrayImage;

// A drawing with edges at every angle and sub-pixel curvature: a disc, a ring, a slanted bar,
// thin strokes one and two pixels wide, and a block that touches the right and bottom edges.
bool Ink(int x, int y, int width, int height) {
  const int dx = x - width / 4, dy = y - height / 2;
  const int r2 = dx * dx + dy * dy;
  const int rx = x - width * 5 / 8, ry = y - height / 3;
  const int ring = rx * rx + ry * ry;
  return r2 <= 30 * 30 || (ring >= 18 * 18 && ring <= 26 * 26) ||
         (std::abs((x - width / 2) - (y - 10) / 2) <= 4 && y >= 10 && y < height - 10) ||
         (y == 12 && x >= 10 && x < width - 10) || (x % 17 < 2 && y >= height - 40 && y < height - 25) ||
         (x >= width - 25 && y >= height - 15);
}

// The pixel error of a rendering: the ink area by which it and the scan differ, in pixels
// (coverage-weighted, so that anti-aliased edges count what they cover); -1 when the sizes
// differ.
double PixelError(const GrayImage& scan, const GrayImage& shown) {
  if (scan.width != shown.width || scan.height != shown.height) return -1;
  long levels = 0;
  for (std::size_t i = 0; i < scan.pixels.size(); ++i)
    levels += std::abs(int(scan.pixels[i]) - int(shown.pixels[i]));
  return levels / 255.0;
}

// The SVG's page side in pixels at `pixelsPerInch`, from its root's attribute ("...pt").
double PageSidePixels(const std::string& svg, const std::string& attribute, double pixelsPerInch) {
  const std::size_t root = svg.find("<svg");
  const std::size_t end = svg.find('>', root);
  const std::size_t at = svg.find(" " + attribute + "=\"", root);
  if (root == std::string::npos || end == std::string::npos || at == std::string::npos || at > end)
    return -1;
  const std::size_t value = at + attribute.size() + 3;
  const std::size_t unit = svg.find("pt\"", value);
  if (unit == std::string::npos || unit > end) return -1;
  return std::stod(svg.substr(value, unit - value)) * pixelsPerInch / 72.0;
}

std::int32_t Le32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = v << 8 | std::uint8_t(bytes[at + k]);
  return std::int32_t(v);
}

// The metafile drawn at `pixelsPerInch`: emf2svg gives the ink's extent in device units,
// shifted to the origin; the shift is undone and the page set to the image at the device's own
// units per inch (from the metafile's header), then rsvg draws it at the image's pixel size.
std::optional<GrayImage> RenderMetafile(const TempDir& dir, const std::string& emf, int width,
                                        int height, double pixelsPerInch) {
  const std::string header = ReadFile(emf);
  if (header.size() < 88) return std::nullopt;
  const double unitsPerInch = Le32(header, 72) * 25.4 / Le32(header, 80);
  const std::string drawn = dir / "drawn.svg";
  if (std::system(("emf2svg-conv -i '" + emf + "' -o '" + drawn + "' >/dev/null 2>&1").c_str()) != 0)
    return std::nullopt;
  std::string svg = ReadFile(drawn);
  const std::size_t body = svg.find("<g");
  if (body == std::string::npos) return std::nullopt;
  svg = svg.substr(body);
  if (const std::size_t shift = svg.find("translate("); shift != std::string::npos) {
    const std::size_t close = svg.find(')', shift);
    if (close == std::string::npos) return std::nullopt;
    svg.replace(shift, close + 1 - shift, "translate(0,0)");
  }
  char head[400];
  std::snprintf(head, sizeof head,
                "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/"
                "xlink\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %.6f %.6f\">",
                width, height, width * unitsPerInch / pixelsPerInch,
                height * unitsPerInch / pixelsPerInch);
  WriteFile(dir / "page.svg", std::string("<?xml version=\"1.0\"?>\n") + head + svg);
  return test_support::RenderSvgWithRsvg(dir / "page.svg", width, height, dir.path + "/");
}

TEST(CliPlacement, SvgAndMetafileLandOnTheScanLikeTheEps) {
  for (const char* tool : {"gs", "rsvg-convert", "emf2svg-conv"})
    if (!test_support::ToolAvailable(tool)) GTEST_SKIP() << tool << " is not installed";
  for (const double ppi : {72.0, 96.0, 150.0, 300.0}) {
    for (const int width : {320, 333}) {  // a multiple of 32, and a width with padded rows
      const int height = 201;
      SCOPED_TRACE(std::to_string(width) + " pixels at " + std::to_string(int(ppi)) + " ppi");
      TempDir dir;
      const auto ink = [&](int x, int y) { return Ink(x, y, width, height); };
      ASSERT_TRUE(WriteBilevelTiff(dir / "scan.tif", width, height, ink, ppi));
      GrayImage scan(width, height, 255);
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          if (ink(x, y)) scan.at(x, y) = 0;
      for (const char* name : {"a.eps", "a.svg", "a.emf"}) {
        const RunResult r = RunProgram({"convert", dir / "scan.tif", "-o", dir / name});
        ASSERT_EQ(std::to_string(r.status) + r.err, "0") << name;
      }
      const double pointsPerPixel = 72.0 / ppi;
      const std::optional<GrayImage> eps = test_support::RenderEpsWithGhostscript(
          dir / "a.eps", width, height, pointsPerPixel, pointsPerPixel, dir.path + "/", true);
      const std::optional<GrayImage> svgPage =
          test_support::RenderSvgAtResolution(dir / "a.svg", ppi, dir.path + "/");
      const std::optional<GrayImage> emf = RenderMetafile(dir, dir / "a.emf", width, height, ppi);
      ASSERT_TRUE(eps && svgPage && emf);
      // The page is the image at its resolution, exactly; rsvg-convert rounds the page up to
      // whole pixels after a floating-point product, so it may add one blank row or column.
      const std::string text = ReadFile(dir / "a.svg");
      EXPECT_NEAR(PageSidePixels(text, "width", ppi), width, 1e-6);
      EXPECT_NEAR(PageSidePixels(text, "height", ppi), height, 1e-6);
      EXPECT_TRUE(text.find("viewBox=\"0 0 " + std::to_string(width) + " " +
                            std::to_string(height) + "\"") != std::string::npos);
      ASSERT_GE(svgPage->width, width);
      ASSERT_GE(svgPage->height, height);
      ASSERT_LE(svgPage->width, width + 1);
      ASSERT_LE(svgPage->height, height + 1);
      GrayImage svg(width, height, 255);
      for (int y = 0; y < svgPage->height; ++y)
        for (int x = 0; x < svgPage->width; ++x) {
          if (x < width && y < height) svg.at(x, y) = svgPage->at(x, y);
          else EXPECT_EQ(svgPage->at(x, y), 255) << x << "," << y;
        }
      const double epsError = PixelError(scan, *eps);
      const double svgError = PixelError(scan, svg);
      const double emfError = PixelError(scan, *emf);
      std::printf("placement %3d ppi, width %d: pixel error EPS %.0f, SVG %.0f, EMF %.0f\n",
                  int(ppi), width, epsError, svgError, emfError);
      long inkPixels = 0;
      for (std::uint8_t v : scan.pixels) inkPixels += v < 128;
      // A trace smooths the staircases, so none is exact; each stays a faithful copy.
      ASSERT_GT(epsError, 0);
      EXPECT_LT(epsError, inkPixels / 5);
      // Where the EPS and the SVG carry the same geometry the two renderers' anti-aliasing
      // differs by about a percent either way; a misplaced page costs far more.
      EXPECT_LE(svgError, epsError * 1.02);
      EXPECT_LE(emfError, epsError * 1.2);
    }
  }
}

}  // namespace
}  // namespace vl::app::test
