// The message table: every text the program shows a user, by number.
//
// Numbers below 1000 are the program's historical numbers, quoted wherever they matter; they
// never change. Texts the program shows without a historical number get numbers from 1000 up
// (kFirstUnnumbered); those numbers are ours and may be rearranged freely. They are grouped:
//   1000-1009  general (box titles, refusals)        1100-1139  undo names and the Undo item
//   1010-1029  conversion progress and thinning      1140-1149  paint types, path info
//   1030-1039  scratch disk and plug-in folder       1150-1199  settings summary and dialogs
//   1040-1059  input file readers                    1200-1239  custom colours, Paint Style
//   1060-1069  raster image                          1240-1259  batch processing
//   1070-1079  levels                                1260-1279  shell commands
//   1080-1099  saving art, Long Path Warning         1280-1299  tools and selection
// Some groups are indexed by a code (undo operation, paint type, lines mode, noise reduction,
// posterization mode): the text for code c is at <first> + c.
//
// Texts are byte strings in the program's 8-bit character set (message 361 holds byte 0xAA).
// A text may hold printf placeholders ("%d", "%ld", "%s"); Format fills them.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace vl::msg {

constexpr int kFirstUnnumbered = 1000;

// ---- Historical numbers ----
constexpr int kInsufficientMemory = 11;       // "Insufficient memory to process image."
constexpr int kDiskFullOrLocked = 12;         // "Can't save file because the disk is full or locked."
constexpr int kScratchDiskFull = 13;          // "Can't perform operation because the scratch disk ..."
constexpr int kUndoMemoryQuestion = 17;       // Yes/No: "Insufficient memory for undo, ..."
constexpr int kNoiseRange = 28;
constexpr int kLineThinningRange = 29;
constexpr int kUniformWeightRange = 30;
constexpr int kCenterliningLabel = 31;        // "Centerlining -"
constexpr int kOutliningLabel = 32;           // "Outlining -"
constexpr int kLineRecognizingLabel = 33;     // "Line Recognizing -"
constexpr int kSeparateShapesMemory = 37;     // "Insufficient memory for Separate Shapes."
constexpr int kCurvesFlattened = 38;          // curves written to a straight-lines-only format
constexpr int kPrefsWriteFailed = 39;
constexpr int kInvalidPrefsFile = 40;
constexpr int kPercentRange = 41;
constexpr int kToleranceRange = 42;
constexpr int kSaveArtQuestion = 43;          // "%s": the art's file name
constexpr int kAllPathsDeleted = 44;
constexpr int kStraightToCurvedRange = 52;
constexpr int kMemoryRanLow = 58;
constexpr int kIncompatibleMethod = 59;       // OK/Cancel question
constexpr int kDisposalFailed = 66;
constexpr int kMaxColorsRange = 68;
constexpr int kMaxSmoothingReached = 75;
constexpr int kPointsEliminated = 76;         // "%d points were eliminated."
constexpr int kPointEliminated = 77;          // "%d point was eliminated."
constexpr int kNoDirectionPointsSmoothed = 78;
constexpr int kSmoothedPointsOfPoints = 79;   // "%ld", "%ld": n changed of N, n != 1
constexpr int kSmoothedPointOfPoints = 80;    // n = 1, N != 1
constexpr int kSmoothedPointOfPoint = 81;     // n = N = 1
constexpr int kSettingsWriteFailed = 82;
constexpr int kInvalidSettingsFile = 83;
constexpr int kUndoDisabledQuestion = 84;     // Yes/No
constexpr int kProcessingImageLabel = 114;    // "Processing Image"
constexpr int kPosterizationOffQuestion = 129;
constexpr int kNoMethod = 130;
constexpr int kNoPathsFound = 131;
constexpr int kEnterName = 135;               // "Please enter a name"
constexpr int kNameInUse = 136;
constexpr int kProcessingLabel = 147;         // "Processing..."
constexpr int kSepShapesLabel = 148;          // "Sep. Shapes"
constexpr int kDuplicateBatchNames = 149;     // Yes/No; "%s": the repeated name
constexpr int kMaxPathsExceeded = 150;
constexpr int kNewOptionName = 153;           // "New Option", the reserved settings name
constexpr int kScratchOpenFailed = 155;       // "Can't open temporary file because ..."
constexpr int kTooManyJunctions = 156;
constexpr int kTooManyJunctionsColor = 162;   // the same, in a colour conversion
constexpr int kAutoColorsExceedSpace = 203;   // OK/Cancel question
constexpr int kArtExtension = 223;            // ".art"
constexpr int kDefaultsName = 236;            // "Defaults", the protected settings name
constexpr int kNotEnoughMemoryRestart = 237;  // "Not enough memory. Quit other applications ..."
constexpr int kCantDeleteDefaults = 252;
constexpr int kCantRenameDefaults = 254;
constexpr int kComplexityRange = 257;
constexpr int kReusePositionsQuestion = 258;  // Yes/No
constexpr int kPositionsReset = 259;
constexpr int kPreviewFalseColorNote = 278;
constexpr int kMaxSettings = 305;
constexpr int kNameReserved = 312;
constexpr int kSavePixelImageQuestion = 322;  // "%s": the image's file name
constexpr int kProgressCaption = 326;         // "Progress"
constexpr int kUntitledName = 331;            // "Untitled"
constexpr int kPosterizingLabel = 357;        // "Posterizing"
constexpr int kConvertingOldPrefs = 361;
constexpr int kCantExportColors = 363;
constexpr int kTooFewTaggedColors = 370;
constexpr int kTooFewCustomColors = 371;
constexpr int kProgramTitle = 401;            // "Vectorlume"
constexpr int kPluginFolderNote = 404;

