// What the raster reader tests share: a file opened through the dispatch as the user would, the
// corpus of files made by real tools with netpbm pictures as the expected pixels, and edits
// that spoil or vary a file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/message_table.h"
#include "image/input_dispatch.h"
#include "tests/image/raster_test_support.h"

namespace vl::image::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::string CorpusPath(const std::string& name) {
  return std::string(VL_SOURCE_DIR) + "/tests/image/readers/corpus/" + name;
}
inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
// The name a corpus file is opened under: its own (Sun rasters go by signature), but MacPaint
// is known only by ".pnt", in any case.
inline std::string OpenName(const std::string& file) {
  return file.ends_with(".mac") ? file + ".PNT" : file;
}
inline Bytes Chars(const std::string& text) { return Bytes(text.begin(), text.end()); }
inline Bytes Edit(Bytes bytes, std::size_t at, const Bytes& put) {  // `put` over bytes from `at`
  for (std::size_t i = 0; i < put.size(); ++i) bytes.at(at + i) = put[i];
  return bytes;
}

// A file opened through the dispatch as the user would; messages and labels stay in env.ui.
struct ReadRun {
  TestRuntime env;
  RasterImage image;

  ReadOutcome open(const Bytes& bytes, const std::string& name) {
    image.inputName = env.scratchFolder + name;
    std::ofstream(image.inputName, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    chooseFormatByName(image, image.inputName);
    return openInputImage(image, env.rt, false);
  }
  void expectOnly(int message) const {
    EXPECT_EQ(env.ui.messages(), std::vector<std::string>{std::string(msg::Text(message))});
  }
  void expectNothingKept() const {  // unless read: no layer, no open file, no memory
    EXPECT_TRUE(image.colorLayer.empty());
    EXPECT_TRUE(image.bitLayer.empty());
    EXPECT_EQ(image.fileHandle, platform::kNoFile);
    EXPECT_EQ(env.memory.used(), 0u);
  }
};

// Reads of `whole`, opened as `name`, that cannot finish: cut to each of `sizes` (failed with
// `cutMessage`), each allocation in turn failing (the memory message, shown once), and the
// user's stop before the first row or halfway (no message beyond `stopShown`). None keeps a
// layer, a file or memory.
inline void ExpectUnfinishedReadsKeepNothing(const Bytes& whole, const std::string& name,
                                             const std::vector<std::size_t>& sizes,
                                             int cutMessage,
                                             const std::vector<std::string>& stopShown = {}) {
  for (std::size_t size : sizes) {
    SCOPED_TRACE(name + " cut to " + std::to_string(size));
    ReadRun run;
    EXPECT_EQ(run.open(Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(size)), name),
              ReadFailed(cutMessage));
    run.expectOnly(cutMessage);
    run.expectNothingKept();
  }
  long allowed = 0;
  for (;; ++allowed) {
    SCOPED_TRACE(name + " after " + std::to_string(allowed) + " allocations");
    ReadRun run;
    run.env.memory.failAfter(allowed);
    const ReadOutcome outcome = run.open(whole, name);
    if (outcome.read()) break;
    EXPECT_EQ(outcome, ReadFailed(msg::kInsufficientMemory));
    run.expectOnly(msg::kInsufficientMemory);
    run.expectNothingKept();
    ASSERT_LT(allowed, 40);
  }
  EXPECT_GT(allowed, 0) << name;
  // A whole read first counts the looks at the event queue.
  ReadRun counted;
  counted.env.ui.stopAtDrain = 1 << 30;
  ASSERT_EQ(counted.open(whole, name), kReadDone);
  ASSERT_GT(counted.env.ui.drains(), 2) << name;
  for (int stopAt : {1, counted.env.ui.drains() / 2}) {
    SCOPED_TRACE(name + " stopped at look " + std::to_string(stopAt));
    ReadRun stopped;
    stopped.env.ui.stopAtDrain = stopAt;
    EXPECT_EQ(stopped.open(whole, name), kReadStopped);
    EXPECT_EQ(stopped.env.ui.messages(), stopShown);
    EXPECT_FALSE(stopped.env.ui.progressOpen());
    stopped.expectNothingKept();
  }
}

// Pixels kept by a 2:1 downsampling: odd rows, and even pixels from `firstPixel` on.
inline Bytes Halved(const Bytes& pixels, int width, int height, int samples, int firstPixel = 0) {
  Bytes out;
  for (int y = 1; y < height; y += 2)
    for (int x = firstPixel; x + 1 < width + firstPixel; x += 2)
      for (int s = 0; s < samples; ++s) out.push_back(pixels[(y * width + x) * samples + s]);
  return out;
}

// A picture named <what>_<width>x<height>.p?m: bilevel (pbm, as '#' for black and '.' for
// white), gray (pgm), RGB (ppm) or CMYK (pam). Its pixels end its file.
struct Picture {
  int width = 0, height = 0, samples = 1;
  bool bilevel = false;
  Bytes pixels;  // rows top to bottom, samples interleaved
};

inline Picture LoadPicture(const std::string& name) {
  Picture p;
  std::sscanf(name.c_str() + name.find('_') + 1, "%dx%d", &p.width, &p.height);
  const char kind = name[name.size() - 2];
  p.bilevel = kind == 'b';
  p.samples = kind == 'p' ? 3 : kind == 'a' ? 4 : 1;
  const Bytes data = ReadBytes(CorpusPath(name));
  const int rowBytes = p.bilevel ? (p.width + 7) / 8 : p.width * p.samples;
  const auto at = data.end() - rowBytes * p.height;
  if (!p.bilevel) p.pixels.assign(at, data.end());
  for (int y = 0; p.bilevel && y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x)
      p.pixels.push_back((at[y * rowBytes + x / 8] << (x % 8)) & 0x80 ? '#' : '.');
  }
  return p;
}

// The colour layer, or the bit layer as a picture (a row with padding bits set ends in '|').
inline Bytes ImagePixels(const RasterImage& image) {
  if (!IsBilevel(image)) {
    const std::uint8_t* p = image.colorLayer.data();
    return Bytes(p, p + std::size_t(image.colorRowBytes) * image.height);
  }
  Bytes out;
  for (const std::string& r : bilevelPicture(image)) out.insert(out.end(), r.begin(), r.end());
  return out;
}

}  // namespace vl::image::testing
