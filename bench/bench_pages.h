// Documents for the micro-benchmarks: one image with its surroundings as the program holds
// it, and two synthetic pages drawn into its bit layer (a text page and a line drawing).
#pragma once

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "base/application_state.h"
#include "art/artwork.h"
#include "base/conversion_state.h"
#include "base/runtime.h"
#include "image/bit_row.h"
#include "image/raster_image.h"
#include "platform/headless_ui.h"
#include "settings/settings_defaults.h"

namespace vl::engine::bench {

// A page at 300 pixels per inch: US letter.
constexpr int kPageWidth = 2550, kPageHeight = 3300;  // pixels

// One document with its surroundings, as the program holds it.
struct Document {
  platform::HeadlessUi ui{nullptr};
  platform::MemoryBudget memory;
  base::ConversionState state;
  base::ApplicationState app;
  std::string scratchFolder =
      (std::filesystem::temp_directory_path() / ("vl-bench-" + std::to_string(::getpid())))
          .string() +
      "/";
  base::Runtime rt{ui, memory, state, app, scratchFolder};
  image::RasterImage image;
  art::Artwork art;
  settings::ConversionSettings active, dialog;

  Document(int width, int height) {
    settings::setConversionDefaults(active);
    image::setGeometry(image, width, height);
    image::allocateBitLayer(image, memory);
    image.xResolution = image.yResolution = 300.0;
  }
  ~Document() {
    art::freeArtwork(art);
    image::releaseImage(image, rt);
    std::error_code ignored;
    std::filesystem::remove_all(scratchFolder, ignored);
  }
  void finishLoad() { static_cast<void>(image::CompleteLoad(image, rt)); }

  void set(int x, int y) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    image::SetBitAt(image::BitRow(image, y), x);
  }
  // A round-ended pen stroke, halfWidth pixels either side of the segment.
  void stroke(double x0, double y0, double x1, double y1, double halfWidth) {
    const int left = int(std::floor(std::min(x0, x1) - halfWidth)),
              right = int(std::ceil(std::max(x0, x1) + halfWidth));
    const int top = int(std::floor(std::min(y0, y1) - halfWidth)),
              bottom = int(std::ceil(std::max(y0, y1) + halfWidth));
    const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x) {
        double t = len2 == 0 ? 0 : ((x - x0) * dx + (y - y0) * dy) / len2;
        t = std::fmax(0.0, std::fmin(1.0, t));
        const double px = x0 + t * dx - x, py = y0 + t * dy - y;
        if (px * px + py * py <= halfWidth * halfWidth) set(x, y);
      }
  }
  void ring(double cx, double cy, double outer, double inner) {
    for (int y = int(cy - outer) - 1; y <= int(cy + outer) + 1; ++y)
      for (int x = int(cx - outer) - 1; x <= int(cx + outer) + 1; ++x) {
        const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        if (d2 <= outer * outer && d2 >= inner * inner) set(x, y);
      }
  }
};

// Text-like glyphs of 10-point type: strokes and bowls about 3 pixels wide, 60 lines of about
// 75 glyphs.
inline std::unique_ptr<Document> TextPage() {
  auto doc = std::make_unique<Document>(kPageWidth, kPageHeight);
  std::mt19937 random(7);
  const double size = 30, w = size * 0.55, hw = 1.6;
  for (double top = 150; top + size < kPageHeight - 150; top += size * 1.7) {
    for (double x = 150; x + w < kPageWidth - 150; x += w * 1.25) {
      switch (random() % 6) {
        case 0:  // E
          doc->stroke(x, top, x, top + size, hw);
          doc->stroke(x, top, x + w, top, hw);
          doc->stroke(x, top + size / 2, x + w * 0.8, top + size / 2, hw);
          doc->stroke(x, top + size, x + w, top + size, hw);
          break;
        case 1:  // X
          doc->stroke(x, top, x + w, top + size, hw);
          doc->stroke(x + w, top, x, top + size, hw);
          break;
        case 2:  // O
          doc->ring(x + w / 2, top + size / 2, w / 2 + hw, w / 2 - hw);
          break;
        case 3:  // A
          doc->stroke(x, top + size, x + w / 2, top, hw);
          doc->stroke(x + w / 2, top, x + w, top + size, hw);
          doc->stroke(x + w * 0.25, top + size * 0.6, x + w * 0.75, top + size * 0.6, hw);
          break;
        case 4:  // e-like: a bowl and a bar
          doc->ring(x + w / 2, top + size * 0.65, w / 2, w / 2 - 2 * hw);
          doc->stroke(x, top + size * 0.65, x + w, top + size * 0.65, hw);
          break;
        default:  // a word space
          break;
      }
    }
  }
  doc->finishLoad();
  return doc;
}

// A line drawing: a grid of 2-pixel lines with circles and diagonals over it, so that most of
// the white cells become holes (white paths) of the line network.
inline std::unique_ptr<Document> LineDrawing() {
  auto doc = std::make_unique<Document>(2000, 2000);
  for (int k = 50; k < 2000; k += 100) {
    doc->stroke(k, 20, k, 1980, 1);
    doc->stroke(20, k, 1980, k, 1);
  }
  for (int r = 100; r < 950; r += 70) doc->ring(1000, 1000, r + 1.5, r - 1.5);
  doc->stroke(20, 20, 1980, 1980, 1.5);
  doc->stroke(1980, 20, 20, 1980, 1.5);
  doc->finishLoad();
  return doc;
}

// A form on A4 at 300 pixels per inch: a boxed header, a table of 3-pixel rules (30 rows, 5
// columns) and a line of text-like glyphs in every cell, as scanned forms are.
constexpr int kA4Width = 2480, kA4Height = 3508;  // pixels
inline std::unique_ptr<Document> FormPage() {
  auto doc = std::make_unique<Document>(kA4Width, kA4Height);
  auto box = [&](int l, int t, int r, int b) {
    for (int y = t; y <= b; ++y)
      for (int x = l; x <= r; ++x) doc->set(x, y);
  };
  box(150, 150, 2330, 155);
  box(150, 450, 2330, 455);
  box(150, 150, 155, 455);
  box(2325, 150, 2330, 455);
  const int columns[] = {150, 600, 1100, 1500, 1900, 2330};
  for (int y = 550; y <= 550 + 30 * 95; y += 95) box(150, y, 2330, y + 2);
  for (int x : columns) box(x, 550, x + 2, 550 + 30 * 95 + 2);
  std::mt19937 random(11);
  for (int y = 550; y < 550 + 30 * 95; y += 95)
    for (int c = 0; c + 1 < 6; ++c)
      for (int x = columns[c] + 25; x + 30 < columns[c + 1] - 10; x += 24) {
        const double top = y + 30, size = 36, w = 16, hw = 1.6;
        if (random() % 5 == 0) continue;
        doc->stroke(x, top, x, top + size, hw);
        doc->stroke(x, top + size, x + w, top + size, hw);
        if (random() % 2) doc->stroke(x, top, x + w, top, hw);
      }
  doc->finishLoad();
  return doc;
}

}  // namespace vl::engine::bench
