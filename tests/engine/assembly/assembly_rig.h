// Test rig for outline assembly: a Tracer over a small image with its own work area, chain
// records written by hand or by a plain boundary follower over a pixel predicate, and the
// vertex list read back with checks that every side really follows its part of the chain.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "art/artwork.h"
#include "engine/edge_extraction.h"
#include "engine/outline_assembly.h"
#include "engine/tracer.h"
#include "engine/work_area.h"
#include "image/raster_image.h"
#include "settings/conversion_constants.h"
#include "settings/conversion_settings.h"
#include "tests/engine/engine_test_runtime.h"

namespace vl::engine::test {

// A chain record as the edges stage leaves it: start point and direction codes (0..7, or a
// lone 0xFF for a pixel without neighbours); the end byte is added when it is loaded.
struct Chain {
  std::int16_t startX = 0, startY = 0;
  std::vector<std::uint8_t> codes;
};

struct Vertex {
  std::int32_t x = 0, y = 0;
  std::int64_t chainOffset = 0;  // bytes, read back as unsigned 16-bit
  std::int32_t angle = 0;
  bool operator==(const Vertex&) const = default;
};

// Budget W of a work area that keeps every window big (as a 100-byte-row image gets).
constexpr std::size_t kBigBudgetBytes = 65280;
// W = 256: a point window of 16 words, a vertex window of 56 words (14 records), a chain
// buffer of 112 bytes, so that any outline of some length spills all three.
constexpr std::size_t kTinyBudgetBytes = 256;

// Follows the outer boundary of the shape given by `ink` (pixels outside the box read as
// background) the way the boundary follower does: start at the first ink pixel in raster order,
// direction state 7, probe d - 2 .. d + 3, else step back (tested only for d = 7).
inline Chain FollowBoundary(const std::function<bool(int, int)>& ink, int width, int height) {
  auto at = [&](int x, int y) { return x >= 0 && y >= 0 && x < width && y < height && ink(x, y); };
  Chain c;
  int sx = -1, sy = -1;
  for (int y = 0; y < height && sx < 0; ++y)
    for (int x = 0; x < width; ++x)
      if (at(x, y)) {
        sx = x;
        sy = y;
        break;
      }
  if (sx < 0) return c;
  c.startX = static_cast<std::int16_t>(sx);
  c.startY = static_cast<std::int16_t>(sy);
  int x = sx, y = sy, d = 7;
  do {
    int moved = -1;
    for (int k = -2; k <= 3 && moved < 0; ++k) {
      int code = (d + k + 8) % 8;
      if (at(x + kChainDx[code], y + kChainDy[code])) moved = code;
    }
    if (moved < 0) {
      int back = (d + 4) % 8;
      if (d == 7 && !at(x + kChainDx[back], y + kChainDy[back])) {
        c.codes.push_back(kChainEnd);  // a pixel without neighbours
        return c;
      }
      moved = back;
    }
    x += kChainDx[moved];
    y += kChainDy[moved];
    d = moved;
    c.codes.push_back(static_cast<std::uint8_t>(moved));
  } while (x != sx || y != sy);
  return c;
}

// The chain of a solid w x h rectangle whose top-left pixel is (x, y).
inline Chain Rectangle(int x, int y, int w, int h) {
  Chain c{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), {}};
  for (auto [code, n] : {std::pair{5, w - 1}, {7, h - 1}, {1, w - 1}, {3, h - 1}})
    c.codes.insert(c.codes.end(), n, static_cast<std::uint8_t>(code));
  return c;
}

// A disk whose radius loses 0 to 2 pixels at random every pixel or so along its rim: a long,
// ragged boundary.
inline Chain RaggedDisk(int radius) {
  const double c = radius + 5.0;
  return FollowBoundary(
      [=](int x, int y) {
        unsigned h = static_cast<unsigned>(std::lround(std::atan2(y - c, x - c) * radius));
        h = (h * 73856093u ^ (h >> 7)) * 0x5bd1e995u;
        return std::hypot(x - c, y - c) <= radius - double((h ^ (h >> 15)) % 3);
      },
      2 * radius + 10, 2 * radius + 10);
}

inline Chain Disk(double cx, double cy, double radius) {
  const int size = static_cast<int>(cx + radius) + 3;
  return FollowBoundary(
      [=](int x, int y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius; },
      size, static_cast<int>(cy + radius) + 3);
}

