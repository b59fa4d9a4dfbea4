// Decimal dialog fields: what a user types, what the program stores, what it shows back.
#include "settings/decimal_field.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace vl::settings {
namespace {

TEST(ParseDecimal, SystemSeparatorAndScaling) {
  ParsedDecimal p = parseDecimal("12,5", 100, ',');
  EXPECT_EQ(p.value, 1250);
  EXPECT_FALSE(p.rewritten);  // nothing removed: the field keeps what the user typed
  // A '.' is always a decimal point, also beside a ',' separator.
  EXPECT_EQ(parseDecimal("2.5", 100, ',').value, 250);
  // With '.' as separator a ',' is noise and is removed.
  p = parseDecimal("12,5", 100, '.');
  EXPECT_EQ(p.value, 12500);
  EXPECT_TRUE(p.rewritten);
  // Rounding half up after scaling: 5.04 x 10 + 0.5 = 50.9 -> 50; 0.29 x 100 stays 29 despite
  // its binary representation just below.
  EXPECT_EQ(parseDecimal("5.04", 10, '.').value, 50);
  EXPECT_EQ(parseDecimal("5.05", 10, '.').value, 51);
  EXPECT_EQ(parseDecimal("5.1", 10, '.').value, 51);
  EXPECT_EQ(parseDecimal("0.29", 100, '.').value, 29);
  EXPECT_EQ(parseDecimal(".5", 100, '.').value, 50);
  EXPECT_EQ(parseDecimal("5.", 100, '.').value, 500);
  // Only the first separator is the point; a second one is removed, a second '.' ends the number.
  EXPECT_EQ(parseDecimal("1,2,5", 100, ',').value, 125);
  EXPECT_EQ(parseDecimal("1.2.5", 100, ',').value, 120);
}

TEST(ParseDecimal, NoiseIsRemovedAndTheFieldRewritten) {
  ParsedDecimal p = parseDecimal("1a2", 100, '.');
  EXPECT_EQ(p.value, 1200);  // the field reads 12
  EXPECT_TRUE(p.rewritten);
  EXPECT_EQ(p.text, "12");
  EXPECT_EQ(p.caret, 1u);
  // Spaces go too; the caret sits where the last removal happened.
  p = parseDecimal(" 3 4x", 10, '.');
  EXPECT_EQ(p.text, "34");
  EXPECT_EQ(p.caret, 2u);
  EXPECT_EQ(p.value, 340);
  // A minus sign is noise: the fields hold no negative values.
  p = parseDecimal("-3", 100, '.');
  EXPECT_EQ(p.value, 300);
  EXPECT_EQ(p.caret, 0u);
  // Separator replaced in the cleaned text.
  EXPECT_EQ(parseDecimal("1,5 ", 100, ',').text, "1.5");
}

TEST(ParseDecimal, EmptyLimitsAndLongInput) {
  EXPECT_EQ(parseDecimal("", 100, '.').value, 0);
  EXPECT_FALSE(parseDecimal("", 100, '.').rewritten);
  EXPECT_EQ(parseDecimal(".", 10, '.').value, 0);
  EXPECT_EQ(parseDecimal("abc", 10, '.').value, 0);
  // Tenths fields are int16: limited to 32767.
  EXPECT_EQ(parseDecimal("3276.6", 10, '.').value, 32766);
  EXPECT_EQ(parseDecimal("3276.7", 10, '.').value, 32767);
  EXPECT_EQ(parseDecimal("9999", 10, '.').value, 32767);
  // Hundredths fields are int32 and not limited to 32767, but never overflow.
  EXPECT_EQ(parseDecimal("99999", 100, '.').value, 9999900);
  EXPECT_EQ(parseDecimal(std::string(40, '9'), 100, '.').value,
            std::numeric_limits<std::int32_t>::max());
  // Only the first 256 characters are read: the '9' after them is ignored.
  std::string longText = std::string(255, '0') + "7" + "9";
  ParsedDecimal p = parseDecimal(longText, 100, '.');
  EXPECT_EQ(p.value, 700);
  EXPECT_EQ(p.text.size(), kMaxFieldChars);
}

TEST(FormatDecimal, HundredthsAndTenthsWithEitherSeparator) {
  EXPECT_EQ(formatHundredths(800, '.'), "8");
  EXPECT_EQ(formatHundredths(0, ','), "0");
  EXPECT_EQ(formatHundredths(1250, ','), "12,50");
  EXPECT_EQ(formatHundredths(1205, '.'), "12.05");
  EXPECT_EQ(formatHundredths(5, ','), "0,05");
  EXPECT_EQ(formatHundredths(-150, '.'), "-1.50");
  EXPECT_EQ(formatTenths(30, ','), "3,0");
  EXPECT_EQ(formatTenths(51, '.'), "5.1");
  EXPECT_EQ(formatTenths(5, ','), "0,5");
  EXPECT_EQ(formatTenths(-15, '.'), "-1.5");
  // What the dialog shows reads back as the same value.
  for (std::int32_t v : {0, 1, 99, 100, 101, 1205, 8000}) {
    EXPECT_EQ(parseDecimal(formatHundredths(v, ','), 100, ',').value, v);
    EXPECT_EQ(parseDecimal(formatTenths(v, ','), 10, ',').value, v);
  }
}

}  // namespace
}  // namespace vl::settings
