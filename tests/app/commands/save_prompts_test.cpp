// The save prompts of Close, Quit and Open with scripted Yes, No and Cancel, and Save Art /
// Save Art As with and without a file name.
#include <gtest/gtest.h>

#include "app/message_table.h"
#include "image/save_pixel_image.h"
#include "tests/app/commands/command_test_shell.h"

namespace vl::app::test {
namespace {

std::string ArtQuestion(const char* name) { return msg::Format(msg::kSaveArtQuestion, name); }
std::string PixelQuestion(const char* name) {
  return msg::Format(msg::kSavePixelImageQuestion, name);
}

TEST(SavePrompts, CancelKeepsTheDocumentAndNoClosesWithoutSaving) {
  Shell s;
  ASSERT_TRUE(s.openAndConvert());

  s.ui->scriptAnswers({"cancel"});
  s.run(kCommandClose);
  ASSERT_EQ(s.questions().size(), 1u);
  EXPECT_EQ(s.questions()[0],
            "Save changes to the Morvo Vectorlume document \"scan.art\" before closing?");
  EXPECT_TRUE(s.doc.imageOpen);
  EXPECT_EQ(s.program.artwork.count, 2);

  s.ui->scriptAnswers({"cancel"});
  s.run(kCommandQuit);
  EXPECT_FALSE(s.doc.quitRequested);
  EXPECT_TRUE(s.doc.imageOpen);

  s.ui->scriptAnswers({"no"});
  s.run(kCommandQuit);
  EXPECT_EQ(s.questions().size(), 3u);
  EXPECT_TRUE(s.doc.quitRequested);
  EXPECT_FALSE(s.doc.imageOpen);
  EXPECT_EQ(s.program.artwork.count, 0);
  EXPECT_TRUE(s.program.image.bitLayer.empty());
  EXPECT_EQ(s.dialogs.artDialogs, 0);
  EXPECT_EQ(s.dir.entries(), std::vector<std::string>{"scan.tif"});
}

TEST(SavePrompts, YesSavesThroughTheDialogAndStopsWhenTheSaveDoesNot) {
  Shell s;
  ASSERT_TRUE(s.openAndConvert());

  // Yes, then the dialog is cancelled: the command stops, the art stays.
  s.ui->scriptAnswers({"yes"});
  s.run(kCommandClose);
  EXPECT_EQ(s.dialogs.proposedArt, s.dir / "scan.art");
  EXPECT_EQ(s.dialogs.proposedFormat.preview, art::kPreviewHeader);
  EXPECT_TRUE(s.doc.imageOpen);

  // Yes, into a folder that does not exist: the failure is shown and the art stays.
  s.dialogs.artFile = s.dir / "missing/out.eps";
  s.ui->scriptAnswers({"yes"});
  s.run(kCommandClose);
  EXPECT_EQ(s.ui->messages().back(), msg::Text(msg::kDiskFullOrLocked));
  EXPECT_TRUE(s.doc.imageOpen);
  EXPECT_TRUE(s.doc.artModified);

  // Yes, into a real file: written, then closed.
  s.dialogs.artFile = s.dir / "out.svg";
  s.dialogs.artFormat.svg = true;
  s.ui->scriptAnswers({"yes"});
  s.run(kCommandClose);
  EXPECT_FALSE(s.doc.imageOpen);
  EXPECT_EQ(CountOf(ReadFile(s.dir / "out.svg"), "<path "), 2);
  EXPECT_EQ(s.questions().size(), 3u);
}

TEST(SavePrompts, ArtWithoutChangesOrPathsIsNotAskedFor) {
  Shell s;
  ASSERT_TRUE(s.openScan());
  s.run(kCommandClose);  // no art at all
  EXPECT_TRUE(s.questions().empty());
  EXPECT_FALSE(s.doc.imageOpen);

  ASSERT_TRUE(s.openAndConvert());
  s.dialogs.artFile = s.dir / "saved.eps";
  s.run(kCommandSaveArt);  // untitled: through the dialog
  EXPECT_EQ(s.dialogs.artDialogs, 1);
  EXPECT_FALSE(s.doc.artModified);
  EXPECT_EQ(DocumentTitle(s.program, s.doc), "scan.tif - saved.eps  <100%>");
  s.run(kCommandClose);  // saved: no question
  EXPECT_TRUE(s.questions().empty());
  EXPECT_FALSE(s.doc.imageOpen);
}

TEST(SavePrompts, SaveArtWritesToItsFileAndSaveArtAsChoosesAnother) {
  Shell s;
  ASSERT_TRUE(s.openScan());
  s.run(kCommandSaveArtAs);  // no art: does nothing
  EXPECT_EQ(s.dialogs.artDialogs, 0);

  s.run(kCommandConvert);
  s.dialogs.artFile = s.dir / "first.eps";
  s.run(kCommandSaveArtAs);
  EXPECT_EQ(s.dialogs.artDialogs, 1);
  const std::string first = ReadFile(s.dir / "first.eps");
  EXPECT_EQ(first.rfind("%!PS-Adobe-3.0 EPSF-3.0", 0), 0u);

  // Save Art goes to the same file without a dialog.
  std::filesystem::remove(s.dir / "first.eps");
  s.doc.artModified = true;
  s.run(kCommandSaveArt);
  EXPECT_EQ(s.dialogs.artDialogs, 1);
  EXPECT_EQ(ReadFile(s.dir / "first.eps").size(), first.size());
  EXPECT_FALSE(s.doc.artModified);

  // Save Art As starts on the current name and format; a plain GQ file is chosen.
  s.dialogs.artFile = s.dir / "second.gq";
  s.dialogs.artFormat = ArtFormat{art::kFormatGq3, art::kPreviewNone, false};
  s.run(kCommandSaveArtAs);
  EXPECT_EQ(s.dialogs.proposedArt, s.dir / "first.eps");
  EXPECT_EQ(s.doc.artName, s.dir / "second.gq");
  EXPECT_NE(ReadFile(s.dir / "second.gq").find("Morvo_Graphiquant_GQ3"), std::string::npos);
}

TEST(SavePrompts, ThePixelImageIsAskedForAfterTheArt) {
  Shell s;
  ASSERT_TRUE(s.openAndConvert());
  s.doc.pixelImageModified = true;

  s.ui->scriptAnswers({"no", "cancel"});
  s.run(kCommandClose);
  ASSERT_EQ(s.questions().size(), 2u);
  EXPECT_EQ(s.questions()[0], ArtQuestion("scan.art"));
  EXPECT_EQ(s.questions()[1], PixelQuestion("scan.tif"));
  EXPECT_TRUE(s.doc.imageOpen);

  // Yes rewrites the image into its own file, in its own format.
  const auto before = std::filesystem::last_write_time(s.scan);
  const std::string bytes = ReadFile(s.scan);
  std::filesystem::last_write_time(s.scan, before - std::chrono::hours(1));
  s.ui->scriptAnswers({"no", "yes"});
  s.run(kCommandClose);
  EXPECT_FALSE(s.doc.imageOpen);
  EXPECT_EQ(s.dialogs.pixelDialogs, 0);
  EXPECT_GT(std::filesystem::last_write_time(s.scan), before - std::chrono::hours(1));
  EXPECT_EQ(ReadFile(s.scan), bytes);  // the same pixels, written the same way
}

TEST(SavePrompts, AnUntitledImageIsSavedThroughItsDialog) {
  Shell s;
  ASSERT_TRUE(s.openScan());
  s.doc.imageName = msg::Text(msg::kUntitledName);
  s.doc.imageUntitled = true;
  s.doc.pixelImageModified = true;

  s.ui->scriptAnswers({"yes"});  // the dialog is cancelled: the command stops
  s.run(kCommandClose);
  EXPECT_EQ(s.questions().back(), PixelQuestion("Untitled"));
  EXPECT_EQ(s.dialogs.proposedPixel, "Untitled");
  EXPECT_TRUE(s.doc.imageOpen);

  s.dialogs.pixelFile = s.dir / "touched.tif";
  s.dialogs.pixelFileFormat = image::kPixelSaveTiff;
  s.ui->scriptAnswers({"yes"});
  s.run(kCommandOpen);  // Open asks too, after its dialog (which reopens the scan)
  EXPECT_EQ(s.questions().size(), 2u);
  EXPECT_EQ(ReadFile(s.dir / "touched.tif").substr(0, 2), "MM");
  EXPECT_TRUE(s.doc.imageOpen);
  EXPECT_FALSE(s.doc.imageUntitled);
  EXPECT_EQ(s.doc.imageName, s.scan);
}

}  // namespace
}  // namespace vl::app::test
