// Test rig for whole conversions: a bilevel image loaded from a pixel predicate the way a reader
// leaves it (backup in memory or in "memtemp"), a user interface that drains on every poll and
// can stop the conversion after a number of drains, and the traced art painted back for a pixel
// comparison with the input.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "app/application_state.h"
#include "art/artwork.h"
#include "engine/conversion_driver.h"
#include "engine/conversion_job.h"
#include "engine/conversion_state.h"
#include "engine/runtime.h"
#include "image/raster_image.h"
#include "platform/file_io.h"
#include "platform/headless_ui.h"
#include "platform/memory_block.h"
#include "settings/conversion_settings.h"
#include "settings/settings_defaults.h"
#include "tests/engine/engine_test_runtime.h"
#include "tests/support/art_rasterizer.h"

namespace vl::engine::test {

inline const char* const kScratchNames[] = {"memtemp", "dgtemp", "edgearr",
                                            "seglist", "linarr", "dgskel"};

// 1 = ink, rows top to bottom.
struct Picture {
  int width = 0, height = 0;  // pixels
  std::vector<std::uint8_t> ink;

  Picture(int w, int h) : width(w), height(h), ink(std::size_t(w) * h, 0) {}
  Picture(int w, int h, const std::function<bool(int, int)>& f) : Picture(w, h) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) set(x, y, f(x, y));
  }
  bool at(int x, int y) const { return ink[std::size_t(y) * width + x] != 0; }
  void set(int x, int y, bool v) { ink[std::size_t(y) * width + x] = v ? 1 : 0; }
  long inkCount() const {
    long n = 0;
    for (std::uint8_t v : ink) n += v;
    return n;
  }
  // Ink pixels with a 4-neighbour that is white (or outside the picture).
  long boundaryCount() const {
    long n = 0;
    auto ink = [&](int x, int y) {
      return x >= 0 && y >= 0 && x < width && y < height && at(x, y);
    };
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        n += ink(x, y) && !(ink(x - 1, y) && ink(x + 1, y) && ink(x, y - 1) && ink(x, y + 1));
    return n;
  }
  Picture inverted() const {
    Picture p(width, height);
    for (std::size_t i = 0; i < ink.size(); ++i) p.ink[i] = ink[i] ? 0 : 1;
    return p;
  }
};

// Drains on every poll (the clock moves 100 ms per reading), notes which scratch files exist
// at each drain, keeps every progress label, and asks to stop at drain number `abortAtDrain`.
class DriverUi : public platform::HeadlessUi {
 public:
  DriverUi() : HeadlessUi(nullptr) { useManualClock(0); }

  std::uint32_t tickCount() override {
    advanceClock(100);
    return HeadlessUi::tickCount();
  }
  bool drainEvents() override {
    ++drainCount;
    for (const char* name : kScratchNames)
      if (platform::FileExists(folder + name)) seenFiles.insert(name);
    const bool stop = abortAtDrain > 0 && drainCount >= abortAtDrain;
    return HeadlessUi::drainEvents() || stop;
  }
  void showProgress(int percent, std::string_view label, int filesToGo) override {
    labels.emplace_back(label);
    HeadlessUi::showProgress(percent, label, filesToGo);
  }

  std::string folder;
  long abortAtDrain = 0;  // 0: never
  long drainCount = 0;
  std::set<std::string> seenFiles;
  std::vector<std::string> labels;
};

struct DriverRig {
  DriverUi ui;
  platform::MemoryBudget memory;
  ConversionState state;
  app::ApplicationState app;
  std::string root = MakeTempDirectory();
  std::string scratchFolder = root + "/";
  Runtime rt{ui, memory, state, app, scratchFolder};
  image::RasterImage image;
  art::Artwork art;
  settings::ConversionSettings active, dialog;
  ConversionJob job{rt, image, art, active, dialog};
  Picture input{1, 1};

