// The save driver: refusals, failures that must leave the previous file alone, the stop,
// clipboard data, the Long Path Warning; and the custom colour export.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>

#include "app/message_table.h"
#include "art/custom_color_export.h"
#include "art/svg_writer.h"
#include "tests/art/writer_test_env.h"

namespace vl::art::test {
namespace {

TEST(WriterSave, UnbuiltFormatsAndPreviewsAreRefusedBeforeAnyFileExists) {
  SaveEnv env;
  env.triangles(1);
  // TIFF previews without a preview writer, an unknown preview kind, an unknown format.
  for (auto [format, preview] : {std::pair{kFormatGq5, kPreviewTiffBw}, {kFormatGq3, 6}, {9, 1}}) {
    env.ui.clearMessages();
    EXPECT_TRUE(env.saveLines(format, preview).empty());
    ASSERT_EQ(env.ui.messages().size(), 1u);
    EXPECT_NE(env.ui.messages()[0].find("is not available in this build."), std::string::npos);
    EXPECT_TRUE(env.folder.entries().empty());
  }
  EXPECT_TRUE(env.modified);
}

TEST(WriterSave, FailuresShowTheDiskMessageAndKeepThePreviousFile) {
  SaveEnv env;
  env.triangles(3);
  EXPECT_FALSE(env.save(env.folder.path + "missing-folder/art.eps"));
  EXPECT_EQ(env.ui.messages(), Only(msg::kDiskFullOrLocked));
  // A device that is always full: written in place (never replaced, never deleted).
  env.ui.clearMessages();
  EXPECT_FALSE(env.save("/dev/full"));
  EXPECT_EQ(env.ui.messages(), Only(msg::kDiskFullOrLocked));
  EXPECT_EQ(env.state.abortRequested, 1);  // the error flag stops the rest of the operation
  struct stat info {};
  EXPECT_TRUE(stat("/dev/full", &info) == 0 && S_ISCHR(info.st_mode));
  env.ui.clearMessages();  // writing clipboard data, the scratch disk is to blame
  env.options.unattended = true;
  EXPECT_FALSE(env.save("/dev/full"));
  EXPECT_EQ(env.ui.messages(), Only(msg::kScratchDiskFull));
  // Saving over a file keeps its permissions; a save that fails after 1000 bytes (a file size
  // limit makes the writes come up short) keeps its content, and leaves no temporary file.
  env.ui.clearMessages();
  env.options.unattended = false;
  std::string path = env.folder.path + "art.eps";
  ASSERT_TRUE(env.save(path));
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(env.save(path));
  EXPECT_TRUE(stat(path.c_str(), &info) == 0 && (info.st_mode & 0777) == 0640);
  std::string previous = ReadWholeFile(path);
  ASSERT_GT(previous.size(), 1000u);
  env.triangles(40);
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small {1000, old.rlim_max};
  sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  bool saved = env.save(path);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(saved);
  EXPECT_EQ(env.ui.messages(), Only(msg::kDiskFullOrLocked));
  EXPECT_TRUE(env.modified);
  EXPECT_EQ(ReadWholeFile(path), previous);
  EXPECT_EQ(env.folder.entries(), std::vector<std::string>{"art.eps"});
}

TEST(WriterSave, StoppedSaveEndsTheFileProperlyAndLeavesTheArtModified) {
  SaveEnv env;
  env.triangles(3);
  env.ui.requestAbort();  // Stop pressed: seen by the poll before the first path
  EXPECT_TRUE(env.saveLines(kFormatGq5, kPreviewHeader).empty());
  EXPECT_TRUE(env.ui.messages().empty());
  EXPECT_TRUE(env.modified);
  std::vector<std::string> lines = SplitLines(ReadWholeFile(env.folder.path + "out.eps"));
  EXPECT_EQ(lines.empty() ? "" : lines.back(), "%%EOF");  // the trailer is written
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "f"), 0);  // no path made it
  // A stop left over from an earlier command does not cut the next save short. (Without a
  // stamp the header names the system's user.)
  env.options.stamp = nullptr;
  lines = env.saveLines(kFormatGq5, kPreviewHeader);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "f"), 3);
  EXPECT_EQ(lines.at(2).rfind("%%For: (", 0), 0u);
}

