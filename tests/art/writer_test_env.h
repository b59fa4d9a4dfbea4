// Shared pieces of the art writer tests: an artwork environment with a folder for output
// files, a fixed header stamp, a small image, and a way to capture what a writer step emits.
#pragma once

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "art/art_output_buffer.h"
#include "art/art_writer_inputs.h"
#include "art/gq_writer.h"
#include "art/page_scale.h"
#include "platform/file_io.h"
#include "platform/scratch_folder.h"
#include "tests/art/art_test_env.h"

namespace vl::art::test {

// A fresh folder for the files a test writes; removed with its files afterwards.
struct OutputFolder {
  std::string path;  // ends in '/'
  OutputFolder() {
    std::string pattern = platform::DefaultScratchBase() + "/vl-writers-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path = pattern + "/";
  }
  ~OutputFolder() {
    for (const std::string& name : entries()) unlink((path + name).c_str());
    rmdir(path.c_str());
  }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
      while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
      }
      closedir(dir);
    }
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

// 64 x 48 pixels at 72 pixels per inch: one point per pixel; artScale 256 (64 x 256 >= 16000).
inline ArtImageInfo SmallImage() {
  ArtImageInfo image;
  image.xResolution = image.yResolution = 72.0;
  image.paddedWidth = 64;
  image.height = 48;
  image.artScale = 256.0;
  image.outputName = "drawing.gq";
  return image;
}

inline SaveStamp FixedStamp() {
  SaveStamp stamp;
  stamp.user = "Ada Byron  ";
  stamp.organisation = "Engines ";
  stamp.time.tm_year = 2024 - 1900;
  stamp.time.tm_mon = 2;  // March
  stamp.time.tm_mday = 5;
  stamp.time.tm_hour = 14;
  stamp.time.tm_min = 7;
  return stamp;
}

struct WriterEnv : ArtTestEnv {
  OutputFolder folder;
  ArtImageInfo image = SmallImage();
  CustomColorList colors;

  WriterEnv() { art.pen.artScale = image.artScale; }

  // Runs `steps` on a writer for the small image whose output goes to a file, and returns
  // the bytes written.
  std::string capture(int format, int preview, const std::function<void(GqWriter&)>& steps) {
    std::string path = folder.path + "capture.txt";
    platform::FileHandle file = platform::CreateFile(path);
    {
      OutputBuffer out(rt, file, false);
      if (!out.allocate()) return "<no buffer>";
      GqWriter w{out, format, preview, colors, computePageScale(image, format), PaintCache{}, false};
      steps(w);
      lastLongPath = w.longPath;
      out.flush();
    }
    platform::CloseFile(file);
    return ReadWholeFile(path);
  }
  bool lastLongPath = false;

  // Paints the path about to begin.
  void paint(PaintType fill, PaintType stroke, std::uint32_t color = kBlackColor,
             double strokePoints = 1.0) {
    art.pen.fillType = fill;
    art.pen.strokeType = stroke;
    art.pen.color = color;
    art.pen.strokeWeightPoints = strokePoints;
  }
};

}  // namespace vl::art::test
