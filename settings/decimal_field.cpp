// Parsing and formatting of the decimal dialog fields. The number is read with from_chars so
// the result never depends on the process's C locale; only the given separator counts.
#include "settings/decimal_field.h"

#include <charconv>
#include <cstdlib>
#include <limits>

namespace vl::settings {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "-" for negative values, then |v| split at `unit`; the sign is written once, in front, so
// that a negative value reads back as the same number.
std::string FormatScaled(std::int32_t v, std::int32_t unit, int fractionDigits, char separator,
                         bool omitZeroFraction) {
  std::int64_t magnitude = std::llabs(std::int64_t(v));
  std::int64_t whole = magnitude / unit;
  std::int64_t fraction = magnitude % unit;
  std::string out = v < 0 ? "-" : "";
  out += std::to_string(whole);
  if (omitZeroFraction && fraction == 0) return out;
  std::string digits = std::to_string(fraction);
  out += separator;
  out.append(static_cast<std::size_t>(fractionDigits) - digits.size(), '0');
  out += digits;
  return out;
}

}  // namespace

ParsedDecimal parseDecimal(std::string_view text, int scale, char separator) {
  ParsedDecimal out;
  text = text.substr(0, kMaxFieldChars);
  bool separatorSeen = false;
  out.text.reserve(text.size());
  for (char c : text) {
    if (c == separator && !separatorSeen) {
      separatorSeen = true;
      c = '.';
    }
    if (IsDigit(c) || c == '.') {
      out.text += c;
    } else {  // becomes a space, and every space is removed
      out.rewritten = true;
      out.caret = out.text.size();
    }
  }

  double number = 0.0;
  const char* begin = out.text.data();
  const char* end = begin + out.text.size();
  if (std::from_chars(begin, end, number, std::chars_format::fixed).ec != std::errc()) {
    number = 0.0;  // empty text, or a lone "."
  }
  // Clamp in floating point: a long run of digits must not overflow the integer conversion.
  double limit = scale == 10 ? kTenthsLimit : std::numeric_limits<std::int32_t>::max();
  double scaled = number * scale + 0.5;
  if (scaled >= limit) {
    out.value = static_cast<std::int32_t>(limit);
  } else if (scaled > 0.0) {
    out.value = static_cast<std::int32_t>(scaled);
  }
  return out;
}

std::string formatHundredths(std::int32_t v, char separator) {
  return FormatScaled(v, 100, 2, separator, true);
}

std::string formatTenths(std::int32_t v, char separator) {
  return FormatScaled(v, 10, 1, separator, false);
}

}  // namespace vl::settings
