// A bilevel image with a tracer around it for the edge extraction tests: pictures drawn from
// text rows, a work area whose chain buffer can be made tiny, and readers for the chain record
// and the planes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "art/artwork.h"
#include "engine/bit_plane.h"
#include "engine/edge_extraction.h"
#include "engine/tracer.h"
#include "engine/work_area.h"
#include "image/raster_image.h"
#include "settings/conversion_constants.h"
#include "settings/conversion_settings.h"
#include "tests/engine/engine_test_runtime.h"

namespace vl::engine::test {

struct ChainRecord {
  std::int32_t x = 0, y = 0;        // start point, pixels
  std::vector<std::uint8_t> codes;  // direction codes up to the first end byte
  bool operator==(const ChainRecord&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const ChainRecord& r) {
  os << "(" << r.x << ", " << r.y << ") [";
  for (std::uint8_t c : r.codes) os << int(c);
  return os << "]";
}

struct EdgeOptions {
  bool maskInImage = false;                     // no spare layer: the mask goes into the image
  std::size_t workAreaCap = kWorkAreaCapBytes;  // lower it for a tiny chain buffer
};

class EdgeFixture {
 public:
  TestRuntime env;
  image::RasterImage image;
  art::Artwork art;
  settings::ConversionSettings settings;
  std::unique_ptr<Tracer> tracer;

  // Builds a widthPixels x heightRows image (all background) and its tracer.
  void build(std::int32_t widthPixels, std::int32_t heightRows, EdgeOptions options = {}) {
    ASSERT_TRUE(image::setGeometry(image, widthPixels, heightRows));
    ASSERT_TRUE(image::allocateBitLayer(image, env.memory));
    env.state.maskInImage = options.maskInImage;
    if (!options.maskInImage) {
      ASSERT_TRUE(image::allocateSpareLayer(image, env.memory));
    }
    tracer = std::make_unique<Tracer>(env.rt, image, art, settings,
                                      settings::ConversionConstants{});
    const auto rowBytes = static_cast<std::size_t>(image.bitRowBytes);
    const std::size_t budget = WorkAreaBudget(env.rt, rowBytes, options.workAreaCap);
    ASSERT_GT(budget, 0u);
    ASSERT_TRUE(AllocateWorkArea(env.rt, rowBytes, budget, tracer->area));
    tracer->attachWindows();
  }

  // Builds an image as wide as the longest row ('#' = ink) and draws the rows into it.
  void build(const std::vector<std::string>& rows, EdgeOptions options = {}) {
    std::size_t width = 0;
    for (const std::string& r : rows) width = std::max(width, r.size());
    build(static_cast<std::int32_t>(width), static_cast<std::int32_t>(rows.size()), options);
    draw(rows);
  }

  void draw(const std::vector<std::string>& rows) {
    for (std::size_t y = 0; y < rows.size(); ++y)
      for (std::size_t x = 0; x < rows[y].size(); ++x)
        if (rows[y][x] == '#') SetBitAt(image::bitRow(image, std::int32_t(y)), std::int32_t(x));
  }

  Tracer& t() { return *tracer; }

  ChainRecord record() {
    ChainRecord r{tracer->chain->startX(), tracer->chain->startY(), {}};
    for (std::int64_t offset = 4;; ++offset) {
      std::uint8_t b = tracer->chain->byteAt(offset);
      if (b & 0x80) break;
      r.codes.push_back(b);
    }
    return r;
  }

  // A plane as text rows ('#' = set), the first `columns` pixels (all of the padded width
  // by default).
  std::vector<std::string> picture(bool mask, std::int32_t columns = -1) {
    if (columns < 0) columns = image.paddedWidth;
    std::vector<std::string> out;
    for (std::int32_t y = 0; y < image.height; ++y) {
      std::string row;
      for (std::int32_t x = 0; x < columns; ++x)
        row += (mask ? MaskPixel(t(), x, y) : SourcePixel(t(), x, y)) ? '#' : '.';
      out.push_back(row);
    }
    return out;
  }
  std::vector<std::string> source(std::int32_t columns = -1) { return picture(false, columns); }
  std::vector<std::string> mask(std::int32_t columns = -1) { return picture(true, columns); }

  bool sourceEmpty() {
    for (const std::string& r : source())
      if (r.find('#') != std::string::npos) return false;
    return true;
  }
  bool spareEmpty() {
    for (std::size_t i = 0; i < image.spareLayer.size(); ++i)
      if (image.spareLayer.data()[i] != 0) return false;
    return true;
  }

  // Extracts every boundary (RestoreShapeArea after each) until 0, at most `limit` of them.
  std::vector<ChainRecord> extractAll(std::size_t limit = 100000) {
    std::vector<ChainRecord> out;
    InitBoundaryScan(t());
    while (out.size() < limit && ExtractNextBoundary(t()) != 0) {
      out.push_back(record());
      RestoreShapeArea(t());
    }
    return out;
  }
};

// The background-filled picture of a rows x width image with the given pixels set.
inline std::vector<std::string> Blank(std::int32_t widthPixels, std::int32_t heightRows) {
  return std::vector<std::string>(std::size_t(heightRows), std::string(std::size_t(widthPixels), '.'));
}

}  // namespace vl::engine::test
