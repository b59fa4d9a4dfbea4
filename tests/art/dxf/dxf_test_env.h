// Shared pieces of the DXF tests: an image whose pixels are simple fractions of an inch, and
// the art written through the DXF writer or the save driver.
#pragma once

#include "art/dxf_writer.h"
#include "art/save_art.h"
#include "tests/art/writer_test_env.h"

namespace vl::art::test {

struct DxfEnv : WriterEnv {
  bool flattened = false;
  SaveArtOptions options;
  bool modified = true;

  // 160 x 72 pixels at 72 pixels per inch, artScale 128: 36 pixels are half an inch.
  DxfEnv() {
    image.paddedWidth = 160;
    image.height = 72;
    image.artScale = art.pen.artScale = 128.0;
    options.format = kFormatDxf;
  }
  // The art through the DXF writer alone: the file's lines.
  std::vector<std::string> write() {
    std::string path = folder.path + "direct.dxf";
    platform::FileHandle file = platform::CreateFile(path);
    {
      OutputBuffer out(rt, file, false);
      if (out.allocate()) WriteDxfArt(rt, out, art, image, "Saving: ", flattened);
    }
    platform::CloseFile(file);
    return SplitLines(ReadWholeFile(path), "\r\n");
  }
  bool save(engine::Runtime& through, const std::string& path) {
    return saveArt(through, art, image, colors, path, options, modified);
  }
  void strokeOnly() { art.paths[art.count - 1].flags |= kUnfilled; }
};

// The value lines that follow each `code` line (e.g. every "10" gives an x).
inline std::vector<std::string> Values(const std::vector<std::string>& lines,
                                       const std::string& code) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i + 1 < lines.size(); i += 2)
    if (lines[i] == code) out.push_back(lines[i + 1]);
  return out;
}

}  // namespace vl::art::test
