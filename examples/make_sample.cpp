// Draws the bundled sample drawing - the word VECTORLUME in round-pen lettering above a row of
// shapes with holes, curves and corners - into a bilevel raster image and writes it with the
// program's own TIFF writer (PackBits, 300 pixels per inch). examples/make-sample builds and
// runs it; the result, examples/sample.tif, is committed.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/application_state.h"
#include "base/conversion_state.h"
#include "base/runtime.h"
#include "image/bit_row.h"
#include "image/raster_image.h"
#include "image/tiff_writer.h"
#include "platform/headless_ui.h"
#include "platform/memory_block.h"
#include "platform/scratch_folder.h"

namespace {

using vl::image::RasterImage;

constexpr int kWidthPixels = 900;
constexpr int kHeightPixels = 300;
constexpr double kResolutionPixelsPerInch = 300.0;
constexpr double kUnitPixels = 14.0;     // one unit of the 4 x 6 letter grid
constexpr double kPenRadiusPixels = 5.5;  // the lettering's round pen
constexpr double kPi = 3.14159265358979323846;

struct Point {
  double x, y;  // pixels
};
using Stroke = std::vector<Point>;  // a polyline in letter units, y down

void SetPixel(RasterImage& image, int x, int y, bool ink) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  std::uint8_t* row = vl::image::BitRow(image, y);
  if (ink)
    vl::image::SetBitAt(row, x);
  else
    vl::image::ClearBitAt(row, x);
}

void Disc(RasterImage& image, Point c, double radius, bool ink) {
  for (int y = int(c.y - radius) - 1; y <= int(c.y + radius) + 1; ++y)
    for (int x = int(c.x - radius) - 1; x <= int(c.x + radius) + 1; ++x)
      if (std::hypot(x + 0.5 - c.x, y + 0.5 - c.y) <= radius) SetPixel(image, x, y, ink);
}

// A stroke of the round pen: discs every half pixel along each segment.
void Pen(RasterImage& image, const Stroke& stroke, Point origin) {
  for (std::size_t i = 0; i + 1 < stroke.size(); ++i) {
    const Point a{origin.x + stroke[i].x * kUnitPixels, origin.y + stroke[i].y * kUnitPixels};
    const Point b{origin.x + stroke[i + 1].x * kUnitPixels,
                  origin.y + stroke[i + 1].y * kUnitPixels};
    const int steps = std::max(1, int(std::hypot(b.x - a.x, b.y - a.y) * 2));
    for (int s = 0; s <= steps; ++s) {
      const double t = double(s) / steps;
      Disc(image, {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}, kPenRadiusPixels, true);
    }
  }
}

// An elliptic arc in letter units, from and to angles in degrees (0 = right, 90 = down).
Stroke Arc(Point centre, double rx, double ry, double fromDegrees, double toDegrees) {
  Stroke s;
  constexpr int kSteps = 32;
  for (int i = 0; i <= kSteps; ++i) {
    const double a = (fromDegrees + (toDegrees - fromDegrees) * i / kSteps) * kPi / 180.0;
    s.push_back({centre.x + rx * std::cos(a), centre.y + ry * std::sin(a)});
  }
  return s;
}

std::vector<Stroke> Letter(char c) {
  switch (c) {
    case 'V': return {{{0, 0}, {2, 6}, {4, 0}}};
    case 'E': return {{{4, 0}, {0, 0}, {0, 6}, {4, 6}}, {{0, 3}, {3, 3}}};
    case 'C': return {Arc({2.2, 3}, 2.2, 3, 45, 315)};
    case 'T': return {{{0, 0}, {4, 0}}, {{2, 0}, {2, 6}}};
    case 'O': return {Arc({2, 3}, 2, 3, 0, 360)};
    case 'R': {
      Stroke bowl{{0, 6}, {0, 0}, {2.5, 0}};
      for (const Point& p : Arc({2.5, 1.5}, 1.5, 1.5, -90, 90)) bowl.push_back(p);
      bowl.push_back({0, 3});
      return {bowl, {{2, 3}, {4, 6}}};
    }
    case 'L': return {{{0, 0}, {0, 6}, {4, 6}}};
    case 'U': {
      Stroke u{{0, 0}};
      for (const Point& p : Arc({2, 4}, 2, 2, 180, 0)) u.push_back(p);
      u.push_back({4, 0});
      return {u};
    }
    case 'M': return {{{0, 6}, {0, 0}, {2, 4}, {4, 0}, {4, 6}}};
    default: return {};
  }
}

// Filled shapes below the lettering: a ring, a triangle, a square with a square hole, a disc
// with two round holes, and specks smaller than the default noise suppression.
void Shapes(RasterImage& image) {
  const double row = 230;  // pixels, the shapes' centre line
  Disc(image, {90, row}, 45, true);
  Disc(image, {90, row}, 22, false);
  for (int y = int(row) - 45; y <= int(row) + 45; ++y) {
    const double half = (y - (row - 45)) * 0.6;  // widens downwards
    for (int x = int(230 - half); x <= int(230 + half); ++x) SetPixel(image, x, y, true);
  }
  for (int y = int(row) - 42; y <= int(row) + 42; ++y)
    for (int x = 320; x <= 404; ++x)
      SetPixel(image, x, y, std::abs(x - 362) > 18 || std::abs(y - int(row)) > 18);
  Disc(image, {500, row}, 46, true);
  Disc(image, {484, row - 12}, 12, false);
  Disc(image, {520, row + 14}, 9, false);
  for (int i = 0; i < 12; ++i) Disc(image, {600.0 + 22 * (i % 6), row - 20 + 40 * (i / 6)}, 1.2, true);
  // A wave drawn with the round pen, for long smooth curves.
  Stroke wave;
  for (int i = 0; i <= 40; ++i) wave.push_back({i * 0.25, 1.5 * std::sin(i * kPi / 10)});
  Pen(image, wave, {740, row});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample OUTPUT.tif\n");
    return 2;
  }
  vl::platform::HeadlessUi ui(stderr);
  vl::platform::MemoryBudget memory;
  vl::base::ConversionState state;
  vl::base::ApplicationState app;
  std::string scratch = vl::platform::ProcessScratchFolder(vl::platform::DefaultScratchBase());
  vl::base::Runtime rt{ui, memory, state, app, scratch};

  RasterImage image;
  if (!vl::image::setGeometry(image, kWidthPixels, kHeightPixels) ||
      !vl::image::allocateBitLayer(image, memory)) {
    std::fprintf(stderr, "make_sample: no memory for the image\n");
    return 1;
  }
  image.bitsPerSample = 1;
  image.samplesPerPixel = 1;
  image.photometric = vl::image::kWhiteIsZero;
  image.xResolution = image.yResolution = kResolutionPixelsPerInch;

  const std::string word = "VECTORLUME";
  const double advance = 6 * kUnitPixels;  // pixels: four units of letter and two of space
  const double left = (kWidthPixels - (word.size() * advance - 2 * kUnitPixels)) / 2;
  for (std::size_t i = 0; i < word.size(); ++i)
    for (const Stroke& stroke : Letter(word[i])) Pen(image, stroke, {left + i * advance, 40});
  Shapes(image);

  const bool ok = vl::image::WriteTiffFile(rt, image, argv[1]);
  vl::platform::RemoveScratchFolder(scratch);
  return ok ? 0 : 1;
}
