// Whole GQ files line for line: the header of each format generation, the body of a small
// art and the trailer, as saveArt writes them.
#include <gtest/gtest.h>

#include <algorithm>

#include "art/prolog_gq5.h"
#include "art/save_art.h"
#include "tests/art/writer_test_env.h"

namespace vl::art::test {
namespace {

// A black square and a white triangle, both filled.
void DrawSquareAndTriangle(WriterEnv& env) {
  env.paint(PaintType::Black, PaintType::None, kBlackColor);
  env.linePath({{10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}});
  env.paint(PaintType::White, PaintType::None, kWhiteColor);
  env.linePath({{30, 10}, {40, 10}, {35, 20}, {30, 10}});
}

std::vector<std::string> Save(WriterEnv& env, int format, int preview) {
  SaveStamp stamp = FixedStamp();
  SaveArtOptions options;
  options.format = format;
  options.preview = preview;
  options.stamp = &stamp;
  bool modified = true;
  std::string path = env.folder.path + "out.eps";
  EXPECT_TRUE(saveArt(env.rt, env.art, env.image, env.colors, path, options, modified));
  EXPECT_FALSE(modified);
  return SplitLines(ReadWholeFile(path));
}

const std::vector<std::string> kBody = {
    "10 38 m", "20 38 L", "20 28 L", "10 28 L", "10 38 L", "f",
    "1 g",     "30 38 m", "40 38 L", "35 28 L", "30 38 L", "f",
};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::vector<std::string> Opening(const std::string& first) {
  return {first, "%%Creator:Morvo Vectorlume\xAA 4.0", "%%For: (Ada Byron) (Engines)",
          "%%Title: (drawing.gq)", "%%CreationDate: (3/5/2024) (2:07 PM)",
          "%%BoundingBox:0 0 64 48"};
}

std::vector<std::string> PrologLines() {
  std::vector<std::string> lines = SplitLines(std::string(Gq5Prolog()), "\n");
  return lines;
}

TEST(WriterHeader, Gq5PlainFileLineForLine) {
  WriterEnv env;
  DrawSquareAndTriangle(env);
  std::vector<std::string> expected = Join({
      Opening("%!PS-Adobe-3.0"),
      {"%GQ3_ColorUsage: Black&White", "%%DocumentProcessColors: Black",
       "%%DocumentNeededResources: procset Morvo_level2_GQ5 1.0 0",
       "%%+ procset Morvo_GraphiquantA_GQ5 1.0 0", "%GQ5_FileFormat 1.1",
       "%GQ3_IncludePlacedImages", "%GQ3_TemplateBox:0 0 64 48", "%GQ3_DocumentPreview: None",
       "%%EndComments", "%%BeginProlog", "%%IncludeResource: procset Morvo_level2_GQ5 1.0 0",
       "%%IncludeResource: procset Morvo_GraphiquantA_GQ5 1.0 0", "%%EndProlog",
       "%%BeginSetup", "Morvo_level2_GQ5 /initialize get exec",
       "Morvo_GraphiquantA_GQ5 /initialize get exec", "%%EndSetup", "0 A", "0 O", "0 g", "0 G",
       "0 i", "2 J 0 j 1 w 2 M []0 d", "%GQ3_Note:", "0 D"},
      kBody,
      {"%%PageTrailer", "gsave annotatepage grestore showpage", "%%Trailer",
       "Morvo_GraphiquantA_GQ5 /terminate get exec", "Morvo_level2_GQ5 /terminate get exec",
       "%%EOF"},
  });
  EXPECT_EQ(Save(env, kFormatGq5, kPreviewNone), expected);
}

TEST(WriterHeader, Gq11PlainFileLineForLine) {
  WriterEnv env;
  DrawSquareAndTriangle(env);
  std::vector<std::string> expected = Join({
      Opening("%!PS-Adobe-2.0"),
      {"%%ColorUsage: Black&White", "%%DocumentProcessColors: Black",
       "%%DocumentProcSets: Morvo_Graphiquant_1.1 0 0", "%GQ3_IncludePlacedImages",
       "%%TemplateBox:0 0 64 48", "%%DocumentPreview: None", "%%EndComments", "%%EndProlog",
       "%%BeginSetup", "Morvo_Graphiquant_1.1 begin", "n", "%%EndSetup", "0 g", "0 G", "0 i",
       "2 J 0 j 1 w 2 M []0 d", "%%Note:"},
      kBody,
      {"%%PageTrailer", "%%Trailer", "_E end", "%%EOF"},
  });
  EXPECT_EQ(Save(env, kFormatGq11, kPreviewNone), expected);
}

TEST(WriterHeader, Gq88WithPreviewSuppliesItsProcSetsAndTheProlog) {
  WriterEnv env;
  DrawSquareAndTriangle(env);
  std::vector<std::string> procsets;
  for (std::string name : {"Morvo_packedarray 1.0 0", "Morvo_cmykcolor 1.1 0", "Morvo_cshow 1.1 0",
                           "Morvo_customcolor 1.0 0", "Morvo_Graphiquant88 1.19 0"}) {
    procsets.push_back("%%DocumentProcSets: " + name);
    procsets.push_back("%%DocumentSuppliedProcSets: " + name);
  }
  std::vector<std::string> expected = Join({
      Opening("%!PS-Adobe-2.0 EPSF-1.2"),
      {"%%ColorUsage: Black&White", "%%DocumentProcessColors: Black"},
      procsets,
      {"%GQ3_IncludePlacedImages", "%%TemplateBox:0 0 64 48", "%%DocumentPreview: Header",
       "%%EndComments"},
      PrologLines(),
      {"%%EndProlog", "%%BeginSetup", "Morvo_cshow /initialize get exec",
       "Morvo_customcolor /initialize get exec", "Morvo_Graphiquant88 /initialize get exec",
       "%%EndSetup", "0 A", "0 O", "0 g", "0 G", "0 i", "2 J 0 j 1 w 2 M []0 d", "%%Note:"},
      kBody,
      {"%%PageTrailer", "%%Trailer", "Morvo_Graphiquant88 /terminate get exec",
       "Morvo_customcolor /terminate get exec", "Morvo_cshow /terminate get exec",
       "Morvo_packedarray /terminate get exec", "%%EOF"},
  });
  EXPECT_EQ(Save(env, kFormatGq88, kPreviewHeader), expected);
}

TEST(WriterHeader, Gq3ListsEveryCustomColourAndIncludesItsResources) {
  WriterEnv env;
  DrawSquareAndTriangle(env);
  env.colors = {{"Red", 0, 255, 255, 0, false},
                {"Sky (light)", 128, 13, 0, 0, true},
                {"Gray", 0, 0, 0, 128, false}};  // no path uses any of them
  std::vector<std::string> expected = Join({
      Opening("%!PS-Adobe-3.0"),
      {"%GQ3_ColorUsage: Black&White", "%%DocumentProcessColors: Black",
       "%%CMYKCustomColor: 0 1 1 0 (Red)", "%%+ 0.5 0.05 0 0 (Sky \\(light\\))",
       "%%+ 0 0 0 0.5 (Gray)",
       "%%DocumentNeededResources: procset Morvo_packedarray 2.0 0",
       "%%+ procset Morvo_cshow 1.1 0", "%%+ procset Morvo_customcolor 1.0 0",
       "%%+ procset Morvo_Graphiquant_GQ3 1.0 3", "%GQ3_IncludePlacedImages",
       "%GQ3_TemplateBox:0 0 64 48", "%GQ3_DocumentPreview: None", "%%EndComments",
       "%%BeginProlog", "%%IncludeResource: procset Morvo_packedarray 2.0 0",
       "Morvo_packedarray /initialize get exec", "%%IncludeResource: procset Morvo_cshow 1.1 0",
       "%%IncludeResource: procset Morvo_customcolor 1.0 0",
       "%%IncludeResource: procset Morvo_Graphiquant_GQ3 1.0 1", "%%EndProlog", "%%BeginSetup",
       "Morvo_cshow /initialize get exec", "Morvo_customcolor /initialize get exec",
       "Morvo_Graphiquant_GQ3 /initialize get exec", "%%EndSetup", "0 A", "0 O", "0 g", "0 G",
       "0 i", "2 J 0 j 1 w 2 M []0 d", "%GQ3_Note:", "0 D"},
      kBody,
      {"%%PageTrailer", "gsave annotatepage grestore showpage", "%%Trailer",
       "Morvo_Graphiquant_GQ3 /terminate get exec", "Morvo_customcolor /terminate get exec",
       "Morvo_cshow /terminate get exec", "Morvo_packedarray /terminate get exec", "%%EOF"},
  });
  EXPECT_EQ(Save(env, kFormatGq3, kPreviewNone), expected);

  // The two older generations know no custom colours.
  std::vector<std::string> gq88 = Save(env, kFormatGq88, kPreviewNone);
  EXPECT_EQ(std::count_if(gq88.begin(), gq88.end(),
                          [](const std::string& l) { return l.find("CustomColor:") != l.npos; }),
            0);
}

TEST(WriterHeader, ColourUsageNamesTheInksOfAllPathsAndTheMorningHours) {
  WriterEnv env;
  env.paint(PaintType::Process, PaintType::None, 0x00FF0080);  // cyan half, yellow full
  env.linePath({{1, 1}, {5, 1}, {5, 5}});
  env.paint(PaintType::None, PaintType::Process, 0x00000100);  // magenta, as a stroke
  env.linePath({{1, 1}, {5, 5}});
  SaveStamp stamp = FixedStamp();
  stamp.time.tm_hour = 0;  // midnight reads as 12 AM
  stamp.time.tm_min = 5;
  stamp.user = "";
  SaveArtOptions options;
  options.preview = kPreviewHeader;
  options.stamp = &stamp;
  bool modified = true;
  std::string path = env.folder.path + "colour.eps";
  ASSERT_TRUE(saveArt(env.rt, env.art, env.image, env.colors, path, options, modified));
  std::vector<std::string> lines = SplitLines(ReadWholeFile(path));
  ASSERT_GT(lines.size(), 8u);
  EXPECT_EQ(lines[0], "%!PS-Adobe-3.0 EPSF-3.0");
  EXPECT_EQ(lines[2], "%%For: () (Engines)");
  EXPECT_EQ(lines[4], "%%CreationDate: (3/5/2024) (12:05 AM)");
  EXPECT_EQ(lines[6], "%GQ3_ColorUsage: Color");
  EXPECT_EQ(lines[7], "%%DocumentProcessColors: Cyan Magenta Yellow");
  EXPECT_EQ(lines[8], "%%DocumentSuppliedResources: procset Morvo_level2_GQ5 1.0 0");
}

}  // namespace
}  // namespace vl::art::test
