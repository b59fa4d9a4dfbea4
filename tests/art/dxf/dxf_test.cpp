// DXF files: the whole text of a small drawing, limits, numbers, flattened curves and their
// warning, a stop; and ezdxf (the system Python's) reading and auditing what we write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "art/dxf_writer.h"
#include "tests/art/writer_test_env.h"
#include "tests/support/stop_on_drain_ui.h"

namespace vl::art::test {
namespace {

struct DxfEnv : SaveEnv {
  // 160 x 72 pixels at 72 pixels per inch, artScale 128: 36 pixels are half an inch.
  DxfEnv() {
    std::tie(image.paddedWidth, image.height, options.format) = std::tuple(160, 72, kFormatDxf);
    image.artScale = art.pen.artScale = 128.0;
  }
  // The lines of the art saved through the save driver.
  Lines write() {
    const std::string path = folder.path + "art.dxf";
    return save(path) ? SplitLines(ReadWholeFile(path), "\r\n") : Lines{"save failed"};
  }
  void strokeOnly() { art.paths[art.count - 1].flags |= kUnfilled; }
};

// Lines given as one text, blank-separated (no token of these files holds a blank).
Lines Tokens(const std::string& text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// A file's tokens up to its entities, for limits of x by y inches.
std::string Head(const std::string& x, const std::string& y) {
  return "0 SECTION 2 HEADER 9 $LIMMIN 10 0 20 0 9 $LIMMAX 10 " + x + " 20 " + y +
         " 0 ENDSEC 0 SECTION 2 TABLES 0 TABLE 2 LAYER 70 2 0 LAYER 2 0 0 LAYER 2 1 0 ENDTAB "
         "0 ENDSEC 0 SECTION 2 BLOCKS 0 ENDSEC 0 SECTION 2 ENTITIES ";
}

TEST(DxfWriter, WholeFilesInInchesTruncatedToThousandthsWithoutWrapping) {
  DxfEnv env;
  EXPECT_EQ(env.write(), Tokens(Head("2.222", "1") + "0 ENDSEC 0 EOF"));  // 160 / 72, 72 / 72
  env.linePath({{18, 18}, {54, 18}, {54, 54}, {18, 54}, {18, 18}});  // black: five vertices
  env.paint(PaintType::None, PaintType::Black, kBlackColor, 1.0);  // a 1-point stroke, no fill
  env.linePath({{90, 0}, {144, 72}});
  env.strokeOnly();
  // A white-filled curve of 5 art units: its midpoint (art x 12802) stands for it.
  env.paint(PaintType::White, PaintType::None, kWhiteColor);
  env.begin({100, 36});
  env.curveTo({100.0078125, 36}, {100.03125, 36}, {100.0390625, 36});
  env.linePath({{36, 36}});                        // a lone anchor
  env.art.paths[env.art.count - 1].usedWords = 0;  // now empty: skipped
  EXPECT_EQ(env.write(), Tokens(Head("2.222", "1") +
      "0 POLYLINE 8 0 66 1 0 VERTEX 8 0 10 .25 20 .75 0 VERTEX 8 0 10 .75 20 .75 "
      "0 VERTEX 8 0 10 .75 20 .25 0 VERTEX 8 0 10 .25 20 .25 0 VERTEX 8 0 10 .25 20 .75 "
      "0 SEQEND 8 0 0 POLYLINE 8 0 66 1 40 .013 41 .013 "  // 1/72 inch wide
      "0 VERTEX 8 0 10 1.25 20 1 0 VERTEX 8 0 10 2 20 0 0 SEQEND 8 0 0 POLYLINE 8 1 66 1 "
      "0 VERTEX 8 1 10 1.388 20 .5 0 VERTEX 8 1 10 1.389 20 .5 0 VERTEX 8 1 10 1.389 20 .5 "
      "0 SEQEND 8 1 0 ENDSEC 0 EOF"));
  EXPECT_EQ(env.ui.messages(), Only(msg::kCurvesFlattened));

  DxfEnv scan;  // a 2550-pixel page padded to 2560 at 300 pixels per inch
  std::tie(scan.image.paddedWidth, scan.image.height) = std::tuple(2560, 3300);
  scan.image.xResolution = scan.image.yResolution = 300.0;
  EXPECT_EQ(scan.write(), Tokens(Head("8.533", "11") + "0 ENDSEC 0 EOF"));  // 8.5333
  // Past 32.767 inches, where a 16-bit count of thousandths would wrap.
  DxfEnv large;
  std::tie(large.image.paddedWidth, large.image.height) = std::tuple(3008, 2880);  // 41.78 x 40
  large.image.artScale = large.art.pen.artScale = 8.0;
  large.linePath({{2880, 0}, {2359.375, 0}, {0, 2880}});  // 40 in, art 18875 = 32.769 in, 0
  EXPECT_EQ(large.write(), Tokens(Head("41.777", "40") + "0 POLYLINE 8 0 66 1 "
      "0 VERTEX 8 0 10 40 20 40 0 VERTEX 8 0 10 32.769 20 40 0 VERTEX 8 0 10 0 20 0 "
      "0 SEQEND 8 0 0 ENDSEC 0 EOF"));
  EXPECT_EQ(DxfThousandths(57, 100), 570);  // 0.57 x 1000 is 569.99... in floating point
  EXPECT_EQ(FormatDxfReal(-10010), "-10.01");
}

TEST(DxfSave, TheDriverWarnsAboutFlattenedCurvesWhenItShouldAndAStopEndsTheFile) {
  using namespace settings;
  struct Case { std::int16_t linesMode; bool unattended, batch, curves, warns; } cases[] = {
      {kCurvedAndStraight, false, false, true, true}, {kCurvedOnly, false, false, true, false},
      {kStraightOnly, false, false, true, false}, {kCurvedAndStraight, true, false, true, false},
      {kCurvedAndStraight, false, true, true, false}, {kCurvedAndStraight, 0, 0, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.linesMode << c.unattended << c.batch << c.curves);
    DxfEnv env;
    env.begin({10, 10});
    c.curves ? void(env.curveTo({20, 0}, {30, 0}, {40, 10})) : void(env.lineTo({40, 10}));
    std::tie(env.options.unattended, env.options.linesMode, env.app.batchRunning) =
        std::tuple(c.unattended, c.linesMode, c.batch);
    ASSERT_NE(env.write(), Lines{"save failed"});
    EXPECT_EQ(env.ui.messages(), c.warns ? Only(msg::kCurvesFlattened) : Lines{});
    EXPECT_EQ(env.modified, c.unattended);  // an unattended save leaves the art's state alone
  }
  // A stop in the middle still ends the file, and says nothing.
  DxfEnv env;
  for (int i = 0; i < 60; ++i) env.begin({10, 10}), env.curveTo({20, 0}, {30, 0}, {40, 10});
  test_support::StopOnDrainUi ui(11);  // Stop seen by the poll before the 11th path
  base::Runtime stopping{ui, env.memory, env.state, env.app, env.folder.path};
  EXPECT_FALSE(env.save(env.folder.path + "stopped.dxf", &stopping));
  EXPECT_TRUE(ui.messages().empty());  // neither an error nor the curve warning
  EXPECT_EQ(env.state.abortRequested, 1);
  EXPECT_GT(ui.progressUpdates(), 0);  // 60 paths are enough to show progress
  const std::string file = ReadWholeFile(env.folder.path + "stopped.dxf");
  EXPECT_TRUE(file.ends_with("\r\n0\r\nENDSEC\r\n0\r\nEOF\r\n"));
  const Lines lines = SplitLines(file, "\r\n");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "POLYLINE"), 10);
}

// Prints the audit's findings, then per polyline its layer, widths and vertices in thousandths.
constexpr const char* kReadScript = R"(import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
for problem in auditor.errors + auditor.fixes:
    print("problem", problem.message)
k = lambda v: str(round(v * 1000))
for e in doc.modelspace():
    print(e.dxftype(), e.dxf.layer, k(e.dxf.get("default_start_width", -1)),
          k(e.dxf.get("default_end_width", -1)),
          *[k(v.dxf.location.x) + " " + k(v.dxf.location.y) for v in e.vertices])
)";

