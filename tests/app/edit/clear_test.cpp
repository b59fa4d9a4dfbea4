// Clear on the program record: the selected paths deleted and given back by undo byte for byte,
// the selected ink of a bilevel image cleared from the image as loaded and given back, the
// selected gray and colour pixels turned white and given back, and the cases where Clear must
// change nothing, undo included.
#include <gtest/gtest.h>

#include <functional>

#include "app/document_actions.h"
#include "app/edit_commands.h"
#include "base/message_table.h"
#include "image/pixel_clear.h"
#include "settings/settings_defaults.h"
#include "tests/app/app_fixtures.h"

namespace vl::app::test {
namespace {

struct Clearing : DocumentRig {
  explicit Clearing(const Ink& ink = Squares(3, 40), int width = 170, int height = 60) {
    EXPECT_TRUE(openBilevel(width, height, ink));
  }
  std::string artBytes() {
    const std::string path = dir / "art.eps";
    EXPECT_TRUE(WriteArtFile(program, doc, path, path, ArtFormat{}));
    return ReadFile(path);
  }
  void select(std::initializer_list<int> paths) {
    for (int i : paths) program.artwork.paths[i].flags |= art::kSelected;
    program.artwork.selectedCount = int(paths.size());
  }
};

TEST(ClearPaths, DeletesTheSelectedPathsAndUndoRedoGiveTheBytesBack) {
  Clearing c;
  ASSERT_TRUE(ConvertDocument(c.program, c.doc).ranToEnd());
  ASSERT_EQ(c.program.artwork.count, 3);
  const art::PathRecord& middle = c.program.artwork.paths[1];
  const std::int32_t middleLeft = middle.left, middleRight = middle.right;
  c.doc.artModified = false;
  c.select({0, 2});
  const std::string before = c.artBytes();

  ASSERT_EQ(ClearCommand(c.program, c.doc), EditResult::kDone);
  ASSERT_EQ(c.program.artwork.count, 1);
  EXPECT_EQ(c.program.artwork.paths[0].left, middleLeft);  // the unselected one stays
  EXPECT_EQ(c.program.artwork.paths[0].right, middleRight);
  EXPECT_EQ(c.program.artwork.selectedCount, 0);
  EXPECT_TRUE(c.doc.artModified);
  EXPECT_EQ(c.menu(), MenuText(msg::kUndoPrefix, msg::kUndoDelete));
  const std::string after = c.artBytes();
  EXPECT_TRUE(after != before);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(UndoCommand(c.program, c.doc), EditResult::kDone);
    EXPECT_TRUE(c.artBytes() == before);
    EXPECT_EQ(c.program.artwork.selectedCount, 2);
    EXPECT_EQ(c.menu(), MenuText(msg::kRedoPrefix, msg::kUndoDelete));
    ASSERT_EQ(UndoCommand(c.program, c.doc), EditResult::kDone);
    EXPECT_TRUE(c.artBytes() == after);
  }

