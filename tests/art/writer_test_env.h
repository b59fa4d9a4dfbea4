// Shared pieces of the art tests: a runtime, an output folder, an artwork drawn the way the
// tracer draws; for the writers a small image, a fixed header stamp and the save driver.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "base/message_table.h"
#include "art/art_output_buffer.h"
#include "art/artwork.h"
#include "art/gq_writer.h"
#include "art/page_scale.h"
#include "art/save_art.h"
#include "platform/file_io.h"
#include "platform/headless_ui.h"
#include "platform/scratch_folder.h"

namespace vl::art::test {

using Pixel = std::pair<double, double>;  // x, y in pixels
using Words = std::vector<std::uint16_t>;
using Lines = std::vector<std::string>;

// A fresh folder for the files a test writes; removed with its files afterwards.
struct OutputFolder {
  std::string path = platform::DefaultScratchBase() + "/vl-art-XXXXXX";  // then ends in '/'
  OutputFolder() { path = mkdtemp(path.data()) ? path + "/" : ""; }
  ~OutputFolder() { std::error_code ignored; std::filesystem::remove_all(path, ignored); }
  Lines entries() const {
    Lines names;
    std::error_code ignored;
    for (const auto& e : std::filesystem::directory_iterator(path, ignored))
      names.push_back(e.path().filename());
    return names;
  }
};

struct ArtTestEnv {
  platform::HeadlessUi ui{nullptr};
  platform::MemoryBudget memory;
  base::ConversionState state;
  base::ApplicationState app;
  OutputFolder folder;  // also the scratch folder
  base::Runtime rt{ui, memory, state, app, folder.path};
  settings::ConversionSettings settings;
  Artwork art;  // declared after memory: its blocks go back to the budget first

  void at(Pixel p) { art.pen.position = {p.first, p.second}; }
  bool begin(Pixel p) { return at(p), beginPath(art, rt, settings); }
  bool lineTo(Pixel p) { return at(p), addPoint(art, rt, false); }
  bool curveTo(Pixel c1, Pixel c2, Pixel p) {
    art.pen.control1 = {c1.first, c1.second};
    art.pen.control2 = {c2.first, c2.second};
    return at(p), addPoint(art, rt, true);
  }
  // A path of lines through the points; false when any step failed.
  bool linePath(std::initializer_list<Pixel> points) {
    bool ok = begin(*points.begin());
    for (auto p = points.begin() + 1; p != points.end(); ++p) ok = lineTo(*p) && ok;
    return ok;
  }
  // A path of `anchors` anchors stepping back and forth between two pixels.
  bool stepPath(int anchors) {
    bool ok = begin({0, 0});
    for (int i = 1; i < anchors; ++i) ok = lineTo({double(i % 2), 0}) && ok;
    return ok;
  }
  Words words(int i) const { auto w = PointWords(art.paths[i]); return {w.begin(), w.end()}; }
};

// What the interface shows after exactly one message, by its number.
inline Lines Only(int number) { return {std::string(msg::Text(number))}; }

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Lines of a text ended by `end` (the last line needs its end too).
inline Lines SplitLines(const std::string& text, const std::string& end = "\r") {
  Lines lines;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(end, start)) != std::string::npos; start = at + end.size())
    lines.push_back(text.substr(start, at - start));
  if (start != text.size()) lines.push_back(text.substr(start) + "<unterminated>");
  return lines;
}

// Ada Byron of Engines, 5 March 2024 at 2:07 PM.
inline SaveStamp FixedStamp() {
  SaveStamp stamp{"Ada Byron  ", "Engines ", std::tm{}};
  std::tm& t = stamp.time;
  std::tie(t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min) = std::tuple(124, 2, 5, 14, 7);
  return stamp;
}

struct WriterEnv : ArtTestEnv {
  ArtImageInfo image;
  CustomColorList colors;

  // 64 x 48 pixels at 72 pixels per inch: one point per pixel; artScale 256 (64 x 256 >= 16000).
  WriterEnv() {
    std::tie(image.paddedWidth, image.height, image.outputName) = std::tuple(64, 48, "drawing.gq");
    image.artScale = art.pen.artScale = 256.0;
  }
  // Runs `steps` on a GQ writer (no preview) whose output goes to a file; the bytes written.
  std::string capture(int format, const std::function<void(GqWriter&)>& steps) {
    std::string path = folder.path + "capture.txt";
    platform::FileHandle file = platform::CreateFile(path);
    {
      OutputBuffer out(rt, file, false);
      GqWriter w{out, format, kPreviewNone, colors, computePageScale(image, format), {}, false};
      if (out.allocate()) steps(w);
      out.flush();
    }
    platform::CloseFile(file);
    return ReadWholeFile(path);
  }
  // Paints the paths about to begin.
  void paint(PaintType fill, PaintType stroke, std::uint32_t color = kBlackColor,
             double strokePoints = 1.0) {
    std::tie(art.pen.fillType, art.pen.strokeType, art.pen.color) = std::tuple(fill, stroke, color);
    art.pen.strokeWeightPoints = strokePoints;
  }
};

// Saves through the save driver with the fixed stamp.
struct SaveEnv : WriterEnv {
  SaveStamp stamp = FixedStamp();
  SaveArtOptions options;
  bool modified = true;
  SaveEnv() { options.stamp = &stamp; }

  bool save(const std::string& path, base::Runtime* through = nullptr) {
    return saveArt(through ? *through : rt, art, image, colors, path, options, modified);
  }
  // The lines of a file saved in that format and preview; none when the save failed.
  Lines saveLines(int format, int preview, const std::string& name = "out.eps") {
    std::tie(options.format, options.preview) = std::tuple(format, preview);
    return save(folder.path + name) ? SplitLines(ReadWholeFile(folder.path + name)) : Lines{};
  }
  // Appends `count` filled black triangles.
  void triangles(int count) {
    paint(PaintType::Black, PaintType::None);
    for (int i = 0; i < count; ++i) linePath({{1, 1}, {3, 1}, {3, 3}, {1, 1}});
  }
};

}  // namespace vl::art::test
