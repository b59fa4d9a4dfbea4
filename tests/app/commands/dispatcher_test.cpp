// The dispatcher: identifiers packed as (group, item), the commands of this build, the ones it
// ignores, Open and Convert with their questions, and the window's close request.
#include <gtest/gtest.h>

#include "app/message_table.h"
#include "tests/app/commands/command_test_shell.h"

namespace vl::app::test {
namespace {

TEST(Dispatcher, PacksGroupAndItemAndIgnoresWhatItDoesNotKnow) {
  EXPECT_EQ(PackCommand(kCommandOpen), (129u << 16) | 1u);
  EXPECT_EQ(PackCommand(kCommandQuit), (129u << 16) | 17u);
  EXPECT_EQ(PackCommand(10001), (100u << 16) | 1u);  // the first acquire plug-in
  EXPECT_EQ(PackCommand(13307), (133u << 16) | 7u);

  Shell s;
  ASSERT_TRUE(s.openAndConvert());
  const int paths = s.program.artwork.count;
  s.doc.artModified = true;
  // Outside the table, or commands whose stages this build lacks (Revert, Batch, Undo, Copy,
  // the views, the acquire plug-ins...): nothing happens, nothing is asked.
  for (std::uint16_t id : {0, 1, 12902, 12906, 12907, 12910, 12911, 12918, 13001, 13004, 13101,
                           13202, 13307, 10001, 10101, 65535}) {
    EXPECT_FALSE(s.run(id)) << id;
  }
  // An item of 100 or more is no identifier's split, even when group x 100 + item is one.
  EXPECT_FALSE(RunCommand(s.ctx, kCommandClose));
  EXPECT_TRUE(s.questions().empty());
  EXPECT_EQ(s.dialogs.imageDialogs, 1);
  EXPECT_EQ(s.dialogs.artDialogs, 0);
  EXPECT_TRUE(s.doc.imageOpen);
  EXPECT_EQ(s.program.artwork.count, paths);

  for (std::uint16_t id : {kCommandOpen, kCommandClose, kCommandSaveArt, kCommandSaveArtAs,
                           kCommandConvert, kCommandQuit}) {
    Shell idle;  // no document: each runs and does nothing harmful
    EXPECT_TRUE(idle.run(id)) << id;
    EXPECT_FALSE(idle.doc.imageOpen);
    EXPECT_EQ(idle.dialogs.artDialogs, 0) << id;  // Save Art needs art
  }
}

TEST(Dispatcher, OpenReadsTheChosenFileAndConvertAsksBeforeReplacingArt) {
  Shell s;
  s.dialogs.imageFile.reset();  // the dialog is cancelled: nothing happens
  EXPECT_TRUE(s.run(kCommandOpen));
  EXPECT_FALSE(s.doc.imageOpen);
  EXPECT_EQ(DocumentTitle(s.program, s.doc), "Vectorlume");

  ASSERT_TRUE(s.openScan());
  EXPECT_EQ(s.program.image.width, 120);
  EXPECT_EQ(DocumentTitle(s.program, s.doc), "scan.tif  <100%>");

  s.run(kCommandConvert);
  EXPECT_TRUE(s.questions().empty());  // no art yet: no question
  const int paths = s.program.artwork.count;
  EXPECT_EQ(paths, 2);
  EXPECT_TRUE(s.doc.artModified);
  EXPECT_TRUE(s.program.app.artPresent);
  EXPECT_EQ(DocumentTitle(s.program, s.doc), "scan.tif - scan.art  <100%>");

  // "Convert image again?" No keeps the art as it is (a path removed stays removed) ...
  art::deletePath(s.program.artwork, 0);
  s.ui->scriptAnswers({"no"});
  s.run(kCommandConvert);
  ASSERT_EQ(s.questions().size(), 1u);
  EXPECT_EQ(s.questions()[0], msg::Text(msg::kConvertAgainQuestion));
  EXPECT_EQ(s.program.artwork.count, paths - 1);
  // ... Yes converts afresh.
  s.ui->scriptAnswers({"yes"});
  s.run(kCommandConvert);
  EXPECT_EQ(s.program.artwork.count, paths);

  // A file that cannot be read leaves no document open.
  s.doc.artModified = false;
  s.dialogs.imageFile = s.dir / "missing.tif";
  s.run(kCommandOpen);
  EXPECT_FALSE(s.doc.imageOpen);
  EXPECT_EQ(s.ui->messages().back(), msg::Format(msg::kInputOpenError, 2));
  EXPECT_EQ(s.program.artwork.count, 0);
}

TEST(Dispatcher, ClosingTheWindowDuringAConversionOnlyStopsIt) {
  Shell s;
  ASSERT_TRUE(s.openScan());
  bool closeAllowed = true, closeCommandRan = true;
  s.ui->atNextDrain = [&] {
    EXPECT_TRUE(s.program.app.converting);
    closeCommandRan = s.run(kCommandClose);  // the menus are disabled meanwhile
    closeAllowed = RequestWindowClose(s.ctx);
  };
  s.run(kCommandConvert);
  EXPECT_FALSE(closeCommandRan);
  EXPECT_FALSE(closeAllowed);
  EXPECT_NE(s.program.conversion.abortRequested, 0);
  EXPECT_LT(s.program.artwork.count, 2);  // stopped before the end
  EXPECT_TRUE(s.doc.imageOpen);
  EXPECT_FALSE(s.doc.quitRequested);
  EXPECT_FALSE(s.program.app.converting);
  EXPECT_TRUE(s.ui->messages().empty());  // no message after a stop

  // Idle, the close request is Quit: with nothing to save the program may end.
  s.doc.artModified = false;
  EXPECT_TRUE(RequestWindowClose(s.ctx));
  EXPECT_TRUE(s.doc.quitRequested);
  EXPECT_FALSE(s.doc.imageOpen);
}

}  // namespace
}  // namespace vl::app::test
