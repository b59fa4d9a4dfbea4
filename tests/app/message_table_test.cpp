// Tests of the message table: its shape, the exact texts users and other code rely on, the
// coded groups, and filling in placeholders.
#include "app/message_table.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace vl::msg {
namespace {

int NumberOf(std::string_view text) {
  for (const Entry& e : Entries())
    if (e.text == text) return e.number;
  return -1;
}

TEST(MessageTable, EntriesAreUniqueOrderedAndNonEmpty) {
  auto entries = Entries();
  ASSERT_GT(entries.size(), 200u);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    EXPECT_GT(e.number, 0);
    EXPECT_FALSE(e.text.empty()) << e.number;
    if (i > 0) {
      EXPECT_LT(entries[i - 1].number, e.number) << "at " << e.number;
    }
    EXPECT_TRUE(Has(e.number));
    EXPECT_EQ(Text(e.number), e.text);
    // Handed to C interfaces through data(): the literal must end right after the view.
    EXPECT_EQ(e.text.data()[e.text.size()], '\0') << e.number;
  }
  for (int missing : {0, -1, 1, 10, 14, 1128, 1129, 999999}) {
    EXPECT_FALSE(Has(missing)) << missing;
    EXPECT_TRUE(Text(missing).empty());
    EXPECT_EQ(Text(missing).data()[0], '\0');
    EXPECT_EQ(Format(missing, 5), "");
  }
}

TEST(MessageTable, PlaceholdersAreOnlyTheOnesFormatSupports) {
  // A stray '%' would make Format read arguments nobody passed.
  for (const Entry& e : Entries()) {
    std::string_view t = e.text;
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (t[i] != '%') continue;
      std::string_view rest = t.substr(i + 1);
      bool ok = rest.starts_with("d") || rest.starts_with("s") || rest.starts_with("ld") ||
                rest.starts_with("%");
      EXPECT_TRUE(ok) << "message " << e.number << ": " << t;
      if (rest.starts_with("%") || rest.starts_with("ld")) ++i;
    }
    if (t.find('%') == std::string_view::npos) {
      EXPECT_EQ(Format(e.number), t) << e.number;
    }
  }
}