  EXPECT_TRUE(c.ui->messages().empty());
}

TEST(ClearPaths, NothingSelectedLeavesArtPixelsAndUndoAlone) {
  Clearing c;
  ASSERT_TRUE(ConvertDocument(c.program, c.doc).ranToEnd());
  const std::string art = c.artBytes();
  const std::string menu = c.menu();
  const Bytes backup = c.backup();
  ASSERT_EQ(c.program.artwork.selectedCount, 0);
  EXPECT_EQ(ClearCommand(c.program, c.doc), EditResult::kNothing);
  EXPECT_TRUE(c.artBytes() == art);
  EXPECT_EQ(c.menu(), menu);
  EXPECT_EQ(c.backup(), backup);  // with art, the pixels are never cleared
  EXPECT_TRUE(c.ui->messages().empty());
}

TEST(ClearPixels, ClearsTheSelectedInkFromTheImageAndUndoRedoSwapIt) {
  const Ink squares = Squares(3, 40);
  Clearing c(squares);
  // The marquee takes the first square and the left half of the second.
  const auto inside = [](int x, int y) { return x <= 79 && y <= 59; };
  ASSERT_EQ(MarqueeSelect(c.program, c.doc, 0, 0, 79, 59, image::kSelectNew), EditResult::kDone);
  const Bytes marked = c.bits(), loaded = c.backup();
  const Ink rest = [&](int x, int y) { return squares(x, y) && !inside(x, y); };

  ASSERT_EQ(ClearCommand(c.program, c.doc), EditResult::kDone);
  EXPECT_TRUE(c.doc.pixelImageModified);
  EXPECT_TRUE(c.holds(c.program.image.bitLayer, [](int, int) { return false; }));
  EXPECT_TRUE(c.holds(c.program.image.backupLayer, rest));
  EXPECT_TRUE(c.program.image.pixelSelection);
  EXPECT_EQ(c.menu(), MenuText(msg::kUndoPrefix, msg::kUndoClear));
  const Bytes clearedBits = c.bits(), clearedBackup = c.backup();
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(UndoCommand(c.program, c.doc), EditResult::kDone);
    EXPECT_EQ(c.bits(), marked);
    EXPECT_EQ(c.backup(), loaded);
    EXPECT_EQ(c.menu(), MenuText(msg::kRedoPrefix, msg::kUndoClear));
    ASSERT_EQ(UndoCommand(c.program, c.doc), EditResult::kDone);
    EXPECT_EQ(c.bits(), clearedBits);
    EXPECT_EQ(c.backup(), clearedBackup);
  }

  // Dropping the selection shows what is left, and only that converts.
  ASSERT_EQ(SelectNoneCommand(c.program, c.doc), EditResult::kDone);
  EXPECT_TRUE(c.holds(c.program.image.bitLayer, rest));
  ASSERT_TRUE(ConvertDocument(c.program, c.doc).ranToEnd());
  EXPECT_EQ(c.program.artwork.count, 2);  // half the second square and the third
  EXPECT_TRUE(c.ui->messages().empty());
}

TEST(ClearPixels, WithoutSelectedInkNothingChanges) {
  const struct {
    const char* name;
    std::function<void(Clearing&)> prepare;
  } cases[] = {
      {"no selection", [](Clearing&) {}},
      {"selection on paper only",
       [](Clearing& c) {
         ASSERT_EQ(MarqueeSelect(c.program, c.doc, 0, 0, 169, 5, image::kSelectNew),
                   EditResult::kDone);
       }},
      {"empty selection",
       [](Clearing& c) {
         ASSERT_EQ(MarqueeSelect(c.program, c.doc, 0, 0, 169, 59, image::kSelectNew),
                   EditResult::kDone);
         ASSERT_EQ(SelectInverseCommand(c.program, c.doc), EditResult::kDone);
       }},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Clearing c;
    k.prepare(c);
    const Bytes bits = c.bits(), backup = c.backup();
    const std::string menu = c.menu();
    EXPECT_EQ(ClearCommand(c.program, c.doc), EditResult::kNothing);
    EXPECT_EQ(c.bits(), bits);
    EXPECT_EQ(c.backup(), backup);
    EXPECT_EQ(c.menu(), menu);
    EXPECT_FALSE(c.doc.pixelImageModified);
    EXPECT_TRUE(c.ui->messages().empty());
  }
}

TEST(ClearPixels, MemoryShortForUndoAsksFirst) {
  for (const bool goOn : {false, true}) {
    SCOPED_TRACE(goOn);
    Clearing c;
    ASSERT_EQ(SelectAllCommand(c.program, c.doc), EditResult::kDone);
    const Bytes bits = c.bits(), backup = c.backup();
    c.program.memory.failAfter(0);
    c.ui->scriptAnswers({goOn ? "yes" : "no"});
    const EditResult r = ClearCommand(c.program, c.doc);
    c.program.memory.failAfter(-1);
    EXPECT_EQ(c.ui->questions(), std::vector<std::string>{std::string(msg::Text(msg::kUndoMemoryQuestion))});
    if (goOn) {
      EXPECT_EQ(r, EditResult::kDone);
      EXPECT_TRUE(c.holds(c.program.image.backupLayer, [](int, int) { return false; }));
      EXPECT_EQ(c.menu(), MenuText(0, msg::kCannotUndo));
    } else {
      // Declined: the image and the Select All step are as they were.
      EXPECT_EQ(r, EditResult::kCancelled);
      EXPECT_EQ(c.bits(), bits);
      EXPECT_EQ(c.backup(), backup);
      EXPECT_EQ(c.menu(), MenuText(msg::kUndoPrefix, msg::kUndoSelectAll));
    }
  }
}

