// What the pixel writer tests share: images built in memory as a reader would leave them, and
// the outside programs that judge the files (libtiff's tools and Debian's python3 with PIL).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "tests/image/raster_test_support.h"

namespace vl::image::testing {

using Bytes = std::vector<std::uint8_t>;
using SampleFn = std::function<std::uint8_t(int x, int y, int sample)>;

struct WriterRig {
  TestRuntime env;
  RasterImage image;

  std::string path(const std::string& name) const { return env.scratchFolder + name; }
  std::vector<std::string> messages() const { return env.ui.messages(); }

  // A loaded bilevel image ('#' = black).
  void bilevel(const std::vector<std::string>& rows, double resolution) {
    ASSERT_TRUE(drawBilevel(image, env.rt, rows));
    image.xResolution = image.yResolution = resolution;
    ASSERT_TRUE(completeLoad(image, env.rt));
  }

  // A loaded gray (1), RGB (3) or CMYK (4) image with the samples sample(x, y, s).
  void color(int width, int height, int samples, const SampleFn& sample, double resolution) {
    image.samplesPerPixel = std::int16_t(samples);
    image.bitsPerSample = 8;
    image.photometric = samples == 1 ? kBlackIsZero : kWhiteIsZero;
    image.xResolution = image.yResolution = resolution;
    ASSERT_TRUE(setGeometry(image, width, height));
    ASSERT_TRUE(allocateBitLayer(image, env.rt.memory));
    image.fileRowBytes = width * samples;
    ASSERT_TRUE(prepareColorLayer(image, env.rt));
    ASSERT_TRUE(image.colorInMemory);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        for (int s = 0; s < samples; ++s)
          image.colorLayer.data()[(y * width + x) * samples + s] = sample(x, y, s);
    ASSERT_TRUE(completeLoad(image, env.rt));
  }
};

inline Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Runs a shell command; its standard output, and whether it exited with 0.
inline bool RunCommand(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return false;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, n);
  return ::pclose(pipe) == 0;
}

inline bool HaveTool(const std::string& program) {
  std::string out;
  return RunCommand("command -v " + program, out);
}

#define VL_REQUIRE_TOOL(program) \
  if (!HaveTool(program)) GTEST_SKIP() << program << " is not installed (the CI installs it)"

// What PIL reads from an image file: "<width> <height> <mode> <compression> <x dpi> <y dpi>",
// then the pixels, one line per row: '#' (black) and '.' for a bilevel image, else the samples
// as hex.
inline std::string PilView(const std::string& path) {
  static const char* kScript =
      "import sys\n"
      "from PIL import Image\n"
      "im = Image.open(sys.argv[1])\n"
      "dpi = im.info.get('dpi', (0, 0))\n"
      "print(im.size[0], im.size[1], im.mode, im.info.get('compression'), int(dpi[0]), "
      "int(dpi[1]))\n"
      "w = im.size[0]\n"
      "if im.mode == '1':\n"
      "    px = list(im.getdata())\n"
      "    for y in range(im.size[1]):\n"
      "        print(''.join('#' if v == 0 else '.' for v in px[y * w:(y + 1) * w]))\n"
      "else:\n"
      "    data = im.tobytes()\n"
      "    n = len(data) // im.size[1]\n"
      "    for y in range(im.size[1]):\n"
      "        print(data[y * n:(y + 1) * n].hex())\n";
  const std::string script = "/tmp/vl-writers-pil-view-" + std::to_string(::getpid()) + ".py";
  std::ofstream(script) << kScript;
  std::string out;
  RunCommand("/usr/bin/python3 " + script + " '" + path + "'", out);
  std::remove(script.c_str());
  return out;
}

// What our own picture of the image is in PilView's terms, for comparison.
inline std::string ExpectedView(const RasterImage& image, const std::string& mode,
                                const std::string& compression, int dpi) {
  std::string out = std::to_string(image.width) + " " + std::to_string(image.height) + " " + mode +
                    " " + compression + " " + std::to_string(dpi) + " " + std::to_string(dpi) +
                    "\n";
  static const char* kHex = "0123456789abcdef";
  for (std::int32_t y = 0; y < image.height; ++y) {
    if (isBilevel(image)) {
      for (std::int32_t x = 0; x < image.width; ++x)
        out += pixelAt(bitRow(image, y), x) ? '#' : '.';
    } else {
      const std::uint8_t* row = image.colorLayer.data() + std::size_t(y) * image.colorRowBytes;
      for (std::int32_t i = 0; i < image.colorRowBytes; ++i) {
        out += kHex[row[i] >> 4];
        out += kHex[row[i] & 15];
      }
    }
    out += '\n';
  }
  return out;
}

}  // namespace vl::image::testing
