// The custom colour table, its colour files and its automatic colours.
#include "art/custom_color_table.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/message_table.h"
#include "platform/file_io.h"

namespace vl::art {

namespace {

constexpr std::string_view kFirstColorPrefix = "%%CMYKCustomColor:";
constexpr std::string_view kMoreColorPrefix = "%%+ ";
constexpr std::string_view kEndComments = "%%EndComments";
// Fraction digits beyond this many cannot change trunc(v x 255 + 0.5) unless the value sits
// within 1e-15 of a rounding edge; keeping 15 lets the arithmetic stay in 64 bits.
constexpr int kFractionDigits = 15;

constexpr std::array<std::string_view, kBuiltInColorCount> kBuiltInColors = {
    "1 0 0.55 0 (Aqua)",           "0 0 0 1 (Black)",
    "1 0.50 0 0 (Blue)",           "0.50 0.40 0.30 0 (Blue Gray)",
    "0.80 0.05 0 0 (Blue Sky)",    "0.50 0.85 1 0 (Brown)",
    "1 0.90 0.10 0 (Dark Blue)",   "1 0.55 1 0 (Forest Green)",
    "0.05 0.20 0.95 0 (Gold)",     "0.75 0.05 1 0 (Grass Green)",
    "0.40 0.40 0.40 0 (Gray)",     "1 0.20 1 0 (Green)",
    "0.45 0 1 0 (Lime Green)",     "0 0.45 1 0 (Orange)",
    "0 0.70 1 0 (Orange Red)",     "0 0.25 1 0 (Orange Yellow)",
    "0 0.45 0.60 0 (Peach)",       "0 0.50 0.05 0 (Pink)",
    "0.85 1 0 0 (Purple)",         "0.15 1 1 0 (Red)",
    "0.40 0.70 1 0 (Rusty Brown)", "0 0.90 1 0 (Saturn Red)",
    "1 0.40 0.15 0 (Turquoise)",   "0.45 0.90 0 0 (Violet)",
    "0.75 0.90 0 0 (Violet Blue)", "0.25 1 0.25 0 (Violet Red)",
    "0 0 0 0 (White)",             "0 0 1 0 (Yellow)",
    "0.20 0 1 0 (Yellow Green)",
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }
bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// "-"? digits ("." digits)?, with at least one digit.
bool IsDecimal(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  bool digit = false, point = false;
  for (char c : text) {
    if (IsDigit(c)) digit = true;
    else if (c == '.' && !point) point = true;
    else return false;
  }
  return digit;
}

enum class NameResult { kRead, kUnclosed, kBad };

// The name after "(": up to the first unescaped ")".
NameResult ReadName(std::string_view text, std::string& name) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ')') {
      if (name.size() > kMaxColorNameBytes) name.resize(kMaxColorNameBytes);
      if (name.empty()) return NameResult::kBad;
      for (char n : name) {
        const auto byte = static_cast<unsigned char>(n);
        if (byte < 0x20 || byte == 0x7F) return NameResult::kBad;
      }
      return NameResult::kRead;
    }
    if (c == '\\' && i + 3 < text.size() && IsOctalDigit(text[i + 1]) &&
        IsOctalDigit(text[i + 2]) && IsOctalDigit(text[i + 3])) {
      const int code = (text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0');
      // A code past 255 names no character of the file's 8-bit set; 0 would end the record's
      // NUL-terminated name early.
      if (code == 0 || code > 255) return NameResult::kBad;
      name += static_cast<char>(code);
      i += 3;
    } else if (c == '\\' && i + 1 < text.size() &&
               (text[i + 1] == '(' || text[i + 1] == ')' || text[i + 1] == '\\')) {
      // The art writers escape these three; taking the ")" as the end would cut the name.
      name += text[++i];
    } else {
      name += c;
    }
  }
  return NameResult::kUnclosed;
}

void Fail(ColorFileParser& p, ColorFileResult result) {
  p.read.result = result;
  p.read.line = p.lineNumber;
  p.read.colors.clear();
  p.done = true;
}

