// What the pixel writer tests share: an image loaded from text or a sample ramp, a disk that
// fills up at a given size, and the views that outside tools (PIL, libtiff) give of a file.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/image/raster_test_support.h"
#include "tests/support/external_renderers.h"

namespace vl::image::testing {

using Bytes = std::vector<std::uint8_t>;
using Rows = std::vector<std::string>;
struct Ramp { int dx, dy, ds; };  // sample (x, y, s) = x * dx + y * dy + s * ds, modulo 256

struct WriterRig {
  TestRuntime env;
  RasterImage image;
  std::string path(const std::string& name) const { return env.scratchFolder + name; }
  // Loads a bilevel image of `rows` ('#' = black) or, with 1, 3 or 4 samples, a ramp that size.
  void load(int samples, const Rows& rows, double pixelsPerInch, Ramp ramp = {}) {
    const int width = int(rows[0].size()), height = int(rows.size());
    std::tie(image.xResolution, image.yResolution) = std::tuple(pixelsPerInch, pixelsPerInch);
    std::tie(image.samplesPerPixel, image.bitsPerSample) = std::tuple(std::max(samples, 1), 8);
    image.photometric = samples == 1 ? kBlackIsZero : kWhiteIsZero;
    image.fileRowBytes = width * samples;
    ASSERT_TRUE(samples == 0 ? drawBilevel(image, env.rt, rows)
                             : setGeometry(image, width, height) &&
                                   allocateBitLayer(image, env.rt.memory) &&
                                   prepareColorLayer(image, env.rt) && image.colorInMemory);
    for (int i = 0, n = std::max(samples, 1); i < width * height * samples; ++i)
      image.colorLayer.data()[i] =
          std::uint8_t(i / n % width * ramp.dx + i / n / width * ramp.dy + i % n * ramp.ds);
    ASSERT_EQ(CompleteLoad(image, env.rt), kReadDone);
  }
};

inline Rows Blank(int width, int height) { return Rows(height, std::string(width, '.')); }
inline Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
inline std::size_t FolderEntries(const std::string& folder) {
  return std::size_t(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// Runs `write` as on a disk that is full once a file holds `bytes` bytes.
inline bool WithFileSizeLimit(rlim_t bytes, const std::function<bool()>& write) {
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  const struct rlimit small = {bytes, old.rlim_max};
  sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);  // a short write instead of the signal
  setrlimit(RLIMIT_FSIZE, &small);
  const bool ok = write();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  return ok;
}

// Runs a shell command; true when it exited with 0.
inline bool Shell(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = ::popen((command + "\n").c_str(), "r");
  char buffer[4096];
  for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    if (output != nullptr) output->append(buffer, n);
  return pipe && ::pclose(pipe) == 0;
}
#define VL_REQUIRE_TOOLS(...)              \
  for (const char* tool : {__VA_ARGS__}) \
    if (!test_support::ToolAvailable(tool)) GTEST_SKIP() << tool << " is not installed (CI has it)"

// What Debian's PIL reads: "<width> <height> <mode> <compression> <x dpi> <y dpi>", then one
// line per row: '#' (black) and '.' for a bilevel image, else the samples in hex.
inline Rows PilView(const std::string& path) {
  std::string out;
  Shell("/usr/bin/python3 - '" + path + "' <<'EOF'\n"
        "import sys; from PIL import Image; im = Image.open(sys.argv[1])\n"
        "(w, h), dpi, data, px = im.size, im.info.get('dpi', (0, 0)), im.tobytes(), im.getdata()\n"
        "print(w, h, im.mode, im.info.get('compression'), int(float(dpi[0])), int(float(dpi[1])))\n"
        "for y in range(h):\n"
        "    print(''.join('.' if px[y * w + x] else '#' for x in range(w)) if im.mode == '1'\n"
        "          else data[y * len(data) // h:(y + 1) * len(data) // h].hex())\n"
        "EOF",
        &out);
  std::istringstream in(out);
  Rows lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace vl::image::testing
