// The Paint Style palette's operations: the selection's paint shown with Mixed slots, the
// palette applied as one undoable step with its exceptions (Mixed, Keep Tints, unfilled
// paths), Select Matching's tolerances, the stroke weight's range and the swatch's checks.
#include <gtest/gtest.h>

#include "app/document_actions.h"
#include "app/paint_style.h"
#include "base/message_table.h"
#include "settings/settings_defaults.h"
#include "tests/app/app_fixtures.h"

namespace vl::app::test {
namespace {

struct Painter : DocumentRig {
  Painter() {
    EXPECT_TRUE(openBilevel(170, 60, Squares(3, 40)));
    EXPECT_TRUE(ConvertDocument(program, doc).ranToEnd());
    EXPECT_EQ(program.artwork.count, 3);
    program.customColors.colors.push_back({"Ocean", 200, 40, 0, 20, false, 0});
  }
  art::PathRecord& path(int i) { return program.artwork.paths[std::size_t(i)]; }
  void select(std::initializer_list<int> which) {
    program.artwork.selectedCount = 0;
    for (int i = 0; i < program.artwork.count; ++i) path(i).flags &= std::uint8_t(~art::kSelected);
    for (int i : which) {
      path(i).flags |= art::kSelected;
      ++program.artwork.selectedCount;
    }
  }
  void paintBlack(int i, std::uint8_t k) {
    path(i).fillType = art::PaintType::Black;
    path(i).fillColor = std::uint32_t(k) << 24;
  }
};

PaintSlot Black(std::uint8_t k) { return {SlotType::kBlack, 0, 0, 0, k}; }
PaintSlot Custom(std::uint8_t strength) {
  return {SlotType::kCustom, 0, 0, 0, 0, strength, 0};
}

TEST(PaintStyle, SelectionShowsTheFirstPathsPaintAndMixedWhereOthersDiffer) {
  Painter p;
  p.paintBlack(0, 128);
  p.paintBlack(1, 130);
  p.paintBlack(2, 128);
  for (int i : {0, 1, 2}) {
    p.path(i).strokeType = art::PaintType::White;
    p.path(i).strokeWeight = std::uint8_t(10 + i);
  }
  PaintStyle style;
  p.select({0, 2});
  ShowPaintOfSelection(p.program.artwork, style);
  EXPECT_EQ(style.fill, Black(128));
  EXPECT_EQ(style.stroke.type, SlotType::kWhite);
  EXPECT_EQ(style.strokeWeight, 10);  // the first selected path's
  p.select({0, 1});
  ShowPaintOfSelection(p.program.artwork, style);
  EXPECT_EQ(style.fill.type, SlotType::kMixed);
  EXPECT_EQ(style.stroke.type, SlotType::kWhite);
  p.select({});
  ShowPaintOfSelection(p.program.artwork, style);
  EXPECT_EQ(style.strokeWeight, 0);
}

TEST(PaintStyle, ApplyIsOneUndoStepAndSkipsMixedFills) {
  Painter p;
  p.paintBlack(0, 255);
  p.paintBlack(1, 100);
  p.select({0, 1});
  PaintStyle style;
  ShowPaintOfSelection(p.program.artwork, style);
  ASSERT_EQ(style.fill.type, SlotType::kMixed);
  style.stroke = PaintSlot{SlotType::kProcess, 10, 20, 30, 40};
  style.strokeWeight = 25;
  EXPECT_TRUE(DiffersFromSelection(p.program.artwork, p.program.customColors, style, true));
  ASSERT_EQ(ApplyPaintToSelection(p.program, p.doc, style, true), EditResult::kDone);
  EXPECT_FALSE(DiffersFromSelection(p.program.artwork, p.program.customColors, style, true));
  for (int i : {0, 1}) {
    EXPECT_EQ(StrokeSlotOf(p.path(i)), style.stroke);
    EXPECT_EQ(p.path(i).strokeWeight, 25);
  }
  EXPECT_EQ(FillSlotOf(p.path(0)), Black(255));  // the Mixed fill left each path its own
  EXPECT_EQ(FillSlotOf(p.path(1)), Black(100));
  EXPECT_EQ(p.path(2).strokeWeight, 0);           // not selected
  EXPECT_TRUE(p.doc.artModified);
  EXPECT_NE(UndoMenuItem(p.program).find(msg::Text(msg::kUndoPaintStyle)), std::string::npos);
  ASSERT_EQ(UndoCommand(p.program, p.doc), EditResult::kDone);
  EXPECT_EQ(p.program.artwork.paths[0].strokeType, art::PaintType::None);
  EXPECT_EQ(p.program.artwork.paths[1].strokeWeight, 0);
  // Nothing selected: nothing to do, and the Redo step stays.
  p.select({});
  EXPECT_EQ(ApplyPaintToSelection(p.program, p.doc, style, true), EditResult::kNothing);
  EXPECT_EQ(UndoCommand(p.program, p.doc), EditResult::kDone);
  EXPECT_EQ(p.program.artwork.paths[0].strokeWeight, 25);
}

TEST(PaintStyle, FillRulesForTintsCustomColoursAndUnfilledPaths) {
  struct Case {
    const char* what;
    PaintSlot pathFill;
    bool unfilled;
    PaintSlot palette;
    bool keepTints;
    PaintSlot expected;
  };
  const auto tinted = [](std::uint8_t strength) {  // "Ocean" at a strength
    PaintSlot s = Custom(strength);
    s.c = std::uint8_t(200 * strength / 255);
    s.m = std::uint8_t(40 * strength / 255);
    s.y = 0;
    s.k = std::uint8_t(20 * strength / 255);
    return s;
  };
  const Case cases[] = {
      {"keep tints keeps a custom path's strength", tinted(128), false, Custom(255), true,
       tinted(128)},
      {"without keep tints the palette's strength", tinted(128), false, Custom(255), false,
       tinted(255)},
      {"keep tints gives a black fill the path's black ink", Black(77), false, Black(255), true,
       Black(77)},
      {"a process fill is taken as it is", Black(77), false, {SlotType::kProcess, 1, 2, 3, 4},
       true, {SlotType::kProcess, 1, 2, 3, 4}},
      {"an unfilled path keeps no fill", Black(255), true, Black(255), false, PaintSlot{}},
  };
  for (const Case& c : cases) {
    Painter p;
    art::PathRecord& path = p.path(0);
    path.fillType = art::PaintType(c.pathFill.type);
    path.fillColor = std::uint32_t(c.pathFill.c) | std::uint32_t(c.pathFill.m) << 8 |
                     std::uint32_t(c.pathFill.y) << 16 | std::uint32_t(c.pathFill.k) << 24;
    path.fillTint = c.pathFill.strength;
    if (c.unfilled) path.flags |= art::kUnfilled;
    p.select({0});
    PaintStyle style;
    ShowPaintOfSelection(p.program.artwork, style);
    style.fill = c.palette;
    ASSERT_EQ(ApplyPaintToSelection(p.program, p.doc, style, c.keepTints), EditResult::kDone)
        << c.what;
    const PaintSlot got = FillSlotOf(p.path(0));
    EXPECT_EQ(got.type, c.expected.type) << c.what;
    if (c.expected.type != SlotType::kNone) {
      EXPECT_EQ(got, c.expected) << c.what;
    }
  }
}

TEST(PaintStyle, CustomWithoutAColourLeavesTheFill) {
  Painter p;
  p.paintBlack(0, 200);
  p.select({0});
  PaintStyle style;
  ShowPaintOfSelection(p.program.artwork, style);
  style.fill = PaintSlot{SlotType::kCustom};  // no colour chosen
  ASSERT_EQ(ApplyPaintToSelection(p.program, p.doc, style, false), EditResult::kDone);
  EXPECT_EQ(FillSlotOf(p.path(0)), Black(200));
}

TEST(PaintStyle, SelectMatchingByTickedCriteria) {
  struct Case {
    const char* what;
    MatchCriteria criteria;
    PaintSlot fill;
    int weight;
    int added;  // paths 1 and 2 are the candidates; path 0 stays selected
  };
  // Path 1: black 129, weight 5; path 2: black 140, weight 5.
  const Case cases[] = {
      {"black within one", {true, false, false}, Black(128), 0, 1},
      {"black within one the other way", {true, false, false}, Black(130), 0, 1},
      {"black two apart", {true, false, false}, Black(127), 0, 0},
      {"weights only", {false, false, true}, Black(0), 5, 2},
      {"fill and weight both", {true, false, true}, Black(140), 5, 1},
      {"nothing ticked", {}, Black(129), 5, 0},
      {"white against black", {true, false, false}, {SlotType::kWhite}, 0, 0},
  };
  for (const Case& c : cases) {
    Painter p;
    p.paintBlack(0, 129);
    p.paintBlack(1, 129);
    p.paintBlack(2, 140);
    p.path(1).strokeWeight = p.path(2).strokeWeight = 5;
    p.select({0});
    PaintStyle style;
    style.fill = c.fill;
    style.strokeWeight = c.weight;
    EXPECT_EQ(SelectMatching(p.program, style, c.criteria), c.added) << c.what;
    EXPECT_EQ(p.program.artwork.selectedCount, 1 + c.added) << c.what;
    const bool told = !p.ui->messages().empty() &&
                      p.ui->messages().back() == msg::Text(msg::kNoMatchesFound);
    EXPECT_EQ(told, c.added == 0) << c.what;
  }
}

TEST(PaintStyle, CustomMatchesNeedTheSameColourAndStrengthWithinOne) {
  Painter p;
  p.program.customColors.colors.push_back({"Sand", 0, 20, 80, 0, false, 0});
  for (int i : {1, 2}) {
    p.path(i).fillType = art::PaintType::Custom;
    p.path(i).fillTint = 100;
    p.path(i).fillCustomIndex = std::uint16_t(i - 1);
  }
  p.select({0});
  PaintStyle style;
  style.fill = Custom(101);
  EXPECT_EQ(SelectMatching(p.program, style, {true, false, false}), 1);
  EXPECT_TRUE(p.path(1).flags & art::kSelected);
  EXPECT_FALSE(p.path(2).flags & art::kSelected);
}

TEST(PaintStyle, StrokeWeightRangeAndText) {
  struct Case {
    double points;
    int tenths;
    bool clamped;
  };
  const Case cases[] = {{0.0, 0, false}, {25.5, 255, false}, {1.25, 13, false},
                        {25.6, 255, true}, {-0.1, 0, true}, {1e9, 255, true}};
  for (const Case& c : cases) {
    bool clamped = false;
    EXPECT_EQ(StrokeWeightFromPoints(c.points, clamped), c.tenths) << c.points;
    EXPECT_EQ(clamped, c.clamped) << c.points;
  }
  EXPECT_EQ(StrokeWeightText(255, '.'), "25.5");
  EXPECT_EQ(StrokeWeightText(7, ','), "0,7");
}

TEST(PaintStyle, SwatchChecksWhileTheImageHasNoPaths) {
  Painter p;
  struct Case {
    PaintSlot slot;
    int message;
  };
  const Case cases[] = {
      {PaintSlot{SlotType::kNone}, msg::kNoneNotForDrawing},
      {PaintSlot{SlotType::kProcess, 1, 2, 3, 4}, msg::kColorModelIncompatible},
      {Custom(255), msg::kColorModelIncompatible},
      {Black(102), msg::kColorModelIncompatible},  // 40 % black on a bilevel image
      {Black(255), 0},
      {Black(0), 0},
      {PaintSlot{SlotType::kWhite}, 0},
  };
  // With paths the swatch is only the paint for new art: nothing is refused.
  for (const Case& c : cases) EXPECT_EQ(SwatchRefusal(p.program, p.doc, c.slot), 0);
  art::stashArtwork(p.program.artwork);
  for (const Case& c : cases) EXPECT_EQ(SwatchRefusal(p.program, p.doc, c.slot), c.message);
  art::restoreArtwork(p.program.artwork);
}

}  // namespace
}  // namespace vl::app::test
