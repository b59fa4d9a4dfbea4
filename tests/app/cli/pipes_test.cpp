// Standard input and output end to end, and 1-bit PNG, netpbm and BMP files through the whole
// conversion: the same picture in every format traces to the same art as its TIFF, whether it
// comes from a file or a pipe and whether the art goes to a file or to standard output.
#include <gtest/gtest.h>

#include "base/message_table.h"
#include "tests/app/cli/cli_runner.h"

namespace vl::app::test {
namespace {

// The program with standard input read from `input` (a file).
RunResult RunWithInput(const Args& args, const std::string& input) {
  TempDir io;
  const std::string redirect = " <'" + input + "' >" + (io / "out") + " 2>" + (io / "err");
  const int raw = std::system((CommandLine(args, "") + redirect).c_str());
  return {ExitStatus(raw), ReadFile(io / "out"), ReadFile(io / "err")};
}

// A disc, two bars and specks on a page whose width is no multiple of 8.
bool Ink(int x, int y) {
  return (x - 60) * (x - 60) + (y - 40) * (y - 40) <= 30 * 30 || (x >= 110 && x < 125) ||
         (y >= 70 && y < 74 && x > 5) || (x % 23 == 0 && y == 3);
}
constexpr int kWidth = 157, kHeight = 83;

// The picture as a raw PBM, and through netpbm as a 1-bit PNG, BMP and PAM.
void WritePictures(const TempDir& dir) {
  std::string pbm = "P4\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n";
  for (int y = 0; y < kHeight; ++y) {
    std::string row((kWidth + 7) / 8, '\0');
    for (int x = 0; x < kWidth; ++x)
      if (Ink(x, y)) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
    pbm += row;
  }
  WriteFile(dir / "scan.pbm", pbm);
  const std::string in = " <'" + (dir / "scan.pbm") + "' >'" + dir.path + "/scan.";
  ASSERT_EQ(std::system(("pnmtopng" + in + "png'").c_str()), 0);
  ASSERT_EQ(std::system(("ppmtobmp" + in + "bmp' 2>/dev/null").c_str()), 0);
  ASSERT_EQ(std::system(("pamtopam" + in + "pam'").c_str()), 0);
  ASSERT_TRUE(WriteBilevelTiff(dir / "scan.tif", kWidth, kHeight, Ink));
}

TEST(CliPipes, OneBitFilesOfEveryFormatTraceToTheArtOfTheirTiff) {
  TempDir dir, art;
  WritePictures(dir);
  ASSERT_EQ(RunProgram({"convert", dir / "scan.tif", "-o", art / "scan.svg"}).status, 0);
  const std::string want = ReadFile(art / "scan.svg");
  ASSERT_NE(want.find("<path"), std::string::npos);
  for (const std::string format : {"pbm", "png", "bmp", "pam"}) {
    SCOPED_TRACE(format);
    TempDir out;
    const RunResult r = RunProgram({"convert", dir / ("scan." + format), "-o", out / "scan.svg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(out / "scan.svg"), want);
    // From standard input, by signature; the art's title is the output's name.
    TempDir piped;
    EXPECT_EQ(RunWithInput({"convert", "-", "-o", piped / "scan.svg"}, dir / ("scan." + format)).status, 0);
    EXPECT_EQ(ReadFile(piped / "scan.svg"), want);
    // To standard output: the same bytes, titled after the input; nothing left beside it.
    const RunResult toOut = RunProgram({"convert", dir / ("scan." + format), "-o", "-", "--format", "svg"});
    EXPECT_EQ(toOut.status, 0) << toOut.err;
    EXPECT_EQ(toOut.out, want);
    EXPECT_EQ(toOut.err, "");
  }
  EXPECT_EQ(dir.entries(), (Args{"scan.bmp", "scan.pam", "scan.pbm", "scan.png", "scan.tif"}));
}

TEST(CliPipes, StandardInputAndOutputChooseTheirFormatsAsTold) {
  TempDir dir;
  WritePictures(dir);
  const std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\r";
  // No -o with standard input: EPS on standard output, titled after the input stream.
  const RunResult plain = RunWithInput({"convert", "-"}, dir / "scan.png");
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_TRUE(plain.out.starts_with(eps));
  EXPECT_NE(plain.out.find("%%Title: (stdin.eps)"), std::string::npos);
  // --stdout takes --format, in a shell pipeline.
  const std::string piped = dir / "piped.svg";
  const std::string line = "cat '" + (dir / "scan.bmp") + "' | " +
                           CommandLine({"convert", "-", "--stdout", "--format", "svg"}, "") +
                           " | cat >'" + piped + "'";
  ASSERT_EQ(std::system(line.c_str()), 0);
  EXPECT_TRUE(ReadFile(piped).starts_with("<?xml"));
  EXPECT_NE(ReadFile(piped).find("</svg>"), std::string::npos);
  const RunResult dxf = RunProgram({"convert", dir / "scan.pbm", "--stdout", "--format", "dxf"});
  EXPECT_EQ(dxf.status, 0) << dxf.err;
  EXPECT_TRUE(dxf.out.starts_with("0\r\nSECTION\r\n"));
  const RunResult gq = RunProgram({"convert", dir / "scan.pbm", "-o", "-", "--format", "gq"});
  EXPECT_TRUE(gq.out.starts_with("%!PS-Adobe-3.0\r"));
  EXPECT_EQ(dir.entries(), (Args{"piped.svg", "scan.bmp", "scan.pam", "scan.pbm", "scan.png", "scan.tif"}));
}

TEST(CliPipes, FailuresGoToStandardErrorWithTheFileStatusesAndNothingToStandardOutput) {
  TempDir dir;
  WritePictures(dir);
  const std::string png = ReadFile(dir / "scan.png");
  WriteFile(dir / "cut.png", png.substr(0, png.size() / 2));
  WriteFile(dir / "notes.txt", "These are not pixels, just a few words of text.\n");
  WriteFile(dir / "empty", "");
  auto line = [](int message) { return std::string(msg::Text(message)) + "\n"; };
  const struct Case {
    Args args;
    std::string input;
    int status;
    std::string ends;  // the end of standard error
  } cases[] = {
      {{"convert", "-", "-o", "-"}, dir / "notes.txt", 1, line(msg::kUnknownInputFormat)},
      {{"convert", "-", "--stdout"}, dir / "cut.png", 1, line(msg::kPngDamaged)},
      {{"convert", "-"}, dir / "empty", 1, line(msg::kUnknownInputFormat)},
      {{"convert", dir / "scan.pbm", "--stdout", "-o", dir / "a.svg"}, "/dev/null", 2,
       "--stdout and -o FILE exclude each other\n"},
  };
  for (const Case& c : cases) {
    const RunResult r = RunWithInput(c.args, c.input);
    SCOPED_TRACE(c.input + " " + r.err);
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(r.err.ends_with(c.ends));
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(dir.entries(), (Args{"cut.png", "empty", "notes.txt", "scan.bmp", "scan.pam",
                                 "scan.pbm", "scan.png", "scan.tif"}));
}

}  // namespace
}  // namespace vl::app::test
