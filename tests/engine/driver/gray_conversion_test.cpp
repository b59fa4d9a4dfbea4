// Whole conversions of gray scale and colour TIFF files (written by PIL and ImageMagick at run
// time) in black and white mode: the colour rows held in memory, read back from the open file
// under a low memory budget, and with the tracer's copy in "memtemp" as well, all give the
// same art; the input file stays usable, the mask comes back, no scratch file is left.
#include <cstdlib>
#include <filesystem>

#include "engine/conversion_driver.h"
#include "engine/conversion_job.h"
#include "image/input_dispatch.h"
#include "image/levels.h"
#include "settings/settings_defaults.h"
#include "tests/engine/engine_test_runtime.h"
#include "tests/support/external_renderers.h"

namespace vl::engine::test {
namespace {

// Where the colour rows and the tracer's copy live.
enum class Memory { kHeld, kFileRows, kFileRowsAndMemtemp };

std::vector<std::uint32_t> Words(const art::Artwork& art) {
  std::vector<std::uint32_t> out;
  for (const art::PathRecord& p : art::PathsInUse(art)) {
    out.push_back(p.fillColor);
    out.insert(out.end(), art::PointWords(p).begin(), art::PointWords(p).end());
  }
  return out;
}

struct GrayRig {
  TestRuntime env;
  image::RasterImage image;
  art::Artwork art;
  settings::ConversionSettings active, dialog;
  ConversionJob job{env.rt, image, art, active, dialog};

  GrayRig() {
    settings::setConversionDefaults(active);
    settings::setColorDefaults(active);
  }
  ~GrayRig() {
    art::freeArtwork(art);
    image::releaseImage(image, env.rt);
  }

  // Opens the file as the shell does. For file rows, allocations fail from the first one that
  // would hold the colour layer on (the reader's earlier ones are counted first).
  bool open(const std::string& path, Memory memory) {
    for (long allowed = memory == Memory::kHeld ? -1 : 0; allowed < 8; ++allowed) {
      image::releaseImage(image, env.rt);
      image.inputName = path;
      image::chooseFormatByName(image, path);
      env.memory.failAfter(allowed);
      const bool read = image::openInputImage(image, env.rt, false).read();
      env.memory.failAfter(-1);
      if (read && image.colorInMemory == (memory == Memory::kHeld)) break;
      if (allowed == 7 || memory == Memory::kHeld) return false;
    }
    env.ui.clearMessages();
    if (memory == Memory::kFileRowsAndMemtemp) {
      // Room for the copy of the selection, the shape mask and the work area, none for the
      // tracer's copy of the bit layer.
      const std::size_t layer = std::size_t(image.bitRowBytes) * (image.height + 2);
      env.memory.setLimit(env.memory.used() + 2 * layer + 65535 + 512);
      env.ui.useManualClock(0);
      env.ui.stepMs = 100;  // every abort poll looks, and notes the scratch files it sees
      env.ui.watched = env.scratchFolder;
    }
    return true;
  }
};

std::string Tools(const std::string& dir) {
  return "cd '" + dir + "' && /usr/bin/python3 -c \"\n"
         "from PIL import Image, ImageDraw\n"
         "im = Image.new('L', (600, 400), 225)\n"
         "d = ImageDraw.Draw(im)\n"
         "d.ellipse((50, 50, 300, 370), fill=30)\n"
         "d.rectangle((350, 70, 520, 340), fill=90)\n"
         "d.ellipse((400, 150, 470, 270), fill=200)\n"
         "im.save('gray.tif', dpi=(300, 300))\n"
         "im.convert('RGB').save('rgb.tif', dpi=(300, 300))\n"
         "im.convert('CMYK').save('cmyk.tif', dpi=(300, 300))\n"
         "im.convert('P').save('palette.tif', dpi=(300, 300))\n"
         "\" 2>/dev/null && convert gray.tif -depth 16 -compress none gray16.tif"
         " && convert gray.tif -negate -define tiff:photometric=min-is-white -compress none"
         " white-is-zero.tif";
}

TEST(GrayConversion, FileRowsAndMemtempGiveTheArtOfHeldRows) {
  if (!test_support::ToolAvailable("convert")) GTEST_SKIP() << "ImageMagick is not installed";
  TestRuntime files;
  ASSERT_EQ(std::system(Tools(files.root).c_str()), 0);
  for (const char* name : {"gray.tif", "rgb.tif", "cmyk.tif", "palette.tif", "gray16.tif",
                           "white-is-zero.tif"})
    for (bool selection : {false, true})
      for (bool levels : {false, true}) {
        SCOPED_TRACE(std::string(name) + (selection ? " selection" : "") + (levels ? " levels" : ""));
        std::vector<std::uint32_t> reference;
        for (Memory memory : {Memory::kHeld, Memory::kFileRows, Memory::kFileRowsAndMemtemp}) {
          SCOPED_TRACE(int(memory));
          GrayRig rig;
          ASSERT_TRUE(rig.open(files.root + "/" + name, memory));
          ASSERT_EQ(rig.image.colorInMemory, memory == Memory::kHeld);
          if (selection) {
            ASSERT_TRUE(image::applyRectSelection(rig.image, rig.env.rt, 25, 12, 450, 380,
                                                  image::kSelectNew));
          }
          const std::vector<std::uint8_t> mask(image::BitRow(rig.image, 0),
                                               image::BitRow(rig.image, 0) + rig.image.bitLayerBytes);
          if (levels) {
            const image::LevelsResult r = image::applyLevels(rig.image, {40, 1.6, 180});
            ASSERT_EQ(r, memory == Memory::kHeld ? image::LevelsResult::kApplied
                                                 : image::LevelsResult::kNotInMemory);
          }
          const platform::FileHandle input = rig.image.fileHandle;
          ASSERT_EQ(Convert(rig.job), (ConversionOutcome{ConversionResult::kConverted, 0}));
          EXPECT_TRUE(rig.env.messages().empty());
          const std::vector<std::uint32_t> words = Words(rig.art);
          EXPECT_GE(rig.art.count, 1);
          if (reference.empty()) reference = words;
          EXPECT_EQ(words, reference);
          EXPECT_EQ(rig.env.ui.seenFiles.count("memtemp"), memory == Memory::kFileRowsAndMemtemp);
          // The image is as it was: its mask, its open input file, no copy, no scratch file.
          EXPECT_TRUE(std::equal(mask.begin(), mask.end(), image::BitRow(rig.image, 0)));
          EXPECT_EQ(rig.image.fileHandle, input);
          EXPECT_TRUE(rig.image.backupLayer.empty() && rig.image.spareLayer.empty());
          EXPECT_FALSE(rig.image.backupOnDisk);
          EXPECT_FALSE(rig.env.scratchExists("memtemp"));
          std::uint8_t px[8];
          EXPECT_TRUE(image::readColorSpan(rig.image, 0, 0, rig.image.samplesPerPixel, px));
          // A second conversion gives the same art again.
          ASSERT_EQ(Convert(rig.job), (ConversionOutcome{ConversionResult::kConverted, 0}));
          EXPECT_EQ(Words(rig.art), reference);
        }
      }
}

}  // namespace
}  // namespace vl::engine::test
