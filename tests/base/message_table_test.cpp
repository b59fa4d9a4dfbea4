// The message table: unique ordered numbers, the constants and the table from the one list, the
// placeholders Format's callers fill, the coded groups, and the texts that must not move.
#include "base/message_table.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vl::msg {
namespace {

int NumberOf(std::string_view text) {
  for (const Entry& e : Entries())
    if (e.text == text) return e.number;
  return -1;
}

// The printf conversions of a text in order, "%%" left out: "ld ld" for "Smoothed %ld of %ld".
std::string Conversions(std::string_view text) {
  std::string out;
  for (std::size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at)) {
    std::size_t end = at + 1;  // past any length modifier, on the conversion letter
    while (end < text.size() && text[end] == 'l') ++end;
    if (end == text.size()) return out + " (cut)";
    if (text[end] != '%') {
      if (!out.empty()) out += ' ';
      out += text.substr(at + 1, end - at);
    }
    at = end + 1;
  }
  return out;
}

TEST(MessageTable, EveryListedMessageHasItsNumberNameAndUsableText) {
  struct Listed {
    int constant;
    int number;
    std::string_view name;
  };
  const Listed listed[] = {
#define VL_MESSAGE(number, name, text) {name, number, #name},
#include "base/messages.def"
  };
  auto entries = Entries();
  ASSERT_EQ(entries.size(), std::size(listed));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    SCOPED_TRACE(std::string(e.name));
    EXPECT_TRUE(e.number == listed[i].number && e.number == listed[i].constant &&
                e.name == listed[i].name);
    EXPECT_TRUE(i == 0 ? e.number > 0 : entries[i - 1].number < e.number);
    // 1700-1819: the window's tools, dialogs and acquire, beyond the groups listed in the header.
    EXPECT_LT(e.number, 1820) << "outside the documented groups";
    EXPECT_FALSE(e.text.empty());
    EXPECT_TRUE(Has(e.number) && Text(e.number).data() == e.text.data());
    // Handed to C interfaces through data(): the literal must end right after the view.
    EXPECT_EQ(e.text.data()[e.text.size()], '\0');
  }
  for (int missing : {0, -1, 1, 10, 14, 1128, 1129, 999999}) {
    EXPECT_FALSE(Has(missing)) << missing;
    EXPECT_TRUE(Text(missing).empty() && Text(missing).data()[0] == '\0');
    EXPECT_EQ(Format(missing, 5), "");
  }
}

TEST(MessageTable, PlaceholdersAreWhatFormatsCallersPass) {
  // Every text with a placeholder and the arguments its callers pass, in order ("ld": a long).
  const std::map<int, std::string> expected = {
      {kSaveArtQuestion, "s"}, {kPointsEliminated, "d"}, {kPointEliminated, "d"},
      {kSmoothedPointsOfPoints, "ld ld"}, {kSmoothedPointOfPoints, "ld ld"},
      {kSmoothedPointOfPoint, "ld ld"}, {kDuplicateBatchNames, "s"},
      {kSavePixelImageQuestion, "s"}, {kNotAvailableInThisBuild, "s"}, {kPassOfPasses, "d d"},
      {kThinningStep, "d d"}, {kInputOpenError, "d"}, {kBlackPercent, "d"},
      {kSummaryColorCount, "d"}, {kColorFileMissingQuestion, "s"}, {kImportSourceCount, "d"},
      {kImportListCount, "d"}, {kTagCountOne, "d"}, {kTagCountMany, "d"}, {kTotalColorOne, "d"},
      {kTotalColorsMany, "d"}, {kDeleteColorQuestion, "s"}, {kDamagedFileKept, "s"},
      {kBatchSummary, "d d d d d"}, {kColorLineTooLong, "d"}, {kColorEntryMalformed, "d"},
      {kColorNameInvalid, "d"}, {kCountOfFiles, "d s"}, {kFilesToGoLine, "s d"}};
  for (const Entry& e : Entries()) {
    const auto it = expected.find(e.number);
    EXPECT_EQ(Conversions(e.text), it == expected.end() ? "" : it->second) << e.name;
    if (it == expected.end()) { EXPECT_EQ(Format(e.number), e.text) << e.name; }
  }
}

