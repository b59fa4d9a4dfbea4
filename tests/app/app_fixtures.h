// What the shell's tests share: a temporary folder, a program record on the headless interface
// (with or without an open document), and input images written by the program's own TIFF
// writer from a pixel predicate (bilevel), a flat gray level or graded samples.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/document.h"
#include "app/document_actions.h"
#include "app/edit_commands.h"
#include "app/program.h"
#include "base/application_state.h"
#include "base/conversion_state.h"
#include "base/message_table.h"
#include "base/runtime.h"
#include "image/bit_row.h"
#include "image/raster_image.h"
#include "image/tiff_writer.h"
#include "platform/headless_ui.h"
#include "platform/memory_block.h"
#include "settings/settings_defaults.h"

namespace vl::app::test {

// A fresh folder, removed with everything in it at the end. path ends without '/'.
struct TempDir {
  std::string path;
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vl-app-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string operator/(const std::string& name) const { return path + "/" + name; }
  // Names of the entries, sorted.
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(path, ec))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The line the terminal backend prints for a message.
inline std::string ShownLine(std::string_view text) {
  std::string line = "Vectorlume: ";
  line += text;
  line += '\n';
  return line;
}

inline int CountOf(const std::string& text, const std::string& needle) {
  int n = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
    ++n;
  return n;
}

// Writes an image through the TIFF writer with a throw-away runtime. `fill` draws into it.
inline bool WriteTiff(const std::string& path, int widthPixels, int heightPixels,
                      const std::function<bool(image::RasterImage&, platform::MemoryBudget&)>& fill,
                      double pixelsPerInch = 300.0) {
  platform::HeadlessUi ui(nullptr);
  platform::MemoryBudget memory;
  base::ConversionState state;
  base::ApplicationState appState;
  std::string scratch = std::filesystem::temp_directory_path().string() + "/";
  base::Runtime rt{ui, memory, state, appState, scratch};
  image::RasterImage image;
  image.xResolution = image.yResolution = pixelsPerInch;
  if (!image::setGeometry(image, widthPixels, heightPixels) || !fill(image, memory)) return false;
  return image::WriteTiffFile(rt, image, path);
}

// A bilevel TIFF: ink(x, y) true is black.
inline bool WriteBilevelTiff(const std::string& path, int widthPixels, int heightPixels,
                             const std::function<bool(int, int)>& ink,
                             double pixelsPerInch = 300.0) {
  return WriteTiff(path, widthPixels, heightPixels,
                   [&](image::RasterImage& image, platform::MemoryBudget& memory) {
                     if (!image::allocateBitLayer(image, memory)) return false;
                     for (int y = 0; y < heightPixels; ++y) {
                       std::uint8_t* row = image::BitRow(image, y);
                       for (int x = 0; x < widthPixels; ++x)
                         if (ink(x, y)) image::SetBitAt(row, x);
                     }
                     return true;
                   },
                   pixelsPerInch);
}

// An 8-bit gray TIFF of one gray level (0 black .. 255 white).
inline bool WriteGrayTiff(const std::string& path, int widthPixels, int heightPixels,
                          std::uint8_t level) {
  return WriteTiff(path, widthPixels, heightPixels,
                   [&](image::RasterImage& image, platform::MemoryBudget& memory) {
                     image.bitsPerSample = 8;
                     image.samplesPerPixel = 1;
                     image.colorRowBytes = widthPixels;
                     image.colorInMemory = true;
                     if (!image.colorLayer.allocate(memory, std::size_t(widthPixels) * heightPixels))
                       return false;
                     std::fill_n(image.colorLayer.data(), image.colorLayer.size(), level);
                     return true;
                   });
}

// A gray scale (1 sample), RGB (3) or CMYK (4) TIFF whose samples differ from their neighbours
// and from white, so a pixel changed or restored in the wrong place shows.
inline bool WriteGradedTiff(const std::string& path, int widthPixels, int heightPixels,
                            int samples) {
  return WriteTiff(path, widthPixels, heightPixels,
                   [&](image::RasterImage& image, platform::MemoryBudget& memory) {
                     image.bitsPerSample = 8;
                     image.samplesPerPixel = std::int16_t(samples);
                     image.photometric = samples == 1   ? image::kBlackIsZero
                                         : samples == 3 ? image::kPhotometricRgb
                                                        : image::kPhotometricSeparated;
                     image.colorRowBytes = widthPixels * samples;
                     image.colorInMemory = true;
                     if (!image.colorLayer.allocate(
                             memory, std::size_t(image.colorRowBytes) * std::size_t(heightPixels)))
                       return false;
                     for (std::size_t i = 0; i < image.colorLayer.size(); ++i)
                       image.colorLayer.data()[i] = std::uint8_t(20 + (i * 7) % 200);
                     return true;
                   });
}

// `count` filled squares of `side` pixels in a row, 10 pixels apart, on a white page with a
// 10-pixel margin.
inline std::function<bool(int, int)> Squares(int count, int side) {
  return [=](int x, int y) {
    if (y < 10 || y >= 10 + side || x < 10) return false;
    const int cell = (x - 10) / (side + 10);
    return cell < count && (x - 10) % (side + 10) < side;
  };
}

// A program record on a headless interface (which notes messages and answers scripted
// questions), its scratch folder inside a temporary folder.
struct ProgramRig {
  TempDir dir;
  platform::HeadlessUi* ui = new platform::HeadlessUi(nullptr);  // owned by the program
  Program program{std::unique_ptr<platform::UserInterface>(ui), dir.path};
};

using Bytes = std::vector<std::uint8_t>;
using Ink = std::function<bool(int, int)>;

// A rig for one document with the default conversion settings. The document is closed before
// the program and its folder go.
struct DocumentRig : ProgramRig {
  Document doc;
  DocumentRig() { settings::setConversionDefaults(program.activeSettings); }
  ~DocumentRig() { CloseDocument(program, doc); }
  DocumentRig(const DocumentRig&) = delete;
  DocumentRig& operator=(const DocumentRig&) = delete;

