// Fill on the program record: the pixel selection takes the current paint on bilevel, gray, RGB
// and CMYK images; undo gives the pixels back bit for bit and redo fills them again; the cases
// where Fill must change nothing, undo included; and the paint's conversion to samples.
#include <gtest/gtest.h>

#include <functional>

#include "app/document_actions.h"
#include "app/edit_commands.h"
#include "app/pixel_fill.h"
#include "base/message_table.h"
#include "image/pixel_clear.h"
#include "settings/settings_defaults.h"
#include "tests/app/app_fixtures.h"

namespace vl::app::test {
namespace {

std::string UndoName(int prefix) { return MenuText(prefix, msg::kUndoFill); }

struct Document_ : DocumentRig {
  // Undo and redo, twice over: the image must alternate between `before` and `after`.
  template <class Snapshot>
  void undoRedoAlternate(Snapshot snapshot, const Bytes& before, const Bytes& after) {
    for (int round = 0; round < 2; ++round) {
      ASSERT_EQ(UndoCommand(program, doc), EditResult::kDone);
      EXPECT_EQ(snapshot(), before);
      EXPECT_EQ(menu(), UndoName(msg::kRedoPrefix));
      ASSERT_EQ(UndoCommand(program, doc), EditResult::kDone);
      EXPECT_EQ(snapshot(), after);
      EXPECT_EQ(menu(), UndoName(msg::kUndoPrefix));
    }
  }
};

struct Bilevel : Document_ {
  explicit Bilevel(const Ink& ink = Squares(3, 40)) { EXPECT_TRUE(openBilevel(170, 60, ink)); }
  Bytes both() const {
    Bytes b = bits(), l = backup();
    b.insert(b.end(), l.begin(), l.end());
    return b;
  }
};

TEST(FillBilevel, BlackFillsTheMarkedRectangleAndUndoRedoSwapIt) {
  const Ink squares = Squares(3, 40);
  // Rectangles that cut through squares and paper, and Select All.
  const struct {
    const char* name;
    int left, top, right, bottom;
    bool all;
  } cases[] = {
      {"across two squares", 30, 5, 79, 40, false},
      {"dragged right to left", 79, 40, 30, 5, false},
      {"past the image's edges", -20, -9, 200, 25, false},
      {"select all", 0, 0, 169, 59, true},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Bilevel b(squares);
    const EditResult selected =
        k.all ? SelectAllCommand(b.program, b.doc)
              : MarqueeSelect(b.program, b.doc, k.left, k.top, k.right, k.bottom, image::kSelectNew);
    ASSERT_EQ(selected, EditResult::kDone);
    const int l = std::max(std::min(k.left, k.right), 0), r = std::min(std::max(k.left, k.right), 169);
    const int t = std::max(std::min(k.top, k.bottom), 0), bt = std::min(std::max(k.top, k.bottom), 59);
    const auto inside = [&](int x, int y) { return x >= l && x <= r && y >= t && y <= bt; };
    const Bytes before = b.both();

    ASSERT_EQ(FillCommand(b.program, b.doc), EditResult::kDone);
    EXPECT_TRUE(b.doc.pixelImageModified);
    EXPECT_EQ(b.menu(), UndoName(msg::kUndoPrefix));
    // The image as loaded has the rectangle black; the selection holds it, and only it.
    EXPECT_TRUE(b.holds(b.program.image.backupLayer,
                        [&](int x, int y) { return squares(x, y) || inside(x, y); }));
    EXPECT_TRUE(b.holds(b.program.image.bitLayer, inside));
    b.undoRedoAlternate([&] { return b.both(); }, before, b.both());
    // Filled once more, nothing changes and the step stays.
    EXPECT_EQ(FillCommand(b.program, b.doc), EditResult::kNothing);
    EXPECT_EQ(b.menu(), UndoName(msg::kUndoPrefix));
    EXPECT_TRUE(b.ui->messages().empty());
  }
}

TEST(FillBilevel, AFilledRectangleConvertsAsOneShape) {
  Bilevel b([](int, int) { return false; });
  ASSERT_EQ(MarqueeSelect(b.program, b.doc, 20, 10, 59, 39, image::kSelectNew), EditResult::kDone);
  ASSERT_EQ(FillCommand(b.program, b.doc), EditResult::kDone);
  ASSERT_EQ(SelectNoneCommand(b.program, b.doc), EditResult::kDone);
  ASSERT_TRUE(ConvertDocument(b.program, b.doc).ranToEnd());
  ASSERT_EQ(b.program.artwork.count, 1);
  const art::PathRecord& p = b.program.artwork.paths[0];
  // The outline runs along the pixels' outer edges (art units, within a sixteenth of a pixel).
  const double s = b.program.image.artScale;
  EXPECT_NEAR(p.left, 20 * s, s / 16);
  EXPECT_NEAR(p.top, 10 * s, s / 16);
  EXPECT_NEAR(p.right, 60 * s, s / 16);
  EXPECT_NEAR(p.bottom, 40 * s, s / 16);
}

TEST(FillBilevel, WhitePaintClearsTheSelectedInkAsClearWould) {
  const Ink squares = Squares(3, 40);
  for (const PaintSlot paint : {PaintSlot{SlotType::kWhite}, PaintSlot{SlotType::kBlack, 0, 0, 0, 0}}) {
    SCOPED_TRACE(int(paint.k));
    Bilevel filled(squares), cleared(squares);
    for (Bilevel* b : {&filled, &cleared})
      ASSERT_EQ(MarqueeSelect(b->program, b->doc, 0, 0, 79, 59, image::kSelectNew), EditResult::kDone);
    const Bytes before = filled.both();
    filled.program.currentPaint = paint;
    ASSERT_EQ(FillCommand(filled.program, filled.doc), EditResult::kDone);
    ASSERT_EQ(ClearCommand(cleared.program, cleared.doc), EditResult::kDone);
    EXPECT_EQ(filled.both(), cleared.both());
    filled.undoRedoAlternate([&] { return filled.both(); }, before, cleared.both());
  }
}

TEST(FillBilevel, SelectionsOfInkOnlyOrNoneChangeNothing) {
  const struct {
    const char* name;
    std::function<void(Bilevel&)> prepare;
  } cases[] = {
      {"no selection", [](Bilevel&) {}},
      {"wand on a square",
       [](Bilevel& b) { ASSERT_EQ(MagicWandClick(b.program, b.doc, 20, 20, image::kSelectNew), EditResult::kDone); }},
      {"marquee, then the wand outside it",
       [](Bilevel& b) {
         ASSERT_EQ(MarqueeSelect(b.program, b.doc, 0, 0, 169, 5, image::kSelectNew), EditResult::kDone);
         ASSERT_EQ(MagicWandClick(b.program, b.doc, 20, 20, image::kSelectNew), EditResult::kDone);
       }},
      {"marquee added to another",
       [](Bilevel& b) {
         ASSERT_EQ(MarqueeSelect(b.program, b.doc, 0, 0, 20, 20, image::kSelectNew), EditResult::kDone);
         ASSERT_EQ(MarqueeSelect(b.program, b.doc, 60, 0, 90, 20, image::kSelectAdd), EditResult::kDone);
       }},
      {"marquee undone",
       [](Bilevel& b) {
         ASSERT_EQ(MarqueeSelect(b.program, b.doc, 0, 0, 169, 59, image::kSelectNew), EditResult::kDone);
         ASSERT_EQ(UndoCommand(b.program, b.doc), EditResult::kDone);
       }},
      {"inverted",
       [](Bilevel& b) {
         ASSERT_EQ(MarqueeSelect(b.program, b.doc, 0, 0, 169, 59, image::kSelectNew), EditResult::kDone);
         ASSERT_EQ(SelectInverseCommand(b.program, b.doc), EditResult::kDone);
       }},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Bilevel b;
    k.prepare(b);
    const Bytes before = b.both();
    const std::string menu = b.menu();
    EXPECT_EQ(FillCommand(b.program, b.doc), EditResult::kNothing);
    EXPECT_EQ(b.both(), before);
    EXPECT_EQ(b.menu(), menu);
    EXPECT_FALSE(b.doc.pixelImageModified);
    EXPECT_TRUE(b.ui->messages().empty());
  }
}

TEST(FillBilevel, WithArtThePixelsStayAndAPaintOfNoneIsRefused) {
  Bilevel withArt;
  ASSERT_TRUE(ConvertDocument(withArt.program, withArt.doc).ranToEnd());
  const Bytes art = withArt.both();
  EXPECT_EQ(FillCommand(withArt.program, withArt.doc), EditResult::kNothing);
  EXPECT_EQ(withArt.both(), art);

  Bilevel none;
  ASSERT_EQ(SelectAllCommand(none.program, none.doc), EditResult::kDone);
  none.program.currentPaint = PaintSlot{SlotType::kNone};
  const Bytes before = none.both();
  const std::string menu = none.menu();
  EXPECT_EQ(FillCommand(none.program, none.doc), EditResult::kFailed);
  EXPECT_EQ(none.ui->messages(), std::vector<std::string>{std::string(msg::Text(msg::kNoneNotForDrawing))});
  EXPECT_EQ(none.both(), before);
  EXPECT_EQ(none.menu(), menu);
}

TEST(FillBilevel, MemoryShortForUndoAsksFirst) {
  for (const bool goOn : {false, true}) {
    SCOPED_TRACE(goOn);
    Bilevel b([](int, int) { return false; });
    ASSERT_EQ(SelectAllCommand(b.program, b.doc), EditResult::kDone);
    const Bytes before = b.both();
    // The added ink's block is had; the undo copy is not.
    b.program.memory.failAfter(1);
    b.ui->scriptAnswers({goOn ? "yes" : "no"});
    const EditResult r = FillCommand(b.program, b.doc);
    b.program.memory.failAfter(-1);
    EXPECT_EQ(b.ui->questions(), std::vector<std::string>{std::string(msg::Text(msg::kUndoMemoryQuestion))});
    if (goOn) {
      EXPECT_EQ(r, EditResult::kDone);
      EXPECT_TRUE(b.holds(b.program.image.backupLayer, [](int, int) { return true; }));
    } else {
      EXPECT_EQ(r, EditResult::kCancelled);
      EXPECT_EQ(b.both(), before);
    }
  }
}

// A gray scale, RGB or CMYK picture whose samples differ from each other and from any paint,
// so a pixel filled or restored in the wrong place shows.
struct Picture : Document_ {
  static constexpr int kWidth = 50, kHeight = 30;
  explicit Picture(int samples) { EXPECT_TRUE(openGraded(kWidth, kHeight, samples)); }
};

TEST(FillColor, SelectedPixelsTakeThePaintAndUndoRedoGiveTheBytesBack) {
  // A marquee, and a second one subtracted from it: the mask is not a rectangle.
  const auto inside = [](int x, int y) {
    return x >= 10 && x <= 29 && y >= 5 && y <= 19 && !(x >= 15 && x <= 19 && y >= 8 && y <= 11);
  };
  const PaintSlot paints[] = {{SlotType::kProcess, 0, 255, 255, 0}, {SlotType::kBlack, 0, 0, 0, 255},
                              {SlotType::kWhite}, {SlotType::kCustom, 30, 60, 90, 20, 128, 0}};
  for (const int spp : {1, 3, 4})
    for (const PaintSlot& paint : paints) {
      SCOPED_TRACE(testing::Message() << spp << " samples, paint type " << int(paint.type));
      Picture c(spp);
      ASSERT_EQ(MarqueeSelect(c.program, c.doc, 10, 5, 29, 19, image::kSelectNew), EditResult::kDone);
      ASSERT_EQ(MarqueeSelect(c.program, c.doc, 15, 8, 19, 11, image::kSelectSubtract), EditResult::kDone);
      c.program.currentPaint = paint;
      const Bytes before = c.samples();
      const Bytes mask = c.bits();

      ASSERT_EQ(FillCommand(c.program, c.doc), EditResult::kDone);
      EXPECT_TRUE(c.doc.pixelImageModified);
      const Bytes filled = c.samples();
      const PixelSamples want = SamplesOfPaint(paint, spp);
      for (int y = 0; y < Picture::kHeight; ++y)
        for (int x = 0; x < Picture::kWidth; ++x)
          for (int s = 0; s < spp; ++s) {
            const std::size_t at = std::size_t((y * Picture::kWidth + x) * spp + s);
            ASSERT_EQ(filled[at], inside(x, y) ? want[std::size_t(s)] : before[at]) << x << "," << y;
          }
      EXPECT_EQ(c.bits(), mask);  // the selection stays
      c.undoRedoAlternate([&] { return c.samples(); }, before, filled);
      // Filled with the same paint again: nothing changes, the step stays.
      EXPECT_EQ(FillCommand(c.program, c.doc), EditResult::kNothing);
      EXPECT_EQ(c.menu(), UndoName(msg::kUndoPrefix));
      EXPECT_TRUE(c.ui->messages().empty());
    }
}

TEST(FillColor, NoSelectionOrColourRowsInTheFileChangeNothing) {
  Picture none(3);
  const Bytes samples = none.samples();
  EXPECT_EQ(FillCommand(none.program, none.doc), EditResult::kNothing);
  EXPECT_EQ(none.samples(), samples);
  EXPECT_TRUE(none.ui->messages().empty());

  Picture inFile(3);
  ASSERT_EQ(SelectAllCommand(inFile.program, inFile.doc), EditResult::kDone);
  inFile.program.image.colorInMemory = false;  // as when the layer could not be had at load
  const std::string menu = inFile.menu();
  EXPECT_EQ(FillCommand(inFile.program, inFile.doc), EditResult::kFailed);
  ASSERT_EQ(inFile.ui->messages().size(), 1u);
  EXPECT_TRUE(inFile.ui->messages()[0].ends_with(msg::Format(msg::kNotAvailableInThisBuild, "")));
  EXPECT_EQ(inFile.samples(), samples);
  EXPECT_EQ(inFile.menu(), menu);
  EXPECT_FALSE(inFile.doc.pixelImageModified);
}

TEST(PaintSamples, InksBecomeTheImagesSamples) {
  const struct {
    const char* name;
    PaintSlot paint;
    PixelSamples gray, rgb, cmyk;
  } cases[] = {
      {"white", {SlotType::kWhite}, {255}, {255, 255, 255}, {0, 0, 0, 0}},
      {"black", {SlotType::kBlack, 0, 0, 0, 255}, {0}, {0, 0, 0}, {0, 0, 0, 255}},
      {"half black", {SlotType::kBlack, 0, 0, 0, 128}, {127}, {127, 127, 127}, {0, 0, 0, 128}},
      {"cyan", {SlotType::kProcess, 255, 0, 0, 0}, {179}, {0, 255, 255}, {255, 0, 0, 0}},
      {"red", {SlotType::kProcess, 0, 255, 255, 0}, {76}, {255, 0, 0}, {0, 255, 255, 0}},
      {"red under half black", {SlotType::kProcess, 0, 255, 255, 128}, {38}, {127, 0, 0}, {0, 255, 255, 128}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    EXPECT_EQ(SamplesOfPaint(k.paint, 1), k.gray);
    EXPECT_EQ(SamplesOfPaint(k.paint, 3), k.rgb);
    EXPECT_EQ(SamplesOfPaint(k.paint, 4), k.cmyk);
    EXPECT_EQ(PaintIsInk(k.paint), k.gray[0] < 128);
  }
}

}  // namespace
}  // namespace vl::app::test
