// Inputs the fuzzer found that once broke the reader, kept under names that say what they
// exercise (regressions/expected.txt says how each must end). The fuzz target replays them
// too, under the sanitizers.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "tests/image/tiff/tiff_test_support.h"

namespace vl::image {
namespace {

using testing::OnlyMessage;
using testing::ReadMemory;
using testing::ReadWholeFile;
using testing::TestRuntime;
using testing::Text;

std::string Dir() { return std::string(VL_SOURCE_DIR) + "/tests/image/tiff/regressions/"; }

TEST(TiffRegressions, FuzzerFindingsEndAsRecorded) {
  const std::map<std::string, ImageMode> modes = {{"Bitmap", ImageMode::Bitmap},
                                                  {"Gray", ImageMode::GrayScale},
                                                  {"RGB", ImageMode::Rgb},
                                                  {"CMYK", ImageMode::Cmyk}};
  std::ifstream manifest(Dir() + "expected.txt");
  std::string line;
  int files = 0;
  while (std::getline(manifest, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string file, outcome;
    fields >> file >> outcome;
    SCOPED_TRACE(file);
    TestRuntime t;
    RasterImage image;
    const bool ok = ReadMemory(t, image, ReadWholeFile(Dir() + file));
    if (outcome == "ok") {
      std::string mode;
      fields >> mode;
      ASSERT_TRUE(ok) << OnlyMessage(t);
      EXPECT_EQ(imageMode(image), modes.at(mode));
      EXPECT_TRUE(t.ui.messages().empty());
      releaseImage(image, t.rt);
    } else {
      std::string message;
      std::getline(fields, message);
      EXPECT_FALSE(ok);
      EXPECT_EQ(" " + OnlyMessage(t), message);
    }
    EXPECT_EQ(t.memory.used(), 0u);
    ++files;
  }
  EXPECT_GE(files, 1);
}

}  // namespace
}  // namespace vl::image
