// Custom colours from the command line: colour files and the built-in colours reach the art's
// header, the export file reads back to the same table, a bad colour file stops the command
// before anything is written, and the colour options map onto the settings record.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/cli_options.h"
#include "art/custom_color_table.h"
#include "tests/app/cli/cli_runner.h"

namespace vl::app::test {
namespace {

using Parsed = vl::app::CommandLine;  // the runner's CommandLine() is a function

// A home of its own, so the user's configuration (and start-up colour file) stays out.
struct ColorHome {
  TempDir dir;
  ColorHome() {
    ::setenv("HOME", dir.path.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    std::filesystem::create_directories(dir / "config/vectorlume");
    EXPECT_TRUE(WriteBilevelTiff(dir / "in.tif", 60, 40, Squares(2, 12)));
  }
  RunResult convert(Args extra) {
    Args args = {"convert", dir / "in.tif", "-o", dir / "out.eps"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunProgram(args);
  }
  // The custom colour lines of the art's header.
  std::vector<std::string> headerColors() {
    std::vector<std::string> lines;
    const std::string art = ReadFile(dir / "out.eps");
    for (std::size_t at = 0, end; (end = art.find('\r', at)) != std::string::npos; at = end + 1) {
      const std::string line = art.substr(at, end - at);
      if (line.rfind("%%CMYKCustomColor: ", 0) == 0 ||
          (line.rfind("%%+ ", 0) == 0 && line.find('(') != std::string::npos))
        lines.push_back(line);
      if (line == "%%EndComments") break;
    }
    return lines;
  }
};

art::ColorFileRead ReadColors(const std::string& path) { return art::ReadColorFile(path); }

const std::string kColors =
    "%%CMYKCustomColor: 0 1 1 0 (Red)\r\n%%+ 0.5 0.25 0 0 (Soft \\(blue\\))\r\n"
    "%%+ 0 0 0 0.05 (Ink)\r\n%%EndComments\r\n";

TEST(CliCustomColors, AColourFileReachesTheHeaderAndExportsBackUnchanged) {
  ColorHome home;
  WriteFile(home.dir / "colors.txt", kColors);
  const RunResult r = home.convert({"--custom-colors", home.dir / "colors.txt", "--export-colors",
                                    home.dir / "export.eps"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(home.headerColors(),
            (std::vector<std::string>{"%%CMYKCustomColor: 0 1 1 0 (Red)",
                                      "%%+ 0.5 0.25 0 0 (Soft \\(blue\\))", "%%+ 0 0 0 0.05 (Ink)"}));
  const art::ColorFileRead original = ReadColors(home.dir / "colors.txt");
  const art::ColorFileRead exported = ReadColors(home.dir / "export.eps");
  ASSERT_EQ(exported.result, art::ColorFileResult::kRead);
  ASSERT_EQ(exported.colors.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const art::CustomColor &a = original.colors[i], &b = exported.colors[i];
    EXPECT_EQ(b.name, a.name);
    EXPECT_EQ(std::tuple(b.c, b.m, b.y, b.k), std::tuple(a.c, a.m, a.y, a.k)) << a.name;
  }
}

TEST(CliCustomColors, NoColoursLeaveTheArtAsItWasAndTheBuiltInsAreAll29) {
  ColorHome home;
  ASSERT_EQ(home.convert({}).status, 0);
  const std::string plain = ReadFile(home.dir / "out.eps");
  EXPECT_EQ(plain.find("CMYKCustomColor"), std::string::npos);
  ASSERT_EQ(home.convert({"--builtin-colors"}).status, 0);
  const std::vector<std::string> lines = home.headerColors();
  ASSERT_EQ(lines.size(), art::kBuiltInColorCount);
  EXPECT_EQ(lines.front(), "%%CMYKCustomColor: 1 0 0.55 0 (Aqua)");
  EXPECT_EQ(lines.back(), "%%+ 0.2 0 1 0 (Yellow Green)");
  // The start-up colour file in the configuration folder joins every conversion.
  WriteFile(home.dir / "config/vectorlume/Default Custom Colors", kColors);
  ASSERT_EQ(home.convert({}).status, 0);
  EXPECT_EQ(home.headerColors().size(), 3u);
}

TEST(CliCustomColors, BadColourFilesStopBeforeAnythingIsWritten) {
  struct Bad {
    const char* label;
    std::string text;  // empty: no file at all
    std::string message;
  };
  // Every kind of damage is the colour table's to tell; here, that any of them stops the command.
  const Bad bad[] = {
      {"missing", "", "can't open the selected file"},
      {"truncated", "%%CMYKCustomColor: 0 1 1 0 (Red)\r\n%%+ 0.5 0.2", "Line 2 of the color file"},
      {"no colours", "%!PS-Adobe-3.0\r\n%%EndComments\r\n", "holds no custom colors"},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.label);
    ColorHome home;
    if (!b.text.empty()) WriteFile(home.dir / "colors.txt", b.text);
    const RunResult r = home.convert({"--custom-colors", home.dir / "colors.txt",
                                      "--export-colors", home.dir / "export.eps"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_NE(r.err.find(b.message), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(home.dir / "out.eps"));
    EXPECT_FALSE(std::filesystem::exists(home.dir / "export.eps"));
  }
}

TEST(CliCustomColors, BatchFilesListTheColoursOrFailWithTheFilesMessage) {
  ColorHome home;
  WriteFile(home.dir / "colors.txt", kColors);
  const RunResult good = RunProgram({"batch", home.dir / "in.tif", "-o", home.dir / "art", "-j",
                                     "1", "--custom-colors", home.dir / "colors.txt"});
  ASSERT_EQ(good.status, 0) << good.out << good.err;
  EXPECT_NE(ReadFile(home.dir / "art/in.eps").find("%%+ 0 0 0 0.05 (Ink)\r"), std::string::npos);
  WriteFile(home.dir / "colors.txt", "%%CMYKCustomColor: 0 1 1 0 (Red\r\n");
  const RunResult bad = RunProgram({"batch", home.dir / "in.tif", "-o", home.dir / "bad", "-j",
                                    "1", "--custom-colors", home.dir / "colors.txt"});
  EXPECT_EQ(bad.status, kExitFailure);
  EXPECT_NE(bad.out.find("Line 1 of the color file"), std::string::npos) << bad.out;
  EXPECT_FALSE(std::filesystem::exists(home.dir / "bad/in.eps"));
  EXPECT_EQ(RunProgram({"batch", home.dir / "in.tif", "--export-colors", home.dir / "e"}).status,
            kExitUsage);
}

TEST(CliCustomColors, ColourOptionsSetTheRecordOrAreRefused) {
  const auto parse = [](Args extra) {
    extra.insert(extra.begin(), {"convert", "in.tif"});
    return ParseCommandLine(extra);
  };
  const Parsed custom = parse({"--color", "--custom-colors", "c.txt", "--tints"});
  ASSERT_EQ(custom.action, Parsed::Action::kConvert) << custom.error;
  const settings::ConversionSettings& s = custom.request.settings;
  EXPECT_TRUE(s.has(settings::kColorConversion) && s.has(settings::kUseCustomColors) &&
              s.has(settings::kGenerateTints));
  EXPECT_EQ(custom.request.customColorsFile, "c.txt");
  const Parsed added = parse({"--color", "--colors", "8", "--add-colors", "--builtin-colors"});
  ASSERT_EQ(added.action, Parsed::Action::kConvert) << added.error;
  EXPECT_TRUE(added.request.settings.has(settings::kAddNewColors));
  EXPECT_TRUE(added.request.settings.has(settings::kLimitedColors));
  EXPECT_EQ(added.request.settings.maxColors, 8);
  EXPECT_FALSE(added.request.settings.has(settings::kUseCustomColors));
  EXPECT_TRUE(added.request.builtinColors);
  const Parsed plain = parse({"--custom-colors", "c.txt", "--export-colors", "e.eps"});
  ASSERT_EQ(plain.action, Parsed::Action::kConvert);
  EXPECT_FALSE(plain.request.settings.has(settings::kColorConversion));
  EXPECT_EQ(plain.request.exportColorsFile, "e.eps");
  for (const Args& wrong : {Args{"--tints"}, Args{"--color", "--tints"},
                            Args{"--color", "--colors", "8", "--custom-colors", "c", "--tints"},
                            Args{"--color", "--add-colors"}, Args{"--add-colors"},
                            Args{"--custom-colors"}, Args{"--export-colors="}}) {
    const Parsed line = parse(wrong);
    EXPECT_EQ(line.action, Parsed::Action::kUsageError) << wrong.back();
    EXPECT_FALSE(line.error.empty());
  }
}

TEST(CliColor, NoColorAveragingTurnsAveragingOffAndNeedsColor) {
  const struct {
    Args args;
    bool accepted, averagingOff;
  } cases[] = {{{"--color", "--no-color-averaging"}, true, true},
               {{"--color", "--colors", "6", "--no-color-averaging"}, true, true},
               {{"--color"}, true, false},
               {{"--no-color-averaging"}, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    Args line{"convert", "in.tif"};
    line.insert(line.end(), c.args.begin(), c.args.end());
    const Parsed parsed = ParseCommandLine(line);
    ASSERT_EQ(parsed.action, c.accepted ? Parsed::Action::kConvert : Parsed::Action::kUsageError)
        << parsed.error;
    if (c.accepted)
      EXPECT_EQ(parsed.request.settings.has(settings::kColorAveragingOff), c.averagingOff);
    else
      EXPECT_NE(parsed.error.find("--color"), std::string::npos) << parsed.error;
  }
}

}  // namespace
}  // namespace vl::app::test