TEST(MessageTable, NamedConstantsAllHaveTexts) {
  const int named[] = {
      kInsufficientMemory, kDiskFullOrLocked, kScratchDiskFull, kUndoMemoryQuestion, kNoiseRange,
      kLineThinningRange, kUniformWeightRange, kCenterliningLabel, kOutliningLabel,
      kLineRecognizingLabel, kSeparateShapesMemory, kCurvesFlattened, kPrefsWriteFailed,
      kInvalidPrefsFile, kPercentRange, kToleranceRange, kSaveArtQuestion, kAllPathsDeleted,
      kStraightToCurvedRange, kMemoryRanLow, kIncompatibleMethod, kDisposalFailed,
      kMaxColorsRange, kMaxSmoothingReached, kPointsEliminated, kPointEliminated,
      kNoDirectionPointsSmoothed, kSmoothedPointsOfPoints, kSmoothedPointOfPoints,
      kSmoothedPointOfPoint, kSettingsWriteFailed, kInvalidSettingsFile, kUndoDisabledQuestion,
      kProcessingImageLabel, kPosterizationOffQuestion, kNoMethod, kNoPathsFound, kEnterName,
      kNameInUse, kProcessingLabel, kSepShapesLabel, kDuplicateBatchNames, kMaxPathsExceeded,
      kNewOptionName, kScratchOpenFailed, kTooManyJunctions, kTooManyJunctionsColor,
      kAutoColorsExceedSpace, kArtExtension, kDefaultsName, kNotEnoughMemoryRestart,
      kCantDeleteDefaults, kCantRenameDefaults, kComplexityRange, kReusePositionsQuestion,
      kPositionsReset, kPreviewFalseColorNote, kMaxSettings, kNameReserved,
      kSavePixelImageQuestion, kProgressCaption, kUntitledName, kPosterizingLabel,
      kConvertingOldPrefs, kCantExportColors, kTooFewTaggedColors, kTooFewCustomColors,
      kProgramTitle, kPluginFolderNote, kNotAvailableInThisBuild, kMessageBoxTitle,
      kQuestionTitle, kPassOfPasses, kPathWord, kPathsWord, kFilesToGo, kThinningStep,
      kSkeletonizingCaption, kSkeletonizingPrompt, kThinningStepsLabel, kMatchingPathsLabel,
      kFindingCustomColor, kFindingCustomTint, kScratchDiskCaption, kScratchDiskPrompt,
      kScratchDiskNote, kPluginFolderCaption, kUnknownInputFormat, kInputOpenError,
      kTiffGetLongError, kTiffGetRationalError, kTiffByteOrderError, kTiffIncompleteData,
      kTiffBadCode, kTiffBadStrokeLength, kTiffUnimplementedEncoding, kReadingImageData,
      kInvalidRvxFormat, kRvxModeNotSupported, kRvxSixteenBitNote, kSunRasterNotBilevel,
      kSunRasterCompressed, kInputStillOpen, kRevertQuestion, kPixelsPerInchUnit,
      kImageModeBitmap, kImageModeGray, kImageModeRgb, kImageModeCmyk, kLevelsMemory,
      kLevelsBlackRange, kLevelsGammaRange, kLevelsWhiteRange, kLevelsCaption, kSavingLabel,
      kPreparingClipboard, kLongPathWarningCaption, kCannotUndo, kUndoPrefix, kRedoPrefix,
      kUndoAccelerator, kBlackPercent, kPointsLabel, kConversionSetupCaption,
      kColorSetupCaption, kMethodOutline, kMethodCenterline, kMethodLineRecognition,
      kSummaryNoiseSuppression, kSummaryPixels, kSummaryLineThinning, kSummaryInteractive,
      kSummaryYes, kSummaryNo, kSummaryTolerance, kSummaryWhiteLines, kSummaryUniformWeight,
      kSummarySeparateShapes, kSummaryReverseImage, kSummaryColorCount, kSummaryNoiseReduction,
      kSummaryTaggedOnly, kSummaryGenerateTints, kSummaryAddToList, kSummaryThreshold,
      kSummaryContrast, kSummaryBoost, kSettingsCaption, kDefaultColorFileName, kAutoColorName,
      kMaxCustomColors, kColorFileMissingQuestion, kColorFileOpenFailed, kColorImportCaption,
      kImportSourceCount, kImportListCount, kCustomColorCaption, kTagCountOne, kTagCountMany,
      kTotalColorOne, kTotalColorsMany, kNewColorName, kReplaceColorQuestion,
      kPaintStyleCaption, kNoneNotForDrawing, kColorModelIncompatible, kStrokeWeightRange,
      kNoMatchesFound, kDeleteColorQuestion, kNewColorItem, kSaveColorItem, kTagItem,
      kUntagItem, kFileToConvert, kFilesToConvert, kBatchDestinationCaption,
      kBatchFormatCaption, kBatchDestinationPrompt, kBatchFileExists, kBatchProcessingStatus,
      kConvertAgainQuestion, kInvalidAcquireResource, kNothingToUndo, kAdjustCurveTip,
      kAdjustLineTip, kWandAddTip, kWandSubtractTip, kWandIntersectTip, kMagicWandCaption,
      kMagicWandRange};
  for (int n : named) EXPECT_FALSE(Text(n).empty()) << "named message " << n << " has no text";
}

TEST(MessageTable, CodedGroupsAreComplete) {
  // Undo names: codes 0..33, of which 28 and 29 are unused.
  for (int code = 0; code <= 33; ++code)
    EXPECT_EQ(Has(kUndoNameFirst + code), code != 28 && code != 29) << "undo code " << code;
  EXPECT_EQ(Text(kUndoNameFirst + 5), "Smoothing");
  EXPECT_EQ(Text(kUndoNameFirst + 21), "Convert");
  EXPECT_EQ(Text(kUndoNameFirst + 33), "Convert to Rectangle");
  EXPECT_EQ(Text(kCannotUndo), "Cannot Undo");
  EXPECT_EQ(std::string(Text(kUndoPrefix)) + std::string(Text(kUndoNameFirst + 5)) +
                std::string(Text(kUndoAccelerator)),
            "Undo Smoothing\tCtrl+Z");

  const char* paint[] = {"None", "White", "Black", "Process", "Custom"};
  for (int t = 0; t < 5; ++t) EXPECT_EQ(Text(kPaintTypeFirst + t), paint[t]);
  const char* lines[] = {"Curved and straight", "Curved only", "Straight only"};
  for (int m = 0; m < 3; ++m) EXPECT_EQ(Text(kLinesModeFirst + m), lines[m]);
  const char* noise[] = {"None", "Medium", "Maximum"};
  for (int m = 0; m < 3; ++m) EXPECT_EQ(Text(kNoiseReductionFirst + m), noise[m]);
  const char* poster[] = {"Limited Colors", "Unlimited Colors", "Use Custom Colors",
                          "Black & White Only"};
  for (int m = 1; m <= 4; ++m) EXPECT_EQ(Text(kPosterizationModeFirst + m), poster[m - 1]);
  EXPECT_FALSE(Has(kPosterizationModeFirst));

  for (int i = 0; i < kLongPathWarningLineCount; ++i)
    EXPECT_TRUE(Has(kLongPathWarningFirstLine + i)) << i;
  EXPECT_EQ(Text(kLongPathWarningFirstLine),
            "One or more of the paths output by Morvo Vectorlume has");
  EXPECT_EQ(Text(kLongPathWarningFirstLine + kLongPathWarningLineCount - 1),
            "under Options, then reconvert the image.");
  EXPECT_FALSE(Has(kLongPathWarningFirstLine + kLongPathWarningLineCount));
}