TEST(WriterSave, SvgStopsLikeTheOtherFormatsAndWritesPixelsToThreeDecimals) {
  SaveEnv env;
  env.paint(PaintType::Black, PaintType::None);
  // 3.0625 is halfway between thousandths (kept even); anchors are truncated to 1/256 pixel.
  env.linePath({{1.25, 2.5}, {3.0625, 1}, {63.999, 47.004}, {1.25, 2.5}});
  const std::string path = env.folder.path + "out.svg";
  // Stop pressed: the file is closed properly without a path, and the stop is reported.
  env.ui.requestAbort();
  EXPECT_FALSE(saveSvg(env.rt, env.art, env.image, env.colors, path, false));
  EXPECT_EQ(env.rt.state.abortRequested, 1);
  const std::string stopped = ReadWholeFile(path);
  EXPECT_EQ(stopped.substr(stopped.size() - 7), "</svg>\n");
  EXPECT_EQ(stopped.find("<path"), std::string::npos);
  EXPECT_TRUE(env.ui.messages().empty());
  // The next save is whole.
  ASSERT_TRUE(saveSvg(env.rt, env.art, env.image, env.colors, path, false));
  EXPECT_NE(ReadWholeFile(path).find(" d=\"M1.25 2.5 L3.062 1 L63.996 47.004 L1.25 2.5 Z\""),
            std::string::npos)
      << ReadWholeFile(path);
}

TEST(WriterSave, ClipboardDataHoldsTheSelectedPathsWithProgressForFifty) {
  SaveEnv env;
  env.triangles(100);
  for (int i = 0; i < 100; i += 2) env.art.paths[i].flags |= kSelected;
  env.art.selectedCount = 50;
  env.options.unattended = true;
  // The clipboard format ignores the preview preference: it always carries the prolog.
  std::vector<std::string> lines = env.saveLines(kFormatClipboard, kPreviewTiffBw);
  EXPECT_EQ(lines.at(0), "%!PS-Adobe-3.0 EPSF-3.0");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "f"), 50);
  EXPECT_EQ(env.ui.progressUpdates(), 50);  // one per path written
  EXPECT_TRUE(env.modified);  // clipboard data leaves the document's state alone
}

TEST(WriterSave, LongPathWarningFollowsAnInteractiveSaveOnly) {
  SaveEnv env;
  env.paint(PaintType::Black, PaintType::None);
  ASSERT_TRUE(env.stepPath(1601));
  ASSERT_FALSE(env.saveLines(kFormatGq5, kPreviewNone).empty());
  ASSERT_EQ(env.ui.messages().size(), 1u);
  EXPECT_EQ(SplitLines(env.ui.messages()[0], "\n").at(0),
            "One or more of the paths output by Morvo Vectorlume has");
  env.ui.clearMessages();
  env.app.batchRunning = true;
  ASSERT_FALSE(env.saveLines(kFormatGq5, kPreviewNone).empty());
  EXPECT_TRUE(env.ui.messages().empty());
}

TEST(WriterExport, CustomColourFileListsTheColoursWithCrLf) {
  SaveEnv env;
  env.colors = {{"Red", 0, 255, 255, 0, true}, {"Blue", 255, 128, 0, 0, false},
                {"Ink", 0, 0, 0, 13, true}};
  std::string path = env.folder.path + "Default Custom Colors";
  ASSERT_TRUE(exportCustomColors(env.rt, path, env.colors, false));
  std::string text = ReadWholeFile(path);
  const std::vector<std::string> expected = {
      "%!PS-Adobe-3.0", "%%BoundingBox: 0 0 0 0", "%GQ3_ColorUsage: Color",
      "%%CMYKCustomColor: 0 1 1 0 (Red)", "%%+ 1 0.5 0 0 (Blue)", "%%+ 0 0 0 0.05 (Ink)",
      "%%EndComments", "%%BeginProlog", "%%IncludeResource: procset Morvo_packedarray 2.0 0",
      "%%IncludeResource: procset Morvo_cmykcolor 1.1 0",
      "%%IncludeResource: procset Morvo_cshow 1.1 0",
      "%%IncludeResource: procset Morvo_customcolor 1.0 0",
      "%%IncludeResource: procset Morvo_GraphiquantA_GQ3 1.0 0", "%%EndProlog", "%%BeginSetup",
      "%%EndSetup", "1 g", "0 0 m", "100 100 l", "f", "%%PageTrailer",
      "gsave annotatepage grestore showpage", "%%Trailer",
      "Morvo_Graphiquant_GQ3 /terminate get exec", "Morvo_pattern_GQ3 /terminate get exec",
      "Morvo_customcolor /terminate get exec", "Morvo_cshow /terminate get exec",
      "Morvo_cmykcolor /terminate get exec", "Morvo_packedarray /terminate get exec", "%%EOF"};
  EXPECT_EQ(SplitLines(text, "\r\n"), expected);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), long(expected.size()));  // no bare LF
  EXPECT_FALSE(exportCustomColors(env.rt, env.folder.path + "no/such/file", env.colors, false));
  EXPECT_EQ(env.ui.messages(), Only(msg::kCantExportColors));
}

}  // namespace
}  // namespace vl::art::test
