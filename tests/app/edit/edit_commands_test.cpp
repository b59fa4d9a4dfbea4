// The editing commands on the program record: undo and redo of conversions and selections
// checked through the art bytes the EPS writer saves and the bit layer, undo left as it was
// by commands that fail, are refused or find nothing to do, and a conversion restricted to a
// selection.
#include <gtest/gtest.h>

#include "app/document_actions.h"
#include "app/edit_commands.h"
#include "base/message_table.h"
#include "settings/settings_defaults.h"
#include "tests/app/app_fixtures.h"

namespace vl::app::test {
namespace {

using Lines = std::vector<std::string>;

struct Editor {
  TempDir dir;
  platform::HeadlessUi* ui = new platform::HeadlessUi(nullptr);  // owned by the program
  Program program{std::unique_ptr<platform::UserInterface>(ui), dir.path};
  Document doc;
  std::string scan = dir / "scan.tif";

  explicit Editor(int squares = 2) {
    settings::setConversionDefaults(program.activeSettings);
    EXPECT_TRUE(WriteBilevelTiff(scan, 120, 60, Squares(squares, 40)));
    EXPECT_TRUE(OpenDocument(program, doc, scan).read());
  }
  ~Editor() { CloseDocument(program, doc); }

  // The art as Save Art writes it (EPS, without the creation date varying: same second).
  std::string artBytes() {
    const std::string path = dir / "art.eps";
    EXPECT_TRUE(WriteArtFile(program, doc, path, path, ArtFormat{}));
    return ReadFile(path);
  }
  std::vector<std::uint8_t> bitLayer() const {
    const auto* p = program.image.bitLayer.data();
    return {p, p + program.image.bitLayer.size()};
  }
  engine::ConversionOutcome convert() { return ConvertDocument(program, doc); }
  std::string menu() const { return UndoMenuItem(program); }
};

std::string MenuText(int prefix, int name) {
  std::string s;
  if (prefix != 0) s = msg::Text(prefix);
  s += msg::Text(name);
  s += msg::Text(msg::kUndoAccelerator);
  return s;
}

TEST(Undo, ConvertUndoRedoGiveTheArtBytesBeforeAndAfter) {
  Editor e;
  EXPECT_EQ(e.menu(), MenuText(0, msg::kCannotUndo));
  const std::string none = e.artBytes();
  ASSERT_TRUE(e.convert().ranToEnd());
  const std::string first = e.artBytes();
  ASSERT_NE(first, none);
  EXPECT_EQ(e.menu(), MenuText(msg::kUndoPrefix, msg::kUndoConvert));

  // A second conversion with another tolerance: undo gives back the first art, not nothing.
  e.program.activeSettings.tolerance = 50;
  ASSERT_TRUE(e.convert().ranToEnd());
  const std::string second = e.artBytes();
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
    EXPECT_EQ(e.artBytes(), first);
    EXPECT_EQ(e.menu(), MenuText(msg::kRedoPrefix, msg::kUndoConvert));
    ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
    EXPECT_EQ(e.artBytes(), second);
    EXPECT_EQ(e.menu(), MenuText(msg::kUndoPrefix, msg::kUndoConvert));
  }
  EXPECT_TRUE(e.ui->messages().empty());
}

TEST(Undo, FailedRefusedOrEmptyCommandsLeaveUndoAsItWas) {
  Editor e;
  ASSERT_TRUE(e.convert().ranToEnd());
  const std::string art = e.artBytes();
  const std::string menu = e.menu();
  // Grow and Similar without a pixel selection: nothing to do (the art's paths are no pixel
  // selection either).
  EXPECT_EQ(GrowSelectionCommand(e.program, e.doc), EditResult::kNothing);
  EXPECT_EQ(SelectSimilarCommand(e.program, e.doc), EditResult::kNothing);
  EXPECT_EQ(e.menu(), menu);
  // A conversion refused because its stage is missing changes nothing.
  e.program.activeSettings.set(settings::kMethodCenterline, true);
  EXPECT_EQ(e.convert().result, engine::ConversionResult::kRefused);
  EXPECT_EQ(e.menu(), menu);
  ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
  EXPECT_EQ(e.program.artwork.count, 0);
  ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
  EXPECT_EQ(e.artBytes(), art);
}

TEST(Undo, SelectionsUndoTheBitLayerAndTheSelectionFlagExactly) {
  Editor e;
  const auto loaded = e.bitLayer();
  ASSERT_EQ(MarqueeSelect(e.program, e.doc, 0, 0, 59, 59, image::kSelectNew), EditResult::kDone);
  const auto marked = e.bitLayer();
  ASSERT_NE(marked, loaded);
  EXPECT_EQ(e.menu(), MenuText(msg::kUndoPrefix, msg::kUndoMarquee));
  ASSERT_EQ(SelectInverseCommand(e.program, e.doc), EditResult::kDone);
  const auto inverse = e.bitLayer();
  ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
  EXPECT_EQ(e.bitLayer(), marked);
  EXPECT_TRUE(e.program.image.pixelSelection);
  ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
  EXPECT_EQ(e.bitLayer(), inverse);

  ASSERT_EQ(SelectNoneCommand(e.program, e.doc), EditResult::kDone);
  EXPECT_EQ(e.bitLayer(), loaded);
  EXPECT_FALSE(e.program.image.pixelSelection);
  ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
  EXPECT_EQ(e.bitLayer(), inverse);
  EXPECT_TRUE(e.program.image.pixelSelection);

  // With paths, selection commands switch undo off.
  ASSERT_EQ(SelectNoneCommand(e.program, e.doc), EditResult::kDone);
  ASSERT_TRUE(e.convert().ranToEnd());
  ASSERT_EQ(MagicWandClick(e.program, e.doc, 20, 20, image::kSelectNew), EditResult::kDone);
  EXPECT_EQ(e.menu(), MenuText(0, msg::kCannotUndo));
  EXPECT_EQ(UndoCommand(e.program, e.doc), EditResult::kNothing);
  EXPECT_EQ(e.ui->messages(), Lines{std::string(msg::Text(msg::kNothingToUndo))});
}

// The conversion traces the selected square only; Select None gives the other one back and
// the next conversion finds both. Undo of a stopped conversion is left as it was.
TEST(SelectionConversion, ConvertsThePartSelectedAndKeepsTheRest) {
  Editor e;
  const auto loaded = e.bitLayer();
  ASSERT_EQ(MagicWandClick(e.program, e.doc, 30, 30, image::kSelectNew), EditResult::kDone);
  ASSERT_TRUE(e.convert().ranToEnd());
  EXPECT_EQ(e.program.artwork.count, 1);
  ASSERT_EQ(e.program.artwork.count, 1);
  EXPECT_LT(e.program.artwork.paths[0].right, 60 * e.program.image.artScale);
  ASSERT_EQ(SelectNoneCommand(e.program, e.doc), EditResult::kDone);  // deselects the paths
  ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);          // the art goes
  ASSERT_EQ(SelectNoneCommand(e.program, e.doc), EditResult::kDone);  // now the pixels
  EXPECT_EQ(e.bitLayer(), loaded);
  ASSERT_TRUE(e.convert().ranToEnd());
  EXPECT_EQ(e.program.artwork.count, 2);
}

}  // namespace
}  // namespace vl::app::test
