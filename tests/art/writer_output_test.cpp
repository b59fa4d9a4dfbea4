// The GQ text: a whole file, header lines, numbers, paint lines and their cache, anchors.
#include <gtest/gtest.h>

#include "art/gq_numbers.h"
#include "art/gq_paint.h"
#include "art/gq_path_writer.h"
#include "tests/art/writer_test_env.h"

namespace vl::art::test {
namespace {

std::string WriteAll(WriterEnv& env) {
  return env.capture(kFormatGq5, [&](GqWriter& w) {
    for (const PathRecord& path : PathsInUse(env.art)) writePath(w, path);
  });
}

TEST(WriterHeader, Gq5FileLineForLineAndHeaderLinesThatFollowTheArtAndTheFormat) {
  SaveEnv env;
  env.linePath({{10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}});
  env.paint(PaintType::White, PaintType::None, kWhiteColor);
  env.linePath({{30, 10}, {40, 10}, {35, 20}, {30, 10}});
  EXPECT_EQ(env.saveLines(kFormatGq5, kPreviewNone), (Lines{
      "%!PS-Adobe-3.0", "%%Creator:Morvo Vectorlume\xAA 4.0", "%%For: (Ada Byron) (Engines)",
      "%%Title: (drawing.gq)", "%%CreationDate: (3/5/2024) (2:07 PM)", "%%BoundingBox:0 0 64 48",
      "%GQ3_ColorUsage: Black&White", "%%DocumentProcessColors: Black",
      "%%DocumentNeededResources: procset Morvo_level2_GQ5 1.0 0",
      "%%+ procset Morvo_GraphiquantA_GQ5 1.0 0", "%GQ5_FileFormat 1.1", "%GQ3_IncludePlacedImages",
      "%GQ3_TemplateBox:0 0 64 48", "%GQ3_DocumentPreview: None", "%%EndComments", "%%BeginProlog",
      "%%IncludeResource: procset Morvo_level2_GQ5 1.0 0",
      "%%IncludeResource: procset Morvo_GraphiquantA_GQ5 1.0 0", "%%EndProlog", "%%BeginSetup",
      "Morvo_level2_GQ5 /initialize get exec", "Morvo_GraphiquantA_GQ5 /initialize get exec",
      "%%EndSetup", "0 A", "0 O", "0 g", "0 G", "0 i", "2 J 0 j 1 w 2 M []0 d", "%GQ3_Note:", "0 D",
      "10 38 m", "20 38 L", "20 28 L", "10 28 L", "10 38 L", "f", "1 g", "30 38 m", "40 38 L",
      "35 28 L", "30 38 L", "f", "%%PageTrailer", "gsave annotatepage grestore showpage",
      "%%Trailer", "Morvo_GraphiquantA_GQ5 /terminate get exec",
      "Morvo_level2_GQ5 /terminate get exec", "%%EOF"}));
  EXPECT_FALSE(env.modified);
  SaveEnv inks;
  inks.paint(PaintType::Process, PaintType::None, 0x00FF0080);  // cyan half, yellow full
  inks.linePath({{1, 1}, {5, 1}, {5, 5}});
  inks.paint(PaintType::None, PaintType::Process, 0x00000100);  // magenta, as a stroke
  inks.linePath({{1, 1}, {5, 5}});
  inks.colors = {{"Red", 0, 255, 255, 0, false}, {"Sky (light)", 128, 13, 0, 0, true}};  // unused
  inks.stamp.time.tm_hour = 0;  // midnight reads as 12 AM
  const Lines lines = inks.saveLines(kFormatGq3, kPreviewNone);
  ASSERT_GT(lines.size(), 10u);
  EXPECT_EQ(Lines(lines.begin() + 4, lines.begin() + 11), (Lines{
      "%%CreationDate: (3/5/2024) (12:07 AM)", "%%BoundingBox:0 0 64 48", "%GQ3_ColorUsage: Color",
      "%%DocumentProcessColors: Cyan Magenta Yellow", "%%CMYKCustomColor: 0 1 1 0 (Red)",
      "%%+ 0.5 0.05 0 0 (Sky \\(light\\))",
      "%%DocumentNeededResources: procset Morvo_packedarray 2.0 0"}));
}

TEST(WriterNumbers, FractionsCoordinatesAndThePageScale) {
  WriterEnv env;  // 72 pixels per inch, artScale 256: one point per 256 art units
  // Whole percents with at most two decimals; a multiple of ten loses its trailing zero.
  for (const auto& [ink, text] : {std::pair{0, "0 "}, {1, "0 "}, {13, "0.05 "}, {26, "0.1 "},
                                  {128, "0.5 "}, {253, "0.99 "}, {254, "1 "}})
    EXPECT_EQ(env.capture(kFormatGq5, [&](GqWriter& w) { writeFraction(w.out, ink); }), text);
  // Rounded tenths of a point, y up from the page bottom; 31590 art units are 1234.4 tenths.
  auto coordinate = [&](std::int64_t value, bool isY) {
    return env.capture(kFormatGq5,
                       [&](GqWriter& w) { writeCoordinate(w.out, w.page, value, isY); });
  };
  for (const auto& [value, isY, text] : {std::tuple<std::int64_t, bool, const char*>{0, 0, "0 "},
           {256, 0, "1 "}, {1, 0, "0 "}, {31590, 0, "123.4 "}, {0, 1, "48 "},
           {49 * 256, 1, "-1 "}, {48 * 256 + 128, 1, "-.5 "}})
    EXPECT_EQ(coordinate(value, isY), text) << value;
  // A page wider than 3276.7 points (possible in format 3) is written exactly, not wrapped.
  std::tie(env.image.paddedWidth, env.image.height, env.image.artScale) =
      std::tuple(32000, 16000, 1.0);
  EXPECT_EQ(coordinate(32000, false), "32000 ");
  // Formats 0 to 2 fit the page in 18 inches, keeping its proportions; format 3 does not.
  for (int format : {kFormatGq11, kFormatGq88, kFormatGq3, kFormatGq5}) {
    EXPECT_EQ(computePageScale(env.image, format).pageHeight, format == kFormatGq5 ? 16000 : 648);
  }
  std::tie(env.image.paddedWidth, env.image.xResolution) = std::tuple(64, 300.0);
  EXPECT_EQ(computePageScale(env.image, kFormatGq5).pageWidth, 16);  // 64 x 0.24 + 0.9 = 16.26
  env.image.xResolution = 0.0;  // none in the file: one point per pixel, no division by zero
  EXPECT_EQ(computePageScale(env.image, kFormatGq5).pageWidth, 64);
}

TEST(WriterPath, PaintIsWrittenOnlyWhenItChangesAndUnpaintedPathsNotAtAll) {
  WriterEnv env;
  using enum PaintType;
  const std::tuple<PaintType, PaintType, std::uint32_t, double> paths[] = {
      {Black, None, kBlackColor, 1}, {White, None, kWhiteColor, 1}, {White, None, kWhiteColor, 1},
      {Black, Black, 0x80000000, 1}, {Black, Black, 0x80000000, 0.5},  // half black
      {None, White, kWhiteColor, 25.5}, {None, None, kBlackColor, 1},  // neither: left out
      {Black, None, kBlackColor, 1},                                   // made a centre line
      {Black, None, kBlackColor, 1},                                   // emptied
      {None, Black, kBlackColor, 25.5}};                               // grouped lone anchor
  for (auto [fill, stroke, color, points] : paths) {
    env.paint(fill, stroke, color, points);
    env.linePath({{1, 1}, {2, 1}});
  }
  env.art.paths[7].flags |= kUnfilled;
  env.art.paths[8].usedWords = 0;
  env.art.paths[9].usedWords = 2;
  env.art.paths[9].flags |= kGrouped;
  EXPECT_EQ(WriteAll(env),
            "1 47 m\r2 47 L\rf\r"                // black fill is what the setup left in force
            "1 g\r1 47 m\r2 47 L\rf\r"           // white: written once
            "1 47 m\r2 47 L\rf\r"                // white again: nothing
            "0.5 g\r0.5 G\r1 47 m\r2 47 L\rb\r"  // half black; the 1-point line is in force
            "0.5 w\r1 47 m\r2 47 L\rb\r"
            "1 G\r25.5 w\r1 47 m\r2 47 L\rS\r"
            "0 G\ru\r1 47 m\rS\rU\r");
  // Custom colours by name in format 2 and later; the older formats, and a colour missing from
  // the table, fall back on the path's own CMYK colour.
  env.colors = {{"Red", 0, 255, 255, 0, false}};
  for (auto [format, stroke, index, text] :
       {std::tuple{kFormatGq3, false, 0, "0 1 1 0 (Red) 0.5 x\r"},
        {kFormatGq88, false, 0, "0 0 1 0 k\r"}, {kFormatGq5, true, 5, "0 0 1 0 K\r"}}) {
    EXPECT_EQ(env.capture(format, [&](GqWriter& w) {
      writePaint(w, stroke, PaintType::Custom, 0x00FF0000, index, 128);
    }), text);
  }
}

TEST(WriterPath, SmoothAnchorsGetLowerCaseOperators) {
  WriterEnv env;
  env.paint(PaintType::None, PaintType::Black);
  // Straight on through (20, 10), then a right angle at (30, 10); the open end is a corner.
  env.linePath({{10, 10}, {20, 10}, {30, 10}, {30, 20}});
  // A closed path of one curve whose tangents at its start line up, and one whose do not.
  env.begin({30, 20});
  env.curveTo({60, 10}, {0, 30}, {30, 20});
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
  const std::uint16_t repeated[] = {2560, 2560, 2560, 2560, 5120, 2560};
  EXPECT_FALSE(IsSmoothAnchor(repeated, 2));  // no direction to compare: a corner
}

}  // namespace
}  // namespace vl::art::test
