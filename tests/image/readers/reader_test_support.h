// What the raster reader tests share: running one reader on a file the way the dispatch does
// (defaults reset, the common completion after success, the image released after failure), the
// corpus of files made by real tools, netpbm pictures as the expected pixels, and a little
// builder for hand-made files.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/message_table.h"
#include "image/macpaint_reader.h"
#include "image/pcx_reader.h"
#include "image/rvx_reader.h"
#include "image/sun_raster_reader.h"
#include "tests/image/raster_test_support.h"

namespace vl::image::testing {

using Bytes = std::vector<std::uint8_t>;
using Reader = std::function<std::int16_t(RasterImage&, engine::Runtime&)>;

inline std::string CorpusPath(const std::string& name) {
  return std::string(VL_SOURCE_DIR) + "/tests/image/readers/corpus/" + name;
}

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline std::int16_t ReadPcxAtDefaultScreen(RasterImage& image, engine::Runtime& rt) {
  return readPcx(image, rt, kDefaultScreenPixelsPerInch);
}

inline Reader ReaderNamed(const std::string& name) {
  if (name == "sun") return readSunRaster;
  if (name == "bitmap") return readBitmapFile;
  if (name == "macpaint") return readMacPaint;
  if (name == "pcx") return ReadPcxAtDefaultScreen;
  return readRvx;
}

// One read, as the dispatch runs it. The messages and progress labels stay in env.ui.
struct ReadRun {
  TestRuntime env;
  RasterImage image;
  std::int16_t result = -1;
  bool completed = false;  // the common completion ran and succeeded

  std::vector<std::string> messages() const { return env.ui.messages(); }

  std::int16_t read(const Reader& reader, const std::string& path) {
    image.xResolution = image.yResolution = 300.0;
    image.artScale = 1.0;
    image.artScaleShift = 0;
    image.photometric = kWhiteIsZero;
    image.samplesPerPixel = 1;
    image.bitsPerSample = 1;
    image.fileHandle = platform::OpenFileForReading(path);
    EXPECT_NE(image.fileHandle, platform::kNoFile) << path;
    result = reader(image, env.rt);
    if (result == kReadOk) {
      completed = completeLoad(image, env.rt);
    } else {
      releaseImage(image, env.rt);
    }
    return result;
  }

  // Writes the bytes to a file of the scratch folder and reads it.
  std::int16_t readBytes(const Reader& reader, const Bytes& bytes, const std::string& name = "in") {
    const std::string path = env.scratchFolder + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return read(reader, path);
  }

  // Exactly one message was shown, and it was this one.
  void expectOnly(int message) const {
    EXPECT_EQ(messages(), std::vector<std::string>{std::string(msg::Text(message))});
  }
};

// A netpbm picture (P4, P5, P6 or P7 with 8-bit samples): its size and pixels. Bilevel
// pictures are expanded to one byte per pixel, 1 = black.
struct Picture {
  int width = 0, height = 0, samples = 0;  // samples per pixel: 1 (bilevel, gray), 3, 4
  bool bilevel = false;
  Bytes pixels;  // rows top to bottom, samples interleaved
};

inline Picture LoadPicture(const std::string& name) {
  const Bytes data = ReadBytes(CorpusPath(name));
  Picture p;
  std::size_t at = 0;
  auto token = [&]() {
    while (at < data.size() && std::isspace(data[at])) ++at;
    std::string t;
    while (at < data.size() && !std::isspace(data[at])) t += char(data[at++]);
    return t;
  };
  const std::string magic = token();
  if (magic == "P7") {
    for (std::string key = token(); key != "ENDHDR" && at < data.size(); key = token()) {
      const std::string value = token();
      if (key == "WIDTH") p.width = std::stoi(value);
      if (key == "HEIGHT") p.height = std::stoi(value);
      if (key == "DEPTH") p.samples = std::stoi(value);
    }
  } else {
    p.width = std::stoi(token());
    p.height = std::stoi(token());
    if (magic != "P4") token();  // maxval 255
    p.samples = magic == "P6" ? 3 : 1;
    p.bilevel = magic == "P4";
  }
  ++at;  // the one whitespace byte before the pixels
  if (p.bilevel) {
    const int rowBytes = (p.width + 7) / 8;
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) {
        p.pixels.push_back((data.at(at + y * rowBytes + x / 8) >> (7 - x % 8)) & 1);
      }
    }
  } else {
    p.pixels.assign(data.begin() + std::ptrdiff_t(at), data.end());
  }
  return p;
}

// The bit layer as one byte per pixel; the padding bits must be 0.
inline Bytes BitLayerPixels(const RasterImage& image) {
  Bytes out;
  for (std::int32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* row = bitRow(image, y);
    for (std::int32_t x = 0; x < image.paddedWidth; ++x) {
      if (x < image.width)
        out.push_back(pixelAt(row, x));
      else
        EXPECT_FALSE(pixelAt(row, x)) << "padding bit " << x << " of row " << y;
    }
  }
  return out;
}

inline Bytes ColorLayerPixels(const RasterImage& image) {
  const std::uint8_t* p = image.colorLayer.data();
  return Bytes(p, p + std::size_t(image.colorRowBytes) * image.height);
}

// Big-endian and little-endian byte builders for hand-made files. Bytes are appended one at a
// time: g++ 12 at -O3 misreads a range insert into a chained temporary as an overflow.
struct FileBuilder {
  Bytes bytes;
  FileBuilder& raw(const Bytes& b) {
    for (std::uint8_t c : b) bytes.push_back(c);
    return *this;
  }
  FileBuilder& text(const std::string& s) {
    for (char c : s) bytes.push_back(std::uint8_t(c));
    return *this;
  }
  FileBuilder& u8(unsigned v) {
    bytes.push_back(std::uint8_t(v));
    return *this;
  }
  FileBuilder& be16(unsigned v) { return u8(v >> 8).u8(v); }
  FileBuilder& be32(std::uint32_t v) { return be16(v >> 16).be16(v & 0xFFFF); }
  FileBuilder& le16(unsigned v) { return u8(v).u8(v >> 8); }
  FileBuilder& zeros(std::size_t n) {
    bytes.insert(bytes.end(), n, 0);
    return *this;
  }
};

}  // namespace vl::image::testing