// A gray scale, RGB or CMYK picture whose every sample differs from white and from its
// neighbours, so a pixel cleared or restored in the wrong place shows.
struct ColorPicture : DocumentRig {
  static constexpr int kWidth = 50, kHeight = 30;

  explicit ColorPicture(int samples) { EXPECT_TRUE(openGraded(kWidth, kHeight, samples)); }
};

TEST(ClearPixels, GrayAndColorPixelsTurnWhiteAndUndoRedoGiveTheBytesBack) {
  // The marquee: columns 10..29, rows 5..19 (pixels, inclusive).
  const auto inside = [](int x, int y) { return x >= 10 && x <= 29 && y >= 5 && y <= 19; };
  for (const int spp : {1, 3, 4}) {
    SCOPED_TRACE(spp);
    ColorPicture c(spp);
    const image::RasterImage& image = c.program.image;
    ASSERT_EQ(int(image.samplesPerPixel), spp);
    ASSERT_EQ(MarqueeSelect(c.program, c.doc, 10, 5, 29, 19, image::kSelectNew), EditResult::kDone);
    const Bytes before = c.samples();
    const Bytes mask = c.bits();

    ASSERT_EQ(ClearCommand(c.program, c.doc), EditResult::kDone);
    EXPECT_TRUE(c.doc.pixelImageModified);
    EXPECT_EQ(c.menu(), MenuText(msg::kUndoPrefix, msg::kUndoClear));
    const Bytes cleared = c.samples();
    // White is no ink in CMYK, full intensity otherwise.
    const std::uint8_t white = spp == 4 ? 0 : 255;
    for (int y = 0; y < ColorPicture::kHeight; ++y)
      for (int x = 0; x < ColorPicture::kWidth; ++x)
        for (int s = 0; s < spp; ++s) {
          const std::size_t at = std::size_t((y * ColorPicture::kWidth + x) * spp + s);
          ASSERT_EQ(cleared[at], inside(x, y) ? white : before[at]) << x << "," << y;
        }
    // The selection stays as it was.
    EXPECT_EQ(c.bits(), mask);
    for (int round = 0; round < 2; ++round) {
      ASSERT_EQ(UndoCommand(c.program, c.doc), EditResult::kDone);
      EXPECT_EQ(c.samples(), before);
      EXPECT_EQ(c.menu(), MenuText(msg::kRedoPrefix, msg::kUndoClear));
      ASSERT_EQ(UndoCommand(c.program, c.doc), EditResult::kDone);
      EXPECT_EQ(c.samples(), cleared);
    }
    // White cleared to white changes nothing and keeps the step.
    EXPECT_EQ(ClearCommand(c.program, c.doc), EditResult::kNothing);
    EXPECT_EQ(c.menu(), MenuText(msg::kUndoPrefix, msg::kUndoClear));
    EXPECT_TRUE(c.ui->messages().empty());
  }
}

TEST(ClearPixels, ColorRowsReadFromTheFileAreRefusedUntouched) {
  ColorPicture c(3);
  ASSERT_EQ(SelectAllCommand(c.program, c.doc), EditResult::kDone);
  c.program.image.colorInMemory = false;  // as when the layer could not be had at load
  const Bytes samples = c.samples();
  const std::string menu = c.menu();
  EXPECT_EQ(image::CheckPixelClear(c.program.image), image::PixelClearCheck::kColorInFile);
  EXPECT_EQ(ClearCommand(c.program, c.doc), EditResult::kFailed);
  ASSERT_EQ(c.ui->messages().size(), 1u);
  const std::string tail = msg::Format(msg::kNotAvailableInThisBuild, "");
  EXPECT_TRUE(c.ui->messages()[0].ends_with(tail)) << c.ui->messages()[0];
  EXPECT_EQ(c.samples(), samples);
  EXPECT_EQ(c.menu(), menu);
  EXPECT_FALSE(c.doc.pixelImageModified);
}

}  // namespace
}  // namespace vl::app::test
