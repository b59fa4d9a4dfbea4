// A runtime, settings and an artwork for the artwork tests, and shorthands that draw paths
// the way the tracer does: set the pen, then beginPath/addPoint.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "art/artwork.h"
#include "platform/headless_ui.h"
#include "platform/scratch_folder.h"

namespace vl::art::test {

using Pixel = std::pair<double, double>;
using Words = std::vector<std::uint16_t>;

struct ArtTestEnv {
  platform::HeadlessUi ui{nullptr};
  platform::MemoryBudget memory;
  engine::ConversionState state;
  app::ApplicationState app;
  std::string scratch = platform::DefaultScratchBase() + "/vl-art-XXXXXX";
  engine::Runtime rt{ui, memory, state, app, scratch};
  settings::ConversionSettings settings;
  Artwork art;  // declared after memory: its blocks go back to the budget first

  ArtTestEnv() { scratch = mkdtemp(scratch.data()) ? scratch + "/" : ""; }
  ~ArtTestEnv() { rmdir(scratch.c_str()); }

  bool begin(Pixel p) {
    art.pen.position = {p.first, p.second};
    return beginPath(art, rt, settings);
  }
  bool lineTo(Pixel p) {
    art.pen.position = {p.first, p.second};
    return addPoint(art, rt, false);
  }
  bool curveTo(Pixel c1, Pixel c2, Pixel p) {
    art.pen.control1 = {c1.first, c1.second};
    art.pen.control2 = {c2.first, c2.second};
    art.pen.position = {p.first, p.second};
    return addPoint(art, rt, true);
  }
  // A path of lines through the points; false when any step failed.
  bool linePath(std::initializer_list<Pixel> points) {
    bool ok = begin(*points.begin());
    for (auto p = points.begin() + 1; p != points.end(); ++p) ok = lineTo(*p) && ok;
    return ok;
  }
  // A horizontal path of `anchors` anchors one pixel apart.
  bool stepPath(int anchors) {
    bool ok = begin({0, 0});
    for (int i = 1; i < anchors; ++i) ok = lineTo({double(i), 0}) && ok;
    return ok;
  }
  Words words(int index) const {
    auto span = pointWords(art.paths[index]);
    return {span.begin(), span.end()};
  }
};

}  // namespace vl::art::test
