// The custom colour table: the program's named CMYK colours that paths are painted with
// (paint type Custom refers to them by index), the colour files it is loaded from, the
// colours a conversion adds by itself, and the built-in set.
//
// Colour file: text lines of at most 254 characters (CR LF, LF or CR ends a line). Lines before
// the first that starts with "%%CMYKCustomColor:" are ignored; that line and each following
// line starting with "%%+ " carry one colour entry, "c m y k (name)" with the inks as fractions
// 0..1. The first other line, or one starting with "%%EndComments", ends the reading, so the
// header of an art file that lists custom colours reads as a colour file too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "art/art_writer_inputs.h"
#include "art/artwork.h"
#include "base/runtime.h"
#include "platform/memory_block.h"

namespace vl::art {

constexpr std::size_t kMaxCustomColors = 900;
constexpr std::size_t kMaxColorNameBytes = 31;
constexpr std::size_t kMaxColorLineBytes = 254;  // without the line end
// A record's size as the table charges it to the memory budget: name[32], four inks, tag, extra.
constexpr std::size_t kCustomColorRecordBytes = 38;
constexpr std::size_t kBuiltInColorCount = 29;

struct CustomColorTable {
  CustomColorList colors;  // at most kMaxCustomColors; paths refer to colours by position
  platform::Block charge;  // colors.size() x kCustomColorRecordBytes: the records' memory
  // Auto colours: the first position searched for a colour already made in this conversion,
  // and the number the next "Auto Color n" gets.
  std::size_t firstAutoColor = 0;
  int nextAutoNumber = 1;
  bool autoFullReported = false;  // the table-full message was shown in this conversion
};

// --- Colour entries and files (pure) ---

// An ink fraction as a byte: clamp(trunc(v x 255 + 0.5), 0, 255), computed exactly on the
// decimal digits ("0.5" and "0.50" both give 128).
std::uint8_t InkFromFraction(std::string_view decimal);

enum class ColorEntryResult { kRead, kMalformed, kBadName };

struct ColorEntryRead {
  ColorEntryResult result = ColorEntryResult::kMalformed;
  CustomColor color;  // name and inks when read
};

// Parses "c m y k (name)": up to four numbers separated by single blanks (a missing one is 0)
// and the name up to the first unescaped ")", where "\ddd" (octal, 1..255) is a character code
// and "\(", "\)", "\\" stand for the character itself; the name is cut to 31 bytes. An empty
// name or one holding control characters is kBadName; no "(" or ")", more than four numbers
// or one that is not a decimal number is kMalformed.
ColorEntryRead ParseColorEntry(std::string_view entry);

enum class ColorFileResult {
  kRead,
  kCannotOpen,
  kLineTooLong,    // a colour line over 254 characters
  kMalformed,      // a colour line that is no entry (also one cut short)
  kBadName,
  kTooManyColors,  // more than 900 entries
};

struct ColorFileRead {
  ColorFileResult result = ColorFileResult::kRead;
  int line = 0;  // the faulty line, from 1
  CustomColorList colors;  // the entries in file order; empty unless kRead
};

// Reads a colour file in pieces of any size: Feed each piece, then Finish.
struct ColorFileParser {
  ColorFileRead read;
  bool inColors = false;  // the "%%CMYKCustomColor:" line was seen
  bool done = false;      // an end condition or a fault: the rest is not read
  std::string pending;    // the line being gathered, at most kMaxColorLineBytes + 1 bytes
  bool pendingTooLong = false;
  bool afterCr = false;   // the last byte was CR: an LF right after it ends no second line
  int lineNumber = 0;
};
void FeedColorFile(ColorFileParser& parser, std::span<const std::uint8_t> bytes);
ColorFileRead FinishColorFile(ColorFileParser& parser);
ColorFileRead ParseColorFile(std::span<const std::uint8_t> bytes);

// Reads the file at `path`, stopping where the colour entries end.
ColorFileRead ReadColorFile(const std::string& path);

// The built-in colours, as a colour file writes them ("1 0 0.55 0 (Aqua)"), in table order.
std::span<const std::string_view> BuiltInColorEntries();

// --- The table ---

int taggedCount(const CustomColorTable& table);
// The first record named exactly `name`.
std::optional<std::size_t> FindColorByName(const CustomColorTable& table, std::string_view name);

// Appends an empty record and returns its position. At 900 records shows "The maximum number
// of custom colors is 900.", when memory is short message 10 (restart); nothing then.
std::optional<std::size_t> addCustomColor(base::Runtime& rt, CustomColorTable& table);

// Parses an entry; a record of exactly that name gets its inks, else a record is appended.
// False (the table unchanged) when the entry does not parse or no record could be added.
bool setCustomColorFromText(base::Runtime& rt, CustomColorTable& table, std::string_view entry);

// Removes record `index`, moving the later ones down. Paths (and the pen, the current paint)
// painted with it become Process paint of their packed colour with custom index 0, and every
// custom index above it drops by one.
void deleteCustomColor(CustomColorTable& table, std::size_t index, Artwork& art);

// "New Color n" with the smallest n >= 1 not in use.
std::string NextNewColorName(const CustomColorTable& table);

// --- Loading and importing ---

struct ColorFileOutcome {
  ColorFileResult result = ColorFileResult::kRead;
  int line = 0;
  bool outOfMemory = false;  // read, but the table could not grow
  std::size_t added = 0;     // records appended (others replaced inks)
  [[nodiscard]] bool loaded() const { return result == ColorFileResult::kRead && !outOfMemory; }
};

// The message that reports an outcome that did not load ("" when it loaded).
std::string ColorFileMessage(const ColorFileOutcome& outcome);

// Adds every entry of the file as setCustomColorFromText does (names already in the table
// get the file's inks). All or nothing: a fault in the file, or a table that would pass 900
// records, shows its message and leaves the table as it was.
[[nodiscard]] ColorFileOutcome LoadColorFile(base::Runtime& rt, CustomColorTable& table,
                                             const std::string& path);

// The same for entries already read.
[[nodiscard]] ColorFileOutcome MergeColors(base::Runtime& rt, CustomColorTable& table,
                                           const CustomColorList& colors);

// Adds the built-in colours with setCustomColorFromText.
[[nodiscard]] bool addBuiltInColors(base::Runtime& rt, CustomColorTable& table);

enum class StartupColors { kLoaded, kBuiltIn, kNone, kFailed };

// The start-up colour file ("Default Custom Colors" in `folder`). When it is missing and
// `askWhenMissing`, the question of message 1203 offers the built-in colours; otherwise the
// table stays as it is.
StartupColors loadDefaultCustomColors(base::Runtime& rt, CustomColorTable& table,
                                      const std::string& folder, bool askWhenMissing);

// Imports the chosen colours as the selective import does: each tagged when `tagImported`;
// while its name is in use and shorter than 30 characters "~" is appended; a name of 30 or 31
// characters still in use gives every record of that name the colour's inks and tag instead.
// All or nothing, as LoadColorFile.
[[nodiscard]] ColorFileOutcome importCustomColors(base::Runtime& rt, CustomColorTable& table,
                                                  const CustomColorList& chosen,
                                                  bool tagImported);

// --- Auto colours ---

// At the start of a conversion: deletes every record whose name begins with "Auto Color"
// (paths painted with them turn to Process paint), restarts the numbering at 1, and remembers
// where the colours added from now on begin.
void resetAutoColors(CustomColorTable& table, Artwork& art);

// The record for a new path colour (packed CMYK): one made since resetAutoColors with the same
// four inks, else a new "Auto Color n". Nothing when the table is full (reported once per
// conversion) or memory is short.
std::optional<std::uint16_t> autoColorIndex(base::Runtime& rt, CustomColorTable& table,
                                            std::uint32_t cmyk);

// Packed CMYK of a record (cyan in the low byte).
std::uint32_t PackedColor(const CustomColor& color);

}  // namespace vl::art
