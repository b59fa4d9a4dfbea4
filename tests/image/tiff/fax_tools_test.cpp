// Fax (CCITT Group 3 one- and two-dimensional, Group 4) and Deflate TIFF files written at test
// time by libtiff's tiffcp and the imaging library (make_fax_files.py): in strips of every
// size, tiles, both byte orders, both fill orders, with and without the predictor. Each must
// give exactly the pixels the tools were given, and fail with one message when cut short.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/image/tiff/tiff_test_support.h"

namespace vl::image::testing {
namespace {

struct ToolFile {
  std::string name, raw, mode;
  int width = 0, height = 0;
};

// Whether the image holds `expected`: bilevel a byte a pixel (1 black) against the bit layer,
// else 8-bit samples against the colour layer.
bool Holds(const RasterImage& image, const ToolFile& f, const Bytes& expected) {
  if (image.width != f.width || image.height != f.height) return false;
  if (f.mode != "Bitmap") return ColorBytes(image) == expected;
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x)
      if (pixelAt(BitRow(image, y), x) != (expected[std::size_t(y) * f.width + x] != 0))
        return false;
  return true;
}

class FaxToolFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = std::filesystem::temp_directory_path() / ("vl-fax-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    const std::string command = "/usr/bin/python3 " + TiffDir() + "make_fax_files.py '" +
                                folder_.string() + "' >/dev/null 2>&1";
    made_ = std::system(command.c_str()) == 0;
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  void SetUp() override {
    if (!made_) GTEST_SKIP() << "needs tiffcp (libtiff-tools) and the imaging library";
  }
  static std::vector<ToolFile> Files() {
    std::vector<ToolFile> files;
    for (const auto& row : ReadManifest((folder_ / "manifest.txt").string()))
      files.push_back({row.at(0), row.at(1), row.at(2), std::stoi(row.at(3)), std::stoi(row.at(4))});
    return files;
  }
  static Bytes Load(const std::string& name) { return ReadWholeFile((folder_ / name).string()); }

  static inline std::filesystem::path folder_;
  static inline bool made_ = false;
};

TEST_F(FaxToolFiles, EveryVariantGivesTheToolsPixels) {
  const std::vector<ToolFile> files = Files();
  ASSERT_EQ(files.size(), 49u);
  for (const ToolFile& f : files) {
    SCOPED_TRACE(f.name);
    TestRuntime t;
    RasterImage image;
    ASSERT_EQ(ReadMemory(t, image, Load(f.name)), kReadDone) << OnlyMessage(t);
    EXPECT_TRUE(Holds(image, f, Load(f.raw)));
    EXPECT_EQ(std::string(ImageModeName(ImageModeOf(image))).substr(0, f.mode.size()), f.mode);
    EXPECT_TRUE(t.ui.messages().empty());
    releaseImage(image, t.rt);
    EXPECT_EQ(t.memory.used(), 0u);
  }
}

// Every prefix of a file either still holds all it needs or fails with one of the messages of
// damaged data, leaving nothing allocated or open.
TEST_F(FaxToolFiles, FilesCutShortFailCleanly) {
  const std::vector<int> cutMessages = {msg::kTiffIncompleteData, msg::kUnknownInputFormat,
                                        msg::kTiffBadCode, msg::kTiffBadStrokeLength};
  for (const char* name : {"narrow_g3_2d_r5_lsb.tif", "narrow_g4_tiles.tif", "narrow_g3.tif",
                           "narrow_zip_r3.tif", "gray_zip_p2_r4.tif"}) {
    SCOPED_TRACE(name);
    const Bytes whole = Load(name);
    const ToolFile f = [&] {
      for (const ToolFile& g : Files()) if (g.name == name) return g;
      return ToolFile{};
    }();
    const Bytes expected = Load(f.raw);
    TestRuntime t;
    RasterImage image;
    for (std::size_t cut = 1; cut < whole.size(); cut += 1 + whole.size() / 300) {
      SCOPED_TRACE(cut);
      t.ui.clearMessages();
      const ReadOutcome outcome = ReadMemory(t, image, Bytes(whole.begin(), whole.end() - cut));
      if (outcome.read()) {
        EXPECT_TRUE(Holds(image, f, expected));
        continue;
      }
      EXPECT_EQ(outcome.result, ReadResult::kFailed);
      EXPECT_NE(std::count(cutMessages.begin(), cutMessages.end(), outcome.message), 0)
          << OnlyMessage(t);
      EXPECT_EQ(OnlyMessage(t), Text(outcome.message));
      EXPECT_EQ(t.memory.used(), 0u);
      EXPECT_EQ(image.fileHandle, platform::kNoFile);
    }
    releaseImage(image, t.rt);
  }
}

}  // namespace
}  // namespace vl::image::testing