// ---- Our numbers: general ----
constexpr int kNotAvailableInThisBuild = 1000;  // "%s is not available in this build."
constexpr int kMessageBoxTitle = 1001;          // "Morvo Vectorlume"
constexpr int kQuestionTitle = 1002;            // "Question"

// ---- Conversion progress, thinning, shape separation ----
constexpr int kPassOfPasses = 1010;             // " pass %d of %d,"
constexpr int kPathWord = 1011;                 // "path"
constexpr int kPathsWord = 1012;                // "paths"
constexpr int kFilesToGo = 1013;                // "Files to go:"
constexpr int kThinningStep = 1014;             // "Step %d of %d"
constexpr int kSkeletonizingCaption = 1015;
constexpr int kSkeletonizingPrompt = 1016;
constexpr int kThinningStepsLabel = 1017;       // "No. of thinning steps ="
constexpr int kMatchingPathsLabel = 1018;
constexpr int kFindingCustomColor = 1019;
constexpr int kFindingCustomTint = 1020;

// ---- Scratch disk and plug-in folder ----
constexpr int kScratchDiskCaption = 1030;
constexpr int kScratchDiskPrompt = 1031;
constexpr int kScratchDiskNote = 1032;          // "Note: Changes take effect immediately."
constexpr int kPluginFolderCaption = 1033;

// ---- Input file readers ----
constexpr int kUnknownInputFormat = 1040;
constexpr int kInputOpenError = 1041;           // "Error %d opening input file."
constexpr int kTiffGetLongError = 1042;
constexpr int kTiffGetRationalError = 1043;
constexpr int kTiffByteOrderError = 1044;
constexpr int kTiffIncompleteData = 1045;
constexpr int kTiffBadCode = 1046;
constexpr int kTiffBadStrokeLength = 1047;
constexpr int kTiffUnimplementedEncoding = 1048;
constexpr int kReadingImageData = 1049;         // progress label
constexpr int kInvalidRvxFormat = 1050;
constexpr int kRvxModeNotSupported = 1051;
constexpr int kRvxSixteenBitNote = 1052;
constexpr int kSunRasterNotBilevel = 1053;
constexpr int kSunRasterCompressed = 1054;

// ---- Raster image ----
constexpr int kInputStillOpen = 1060;
constexpr int kRevertQuestion = 1061;
constexpr int kPixelsPerInchUnit = 1062;        // "pixels/inch"
constexpr int kImageModeBitmap = 1063;
constexpr int kImageModeGray = 1064;
constexpr int kImageModeRgb = 1065;
constexpr int kImageModeCmyk = 1066;

// ---- Levels ----
constexpr int kLevelsMemory = 1070;
constexpr int kLevelsBlackRange = 1071;
constexpr int kLevelsGammaRange = 1072;
constexpr int kLevelsWhiteRange = 1073;
constexpr int kLevelsCaption = 1074;

// ---- Saving art ----
constexpr int kSavingLabel = 1080;              // "Saving: " (the file name follows)
constexpr int kPreparingClipboard = 1081;
constexpr int kLongPathWarningCaption = 1082;
constexpr int kLongPathWarningFirstLine = 1083;  // the box's text, one entry per line
constexpr int kLongPathWarningLineCount = 12;

// ---- Undo: the name of operation code c is at kUndoNameFirst + c (codes 1..33; 28, 29 unused)
constexpr int kCannotUndo = 1100;               // code 0: "Cannot Undo"
constexpr int kUndoNameFirst = 1100;
constexpr int kUndoPrefix = 1134;               // "Undo "
constexpr int kRedoPrefix = 1135;               // "Redo "
constexpr int kUndoAccelerator = 1136;          // "\tCtrl+Z"

// ---- Paint types (code c at kPaintTypeFirst + c, 0 None .. 4 Custom) and path info
constexpr int kPaintTypeFirst = 1140;
constexpr int kBlackPercent = 1145;             // "%d%% Black"
constexpr int kPointsLabel = 1146;              // "Points:"