  DriverRig() {
    settings::setConversionDefaults(active);
    ui.folder = scratchFolder;
  }
  ~DriverRig() {
    art::freeArtwork(art);
    image::releaseImage(image, rt);
    std::error_code ignored;
    std::filesystem::permissions(root, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(root, ignored);
  }
  DriverRig(const DriverRig&) = delete;
  DriverRig& operator=(const DriverRig&) = delete;

  // Loads the picture as a 300 ppi bilevel image; the backup goes to "memtemp" when asked.
  void load(const Picture& p, bool backupOnDisk = false) {
    input = p;
    ASSERT_TRUE(image::setGeometry(image, p.width, p.height));
    ASSERT_TRUE(image::allocateBitLayer(image, memory));
    image.xResolution = image.yResolution = 300.0;
    setBitLayer(p);
    if (backupOnDisk) memory.setLimit(memory.used());
    ASSERT_TRUE(image::completeLoad(image, rt));
    memory.setLimit(platform::MemoryBudget::kUnlimited);
    ASSERT_EQ(image.backupOnDisk, backupOnDisk);
  }

  void setBitLayer(const Picture& p) {
    for (int y = 0; y < p.height; ++y) {
      std::uint8_t* row = image::bitRow(image, y);
      for (int x = 0; x < image.bitRowBytes * 8; ++x) {
        const bool ink = x < p.width && p.at(x, y);
        const auto bit = std::uint8_t(0x80 >> (x & 7));
        row[x >> 3] = ink ? std::uint8_t(row[x >> 3] | bit) : std::uint8_t(row[x >> 3] & ~bit);
      }
    }
  }

  Picture bitLayer() const {
    return Picture(input.width, input.height, [&](int x, int y) {
      return ((image::bitRow(image, y)[x >> 3] >> (7 - (x & 7))) & 1) != 0;
    });
  }

  // The backup as the image keeps it, from its block or from "memtemp".
  Picture backup() const {
    std::vector<std::uint8_t> rows(std::size_t(image.bitLayerBytes));
    if (image.backupOnDisk) {
      EXPECT_TRUE(platform::SeekTo(image.fileHandle, 0));
      EXPECT_EQ(platform::ReadBytes(image.fileHandle, rows.data(), rows.size()), rows.size());
    } else if (!image.backupLayer.empty()) {
      const std::uint8_t* first = image::layerRow(image.backupLayer, image, 0);
      rows.assign(first, first + rows.size());
    }
    const std::size_t rowBytes = std::size_t(image.bitRowBytes);
    return Picture(input.width, input.height, [&](int x, int y) {
      return ((rows[y * rowBytes + (x >> 3)] >> (7 - (x & 7))) & 1) != 0;
    });
  }

  void convert() { Convert(job); }

  // The art painted at the image's size. The tracer's anchors sit on the boundary pixels'
  // coordinates, so a pixel (x, y) is taken as centred on the point (x, y): the art is moved
  // by half a pixel for painting, which the painter samples at pixel centres.
  test_support::GrayImage render(int shiftXPixels = 0, int shiftYPixels = 0) {
    const double half = image.artScale / 2;
    shiftArt(half + shiftXPixels * image.artScale, half + shiftYPixels * image.artScale);
    test_support::GrayImage g = test_support::RasterizeArtwork(
        art, input.width, input.height, {image.artScale, image.xResolution / 72.0});
    shiftArt(-half - shiftXPixels * image.artScale, -half - shiftYPixels * image.artScale);
    return g;
  }

  // Pixels where the painted art (dark below 128) differs from `expected` (the input unless
  // given).
  long mismatches(int shiftXPixels = 0, int shiftYPixels = 0) {
    return mismatchesWith(input, shiftXPixels, shiftYPixels);
  }
  long mismatchesWith(const Picture& expected, int shiftXPixels = 0, int shiftYPixels = 0) {
    const test_support::GrayImage g = render(shiftXPixels, shiftYPixels);
    long n = 0;
    for (int y = 0; y < expected.height; ++y)
      for (int x = 0; x < expected.width; ++x) n += (g.at(x, y) < 128) != expected.at(x, y);
    return n;
  }

  // Sum over the pixels of |painted coverage - ink|, the art painted 4 x 4 times finer. The
  // boundary runs through the boundary pixels' centres, so a perfect trace covers each of them
  // by about half: the sum is then about half the number of boundary pixels.
  double coverageError(const Picture& expected, int shiftXPixels = 0, int shiftYPixels = 0) {
    constexpr int kSub = 4;
    const double half = image.artScale / 2;
    const double dx = half + shiftXPixels * image.artScale,
                 dy = half + shiftYPixels * image.artScale;
    shiftArt(dx, dy);
    const test_support::GrayImage g =
        test_support::RasterizeArtwork(art, expected.width * kSub, expected.height * kSub,
                                       {image.artScale / kSub, image.xResolution / 72.0 * kSub});
    shiftArt(-dx, -dy);
    double error = 0;
    for (int y = 0; y < expected.height; ++y)
      for (int x = 0; x < expected.width; ++x) {
        int dark = 0;
        for (int sy = 0; sy < kSub; ++sy)
          for (int sx = 0; sx < kSub; ++sx) dark += g.at(x * kSub + sx, y * kSub + sy) < 128;
        const double coverage = double(dark) / (kSub * kSub);
        error += expected.at(x, y) ? 1 - coverage : coverage;
      }
    return error;
  }

  // Files left in the scratch folder.
  std::vector<std::string> scratchLeft() const {
    std::vector<std::string> left;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(root, ec))
      left.push_back(e.path().filename().string());
    return left;
  }

