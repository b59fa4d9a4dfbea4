// The command line end to end: conversions that succeed, the formats the output name and
// --format choose, and settings that really reach the tracer.
#include <gtest/gtest.h>

#include "app/message_table.h"

#include "tests/app/app_fixtures.h"
#include "tests/app/cli/cli_runner.h"

namespace vl::app::test {
namespace {

// Three 40-pixel squares and a 30-pixel disc: four shapes.
bool Drawing(int x, int y) {
  const int dx = x - 200, dy = y - 30;
  return Squares(3, 40)(x, y) || dx * dx + dy * dy <= 15 * 15;
}

struct Converted {
  TempDir dir;
  std::string input = dir / "scan.tif";
  Converted() { EXPECT_TRUE(WriteBilevelTiff(input, 240, 60, Drawing)); }
};

TEST(CliConvert, OutputNameChoosesTheFormat) {
  Converted c;
  for (const char* name : {"art.eps", "art.gq", "art.svg", "ART.SVG"}) {
    const RunResult r = RunProgram({"convert", c.input, "-o", c.dir / name});
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_EQ(r.err, "") << name;
  }
  const std::string eps = ReadFile(c.dir / "art.eps");
  const std::string gq = ReadFile(c.dir / "art.gq");
  const std::string svg = ReadFile(c.dir / "art.svg");
  EXPECT_EQ(eps.rfind("%!PS-Adobe-3.0 EPSF-3.0\r", 0), 0u);
  EXPECT_NE(eps.find("%%Title: (art.eps)"), std::string::npos);  // titled after the file
  EXPECT_EQ(gq.rfind("%!PS-Adobe-3.0\r", 0), 0u);  // a plain GQ file: no EPS line
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_EQ(CountOf(svg, "<path "), 4);
  EXPECT_EQ(CountOf(ReadFile(c.dir / "ART.SVG"), "<path "), 4);
  // The disc is curved, the squares are not.
  EXPECT_GT(CountOf(svg, " C"), 0);

  // DXF and EMF through the same save driver. DXF has straight lines only, and says so.
  const RunResult dxf = RunProgram({"convert", c.input, "-o", c.dir / "art.dxf"});
  EXPECT_EQ(dxf.status, 0);
  EXPECT_EQ(dxf.err, ShownLine(msg::Text(msg::kCurvesFlattened)));
  EXPECT_EQ(ReadFile(c.dir / "art.dxf").rfind("0\r\nSECTION\r\n", 0), 0u);
  EXPECT_EQ(RunProgram({"convert", c.input, "-o", c.dir / "art.emf"}).status, 0);
  EXPECT_EQ(ReadFile(c.dir / "art.emf").substr(40, 4), " EMF");
}

TEST(CliConvert, WithoutOutputTheArtGoesBesideTheInput) {
  TempDir dir;
  std::filesystem::create_directory(dir / "v1.2");
  const std::string noExtension = dir / "v1.2/scan";
  const std::string tif = dir / "v1.2/drawing.tif";
  ASSERT_TRUE(WriteBilevelTiff(noExtension, 240, 60, Drawing));
  ASSERT_TRUE(WriteBilevelTiff(tif, 240, 60, Drawing));

  EXPECT_EQ(RunProgram({"convert", tif}).status, 0);
  EXPECT_EQ(RunProgram({"convert", noExtension}).status, 0);  // read by its signature
  EXPECT_EQ(RunProgram({"convert", tif, "--format", "svg"}).status, 0);
  EXPECT_EQ(RunProgram({"convert", tif, "--format", "gq3"}).status, 0);  // no name: EPS
  // A dot in a folder name is no extension.
  EXPECT_TRUE(std::filesystem::exists(dir / "v1.2/scan.eps"));
  EXPECT_TRUE(std::filesystem::exists(dir / "v1.2/drawing.eps"));
  EXPECT_TRUE(std::filesystem::exists(dir / "v1.2/drawing.svg"));
  EXPECT_FALSE(std::filesystem::exists(dir / "v1.eps"));
  EXPECT_NE(ReadFile(dir / "v1.2/drawing.eps").find("Morvo_Graphiquant_GQ3"), std::string::npos);
}

TEST(CliConvert, FormatAndPreviewNameTheGenerationAndTheHeader) {
  Converted c;
  ASSERT_EQ(RunProgram({"convert", c.input, "-o", c.dir / "a.eps", "--format", "gq1"}).status, 0);
  ASSERT_EQ(RunProgram({"convert", c.input, "-o", c.dir / "b.gq", "--format", "gq88"}).status, 0);
  ASSERT_EQ(RunProgram({"convert", c.input, "-o", c.dir / "c.eps", "--preview", "none"}).status, 0);
  ASSERT_EQ(RunProgram({"convert", c.input, "-o", c.dir / "d.ps", "--format", "eps"}).status, 0);
  ASSERT_EQ(RunProgram({"convert", c.input, "-o", c.dir / "e.gq", "--preview", "mac-pic"}).status, 0);

  const std::string a = ReadFile(c.dir / "a.eps"), b = ReadFile(c.dir / "b.gq");
  EXPECT_EQ(a.rfind("%!PS-Adobe-2.0 EPSF-1.2\r", 0), 0u);
  EXPECT_NE(a.find("Morvo_Graphiquant_1.1"), std::string::npos);
  EXPECT_EQ(b.rfind("%!PS-Adobe-2.0\r", 0), 0u);
  EXPECT_NE(b.find("Morvo_Graphiquant88"), std::string::npos);
  EXPECT_EQ(ReadFile(c.dir / "c.eps").rfind("%!PS-Adobe-3.0\r", 0), 0u);
  EXPECT_EQ(ReadFile(c.dir / "d.ps").rfind("%!PS-Adobe-3.0 EPSF-3.0\r", 0), 0u);
  EXPECT_NE(ReadFile(c.dir / "e.gq").find("Macintosh_Pic"), std::string::npos);
}

TEST(CliConvert, SettingsReachTheTracer) {
  TempDir dir;
  // Three 40-pixel squares and ten one-pixel specks.
  const std::string input = dir / "mixed.tif";
  ASSERT_TRUE(WriteBilevelTiff(input, 300, 60, [](int x, int y) {
    return Squares(3, 40)(x, y) || (x >= 200 && y == 12 && (x - 200) % 10 == 0);
  }));
  auto paths = [&](std::vector<std::string> options) {
    std::vector<std::string> args{"convert", input, "-o", dir / "out.svg"};
    args.insert(args.end(), options.begin(), options.end());
    const RunResult r = RunProgram(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return CountOf(ReadFile(dir / "out.svg"), "<path ");
  };
  const int small = paths({"--noise", "1"});
  EXPECT_GT(small, 3);
  EXPECT_EQ(paths({}), 3);  // the default 8 pixels drops the small squares
  EXPECT_EQ(paths({"--noise=30"}), 3);
  // Reversed, the page becomes one more shape, and every shape a hole in it.
  EXPECT_EQ(paths({"--reverse", "--noise", "1"}), small + 1);

  // Straight lines only: a disc comes out without curve segments.
  const std::string disc = dir / "disc.tif";
  ASSERT_TRUE(WriteBilevelTiff(disc, 80, 80, [](int x, int y) {
    return (x - 40) * (x - 40) + (y - 40) * (y - 40) <= 30 * 30;
  }));
  ASSERT_EQ(RunProgram({"convert", disc, "-o", dir / "curved.svg"}).status, 0);
  ASSERT_EQ(RunProgram({"convert", disc, "-o", dir / "straight.svg", "--lines", "straight"}).status, 0);
  EXPECT_GT(CountOf(ReadFile(dir / "curved.svg"), " C"), 0);
  EXPECT_EQ(CountOf(ReadFile(dir / "straight.svg"), " C"), 0);
  EXPECT_GT(CountOf(ReadFile(dir / "straight.svg"), " L"), 8);
}

TEST(CliConvert, AnEmptyImageWritesEmptyArtAndSaysSo) {
  TempDir dir;
  const std::string input = dir / "blank.tif";
  ASSERT_TRUE(WriteBilevelTiff(input, 64, 64, [](int, int) { return false; }));

  const RunResult r = RunProgram({"convert", input, "-o", dir / "blank.svg"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "Vectorlume: No paths found\n");
  const std::string svg = ReadFile(dir / "blank.svg");
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
  EXPECT_EQ(CountOf(svg, "<path "), 0);

  const RunResult quiet = RunProgram({"convert", input, "-o", dir / "blank.eps", "--quiet"});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(quiet.out, "");
  EXPECT_NE(ReadFile(dir / "blank.eps").find("%%EOF"), std::string::npos);
}

TEST(CliConvert, AnExistingOutputIsReplacedAndKeepsItsPermissions) {
  Converted c;
  const std::string out = c.dir / "art.eps";
  WriteFile(out, "old");
  std::filesystem::permissions(out, std::filesystem::perms(0640));
  // A link to the output is followed, not replaced.
  std::filesystem::create_symlink(out, c.dir / "link.eps");
  ASSERT_EQ(RunProgram({"convert", c.input, "-o", c.dir / "link.eps"}).status, 0);
  EXPECT_TRUE(std::filesystem::is_symlink(c.dir / "link.eps"));
  EXPECT_EQ(ReadFile(out).rfind("%!PS-Adobe", 0), 0u);
  EXPECT_EQ(std::filesystem::status(out).permissions(), std::filesystem::perms(0640));
  // Nothing but the input, the output and the link is left in the folder.
  EXPECT_EQ(c.dir.entries(), (std::vector<std::string>{"art.eps", "link.eps", "scan.tif"}));
}

}  // namespace
}  // namespace vl::app::test
