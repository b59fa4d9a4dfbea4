// Test rig for curve fitting: a Tracer over a small image with a shape mask, a backup layer and
// an artwork, fed either by hand (a chain record, the vertices placed on it, the mask stamped
// along it) or by tracing a picture with the edge and assembly stages; and the written paths
// read back as segments in pixels.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "art/anchor_walk.h"
#include "art/artwork.h"
#include "engine/bit_plane.h"
#include "engine/curve_fitting.h"
#include "engine/edge_extraction.h"
#include "engine/outline_assembly.h"
#include "engine/tracer.h"
#include "engine/work_area.h"
#include "image/raster_image.h"
#include "settings/conversion_constants.h"
#include "settings/conversion_settings.h"
#include "tests/engine/engine_test_runtime.h"

namespace vl::engine::test {

constexpr double kRigArtScale = 16.0;  // art units per pixel: anchors keep 1/16 pixel

struct Pt {
  double x = 0, y = 0;  // pixels
};

struct Segment {
  bool curve = false;
  Pt c1, c2;  // control points of a curve
  Pt to;      // the anchor it ends at
};

struct PathView {
  Pt start;
  std::vector<Segment> segments;
  art::PaintType fillType = art::PaintType::None;
  std::uint32_t fillColor = 0;

  int curves() const {
    int n = 0;
    for (const Segment& s : segments) n += s.curve;
    return n;
  }
  std::vector<Pt> anchors() const {
    std::vector<Pt> out{start};
    for (const Segment& s : segments) out.push_back(s.to);
    return out;
  }
  // Points along the path, curves sampled `perCurve` times.
  std::vector<Pt> samples(int perCurve = 32) const {
    std::vector<Pt> out{start};
    Pt from = start;
    for (const Segment& s : segments) {
      if (s.curve) {
        for (int i = 1; i <= perCurve; ++i) {
          const double u = double(i) / perCurve, v = 1 - u;
          const double a = v * v * v, b = 3 * u * v * v, c = 3 * u * u * v, d = u * u * u;
          out.push_back({a * from.x + b * s.c1.x + c * s.c2.x + d * s.to.x,
                         a * from.y + b * s.c1.y + c * s.c2.y + d * s.to.y});
        }
      } else {
        out.push_back(s.to);
      }
      from = s.to;
    }
    return out;
  }
};

// A chain record by hand: start point and direction codes (0..7).
struct HandChain {
  std::int16_t startX = 0, startY = 0;
  std::vector<std::uint8_t> codes;

  // The chain point after `n` codes.
  Pt pointAfter(std::size_t n) const {
    int x = startX, y = startY;
    for (std::size_t i = 0; i < n; ++i) {
      x += kChainDx[codes[i]];
      y += kChainDy[codes[i]];
    }
    return {double(x), double(y)};
  }
};

class FitRig {
 public:
  TestRuntime env;
  image::RasterImage image;
  art::Artwork art;
  settings::ConversionSettings settings;
  std::unique_ptr<Tracer> tracer;

  // An empty widthPixels x heightRows image with spare and backup layers, its tracer and a
  // fresh artwork. budgetBytes 0: the full work area; 256: windows of a few units that spill.
  void build(std::int32_t widthPixels, std::int32_t heightRows, std::size_t budgetBytes = 0) {
    ASSERT_TRUE(image::setGeometry(image, widthPixels, heightRows));
    ASSERT_TRUE(image::allocateBitLayer(image, env.memory));
    ASSERT_TRUE(image::allocateSpareLayer(image, env.memory));
    ASSERT_TRUE(image::allocateBackupLayer(image, env.memory));
    tracer = std::make_unique<Tracer>(env.rt, image, art, settings,
                                      settings::ComputeConversionConstants(settings, 300, 300));
    const auto rowBytes = std::size_t(image.bitRowBytes);
    if (budgetBytes == 0) budgetBytes = WorkAreaBudget(env.rt, rowBytes);
    ASSERT_TRUE(AllocateWorkArea(env.rt, rowBytes, budgetBytes, tracer->area));
    tracer->attachWindows();
    ASSERT_TRUE(art::initArtwork(art, env.rt));
    art.pen.artScale = kRigArtScale;
  }

  Tracer& t() { return *tracer; }
  // The settings are read through the tracer; the constants are taken again after a change.
  void refreshConstants() {
    tracer->constants = settings::ComputeConversionConstants(settings, 300, 300);
  }

  // ---- Hand-built input ----

  // Writes the record through the chain buffer, as edge extraction leaves it; the outline is
  // that of an ink shape.
  void loadChain(const HandChain& c) {
    ChainBuffer& chain = *tracer->chain;
    ASSERT_TRUE(chain.startRecord(c.startX, c.startY));
    for (std::uint8_t code : c.codes) ASSERT_TRUE(chain.append(code));
    ASSERT_TRUE(chain.append(kChainEnd));
    ASSERT_TRUE(chain.finishRecord());
    tracer->startX = c.startX;
    tracer->startY = c.startY;
    tracer->codeCount = std::int64_t(c.codes.size());
    tracer->startPixel = 1;  // a shape of ink, painted black
  }

