// Rigs for the centre-line tests: drawings made of strokes with known centre lines and widths,
// a whole conversion of them, and the paths read back in page pixels.
#pragma once

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "art/anchor_walk.h"
#include "engine/conversion_driver.h"
#include "engine/conversion_job.h"
#include "settings/settings_defaults.h"
#include "tests/engine/engine_test_runtime.h"

namespace vl::engine::test {

// Page coordinates: pixel (x, y) is the square from (x, y) to (x + 1, y + 1).
struct PagePoint {
  double x = 0, y = 0;
};

inline double Distance(PagePoint a, PagePoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Distance of p from the segment a-b.
inline double SegmentDistance(PagePoint p, PagePoint a, PagePoint b) {
  const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
  double u = l2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / l2 : 0.0;
  u = std::clamp(u, 0.0, 1.0);
  return Distance(p, {a.x + u * dx, a.y + u * dy});
}

// A stroke: its true centre line as a polyline (an arc is given by many points) and its width.
struct Stroke {
  std::vector<PagePoint> centre;
  double width = 1;  // pixels

  double distance(PagePoint p) const {
    double d = 1e9;
    for (std::size_t i = 0; i + 1 < centre.size(); ++i)
      d = std::min(d, SegmentDistance(p, centre[i], centre[i + 1]));
    return d;
  }
  // Ink: the pixel's centre lies within half the width of the centre line.
  bool covers(int x, int y) const { return distance({x + 0.5, y + 0.5}) <= width / 2; }
  PagePoint front() const { return centre.front(); }
  PagePoint back() const { return centre.back(); }
};

inline Stroke Line(double x0, double y0, double x1, double y1, double width) {
  return {{{x0, y0}, {x1, y1}}, width};
}
inline Stroke Arc(double cx, double cy, double r, double fromDeg, double toDeg, double width) {
  Stroke s{{}, width};
  for (int i = 0; i <= 64; ++i) {
    const double a = (fromDeg + (toDeg - fromDeg) * i / 64.0) * std::numbers::pi / 180.0;
    s.centre.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return s;
}

struct Drawing {
  int width = 0, height = 0;  // pixels
  std::vector<Stroke> strokes;
  bool ink(int x, int y) const {
    for (const Stroke& s : strokes)
      if (s.covers(x, y)) return true;
    return false;
  }
};

// One open or closed path as its anchors and the curve points between them (flattened), in
// page pixels, with its stroke width in pixels.
struct TracedPath {
  std::vector<PagePoint> anchors;
  std::vector<PagePoint> points;  // flattened
  double widthPixels = 0;
  art::PaintType fill = art::PaintType::None, stroke = art::PaintType::None;
};

inline std::vector<TracedPath> ReadPaths(const art::Artwork& art, double artScale,
                                         double resolution) {
  std::vector<TracedPath> out;
  for (const art::PathRecord& p : art::PathsInUse(art)) {
    const std::span<const std::uint16_t> w = art::PointWords(p);
    TracedPath t;
    t.widthPixels = p.strokeWeight / 10.0 * resolution / 72.0;
    t.fill = p.fillType;
    t.stroke = p.strokeType;
    auto at = [&](std::size_t i) {
      return PagePoint{art::detail::X(w, i) / artScale, art::detail::Y(w, i) / artScale};
    };
    std::size_t i = 0;
    PagePoint last = at(0);
    t.anchors.push_back(last);
    t.points.push_back(last);
    for (;;) {
      const std::size_t next = art::detail::NextAnchor(w, i);
      if (!art::detail::HasAnchorAt(w, next)) break;
      const PagePoint end = at(next);
      if (w[i] & art::kCurveBit) {
        const PagePoint c1 = at(i + 2), c2 = at(i + 4);
        for (int k = 1; k <= 16; ++k) {
          const double u = k / 16.0, v = 1 - u;
          t.points.push_back({v * v * v * last.x + 3 * u * v * v * c1.x + 3 * u * u * v * c2.x +
                                  u * u * u * end.x,
                              v * v * v * last.y + 3 * u * v * v * c1.y + 3 * u * u * v * c2.y +
                                  u * u * u * end.y});
        }
      } else {
        for (int k = 1; k <= 8; ++k)
          t.points.push_back({last.x + (end.x - last.x) * k / 8, last.y + (end.y - last.y) * k / 8});
      }
      t.anchors.push_back(end);
      last = end;
      i = next;
    }
    out.push_back(std::move(t));
  }
  return out;
}

// A bilevel image at 300 pixels/inch converted with the given settings.
struct CenterlineRig {
  TestRuntime env;
  image::RasterImage image;
  art::Artwork art;
  settings::ConversionSettings active, dialog;
  ConversionJob job{env.rt, image, art, active, dialog};
  std::vector<std::uint8_t> input;

  CenterlineRig() {
    settings::setConversionDefaults(active);
    active.set(settings::kMethodOutline, false);
    active.set(settings::kMethodCenterline, true);
    active.set(settings::kUniformLineWeight, false);
    env.ui.useManualClock(0);
    env.ui.stepMs = 100;
    env.ui.watched = env.scratchFolder;
  }
  ~CenterlineRig() {
    art::freeArtwork(art);
    image::releaseImage(image, env.rt);
  }

  template <typename InkFn>
  void load(int width, int height, InkFn&& ink, bool backupOnDisk = false) {
    ASSERT_TRUE(image::setGeometry(image, width, height));
    ASSERT_TRUE(image::allocateBitLayer(image, env.memory));
    image.xResolution = image.yResolution = 300.0;
    input.assign(std::size_t(width) * std::size_t(height), 0);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (ink(x, y)) {
          SetBitAt(image::BitRow(image, y), x);
          input[std::size_t(y) * std::size_t(width) + std::size_t(x)] = 1;
        }
    if (backupOnDisk) env.memory.setLimit(env.memory.used());
    ASSERT_TRUE(image::CompleteLoad(image, env.rt).read());
    env.memory.setLimit(platform::MemoryBudget::kUnlimited);
  }
  void load(const Drawing& d, bool backupOnDisk = false) {
    load(d.width, d.height, [&](int x, int y) { return d.ink(x, y); }, backupOnDisk);
  }
  void thinning(double pixels) { active.lineThinning = std::int32_t(std::lround(pixels * 100)); }

  ConversionOutcome convert() { return Convert(job); }
  std::vector<TracedPath> paths() const { return ReadPaths(art, image.artScale, image.yResolution); }

  std::vector<std::uint8_t> bitLayer() const {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) out.push_back(BitAt(image::BitRow(image, y), x));
    return out;
  }
  // The paths as comparable values: every point word and the stroke weight.
  std::vector<std::vector<std::uint16_t>> artWords() const {
    std::vector<std::vector<std::uint16_t>> out;
    for (const art::PathRecord& p : art::PathsInUse(art)) {
      const auto w = art::PointWords(p);
      out.emplace_back(w.begin(), w.end());
      out.back().push_back(p.strokeWeight);
    }
    return out;
  }
  bool scratchLeft() const {
    for (const char* name : {"dgtemp", "edgearr", "seglist", "linarr", "dgskel"})
      if (env.scratchExists(name)) return true;
    return false;
  }
};

}  // namespace vl::engine::test
