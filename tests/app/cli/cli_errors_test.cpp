// The command line's refusals: usage errors (status 2, nothing read or written), inputs that
// cannot be read or converted and art that cannot be written (status 1, the message printed,
// no file left), and the help and version texts.
#include <gtest/gtest.h>

#include "app/message_table.h"
#include "tests/app/app_fixtures.h"
#include "tests/app/cli/cli_runner.h"

namespace vl::app::test {
namespace {

struct Folder {
  TempDir dir;
  std::string input = dir / "scan.tif";
  std::string output = dir / "out.eps";
  Folder() { EXPECT_TRUE(WriteBilevelTiff(input, 120, 60, Squares(2, 40))); }
  RunResult convert(std::vector<std::string> options) {
    std::vector<std::string> args{"convert", input, "-o", output};
    args.insert(args.end(), options.begin(), options.end());
    return RunProgram(args);
  }
  bool outputWritten() const { return std::filesystem::exists(output); }
};

std::string Line(int message) { return ShownLine(msg::Text(message)); }

TEST(CliErrors, BadCommandLinesAreUsageErrors) {
  Folder f;
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"scan.tif"},
      {"--frobnicate"},
      {"convert"},
      {"convert", f.input, "extra"},
      {"convert", f.input, "--bogus"},
      {"convert", f.input, "--tolerance"},
      {"convert", f.input, "--white-lines=yes"},
      {"convert", f.input, "--tolerance", "three"},
      {"convert", f.input, "--tolerance", "3,5"},
      {"convert", f.input, "--colors", "2.5", "--color"},
      {"convert", f.input, "--method", "outline,"},
      {"convert", f.input, "--method", "contour"},
      {"convert", f.input, "--lines", "wavy"},
      {"convert", f.input, "--noise-reduction", "lots"},
      {"convert", f.input, "--colors", "8"},            // needs --color
      {"convert", f.input, "--color", "--threshold", "40"},
      {"convert", f.input, "--boost", "20"},            // needs --contrast
      {"convert", f.input, "--threshold", "40", "--contrast", "5"},
      {"convert", f.input, "--color", "--method", "outline,centerline"},
      {"convert", f.input, "--color", "--reverse"},
      {"convert", f.input, "--color", "--uniform-weight", "2"},
      {"convert", f.input, "-o", f.dir / "out.pdf"},
      {"convert", f.input, "-o", f.dir / "out.svg", "--preview", "header"},
      {"convert", f.input, "--format", "pdf"},
      {"convert", f.input, "--preview", "sepia"},
      {"convert", f.input, "-o", f.input},  // would overwrite the input
  };
  for (const std::vector<std::string>& args : lines) {
    std::string shown;
    for (const std::string& a : args) shown += a + " ";
    const RunResult r = RunProgram(args);
    EXPECT_EQ(r.status, 2) << shown;
    EXPECT_EQ(r.err.rfind("vectorlume: ", 0), 0u) << shown << r.err;
    EXPECT_EQ(CountOf(r.err, "\n"), 1) << shown << r.err;
  }
  // Nothing but the input exists, and the input is as it was.
  EXPECT_EQ(f.dir.entries(), std::vector<std::string>{"scan.tif"});
  EXPECT_EQ(ReadFile(f.input).substr(0, 2), "MM");
}