  const std::vector<std::string>& messages() const { return ui.messages(); }

 private:
  // Moves every coordinate word (anchors and control points alike) by dx, dy art units.
  void shiftArt(double dx, double dy) {
    for (int i = 0; i < art.count; ++i) {
      art::PathRecord& path = art.paths[std::size_t(i)];
      auto* words = path.points.as<std::uint16_t>();
      for (std::uint16_t w = 0; w < path.usedWords; ++w) {
        const double d = w % 2 == 0 ? dx : dy;
        const int value = int(words[w] & art::kCoordinateMask) + int(d);
        const int clamped = value < 0                     ? 0
                            : value > art::kMaxCoordinate ? art::kMaxCoordinate
                                                          : value;
        words[w] = std::uint16_t((words[w] & art::kCurveBit) | clamped);
      }
    }
  }
};

// Every anchor, and every point of every curve, lies within the image: pixel (x, y) covers
// x - 1/2 .. x + 1/2, and a curve may run to the outer edge of the pixels of its corridor.
// Control points may lie outside; the curves they shape may not.
inline void ExpectArtWithinImage(const DriverRig& rig) {
  const double scale = rig.image.artScale, half = scale / 2 + 1;
  const double maxX = (rig.image.paddedWidth - 1) * scale + half;
  const double maxY = (rig.image.height - 1) * scale + half;
  auto inside = [&](double x, double y) {
    return x >= -half && y >= -half && x <= maxX && y <= maxY;
  };
  for (int i = 0; i < rig.art.count; ++i) {
    const art::PathRecord& path = rig.art.paths[std::size_t(i)];
    const auto* w = path.points.as<std::uint16_t>();
    auto value = [&](std::size_t k) { return double(w[k] & art::kCoordinateMask); };
    ASSERT_GE(path.usedWords, 2) << "path " << i;
    EXPECT_TRUE(inside(value(0), value(1))) << "path " << i;
    for (std::size_t k = 0; k + 2 < path.usedWords;) {
      const bool curve = (w[k] & art::kCurveBit) != 0;
      if (!curve) {
        EXPECT_TRUE(inside(value(k + 2), value(k + 3))) << "path " << i << " word " << k + 2;
        k += 2;
        continue;
      }
      ASSERT_LE(k + 7, std::size_t(path.usedWords)) << "path " << i;
      for (double t = 0; t <= 1.0; t += 0.125) {
        const double u = 1 - t, a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        const double x = a * value(k) + b * value(k + 2) + c * value(k + 4) + d * value(k + 6);
        const double y = a * value(k + 1) + b * value(k + 3) + c * value(k + 5) + d * value(k + 7);
        EXPECT_TRUE(inside(x, y)) << "path " << i << " curve at word " << k << " t " << t;
      }
      k += 6;
    }
  }
}