TEST(DxfEzdxf, EzdxfReadsTheFileAndFindsTheArtInInchesOnItsLayers) {
  if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "ezdxf is not installed for /usr/bin/python3 (Debian package python3-ezdxf)";
  using enum PaintType;
  // The layer is "0" when the colour that shows has black ink; stroke-only paths have widths.
  struct Path { std::vector<Pixel> points; PaintType fill, stroke; std::uint32_t color;
                double strokePoints; const char* layerAndWidths; } paths[] = {
      {{{10, 10}, {150, 10}, {150, 60}, {10, 60}, {10, 10}}, Black, None, kBlackColor, 1,
       "0 -1000 -1000"},
      {{{30, 35}, {80, 15}, {80, 55}, {30, 35}}, White, Black, kWhiteColor, 1, "1 -1000 -1000"},
      {{{100, 20}, {140, 20}, {120, 51}}, None, Black, kBlackColor, 2.5, "0 34 34"},  // .0347 in
      {{{5, 5}, {20, 5}}, Process, None, 0x01FFFFFF, 1, "0 -1000 -1000"},  // the least black ink
      {{{5, 65}, {20, 65}}, None, None, 0x00FFFFFF, 1, "1 -1000 -1000"},  // unpainted: written
      {{{30, 65}, {50, 70}}, None, White, kWhiteColor, 0, "1 0 0"}};
  DxfEnv env;
  std::tie(env.image.xResolution, env.image.yResolution) = std::tuple(300, 600);  // unequal
  std::string expected;
  for (const Path& path : paths) {
    expected += std::string("POLYLINE ") + path.layerAndWidths;
    for (auto [x, y] : path.points)  // truncated to thousandths of an inch
      expected += " " + std::to_string(long(x * 1000 / 300)) + " " +
                  std::to_string(long((72 - y) * 1000 / 600));
    expected += "\n";
    env.paint(path.fill, path.stroke, path.color, path.strokePoints);
    env.begin(path.points.front());
    for (std::size_t i = 1; i < path.points.size(); ++i) env.lineTo(path.points[i]);
    if (path.fill == None && path.stroke != None) env.strokeOnly();
  }
  env.write();
  const std::string script = env.folder.path + "read.py", output = env.folder.path + "ezdxf.txt";
  std::ofstream(script) << kReadScript;
  const std::string command = "/usr/bin/python3 '" + script + "' '" + env.folder.path +
                              "art.dxf' > '" + output + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadWholeFile(output);
  EXPECT_EQ(ReadWholeFile(output), expected);
}

}  // namespace
}  // namespace vl::art::test
