// The message table: every text the program shows a user, by number. The numbers, names and
// texts are listed once, in base/messages.def.
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
//   1400-1449  preferences, settings and batch commands of the command line
//   1450-1479  PNG, JPEG, netpbm and BMP readers, standard input and output
//   1300-1349  shape separation and colour conversion  1350-1399  colour files, custom colours
//   1500-1549  path editing                             1550-1579  line recognition
//   1580-1599  close fit                                1600-1699  the window
//   1700-1739  the window's batch, preference, levels and help dialogs
//   1740-1779  the window's tools and palettes          1780-1819  acquiring from a scanner
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

// One constant per message, msg::kInsufficientMemory = 11 and so on, from the list.
#define VL_MESSAGE(number, name, text) constexpr int name = number;
#include "base/messages.def"

// The coded groups' first entries. Undo operation codes run 1..33 (28 and 29 unused), paint
// types 0 None .. 4 Custom, lines modes and noise reduction 0..2, posterization modes 1..4.
constexpr int kUndoNameFirst = kCannotUndo;  // code 0
constexpr int kPaintTypeFirst = kPaintTypeNone;
constexpr int kLinesModeFirst = kLinesModeCurvedAndStraight;
constexpr int kNoiseReductionFirst = kNoiseReductionNone;
constexpr int kPosterizationModeFirst = kPosterizationLimitedColors - 1;  // no mode 0
constexpr int kLongPathWarningLineCount = kLongPathWarningLastLine - kLongPathWarningFirstLine + 1;
static_assert(kUndoNameFirst + 33 == kUndoConvertToRectangle &&
              kPaintTypeFirst + 4 == kPaintTypeCustom &&
              kLinesModeFirst + 2 == kLinesModeStraightOnly &&
              kNoiseReductionFirst + 2 == kNoiseReductionMaximum &&
              kPosterizationModeFirst + 4 == kPosterizationBlackAndWhiteOnly,
              "a coded group's last code must land on its last entry");

// One row of the table.
struct Entry {
  int number;
  std::string_view name;  // the constant's name, "kInsufficientMemory"
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