// Shapes for the pictures (centres and sizes in pixels).
using Shape = std::function<bool(int, int)>;

inline Shape Disc(double cx, double cy, double r) {
  return [=](int x, int y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}
inline Shape Ring(double cx, double cy, double outer, double inner) {
  return [=](int x, int y) { return Disc(cx, cy, outer)(x, y) && !Disc(cx, cy, inner)(x, y); };
}
inline Shape Box(int left, int top, int right, int bottom) {  // inclusive
  return [=](int x, int y) { return x >= left && x <= right && y >= top && y <= bottom; };
}
// A rectangle of the given half sizes turned by `radians` about its centre.
inline Shape TurnedBox(double cx, double cy, double halfLength, double halfWidth, double radians) {
  const double c = std::cos(radians), s = std::sin(radians);
  return [=](int x, int y) {
    const double u = (x - cx) * c + (y - cy) * s, v = -(x - cx) * s + (y - cy) * c;
    return std::fabs(u) < halfLength && std::fabs(v) < halfWidth;
  };
}
// A pen stroke from (x0, y0) to (x1, y1), round-ended, halfWidth pixels either side.
inline Shape Stroke(double x0, double y0, double x1, double y1, double halfWidth) {
  return [=](int x, int y) {
    const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    double t = len2 == 0 ? 0 : ((x - x0) * dx + (y - y0) * dy) / len2;
    t = std::fmax(0.0, std::fmin(1.0, t));
    const double px = x0 + t * dx - x, py = y0 + t * dy - y;
    return px * px + py * py <= halfWidth * halfWidth;
  };
}
inline Shape AnyOf(std::vector<Shape> shapes) {
  return [shapes = std::move(shapes)](int x, int y) {
    for (const Shape& s : shapes)
      if (s(x, y)) return true;
    return false;
  };
}
// Text-like glyphs: an "E", an "X" and an "O" of strokes about 5 pixels wide, from x0.
inline Shape Glyphs(double x0, double top, double size) {
  const double w = size * 0.5, hw = size / 16;
  return AnyOf({Stroke(x0, top, x0, top + size, hw), Stroke(x0, top, x0 + w, top, hw),
                Stroke(x0, top + size / 2, x0 + w * 0.8, top + size / 2, hw),
                Stroke(x0, top + size, x0 + w, top + size, hw),
                Stroke(x0 + w * 1.5, top, x0 + w * 2.5, top + size, hw),
                Stroke(x0 + w * 2.5, top, x0 + w * 1.5, top + size, hw),
                Ring(x0 + w * 3.6, top + size / 2, size / 2, size / 2 - 2 * hw)});
}

// The paths as comparable values: paint, flags and every point word.
inline std::vector<std::vector<std::uint32_t>> ArtWords(const art::Artwork& art) {
  std::vector<std::vector<std::uint32_t>> out;
  for (int i = 0; i < art.count; ++i) {
    const art::PathRecord& p = art.paths[std::size_t(i)];
    std::vector<std::uint32_t> v = {std::uint32_t(p.fillType), std::uint32_t(p.strokeType),
                                    p.fillColor, p.flags};
    const auto* w = p.points.as<std::uint16_t>();
    v.insert(v.end(), w, w + p.usedWords);
    out.push_back(std::move(v));
  }
  return out;
}

}  // namespace vl::engine::test
