// The save driver: refusals, failures that must leave the previous file alone, the abort,
// progress, the clipboard format and the Long Path Warning; and the custom colour export.
#include <gtest/gtest.h>
#include <glob.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "app/message_table.h"
#include "art/custom_color_export.h"
#include "art/save_art.h"
#include "tests/art/writer_test_env.h"

namespace vl::art::test {
namespace {

// Records every progress label, which the headless interface forgets when it closes.
class RecordingUi : public platform::HeadlessUi {
 public:
  RecordingUi() : HeadlessUi(nullptr) {}
  void showProgress(int percent, std::string_view label, int filesToGo) override {
    labels.emplace_back(label);
    percents.push_back(percent);
    HeadlessUi::showProgress(percent, label, filesToGo);
  }
  std::vector<std::string> labels;
  std::vector<int> percents;
};

struct SaveEnv : WriterEnv {
  SaveStamp stamp = FixedStamp();
  SaveArtOptions options;
  bool modified = true;
  SaveEnv() { options.stamp = &stamp; }

  bool save(const std::string& path) {
    return saveArt(rt, art, image, colors, path, options, modified);
  }
  void squares(int count) {
    paint(PaintType::Black, PaintType::None);
    for (int i = 0; i < count; ++i) linePath({{1, 1}, {3, 1}, {3, 3}, {1, 1}});
  }
  std::vector<std::string> messages() const { return ui.messages(); }
};

int CountTemporaryFiles(const std::string& folder) {
  glob_t found{};
  int n = 0;
  if (glob((folder + ".vectorlume-save-*").c_str(), 0, nullptr, &found) == 0) n = int(found.gl_pathc);
  globfree(&found);
  return n;
}

TEST(WriterSave, UnbuiltFormatsAndPreviewsAreRefusedBeforeAnyFileExists) {
  SaveEnv env;
  env.squares(1);
  std::string path = env.folder.path + "refused";
  struct Case {
    int format, preview;
  } cases[] = {{kFormatEmf, 1}, {kFormatDxf, 1}, {kFormatGq5, kPreviewTiffBw},
               {kFormatGq11, kPreviewTiffColor}, {9, 1}};
  for (const Case& c : cases) {
    env.ui.clearMessages();
    env.options.format = c.format;
    env.options.preview = c.preview;
    EXPECT_FALSE(env.save(path)) << c.format << "/" << c.preview;
    ASSERT_EQ(env.messages().size(), 1u);
    EXPECT_NE(env.messages()[0].find("is not available in this build."), std::string::npos)
        << env.messages()[0];
    EXPECT_FALSE(platform::FileExists(path));
  }
  EXPECT_TRUE(env.modified);
  // The clipboard format ignores the preview preference: it always carries the prolog.
  env.options.format = kFormatClipboard;
  env.options.preview = kPreviewTiffBw;
  EXPECT_TRUE(env.save(path));
}

TEST(WriterSave, CreateAndWriteFailuresShowTheDiskMessage) {
  SaveEnv env;
  env.squares(3);
  EXPECT_FALSE(env.save(env.folder.path + "missing-folder/art.eps"));
  EXPECT_EQ(env.messages(), std::vector<std::string>{std::string(msg::Text(msg::kDiskFullOrLocked))});

  // A device that is always full: written in place (never replaced, never deleted).
  env.ui.clearMessages();
  EXPECT_FALSE(env.save("/dev/full"));
  EXPECT_EQ(env.messages(), std::vector<std::string>{std::string(msg::Text(msg::kDiskFullOrLocked))});
  EXPECT_TRUE(env.modified);
  EXPECT_EQ(env.state.abortRequested, 1);  // the error flag stops the rest of the operation
  struct stat info {};
  ASSERT_EQ(stat("/dev/full", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
  EXPECT_EQ(CountTemporaryFiles("/dev/"), 0);

  // Writing clipboard data, the scratch disk is to blame.
  env.ui.clearMessages();
  env.options.unattended = true;
  EXPECT_FALSE(env.save("/dev/full"));
  EXPECT_EQ(env.messages(), std::vector<std::string>{std::string(msg::Text(msg::kScratchDiskFull))});
  EXPECT_FALSE(env.app.clipboardExportActive);  // the flag is the save's own, restored
}

TEST(WriterSave, AFailedSaveKeepsThePreviousFile) {
  SaveEnv env;
  env.squares(2);
  std::string path = env.folder.path + "art.eps";
  ASSERT_TRUE(env.save(path));
  std::string previous = ReadWholeFile(path);
  ASSERT_GT(previous.size(), 1000u);

  // The disk "fills up" after 1000 bytes: a file size limit makes the writes come up short.
  env.squares(40);
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = old;
  small.rlim_cur = 1000;
  sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  bool saved = env.save(path);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(saved);
  EXPECT_EQ(env.messages(), std::vector<std::string>{std::string(msg::Text(msg::kDiskFullOrLocked))});
  EXPECT_TRUE(env.modified);
  EXPECT_EQ(ReadWholeFile(path), previous);
  EXPECT_EQ(CountTemporaryFiles(env.folder.path), 0);
  EXPECT_EQ(env.folder.entries().size(), 1u);
}

TEST(WriterSave, StoppedSaveEndsTheFileProperlyAndLeavesTheArtModified) {
  SaveEnv env;
  env.squares(3);
  env.ui.requestAbort();  // Stop pressed: seen by the poll before the first path
  std::string path = env.folder.path + "stopped.eps";
  EXPECT_FALSE(env.save(path));
  EXPECT_TRUE(env.messages().empty());
  EXPECT_TRUE(env.modified);
  EXPECT_EQ(env.state.abortRequested, 1);
  std::vector<std::string> lines = SplitLines(ReadWholeFile(path));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "%%EOF");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "f"), 0);  // no path made it
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "%%Trailer"), 1);

  // A stop request left over from an earlier command does not cut the next save short.
  // (Without a stamp the header names the system's user.)
  env.options.stamp = nullptr;
  EXPECT_TRUE(env.save(path));
  EXPECT_FALSE(env.modified);
  lines = SplitLines(ReadWholeFile(path));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "f"), 3);
  ASSERT_GT(lines.size(), 2u);
  EXPECT_EQ(lines[2].rfind("%%For: (", 0), 0u);
  EXPECT_NE(lines[2], "%%For: () ()");
}

