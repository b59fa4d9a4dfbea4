// The settings and batch commands end to end, run as the built program with HOME and
// XDG_CONFIG_HOME in a temporary folder, so the user's own configuration is never touched.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <set>

#include "base/message_table.h"
#include "tests/app/cli/cli_runner.h"

namespace vl::app::test {
namespace {

// A home of its own, with the configuration folder inside it.
struct Home {
  TempDir dir;
  std::string config() const { return dir / "config/vectorlume"; }
  std::string env() const {
    return "HOME='" + dir.path + "' XDG_CONFIG_HOME='" + dir.path + "/config' TMPDIR='" + dir.path +
           "' ";
  }
  RunResult run(const Args& args, const std::string& cwd = "") const {
    TempDir io;
    const std::string line = (cwd.empty() ? "" : "cd '" + cwd + "' && ") + env() +
                             CommandLine(args, "") + " </dev/null >" + (io / "out") + " 2>" +
                             (io / "err");
    return {ExitStatus(std::system(line.c_str())), ReadFile(io / "out"), ReadFile(io / "err")};
  }
  // For a child started directly: it inherits the environment, so the user's configuration
  // stays out of reach.
  void exportToChildren() const {
    ::setenv("HOME", dir.path.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  }
};

// The art with its creation date blanked: two runs a minute apart write the same bytes.
std::string ArtBytes(const std::string& path) {
  std::string bytes = ReadFile(path);
  const std::size_t at = bytes.find("%%CreationDate:");
  if (at != std::string::npos) bytes.erase(at, bytes.find('\r', at) - at);
  return bytes;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    out.push_back(text.substr(start, nl - start));
  return out;
}

std::string Line(int message) { return std::string(msg::Text(message)); }

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(CliSettings, NamedSettingsAreSavedListedShownAndChosen) {
  Home home;
  const std::string in = home.dir / "scan.tif";
  ASSERT_TRUE(WriteBilevelTiff(in, 300, 80, [](int x, int y) {
    return Squares(3, 40)(x, y) || (x - 250) * (x - 250) + (y - 40) * (y - 40) <= 400 ||
           (y == 70 && x % 7 == 0);
  }));
  // Reading the preferences never writes them.
  EXPECT_EQ(home.run({"settings", "list"}).out, "Defaults\n");
  EXPECT_FALSE(std::filesystem::exists(home.config()));

  ASSERT_EQ(home.run({"settings", "save", "fine", "--tolerance", "1", "--noise", "1"}).status, 0);
  ASSERT_EQ(
      home.run({"settings", "save", "Fine", "--settings", "fine", "--lines", "straight"}).status,
      0);
  EXPECT_EQ(home.run({"settings", "list"}).out, "Defaults\nFine\nfine\n");
  EXPECT_EQ(std::filesystem::file_size(home.config() + "/VL.SET"), 742u + 3 * 68);
  EXPECT_FALSE(std::filesystem::exists(home.config() + "/VL.PRF"));
  const RunResult shown = home.run({"settings", "show", "Fine"});
  EXPECT_NE(shown.out.find("  Tolerance: 1.0\n"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("  Straight only\n"), std::string::npos) << shown.out;

  // --settings is the starting point; options given still apply over it.
  for (const auto& [name, args] : std::vector<std::pair<std::string, Args>>{
           {"named", {"--settings", "Fine"}},
           {"typed", {"--tolerance", "1", "--noise", "1", "--lines", "straight"}},
           {"over", {"--settings", "fine", "--lines", "straight"}},
           {"plain", {}}}) {
    // One folder each, so that the titles (the file names) agree.
    std::filesystem::create_directories(home.dir / name);
    Args line = {"convert", in, "-o", home.dir / (name + "/a.svg")};
    line.insert(line.end(), args.begin(), args.end());
    ASSERT_EQ(home.run(line).status, 0) << name;
  }
  EXPECT_EQ(ReadFile(home.dir / "named/a.svg"), ReadFile(home.dir / "typed/a.svg"));
  EXPECT_EQ(ReadFile(home.dir / "over/a.svg"), ReadFile(home.dir / "typed/a.svg"));
  EXPECT_NE(ReadFile(home.dir / "plain/a.svg"), ReadFile(home.dir / "typed/a.svg"));

  struct Refusal {
    Args args;
    int status;
    std::string err;
  } const refusals[] = {
      // The store's refusals (each one checked where the store owns it) exit with 1.
      {{"settings", "delete", "Defaults"}, 1, Line(msg::kCantDeleteDefaults)},
      {{"settings", "save", "Defaults", "--tolerance", "2"}, 1, Line(msg::kCantChangeDefaults)},
      {{"settings", "save", "x", "--tolerance", "7"}, 2, Line(msg::kToleranceRange)},
      {{"settings", "save", "x", "-o", "a.eps"}, 2, "-o is not part of a named setting"},
      {{"settings", "show", "nothing"}, 1, Line(msg::kNoSuchSetting)},
      {{"convert", in, "--settings", "FINE"}, 2, "no setting named \"FINE\""},
  };
  for (const Refusal& r : refusals) {
    const RunResult result = home.run(r.args);
    EXPECT_EQ(result.status, r.status) << r.args[1] << " " << result.err;
    EXPECT_NE(result.err.find(r.err), std::string::npos) << result.err;
  }
  ASSERT_EQ(home.run({"settings", "delete", "fine"}).status, 0);
  EXPECT_EQ(home.run({"settings", "list"}).out, "Defaults\nFine\n");
}

TEST(CliSettings, PreferencesChooseFormatAndPathLimit) {
  Home home;
  const std::string in = home.dir / "dots.tif";
  // 10404 separate squares: more than the standard limit of 10000 paths.
  ASSERT_TRUE(WriteBilevelTiff(in, 612, 612, [](int x, int y) { return x % 6 < 3 && y % 6 < 3; }));
  const Args convert = {"convert", in, "--noise", "1", "-o", home.dir / "d.svg"};
  RunResult r = home.run(convert);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find(Line(msg::kMaxPathsExceeded).substr(0, 40)), std::string::npos) << r.err;
  EXPECT_LT(CountOf(ReadFile(home.dir / "d.svg"), "<path "), 10001);

  Args unlimited = convert;
  unlimited.insert(unlimited.end(), {"--max-paths", "0"});
  r = home.run(unlimited);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(CountOf(ReadFile(home.dir / "d.svg"), "<path "), 102 * 102);

  // The same as a preference, with the art format: convert then writes DXF by default.
  ASSERT_EQ(home.run({"settings", "preferences", "--max-paths", "0", "--format", "dxf"}).status, 0);
  EXPECT_EQ(std::filesystem::file_size(home.config() + "/VL.PRF"), 742u);
  r = home.run({"convert", in, "--noise", "1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(CountOf(ReadFile(home.dir / "dots.dxf"), "POLYLINE"), 102 * 102);
  EXPECT_NE(home.run({"settings", "preferences"}).out.find("max paths: no limit"),
            std::string::npos);
}

// Close fit as a preference: convert uses it when --fit is not given, and --fit overrides it.
TEST(CliSettings, TheFitPreferenceIsConvertsDefault) {
  Home home;
  const std::string in = home.dir / "disc.tif";
  ASSERT_TRUE(WriteBilevelTiff(in, 90, 90, [](int x, int y) {
    return (x - 44) * (x - 44) + 3 * (y - 45) * (y - 45) / 2 <= 35 * 35;
  }));
  auto paths = [&](const Args& fit) {  // the art without its title, which names the file
    Args args{"convert", in, "-o", home.dir / "disc.svg"};
    args.insert(args.end(), fit.begin(), fit.end());
    EXPECT_EQ(home.run(args).status, 0);
    const std::string text = ReadFile(home.dir / "disc.svg");
    return text.substr(text.find("</title>"));
  };
  const std::string standard = paths({}), close = paths({"--fit", "close"});
  ASSERT_NE(standard, close);
  EXPECT_EQ(home.run({"settings", "preferences", "--fit", "tight"}).status, 2);
  ASSERT_EQ(home.run({"settings", "preferences", "--fit", "close"}).status, 0);
  EXPECT_NE(home.run({"settings", "preferences"}).out.find("fit: close"), std::string::npos);
  EXPECT_EQ(paths({}), close);
  EXPECT_EQ(paths({"--fit", "default"}), standard);
  ASSERT_EQ(home.run({"settings", "preferences", "--fit", "default"}).status, 0);
  EXPECT_EQ(paths({}), standard);
}

TEST(CliSettings, DamagedPreferencesAreReportedOnceAndKept) {
  Home home;
  std::filesystem::create_directories(home.config());
  WriteFile(home.config() + "/VL.PRF", "\xB8\xB0\xED\xFE\x02\x00 short");
  const std::string in = home.dir / "s.tif";
  ASSERT_TRUE(WriteBilevelTiff(in, 100, 60, Squares(1, 30)));
  RunResult r = home.run({"convert", in});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find(Line(msg::kInvalidPrefsFile)), std::string::npos) << r.err;
  r = home.run({"convert", in});  // the damaged file was put aside: no second report
  EXPECT_EQ(r.err, "");
}

// A folder of inputs: three drawings, a damaged TIFF, and a file that is not an image.
struct BatchFolder {
  Home home;
  std::string in = home.dir / "in";
  std::vector<std::string> good = {"a.tif", "b.tif", "c.TIF"};
  BatchFolder() {
    std::filesystem::create_directories(in);
    int n = 1;
    for (const std::string& name : good) {
      const int count = n++;
      EXPECT_TRUE(WriteBilevelTiff(in + "/" + name, 200, 60, Squares(count, 30)));
    }
    WriteFile(in + "/bad.tif", "II*\0 this is not a TIFF");
    WriteFile(in + "/notes.txt", "not an image");
  }
};

// A folder expands to every kind of image the program reads, not only the TIFF family.
TEST(CliBatch, FolderExpansionTakesEveryReadableImageKind) {
  Home home;
  const std::string in = home.dir / "in";
  std::filesystem::create_directories(in);
  WriteFile(in + "/box.pbm", "P1\n6 6\n111111\n100001\n101101\n101101\n100001\n111111\n");
  WriteFile(in + "/box.txt", "not an image");
  const RunResult r = home.run({"batch", in, "--to-source", "--format", "svg", "-j", "1"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(Lines(r.out).size(), 2u) << r.out;
  EXPECT_TRUE(std::filesystem::exists(in + "/box.svg"));
}

TEST(CliBatch, ConvertsAFolderReportsEachFileAndKeepsOrReplacesOutputs) {
  BatchFolder f;
  const std::string out = f.home.dir / "out";
  std::filesystem::create_directories(out);
  WriteFile(out + "/b.eps", "mine");
  RunResult r = f.home.run({"batch", f.in, "-o", out, "--skip-existing", "-j", "1"});
  EXPECT_EQ(r.status, 1) << r.err;  // bad.tif failed, the others were still done
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 5u) << r.out;
  EXPECT_EQ(lines[0], "converted " + f.in + "/a.tif -> " + out + "/a.eps");
  EXPECT_EQ(lines[1], "skipped " + f.in + "/b.tif (" + out + "/b.eps exists)");
  EXPECT_EQ(lines[2].rfind("failed " + f.in + "/bad.tif: ", 0), 0u) << lines[2];
  EXPECT_EQ(lines[3], "converted " + f.in + "/c.TIF -> " + out + "/c.eps");
  EXPECT_EQ(lines[4], "2 converted, 1 skipped, 1 failed, 0 stopped, 0 not started.");
  EXPECT_EQ(ReadFile(out + "/b.eps"), "mine");
  EXPECT_FALSE(std::filesystem::exists(out + "/bad.eps"));

  r = f.home.run({"batch", f.in, "-o", out, "--replace", "--format", "gq", "-j", "1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("3 converted, 0 skipped, 1 failed"), std::string::npos) << r.out;
  EXPECT_TRUE(std::filesystem::exists(out + "/b.gq"));

  // Relative inputs, the output beside each source, and single files given by name.
  r = f.home.run({"batch", "in/a.tif", "in/c.TIF", "--to-source", "--format", "dxf"},
                 f.home.dir.path);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(std::filesystem::exists(f.in + "/a.dxf"));
  EXPECT_TRUE(std::filesystem::exists(f.in + "/c.dxf"));
}

TEST(CliBatch, WorkerProcessesWriteTheSameBytesAsOneProcess) {
  BatchFolder f;
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(
        WriteBilevelTiff(f.in + "/r" + std::to_string(i) + ".tif", 300, 300, [i](int x, int y) {
          const int dx = x % (30 + i) - 15, dy = y % 40 - 20;
          return dx * dx + dy * dy <= 120 + 9 * i;
        }));
  }
  const RunResult one = f.home.run({"batch", f.in, "-o", f.home.dir / "one", "-j", "1"});
  const RunResult three = f.home.run({"batch", f.in, "-o", f.home.dir / "three", "-j", "3"});
  EXPECT_EQ(one.status, 1);
  EXPECT_EQ(three.status, 1);
  // The same lines in the same order, naming their own output folders.
  std::string expected = one.out;
  for (std::size_t at; (at = expected.find("/one/")) != std::string::npos;)
    expected.replace(at, 5, "/three/");
  EXPECT_EQ(three.out, expected);
  int compared = 0;
  for (const auto& e : std::filesystem::directory_iterator(f.home.dir / "one")) {
    const std::string name = e.path().filename().string();
    EXPECT_EQ(ArtBytes(e.path().string()), ArtBytes(f.home.dir / "three/" + name)) << name;
    ++compared;
  }
  EXPECT_EQ(compared, 8);
}

TEST(CliBatch, ShardsUnderGnuParallelConvertEachFileOnce) {
  if (std::system("parallel --version >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "GNU parallel is not installed";
  BatchFolder f;
  for (int i = 0; i < 8; ++i)
    ASSERT_TRUE(WriteBilevelTiff(f.in + "/s" + std::to_string(i) + ".pcx.tif", 80, 60,
                                 Squares(1 + i % 2, 20)));
  const std::string line = "cd '" + f.home.dir.path + "' && " + f.home.env() +
                           "parallel --will-cite -j 3 '" VL_BINARY
                           "' batch in -o out -j 1 "
                           "--shard {}/3 ::: 0 1 2 >" +
                           (f.home.dir / "log") + " 2>&1";
  EXPECT_EQ(ExitStatus(std::system(line.c_str())), 1);  // the shard holding bad.tif failed
  const std::string log = ReadFile(f.home.dir / "log");
  std::multiset<std::string> converted;
  for (const std::string& l : Lines(log))
    if (l.rfind("converted ", 0) == 0) converted.insert(l.substr(10, l.find(' ', 10) - 10));
  EXPECT_EQ(converted.size(), 11u) << log;
  for (const std::string& name : converted) EXPECT_EQ(converted.count(name), 1u) << name;
  EXPECT_EQ(CountOf(log, "failed in/bad.tif"), 1) << log;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.home.dir / "out"), {}), 11);
}

TEST(CliBatch, BadBatchLinesAreUsageErrors) {
  BatchFolder f;
  std::filesystem::create_directories(f.home.dir / "other");
  ASSERT_TRUE(WriteBilevelTiff(f.home.dir / "other/a.tif", 50, 50, Squares(1, 20)));
  struct Case {
    Args args;
    std::string err;
  } const cases[] = {
      {{"batch"}, "at least one INPUT"},
      {{"batch", f.in, "--shard", "2/2"}, "--shard expects"},
      {{"batch", f.in, "--shard", "x"}, "--shard expects"},
      {{"batch", f.in, "-j", "0"}, "-j expects"},
      {{"batch", f.in, "-o", "x", "--to-source"}, "exclude each other"},
      {{"batch", f.in, "--replace", "--skip-existing"}, "exclude each other"},
      {{"batch", f.in, "--tolerance", "9"}, Line(msg::kToleranceRange)},
      {{"batch", f.in, f.home.dir / "other", "-o", "out"}, "same art file"},
  };
  for (const Case& c : cases) {
    const RunResult r = f.home.run(c.args, f.home.dir.path);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(f.home.dir / "out"));
}

// Without -o, --replace or --skip-existing the preferences decide where the art goes and
// whether existing files are replaced.
TEST(CliBatch, PreferencesChooseDestinationAndReplacing) {
  BatchFolder f;
  WriteFile(f.in + "/a.eps", "mine");
  RunResult r = f.home.run({"batch", "in"}, f.home.dir.path);  // the current folder, skipping
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(std::filesystem::exists(f.home.dir / "a.eps"));
  ASSERT_EQ(f.home.run({"settings", "preferences", "--batch-to-source", "on", "--batch-replace",
                        "off"}).status, 0);
  r = f.home.run({"batch", "in"}, f.home.dir.path);
  EXPECT_NE(r.out.find("skipped in/a.tif (in/a.eps exists)"), std::string::npos) << r.out;
  EXPECT_TRUE(std::filesystem::exists(f.in + "/b.eps"));
  EXPECT_EQ(ReadFile(f.in + "/a.eps"), "mine");
  ASSERT_EQ(f.home.run({"settings", "preferences", "--batch-replace", "on"}).status, 0);
  r = f.home.run({"batch", "in"}, f.home.dir.path);
  EXPECT_NE(r.out.find("3 converted, 0 skipped, 1 failed"), std::string::npos) << r.out;
  EXPECT_NE(ReadFile(f.in + "/a.eps"), "mine");
}

// Ctrl+C, sent to the parent alone, stops the files being converted (their workers get it
// too), removes their partial output, starts no other, and the summary tells what was done.
TEST(CliBatch, CtrlCStopsAfterTheCurrentFilesAndLeavesNoPartialOutput) {
  for (const char* jobs : {"1", "2"}) {
    SCOPED_TRACE(std::string("-j ") + jobs);
    Home home;
    const std::string in = home.dir / "in", out = home.dir / "out";
    std::filesystem::create_directories(in);
    ASSERT_TRUE(WriteBilevelTiff(in + "/a.tif", 60, 60, Squares(1, 20)));
    for (const char* name : {"/b.tif", "/c.tif", "/d.tif"}) ASSERT_TRUE(WriteRings(in + name));
    home.exportToChildren();
    TerminalChild child({"batch", in, "-o", out, "-j", jobs}, home.dir.path);
    ASSERT_TRUE(child.waitFor("converted " + in + "/a.tif")) << child.seen;
    ASSERT_EQ(::kill(child.pid, SIGINT), 0);
    EXPECT_EQ(child.finish(), 130) << child.seen;
    // With one process the stop reaches b.tif; with two, b.tif and c.tif, which its worker was
    // given before the line about a.tif was printed.
    EXPECT_NE(child.seen.find(std::string(jobs) == "1"
                                  ? "1 converted, 0 skipped, 0 failed, 1 stopped, 2 not started."
                                  : "1 converted, 0 skipped, 0 failed, 2 stopped, 1 not started."),
              std::string::npos)
        << child.seen;
    EXPECT_NE(child.seen.find("stopped " + in + "/b.tif"), std::string::npos) << child.seen;
    EXPECT_EQ(Listing(out), std::vector<std::string>{"a.eps"});
  }
}


// A worker that dies in the middle of a file (here: killed) fails that file alone; a new worker
// takes over the rest of the list.
TEST(CliBatch, AWorkerThatDiesFailsOnlyItsFile) {
  Home home;
  const std::string in = home.dir / "in", out = home.dir / "out";
  std::filesystem::create_directories(in);
  ASSERT_TRUE(WriteBilevelTiff(in + "/a.tif", 60, 60, Squares(1, 20)));
  ASSERT_TRUE(WriteRings(in + "/b.tif"));
  ASSERT_TRUE(WriteBilevelTiff(in + "/c.tif", 60, 60, Squares(1, 20)));
  home.exportToChildren();
  TerminalChild child({"batch", in, "-o", out, "-j", "1"}, home.dir.path);
  ASSERT_TRUE(child.waitFor("converted " + in + "/a.tif")) << child.seen;
  // The one worker is the batch's only child; it holds b.tif by now.
  const std::string proc = "/proc/" + std::to_string(child.pid) + "/task/" +
                           std::to_string(child.pid) + "/children";
  const int worker = std::atoi(ReadFile(proc).c_str());
  ASSERT_GT(worker, 0);
  ASSERT_EQ(::kill(worker, SIGKILL), 0);
  EXPECT_EQ(child.finish(), 1) << child.seen;
  EXPECT_NE(child.seen.find("failed " + in + "/b.tif: " + Line(msg::kWorkerEnded)),
            std::string::npos)
      << child.seen;
  EXPECT_NE(child.seen.find("converted " + in + "/c.tif"), std::string::npos) << child.seen;
  EXPECT_NE(child.seen.find("2 converted, 0 skipped, 1 failed, 0 stopped, 0 not started."),
            std::string::npos)
      << child.seen;
  EXPECT_EQ(Listing(out), (std::vector<std::string>{"a.eps", "c.eps"}));
}

}  // namespace
}  // namespace vl::app::test
