// The command set: the dispatcher ignoring what this build lacks, the save prompts of Close,
// Quit and Open with scripted Yes, No and Cancel, guarded by the modified flags, and the outcome
// of opening a document.
#include <gtest/gtest.h>

#include <optional>

#include "app/command_set.h"
#include "app/document_actions.h"
#include "app/document_names.h"
#include "base/message_table.h"
#include "image/save_pixel_image.h"
#include "settings/settings_defaults.h"
#include "tests/app/app_fixtures.h"
#include "tests/image/raster_test_support.h"
#include "tests/support/stop_on_drain_ui.h"

namespace vl::app::test {
namespace {

using Lines = std::vector<std::string>;

// File dialogs answering with their path (OK) or nothing (Cancel); they note the proposals.
struct ScriptedDialogs : DocumentDialogs {
  std::optional<std::string> imageFile, artFile, pixelFile;
  ArtFormat artFormat;
  std::string proposedArt;
  int artDialogs = 0;

  static bool Answer(const std::optional<std::string>& answer, std::string& path) {
    if (answer) path = *answer;
    return answer.has_value();
  }
  bool chooseImageFile(std::string& path) override { return Answer(imageFile, path); }
  bool chooseArtFile(std::string& path, ArtFormat& format) override {
    proposedArt = path, ++artDialogs;
    if (artFile) format = artFormat;
    return Answer(artFile, path);
  }
  bool choosePixelImageFile(std::string& path, int& pixelFormat) override {
    pixelFormat = image::kPixelSaveTiff;
    return Answer(pixelFile, path);
  }
};

// A program record with a scripted headless interface, its document, and a scan of two squares.
struct Shell : DocumentRig {
  ScriptedDialogs dialogs;
  CommandContext ctx{program, doc, dialogs};
  std::string scan = dir / "scan.tif";
  std::string artQuestion = msg::Format(msg::kSaveArtQuestion, "scan.art");