  // Vertices on the chain after the given numbers of codes (the first 0; the closing vertex
  // after all codes is added), then the angles as assembly computes them.
  void loadVertices(const HandChain& c, const std::vector<std::size_t>& codesBefore) {
    VertexWindow& v = *tracer->vertices;
    std::vector<std::size_t> at = codesBefore;
    at.push_back(c.codes.size());
    for (std::size_t i = 0; i < at.size(); ++i) {
      const Pt p = c.pointAfter(at[i]);
      v.setCursor(std::int64_t(i) * 8);
      SetVertexWord(v, std::int16_t(p.x), 0);
      SetVertexWord(v, std::int16_t(p.y), 1);
      SetVertexWord(v, std::int16_t(std::uint16_t(4 + at[i])), 2);
      SetVertexWord(v, 0, 3);
    }
    v.setCursor(std::int64_t(at.size()) * 8);
    SetVertexWord(v, -1, 0);
    tracer->listEndBytes = std::int64_t(at.size()) * 8;
    ComputeVertexAngles(*tracer);
    v.setCursor(0);
  }

  // The 5 x 5 block at every chain point, as edge extraction stamps the mask.
  void stampMask(const HandChain& c) {
    BitPlaneView mask{image::layerRow(image.spareLayer, image, 0), image.bitRowBytes,
                      image.paddedWidth, image.height};
    std::int32_t x = c.startX, y = c.startY;
    for (std::size_t n = 0;; ++n) {
      ApplyBlock5x5(mask, x, y, BlockOp::kSet);
      if (n == c.codes.size()) break;
      x += kChainDx[c.codes[n]];
      y += kChainDy[c.codes[n]];
    }
  }

  void loadOutline(const HandChain& c, const std::vector<std::size_t>& codesBefore) {
    loadChain(c);
    loadVertices(c, codesBefore);
    stampMask(c);
  }

  // ---- Traced input ----

  // Ink where `ink` holds, in the bit layer and its backup.
  void draw(const std::function<bool(int, int)>& ink) {
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x)
        if (ink(x, y)) {
          SetBitAt(image::bitRow(image, y), x);
          SetBitAt(image::layerRow(image.backupLayer, image, y), x);
        }
  }

  // The driver's outline loop over the whole image: every boundary with at least
  // `minCodes` codes is assembled and fitted. The number of outlines fitted.
  int traceAll(std::int64_t minCodes = 1) {
    int fitted = 0;
    InitBoundaryScan(t());
    for (;;) {
      const int n = ExtractNextBoundary(t());
      if (n == 0) break;
      if (tracer->codeCount >= minCodes) {
        chains.push_back(currentChain());
        EXPECT_TRUE(TraceOutlinePolygon(t()));
        ComputeVertexAngles(t());
        FitOutline(t());
        ++fitted;
      }
      RestoreShapeArea(t());
    }
    return fitted;
  }

  // The first boundary of the image extracted and assembled (not fitted): its vertex list.
  std::vector<Pt> assembleFirst() {
    std::vector<Pt> out;
    InitBoundaryScan(t());
    if (ExtractNextBoundary(t()) == 0) return out;
    EXPECT_TRUE(TraceOutlinePolygon(t()));
    ComputeVertexAngles(t());
    return vertexList();
  }

  // The vertex list up to the list end.
  std::vector<Pt> vertexList() {
    std::vector<Pt> out;
    VertexWindow& v = *tracer->vertices;
    const std::int64_t saved = v.cursor();
    for (std::int64_t at = 0; at < tracer->listEndBytes; at += 8) {
      v.setCursor(at);
      out.push_back({double(VertexWord(v, 0)), double(VertexWord(v, 1))});
    }
    v.setCursor(saved);
    return out;
  }

  // The record in the chain buffer (up to its first end byte).
  HandChain currentChain() {
    HandChain c{tracer->chain->startX(), tracer->chain->startY(), {}};
    for (std::int64_t offset = 4;; ++offset) {
      const std::uint8_t b = tracer->chain->byteAt(offset);
      if (b & 0x80) break;
      c.codes.push_back(b);
    }
    return c;
  }

  // The chains traceAll fitted, in order.
  std::vector<HandChain> chains;

  // ---- Reading the art ----

  std::vector<PathView> paths() const {
    std::vector<PathView> out;
    for (const art::PathRecord& record : art::pathsInUse(art)) {
      std::span<const std::uint16_t> w = art::pointWords(record);
      PathView p;
      p.fillType = record.fillType;
      p.fillColor = record.fillColor;
      if (w.size() < 2) {
        out.push_back(p);
        continue;
      }
      auto pt = [&](std::size_t at) {
        return Pt{art::detail::X(w, at) / kRigArtScale, art::detail::Y(w, at) / kRigArtScale};
      };
      p.start = pt(0);
      for (std::size_t at = 0;;) {
        const std::size_t next = art::detail::NextAnchor(w, at);
        if (!art::detail::HasAnchorAt(w, next)) break;
        Segment s;
        s.curve = (w[at] & art::kCurveBit) != 0;
        if (s.curve) {
          s.c1 = pt(at + 2);
          s.c2 = pt(at + 4);
        }
        s.to = pt(next);
        p.segments.push_back(s);
        at = next;
      }
      out.push_back(p);
    }
    return out;
  }
};

// Distance in pixels from p to the segment a-b.
inline double SegmentDistance(Pt p, Pt a, Pt b) {
  const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
  double s = len2 == 0 ? 0 : ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2;
  s = std::fmax(0.0, std::fmin(1.0, s));
  return std::hypot(p.x - (a.x + s * dx), p.y - (a.y + s * dy));
}

// Distance in pixels from p to the nearest of `points` (a boundary's pixels).
inline double NearestDistance(Pt p, const std::vector<Pt>& points) {
  double best = 1e18;
  for (const Pt& q : points) best = std::fmin(best, std::hypot(p.x - q.x, p.y - q.y));
  return best;
}

}  // namespace vl::engine::test