TEST(MessageTable, HistoricalTextsMatchByteForByte) {
  EXPECT_EQ(Text(11), "Insufficient memory to process image.");
  EXPECT_EQ(Text(12), "Can't save file because the disk is full or locked.");
  EXPECT_EQ(Text(13),
            "Can't perform operation because the scratch disk is full, locked, or unavailable.");
  EXPECT_EQ(Text(131), "No paths found");
  EXPECT_EQ(Text(150),
            "The maximum number of paths has been exceeded so the program has overridden the "
            "current Noise Suppression setting and discarded additional paths. Increase Noise "
            "Suppression setting or reduce the Complexity if reconverting.");
  EXPECT_EQ(Text(155),
            "Can't open temporary file because the scratch disk is full, locked, or unavailable.");
  EXPECT_EQ(Text(32), "Outlining -");
  EXPECT_EQ(Text(147), "Processing...");
  EXPECT_EQ(Text(326), "Progress");
  EXPECT_EQ(Text(357), "Posterizing");
  // The odd bytes: 0xAA in 361, the trailing blank of 203, the doubled blank and quotes of 370.
  std::string_view old_prefs = Text(361);
  EXPECT_EQ(old_prefs, "Converting an earlier version of Morvo Vectorlume\xAA Prefs.");
  ASSERT_EQ(old_prefs.size(), 57u);
  EXPECT_EQ(static_cast<unsigned char>(old_prefs[49]), 0xAAu);
  EXPECT_TRUE(Text(203).ends_with("for this conversion? "));
  EXPECT_NE(Text(370).find("\"tag\" at least two"), std::string_view::npos);
  EXPECT_NE(Text(370).find("tagged colors only.  Check"), std::string_view::npos);
  EXPECT_TRUE(Text(59).ends_with(" to \"Outline\"?"));
}

TEST(MessageTable, TextsWithoutHistoricalNumberLiveInOurRange) {
  const char* ours[] = {
      "Unknown input format.",
      "TIFF error: Incomplete data.",
      "Bad TIFF stroke length.",
      "Invalid Rastelvox format.",
      "The input file is still open due to a low memory situation. Therefore saving to the "
      "same name is not allowed.",
      "Magic Wand tolerance ranges between 0 and 255. Closest value inserted.",
      "Morvo Vectorlume",
      "Reading Image Data",
      "Cannot Undo",
  };
  for (const char* t : ours) EXPECT_GE(NumberOf(t), kFirstUnnumbered) << t;
  const std::vector<std::pair<int, const char*>> historical = {
      {37, "Insufficient memory for Separate Shapes."},
      {130, "Conversion method not selected"},
      {236, "Defaults"},
      {331, "Untitled"},
      {401, "Vectorlume"},
  };
  for (auto [n, t] : historical) EXPECT_EQ(NumberOf(t), n) << t;
  for (const Entry& e : Entries()) {
    if (e.number >= kFirstUnnumbered) {
      EXPECT_LT(e.number, 1300) << "outside the documented groups";
    }
  }
}

TEST(MessageTable, FormatFillsPlaceholders) {
  EXPECT_EQ(Format(kPointEliminated, 1), "1 point was eliminated.");
  EXPECT_EQ(Format(kPointsEliminated, 12), "12 points were eliminated.");
  EXPECT_EQ(Format(kSmoothedPointsOfPoints, 5L, 3000000000L),
            "Smoothed 5 points of the 3000000000 points operated on.");
  EXPECT_EQ(Format(kSmoothedPointOfPoint, 1L, 1L), "Smoothed 1 point of the 1 point operated on.");
  EXPECT_EQ(Format(kPassOfPasses, 2, 7), " pass 2 of 7,");
  EXPECT_EQ(Format(kBlackPercent, 40), "40% Black");
  EXPECT_EQ(Format(kNotAvailableInThisBuild, "Line recognition"),
            "Line recognition is not available in this build.");
  // A user's file name is an argument, never a format: its '%' must come through untouched.
  EXPECT_EQ(Format(kSaveArtQuestion, "100%d %s.art"),
            "Save changes to the Morvo Vectorlume document \"100%d %s.art\" before closing?");
  // Long arguments are not cut at some buffer size.
  std::string long_name(5000, 'x');
  std::string filled = Format(kDuplicateBatchNames, long_name.c_str());
  EXPECT_EQ(filled.size(), Text(kDuplicateBatchNames).size() - 2 + long_name.size());
  EXPECT_NE(filled.find("(" + long_name + ")"), std::string::npos);
}

}  // namespace
}  // namespace vl::msg