void TakeEntry(ColorFileParser& p, std::string_view entry) {
  if (p.pendingTooLong) return Fail(p, ColorFileResult::kLineTooLong);
  const ColorEntryRead read = ParseColorEntry(entry);
  if (read.result == ColorEntryResult::kMalformed) return Fail(p, ColorFileResult::kMalformed);
  if (read.result == ColorEntryResult::kBadName) return Fail(p, ColorFileResult::kBadName);
  if (p.read.colors.size() == kMaxCustomColors) return Fail(p, ColorFileResult::kTooManyColors);
  p.read.colors.push_back(read.color);
}

void TakeLine(ColorFileParser& p) {
  ++p.lineNumber;
  const std::string_view line = p.pending;
  if (StartsWith(line, kEndComments)) {
    p.done = true;
  } else if (!p.inColors) {
    if (StartsWith(line, kFirstColorPrefix)) {
      p.inColors = true;
      std::string_view entry = line.substr(kFirstColorPrefix.size());
      if (!entry.empty() && entry.front() == ' ') entry.remove_prefix(1);
      TakeEntry(p, entry);
    }
  } else if (StartsWith(line, kMoreColorPrefix)) {
    TakeEntry(p, line.substr(kMoreColorPrefix.size()));
  } else {
    p.done = true;
  }
  p.pending.clear();
  p.pendingTooLong = false;
}

// Records 0..count-1 charged to the budget; false (the charge as it was) when it cannot grow.
bool Charge(base::Runtime& rt, CustomColorTable& table, std::size_t count) {
  const std::size_t bytes = count * kCustomColorRecordBytes;
  if (bytes == table.charge.size()) return true;
  if (bytes == 0) {
    table.charge.release();
    return true;
  }
  return table.charge.empty() ? table.charge.allocate(rt.memory, bytes)
                              : table.charge.resize(bytes);
}

bool SameInks(const CustomColor& a, const CustomColor& b) {
  return a.c == b.c && a.m == b.m && a.y == b.y && a.k == b.k;
}

// Puts `colors` in place of the table's records, all or nothing.
ColorFileOutcome Commit(base::Runtime& rt, CustomColorTable& table, CustomColorList&& colors) {
  ColorFileOutcome outcome;
  if (colors.size() > kMaxCustomColors) {
    base::ShowMessage(rt, msg::kMaxCustomColors);
    base::ShowMessage(rt, msg::kNoColorsLoaded);
    outcome.result = ColorFileResult::kTooManyColors;
    return outcome;
  }
  if (!Charge(rt, table, colors.size())) {
    base::ShowMessage(rt, msg::kNotEnoughMemoryRestart);
    outcome.outOfMemory = true;
    return outcome;
  }
  outcome.added = colors.size() > table.colors.size() ? colors.size() - table.colors.size() : 0;
  table.colors = std::move(colors);
  return outcome;
}

// Replaces the inks of the record named like `color`, or appends it (to a list being built).
void SetByName(CustomColorList& colors, const CustomColor& color) {
  for (CustomColor& existing : colors) {
    if (existing.name == color.name) {
      std::tie(existing.c, existing.m, existing.y, existing.k) =
          std::tuple(color.c, color.m, color.y, color.k);
      return;
    }
  }
  colors.push_back(color);
}

// A custom paint that names `index` turns to Process paint; later indices move down.
void RenumberPaint(PaintType& type, std::uint16_t& customIndex, std::size_t index) {
  if (type != PaintType::Custom) return;
  if (customIndex == index) {
    type = PaintType::Process;
    customIndex = 0;
  } else if (customIndex > index) {
    --customIndex;
  }
}

}  // namespace

std::uint8_t InkFromFraction(std::string_view decimal) {
  if (!IsDecimal(decimal) || decimal.front() == '-') return 0;  // trunc(v x 255 + 0.5) <= 0
  const std::size_t point = decimal.find('.');
  const std::string_view whole = decimal.substr(0, point);
  // Two or more in the whole part already reach 255.
  std::uint64_t units = 0;
  for (char c : whole) {
    units = units * 10 + std::uint64_t(c - '0');
    if (units >= 2) return 255;
  }
  std::uint64_t fraction = 0, scale = 1;
  if (point != std::string_view::npos) {
    const std::string_view digits = decimal.substr(point + 1);
    for (std::size_t i = 0; i < digits.size() && i < std::size_t(kFractionDigits); ++i) {
      fraction = fraction * 10 + std::uint64_t(digits[i] - '0');
      scale *= 10;
    }
  }
  // (units + fraction / scale) x 255 + 1/2, truncated, in integers.
  const std::uint64_t value = units * 255 + (2 * fraction * 255 + scale) / (2 * scale);
  return static_cast<std::uint8_t>(std::min<std::uint64_t>(value, 255));
}

