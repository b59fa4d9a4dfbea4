// Benchmarks of the outline tracer: whole conversions of a text page and a line drawing held in
// memory, and the stages on their own (boundary extraction over a page, polygon assembly and
// curve fitting of one long outline).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "art/artwork.h"
#include "bench/bench_pages.h"
#include "engine/conversion_driver.h"
#include "engine/conversion_job.h"
#include "engine/curve_fitting.h"
#include "engine/edge_extraction.h"
#include "engine/line_recognition.h"
#include "engine/outline_assembly.h"
#include "engine/tracer.h"
#include "engine/work_area.h"
#include "image/raster_image.h"
#include "settings/conversion_constants.h"

namespace vl::engine {
namespace {

using bench::Document;
using bench::LineDrawing;
using bench::TextPage;

void RunConversions(benchmark::State& state, Document& doc) {
  ConversionJob job(doc.rt, doc.image, doc.art, doc.active, doc.dialog);
  for (auto _ : state) {
    if (!Convert(job).ranToEnd()) {
      state.SkipWithError("the conversion did not run to its end");
      return;
    }
    benchmark::DoNotOptimize(doc.art.count);
  }
  state.counters["paths"] = doc.art.count;
  state.counters["anchors"] = double(art::totalAnchors(doc.art));
}

void BM_ConvertTextPage(benchmark::State& state) {
  auto doc = TextPage();
  RunConversions(state, *doc);
}
BENCHMARK(BM_ConvertTextPage)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ConvertLineDrawing(benchmark::State& state) {
  auto doc = LineDrawing();
  RunConversions(state, *doc);
}
BENCHMARK(BM_ConvertLineDrawing)->Unit(benchmark::kMillisecond)->Iterations(3);

// The line scan must add at most 20 % to the outline conversion of the same form: compare
// BM_LineScanForm with BM_ConvertFormOutline.
void BM_ConvertFormOutline(benchmark::State& state) {
  auto doc = bench::FormPage();
  RunConversions(state, *doc);
}
BENCHMARK(BM_ConvertFormOutline)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LineScanForm(benchmark::State& state) {
  auto doc = bench::FormPage();
  const BitPlaneView plane{image::BitRow(doc->image, 0), doc->image.bitRowBytes,
                           doc->image.paddedWidth, doc->image.height};
  std::size_t found = 0;
  for (auto _ : state) {
    RecognizedLines lines;
    if (RecognizeLines(plane, 600, doc->rt, lines) != LineScanOutcome::kDone) {
      state.SkipWithError("the line scan did not run to its end");
      return;
    }
    found = lines.horizontal.size() + lines.vertical.size();
    benchmark::DoNotOptimize(found);
  }
  state.counters["lines"] = double(found);
}
BENCHMARK(BM_LineScanForm)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole conversion with Outline and Line Recognition: the lines written and taken out,
// the rest (the form's text) traced as outlines.
void BM_ConvertFormOutlineAndLines(benchmark::State& state) {
  auto doc = bench::FormPage();
  doc->active.set(settings::kMethodLineRecognition, true);
  RunConversions(state, *doc);
}
BENCHMARK(BM_ConvertFormOutlineAndLines)->Unit(benchmark::kMillisecond)->Iterations(3);

// A tracer over the document with a full work area, as the core sets it up.
struct StageRig {
  Document& doc;
  std::optional<Tracer> tracer;
  explicit StageRig(Document& d) : doc(d) {
    const auto constants = settings::ComputeConversionConstants(d.active, 300, 300);
    tracer.emplace(d.rt, d.image, d.art, d.active, constants);
    image::allocateSpareLayer(d.image, d.memory);
    const auto rowBytes = std::size_t(d.image.bitRowBytes);
    AllocateWorkArea(d.rt, rowBytes, WorkAreaBudget(d.rt, rowBytes), tracer->area);
    tracer->attachWindows();
    art::initArtwork(d.art, d.rt);
    d.art.pen.artScale = d.image.artScale;
  }
};

// Edge extraction alone over the text page: find, follow, remove and stamp every boundary.
void BM_ExtractBoundariesTextPage(benchmark::State& state) {
  auto doc = TextPage();
  StageRig rig(*doc);
  Tracer& t = *rig.tracer;
  std::vector<std::uint8_t> saved(doc->image.bitLayer.data(),
                                  doc->image.bitLayer.data() + doc->image.bitLayer.size());
  long boundaries = 0;
  for (auto _ : state) {
    std::memcpy(doc->image.bitLayer.data(), saved.data(), saved.size());
    InitBoundaryScan(t);
    boundaries = 0;
    while (ExtractNextBoundary(t) != 0) {
      RestoreShapeArea(t);
      ++boundaries;
    }
  }
  state.counters["boundaries"] = double(boundaries);
}
BENCHMARK(BM_ExtractBoundariesTextPage)->Unit(benchmark::kMillisecond)->Iterations(3);

// One long outline (a disc of radius 1000 pixels, about 5700 codes): the polygon alone, and
// the polygon with its curves.
std::unique_ptr<Document> BigDisc() {
  auto doc = std::make_unique<Document>(2100, 2100);
  doc->ring(1050, 1050, 1000, -1);
  doc->finishLoad();
  return doc;
}

void BM_AssembleLongOutline(benchmark::State& state) {
  auto doc = BigDisc();
  StageRig rig(*doc);
  Tracer& t = *rig.tracer;
  InitBoundaryScan(t);
  ExtractNextBoundary(t);
  for (auto _ : state) {
    TraceOutlinePolygon(t);
    ComputeVertexAngles(t);
  }
  state.counters["vertices"] = double(t.listEndBytes / 8);
}
BENCHMARK(BM_AssembleLongOutline)->Unit(benchmark::kMicrosecond);

void BM_AssembleAndFitLongOutline(benchmark::State& state) {
  auto doc = BigDisc();
  StageRig rig(*doc);
  Tracer& t = *rig.tracer;
  InitBoundaryScan(t);
  ExtractNextBoundary(t);
  const std::int64_t codes = t.codeCount;
  std::vector<std::uint8_t> record(std::size_t(t.chain->lengthBytes()));
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = t.chain->byteAt(std::int64_t(i));
  for (auto _ : state) {
    // Fitting extends the chain across its start: begin each round from the record as found.
    t.chain->replaceRecord(record);
    t.codeCount = codes;
    art::freeArtwork(doc->art);
    art::initArtwork(doc->art, doc->rt);
    TraceOutlinePolygon(t);
    ComputeVertexAngles(t);
    FitOutline(t);
  }
  state.counters["anchors"] = double(art::totalAnchors(doc->art));
}
BENCHMARK(BM_AssembleAndFitLongOutline)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vl::engine

BENCHMARK_MAIN();