// ---- Settings: summary, lines modes, noise reduction, posterization modes, captions ----
constexpr int kConversionSetupCaption = 1150;
constexpr int kColorSetupCaption = 1151;
constexpr int kMethodOutline = 1152;
constexpr int kMethodCenterline = 1153;
constexpr int kMethodLineRecognition = 1154;
constexpr int kSummaryNoiseSuppression = 1155;
constexpr int kSummaryPixels = 1156;
constexpr int kSummaryLineThinning = 1157;
constexpr int kSummaryInteractive = 1158;
constexpr int kSummaryYes = 1159;
constexpr int kSummaryNo = 1160;
constexpr int kSummaryTolerance = 1161;
constexpr int kSummaryWhiteLines = 1162;
constexpr int kLinesModeFirst = 1163;           // + linesMode (0..2)
constexpr int kSummaryUniformWeight = 1166;
constexpr int kSummarySeparateShapes = 1167;
constexpr int kSummaryReverseImage = 1168;
constexpr int kSummaryColorCount = 1169;        // "%d Colors"
constexpr int kSummaryNoiseReduction = 1170;
constexpr int kNoiseReductionFirst = 1171;      // + noiseReduction (0..2)
constexpr int kSummaryTaggedOnly = 1174;
constexpr int kSummaryGenerateTints = 1175;
constexpr int kSummaryAddToList = 1176;
constexpr int kSummaryThreshold = 1177;
constexpr int kSummaryContrast = 1178;
constexpr int kSummaryBoost = 1179;
constexpr int kPosterizationModeFirst = 1180;   // + mode (1..4)
constexpr int kSettingsCaption = 1185;

// ---- Custom colours and the Paint Style palette ----
constexpr int kDefaultColorFileName = 1200;     // "Default Custom Colors"
constexpr int kAutoColorName = 1201;            // "Auto Color"
constexpr int kMaxCustomColors = 1202;
constexpr int kColorFileMissingQuestion = 1203;  // "%s": the full path
constexpr int kColorFileOpenFailed = 1204;
constexpr int kColorImportCaption = 1205;
constexpr int kImportSourceCount = 1206;        // "%d source colors"
constexpr int kImportListCount = 1207;          // "%d colors to import"
constexpr int kCustomColorCaption = 1208;
constexpr int kTagCountOne = 1209;              // "%d Tag,"
constexpr int kTagCountMany = 1210;             // "%d Tags,"
constexpr int kTotalColorOne = 1211;            // " %d Total Color"
constexpr int kTotalColorsMany = 1212;          // " %d Total Colors"
constexpr int kNewColorName = 1213;             // "New Color"
constexpr int kReplaceColorQuestion = 1214;
constexpr int kPaintStyleCaption = 1220;
constexpr int kNoneNotForDrawing = 1221;
constexpr int kColorModelIncompatible = 1222;
constexpr int kStrokeWeightRange = 1223;
constexpr int kNoMatchesFound = 1224;
constexpr int kDeleteColorQuestion = 1225;      // "%s": the colour's name
constexpr int kNewColorItem = 1226;             // "New color..."
constexpr int kSaveColorItem = 1227;            // "Save color..."
constexpr int kTagItem = 1228;
constexpr int kUntagItem = 1229;

// ---- Batch processing ----
constexpr int kFileToConvert = 1240;            // count line, one entry
constexpr int kFilesToConvert = 1241;           // count line, other counts
constexpr int kBatchDestinationCaption = 1242;
constexpr int kBatchFormatCaption = 1243;
constexpr int kBatchDestinationPrompt = 1244;
constexpr int kBatchFileExists = 1245;          // the name is shown after it
constexpr int kBatchProcessingStatus = 1246;

// ---- Shell commands ----
constexpr int kConvertAgainQuestion = 1260;
constexpr int kInvalidAcquireResource = 1261;
constexpr int kNothingToUndo = 1262;

// ---- Tools and selection ----
constexpr int kAdjustCurveTip = 1280;
constexpr int kAdjustLineTip = 1281;
constexpr int kWandAddTip = 1282;
constexpr int kWandSubtractTip = 1283;
constexpr int kWandIntersectTip = 1284;
constexpr int kMagicWandCaption = 1285;
constexpr int kMagicWandRange = 1286;

// One row of the table.
struct Entry {
  int number;
  std::string_view text;
};

// The text of message `number`; empty when the table has no such entry. The view always points
// at a NUL-terminated literal, so data() may be handed to C interfaces.
std::string_view Text(int number);
// Whether the table has an entry for `number`.
bool Has(int number);
// The text with printf-style arguments filled in ("%d points were eliminated."). The caller
// passes exactly the arguments the text's placeholders ask for ("%ld" takes a long). Empty when
// the table has no such entry.
std::string Format(int number, ...);
// Every entry, in increasing number order.
std::span<const Entry> Entries();

}  // namespace vl::msg