ColorEntryRead ParseColorEntry(std::string_view entry) {
  ColorEntryRead read;
  const std::size_t open = entry.find('(');
  if (open == std::string_view::npos) return read;
  std::string_view numbers = entry.substr(0, open);
  if (!numbers.empty() && numbers.back() == ' ') numbers.remove_suffix(1);
  std::array<std::uint8_t, 4> inks{};
  std::size_t field = 0, start = 0;
  while (!numbers.empty() && start <= numbers.size()) {
    std::size_t blank = numbers.find(' ', start);
    if (blank == std::string_view::npos) blank = numbers.size();
    const std::string_view number = numbers.substr(start, blank - start);
    if (field >= inks.size()) {
      if (!number.empty()) return read;  // a fifth number; extra blanks are harmless
    } else if (!number.empty()) {
      if (!IsDecimal(number)) return read;
      inks[field] = InkFromFraction(number);
    }
    ++field;
    start = blank + 1;
  }
  const NameResult name = ReadName(entry.substr(open + 1), read.color.name);
  if (name == NameResult::kUnclosed) return read;
  if (name == NameResult::kBad) {
    read.result = ColorEntryResult::kBadName;
    return read;
  }
  std::tie(read.color.c, read.color.m, read.color.y, read.color.k) =
      std::tuple(inks[0], inks[1], inks[2], inks[3]);
  read.result = ColorEntryResult::kRead;
  return read;
}

void FeedColorFile(ColorFileParser& p, std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    if (p.done) return;
    const bool lf = byte == '\n', cr = byte == '\r';
    if (lf && p.afterCr) {  // the LF of a CR LF pair
      p.afterCr = false;
      continue;
    }
    p.afterCr = cr;
    if (cr || lf) {
      TakeLine(p);
    } else if (p.pending.size() < kMaxColorLineBytes) {
      p.pending += static_cast<char>(byte);
    } else {
      p.pendingTooLong = true;
    }
  }
}

ColorFileRead FinishColorFile(ColorFileParser& p) {
  if (!p.done && (!p.pending.empty() || p.pendingTooLong)) TakeLine(p);
  p.done = true;
  return std::move(p.read);
}

ColorFileRead ParseColorFile(std::span<const std::uint8_t> bytes) {
  ColorFileParser parser;
  FeedColorFile(parser, bytes);
  return FinishColorFile(parser);
}

ColorFileRead ReadColorFile(const std::string& path) {
  platform::FileHandle file = platform::OpenFileForReading(path);
  if (file == platform::kNoFile) {
    ColorFileRead read;
    read.result = ColorFileResult::kCannotOpen;
    return read;
  }
  ColorFileParser parser;
  std::array<std::uint8_t, 16384> buffer;
  std::size_t got = 0;
  while (!parser.done && (got = platform::ReadBytes(file, buffer.data(), buffer.size())) > 0)
    FeedColorFile(parser, {buffer.data(), got});
  platform::CloseFile(file);
  return FinishColorFile(parser);
}

std::span<const std::string_view> BuiltInColorEntries() { return kBuiltInColors; }

int taggedCount(const CustomColorTable& table) {
  return static_cast<int>(std::count_if(table.colors.begin(), table.colors.end(),
                                        [](const CustomColor& c) { return c.tagged; }));
}

std::optional<std::size_t> FindColorByName(const CustomColorTable& table, std::string_view name) {
  for (std::size_t i = 0; i < table.colors.size(); ++i)
    if (table.colors[i].name == name) return i;
  return std::nullopt;
}

std::optional<std::size_t> addCustomColor(base::Runtime& rt, CustomColorTable& table) {
  if (table.colors.size() >= kMaxCustomColors) {
    base::ShowMessage(rt, msg::kMaxCustomColors);
    return std::nullopt;
  }
  if (!Charge(rt, table, table.colors.size() + 1)) {
    base::ShowMessage(rt, msg::kNotEnoughMemoryRestart);
    return std::nullopt;
  }
  table.colors.emplace_back();
  return table.colors.size() - 1;
}

