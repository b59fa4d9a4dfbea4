// Ctrl+C and the progress line: on a terminal the program draws its progress on stderr; a
// SIGINT while it converts a large image stops the conversion through the abort flag, and it
// exits with 130 leaving neither an output file nor its scratch folder behind.
#include <gtest/gtest.h>

#include <signal.h>

#include "app/message_table.h"
#include "tests/app/app_fixtures.h"
#include "tests/app/cli/cli_runner.h"

namespace vl::app::test {
namespace {

// Many small rings: thousands of shapes, each with a hole, so the outline loop runs a while.
bool Rings(int x, int y) {
  const int dx = x % 24 - 12, dy = y % 24 - 12;
  const int r2 = dx * dx + dy * dy;
  return r2 <= 81 && r2 >= 16;
}

struct Scene {
  TempDir dir;
  std::string scratchBase = dir / "scratch";
  std::string output = dir / "out/big.eps";
  std::string input = dir / "big.tif";
  Scene(int sidePixels) {
    std::filesystem::create_directory(scratchBase);
    std::filesystem::create_directory(dir / "out");
    EXPECT_TRUE(WriteBilevelTiff(input, sidePixels, sidePixels, Rings));
  }
};

TEST(CliInterrupt, CtrlCWhileConvertingStopsWithoutLeavingFiles) {
  Scene s(2400);
  TerminalChild child = RunOnTerminal({"convert", s.input, "-o", s.output}, s.scratchBase);
  ASSERT_GT(child.pid, 0);
  // The progress line shows the outline stage at work: the conversion is under way.
  const bool converting = child.waitFor(std::string(msg::Text(msg::kOutliningLabel)), 60000);
  ASSERT_TRUE(converting) << child.seen;
  ASSERT_EQ(::kill(child.pid, SIGINT), 0);
  EXPECT_EQ(child.finish(), 130) << child.seen;
  // After a stop by the user no message is shown.
  EXPECT_EQ(child.seen.find("Vectorlume: "), std::string::npos) << child.seen;
  EXPECT_TRUE(std::filesystem::is_empty(s.dir / "out"));
  EXPECT_TRUE(std::filesystem::is_empty(s.scratchBase));
}

TEST(CliInterrupt, ProgressLineOnlyOnATerminal) {
  Scene s(700);
  TerminalChild child = RunOnTerminal({"convert", s.input, "-o", s.output}, s.scratchBase);
  ASSERT_GT(child.pid, 0);
  EXPECT_EQ(child.finish(), 0);
  EXPECT_NE(child.seen.find(std::string(msg::Text(msg::kOutliningLabel))), std::string::npos);
  EXPECT_NE(child.seen.find("%"), std::string::npos);
  std::filesystem::remove(s.output);

  const RunResult piped = RunProgram({"convert", s.input, "-o", s.output}, s.scratchBase);
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.err, "");
  EXPECT_TRUE(std::filesystem::exists(s.output));

  // --quiet draws nothing even on a terminal.
  TerminalChild quiet =
      RunOnTerminal({"convert", s.input, "-o", s.output, "--quiet"}, s.scratchBase);
  EXPECT_EQ(quiet.finish(), 0);
  EXPECT_EQ(quiet.seen, "");
  EXPECT_TRUE(std::filesystem::is_empty(s.scratchBase));
}

}  // namespace
}  // namespace vl::app::test
