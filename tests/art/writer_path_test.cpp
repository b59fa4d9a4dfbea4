// The path body: paint lines and their cache, smooth and corner anchors, operators, groups
// and the long path flag.
#include <gtest/gtest.h>

#include "art/gq_paint.h"
#include "art/gq_path_writer.h"
#include "tests/art/writer_test_env.h"

namespace vl::art::test {
namespace {

std::string WriteAll(WriterEnv& env, int format = kFormatGq5) {
  return env.capture(format, kPreviewNone, [&](GqWriter& w) {
    for (const PathRecord& path : pathsInUse(env.art)) writePath(w, path);
  });
}

TEST(WriterPath, PaintIsWrittenOnlyWhenItChanges) {
  WriterEnv env;
  env.paint(PaintType::Black, PaintType::None);
  env.linePath({{1, 1}, {2, 1}});
  env.paint(PaintType::White, PaintType::None, kWhiteColor);
  env.linePath({{1, 1}, {2, 1}});
  env.paint(PaintType::White, PaintType::None, kWhiteColor);
  env.linePath({{1, 1}, {2, 1}});
  env.paint(PaintType::Black, PaintType::Black, 0x80000000, 1.0);  // half black, 1 pt line
  env.linePath({{1, 1}, {2, 1}});
  env.paint(PaintType::Black, PaintType::Black, 0x80000000, 0.5);
  env.linePath({{1, 1}, {2, 1}});
  env.paint(PaintType::None, PaintType::White, kWhiteColor, 25.5);
  env.linePath({{1, 1}, {2, 1}});
  EXPECT_EQ(WriteAll(env),
            "1 47 m\r2 47 L\rf\r"             // black fill is what the setup left in force
            "1 g\r1 47 m\r2 47 L\rf\r"        // white: written once
            "1 47 m\r2 47 L\rf\r"             // white again: nothing
            "0.5 g\r0.5 G\r1 47 m\r2 47 L\rb\r"  // half black; the 1-point line is in force
            "0.5 w\r1 47 m\r2 47 L\rb\r"
            "1 G\r25.5 w\r1 47 m\r2 47 L\rS\r");
}

TEST(WriterPath, PaintFormsFollowThePaintTypeAndFormat) {
  WriterEnv env;
  env.colors = {{"Red", 0, 255, 255, 0, false}};
  auto paint = [&](int format, bool stroke, PaintType type, std::uint32_t color,
                   std::uint16_t index, std::uint8_t tint) {
    return env.capture(format, kPreviewNone,
                       [&](GqWriter& w) { writePaint(w, stroke, type, color, index, tint); });
  };
  EXPECT_EQ(paint(kFormatGq5, false, PaintType::Process, 0xFFFF0080, 0, 0), "0.5 0 1 1 k\r");
  EXPECT_EQ(paint(kFormatGq5, true, PaintType::Process, 0x00000000, 0, 0), "0 0 0 0 K\r");
  EXPECT_EQ(paint(kFormatGq5, false, PaintType::Black, 0xFF000000, 0, 0), "0 g\r");
  EXPECT_EQ(paint(kFormatGq5, true, PaintType::Black, 0x00000000, 0, 0), "1 G\r");
  EXPECT_EQ(paint(kFormatGq5, false, PaintType::White, 0xFFFFFFFF, 0, 0), "1 g\r");
  EXPECT_EQ(paint(kFormatGq3, false, PaintType::Custom, 0x12345678, 0, 128),
            "0 1 1 0 (Red) 0.5 x\r");
  EXPECT_EQ(paint(kFormatGq5, true, PaintType::Custom, 0x12345678, 0, 255), "0 1 1 0 (Red) 0 X\r");
  // The older formats, and a colour missing from the table, use the path's own colour.
  EXPECT_EQ(paint(kFormatGq88, false, PaintType::Custom, 0x00FF0000, 0, 255), "0 0 1 0 k\r");
  EXPECT_EQ(paint(kFormatGq5, false, PaintType::Custom, 0x00FF0000, 5, 255), "0 0 1 0 k\r");
  EXPECT_EQ(paint(kFormatGq5, false, PaintType::None, 0, 0, 0), "");
}

TEST(WriterPath, UnpaintedAndEmptyPathsWriteNothing) {
  WriterEnv env;
  env.paint(PaintType::Black, PaintType::None);
  env.linePath({{1, 1}, {5, 5}});
  env.art.paths[0].flags |= kUnfilled;  // a centre line with no stroke
  env.paint(PaintType::None, PaintType::None);
  env.linePath({{1, 1}, {5, 5}});
  env.paint(PaintType::Black, PaintType::None);
  env.linePath({{1, 1}, {5, 5}});
  env.art.paths[2].usedWords = 0;
  EXPECT_EQ(WriteAll(env), "");

  // A lone anchor is a move and its paint operator.
  env.paint(PaintType::Black, PaintType::None);
  env.linePath({{3, 4}});
  EXPECT_EQ(WriteAll(env), "3 44 m\rf\r");
}

TEST(WriterPath, GroupedPathsAreBracketed) {
  WriterEnv env;
  env.paint(PaintType::None, PaintType::Black, kBlackColor, 1.0);
  env.linePath({{1, 1}, {5, 1}});
  env.art.paths[0].flags |= kGrouped;
  EXPECT_EQ(WriteAll(env), "u\r1 47 m\r5 47 L\rS\rU\r");
}

TEST(WriterPath, SmoothAnchorsGetLowerCaseOperators) {
  WriterEnv env;
  env.paint(PaintType::None, PaintType::Black, kBlackColor, 1.0);
  // Straight on through (20, 10), then a right angle at (30, 10); the open end is a corner.
  env.linePath({{10, 10}, {20, 10}, {30, 10}, {30, 20}});
  // A closed path of one curve whose tangents at its start line up ...
  env.begin({30, 20});
  env.curveTo({60, 10}, {0, 30}, {30, 20});
  // ... and one whose tangents do not.
  env.begin({30, 20});
  env.curveTo({60, 10}, {30, 40}, {30, 20});
  // A curve arriving smooth into a line; the line closes the path at a corner.
  env.begin({10, 30});
  env.curveTo({10, 40}, {20, 40}, {30, 40});
  env.lineTo({40, 40});
  env.lineTo({10, 30});
  EXPECT_EQ(WriteAll(env),
            "10 38 m\r20 38 l\r30 38 L\r30 28 L\rS\r"
            "30 28 m\r60 38 0 18 30 28 c\rS\r"
            "30 28 m\r60 38 30 8 30 28 C\rS\r"
            "10 18 m\r10 8 20 8 30 8 c\r40 8 L\r10 18 L\rS\r");

  // The test itself, on the word offsets of the first path: 2 is (20, 10), 4 (30, 10).
  std::span<const std::uint16_t> words = pointWords(env.art.paths[0]);
  EXPECT_TRUE(IsSmoothAnchor(words, 2));
  EXPECT_FALSE(IsSmoothAnchor(words, 4));
  EXPECT_FALSE(IsSmoothAnchor(words, 6));
  EXPECT_FALSE(IsSmoothAnchor(words, 0));
  // A repeated anchor has no direction to compare: a corner.
  const std::uint16_t repeated[] = {2560, 2560, 2560, 2560, 5120, 2560};
  EXPECT_FALSE(IsSmoothAnchor(repeated, 2));
}

TEST(WriterPath, LongPathFlagIsRaisedAbove1500Anchors) {
  auto flagFor = [](int segments) {
    WriterEnv env;
    env.paint(PaintType::None, PaintType::Black, kBlackColor, 1.0);
    bool ok = env.begin({0, 0});
    for (int i = 1; i <= segments; ++i) ok = env.lineTo({double(i % 2), 0}) && ok;
    EXPECT_TRUE(ok);
    WriteAll(env);
    return env.lastLongPath;
  };
  EXPECT_FALSE(flagFor(1498));
  EXPECT_TRUE(flagFor(1499));
}

}  // namespace
}  // namespace vl::art::test
