// Benchmarks of the colour preparation: the black and white conversion of a gray A4 scan at
// 300 pixels per inch against the bilevel conversion of the same page thresholded beforehand,
// the black and white pass alone, and the two passes of the colour classes (sampling and
// classes, boundary map) on a 2000 x 2000 RGB image.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "bench/bench_pages.h"
#include "engine/conversion_driver.h"
#include "engine/conversion_job.h"
#include "image/bit_row.h"
#include "image/color_classes.h"
#include "image/levels.h"
#include "image/posterization.h"

namespace vl::engine {
namespace {

using bench::Document;

constexpr int kA4Width = 2480, kA4Height = 3508;  // pixels at 300 per inch

// A document whose colour layer holds 8-bit samples (gray or RGB), as a reader leaves it.
std::unique_ptr<Document> ColorDocument(int width, int height, int samples) {
  auto doc = std::make_unique<Document>(width, height);
  image::RasterImage& im = doc->image;
  im.bitsPerSample = 8;
  im.samplesPerPixel = std::int16_t(samples);
  im.photometric = samples == 1 ? image::kBlackIsZero : image::kPhotometricRgb;
  im.fileRowBytes = width * samples;
  static_cast<void>(image::prepareColorLayer(im, doc->rt));
  return doc;
}

// The text page (US letter) on an A4 sheet as a scan: ink about 30, paper about 225, grain.
std::unique_ptr<Document> GrayScan() {
  auto text = bench::TextPage();
  auto doc = ColorDocument(kA4Width, kA4Height, 1);
  std::mt19937 random(11);
  std::vector<std::uint8_t> row(kA4Width);
  for (int y = 0; y < kA4Height; ++y) {
    for (int x = 0; x < kA4Width; ++x) {
      const bool ink = y < text->image.height && x < text->image.width &&
                       image::BitAt(image::BitRow(text->image, y), x) != 0;
      row[x] = std::uint8_t((ink ? 30 : 225) + int(random() % 25) - 12);
    }
    static_cast<void>(image::storeColorRow(doc->image, y, row));
  }
  doc->finishLoad();
  return doc;
}

// The same page thresholded beforehand (the default black and white settings), as a bilevel
// image.
std::unique_ptr<Document> ThresholdedScan() {
  auto gray = GrayScan();
  image::BlackAndWhiteOptions o;
  static_cast<void>(image::ConvertToBlackAndWhite(gray->image, gray->rt, o));
  auto doc = std::make_unique<Document>(kA4Width, kA4Height);
  std::memcpy(image::BitRow(doc->image, 0), image::BitRow(gray->image, 0),
              std::size_t(gray->image.bitLayerBytes));
  doc->finishLoad();
  return doc;
}

void RunConversions(benchmark::State& state, Document& doc) {
  settings::setColorDefaults(doc.active);
  ConversionJob job(doc.rt, doc.image, doc.art, doc.active, doc.dialog);
  for (auto _ : state) {
    if (!Convert(job).ranToEnd()) {
      state.SkipWithError("the conversion did not run to its end");
      return;
    }
  }
  state.counters["paths"] = doc.art.count;
}

void BM_ConvertGrayScanA4(benchmark::State& state) {
  auto doc = GrayScan();
  RunConversions(state, *doc);
}
BENCHMARK(BM_ConvertGrayScanA4)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ConvertThresholdedScanA4(benchmark::State& state) {
  auto doc = ThresholdedScan();
  RunConversions(state, *doc);
}
BENCHMARK(BM_ConvertThresholdedScanA4)->Unit(benchmark::kMillisecond)->Iterations(3);

// The black and white pass alone, by mode.
void BM_BlackAndWhitePassA4(benchmark::State& state) {
  auto doc = GrayScan();
  image::BlackAndWhiteOptions o;
  o.noiseReduction = int(state.range(0));
  o.contrastMode = state.range(1) != 0;
  o.boost = o.contrastMode;
  for (auto _ : state) {
    if (image::ConvertToBlackAndWhite(doc->image, doc->rt, o) != image::PosterizeResult::kDone)
      state.SkipWithError("stopped");
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(kA4Width) * kA4Height);
}
BENCHMARK(BM_BlackAndWhitePassA4)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"noise", "contrast"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// A 2000 x 2000 colour picture: smooth gradients with bands and discs of flat colour.
std::unique_ptr<Document> ColorPicture() {
  auto doc = ColorDocument(2000, 2000, 3);
  std::vector<std::uint8_t> row(2000 * 3);
  for (int y = 0; y < 2000; ++y) {
    for (int x = 0; x < 2000; ++x) {
      const int dx = x % 400 - 200, dy = y % 400 - 200;
      const bool disc = dx * dx + dy * dy < 120 * 120;
      row[3 * x] = std::uint8_t(disc ? 220 : x * 255 / 2000);
      row[3 * x + 1] = std::uint8_t(disc ? 40 : (y / 250) * 36);
      row[3 * x + 2] = std::uint8_t(disc ? 60 : (x + y) * 255 / 4000);
    }
    static_cast<void>(image::storeColorRow(doc->image, y, row));
  }
  doc->finishLoad();
  return doc;
}

void BM_ColorClasses2000(benchmark::State& state) {
  auto doc = ColorPicture();
  image::ColorClasses classes;
  for (auto _ : state) {
    if (image::BuildColorClasses(doc->image, doc->rt, image::LevelCount(int(state.range(0))),
                                 classes) != image::ClassesResult::kDone)
      state.SkipWithError("stopped");
  }
  state.counters["classes"] = double(image::Representatives(classes, 3).size());
}
BENCHMARK(BM_ColorClasses2000)->Arg(4)->Arg(10)->Arg(20)->ArgName("complexity")
    ->Unit(benchmark::kMillisecond);

void BM_BoundaryMap2000(benchmark::State& state) {
  auto doc = ColorPicture();
  image::ColorClasses classes;
  static_cast<void>(image::BuildColorClasses(doc->image, doc->rt, image::LevelCount(10), classes));
  image::BoundaryOptions o;
  o.noiseReduction = int(state.range(0));
  o.reduceDetail = state.range(1) != 0;
  image::BoundaryMap map;
  for (auto _ : state) {
    if (image::DrawBoundaryMap(doc->image, doc->rt, classes, o, map) != image::BoundaryResult::kDone)
      state.SkipWithError("stopped");
  }
  state.SetItemsProcessed(state.iterations() * 2000 * 2000);
}
BENCHMARK(BM_BoundaryMap2000)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"noise", "reduce"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
}  // namespace vl::engine