  // Reads the image at `path` into the document.
  bool open(const std::string& path) { return OpenDocument(program, doc, path).read(); }
  // Writes scan.tif (bilevel, `ink` black) or picture.tif (graded samples) and opens it.
  bool openBilevel(int widthPixels, int heightPixels, const Ink& ink) {
    return WriteBilevelTiff(dir / "scan.tif", widthPixels, heightPixels, ink) &&
           open(dir / "scan.tif");
  }
  bool openGraded(int widthPixels, int heightPixels, int samples) {
    return WriteGradedTiff(dir / "picture.tif", widthPixels, heightPixels, samples) &&
           open(dir / "picture.tif");
  }

  std::string menu() const { return UndoMenuItem(program); }
  static Bytes Of(const platform::Block& b) { return {b.data(), b.data() + b.size()}; }
  Bytes bits() const { return Of(program.image.bitLayer); }
  Bytes backup() const { return Of(program.image.backupLayer); }  // the pixels as loaded
  Bytes samples() const { return Of(program.image.colorLayer); }
  // Whether a bit layer holds exactly the pixels of `ink`, its padding clear.
  bool holds(const platform::Block& layer, const Ink& ink) const {
    const image::RasterImage& image = program.image;
    for (int y = 0; y < image.height; ++y) {
      const std::uint8_t* row = image::LayerRow(layer, image, y);
      for (int x = 0; x < image.paddedWidth; ++x)
        if (bool(image::BitAt(row, x)) != (x < image.width && ink(x, y))) return false;
    }
    return true;
  }
};

// The Undo item's text: `prefix` (Undo, Redo; 0 for none), the step's name, the accelerator.
inline std::string MenuText(int prefix, int name) {
  std::string s;
  if (prefix != 0) s = msg::Text(prefix);
  s += msg::Text(name);
  s += msg::Text(msg::kUndoAccelerator);
  return s;
}

}  // namespace vl::app::test
