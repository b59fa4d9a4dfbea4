// Shared pieces of the art tests: a runtime, settings and an artwork with shorthands that
// draw paths the way the tracer does (set the pen, then beginPath/addPoint); for the writers a
// folder for output files, a fixed header stamp, a small image, and ways to capture output.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/message_table.h"
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
  Words words(int i) const { auto w = pointWords(art.paths[i]); return {w.begin(), w.end()}; }
};

// What the interface shows after exactly one message, by its number.
inline std::vector<std::string> Only(int number) { return {std::string(msg::Text(number))}; }

// A fresh folder for the files a test writes; removed with its files afterwards.
struct OutputFolder {
  std::string path;  // ends in '/'
  OutputFolder() {
    std::string pattern = platform::DefaultScratchBase() + "/vl-writers-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path = pattern + "/";
  }
  ~OutputFolder() { std::error_code ignored; std::filesystem::remove_all(path, ignored); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& e : std::filesystem::directory_iterator(path, ignored))
      names.push_back(e.path().filename());
    return names;
  }
};

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Lines of a text ended by `end` (the last line needs its end too).
inline std::vector<std::string> SplitLines(const std::string& text, const std::string& end = "\r") {
  std::vector<std::string> lines;
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
  OutputFolder folder;
  ArtImageInfo image;
  CustomColorList colors;
  bool lastLongPath = false;  // the long path flag of the last capture

  // 64 x 48 pixels at 72 pixels per inch: one point per pixel; artScale 256 (64 x 256 >= 16000).
  WriterEnv() {
    std::tie(image.paddedWidth, image.height, image.outputName) = std::tuple(64, 48, "drawing.gq");
    image.artScale = art.pen.artScale = 256.0;
  }

  // Runs `steps` on a writer (no preview) whose output goes to a file; the bytes written.
  std::string capture(int format, const std::function<void(GqWriter&)>& steps) {
    std::string path = folder.path + "capture.txt";
    platform::FileHandle file = platform::CreateFile(path);
    {
      OutputBuffer out(rt, file, false);
      GqWriter w{out, format, kPreviewNone, colors, computePageScale(image, format), {}, false};
      if (out.allocate()) steps(w);
      lastLongPath = w.longPath;
      out.flush();
    }
    platform::CloseFile(file);
    return ReadWholeFile(path);
  }
  // Paints the path about to begin.
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

  bool save(const std::string& path) {
    return saveArt(rt, art, image, colors, path, options, modified);
  }
  // The lines of a file saved in that format and preview; none when the save failed.
  std::vector<std::string> saveLines(int format, int preview, const std::string& name = "out.eps") {
    options.format = format;
    options.preview = preview;
    if (!save(folder.path + name)) return {};
    return SplitLines(ReadWholeFile(folder.path + name));
  }
  // Appends `count` filled black triangles.
  void triangles(int count) {
    paint(PaintType::Black, PaintType::None);
    for (int i = 0; i < count; ++i) linePath({{1, 1}, {3, 1}, {3, 3}, {1, 1}});
  }
};

}  // namespace vl::art::test
