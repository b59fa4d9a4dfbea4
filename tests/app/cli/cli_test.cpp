// The command line end to end: the sample rendered back by outside interpreters, the writers
// that names and --format choose, settings, Ctrl+C, usage errors (status 2, nothing written),
// and inputs or outputs that fail (status 1, the message printed, no file left).
#include <gtest/gtest.h>

#include <signal.h>

#include "base/message_table.h"
#include "tests/app/cli/cli_runner.h"
#include "tests/support/art_rasterizer.h"
#include "tests/support/external_renderers.h"

namespace vl::app::test {
namespace {

using test_support::GrayImage;
using namespace std::string_literals;

// The main job's sample, rendered by Ghostscript and rsvg, shows the scan's pixels (edges aside).
TEST(CliConvert, MainJobSampleRendersLikeTheScan) {
  if (!test_support::ToolAvailable("gs") || !test_support::ToolAvailable("rsvg-convert"))
    GTEST_SKIP() << "Ghostscript or rsvg-convert is not installed";
  TempDir dir;
  const std::string sample = VL_SOURCE_DIR "/examples/sample.tif", work = dir.path + "/";
  // The scan as the imaging library reads it.
  ASSERT_EQ(std::system(("/usr/bin/python3 -c \"import sys; from PIL import Image; "
                         "Image.open(sys.argv[1]).convert('L').save(sys.argv[2])\" " + sample +
                         " " + work + "s.pgm").c_str()), 0);
  const std::optional<GrayImage> scan = test_support::ReadPgm(work + "s.pgm");
  ASSERT_TRUE(scan.has_value());
  for (const std::string name : {"sample.eps", "sample.svg"}) {
    const RunResult r = RunProgram({"convert", sample, "-o", dir / name});
    ASSERT_EQ(std::to_string(r.status) + r.err, "0");
    // 0.24 points per pixel: one rendered pixel per pixel of the 300 pixels/inch scan.
    const std::optional<GrayImage> shown = name.ends_with(".svg")
        ? test_support::RenderSvgWithRsvg(dir / name, 900, 300, work)
        : test_support::RenderEpsWithGhostscript(dir / name, 900, 300, 0.24, 0.24, work);
    ASSERT_TRUE(shown.has_value()) << name;
    EXPECT_EQ(test_support::MismatchesAwayFromEdges(*scan, *shown, 128, 2), 0)
        << name << test_support::DescribeMismatches(*scan, *shown, 128, 2);
  }
}

TEST(CliConvert, OutputNameAndFormatChooseTheWriter) {
  TempDir dir;
  const std::string in = dir / "scan.tif", eps = "%!PS-Adobe-3.0 EPSF-3.0\r", c = "convert";
  // Three 40-pixel squares, a 30-pixel disc and ten one-pixel specks.
  ASSERT_TRUE(WriteBilevelTiff(in, 340, 60, [](int x, int y) {
    return Squares(3, 40)(x, y) || (x - 200) * (x - 200) + (y - 30) * (y - 30) <= 15 * 15 ||
           (x >= 240 && y == 5 && x % 10 == 0);
  }));
  struct Case {
    std::string name, format, head, contains;  // head: the file's first bytes
  } const cases[] = {
      {"a.eps", "", eps, "%%Title: (a.eps)"}, {"a.gq", "", "%!PS-Adobe-3.0\r", "_GQ5 1.0"},
      {"A.SVG", "", "<?xml", "</svg>"}, {"a.dxf", "", "0\r\nSECTION\r\n", "POLYLINE"},
      {"a.emf", "", "\1\0\0\0"s, " EMF"}, {"b.eps", "gq1", "%!PS-Adobe-2.0 EPSF-1.2\r", "_1.1"},
      {"b.gq", "gq88", "%!PS-Adobe-2.0\r", "Graphiquant88"}, {"c.eps", "gq3", eps, "_GQ3 1.0"},
      {"d.gq", "gq5", "%!PS-Adobe-3.0\r", "_GQ5 1.0"}, {"e.ps", "eps", eps, "%%EOF"},
      {"f.ps", "gq", "%!PS-Adobe-3.0\r", "%%EOF"}, {"g.x", "svg", "<?xml", "</svg>"},
      {"h.x", "dxf", "0\r\nSECTION\r\n", "EOF"}, {"i.x", "emf", "\1\0\0\0"s, " EMF"},
  };
  for (const Case& t : cases) {
    std::vector<std::string> args{c, in, "-o", dir / t.name, "--format", t.format};
    if (t.format.empty()) args.resize(4);
    const RunResult r = RunProgram(args);
    SCOPED_TRACE(t.name + " " + r.err);
    EXPECT_EQ(r.status, 0);
    // DXF has straight lines only, and says so.
    EXPECT_EQ(r.err, t.head[0] == '0' ? ShownLine(msg::Text(msg::kCurvesFlattened)) : "");
    const std::string bytes = ReadFile(dir / t.name);
    EXPECT_EQ(bytes.substr(0, t.head.size()), t.head);
    EXPECT_NE(bytes.find(t.contains), std::string::npos);
  }
  // The disc is curved, the squares are not; the specks are below the default noise level,
  // and the settings given reach the tracer.
  EXPECT_EQ(CountOf(ReadFile(dir / "A.SVG"), "<path "), 4);
  EXPECT_GT(CountOf(ReadFile(dir / "A.SVG"), " C"), 0);
  EXPECT_EQ(RunProgram({c, in, "-o", dir / "n.svg", "--noise=1", "--lines", "straight"}).status, 0);
  EXPECT_EQ(CountOf(ReadFile(dir / "n.svg"), "<path "), 14);
  EXPECT_EQ(CountOf(ReadFile(dir / "n.svg"), " C"), 0);
  // A TIFF preview makes a DOS EPS file.
  EXPECT_EQ(RunProgram({c, in, "-o", dir / "p.eps", "--preview", "tiff-bw"}).status, 0);
  EXPECT_EQ(ReadFile(dir / "p.eps").substr(0, 4), "\xC5\xD0\xD3\xC6");
  // Without -o the art goes beside the input as EPS; a dot in a folder name is no extension,
  // and an input without an extension is read by its signature.
  std::filesystem::create_directory(dir / "v1.2");
  std::filesystem::copy_file(in, dir / "v1.2/scan");
  EXPECT_EQ(RunProgram({c, dir / "v1.2/scan"}).status, 0);
  EXPECT_TRUE(ReadFile(dir / "v1.2/scan.eps").starts_with(eps));
  // An empty page is a success: empty art, and the message unless --quiet.
  ASSERT_TRUE(WriteBilevelTiff(in, 64, 64, [](int, int) { return false; }));
  const RunResult blank = RunProgram({c, in, "-o", dir / "A.SVG"});
  EXPECT_EQ(std::to_string(blank.status) + blank.err,
            "0" + ShownLine(msg::Text(msg::kNoPathsFound)));
  EXPECT_EQ(CountOf(ReadFile(dir / "A.SVG"), "<path "), 0);
  const RunResult quiet = RunProgram({c, in, "-o", dir / "blank.eps", "--quiet"});
  EXPECT_EQ(quiet.err + quiet.out + std::to_string(quiet.status), "0");
  EXPECT_NE(ReadFile(dir / "blank.eps").find("%%EOF"), std::string::npos);
}

// On a terminal the progress line shows; Ctrl+C then stops the conversion through the abort
// flag: status 130, no message, neither an output file nor the scratch folder (made in the
// folder TMPDIR names) left.
TEST(CliConvert, CtrlCWhileConvertingStopsWithoutLeavingFiles) {
  TempDir dir;
  const std::string input = dir / "big.tif";
  ASSERT_TRUE(WriteRings(input));  // the outline loop runs a while
  TerminalChild child({"convert", input, "-o", dir / "big.eps"}, dir.path);
  ASSERT_TRUE(child.waitFor(std::string(msg::Text(msg::kOutliningLabel)))) << child.seen;
  ASSERT_EQ(::kill(child.pid, SIGINT), 0);
  EXPECT_EQ(child.finish(), 130) << child.seen;
  EXPECT_EQ(child.seen.find("Vectorlume: "), std::string::npos) << child.seen;
  EXPECT_EQ(dir.entries(), Args{"big.tif"});
}

TEST(CliConvert, SeparateShapesWritesOneClosedPathPerEnclosedBox) {
  TempDir dir;
  const std::string in = dir / "boxes.tif";
  // Three boxes side by side drawn with 2-pixel lines: x = 10, 50, 90, 130 and y = 10, 50.
  ASSERT_TRUE(WriteBilevelTiff(in, 140, 60, [](int x, int y) {
    const bool onX = x >= 9 && x <= 130 && (x - 9) % 40 < 2, onY = y >= 9 && y <= 50 && (y - 9) % 41 < 2;
    return (onX && y >= 9 && y <= 50) || (onY && x >= 9 && x <= 130);
  }));
  const RunResult r = RunProgram({"convert", in, "-o", dir / "boxes.svg", "--method", "centerline",
                                  "--separate-shapes"});
  ASSERT_EQ(r.status, 0) << r.err;
  // Each box is a closed path (ending in Z), stroked and not filled.
  const std::string svg = ReadFile(dir / "boxes.svg");
  EXPECT_EQ(CountOf(svg, " Z"), 3) << svg;
  EXPECT_EQ(CountOf(svg, "fill=\"none\""), CountOf(svg, "<path")) << svg;
}

TEST(CliErrors, BadCommandLinesAreUsageErrors) {
  TempDir dir;
  const std::string in = dir / "scan.tif", c = "convert";
  ASSERT_TRUE(WriteBilevelTiff(in, 120, 60, Squares(2, 40)));
  const Args o{c, in, "-o", dir / "out.eps"};
  // Each line, and each out-of-range value with the setup dialog's message (the option named
  // as typed) rather than clamped.
  const std::pair<Args, int> lines[] = {
      {{}, 0}, {{"scan.tif"}, 0}, {{"--frobnicate"}, 0}, {{c}, 0}, {{c, in, "extra"}, 0},
      {{c, in, "--bogus"}, 0}, {{c, in, "--tolerance"}, 0}, {{c, in, "--white-lines=yes"}, 0},
      {{c, in, "--tolerance", "3,5"}, 0}, {{c, in, "--method", "outline,"}, 0},
      {{c, in, "--lines", "wavy"}, 0}, {{c, in, "--colors", "8"}, 0},  // needs --color
      {{c, in, "--color", "--reverse"}, 0}, {{c, in, "--fit", "tight"}, 0},
      {{c, in, "-o", dir / "a.svg", "--preview", "header"}, 0},
      {{c, in, "-o", in}, 0},  // would overwrite the input
      {{"--tolerance", "5.1"}, msg::kToleranceRange}, {{"--noise", "0.5"}, msg::kNoiseRange},
      {{"--tolerance", "99999999999"}, msg::kToleranceRange},
      {{"--straight-to-curved", "0.9"}, msg::kStraightToCurvedRange},
      {{"--method", "outline,lines", "--thinning", "21"}, msg::kLineThinningRange},
      {{"--method", "lines", "--uniform-weight", "12.5"}, msg::kUniformWeightRange},
      {{"--threshold", "101"}, msg::kPercentRange},
      {{"--contrast", "5", "--boost", "300"}, msg::kPercentRange},  // more than a byte holds
      {{"--color", "--complexity", "70000"}, msg::kComplexityRange},
      {{"--color", "--colors", "256"}, msg::kMaxColorsRange},
  };
  for (auto [args, message] : lines) {
    if (message != 0) args.insert(args.begin(), o.begin(), o.end());
    const RunResult r = RunProgram(args);
    SCOPED_TRACE(r.err);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.starts_with("vectorlume: "));
    EXPECT_EQ(CountOf(r.err, "\n"), 1);
    if (message == 0) continue;
    EXPECT_TRUE(r.err.ends_with(": " + std::string(msg::Text(message)) + "\n"));
    EXPECT_NE(r.err.find(args[args.size() - 2] + " " + args.back()), std::string::npos);
  }
  // Nothing but the input exists, and the input is as it was.
  EXPECT_EQ(dir.entries(), Args{"scan.tif"});
  EXPECT_EQ(ReadFile(in).substr(0, 2), "MM");
  // The bounds pass, a value that rounds onto a bound passes, and a value that only matters
  // to a method not in use is not checked.
  EXPECT_EQ(RunProgram({c, in, "-o", dir / "a.eps", "--tolerance", "5.04", "--noise", "80",
                        "--threshold", "100", "--straight-to-curved", "5", "--thinning", "99"})
                .status, 0);
  EXPECT_EQ(RunProgram({c, in, "-o", dir / "b.eps", "--tolerance", "1", "--noise", "1"}).status, 0);
  EXPECT_NE(RunProgram({"--help"}).out.find("convert INPUT [-o OUTPUT]"), std::string::npos);
  EXPECT_TRUE(RunProgram({"--version"}).out.starts_with("Vectorlume "));
}

TEST(CliErrors, InputsAndOutputsThatFailExitWithOneAndLeaveNothing) {
  TempDir dir;
  const std::string in = dir / "scan.tif", out = dir / "out.eps", c = "convert";
  ASSERT_TRUE(WriteBilevelTiff(in, 120, 60, Squares(2, 40)));
  const std::string scan = ReadFile(in);
  WriteFile(dir / "notes.txt", "These are not pixels, just a few words of text.\n");
  WriteFile(dir / "cut.tif", scan.substr(0, scan.size() / 2));
  ASSERT_TRUE(WriteGrayTiff(dir / "gray.tif", 40, 40, 128));
  auto line = [](int message) { return std::string(msg::Text(message)) + "\n"; };
  const std::pair<Args, std::string> cases[] = {
      {{c, dir / "missing.tif", "-o", out}, msg::Format(msg::kInputOpenError, 2) + "\n"},
      {{c, dir / "notes.txt", "-o", out}, line(msg::kUnknownInputFormat)},
      {{c, dir / "cut.tif", "-o", out}, line(msg::kTiffIncompleteData)},
      {{c, in, "-o", dir / "no/such/folder/out.eps"}, line(msg::kDiskFullOrLocked)},
  };
  for (const auto& [args, message] : cases) {
    const RunResult r = RunProgram(args);
    SCOPED_TRACE(args[1] + " " + r.err);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.starts_with("Vectorlume: ") && r.err.ends_with(message));
    EXPECT_EQ(CountOf(r.err, "\n"), 1);
  }
  EXPECT_EQ(dir.entries(), (Args{"cut.tif", "gray.tif", "notes.txt", "scan.tif"}));
  // A file that is there stays as it was when nothing could be converted.
  WriteFile(out, "previous art");
  EXPECT_EQ(RunProgram({c, dir / "cut.tif", "-o", out, "--quiet"}).status, 1);
  EXPECT_EQ(ReadFile(out), "previous art");
  // Line recognition is built, alone and with the other methods: its art replaces the file.
  for (const char* methods : {"lines", "outline,lines", "centerline,lines"}) {
    WriteFile(out, "previous art");
    EXPECT_EQ(RunProgram({c, in, "-o", out, "--method", methods, "--quiet"}).status, 0) << methods;
    EXPECT_NE(ReadFile(out), "previous art") << methods;
  }
}

}  // namespace
}  // namespace vl::app::test