bool setCustomColorFromText(base::Runtime& rt, CustomColorTable& table, std::string_view entry) {
  const ColorEntryRead read = ParseColorEntry(entry);
  if (read.result != ColorEntryResult::kRead) return false;
  if (const std::optional<std::size_t> existing = FindColorByName(table, read.color.name)) {
    CustomColor& color = table.colors[*existing];
    std::tie(color.c, color.m, color.y, color.k) =
        std::tuple(read.color.c, read.color.m, read.color.y, read.color.k);
    return true;
  }
  const std::optional<std::size_t> added = addCustomColor(rt, table);
  if (!added) return false;
  table.colors[*added] = read.color;
  return true;
}

void deleteCustomColor(CustomColorTable& table, std::size_t index, Artwork& art) {
  if (index >= table.colors.size()) return;
  table.colors.erase(table.colors.begin() + std::ptrdiff_t(index));
  // Shrinking never fails: the charge only gets smaller.
  if (table.colors.empty()) table.charge.release();
  else static_cast<void>(table.charge.resize(table.colors.size() * kCustomColorRecordBytes));
  if (table.firstAutoColor > index) --table.firstAutoColor;
  // Stashed paths live in slots [0, stashedCount) while count reads 0.
  const std::int32_t used = std::max(art.count, art.stashedCount);
  for (std::int32_t i = 0; i < used && std::size_t(i) < art.paths.size(); ++i) {
    PathRecord& path = art.paths[std::size_t(i)];
    RenumberPaint(path.fillType, path.fillCustomIndex, index);
    RenumberPaint(path.strokeType, path.strokeCustomIndex, index);
  }
  // The pen's one index serves both of its paints.
  Pen& pen = art.pen;
  const bool penUses = pen.fillType == PaintType::Custom || pen.strokeType == PaintType::Custom;
  if (penUses && pen.customIndex == index) {
    if (pen.fillType == PaintType::Custom) pen.fillType = PaintType::Process;
    if (pen.strokeType == PaintType::Custom) pen.strokeType = PaintType::Process;
    pen.customIndex = 0;
  } else if (penUses && pen.customIndex > index) {
    --pen.customIndex;
  }
}

std::string NextNewColorName(const CustomColorTable& table) {
  const std::string base(msg::Text(msg::kNewColorName));
  for (int n = 1;; ++n) {
    std::string name = base + " " + std::to_string(n);
    if (!FindColorByName(table, name)) return name;
  }
}

std::string ColorFileMessage(const ColorFileOutcome& outcome) {
  if (outcome.outOfMemory) return std::string(msg::Text(msg::kNotEnoughMemoryRestart));
  switch (outcome.result) {
    case ColorFileResult::kRead: return {};
    case ColorFileResult::kCannotOpen: return std::string(msg::Text(msg::kColorFileOpenFailed));
    case ColorFileResult::kLineTooLong: return msg::Format(msg::kColorLineTooLong, outcome.line);
    case ColorFileResult::kMalformed: return msg::Format(msg::kColorEntryMalformed, outcome.line);
    case ColorFileResult::kBadName: return msg::Format(msg::kColorNameInvalid, outcome.line);
    case ColorFileResult::kTooManyColors:
      return std::string(msg::Text(msg::kMaxCustomColors)) + " " +
             std::string(msg::Text(msg::kNoColorsLoaded));
  }
  return {};
}

ColorFileOutcome MergeColors(base::Runtime& rt, CustomColorTable& table,
                             const CustomColorList& colors) {
  CustomColorList merged = table.colors;
  for (const CustomColor& color : colors) {
    SetByName(merged, color);
    // Stop copying once past the limit: the commit refuses anyway.
    if (merged.size() > kMaxCustomColors) break;
  }
  return Commit(rt, table, std::move(merged));
}

ColorFileOutcome LoadColorFile(base::Runtime& rt, CustomColorTable& table,
                               const std::string& path) {
  const ColorFileRead read = ReadColorFile(path);
  if (read.result != ColorFileResult::kRead) {
    ColorFileOutcome outcome;
    outcome.result = read.result;
    outcome.line = read.line;
    if (read.result == ColorFileResult::kTooManyColors) {
      base::ShowMessage(rt, msg::kMaxCustomColors);
      base::ShowMessage(rt, msg::kNoColorsLoaded);
    } else {
      rt.ui.showMessage(ColorFileMessage(outcome));
    }
    return outcome;
  }
  return MergeColors(rt, table, read.colors);
}

