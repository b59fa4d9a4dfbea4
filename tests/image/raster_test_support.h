// What the raster image tests share: a quiet runtime with a manual clock and a fresh scratch
// folder, and bilevel pictures drawn from and read back as text ('#' = black).
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "image/bit_row.h"
#include "image/levels.h"
#include "image/raster_image.h"
#include "platform/headless_ui.h"
#include "platform/scratch_folder.h"

namespace vl::image {

// Failed assertions show an outcome as {result, message number}.
inline void PrintTo(const ReadOutcome& outcome, std::ostream* out) {
  static constexpr const char* kNames[] = {"read", "failed", "refused", "stopped"};
  *out << "{" << kNames[static_cast<int>(outcome.result)] << ", " << outcome.message << "}";
}

}  // namespace vl::image

namespace vl::image::testing {

// Keeps every progress label it is shown (the headless one forgets it on close). With
// stopAtDrain n > 0, the user presses Stop at the n-th look at the event queue, and the clock
// moves on 100 ms per reading so that every abort poll looks.
class RecordingUi : public platform::HeadlessUi {
 public:
  RecordingUi() : HeadlessUi(nullptr) {}
  void showProgress(int percent, std::string_view label, std::string_view batchLine) override {
    labels.emplace_back(label);
    HeadlessUi::showProgress(percent, label, batchLine);
  }
  bool drainEvents() override { return HeadlessUi::drainEvents() || drains() == stopAtDrain; }
  std::uint32_t tickCount() override {
    if (stopAtDrain > 0) advanceClock(100);
    return HeadlessUi::tickCount();
  }
  std::vector<std::string> labels;
  int stopAtDrain = 0;
};

struct TestRuntime {
  RecordingUi ui;
  platform::MemoryBudget memory;
  base::ConversionState state;
  base::ApplicationState app;
  std::string scratchFolder;
  base::Runtime rt{ui, memory, state, app, scratchFolder};

  TestRuntime() {
    char pattern[] = "/tmp/vl-image-test-XXXXXX";
    scratchFolder = std::string(::mkdtemp(pattern) != nullptr ? pattern : "/tmp") + "/";
    ui.useManualClock(0);
  }
  ~TestRuntime() { platform::RemoveScratchFolder(scratchFolder); }
};

// Pixel x of a bit row, the most significant bit first.
// A gray (1 sample), RGB (3) or CMYK (4) image of 8-bit samples held in memory, as a reader
// leaves it after a complete load; px holds the rows one after another.
inline void LoadHeldImage(RasterImage& image, TestRuntime& t, int width, int height, int spp,
                          const std::vector<std::uint8_t>& px) {
  image.bitsPerSample = 8;
  image.samplesPerPixel = std::int16_t(spp);
  image.photometric = spp == 1 ? kBlackIsZero : spp == 3 ? kPhotometricRgb : kPhotometricSeparated;
  image.fileRowBytes = width * spp;
  image.toneTable = IdentityToneTable();
  ASSERT_TRUE(setGeometry(image, width, height) && allocateBitLayer(image, t.memory));
  ASSERT_TRUE(prepareColorLayer(image, t.rt) && image.colorInMemory);
  for (int y = 0; y < height; ++y)
    ASSERT_TRUE(storeColorRow(image, y, {px.data() + std::size_t(y) * width * spp,
                                         std::size_t(width) * spp}));
}

inline bool pixelAt(const std::uint8_t* row, int x) { return BitAt(row, x) != 0; }

// A bilevel image as its reader leaves it, before the load is completed.
inline bool drawBilevel(RasterImage& image, base::Runtime& rt,
                        const std::vector<std::string>& rows) {
  image.bitsPerSample = 1;
  if (!setGeometry(image, std::int32_t(rows[0].size()), std::int32_t(rows.size()))) return false;
  if (!allocateBitLayer(image, rt.memory)) return false;
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.width; ++x) {
      if (rows[y][x] == '#') SetBitAt(BitRow(image, y), x);
    }
  }
  return true;
}

// The bit layer as text; a row with any padding bit set ends in '|'.
inline std::vector<std::string> bilevelPicture(const RasterImage& image) {
  std::vector<std::string> out;
  for (std::int32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* row = BitRow(image, y);
    std::string text;
    bool padding = false;
    for (std::int32_t x = 0; x < image.width; ++x) text += pixelAt(row, x) ? '#' : '.';
    for (std::int32_t x = image.width; x < image.paddedWidth; ++x) padding |= pixelAt(row, x);
    out.push_back(padding ? text + '|' : text);
  }
  return out;
}

}  // namespace vl::image::testing
