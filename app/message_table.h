// The message table: every text the program shows a user, by number.
// Numbers below 1000 are the program's historical numbers, quoted wherever they matter.
// Texts the program shows without a historical number get numbers from 1000 up
// (kFirstUnnumbered); those numbers are ours and may be rearranged freely.
#pragma once

#include <string>
#include <string_view>

namespace vl::msg {

constexpr int kFirstUnnumbered = 1000;

// Numbers used by name in the code (the table holds many more).
constexpr int kInsufficientMemory = 11;       // "Insufficient memory to process image."
constexpr int kDiskFullOrLocked = 12;         // "Can't save file because the disk is full or locked."
constexpr int kScratchDiskFull = 13;          // "Can't perform operation because the scratch disk ..."
constexpr int kNoiseRange = 28;
constexpr int kLineThinningRange = 29;
constexpr int kUniformWeightRange = 30;
constexpr int kOutliningLabel = 32;           // "Outlining -"
constexpr int kPercentRange = 41;
constexpr int kToleranceRange = 42;
constexpr int kStraightToCurvedRange = 52;
constexpr int kMemoryRanLow = 58;
constexpr int kIncompatibleMethod = 59;
constexpr int kDisposalFailed = 66;
constexpr int kMaxColorsRange = 68;
constexpr int kPosterizationOffQuestion = 129;
constexpr int kNoMethod = 130;
constexpr int kNoPathsFound = 131;
constexpr int kProcessingLabel = 147;         // "Processing..."
constexpr int kMaxPathsExceeded = 150;
constexpr int kScratchOpenFailed = 155;       // "Can't open temporary file because ..."
constexpr int kNotEnoughMemoryRestart = 237;  // "Not enough memory. Quit other applications ..."
constexpr int kComplexityRange = 257;
constexpr int kProgressCaption = 326;         // "Progress"
constexpr int kNotAvailableInThisBuild = 1000;  // "%s is not available in this build."

// The text of message `number`; empty when the table has no such entry.
std::string_view Text(int number);
// Whether the table has an entry for `number`.
bool Has(int number);
// The text with printf-style arguments filled in ("%d points were eliminated.").
std::string Format(int number, ...);

}  // namespace vl::msg
