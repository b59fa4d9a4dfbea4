// Line recognition on generated forms whose lines are known: every drawn line found with its
// ends within one pixel, nothing found in text, collinear pieces merged, rectangles closed.
#include "engine/line_recognition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/engine/engine_test_runtime.h"

namespace vl::engine::test {
namespace {

constexpr std::int32_t kR300 = 600;  // resolution sum at 300 pixels per inch

// A drawn line: for a horizontal one centre is y and start..end the x range of its centre line.
// The ink reaches half the width beyond both ends (square caps), as a pen draws it.
struct Drawn {
  bool vertical = false;
  std::int32_t centre = 0, start = 0, end = 0, width = 3;
};

struct Form {
  std::int32_t w = 0, h = 0, rowBytes = 0;
  std::vector<std::uint8_t> bits;
  Form(std::int32_t width, std::int32_t height)
      : w(width), h(height), rowBytes((width + 31) / 32 * 4),
        bits(static_cast<std::size_t>(rowBytes) * height) {}
  BitPlaneView view() { return {bits.data(), rowBytes, rowBytes * 8, h}; }
  void box(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {  // inclusive
    for (std::int32_t y = std::max(t, 0); y <= std::min(b, h - 1); ++y)
      for (std::int32_t x = std::max(l, 0); x <= std::min(r, w - 1); ++x)
        SetBitAt(&bits[static_cast<std::size_t>(y) * rowBytes], x);
  }
  void draw(const Drawn& d) {
    const std::int32_t lo = d.centre - d.width / 2, hi = lo + d.width - 1;
    const std::int32_t a = d.start - d.width / 2, b = d.end + d.width / 2;
    if (d.vertical)
      box(lo, a, hi, b);
    else
      box(a, lo, b, hi);
  }
  // A glyph of 12-point text at 300 pixels per inch: 36 pixels tall, 4-pixel strokes.
  void glyph(char c, std::int32_t x, std::int32_t y) {
    switch (c) {
      case 'I': box(x, y, x + 3, y + 35); break;
      case 'L': box(x, y, x + 3, y + 35); box(x, y + 32, x + 18, y + 35); break;
      case 'T': box(x, y, x + 22, y + 3); box(x + 9, y, x + 12, y + 35); break;
      case 'E':
        box(x, y, x + 3, y + 35);
        for (std::int32_t r : {0, 16, 32}) box(x, y + r, x + 18, y + r + 3);
        break;
      case 'H': box(x, y, x + 3, y + 35); box(x + 18, y, x + 21, y + 35); box(x, y + 16, x + 21, y + 19); break;
      default: box(x, y + 12, x + 18, y + 15); break;  // a dash
    }
  }
  void text(const std::string& s, std::int32_t x, std::int32_t y) {
    for (char c : s) {
      glyph(c, x, y);
      x += 28;
    }
  }
};

struct Found {
  std::vector<LineEntry> horizontal, vertical;
};

// The lines found at 300 pixels per inch, collinear pieces merged.
RecognizedLines RecognizeRaw(Form& f) {
  TestRuntime t;
  RecognizedLines lines;
  EXPECT_EQ(RecognizeLines(f.view(), kR300, t.rt, lines), LineScanOutcome::kDone);
  MergeCollinearLines(lines.horizontal, lines.q.mergeGap);
  MergeCollinearLines(lines.vertical, lines.q.mergeGap);
  return lines;
}

// The lines that survived the merge, by direction.
Found Recognize(Form& f) {
  const RecognizedLines lines = RecognizeRaw(f);
  Found out;
  for (const LineEntry& e : lines.horizontal)
    if (e.state != LineState::kMerged) out.horizontal.push_back(e);
  for (const LineEntry& e : lines.vertical)
    if (e.state != LineState::kMerged) out.vertical.push_back(e);
  return out;
}

bool Matches(const LineEntry& e, const Drawn& d) {
  return std::abs(e.centre - d.centre) <= 1 && std::abs(e.start - d.start) <= 1 &&
         std::abs(e.end - d.end) <= 1 && std::abs(e.width - d.width) <= 1;
}

struct Score {
  int truth = 0, found = 0, recalled = 0, precise = 0;
};

Score Compare(const Found& found, const std::vector<Drawn>& truth) {
  Score s;
  s.truth = static_cast<int>(truth.size());
  s.found = static_cast<int>(found.horizontal.size() + found.vertical.size());
  for (const Drawn& d : truth) {
    const auto& list = d.vertical ? found.vertical : found.horizontal;
    if (std::any_of(list.begin(), list.end(), [&](const LineEntry& e) { return Matches(e, d); }))
      ++s.recalled;
  }
  for (bool vertical : {false, true})
    for (const LineEntry& e : vertical ? found.vertical : found.horizontal)
      if (std::any_of(truth.begin(), truth.end(),
                      [&](const Drawn& d) { return d.vertical == vertical && Matches(e, d); }))
        ++s.precise;
  return s;
}

std::string Describe(const Found& f) {
  std::string s;
  for (bool v : {false, true})
    for (const LineEntry& e : v ? f.vertical : f.horizontal)
      s += std::string(v ? " V" : " H") + "(c" + std::to_string(e.centre) + " " +
           std::to_string(e.start) + ".." + std::to_string(e.end) + " w" +
           std::to_string(e.width) + ")";
  return s;
}

TEST(LineQuantities, At300PixelsPerInchMatchTheTable) {
  const LineQuantities q = ComputeLineQuantities(kR300);
  EXPECT_EQ(std::vector<std::int32_t>({q.maxSpread, q.shortLineMin, q.minRun, q.sideReach,
                                       q.cornerTolerance, q.endSnapTolerance, q.centreDistance,
                                       q.mergeGap}),
            std::vector<std::int32_t>({75, 50, 30, 20, 15, 15, 15, 8}));
  // Rounded to the nearest pixel, not truncated: 200 + 150 pixels per inch average 175.
  EXPECT_EQ(ComputeLineQuantities(350).maxSpread, 44);
}

struct FormCase {
  const char* name;
  std::int32_t w, h;
  std::vector<Drawn> lines;
  const char* text = "";
  std::int32_t textX = 0, textY = 0;
};

class FormTest : public ::testing::TestWithParam<FormCase> {};

TEST_P(FormTest, EveryLineFoundWithItsEndsAndNothingElse) {
  const FormCase& c = GetParam();
  Form f(c.w, c.h);
  for (const Drawn& d : c.lines) f.draw(d);
  f.text(c.text, c.textX, c.textY);
  const Found found = Recognize(f);
  const Score s = Compare(found, c.lines);
  EXPECT_EQ(s.recalled, s.truth) << "recall; found:" << Describe(found);
  EXPECT_EQ(s.precise, s.found) << "precision; found:" << Describe(found);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, FormTest,
    ::testing::Values(
        FormCase{"SingleRules", 320, 200, {{false, 50, 20, 300, 3}, {true, 160, 80, 190, 5}}},
        FormCase{"AtTheImageEdges", 256, 192,
                 {{false, 1, 1, 254, 3}, {false, 190, 1, 254, 3}, {true, 1, 40, 150, 3},
                  {true, 254, 40, 150, 3}}},
        FormCase{"CrossingGrid", 384, 320,
                 {{false, 60, 20, 360, 3}, {false, 160, 20, 360, 3}, {false, 260, 20, 360, 3},
                  {true, 40, 10, 300, 3}, {true, 200, 10, 300, 3}, {true, 340, 10, 300, 3}}},
        FormCase{"ShortDividerBetweenRules", 320, 200,
                 {{false, 100, 20, 300, 3}, {false, 140, 20, 300, 3}, {true, 150, 100, 140, 3}}},
        FormCase{"ThickBars", 416, 352, {{false, 40, 20, 380, 21}, {true, 300, 90, 300, 41}}},
        FormCase{"TextBesideRules", 640, 256, {{false, 30, 10, 620, 3}, {false, 220, 10, 620, 3}},
                 "ILTEH-LITHE", 40, 90},
        FormCase{"TextSittingOnARule", 640, 160, {{false, 120, 10, 620, 3}}, "-E-T-H-", 40, 83}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineRecognition, TextAloneGivesNoLines) {
  Form f(640, 320);
  for (int row = 0; row < 5; ++row) f.text("ILTEH-HETIL-LITHE", 10, 10 + 60 * row);
  const Found found = Recognize(f);
  EXPECT_TRUE(found.horizontal.empty() && found.vertical.empty()) << Describe(found);
}

TEST(LineRecognition, DashesMergeAcrossShortGapsOnly) {
  struct Row {
    std::int32_t gap;  // blank pixels between dashes
    std::size_t lines;
  };
  // The pieces' ends are pulled in by half their width, so 5 blank pixels between 3-pixel
  // dashes leave the pieces 8 apart, the merge gap at 300 pixels per inch.
  for (const Row& r : {Row{2, 1}, Row{5, 1}, Row{6, 3}, Row{20, 3}}) {
    Form f(320, 64);
    // Three 60-pixel dashes, 3 pixels thick, drawn as boxes so the gap is exact.
    for (int k = 0; k < 3; ++k) f.box(10 + k * (60 + r.gap), 30, 69 + k * (60 + r.gap), 32);
    const Found found = Recognize(f);
    EXPECT_EQ(found.horizontal.size(), r.lines) << "gap " << r.gap << Describe(found);
    if (r.lines == 1 && !found.horizontal.empty()) {
      EXPECT_EQ(found.horizontal[0].centre, 31);
      EXPECT_NEAR(found.horizontal[0].start, 11, 1);
      EXPECT_NEAR(found.horizontal[0].end, 68 + 2 * (60 + r.gap), 1);
    }
    EXPECT_TRUE(found.vertical.empty());
  }
}

TEST(Rectangles, FourSidesMakeOneClosedRectangleAndAreNotLinesAgain) {
  Form f(320, 256);
  for (const Drawn& d : {Drawn{false, 40, 50, 250, 5}, Drawn{false, 200, 50, 250, 5},
                         Drawn{true, 50, 40, 200, 5}, Drawn{true, 250, 40, 200, 5},
                         Drawn{false, 120, 50, 250, 3}})  // a rule across the box
    f.draw(d);
  RecognizedLines lines = RecognizeRaw(f);
  const auto rects = BuildRectangles(lines, kR300, false);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_NEAR(rects[0].left, 50, 1);
  EXPECT_NEAR(rects[0].top, 40, 1);
  EXPECT_NEAR(rects[0].right, 250, 1);
  EXPECT_NEAR(rects[0].bottom, 200, 1);
  EXPECT_EQ(rects[0].width, 5);
  // Only the inner rule is left, its ends on the box's sides.
  const auto rest = RemainingLines(lines);
  ASSERT_EQ(rest.size(), 1u);
  EXPECT_EQ(rest[0].y1, rest[0].y2);
  EXPECT_NEAR(rest[0].y1, 120, 1);
  EXPECT_EQ(rest[0].x1, rects[0].left);
  EXPECT_EQ(rest[0].x2, rects[0].right);
}

TEST(Rectangles, AGapInASideLeavesFourSnappedLines) {
  Form f(320, 256);
  // The top side is broken by a 30-pixel gap, wider than the merge gap.
  for (const Drawn& d : {Drawn{false, 40, 50, 130, 3}, Drawn{false, 40, 164, 250, 3},
                         Drawn{false, 200, 50, 250, 3}, Drawn{true, 50, 40, 200, 3},
                         Drawn{true, 250, 40, 200, 3}})
    f.draw(d);
  RecognizedLines lines = RecognizeRaw(f);
  EXPECT_TRUE(BuildRectangles(lines, kR300, false).empty());
  const auto rest = RemainingLines(lines);
  ASSERT_EQ(rest.size(), 5u);
  for (const StraightLine& l : rest) EXPECT_TRUE(l.x1 == l.x2 || l.y1 == l.y2);
  // The broken side's outer ends sit on the vertical sides; the inner ends stay at the gap.
  EXPECT_EQ(rest[0].x1, 50);
  EXPECT_NEAR(rest[0].x2, 130, 1);
  EXPECT_NEAR(rest[1].x1, 164, 1);
  EXPECT_EQ(rest[1].x2, 250);
}

TEST(Rectangles, SidesOfUnequalWeightMakeNoRectangleUnlessWeightsAreUniform) {
  Form f(320, 256);
  for (const Drawn& d : {Drawn{false, 40, 50, 250, 3}, Drawn{false, 200, 50, 250, 3},
                         Drawn{true, 50, 40, 200, 3}, Drawn{true, 250, 40, 200, 11}})
    f.draw(d);
  RecognizedLines lines = RecognizeRaw(f);
  RecognizedLines copy = lines;
  EXPECT_TRUE(BuildRectangles(lines, kR300, false).empty());
  const auto uniform = BuildRectangles(copy, kR300, true);
  ASSERT_EQ(uniform.size(), 1u);
  EXPECT_EQ(uniform[0].width, (3 + 3 + 3 + 11 + 2) / 4);
}

TEST(RemainingLines, AnEndTenPixelsShortOfACrossingLineReachesItsCentre) {
  Form f(320, 256);
  f.draw({false, 100, 40, 190, 3});
  f.draw({true, 200, 20, 220, 3});  // 10 pixels beyond the horizontal line's end
  const auto rest = RemainingLines(RecognizeRaw(f));
  ASSERT_EQ(rest.size(), 2u);
  EXPECT_EQ(rest[0].x2, 200);
  EXPECT_NEAR(rest[0].x1, 40, 1);  // nothing to snap to on the left
}

// Two parallel strokes drawn with a slight skew: every column between them holds a long run of
// one or the other, so their runs form one band. Probing across the band tells them apart.
TEST(LineRecognition, SkewedParallelStrokesWhoseRunsJoinAreTwoLines) {
  for (bool vertical : {true, false}) {
    Form f(vertical ? 300 : 1100, vertical ? 1100 : 300);
    for (std::int32_t along = 50; along <= 1050; ++along) {
      const std::int32_t shift = (along - 50) / 100;  // one pixel every 100
      for (std::int32_t left : {100, 112}) {
        if (vertical)
          f.box(left + shift, along, left + shift + 3, along);
        else
          f.box(along, left + shift, along, left + shift + 3);
      }
    }
    const Found found = Recognize(f);
    const auto& lines = vertical ? found.vertical : found.horizontal;
    ASSERT_EQ(lines.size(), 2u) << Describe(found);
    std::vector<std::int32_t> centres{lines[0].centre, lines[1].centre};
    std::sort(centres.begin(), centres.end());
    // Each line lies within the sideways drift of its own stroke.
    EXPECT_GE(centres[0], 100) << Describe(found);
    EXPECT_LE(centres[0], 113) << Describe(found);
    EXPECT_GE(centres[1], 112) << Describe(found);
    EXPECT_LE(centres[1], 125) << Describe(found);
    for (const LineEntry& e : lines) {
      EXPECT_LE(e.width, 15) << Describe(found);  // not the 26 pixels of both strokes
      EXPECT_LT(e.start, 100) << Describe(found);
      EXPECT_GT(e.end, 1000) << Describe(found);
    }
  }
}

TEST(LineRecognition, StopMidScanKeepsWhatWasFound) {
  Form f(320, 320);
  for (int k = 0; k < 8; ++k) f.draw({false, 20 + 35 * k, 20, 300, 3});
  f.draw({true, 160, 10, 310, 3});
  TestRuntime t;
  t.ui.useManualClock(0);
  t.ui.stepMs = 100;      // every poll looks at the events
  t.ui.stopAtDrain = 10;  // Stop pressed during the horizontal scan (row 72)
  RecognizedLines lines;
  EXPECT_EQ(RecognizeLines(f.view(), kR300, t.rt, lines), LineScanOutcome::kStopped);
  EXPECT_GT(lines.horizontal.size(), 0u);
  EXPECT_LT(lines.horizontal.size(), 8u);
  EXPECT_TRUE(lines.vertical.empty());
  EXPECT_TRUE(t.messages().empty());
  EXPECT_NE(t.state.abortRequested, 0);
}

// Removal before the rest is traced: every line's ink goes, text touching a line keeps every
// pixel, and what is left of a line is only the bit under a stroke that crosses it.
struct RemovalCase {
  const char* name;
  std::vector<Drawn> lines;
  const char* text = "";
  std::int32_t textX = 0, textY = 0;
};

class RemovalTest : public ::testing::TestWithParam<RemovalCase> {};

TEST_P(RemovalTest, LinesGoAndTextStaysWhole) {
  const RemovalCase& c = GetParam();
  Form lines(400, 400), text(400, 400), both(400, 400);
  for (const Drawn& d : c.lines) {
    lines.draw(d);
    both.draw(d);
  }
  text.text(c.text, c.textX, c.textY);
  both.text(c.text, c.textX, c.textY);
  RecognizedLines found = RecognizeRaw(both);
  const Form original = both;
  Form removed(400, 400);
  RemoveRecognizedLines(found, both.view(), removed.view());
  const std::int32_t widest = 12;  // pixels: no drawn line here is wider
  auto ink = [](const Form& f, std::int32_t x, std::int32_t y) {
    return x >= 0 && y >= 0 && x < f.w && y < f.h &&
           BitAt(&f.bits[static_cast<std::size_t>(y) * f.rowBytes], x) != 0;
  };
  int textPixels = 0, leftOver = 0;
  for (std::int32_t y = 0; y < 400; ++y)
    for (std::int32_t x = 0; x < 400; ++x) {
      const bool isText = ink(text, x, y), kept = ink(both, x, y);
      // What was cleared is exactly what the removed plane records, and lies where a written
      // line draws (its square-capped stroke, a pixel more): clearing leaves no gap.
      ASSERT_EQ(ink(removed, x, y), ink(original, x, y) && !kept) << x << "," << y;
      if (ink(removed, x, y)) {
        bool drawn = false;
        for (bool v : {false, true})
          for (const LineEntry& e : v ? found.vertical : found.horizontal) {
            const std::int32_t across = v ? x : y, along = v ? y : x;
            const double reach = e.width / 2.0 + 1.5;
            drawn = drawn || (e.state != LineState::kMerged &&
                              std::abs(across - e.centre) <= reach &&
                              along >= e.start - reach && along <= e.end + reach);
          }
        ASSERT_TRUE(drawn) << c.name << ": cleared but not drawn at " << x << "," << y;
      }
      if (isText) {
        ++textPixels;
        ASSERT_TRUE(kept) << c.name << ": text pixel lost at " << x << "," << y;
        continue;
      }
      if (!kept) continue;
      // A kept line pixel lies under a letter's stroke that runs on across the line.
      bool underText = false;
      for (std::int32_t d = -widest; d <= widest && !underText; ++d)
        underText = ink(text, x, y + d) || ink(text, x + d, y);
      EXPECT_TRUE(underText) << c.name << ": line pixel left at " << x << "," << y;
      ++leftOver;
    }
  EXPECT_EQ(textPixels > 0, c.text[0] != 0);
  if (c.text[0] == 0) {
    EXPECT_EQ(leftOver, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RemovalTest,
    ::testing::Values(
        RemovalCase{"Rule", {{false, 200, 30, 370, 3}}},
        RemovalCase{"TextStandingOnARule", {{false, 240, 20, 380, 3}}, "LITE", 40, 202},
        RemovalCase{"TextHangingFromARule", {{false, 100, 20, 380, 4}}, "HIT", 60, 102},
        RemovalCase{"TextBesideAColumnRule", {{true, 60, 20, 380, 3}}, "TELL", 62, 150},
        RemovalCase{"Crossing", {{false, 200, 20, 380, 3}, {true, 200, 20, 380, 5}}},
        RemovalCase{"Dashed",
                    {{false, 150, 20, 80, 3}, {false, 150, 85, 160, 3}, {false, 150, 165, 380, 3}}},
        RemovalCase{"AtTheImageEdges",
                    {{false, 1, 0, 399, 3}, {false, 398, 0, 399, 3}, {true, 1, 0, 399, 3},
                     {true, 398, 0, 399, 3}}},
        RemovalCase{"ThickBar", {{false, 200, 40, 360, 12}}},
        RemovalCase{"BoxWithText",
                    {{false, 100, 50, 350, 3}, {false, 300, 50, 350, 3}, {true, 50, 100, 300, 3},
                     {true, 350, 100, 300, 3}},
                    "HELLE", 100, 262}),
    [](const auto& info) { return std::string(info.param.name); });

// Snapping onto recognised lines: an end near a line and joined to it by ink moves onto its
// centre; without ink between, or too far, it stays.
TEST(SnapToRecognizedLines, EndsJoinedByInkMoveOntoTheLine) {
  Form f(300, 300);
  f.draw({false, 150, 20, 280, 3});   // a rule at y 150
  f.draw({true, 100, 20, 280, 3});    // a column rule at x 100
  f.box(200, 120, 203, 148);          // a stem standing on the rule
  f.box(240, 120, 243, 140);          // a stem ending 9 pixels above it
  TestRuntime t;
  RecognizedLines lines;
  ASSERT_EQ(RecognizeLines(f.view(), kR300, t.rt, lines), LineScanOutcome::kDone);
  const BitPlaneView v = f.view();
  const InkTest ink = [&v](std::int32_t x, std::int32_t y) {
    return x >= 0 && y >= 0 && x < v.widthPixels && y < v.heightRows ? BitAt(v.row(y), x) : 0;
  };
  struct Case {
    std::int32_t x, y;
    int flags;
    std::int32_t wantX, wantY;
  } cases[] = {
      {201, 148, kSnappedToHorizontal, 201, 150},  // the stem's end, on the rule's edge
      {201, 130, 0, 201, 130},                     // up the stem: the walk leaves the ink
      {241, 139, 0, 241, 139},                     // white between it and the rule
      {60, 60, 0, 60, 60},                         // nothing near
      {102, 152, kSnappedToHorizontal | kSnappedToVertical, 100, 150},  // the crossing
      {101, 200, kSnappedToVertical, 100, 200},    // on the column rule
  };
  for (const Case& c : cases) {
    const LineSnap s = SnapToRecognizedLines(lines, c.x, c.y, ink);
    EXPECT_EQ(s.flags, c.flags) << c.x << "," << c.y;
    EXPECT_EQ(s.x, c.wantX) << c.x << "," << c.y;
    EXPECT_EQ(s.y, c.wantY) << c.x << "," << c.y;
  }
}

TEST(LineRecognition, EmptyAndTinyPlanesFindNothing) {
  for (std::int32_t size : {0, 1, 2, 32}) {
    Form f(size, size);
    f.box(0, 0, size - 1, size - 1);
    const Found found = Recognize(f);
    EXPECT_TRUE(found.horizontal.empty() && found.vertical.empty()) << size;
  }
}

}  // namespace
}  // namespace vl::engine::test
