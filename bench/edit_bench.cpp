// Benchmarks of the editing side: a click's path hit test over the art of the text page (the
// window must answer within a millisecond), and the magic wand on a 10000 x 10000 image, whose
// region growing must stay linear in the selected area (a disc of growing radius, and a
// spiral corridor whose winding would make sweep-based growing quadratic).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "art/path_hit_test.h"
#include "bench/bench_pages.h"
#include "engine/conversion_driver.h"
#include "engine/conversion_job.h"
#include "image/pixel_selection.h"

namespace vl::engine {
namespace {

using bench::Document;

void BM_HitTestTextPageClick(benchmark::State& state) {
  auto doc = bench::TextPage();
  ConversionJob job(doc->rt, doc->image, doc->art, doc->active, doc->dialog);
  if (!Convert(job).ranToEnd()) {
    state.SkipWithError("the conversion did not run to its end");
    return;
  }
  const art::HitView view{0x10000, 0x10000, doc->image.artScaleShift, 0, 0};
  std::mt19937 random(11);
  long hits = 0, clicks = 0;
  for (auto _ : state) {
    const art::ArtClick c = art::ClickToArt(view, std::int32_t(random() % bench::kPageWidth),
                                            std::int32_t(random() % bench::kPageHeight));
    const int hit = art::FindPathAt(doc->art, c, art::HitMargin(view), art::DistanceLimit(view),
                                    false, doc->image.artScale);
    hits += hit != art::kNoPath;
    ++clicks;
    benchmark::DoNotOptimize(hit);
  }
  state.counters["paths"] = doc->art.count;
  state.counters["hit share"] = double(hits) / double(std::max(clicks, 1L));
}
BENCHMARK(BM_HitTestTextPageClick)->Unit(benchmark::kMicrosecond);

constexpr int kWandSide = 10000;  // pixels

// A bilevel 10000 x 10000 page with a black disc of the given radius (pixels) in its middle,
// or a spiral corridor when radius is 0.
std::unique_ptr<Document> WandPage(int radius) {
  auto doc = std::make_unique<Document>(kWandSide, kWandSide);
  const double c = kWandSide / 2.0;
  if (radius > 0) {
    for (int y = int(c) - radius; y <= int(c) + radius; ++y) {
      const int half = int(std::sqrt(double(radius) * radius - (y - c) * (y - c)));
      for (int x = int(c) - half; x <= int(c) + half; ++x) doc->set(x, y);
    }
  } else {
    // An Archimedean spiral 8 pixels wide with 40-pixel turns.
    for (double t = 0; t < 2 * 3.14159265 * 110; t += 0.5 / (1 + t * 40 / (2 * 3.14159265))) {
      const double r = 40 * t / (2 * 3.14159265);
      doc->stroke(c + r * std::cos(t), c + r * std::sin(t), c + r * std::cos(t),
                  c + r * std::sin(t), 4);
    }
  }
  doc->finishLoad();
  return doc;
}

void BM_MagicWand10000(benchmark::State& state) {
  auto doc = WandPage(int(state.range(0)));
  const int c = kWandSide / 2;
  long selected = 0;
  for (auto _ : state) {
    state.PauseTiming();
    static_cast<void>(image::SelectNone(doc->image, doc->rt));
    state.ResumeTiming();
    const image::SelectionResult r =
        image::MagicWand(doc->image, doc->rt, c, c, image::kSelectNew, image::WandOptions{});
    if (r != image::SelectionResult::kChanged) {
      state.SkipWithError("the wand selected nothing");
      return;
    }
  }
  const auto* bits = doc->image.bitLayer.data();
  for (std::size_t i = 0; i < doc->image.bitLayer.size(); ++i)
    selected += __builtin_popcount(bits[i]);
  state.counters["selected pixels"] = double(selected);
}
// Radius 0: the spiral. Disc areas grow 16-fold from one row to the next but one.
BENCHMARK(BM_MagicWand10000)->Arg(500)->Arg(1000)->Arg(2000)->Arg(4000)->Arg(0)
    ->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace vl::engine