  Shell() {
    EXPECT_TRUE(WriteBilevelTiff(scan, 120, 60, Squares(2, 40)));
  }
  bool run(std::uint16_t command) { return RunCommand(ctx, PackCommand(command)); }
  // Opens the scan at its actual size (the title shows "<100%>") and converts it if asked.
  bool open(bool convert) {
    dialogs.imageFile = scan;
    run(kCommandOpen);
    program.image.zoomX = ActualSizeZoom(program.image.xResolution);
    if (convert) run(kCommandConvert);
    return doc.imageOpen && program.artwork.count == (convert ? 2 : 0);
  }
};

TEST(CommandSet, DispatcherIgnoresWhatThisBuildLacks) {
  EXPECT_EQ(PackCommand(10001), (100u << 16) | 1u);  // the first acquire plug-in
  Shell s;
  ASSERT_TRUE(s.open(true));
  // Outside the table, or commands whose stages this build lacks (Revert, Batch, Copy, the
  // views, the acquire plug-ins...): nothing happens, nothing is asked.
  for (std::uint16_t id : {0, 1, 12902, 12906, 12907, 12911, 12918, 13002, 13004, 13101,
                           13202, 13307, 10001, 10104, 10304, 10405, 65535})
    EXPECT_FALSE(s.run(id)) << id;
  // An item of 100 or more is no identifier's split, even when group x 100 + item is one.
  EXPECT_FALSE(RunCommand(s.ctx, kCommandClose));
  EXPECT_TRUE(s.ui->questions().empty() && s.dialogs.artDialogs == 0);
  EXPECT_TRUE(s.doc.imageOpen && s.doc.artModified && s.program.artwork.count == 2);
  EXPECT_EQ(DocumentTitle(s.program, s.doc), "scan.tif - scan.art  <100%>");

  for (std::uint16_t id : {kCommandOpen, kCommandClose, kCommandSaveArt, kCommandSaveArtAs,
                           kCommandConvert, kCommandQuit}) {
    Shell idle;  // no document, and Open's dialog is cancelled: each runs and does no harm
    EXPECT_TRUE(idle.run(id)) << id;
    EXPECT_EQ(idle.dialogs.artDialogs, 0) << id;  // Save Art needs art
    EXPECT_EQ(DocumentTitle(idle.program, idle.doc), "Vectorlume");
  }
}

// The front ends decide from the driver's outcome; only art the driver made counts as unsaved.
TEST(CommandSet, ConvertingReportsTheDriversOutcomeAndMarksOnlyNewArtUnsaved) {
  using engine::ConversionResult;
  Shell s;
  ASSERT_TRUE(WriteBilevelTiff(s.scan, 120, 60, Squares(2, 10)));
  ASSERT_TRUE(s.open(false));
  const struct {
    const char* name;
    int noise;  // hundredths of a pixel
    engine::ConversionOutcome outcome;
  } cases[] = {
      {"squares", 100, {ConversionResult::kConverted, 0}},
      // The 10-pixel squares' boundaries (36 codes) are noise at 40 pixels.
      {"all noise", 4000, {ConversionResult::kNoPathsFound, msg::kNoPathsFound}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    s.doc.artModified = false;
    s.program.activeSettings.noiseSuppression = c.noise;
    const engine::ConversionOutcome outcome = ConvertDocument(s.program, s.doc);
    EXPECT_TRUE(outcome == c.outcome) << int(outcome.result) << " " << outcome.message;
    EXPECT_EQ(s.doc.artModified, c.outcome.result != ConversionResult::kRefused);
  }
  // All noise: no art.
  EXPECT_EQ(s.program.artwork.count, 0);
}

TEST(CommandSet, ArtIsKeptOnCancelDroppedOnNoAndSavedOnYes) {
  Shell s;
  ASSERT_TRUE(s.open(true));
  s.ui->scriptAnswers({"cancel", "cancel", "cancel", "yes", "yes", "yes", "no"});
  for (std::uint16_t id : {kCommandClose, kCommandQuit, kCommandOpen}) s.run(id);
  EXPECT_EQ(s.ui->questions(), Lines(3, s.artQuestion));  // Open asks after its dialog
  EXPECT_TRUE(s.doc.imageOpen && !s.doc.quitRequested && s.program.artwork.count == 2);

  // Yes runs the dialog on the untitled name; cancelling it, or a save that fails (its
  // message shown), stops the command and keeps the art modified.
  s.run(kCommandClose);
  EXPECT_EQ(s.dialogs.proposedArt, s.dir / "scan.art");
  s.dialogs.artFile = s.dir / "missing/out.eps";
  s.run(kCommandClose);
  EXPECT_EQ(s.ui->messages().back(), msg::Text(msg::kDiskFullOrLocked));
  EXPECT_TRUE(s.doc.imageOpen && s.doc.artModified);
  // Yes into a real file: written, then closed.
  s.dialogs.artFile = s.dir / "out.svg";
  s.dialogs.artFormat.svg = true;
  s.run(kCommandClose);
  EXPECT_FALSE(s.doc.imageOpen);
  EXPECT_EQ(CountOf(ReadFile(s.dir / "out.svg"), "<path "), 2);

  // No quits without saving anything.
  ASSERT_TRUE(s.open(true));
  s.run(kCommandQuit);
  EXPECT_EQ(s.ui->questions(), Lines(7, s.artQuestion));
  EXPECT_TRUE(s.doc.quitRequested && !s.doc.imageOpen && s.program.image.bitLayer.empty());
  EXPECT_EQ(s.program.artwork.count, 0);
  EXPECT_EQ(s.dir.entries(), (Lines{"out.svg", "scan.tif"}));
}

TEST(CommandSet, SavedArtIsNotAskedForAndSaveArtKeepsItsFile) {
  Shell s;
  ASSERT_TRUE(s.open(false));
  s.run(kCommandClose);  // no art: nothing to ask
  EXPECT_FALSE(s.doc.imageOpen);

  ASSERT_TRUE(s.open(true));
  s.dialogs.artFile = s.dir / "first.eps";
  s.run(kCommandSaveArt);  // untitled: through the dialog
  EXPECT_EQ(s.dialogs.artDialogs, 1);
  EXPECT_FALSE(s.doc.artModified);
  EXPECT_EQ(DocumentTitle(s.program, s.doc), "scan.tif - first.eps  <100%>");
  const std::string first = ReadFile(s.dir / "first.eps");
  ASSERT_TRUE(first.starts_with("%!PS-Adobe-3.0 EPSF-3.0"));
  // Save Art writes the same file again without a dialog.
  std::filesystem::remove(s.dir / "first.eps");
  s.doc.artModified = true;
  s.run(kCommandSaveArt);
  EXPECT_EQ(s.dialogs.artDialogs, 1);
  EXPECT_EQ(ReadFile(s.dir / "first.eps").size(), first.size());
  // Save Art As starts on the current name; here a plain GQ file is chosen.
  s.dialogs.artFile = s.dir / "second.gq";
  s.dialogs.artFormat = ArtFormat{art::kFormatGq3, art::kPreviewNone, false};
  s.run(kCommandSaveArtAs);
  EXPECT_EQ(s.dialogs.proposedArt, s.dir / "first.eps");
  EXPECT_NE(ReadFile(s.dir / "second.gq").find("Morvo_Graphiquant_GQ3"), std::string::npos);
  s.run(kCommandClose);  // saved: no question
  EXPECT_TRUE(s.ui->questions().empty());
  EXPECT_FALSE(s.doc.imageOpen);
}

TEST(CommandSet, AChangedPixelImageIsAskedForAfterTheArt) {
  Shell s;
  ASSERT_TRUE(s.open(true));
  s.doc.pixelImageModified = true;
  s.ui->scriptAnswers({"no", "cancel", "no", "yes", "yes"});
  s.run(kCommandClose);
  EXPECT_EQ(s.ui->questions(),
            (Lines{s.artQuestion, msg::Format(msg::kSavePixelImageQuestion, "scan.tif")}));
  EXPECT_TRUE(s.doc.imageOpen);
  // Yes rewrites the image into its own file, in its own format.
  const std::string bytes = ReadFile(s.scan);
  std::filesystem::remove(s.scan);
  s.run(kCommandClose);
  EXPECT_FALSE(s.doc.imageOpen);
  EXPECT_EQ(ReadFile(s.scan), bytes);

  // An untitled image is saved through its dialog.
  ASSERT_TRUE(s.open(false));
  s.doc.imageName = msg::Text(msg::kUntitledName);
  s.doc.imageUntitled = s.doc.pixelImageModified = true;
  s.dialogs.pixelFile = s.dir / "touched.tif";
  s.run(kCommandClose);
  EXPECT_EQ(s.ui->questions().back(), msg::Format(msg::kSavePixelImageQuestion, "Untitled"));
  EXPECT_EQ(ReadFile(s.dir / "touched.tif").substr(0, 2), "MM");
  EXPECT_FALSE(s.doc.imageOpen);
}

// Opening closes the document that was open, then tells what the read came to: read, the
// document open; failed, with the message shown; stopped by the user halfway through the rows,
// with no message. Unless read, no document is open and nothing of either image is kept.
TEST(OpenDocument, TellsWhatTheReadCameToAndOpensOnlyWhatWasRead) {
  TempDir dir;
  const std::string scan = dir / "scan.tif";
  ASSERT_TRUE(WriteBilevelTiff(scan, 120, 60, Squares(2, 40)));  // 60 rows, a poll before each
  WriteFile(dir / "notes.txt", "These are not pixels, just a few words of text.\n");
  WriteFile(dir / "cut.tif", ReadFile(scan).substr(0, ReadFile(scan).size() / 2));
  const struct {
    std::string path;
    int stopAtLook;  // the user presses Stop at this look at the events during the read; 0 never
    image::ReadOutcome outcome;
  } cases[] = {{scan, 0, image::kReadDone},
               {dir / "missing.tif", 0, image::ReadFailed(msg::kInputOpenError)},
               {dir / "notes.txt", 0, image::ReadFailed(msg::kUnknownInputFormat)},
               {dir / "cut.tif", 0, image::ReadFailed(msg::kTiffIncompleteData)},
               {scan, 30, image::kReadStopped}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + " " + std::to_string(c.stopAtLook));
    auto* ui = new test_support::StopOnDrainUi(0);  // owned by the program
    Program program{std::unique_ptr<platform::UserInterface>(ui), dir.path};
    Document doc;
    ASSERT_EQ(OpenDocument(program, doc, scan), image::kReadDone);
    ASSERT_TRUE(doc.imageOpen && doc.imageName == scan);
    if (c.stopAtLook > 0) ui->stopAt = ui->drains + c.stopAtLook;
    EXPECT_EQ(OpenDocument(program, doc, c.path), c.outcome);
    EXPECT_EQ(doc.imageOpen, c.outcome.read());
    EXPECT_EQ(doc.imageName, c.outcome.read() ? c.path : "");
    if (c.outcome.message == msg::kInputOpenError) {
      EXPECT_EQ(ui->messages(), Lines{msg::Format(msg::kInputOpenError, 2)});  // ENOENT
    } else {
      EXPECT_EQ(ui->messages(),
                c.outcome.message == 0 ? Lines{} : Lines{std::string(msg::Text(c.outcome.message))});
    }
    if (!c.outcome.read()) {
      EXPECT_TRUE(program.image.bitLayer.empty() && program.image.backupLayer.empty());
      EXPECT_EQ(program.image.fileHandle, platform::kNoFile);
      EXPECT_EQ(program.memory.used(), 0u);
    }
    CloseDocument(program, doc);
    platform::RemoveScratchFolder(program.scratchFolder);
  }
}

// A conversion waiting in the interactive-thinning pause lets commands run; Convert resumes it
// and Close winds it down, freeing what it held.
TEST(CommandSet, TheThinningPauseResumesOnConvertAndWindsDownOnClose) {
  for (bool close : {false, true}) {
    SCOPED_TRACE(close ? "close" : "convert");
    Shell s;
    ASSERT_TRUE(s.open(false));
    s.program.activeSettings.set(settings::kMethodOutline, false);
    s.program.activeSettings.set(settings::kMethodCenterline, true);
    s.program.activeSettings.set(settings::kInteractiveThinning, true);
    EXPECT_EQ(ConvertDocument(s.program, s.doc).result, engine::ConversionResult::kPaused);
    EXPECT_TRUE(s.program.app.interactiveThinningPaused && s.program.thinningPause.pending());
    if (close) {
      s.ui->scriptAnswers({"no"});
      s.run(kCommandClose);
      EXPECT_FALSE(s.doc.imageOpen);
    } else {
      s.program.thinningPause.choice = engine::SkeletonChoice::kDone;
      EXPECT_EQ(ConvertDocument(s.program, s.doc).result, engine::ConversionResult::kConverted);
      EXPECT_GT(s.program.artwork.count, 0);
    }
    EXPECT_FALSE(s.program.thinningPause.pending());
    EXPECT_FALSE(s.program.app.interactiveThinningPaused || s.program.app.converting);
  }
}

}  // namespace
}  // namespace vl::app::test