TEST(WriterSave, ProgressIsShownForFiftyPathsOrMore) {
  SaveEnv env;
  RecordingUi ui;
  engine::Runtime rt{ui, env.memory, env.state, env.app, env.scratch};
  env.squares(49);
  std::string path = env.folder.path + "progress.eps";
  ASSERT_TRUE(saveArt(rt, env.art, env.image, env.colors, path, env.options, env.modified));
  EXPECT_TRUE(ui.labels.empty());

  env.squares(1);
  ASSERT_TRUE(saveArt(rt, env.art, env.image, env.colors, path, env.options, env.modified));
  ASSERT_FALSE(ui.labels.empty());
  EXPECT_EQ(ui.labels.front(), std::string(msg::Text(msg::kSavingLabel)) + "progress.eps");
  EXPECT_EQ(ui.percents.front(), 2);
  EXPECT_EQ(ui.percents.back(), 100);
  EXPECT_FALSE(ui.progressOpen());
}

TEST(WriterSave, ClipboardArtHoldsTheSelectedPathsWithTheProlog) {
  SaveEnv env;
  RecordingUi ui;
  engine::Runtime rt{ui, env.memory, env.state, env.app, env.scratch};
  env.squares(120);
  for (int i = 0; i < 120; i += 2) env.art.paths[i].flags |= kSelected;
  env.art.selectedCount = 60;
  env.options.format = kFormatClipboard;
  env.options.preview = kPreviewNone;
  env.options.unattended = true;
  env.modified = true;
  std::string path = env.folder.path + "clptmp";
  ASSERT_TRUE(saveArt(rt, env.art, env.image, env.colors, path, env.options, env.modified));
  EXPECT_TRUE(env.modified);  // clipboard data leaves the document's state alone
  std::vector<std::string> lines = SplitLines(ReadWholeFile(path));
  ASSERT_GT(lines.size(), 1u);
  EXPECT_EQ(lines[0], "%!PS-Adobe-3.0 EPSF-3.0");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "%GQ3_DocumentPreview: Header"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "%%BeginResource: procset Morvo_level2_GQ5 1.0 0"),
            lines.end());
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "f"), 60);
  ASSERT_FALSE(ui.labels.empty());
  EXPECT_EQ(ui.labels.front(), msg::Text(msg::kPreparingClipboard));
  EXPECT_EQ(ui.percents.back(), 100);
}

