// The DXF writer.
#include "art/dxf_writer.h"

#include <cmath>
#include <cstdlib>
#include <span>

#include "art/anchor_walk.h"
#include "art/art_path_loop.h"

namespace vl::art {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr double kTenthsPerInch = 720.0;  // stroke weights are tenths of a point, 72 points an inch
constexpr double kExactLimit = 9007199254740992.0 / 1000.0;  // 2^53 / 1000: exact as int64 below

// Curve flattening: t in 16.16 fixed point.
constexpr std::uint64_t kOne = 65536;
constexpr std::uint32_t kTenth = 6554;   // 0.1
constexpr std::uint32_t kEighth = 8192;  // 0.125
constexpr std::uint32_t kHalf = 32768;
// Manhattan length of a half curve (art units) from which it gets 4, 3 or 1 inner points.
constexpr std::int32_t kFourPointsFrom = 31;
constexpr std::int32_t kThreePointsFrom = 17;
constexpr std::int32_t kOnePointFrom = 9;

void Line(OutputBuffer& out, std::string_view text) {
  out.put(text);
  out.put(kCrLf);
}

void Real(OutputBuffer& out, std::string_view code, double numerator, double denominator) {
  Line(out, code);
  Line(out, FormatDxfReal(DxfThousandths(numerator, denominator)));
}

bool IsWhole(double v) { return std::fabs(v) < kExactLimit && v == std::trunc(v); }

// Layer by black ink of the colour that shows: the stroke of a stroke-only path, else the fill.
std::string_view LayerLine(const PathRecord& path) {
  const std::uint32_t color = (path.flags & kUnfilled) ? path.strokeColor : path.fillColor;
  return (color >> 24) != 0 ? "8\r\n0" : "8\r\n1";
}

struct Vertices {
  OutputBuffer& out;
  const ArtImageInfo& image;
  std::string_view layer;

  void put(std::int32_t x, std::int32_t y) const {
    const double artPerInchX = image.artScale * image.xResolution;
    const double artPerInchY = image.artScale * image.yResolution;
    Line(out, "0\r\nVERTEX");
    Line(out, layer);
    Real(out, "10", x, artPerInchX);
    // Art y grows downward from the top; the drawing's y grows upward from the bottom.
    Real(out, "20", double(image.height) * image.artScale - y, artPerInchY);
  }
};

ArtPoint Bezier(const ArtPoint (&p)[4], std::uint32_t t) {
  const std::uint64_t u = kOne - t;
  // The weights sum to 2^48 and every coordinate is below 2^15: no sum reaches 2^63.
  const std::uint64_t w[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, std::uint64_t(t) * t * t};
  std::uint64_t x = 0, y = 0;
  for (int i = 0; i < 4; ++i) {
    x += w[i] * std::uint64_t(p[i].x);
    y += w[i] * std::uint64_t(p[i].y);
  }
  return {std::int32_t(x >> 48), std::int32_t(y >> 48)};
}

std::int32_t Manhattan(ArtPoint a, ArtPoint b) { return std::abs(a.x - b.x) + std::abs(a.y - b.y); }

// Inner points of one half: steps of a tenth or an eighth from `base` (0 or one half).
void AddHalf(FlattenedCurve& f, const ArtPoint (&p)[4], std::int32_t length, std::uint32_t base) {
  std::uint32_t step = 0;
  int first = 1, last = 0;
  if (length >= kFourPointsFrom) {
    step = kTenth;
    first = 1, last = 4;
  } else if (length >= kThreePointsFrom) {
    step = kEighth;
    first = 1, last = 3;
  } else if (length >= kOnePointFrom) {
    step = kEighth;
    first = last = 2;
  }
  // Tenths count from 0, so the second half's are 0.6 to 0.9; eighths count from the half.
  const std::uint32_t origin = step == kTenth && base != 0 ? 5 * kTenth : base;
  for (int k = first; k <= last; ++k) f.points[f.count++] = Bezier(p, origin + k * step);
}

}  // namespace

std::int64_t DxfThousandths(double numerator, double denominator) {
  if (denominator == 0.0) return 0;
  if (IsWhole(numerator) && IsWhole(denominator)) {
    // Integer division truncates toward zero, as the rule asks.
    return std::int64_t(numerator) * 1000 / std::int64_t(denominator);
  }
  return std::int64_t(std::trunc(numerator * 1000.0 / denominator));
}