class AssemblyRig {
 public:
  // ui: a user interface of the test's own (it must outlive the rig); the quiet headless one
  // when null.
  explicit AssemblyRig(std::int32_t toleranceSixtyFourths,
                       std::size_t budgetBytes = kBigBudgetBytes,
                       platform::UserInterface* ui = nullptr)
      : runtime{ui != nullptr ? *ui : rt.ui, rt.memory, rt.state, rt.app, rt.scratchFolder} {
    EXPECT_TRUE(image::setGeometry(image, 96, 64));
    EXPECT_TRUE(image::allocateBackupLayer(image, rt.memory));
    constants.polygonTolerance = toleranceSixtyFourths;
    tracer.emplace(runtime, image, art, settings, constants);
    EXPECT_TRUE(
        AllocateWorkArea(runtime, std::size_t(image.bitRowBytes), budgetBytes, tracer->area));
    tracer->attachWindows();
  }

  Tracer& t() { return *tracer; }

  // Writes the record through the chain buffer (spilling as it would while being followed).
  void load(const Chain& c) {
    ChainBuffer& chain = *tracer->chain;
    ASSERT_TRUE(chain.startRecord(c.startX, c.startY));
    for (std::uint8_t code : c.codes) ASSERT_TRUE(chain.append(code));
    ASSERT_TRUE(chain.append(kChainEnd));
    ASSERT_TRUE(chain.finishRecord());
    tracer->startX = c.startX;
    tracer->startY = c.startY;
    tracer->codeCount = static_cast<std::int64_t>(c.codes.size());
  }

  // The vertex list from record 0 up to the list end, checking the x = -1 after it.
  std::vector<Vertex> vertices() {
    std::vector<Vertex> out;
    VertexWindow& v = *tracer->vertices;
    const std::int64_t records = tracer->listEndBytes / 8;
    for (std::int64_t r = 0; r < records; ++r) {
      v.setCursor(r * 8);
      out.push_back(Vertex{VertexWord(v, 0), VertexWord(v, 1),
                           static_cast<std::uint16_t>(VertexWord(v, 2)), VertexWord(v, 3)});
    }
    v.setCursor(records * 8);
    EXPECT_EQ(VertexWord(v, 0), -1) << "no list end after " << records << " records";
    return out;
  }

  TestRuntime rt;
  Runtime runtime;
  image::RasterImage image;
  art::Artwork art;
  settings::ConversionSettings settings;
  settings::ConversionConstants constants;
  std::optional<Tracer> tracer;
};

// Distance in pixels from p to the segment a-b.
inline double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
  double s = len2 == 0 ? 0 : ((px - ax) * dx + (py - ay) * dy) / len2;
  s = std::fmax(0.0, std::fmin(1.0, s));
  return std::hypot(px - (ax + s * dx), py - (ay + s * dy));
}

// The polygon must be the chain cut into pieces: it starts and ends at the start point, the
// chain offsets run from the first code to the end byte without going back, walking each side's
// codes from its vertex arrives at the next vertex, and every chain point on the way lies
// within `maxDistance` pixels of that side.
inline void ExpectPolygonFollowsChain(const std::vector<Vertex>& poly, const Chain& c,
                                      double maxDistance) {
  ASSERT_GE(poly.size(), 2u);
  const std::int64_t endOffset = 4 + static_cast<std::int64_t>(c.codes.size());
  EXPECT_EQ(poly.front().x, c.startX);
  EXPECT_EQ(poly.front().y, c.startY);
  EXPECT_EQ(poly.front().chainOffset, 4);
  EXPECT_EQ(poly.back().chainOffset, endOffset);
  double worst = 0;
  for (std::size_t i = 0; i + 1 < poly.size(); ++i) {
    const Vertex& a = poly[i];
    const Vertex& b = poly[i + 1];
    ASSERT_LT(a.chainOffset, b.chainOffset) << "side " << i << " is empty or runs back";
    std::int32_t x = a.x, y = a.y;
    for (std::int64_t o = a.chainOffset; o < b.chainOffset; ++o) {
      const std::uint8_t code = c.codes[static_cast<std::size_t>(o - 4)];
      x += kChainDx[code];
      y += kChainDy[code];
      worst = std::fmax(worst, SegmentDistance(x, y, a.x, a.y, b.x, b.y));
    }
    ASSERT_EQ(x, b.x) << "side " << i;
    ASSERT_EQ(y, b.y) << "side " << i;
  }
  EXPECT_LE(worst, maxDistance + 1e-9);
}

}  // namespace vl::engine::test