TEST(MessageTable, CodedGroupsAreComplete) {
  for (int code = 0; code <= 33; ++code)  // undo names; codes 28 and 29 are unused
    EXPECT_EQ(Has(kUndoNameFirst + code), code != 28 && code != 29) << "undo code " << code;
  EXPECT_EQ(std::string(Text(kUndoPrefix)) + std::string(Text(kUndoNameFirst + 5)) +
                std::string(Text(kUndoAccelerator)),
            "Undo Smoothing\tCtrl+Z");
  EXPECT_EQ(Text(kUndoNameFirst + 21), "Convert");
  const std::pair<int, std::vector<const char*>> groups[] = {
      {kPaintTypeFirst, {"None", "White", "Black", "Process", "Custom"}},
      {kLinesModeFirst, {"Curved and straight", "Curved only", "Straight only"}},
      {kNoiseReductionFirst, {"None", "Medium", "Maximum"}},
      {kPosterizationModeFirst + 1,
       {"Limited Colors", "Unlimited Colors", "Use Custom Colors", "Black & White Only"}}};
  for (const auto& [first, texts] : groups) {
    for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(Text(first + int(i)), texts[i]);
  }
  EXPECT_FALSE(Has(kPosterizationModeFirst));
  ASSERT_EQ(kLongPathWarningLineCount, 12);
  for (int i = 0; i < kLongPathWarningLineCount; ++i)
    EXPECT_TRUE(Has(kLongPathWarningFirstLine + i)) << i;
  EXPECT_EQ(Text(kLongPathWarningFirstLine),
            "One or more of the paths output by Morvo Vectorlume has");
  EXPECT_EQ(Text(kLongPathWarningFirstLine + kLongPathWarningLineCount - 1),
            "under Options, then reconvert the image.");
}

TEST(MessageTable, KeyTextsMatchByteForByteUnderTheirNumbers) {
  const std::pair<int, const char*> historical[] = {
      {11, "Insufficient memory to process image."},
      {12, "Can't save file because the disk is full or locked."},
      {13, "Can't perform operation because the scratch disk is full, locked, or unavailable."},
      {155, "Can't open temporary file because the scratch disk is full, locked, or unavailable."},
      {150, "The maximum number of paths has been exceeded so the program has overridden the "
            "current Noise Suppression setting and discarded additional paths. Increase Noise "
            "Suppression setting or reduce the Complexity if reconverting."},
      {37, "Insufficient memory for Separate Shapes."}, {130, "Conversion method not selected"},
      {131, "No paths found"}, {32, "Outlining -"}, {147, "Processing..."}, {326, "Progress"},
      {357, "Posterizing"}, {236, "Defaults"}, {331, "Untitled"}, {401, "Vectorlume"},
      // The odd bytes: 0xAA in 361.
      {361, "Converting an earlier version of Morvo Vectorlume\xAA Prefs."}};
  for (auto [n, t] : historical) EXPECT_TRUE(Text(n) == t && NumberOf(t) == n) << n;
  EXPECT_TRUE(Text(203).ends_with("for this conversion? "));  // the trailing blank
  EXPECT_NE(Text(370).find("\"tag\" at least two"), std::string_view::npos);
  EXPECT_NE(Text(370).find("tagged colors only.  Check"), std::string_view::npos);
  EXPECT_TRUE(Text(59).ends_with(" to \"Outline\"?"));
  // Texts without a historical number live in our range.
  for (const char* t : {"Unknown input format.", "TIFF error: Incomplete data.",
                        "Bad TIFF stroke length.", "Invalid Rastelvox format.",
                        "Magic Wand tolerance ranges between 0 and 255. Closest value inserted.",
                        "Morvo Vectorlume", "Reading Image Data", "Cannot Undo",
                        "This pixel save format is not available in this build.",
                        "Interactive Thinning"}) {
    EXPECT_GE(NumberOf(t), kFirstUnnumbered) << t;
  }
}

TEST(MessageTable, FormatFillsPlaceholders) {
  EXPECT_EQ(Format(kPointEliminated, 1), "1 point was eliminated.");
  EXPECT_EQ(Format(kSmoothedPointsOfPoints, 5L, 3000000000L),
            "Smoothed 5 points of the 3000000000 points operated on.");
  EXPECT_EQ(Format(kPassOfPasses, 2, 7), " pass 2 of 7,");
  EXPECT_EQ(Format(kBlackPercent, 40), "40% Black");
  EXPECT_EQ(Format(kNotAvailableInThisBuild, "Line recognition"),
            "Line recognition is not available in this build.");
  // A user's file name is an argument, never a format: its '%' must come through untouched.
  EXPECT_EQ(Format(kSaveArtQuestion, "100%d %s.art"),
            "Save changes to the Morvo Vectorlume document \"100%d %s.art\" before closing?");
  const std::string longName(5000, 'x');  // long arguments are not cut at some buffer size
  const std::string filled = Format(kDuplicateBatchNames, longName.c_str());
  EXPECT_EQ(filled.size(), Text(kDuplicateBatchNames).size() - 2 + longName.size());
  EXPECT_NE(filled.find("(" + longName + ")"), std::string::npos);
}

}  // namespace
}  // namespace vl::msg
