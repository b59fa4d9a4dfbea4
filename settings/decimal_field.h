// Decimal dialog fields: reading what the user typed into a scaled integer (hundredths or
// tenths) with the system decimal separator, and writing scaled integers back as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vl::settings {

constexpr std::size_t kMaxFieldChars = 256;   // characters read from a field; the rest is ignored
constexpr std::int32_t kTenthsLimit = 32767;  // tenths fields are stored as int16

struct ParsedDecimal {
  std::int32_t value = 0;  // the field's number x scale, rounded half up; 0 when no number
  std::string text;        // the cleaned text: separator made '.', everything else removed
  std::size_t caret = 0;   // where the last character was removed, as an index into `text`
  bool rewritten = false;  // characters were removed: the dialog puts `text` back, caret at `caret`
};

// Reads a decimal field. The first `separator` counts as the decimal point; any character other
// than a digit, '.' or a space is dropped, and so are spaces. scale: 100 for hundredths fields,
// 10 for tenths fields (whose value is limited to kTenthsLimit). No sign is accepted, so the
// value is never negative.
ParsedDecimal parseDecimal(std::string_view text, int scale, char separator);

// v hundredths as text: "8" for 800, "12<sep>05" for 1205.
std::string formatHundredths(std::int32_t v, char separator);
// v tenths as text, always with one decimal: "3<sep>0" for 30.
std::string formatTenths(std::int32_t v, char separator);

}  // namespace vl::settings
