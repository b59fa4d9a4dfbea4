// The custom colour table: colour entries and files as read and written, all-or-nothing
// loading, the import's name rule, deleting with the paths that use a colour, auto colours and
// the built-in set.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "art/custom_color_export.h"
#include "art/custom_color_table.h"
#include "art/gq_numbers.h"
#include "art/ps_text.h"
#include "tests/art/writer_test_env.h"

namespace vl::art::test {
namespace {

struct Inks {
  int c, m, y, k;
  bool operator==(const Inks&) const = default;
};
Inks InksOf(const CustomColor& color) { return {color.c, color.m, color.y, color.k}; }

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

// ---- Entries -------------------------------------------------------------------------------

struct EntryCase {
  const char* label;
  std::string entry;
  ColorEntryResult result;
  std::string name;
  Inks inks;
};

class ColorEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ColorEntryTest, ReadsAsTheRulesSay) {
  const EntryCase& c = GetParam();
  const ColorEntryRead read = ParseColorEntry(c.entry);
  ASSERT_EQ(read.result, c.result) << c.entry;
  if (c.result != ColorEntryResult::kRead) return;
  EXPECT_EQ(read.color.name, c.name);
  EXPECT_EQ(InksOf(read.color), c.inks);
}

const std::string k40 = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";

INSTANTIATE_TEST_SUITE_P(
    Entries, ColorEntryTest,
    ::testing::Values(
        EntryCase{"first_builtin", "1 0 0.55 0 (Aqua)", ColorEntryResult::kRead, "Aqua", {255, 0, 140, 0}},
        EntryCase{"half_two_ways", "0.5 0.50 0.500 0 (Half)", ColorEntryResult::kRead, "Half", {128, 128, 128, 0}},
        EntryCase{"octal_escape", "0 0 0 1 (\\101BC)", ColorEntryResult::kRead, "ABC", {0, 0, 0, 255}},
        EntryCase{"octal_high", "0 0 0 1 (Caf\\351)", ColorEntryResult::kRead, "Caf\xE9", {0, 0, 0, 255}},
        EntryCase{"escaped_parens", "0 0 0 0 (a\\(b\\)c\\\\)", ColorEntryResult::kRead, "a(b)c\\", {0, 0, 0, 0}},
        EntryCase{"not_octal_kept", "0 0 0 0 (\\9x\\n)", ColorEntryResult::kRead, "\\9x\\n", {0, 0, 0, 0}},
        EntryCase{"one_number", "0.5 (Short)", ColorEntryResult::kRead, "Short", {128, 0, 0, 0}},
        EntryCase{"no_numbers", "(Bare)", ColorEntryResult::kRead, "Bare", {0, 0, 0, 0}},
        EntryCase{"empty_field", "1  1 1 (Gap)", ColorEntryResult::kRead, "Gap", {255, 0, 255, 255}},
        EntryCase{"extra_blanks", "1 0 0 0   (Wide)", ColorEntryResult::kRead, "Wide", {255, 0, 0, 0}},
        EntryCase{"no_blank_before_name", "1 1 1 1(Tight)", ColorEntryResult::kRead, "Tight", {255, 255, 255, 255}},
        EntryCase{"clamped", "2 -0.5 1.004 0.999 (Clamp)", ColorEntryResult::kRead, "Clamp", {255, 0, 255, 255}},
        EntryCase{"rounding_edges", "0.002 0.001 0.1 .5 (Edge)", ColorEntryResult::kRead, "Edge", {1, 0, 26, 128}},
        EntryCase{"long_name_cut", "0 0 0 0 (" + k40 + ")", ColorEntryResult::kRead, k40.substr(0, 31), {0, 0, 0, 0}},
        EntryCase{"text_after_name", "0 0 0 0 (A) trailing", ColorEntryResult::kRead, "A", {0, 0, 0, 0}},
        EntryCase{"no_paren", "1 0 0 0 Aqua", ColorEntryResult::kMalformed, "", {}},
        EntryCase{"unclosed", "1 0 0 0 (Aqu", ColorEntryResult::kMalformed, "", {}},
        EntryCase{"cut_in_number", "1 0 0.", ColorEntryResult::kMalformed, "", {}},
        EntryCase{"word_for_number", "a 0 0 0 (X)", ColorEntryResult::kMalformed, "", {}},
        EntryCase{"exponent", "1e2 0 0 0 (X)", ColorEntryResult::kMalformed, "", {}},
        EntryCase{"five_numbers", "1 0 0 0 0 (X)", ColorEntryResult::kMalformed, "", {}},
        EntryCase{"empty_name", "1 0 0 0 ()", ColorEntryResult::kBadName, "", {}},
        EntryCase{"nul_escape", "1 0 0 0 (a\\000b)", ColorEntryResult::kBadName, "", {}},
        EntryCase{"code_past_255", "1 0 0 0 (\\777)", ColorEntryResult::kBadName, "", {}},
        EntryCase{"tab_in_name", "1 0 0 0 (a\tb)", ColorEntryResult::kBadName, "", {}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ColorValues, AnyByteSurvivesAWriteWithinTwoAndIsStableAfterIt) {
  for (int byte = 0; byte < 256; ++byte) {
    std::string written;
    AppendFraction(written, std::uint8_t(byte));
    ASSERT_EQ(written.back(), ' ');
    const std::uint8_t back = InkFromFraction(written.substr(0, written.size() - 1));
    EXPECT_LE(std::abs(int(back) - byte), 2) << byte << " -> " << written;
    std::string rewritten;
    AppendFraction(rewritten, back);
    EXPECT_EQ(rewritten, written) << byte;
  }
}

TEST(ColorValues, ThousandthsRoundHalfUpExactly) {
  // trunc(k/1000 x 255 + 1/2) in integers: no floating point edge can move it.
  for (int k = 0; k <= 1000; ++k) {
    const std::string text = k == 1000 ? "1.000" : "0." + std::to_string(1000 + k).substr(1);
    EXPECT_EQ(InkFromFraction(text), (k * 510 + 1000) / 2000) << text;
  }
}

// ---- Files ---------------------------------------------------------------------------------

std::string ColorLines(int count, std::string_view end = "\r\n") {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += i == 0 ? "%%CMYKCustomColor: " : "%%+ ";
    text += "0 0 0 0.5 (C" + std::to_string(i) + ")";
    text += end;
  }
  return text;
}

std::vector<std::string> Names(const CustomColorList& colors) {
  std::vector<std::string> names;
  for (const CustomColor& c : colors) names.push_back(c.name);
  return names;
}

struct FileCase {
  const char* label;
  std::string text;
  ColorFileResult result;
  int line;  // the faulty line
  std::vector<std::string> names;
};

class ColorFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(ColorFileTest, ReadsWholeAndInPieces) {
  const FileCase& c = GetParam();
  const std::vector<std::uint8_t> bytes = Bytes(c.text);
  const ColorFileRead whole = ParseColorFile(bytes);
  EXPECT_EQ(whole.result, c.result);
  EXPECT_EQ(Names(whole.colors), c.names);
  if (c.result != ColorFileResult::kRead) {
    EXPECT_EQ(whole.line, c.line);
  }
  // One byte at a time, so every CR LF pair is split between two pieces.
  ColorFileParser parser;
  for (std::uint8_t byte : bytes) FeedColorFile(parser, {&byte, 1});
  const ColorFileRead pieces = FinishColorFile(parser);
  EXPECT_EQ(pieces.result, whole.result);
  EXPECT_EQ(pieces.line, whole.line);
  EXPECT_EQ(Names(pieces.colors), Names(whole.colors));
}

const std::string kLong(255, 'x');

INSTANTIATE_TEST_SUITE_P(
    Files, ColorFileTest,
    ::testing::Values(
        FileCase{"header_before_ignored",
                 "%!PS-Adobe-3.0\r\n%%+ 1 1 1 1 (Early)\r\n" + kLong + "\r\n" + ColorLines(2),
                 ColorFileResult::kRead, 0, {"C0", "C1"}},
        FileCase{"ends_at_other_line",
                 ColorLines(2) + "%%DocumentNeededResources: x\r\n%%+ 0 0 0 0 (Late)\r\n",
                 ColorFileResult::kRead, 0, {"C0", "C1"}},
        FileCase{"ends_at_end_comments",
                 "%%CMYKCustomColor: 0 0 0 1 (A)\r%%EndComments\r%%+ 0 0 0 1 (B)\r",
                 ColorFileResult::kRead, 0, {"A"}},
        FileCase{"end_comments_before_colours",
                 "%%EndComments\n%%CMYKCustomColor: 0 0 0 1 (A)\n", ColorFileResult::kRead, 0, {}},
        FileCase{"lone_cr_and_lf", "%%CMYKCustomColor: 0 0 0 1 (A)\r%%+ 1 0 0 0 (B)\n%%+ 0 1 0 0 (C)",
                 ColorFileResult::kRead, 0, {"A", "B", "C"}},
        FileCase{"no_colours", "%!PS-Adobe-3.0\r\n%%BoundingBox: 0 0 0 0\r\n", ColorFileResult::kRead, 0, {}},
        FileCase{"empty", "", ColorFileResult::kRead, 0, {}},
        FileCase{"line_of_254", "%%CMYKCustomColor: 0 0 0 1 (" + std::string(254 - 29, 'n') + ")\r\n",
                 ColorFileResult::kRead, 0, {std::string(31, 'n')}},
        FileCase{"colour_line_too_long", "x\r\n" + ColorLines(1) + "%%+ 0 0 0 0 (" + kLong + ")\r\n",
                 ColorFileResult::kLineTooLong, 3, {}},
        FileCase{"truncated_mid_entry", ColorLines(3) + "%%+ 0 0.5 1", ColorFileResult::kMalformed, 4, {}},
        FileCase{"truncated_in_name", ColorLines(1) + "%%+ 0 0.5 1 0 (Re", ColorFileResult::kMalformed, 2, {}},
        FileCase{"bad_name", ColorLines(2) + "%%+ 0 0 0 0 ()\r\n", ColorFileResult::kBadName, 3, {}},
        FileCase{"nine_hundred", ColorLines(900), ColorFileResult::kRead, 0, Names([] {
                   CustomColorList list;
                   for (int i = 0; i < 900; ++i) list.push_back({"C" + std::to_string(i)});
                   return list;
                 }())},
        FileCase{"nine_hundred_and_one", ColorLines(901), ColorFileResult::kTooManyColors, 901, {}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ColorFile, ReadingStopsAtTheEndOfTheColoursWithoutReadingTheRest) {
  // A huge body after the header is never gathered: the parser is done at the first line after
  // the colours, and the rest of the feed is ignored.
  ColorFileParser parser;
  const std::vector<std::uint8_t> head = Bytes(ColorLines(1) + "%%EndComments\r\n");
  FeedColorFile(parser, head);
  EXPECT_TRUE(parser.done);
  const std::vector<std::uint8_t> junk(1 << 20, 'z');
  FeedColorFile(parser, junk);
  EXPECT_TRUE(parser.pending.empty());
  EXPECT_EQ(Names(FinishColorFile(parser).colors), std::vector<std::string>{"C0"});
}

// ---- The table -----------------------------------------------------------------------------

struct TableEnv : ArtTestEnv {
  CustomColorTable table;
  Lines shown() const { return ui.messages(); }
  std::string write(const std::string& name, const std::string& text) {
    const std::string path = folder.path + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  void add(std::initializer_list<std::string_view> entries) {
    for (std::string_view e : entries) ASSERT_TRUE(setCustomColorFromText(rt, table, e)) << e;
  }
};

TEST(CustomColorTable, SameNameReplacesInksAndOtherCaseAppends) {
  TableEnv env;
  env.add({"0 1 1 0 (Red)", "1 0 0 0 (Cyan)"});
  env.table.colors[0].tagged = true;
  env.table.colors[0].extra = 7;
  env.add({"0 0.5 0.5 0 (Red)", "0 1 1 0 (red)"});
  EXPECT_EQ(Names(env.table.colors), (std::vector<std::string>{"Red", "Cyan", "red"}));
  EXPECT_EQ(InksOf(env.table.colors[0]), (Inks{0, 128, 128, 0}));
  EXPECT_TRUE(env.table.colors[0].tagged);  // only the inks change
  EXPECT_EQ(env.table.colors[0].extra, 7);
  EXPECT_EQ(taggedCount(env.table), 1);
  EXPECT_EQ(env.table.charge.size(), 3 * kCustomColorRecordBytes);
  EXPECT_FALSE(setCustomColorFromText(env.rt, env.table, "1 0 0 0 (Broken"));
  EXPECT_EQ(env.table.colors.size(), 3u);
}

TEST(CustomColorTable, TheNineHundredAndFirstColourIsRefused) {
  TableEnv env;
  for (int i = 0; i < 900; ++i) ASSERT_TRUE(addCustomColor(env.rt, env.table));
  EXPECT_FALSE(addCustomColor(env.rt, env.table));
  EXPECT_FALSE(setCustomColorFromText(env.rt, env.table, "0 0 0 0 (One more)"));
  EXPECT_EQ(env.table.colors.size(), 900u);
  EXPECT_EQ(env.shown(), (Lines{std::string(msg::Text(msg::kMaxCustomColors)),
                                std::string(msg::Text(msg::kMaxCustomColors))}));
}

TEST(CustomColorTable, NoMemoryToGrowLeavesTheTableAsItWas) {
  TableEnv env;
  env.add({"0 0 0 1 (Ink)"});
  env.memory.failAfter(0);
  EXPECT_FALSE(addCustomColor(env.rt, env.table));
  const ColorFileOutcome outcome =
      LoadColorFile(env.rt, env.table, env.write("c.txt", ColorLines(3)));
  EXPECT_TRUE(outcome.outOfMemory);
  EXPECT_FALSE(outcome.loaded());
  EXPECT_EQ(Names(env.table.colors), std::vector<std::string>{"Ink"});
  EXPECT_EQ(env.shown(), Lines(2, std::string(msg::Text(msg::kNotEnoughMemoryRestart))));
}

TEST(CustomColorTable, LoadingIsAllOrNothing) {
  struct Bad {
    std::string text;
    std::string message;
  };
  const Bad bad[] = {
      {ColorLines(5) + "%%+ 0 0 1", msg::Format(msg::kColorEntryMalformed, 6)},
      {ColorLines(2) + "%%+ 0 0 0 0 (\\000)\r\n", msg::Format(msg::kColorNameInvalid, 3)},
      {ColorLines(1) + "%%+ (" + std::string(300, 'y') + ")\r\n", msg::Format(msg::kColorLineTooLong, 2)},
      {ColorLines(1000), std::string(msg::Text(msg::kMaxCustomColors))},
  };
  for (const Bad& b : bad) {
    TableEnv env;
    env.add({"0 0 0 0.5 (C0)", "1 1 1 1 (Keep)"});
    const ColorFileOutcome outcome = LoadColorFile(env.rt, env.table, env.write("bad.txt", b.text));
    EXPECT_FALSE(outcome.loaded());
    EXPECT_EQ(Names(env.table.colors), (std::vector<std::string>{"C0", "Keep"}));
    ASSERT_FALSE(env.shown().empty());
    EXPECT_EQ(env.shown().front(), b.message);
  }
  // Each file is fine alone, but 895 + 10 new names would pass 900.
  TableEnv env;
  for (int i = 0; i < 895; ++i) env.add({"0 0 0 0 (Old" + std::to_string(i) + ")"});
  const ColorFileOutcome outcome =
      LoadColorFile(env.rt, env.table, env.write("ten.txt", ColorLines(10)));
  EXPECT_EQ(outcome.result, ColorFileResult::kTooManyColors);
  EXPECT_EQ(env.table.colors.size(), 895u);
  EXPECT_EQ(env.shown(), (Lines{std::string(msg::Text(msg::kMaxCustomColors)),
                                std::string(msg::Text(msg::kNoColorsLoaded))}));
  // A missing file.
  TableEnv missing;
  EXPECT_EQ(LoadColorFile(missing.rt, missing.table, missing.folder.path + "none").result,
            ColorFileResult::kCannotOpen);
  EXPECT_EQ(missing.shown(), Only(msg::kColorFileOpenFailed));
}

TEST(CustomColorTable, ReloadingAFileReplacesInksInsteadOfDuplicating) {
  TableEnv env;
  const std::string path = env.write("c.txt", ColorLines(3));
  ASSERT_TRUE(LoadColorFile(env.rt, env.table, path).loaded());
  env.table.colors[1].c = 9;
  const ColorFileOutcome again = LoadColorFile(env.rt, env.table, path);
  ASSERT_TRUE(again.loaded());
  EXPECT_EQ(again.added, 0u);
  EXPECT_EQ(Names(env.table.colors), (std::vector<std::string>{"C0", "C1", "C2"}));
  EXPECT_EQ(env.table.colors[1].c, 0);
}

TEST(CustomColorTable, ExportThenLoadGivesTheSameTable) {
  TableEnv env;
  ASSERT_TRUE(addBuiltInColors(env.rt, env.table));
  env.add({"0.33 0.66 0.99 0.01 (a(b)c\\d)", "0 0 0 0 (" + std::string(31, 'L') + ")",
           "0 0 0 1 (Caf\\351)"});
  env.table.colors[3].tagged = true;
  const std::string path = env.folder.path + "export.txt";
  ASSERT_TRUE(exportCustomColors(env.rt, path, env.table.colors, false));
  // The file is the export's: CR LF lines, the colours in the header.
  const Lines lines = SplitLines(ReadWholeFile(path), "\r\n");
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[3], "%%CMYKCustomColor: 1 0 0.55 0 (Aqua)");
  EXPECT_EQ(lines[4], "%%+ 0 0 0 1 (Black)");
  TableEnv loaded;
  ASSERT_TRUE(LoadColorFile(loaded.rt, loaded.table, path).loaded());
  ASSERT_EQ(Names(loaded.table.colors), Names(env.table.colors));
  for (std::size_t i = 0; i < env.table.colors.size(); ++i)
    EXPECT_EQ(InksOf(loaded.table.colors[i]), InksOf(env.table.colors[i])) << i;
  // Only the tagged one.
  ASSERT_TRUE(exportCustomColors(env.rt, path, env.table.colors, true));
  TableEnv tagged;
  ASSERT_TRUE(LoadColorFile(tagged.rt, tagged.table, path).loaded());
  EXPECT_EQ(Names(tagged.table.colors), std::vector<std::string>{"Blue Gray"});
}

TEST(CustomColorTable, ArtFileHeadersReadAsColourFiles) {
  // A saved art file lists the table in its header with lone CR line ends.
  SaveEnv save;
  save.colors = {{"Red", 0, 255, 255, 0}, {"Sky", 204, 13, 0, 0}};
  save.triangles(1);
  ASSERT_FALSE(save.saveLines(kFormatGq5, kPreviewHeader).empty());
  TableEnv env;
  ASSERT_TRUE(LoadColorFile(env.rt, env.table, save.folder.path + "out.eps").loaded());
  EXPECT_EQ(Names(env.table.colors), (std::vector<std::string>{"Red", "Sky"}));
  EXPECT_EQ(InksOf(env.table.colors[1]), (Inks{204, 13, 0, 0}));
}

TEST(CustomColorTable, BuiltInColoursInTheirOrder) {
  TableEnv env;
  ASSERT_TRUE(addBuiltInColors(env.rt, env.table));
  ASSERT_EQ(env.table.colors.size(), kBuiltInColorCount);
  const std::vector<std::string> names = Names(env.table.colors);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  // Each entry is what the writer makes of its colour, up to the zero the table keeps after
  // a tenth ("0.50" is written "0.5").
  for (std::size_t i = 0; i < kBuiltInColorCount; ++i) {
    std::string entry(BuiltInColorEntries()[i]);
    for (std::size_t at = 0; (at = entry.find(".", at)) != std::string::npos && at + 3 < entry.size();
         ++at)
      if (entry[at + 2] == '0' && entry[at + 3] == ' ') entry.erase(at + 2, 1);
    EXPECT_EQ(CustomColorEntryText(env.table.colors[i]), entry);
  }
  // Adding them again changes nothing.
  ASSERT_TRUE(addBuiltInColors(env.rt, env.table));
  EXPECT_EQ(env.table.colors.size(), kBuiltInColorCount);
}

TEST(CustomColorTable, StartupFileOrTheBuiltInsOnRequest) {
  {
    TableEnv env;
    env.ui.scriptAnswers({"ok"});
    EXPECT_EQ(loadDefaultCustomColors(env.rt, env.table, env.folder.path, true),
              StartupColors::kBuiltIn);
    EXPECT_EQ(env.table.colors.size(), kBuiltInColorCount);
    ASSERT_EQ(env.ui.questions().size(), 1u);
    EXPECT_EQ(env.ui.questions()[0],
              msg::Format(msg::kColorFileMissingQuestion,
                          (env.folder.path + "Default Custom Colors").c_str()));
  }
  {
    TableEnv env;  // Cancel, the default answer
    EXPECT_EQ(loadDefaultCustomColors(env.rt, env.table, env.folder.path, true),
              StartupColors::kNone);
    EXPECT_TRUE(env.table.colors.empty());
    EXPECT_EQ(env.ui.questions().size(), 1u);
  }
  {
    TableEnv env;  // not asked
    EXPECT_EQ(loadDefaultCustomColors(env.rt, env.table, env.folder.path, false),
              StartupColors::kNone);
    EXPECT_TRUE(env.ui.questions().empty());
    env.write("Default Custom Colors", ColorLines(2));
    EXPECT_EQ(loadDefaultCustomColors(env.rt, env.table, env.folder.path, false),
              StartupColors::kLoaded);
    EXPECT_EQ(Names(env.table.colors), (std::vector<std::string>{"C0", "C1"}));
    env.write("Default Custom Colors", ColorLines(2) + "%%+ 0 0");
    EXPECT_EQ(loadDefaultCustomColors(env.rt, env.table, env.folder.path, false),
              StartupColors::kFailed);
    EXPECT_EQ(env.table.colors.size(), 2u);
  }
}

TEST(CustomColorTable, ImportAppendsTildesOrReplacesAtThirtyCharacters) {
  TableEnv env;
  const std::string thirty(30, 'T'), free30(30, 'F');
  env.add({"0 1 1 0 (Red)", "0 1 1 0 (Red~)", "0 0 0 1 (" + thirty + ")", "0 0 0 1 (Other)"});
  env.table.colors[1].extra = 5;
  const CustomColorList chosen = {{"Red", 0, 0, 255, 0, false, 3}, {thirty, 255, 0, 0, 0},
                                  {free30, 0, 255, 0, 0}, {"New", 1, 2, 3, 4}};
  ASSERT_TRUE(importCustomColors(env.rt, env.table, chosen, true).loaded());
  EXPECT_EQ(Names(env.table.colors),
            (std::vector<std::string>{"Red", "Red~", thirty, "Other", "Red~~", free30, "New"}));
  EXPECT_EQ(InksOf(env.table.colors[2]), (Inks{255, 0, 0, 0}));  // replaced, and tagged
  EXPECT_TRUE(env.table.colors[2].tagged);
  EXPECT_EQ(env.table.colors[4].extra, 3);  // carried with the record
  EXPECT_EQ(taggedCount(env.table), 4);
  // Past 900 nothing is imported.
  for (int i = 0; i < 893; ++i) ASSERT_TRUE(addCustomColor(env.rt, env.table));
  ASSERT_EQ(env.table.colors.size(), 900u);
  EXPECT_FALSE(importCustomColors(env.rt, env.table, {{"Z", 0, 0, 0, 0}}, false).loaded());
  EXPECT_EQ(env.table.colors.size(), 900u);
}

TEST(CustomColorTable, DeletingTurnsItsPathsToProcessAndRenumbersTheRest) {
  TableEnv env;
  env.add({"0 0 0 1 (A)", "1 0 0 0 (B)", "0 1 0 0 (C)"});
  env.state.colorPassActive = 0;
  for (std::uint16_t index : {0, 1, 2}) {
    env.art.pen.fillType = PaintType::Custom;
    env.art.pen.strokeType = index == 2 ? PaintType::Custom : PaintType::None;
    env.art.pen.customIndex = index;
    env.art.pen.color = 0x11223344u + index;
    ASSERT_TRUE(env.linePath({{1, 1}, {5, 1}, {5, 5}, {1, 1}}));
  }
  env.art.pen.customIndex = 1;  // the current paint uses B
  deleteCustomColor(env.table, 1, env.art);
  EXPECT_EQ(Names(env.table.colors), (std::vector<std::string>{"A", "C"}));
  const PathRecord* p = env.art.paths.data();
  EXPECT_EQ(p[0].fillType, PaintType::Custom);
  EXPECT_EQ(p[0].fillCustomIndex, 0);
  EXPECT_EQ(p[1].fillType, PaintType::Process);
  EXPECT_EQ(p[1].fillCustomIndex, 0);
  EXPECT_EQ(p[1].fillColor, 0x11223345u);  // the packed colour stays
  EXPECT_EQ(p[2].fillType, PaintType::Custom);
  EXPECT_EQ(p[2].fillCustomIndex, 1);
  EXPECT_EQ(p[2].strokeCustomIndex, 1);
  EXPECT_EQ(env.art.pen.fillType, PaintType::Process);
  EXPECT_EQ(env.art.pen.customIndex, 0);
  EXPECT_EQ(env.table.charge.size(), 2 * kCustomColorRecordBytes);
}

TEST(CustomColorTable, NewColourNamesTakeTheSmallestFreeNumber) {
  TableEnv env;
  EXPECT_EQ(NextNewColorName(env.table), "New Color 1");
  env.add({"0 0 0 0 (New Color 1)", "0 0 0 0 (New Color 3)"});
  EXPECT_EQ(NextNewColorName(env.table), "New Color 2");
}

// ---- Auto colours --------------------------------------------------------------------------

TEST(AutoColors, ResetDeletesTheLastConversionsAndNumbersAfresh) {
  TableEnv env;
  env.add({"0 0 0 1 (Auto Color 1)", "0 0 0 1 (Mine)", "0 0 0 1 (Auto Color 7)",
           "0 0 0 1 (auto color 2)", "0 0 0 1 (Auto Colo)"});
  env.art.pen.fillType = PaintType::Custom;
  env.art.pen.customIndex = 2;
  ASSERT_TRUE(env.linePath({{1, 1}, {5, 1}, {5, 5}, {1, 1}}));
  resetAutoColors(env.table, env.art);
  EXPECT_EQ(Names(env.table.colors),
            (std::vector<std::string>{"Mine", "auto color 2", "Auto Colo"}));
  EXPECT_EQ(env.art.paths[0].fillType, PaintType::Process);

  // The same colour twice makes one colour; a user colour of the same inks is not taken.
  const std::uint32_t blackInk = 0xFF000000u, red = 0x0000FFFFu;
  EXPECT_EQ(autoColorIndex(env.rt, env.table, blackInk), std::optional<std::uint16_t>(3));
  EXPECT_EQ(autoColorIndex(env.rt, env.table, red), std::optional<std::uint16_t>(4));
  EXPECT_EQ(autoColorIndex(env.rt, env.table, blackInk), std::optional<std::uint16_t>(3));
  EXPECT_EQ(Names(env.table.colors), (std::vector<std::string>{"Mine", "auto color 2", "Auto Colo",
                                                               "Auto Color 1", "Auto Color 2"}));
  EXPECT_EQ(InksOf(env.table.colors[4]), (Inks{255, 255, 0, 0}));
  // The next conversion starts over at 1.
  resetAutoColors(env.table, env.art);
  EXPECT_EQ(autoColorIndex(env.rt, env.table, red), std::optional<std::uint16_t>(3));
  EXPECT_EQ(env.table.colors[3].name, "Auto Color 1");
}

TEST(AutoColors, AFullTableIsReportedOncePerConversion) {
  TableEnv env;
  for (int i = 0; i < 900; ++i) ASSERT_TRUE(addCustomColor(env.rt, env.table));
  resetAutoColors(env.table, env.art);
  EXPECT_FALSE(autoColorIndex(env.rt, env.table, 1));
  EXPECT_FALSE(autoColorIndex(env.rt, env.table, 2));
  EXPECT_EQ(env.shown(), Only(msg::kMaxCustomColors));
}

TEST(AutoColors, NewColourPathsGetTheirOwnCustomColour) {
  // The path builder's hook, wired as the shell wires it.
  TableEnv env;
  env.table.colors.clear();
  resetAutoColors(env.table, env.art);
  env.art.createCustomColor = [&env](std::uint32_t color) {
    return autoColorIndex(env.rt, env.table, color);
  };
  env.state.colorPassActive = 1;
  env.art.pen.multiSample = true;
  env.art.pen.fillType = PaintType::Process;
  env.settings.set(settings::kAddNewColors, true);
  env.settings.set(settings::kLimitedColors, true);
  for (std::uint32_t color : {0x00FF00FFu, 0x00FF00FFu, 0x40000000u}) {
    env.art.pen.color = color;
    ASSERT_TRUE(env.linePath({{1, 1}, {5, 1}, {5, 5}, {1, 1}}));
  }
  ASSERT_EQ(env.table.colors.size(), 2u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(env.art.paths[i].fillType, PaintType::Custom);
    EXPECT_EQ(env.art.paths[i].fillTint, 255);
  }
  EXPECT_EQ(env.art.paths[1].fillCustomIndex, 0);
  EXPECT_EQ(env.art.paths[2].fillCustomIndex, 1);
  EXPECT_EQ(PackedColor(env.table.colors[1]), 0x40000000u);
}

}  // namespace
}  // namespace vl::art::test
