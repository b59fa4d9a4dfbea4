// Gray scale and colour images from the command line: the same pixels written by PIL,
// ImageMagick and tiffcp in different encodings give byte-identical art; the threshold,
// contrast and levels options change it as they should.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/cli/cli_runner.h"
#include "tests/support/external_renderers.h"

namespace vl::app::test {
namespace {

// Three tones none of whose 2 x 2 means is 128, where the gray and the colour tests part.
constexpr const char* kDrawing = R"(
import sys
from PIL import Image, ImageDraw
out, light, rect = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
im = Image.new('L', (300, 200), light)
d = ImageDraw.Draw(im)
d.ellipse((30, 30, 170, 170), fill=255 - light)
if rect >= 0:
    d.rectangle((190, 40, 280, 180), fill=rect)
d.line((0, 199, 299, 0), fill=255 - light, width=3)
dpi = (300, 300)
im.save(out + '/gray.tif', dpi=dpi)
im.save(out + '/gray-lzw.tif', dpi=dpi, compression='tiff_lzw')
im.save(out + '/gray-packbits.tif', dpi=dpi, compression='packbits')
im.convert('RGB').save(out + '/rgb.tif', dpi=dpi)
im.convert('CMYK').save(out + '/cmyk.tif', dpi=dpi)
im.convert('P').save(out + '/palette.tif', dpi=dpi)
im.save(out + '/gray.pcx')
im.convert('RGB').save(out + '/rgb.pcx')
)";

bool Draw(const TempDir& dir, int light, int rect) {
  WriteFile(dir / "draw.py", kDrawing);
  const std::string cmd = "/usr/bin/python3 '" + (dir / "draw.py") + "' '" + std::string(dir / "") +
                          "' " + std::to_string(light) + " " + std::to_string(rect) + " 2>/dev/null";
  return std::system(cmd.c_str()) == 0;
}

std::string ConvertToSvg(const TempDir& dir, const std::string& input, Args options = {}) {
  Args args = {"convert", dir / input, "-o", dir / "art.svg", "--quiet"};
  args.insert(args.end(), options.begin(), options.end());
  const RunResult r = RunProgram(args);
  EXPECT_EQ(r.status, 0) << input << " " << r.err;
  return ReadFile(dir / "art.svg");
}

TEST(GrayColorCli, SamePixelsInEveryEncodingGiveTheSameArt) {
  for (const char* tool : {"convert", "tiffcp"})
    if (!test_support::ToolAvailable(tool)) GTEST_SKIP() << tool << " is not installed";
  TempDir dir;
  ASSERT_TRUE(Draw(dir, 238, 102));
  // ImageMagick's 16-bit gray and tiffcp's strips of 7 rows. (4-bit samples are widened by a
  // shift, 1 -> 16, so a 4-bit file does not hold the same 8-bit pixels.)
  ASSERT_EQ(std::system(("convert '" + (dir / "gray.tif") + "' -depth 16 '" + (dir / "gray16.tif") +
                         "' && tiffcp -c lzw -r 7 '" + (dir / "rgb.tif") + "' '" + (dir / "rgb-strips.tif") + "'")
                            .c_str()),
            0);
  const std::vector<Args> settings = {{}, {"--threshold", "30"}, {"--noise-reduction", "maximum"},
                                      {"--contrast", "20", "--boost", "60"}};
  for (const Args& options : settings) {
    SCOPED_TRACE(options.empty() ? "defaults" : options[0]);
    const std::string reference = ConvertToSvg(dir, "gray.tif", options);
    EXPECT_NE(reference.find("<path"), std::string::npos);
    for (const char* input : {"gray-lzw.tif", "gray-packbits.tif", "gray16.tif",
                              "palette.tif"}) {
      EXPECT_EQ(ConvertToSvg(dir, input, options), reference) << input;
    }
    // PIL writes PCX files at 100 pixels/inch, which changes the tolerances: the two agree.
    EXPECT_EQ(ConvertToSvg(dir, "rgb.pcx", options), ConvertToSvg(dir, "gray.pcx", options));
  }
  // Another threshold cuts elsewhere: at 10 % only the darkest tone stays, the rectangle goes.
  EXPECT_NE(ConvertToSvg(dir, "gray.tif", {"--threshold", "10"}), ConvertToSvg(dir, "gray.tif"));
}

// Levels that take the light tone to white, the dark one to black and the rectangle's tone
// above the threshold give the art of the same drawing without the rectangle.
TEST(GrayColorCli, LevelsCleanTheScanBeforeTracing) {
  TempDir withRect, without;
  ASSERT_TRUE(Draw(withRect, 238, 102));
  ASSERT_TRUE(Draw(without, 255, -1));
  const std::string clean = ConvertToSvg(without, "gray.tif");
  for (const char* input : {"gray.tif", "rgb.tif"}) {
    SCOPED_TRACE(input);
    const std::string plain = ConvertToSvg(withRect, input);
    const std::string levelled = ConvertToSvg(withRect, input, {"--levels", "17,1.00,110"});
    EXPECT_NE(plain, clean);
    EXPECT_EQ(levelled, clean);
  }
  // The dialog's ranges, and the order of the two ends.
  const std::pair<const char*, const char*> refused[] = {
      {"254,1,255", "An integer between 0 and 253 is required. Closest value inserted."},
      {"0,0.09,255", "A value between 0.10 and 9.99 is required. Closest value inserted."},
      {"0,1,256", "An integer between 2 and 255 is required. Closest value inserted."},
      {"100,1,101", "--levels needs WHITE at least BLACK + 2"},
      {"0,1", "--levels expects BLACK,GAMMA,WHITE"},
      {"a,1,255", "--levels BLACK expects a whole number"},
  };
  for (const auto& [value, message] : refused) {
    const RunResult r = RunProgram({"convert", withRect / "gray.tif", "-o", withRect / "x.svg",
                                    "--levels", value});
    EXPECT_EQ(r.status, 2) << value;
    EXPECT_NE(r.err.find(message), std::string::npos) << value << ": " << r.err;
  }
}

}  // namespace
}  // namespace vl::app::test