std::string FormatDxfReal(std::int64_t thousandths) {
  const bool negative = thousandths < 0;
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(thousandths)
                                           : static_cast<std::uint64_t>(thousandths);
  std::string text = std::to_string(magnitude / 1000) + ".";
  const std::uint64_t fraction = magnitude % 1000;
  text += char('0' + fraction / 100);
  text += char('0' + fraction / 10 % 10);
  text += char('0' + fraction % 10);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.')
    text.pop_back();
  else if (text[0] == '0')
    text.erase(0, 1);
  return negative && magnitude != 0 ? "-" + text : text;
}

FlattenedCurve FlattenDxfCurve(ArtPoint p0, ArtPoint p1, ArtPoint p2, ArtPoint p3) {
  const ArtPoint p[4] = {p0, p1, p2, p3};
  const ArtPoint middle = Bezier(p, kHalf);
  FlattenedCurve f;
  AddHalf(f, p, Manhattan(p0, middle), 0);
  f.points[f.count++] = middle;
  AddHalf(f, p, Manhattan(middle, p3), kHalf);
  return f;
}

void writeDxfHeader(DxfWriter& w) {
  OutputBuffer& out = w.out;
  Line(out, "0\r\nSECTION");
  Line(out, "2\r\nHEADER");
  Line(out, "9\r\n$LIMMIN");
  Real(out, "10", 0, 1);
  Real(out, "20", 0, 1);
  Line(out, "9\r\n$LIMMAX");
  Real(out, "10", w.image.paddedWidth, w.image.xResolution);
  Real(out, "20", w.image.height, w.image.yResolution);
  Line(out, "0\r\nENDSEC");

  Line(out, "0\r\nSECTION");
  Line(out, "2\r\nTABLES");
  Line(out, "0\r\nTABLE");
  Line(out, "2\r\nLAYER");
  Line(out, "70\r\n2");
  for (std::string_view layer : {"0", "1"}) {
    Line(out, "0\r\nLAYER");
    out.put("2\r\n");
    Line(out, layer);
  }
  Line(out, "0\r\nENDTAB");
  Line(out, "0\r\nENDSEC");

  Line(out, "0\r\nSECTION");
  Line(out, "2\r\nBLOCKS");
  Line(out, "0\r\nENDSEC");

  Line(out, "0\r\nSECTION");
  Line(out, "2\r\nENTITIES");
}

void writeDxfPath(DxfWriter& w, const PathRecord& path) {
  std::span<const std::uint16_t> words = PointWords(path);
  if (!detail::HasAnchorAt(words, 0)) return;
  OutputBuffer& out = w.out;
  const std::string_view layer = LayerLine(path);
  Line(out, "0\r\nPOLYLINE");
  Line(out, layer);
  Line(out, "66\r\n1");
  if (path.flags & kUnfilled) {
    // Start and end width of a stroke-only path, in inches.
    Real(out, "40", path.strokeWeight, kTenthsPerInch);
    Real(out, "41", path.strokeWeight, kTenthsPerInch);
  }
  const Vertices vertex{out, w.image, layer};
  const auto anchor = [&](std::size_t at) {
    return ArtPoint{detail::X(words, at), detail::Y(words, at)};
  };
  vertex.put(detail::X(words, 0), detail::Y(words, 0));
  for (std::size_t at = 0;;) {
    const std::size_t next = detail::NextAnchor(words, at);
    if (!detail::HasAnchorAt(words, next)) break;
    if (words[at] & kCurveBit) {
      // Control points carry no flags; masking keeps a stray bit out of the arithmetic.
      const ArtPoint c1{words[at + 2] & kCoordinateMask, words[at + 3] & kCoordinateMask};
      const ArtPoint c2{words[at + 4] & kCoordinateMask, words[at + 5] & kCoordinateMask};
      const FlattenedCurve f = FlattenDxfCurve(anchor(at), c1, c2, anchor(next));
      for (int i = 0; i < f.count; ++i) vertex.put(f.points[i].x, f.points[i].y);
      w.curvesFlattened = true;
    }
    vertex.put(detail::X(words, next), detail::Y(words, next));
    at = next;
  }
  Line(out, "0\r\nSEQEND");
  Line(out, layer);
}

void writeDxfEnd(DxfWriter& w) {
  Line(w.out, "0\r\nENDSEC");
  Line(w.out, "0\r\nEOF");
}

bool WriteDxfArt(base::Runtime& rt, OutputBuffer& out, const Artwork& art,
                 const ArtImageInfo& image, std::string_view progressLabel, bool& curvesFlattened) {
  DxfWriter w{out, image};
  writeDxfHeader(w);
  const bool complete = WritePathsThenEnd(
      rt, out, art, progressLabel, [&](const PathRecord& path) { writeDxfPath(w, path); },
      [&] { writeDxfEnd(w); });
  curvesFlattened = w.curvesFlattened;
  return complete;
}

}  // namespace vl::art
