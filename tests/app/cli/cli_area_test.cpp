// The command line's area and editing options: --select-rect and --select-wand convert part of
// the image, --smooth-paths and --smooth-direction-points edit the art before it is written,
// and their malformed values are usage errors.
#include <gtest/gtest.h>

#include <cmath>

#include "base/message_table.h"
#include "tests/app/cli/cli_runner.h"

namespace vl::app::test {
namespace {

// Filled paths in an EPS file: each ends with the fill operator on a line of its own.
int PathsIn(const std::string& eps) { return CountOf(eps, "\rf\r"); }

TEST(CliArea, RectangleAndWandConvertThePartChosen) {
  TempDir dir;
  const std::string in = dir / "scan.tif", c = "convert";
  ASSERT_TRUE(WriteBilevelTiff(in, 120, 60, Squares(2, 40)));  // squares at x 10..49, 60..99
  const struct { Args options; int status, paths; } cases[] = {
      {{}, 0, 2},
      {{"--select-rect", "0,0,55,60"}, 0, 1},
      {{"--select-rect", "55,0,200,200"}, 0, 1},  // clipped to the image
      {{"--select-wand", "80,30"}, 0, 1},
      {{"--select-wand", "80,30,0"}, 0, 1},
      {{"--select-wand", "5,5"}, 0, 0},  // white: nothing selected, "No paths found"
      {{"--select-wand", "500,5"}, 1, -1},
      {{"--select-rect", "120,0,5,5"}, 1, -1},
  };
  for (const auto& k : cases) {
    Args args{c, in, "-o", dir / "out.eps", "-q"};
    args.insert(args.end(), k.options.begin(), k.options.end());
    const RunResult r = RunProgram(args);
    SCOPED_TRACE(r.err);
    EXPECT_EQ(r.status, k.status);
    if (k.paths < 0) {
      EXPECT_NE(r.err.find("outside the 120 x 60 image"), std::string::npos);
      continue;
    }
    EXPECT_EQ(PathsIn(ReadFile(dir / "out.eps")), k.paths);
  }
}

TEST(CliArea, SmoothingEditsTheArtBeforeItIsWritten) {
  TempDir dir;
  const std::string in = dir / "blob.tif", c = "convert";
  ASSERT_TRUE(WriteBilevelTiff(in, 400, 300, [](int x, int y) {
    const double a = std::atan2(y - 150.0, x - 200.0);
    return std::hypot(x - 200.0, y - 150.0) < 110 + 15 * std::sin(9 * a);
  }));
  ASSERT_EQ(RunProgram({c, in, "-o", dir / "plain.eps"}).status, 0);
  const RunResult smoothed =
      RunProgram({c, in, "-o", dir / "smooth.eps", "--smooth-paths", "max",
                  "--smooth-direction-points", "min"});
  EXPECT_EQ(smoothed.status, 0);
  const std::string plain = ReadFile(dir / "plain.eps"), smooth = ReadFile(dir / "smooth.eps");
  EXPECT_EQ(PathsIn(smooth), PathsIn(plain));
  // Fewer anchors: fewer lines of path operators.
  EXPECT_LT(CountOf(smooth, "\r"), CountOf(plain, "\r"));
  EXPECT_NE(smoothed.err.find("points were eliminated"), std::string::npos);
  // The levels reach the commands: min keeps more anchors than max, and the direction points'
  // levels give different art.
  const auto art = [&](const Args& options) {
    Args args{c, in, "-o", dir / "level.eps", "-q"};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(RunProgram(args).status, 0);
    const std::string eps = ReadFile(dir / "level.eps");
    return eps.substr(eps.find("%%EndComments"));  // past the creation date
  };
  EXPECT_LT(CountOf(art({"--smooth-paths", "max"}), "\r"),
            CountOf(art({"--smooth-paths", "min"}), "\r"));
  EXPECT_NE(art({"--smooth-direction-points", "min"}), art({"--smooth-direction-points", "max"}));
}

TEST(CliArea, MalformedAreaAndLevelsAreUsageErrors) {
  TempDir dir;
  const std::string in = dir / "scan.tif", c = "convert";
  ASSERT_TRUE(WriteBilevelTiff(in, 120, 60, Squares(2, 40)));
  const Args bad[] = {
      {"--select-rect", "1,2,3"},        {"--select-rect", "1,2,3,4,5"},
      {"--select-rect", "a,b,c,d"},      {"--select-rect", "0,0,0,5"},
      {"--select-rect", "-1,0,5,5"},     {"--select-rect", "0,0,99999999999999999999,5"},
      {"--select-wand", "1"},            {"--select-wand", "1,2,3,4"},
      {"--select-wand", "1,2,256"},      {"--select-wand", "1,2,-1"},
      {"--select-rect", "0,0,5,5", "--select-wand", "1,1"},
      {"--smooth-paths", "wild"},        {"--smooth-direction-points", "3"},
      {"--smooth-paths"},
  };
  for (const Args& options : bad) {
    Args args{c, in, "-o", dir / "out.eps"};
    args.insert(args.end(), options.begin(), options.end());
    const RunResult r = RunProgram(args);
    SCOPED_TRACE(r.err);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(CountOf(r.err, "\n"), 1);
  }
  const RunResult range = RunProgram({c, in, "-o", dir / "out.eps", "--select-wand", "1,2,300"});
  EXPECT_TRUE(range.err.ends_with(std::string(msg::Text(msg::kMagicWandRange)) + "\n"));
  EXPECT_EQ(dir.entries(), Args{"scan.tif"});
}

}  // namespace
}  // namespace vl::app::test
