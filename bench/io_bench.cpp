// Benchmarks of the readers and writers on a text page: the bilevel TIFF read back through the
// input dispatch (and its load completion), the TIFF writer, and the EPS and SVG art writers
// over the page's traced artwork.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "art/art_writer_inputs.h"
#include "art/save_art.h"
#include "art/svg_writer.h"
#include "bench/bench_pages.h"
#include "engine/conversion_driver.h"
#include "engine/conversion_job.h"
#include "image/input_dispatch.h"
#include "image/tiff_writer.h"
#include "platform/file_io.h"

namespace vl::engine {
namespace {

using bench::Document;
using bench::TextPage;

// The text page with its folder for files, made once per benchmark.
struct PageFiles {
  std::unique_ptr<Document> doc = TextPage();
  std::string folder = doc->scratchFolder;
  PageFiles() { std::filesystem::create_directories(folder); }
  std::string path(const char* name) const { return folder + name; }
};

void BM_WriteTiffTextPage(benchmark::State& state) {
  PageFiles files;
  const std::string path = files.path("page.tif");
  for (auto _ : state) {
    if (!image::WriteTiffFile(files.doc->rt, files.doc->image, path)) state.SkipWithError("write");
  }
  state.counters["bytes"] = double(std::filesystem::file_size(path));
}
BENCHMARK(BM_WriteTiffTextPage)->Unit(benchmark::kMillisecond);

void BM_ReadTiffTextPage(benchmark::State& state) {
  PageFiles files;
  const std::string path = files.path("page.tif");
  if (!image::WriteTiffFile(files.doc->rt, files.doc->image, path)) {
    state.SkipWithError("could not write the page");
    return;
  }
  Document reader(1, 1);
  for (auto _ : state) {
    reader.image.inputName = path;
    reader.image.sourceFormat = image::chooseFormatByName(reader.image, path);
    if (!image::openInputImage(reader.image, reader.rt, false).read()) state.SkipWithError("read");
  }
  state.counters["rows"] = reader.image.height;
}
BENCHMARK(BM_ReadTiffTextPage)->Unit(benchmark::kMillisecond);

// The page traced once; the art writers then run over its paths.
struct TracedPage : PageFiles {
  art::ArtImageInfo info;
  art::CustomColorList colors;
  art::SaveStamp stamp{"bench", "", {}};
  bool converted = false;  // the conversion ran to its end
  TracedPage() {
    ConversionJob job(doc->rt, doc->image, doc->art, doc->active, doc->dialog);
    converted = Convert(job).ranToEnd();
    info.xResolution = doc->image.xResolution;
    info.yResolution = doc->image.yResolution;
    info.paddedWidth = doc->image.paddedWidth;
    info.height = doc->image.height;
    info.artScale = doc->image.artScale;
    info.outputName = "page";
  }
};

void BM_SaveEpsTextPage(benchmark::State& state) {
  TracedPage page;
  if (!page.converted) return state.SkipWithError("conversion");
  const std::string path = page.path("page.eps");
  art::SaveArtOptions options;
  options.stamp = &page.stamp;
  bool modified = true;
  for (auto _ : state) {
    if (!art::saveArt(page.doc->rt, page.doc->art, page.info, page.colors, path, options,
                      modified))
      state.SkipWithError("save");
  }
  state.counters["paths"] = page.doc->art.count;
  state.counters["bytes"] = double(std::filesystem::file_size(path));
}
BENCHMARK(BM_SaveEpsTextPage)->Unit(benchmark::kMillisecond);

void BM_SaveSvgTextPage(benchmark::State& state) {
  TracedPage page;
  if (!page.converted) return state.SkipWithError("conversion");
  const std::string path = page.path("page.svg");
  for (auto _ : state) {
    if (!art::SaveSvg(page.doc->rt, page.doc->art, page.info, page.colors, path, false))
      state.SkipWithError("save");
  }
  state.counters["paths"] = page.doc->art.count;
  state.counters["bytes"] = double(std::filesystem::file_size(path));
}
BENCHMARK(BM_SaveSvgTextPage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vl::engine