TEST(CliErrors, OutOfRangeValuesPrintTheDialogsMessageInsteadOfClamping) {
  Folder f;
  struct Case {
    std::vector<std::string> options;
    int message;
  };
  const Case cases[] = {
      {{"--tolerance", "7"}, msg::kToleranceRange},
      {{"--tolerance", "5.1"}, msg::kToleranceRange},
      {{"--tolerance", "-2"}, msg::kToleranceRange},
      {{"--tolerance", "99999999999"}, msg::kToleranceRange},
      {{"--noise", "0.5"}, msg::kNoiseRange},
      {{"--straight-to-curved", "0.9"}, msg::kStraightToCurvedRange},
      {{"--method", "outline,lines", "--thinning", "21"}, msg::kLineThinningRange},
      {{"--method", "lines", "--uniform-weight", "12.5"}, msg::kUniformWeightRange},
      {{"--threshold", "101"}, msg::kPercentRange},
      {{"--contrast", "-1"}, msg::kPercentRange},
      {{"--contrast", "5", "--boost", "300"}, msg::kPercentRange},   // more than a byte holds
      {{"--color", "--complexity", "1"}, msg::kComplexityRange},
      {{"--color", "--complexity", "70000"}, msg::kComplexityRange},
      {{"--color", "--colors", "1"}, msg::kMaxColorsRange},
      {{"--color", "--colors", "256"}, msg::kMaxColorsRange},       // a byte holds 255 at most
  };
  for (const Case& c : cases) {
    const RunResult r = f.convert(c.options);
    EXPECT_EQ(r.status, 2) << c.options[1];
    std::string expected = ": ";
    expected += msg::Text(c.message);
    EXPECT_NE(r.err.find(expected + "\n"), std::string::npos)
        << r.err;
    // The option as typed is named.
    EXPECT_NE(r.err.find(c.options[c.options.size() - 2] + " " + c.options.back()),
              std::string::npos)
        << r.err;
  }
  EXPECT_FALSE(f.outputWritten());

  // The bounds themselves pass, and a value that rounds onto a bound passes as the dialog's.
  EXPECT_EQ(f.convert({"--tolerance", "5.04", "--noise", "80", "--threshold", "100"}).status, 0);
  EXPECT_EQ(f.convert({"--tolerance", "1", "--noise", "1", "--straight-to-curved", "5"}).status, 0);
  // A value that only matters to a method not in use is not checked, as in the dialog.
  EXPECT_EQ(f.convert({"--thinning", "99"}).status, 0);
}

TEST(CliErrors, UnreadableInputsAndRefusedConversionsExitWithOne) {
  Folder f;
  RunResult r = RunProgram({"convert", f.dir / "missing.tif", "-o", f.output});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, ShownLine(msg::Format(msg::kInputOpenError, 2)));

  WriteFile(f.dir / "notes.txt", "These are not pixels, just a few words of text.\n");
  r = RunProgram({"convert", f.dir / "notes.txt", "-o", f.output});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, Line(msg::kUnknownInputFormat));

  // Stages this build lacks refuse clearly before anything is written.
  ASSERT_TRUE(WriteGrayTiff(f.dir / "gray.tif", 40, 40, 128));
  r = RunProgram({"convert", f.dir / "gray.tif", "-o", f.output});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is not available in this build."), std::string::npos) << r.err;
  for (const char* method : {"centerline", "lines"}) {
    r = f.convert({"--method", method});
    EXPECT_EQ(r.status, 1) << method;
    EXPECT_NE(r.err.find("is not available in this build."), std::string::npos) << r.err;
  }
  EXPECT_FALSE(f.outputWritten());

  // A file that is there stays as it was when nothing could be converted.
  WriteFile(f.output, "previous art");
  EXPECT_EQ(f.convert({"--method", "centerline", "--quiet"}).status, 1);
  EXPECT_EQ(ReadFile(f.output), "previous art");
}

TEST(CliErrors, ArtThatCannotBeWrittenExitsWithOneAndLeavesNothing) {
  Folder f;
  RunResult r = RunProgram({"convert", f.input, "-o", f.dir / "no/such/folder/out.eps"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, Line(msg::kDiskFullOrLocked));

  EXPECT_EQ(f.dir.entries(), std::vector<std::string>{"scan.tif"});

  // A bilevel image's TIFF preview is drawn: the file starts with the DOS EPS signature.
  r = f.convert({"--preview", "tiff-bw"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(f.output).substr(0, 4), std::string("\xC5\xD0\xD3\xC6"));
}

TEST(CliErrors, HelpDocumentsEveryOptionAndVersionAnswers) {
  const RunResult help = RunProgram({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* option :
       {"convert INPUT", "-o, --output", "--format", "--preview", "--method", "--tolerance",
        "--noise", "--thinning", "--lines", "--straight-to-curved", "--uniform-weight",
        "--no-uniform-weight", "--white-lines", "--reverse", "--separate-shapes", "--threshold",
        "--contrast", "--boost", "--color", "--colors", "--complexity", "--noise-reduction",
        "--reduce-detail", "--quiet", "--help", "--version", "130"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(RunProgram({"convert", "--help"}).out, help.out);
  EXPECT_EQ(RunProgram({"-h"}).out, help.out);

  const RunResult version = RunProgram({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("Vectorlume ", 0), 0u);
  EXPECT_EQ(CountOf(version.out, "\n"), 1);
}

}  // namespace
}  // namespace vl::app::test