TEST(WriterSave, FormatSixCreatesAnEmptyFile) {
  SaveEnv env;
  env.squares(2);
  env.options.format = kFormatNone;
  std::string path = env.folder.path + "empty";
  EXPECT_TRUE(env.save(path));
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_EQ(ReadWholeFile(path), "");
  EXPECT_FALSE(env.modified);
}

TEST(WriterSave, LongPathWarningFollowsAnInteractiveSaveOnly) {
  SaveEnv env;
  env.paint(PaintType::Black, PaintType::None);
  env.begin({0, 0});
  for (int i = 1; i <= 1600; ++i) env.lineTo({double(i % 2), 0});
  std::string path = env.folder.path + "long.eps";
  ASSERT_TRUE(env.save(path));
  ASSERT_EQ(env.messages().size(), 1u);
  EXPECT_EQ(env.messages()[0], LongPathWarningText());
  std::vector<std::string> box = SplitLines(env.messages()[0] + "\n", "\n");
  ASSERT_EQ(box.size(), 12u);
  EXPECT_EQ(box[0], "One or more of the paths output by Morvo Vectorlume has");
  EXPECT_EQ(box[11], "under Options, then reconvert the image.");

  env.ui.clearMessages();
  env.app.batchRunning = true;
  ASSERT_TRUE(env.save(path));
  env.app.batchRunning = false;
  env.options.unattended = true;
  ASSERT_TRUE(env.save(path));
  EXPECT_TRUE(env.messages().empty());
}

TEST(WriterSave, ReplacingAFileKeepsItsPermissions) {
  SaveEnv env;
  env.squares(1);
  std::string path = env.folder.path + "kept.eps";
  ASSERT_TRUE(env.save(path));
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(env.save(path));
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(env.folder.entries().size(), 1u);
}

TEST(WriterExport, CustomColourFileListsTheColoursWithCrLf) {
  SaveEnv env;
  env.colors = {{"Red", 0, 255, 255, 0, true}, {"Blue", 255, 128, 0, 0, false},
                {"Ink", 0, 0, 0, 13, true}};
  std::string path = env.folder.path + "Default Custom Colors";
  ASSERT_TRUE(exportCustomColors(env.rt, path, env.colors, false));
  std::string text = ReadWholeFile(path);
  std::vector<std::string> lines = SplitLines(text, "\r\n");
  std::vector<std::string> expected = {
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
  EXPECT_EQ(lines, expected);
  // Every CR is followed by LF and there are no bare line feeds.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), long(expected.size()));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), long(expected.size()));

  ASSERT_TRUE(exportCustomColors(env.rt, path, env.colors, true));
  lines = SplitLines(ReadWholeFile(path), "\r\n");
  ASSERT_GT(lines.size(), 5u);
  EXPECT_EQ(lines[3], "%%CMYKCustomColor: 0 1 1 0 (Red)");
  EXPECT_EQ(lines[4], "%%+ 0 0 0 0.05 (Ink)");
  EXPECT_EQ(lines[5], "%%EndComments");

  EXPECT_FALSE(exportCustomColors(env.rt, env.folder.path + "no/such/file", env.colors, false));
  EXPECT_EQ(env.messages(), std::vector<std::string>{std::string(msg::Text(msg::kCantExportColors))});
}

}  // namespace
}  // namespace vl::art::test