bool addBuiltInColors(base::Runtime& rt, CustomColorTable& table) {
  for (std::string_view entry : kBuiltInColors)
    if (!setCustomColorFromText(rt, table, entry)) return false;
  return true;
}

StartupColors loadDefaultCustomColors(base::Runtime& rt, CustomColorTable& table,
                                      const std::string& folder, bool askWhenMissing) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path += '/';
  path += msg::Text(msg::kDefaultColorFileName);
  if (!platform::FileExists(path)) {
    if (!askWhenMissing) return StartupColors::kNone;
    const std::string question = msg::Format(msg::kColorFileMissingQuestion, path.c_str());
    if (rt.ui.askOkCancel(question) != platform::kAnswerOk) return StartupColors::kNone;
    return addBuiltInColors(rt, table) ? StartupColors::kBuiltIn : StartupColors::kFailed;
  }
  return LoadColorFile(rt, table, path).loaded() ? StartupColors::kLoaded : StartupColors::kFailed;
}

ColorFileOutcome importCustomColors(base::Runtime& rt, CustomColorTable& table,
                                    const CustomColorList& chosen, bool tagImported) {
  CustomColorList merged = table.colors;
  const auto inUse = [&merged](const std::string& name) {
    return std::any_of(merged.begin(), merged.end(),
                       [&name](const CustomColor& c) { return c.name == name; });
  };
  for (CustomColor color : chosen) {
    color.tagged = tagImported;
    while (inUse(color.name) && color.name.size() < kMaxColorNameBytes - 1) color.name += '~';
    if (inUse(color.name)) {
      // No room left for another "~": the colour replaces every record of its name.
      for (CustomColor& existing : merged) {
        if (existing.name != color.name) continue;
        std::tie(existing.c, existing.m, existing.y, existing.k, existing.tagged) =
            std::tuple(color.c, color.m, color.y, color.k, color.tagged);
      }
    } else {
      merged.push_back(color);
      if (merged.size() > kMaxCustomColors) break;
    }
  }
  return Commit(rt, table, std::move(merged));
}

void resetAutoColors(CustomColorTable& table, Artwork& art) {
  const std::string_view prefix = msg::Text(msg::kAutoColorName);
  for (std::size_t i = table.colors.size(); i-- > 0;)
    if (StartsWith(table.colors[i].name, prefix)) deleteCustomColor(table, i, art);
  table.firstAutoColor = table.colors.size();
  table.nextAutoNumber = 1;
  table.autoFullReported = false;
}

std::optional<std::uint16_t> autoColorIndex(base::Runtime& rt, CustomColorTable& table,
                                            std::uint32_t cmyk) {
  CustomColor wanted;
  std::tie(wanted.c, wanted.m, wanted.y, wanted.k) =
      std::tuple(std::uint8_t(cmyk), std::uint8_t(cmyk >> 8), std::uint8_t(cmyk >> 16),
                 std::uint8_t(cmyk >> 24));
  for (std::size_t i = std::min(table.firstAutoColor, table.colors.size());
       i < table.colors.size(); ++i) {
    if (SameInks(table.colors[i], wanted)) return static_cast<std::uint16_t>(i);
  }
  if (table.colors.size() >= kMaxCustomColors) {
    // Every further path would ask again: one message per conversion.
    if (!table.autoFullReported) base::ShowMessage(rt, msg::kMaxCustomColors);
    table.autoFullReported = true;
    return std::nullopt;
  }
  const std::optional<std::size_t> added = addCustomColor(rt, table);
  if (!added) return std::nullopt;
  wanted.name = std::string(msg::Text(msg::kAutoColorName)) + " " +
                std::to_string(table.nextAutoNumber++);
  table.colors[*added] = wanted;
  return static_cast<std::uint16_t>(*added);
}

std::uint32_t PackedColor(const CustomColor& color) {
  return std::uint32_t(color.c) | std::uint32_t(color.m) << 8 | std::uint32_t(color.y) << 16 |
         std::uint32_t(color.k) << 24;
}

}  // namespace vl::art
