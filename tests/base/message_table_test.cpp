// The message table: unique ordered numbers, placeholders Format can fill, the exact texts users
// and other code rely on, the coded groups, and filling in.
#include "base/message_table.h"

#include <gtest/gtest.h>

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

TEST(MessageTable, NumbersAreUniqueAndOrderedAndEveryTextIsUsable) {
  auto entries = Entries();
  ASSERT_GT(entries.size(), 200u);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    EXPECT_FALSE(e.text.empty()) << e.number;
    EXPECT_TRUE(i == 0 ? e.number > 0 : entries[i - 1].number < e.number) << e.number;
    EXPECT_TRUE(Has(e.number) && Text(e.number) == e.text) << e.number;
    EXPECT_LT(e.number, 1300) << "outside the documented groups";
    // Handed to C interfaces through data(): the literal must end right after the view.
    EXPECT_EQ(e.text.data()[e.text.size()], '\0') << e.number;
    // A '%' other than the placeholders Format supports would make it read missing arguments.
    for (std::size_t at = e.text.find('%'); at != std::string_view::npos;
         at = e.text.find('%', at + 2)) {
      const std::string_view rest = e.text.substr(at + 1);
      EXPECT_TRUE(rest.starts_with("d") || rest.starts_with("s") || rest.starts_with("ld") ||
                  rest.starts_with("%")) << e.number << ": " << e.text;
    }
    if (e.text.find('%') == std::string_view::npos) { EXPECT_EQ(Format(e.number), e.text); }
  }
  for (int missing : {0, -1, 1, 10, 14, 1128, 1129, 999999}) {
    EXPECT_FALSE(Has(missing)) << missing;
    EXPECT_TRUE(Text(missing).empty() && Text(missing).data()[0] == '\0');
    EXPECT_EQ(Format(missing, 5), "");
  }
  const int named[] = {
      kInsufficientMemory, kDiskFullOrLocked, kScratchDiskFull, kUndoMemoryQuestion, kNoiseRange,
      kLineThinningRange, kUniformWeightRange, kCenterliningLabel, kOutliningLabel,
      kLineRecognizingLabel, kSeparateShapesMemory, kCurvesFlattened, kPrefsWriteFailed,
      kInvalidPrefsFile, kPercentRange, kToleranceRange, kSaveArtQuestion, kAllPathsDeleted,
      kStraightToCurvedRange, kMemoryRanLow, kIncompatibleMethod, kDisposalFailed, kMaxColorsRange,
      kMaxSmoothingReached, kPointsEliminated, kPointEliminated, kNoDirectionPointsSmoothed,
      kSmoothedPointsOfPoints, kSmoothedPointOfPoints, kSmoothedPointOfPoint, kSettingsWriteFailed,
      kInvalidSettingsFile, kUndoDisabledQuestion, kProcessingImageLabel, kPosterizationOffQuestion,
      kNoMethod, kNoPathsFound, kEnterName, kNameInUse, kProcessingLabel, kSepShapesLabel,
      kDuplicateBatchNames, kMaxPathsExceeded, kNewOptionName, kScratchOpenFailed,
      kTooManyJunctions, kTooManyJunctionsColor, kAutoColorsExceedSpace, kArtExtension,
      kDefaultsName, kNotEnoughMemoryRestart, kCantDeleteDefaults, kCantRenameDefaults,
      kComplexityRange, kReusePositionsQuestion, kPositionsReset, kPreviewFalseColorNote,
      kMaxSettings, kNameReserved, kSavePixelImageQuestion, kProgressCaption, kUntitledName,
      kPosterizingLabel, kConvertingOldPrefs, kCantExportColors, kTooFewTaggedColors,
      kTooFewCustomColors, kProgramTitle, kPluginFolderNote, kNotAvailableInThisBuild,
      kMessageBoxTitle, kQuestionTitle, kPassOfPasses, kPathWord, kPathsWord, kFilesToGo,
      kThinningStep, kSkeletonizingCaption, kSkeletonizingPrompt, kThinningStepsLabel,
      kMatchingPathsLabel, kFindingCustomColor, kFindingCustomTint, kScratchDiskCaption,
      kScratchDiskPrompt, kScratchDiskNote, kPluginFolderCaption, kUnknownInputFormat,
      kInputOpenError, kTiffGetLongError, kTiffGetRationalError, kTiffByteOrderError,
      kTiffIncompleteData, kTiffBadCode, kTiffBadStrokeLength, kTiffUnimplementedEncoding,
      kReadingImageData, kInvalidRvxFormat, kRvxModeNotSupported, kRvxSixteenBitNote,
      kSunRasterNotBilevel, kSunRasterCompressed, kInputStillOpen, kRevertQuestion,
      kPixelsPerInchUnit, kImageModeBitmap, kImageModeGray, kImageModeRgb, kImageModeCmyk,
      kLevelsMemory, kLevelsBlackRange, kLevelsGammaRange, kLevelsWhiteRange, kLevelsCaption,
      kSavingLabel, kPreparingClipboard, kLongPathWarningCaption, kCannotUndo, kUndoPrefix,
      kRedoPrefix, kUndoAccelerator, kBlackPercent, kPointsLabel, kConversionSetupCaption,
      kColorSetupCaption, kMethodOutline, kMethodCenterline, kMethodLineRecognition,
      kSummaryNoiseSuppression, kSummaryPixels, kSummaryLineThinning, kSummaryInteractive,
      kSummaryYes, kSummaryNo, kSummaryTolerance, kSummaryWhiteLines, kSummaryUniformWeight,
      kSummarySeparateShapes, kSummaryReverseImage, kSummaryColorCount, kSummaryNoiseReduction,
      kSummaryTaggedOnly, kSummaryGenerateTints, kSummaryAddToList, kSummaryThreshold,
      kSummaryContrast, kSummaryBoost, kSettingsCaption, kDefaultColorFileName, kAutoColorName,
      kMaxCustomColors, kColorFileMissingQuestion, kColorFileOpenFailed, kColorImportCaption,
      kImportSourceCount, kImportListCount, kCustomColorCaption, kTagCountOne, kTagCountMany,
      kTotalColorOne, kTotalColorsMany, kNewColorName, kReplaceColorQuestion, kPaintStyleCaption,
      kNoneNotForDrawing, kColorModelIncompatible, kStrokeWeightRange, kNoMatchesFound,
      kDeleteColorQuestion, kNewColorItem, kSaveColorItem, kTagItem, kUntagItem, kFileToConvert,
      kFilesToConvert, kBatchDestinationCaption, kBatchFormatCaption, kBatchDestinationPrompt,
      kBatchFileExists, kBatchProcessingStatus, kConvertAgainQuestion, kInvalidAcquireResource,
      kNothingToUndo, kAdjustCurveTip, kAdjustLineTip, kWandAddTip, kWandSubtractTip,
      kWandIntersectTip, kMagicWandCaption, kMagicWandRange};
  for (int n : named) EXPECT_TRUE(Has(n)) << "named message " << n << " has no text";
}

TEST(MessageTable, CodedGroupsAreComplete) {
  for (int code = 0; code <= 33; ++code)  // undo names; codes 28 and 29 are unused
    EXPECT_EQ(Has(kUndoNameFirst + code), code != 28 && code != 29) << "undo code " << code;
  EXPECT_EQ(std::string(Text(kUndoPrefix)) + std::string(Text(kUndoNameFirst + 5)) +
                std::string(Text(kUndoAccelerator)),
            "Undo Smoothing\tCtrl+Z");
  EXPECT_EQ(Text(kUndoNameFirst + 33), "Convert to Rectangle");
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
  for (int i = 0; i < kLongPathWarningLineCount; ++i)
    EXPECT_TRUE(Has(kLongPathWarningFirstLine + i)) << i;
  EXPECT_EQ(Text(kLongPathWarningFirstLine),
            "One or more of the paths output by Morvo Vectorlume has");
  EXPECT_EQ(Text(kLongPathWarningFirstLine + kLongPathWarningLineCount - 1),
            "under Options, then reconvert the image.");
  EXPECT_FALSE(Has(kLongPathWarningFirstLine + kLongPathWarningLineCount));
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
                        "Morvo Vectorlume", "Reading Image Data", "Cannot Undo"}) {
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
