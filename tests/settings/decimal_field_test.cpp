// Decimal dialog fields: what a user types, what the program stores, what it shows back.
#include "settings/decimal_field.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <tuple>

namespace vl::settings {
namespace {

TEST(DecimalField, ParsingScalesRoundsLimitsAndRemovesNoiseAndFormatsReadBack) {
  struct Case { std::string text; std::int32_t scale; char separator; std::int32_t value; };
  const Case cases[] = {
      {"12,5", 100, ',', 1250}, {"2.5", 100, ',', 250},  // '.' is always a point
      {"12,5", 100, '.', 12500},                         // ',' is noise beside a '.' separator
      {"5.04", 10, '.', 50}, {"5.05", 10, '.', 51},      // half up: 50.4 -> 50, 50.5 -> 51
      {"0.29", 100, '.', 29}, {".5", 100, '.', 50}, {"5.", 100, '.', 500}, {"-3", 100, '.', 300},
      {"1,2,5", 100, ',', 125}, {"1.2.5", 100, ',', 120},  // second ',' removed, '.' ends
      {"", 100, '.', 0}, {".", 10, '.', 0}, {"abc", 10, '.', 0}, {"1a2", 100, '.', 1200},
      {"3276.7", 10, '.', 32767}, {"9999", 10, '.', 32767},  // tenths are int16
      {"99999", 100, '.', 9999900},                          // hundredths are not
      {std::string(40, '9'), 100, '.', std::numeric_limits<std::int32_t>::max()},
      {std::string(255, '0') + "79", 100, '.', 700},  // only 256 characters are read
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parseDecimal(c.text, c.scale, c.separator).value, c.value) << c.text.substr(0, 20);
  }
  EXPECT_EQ(parseDecimal(std::string(300, '1'), 100, '.').text.size(), kMaxFieldChars);

  EXPECT_FALSE(parseDecimal("12,5", 100, ',').rewritten);  // the field keeps what was typed
  for (auto [text, clean, caret] : {std::tuple{"1a2", "12", 1u}, {" 3 4x", "34", 2u},
                                    {"-3", "3", 0u}, {"1,5 ", "1.5", 3u}}) {
    const ParsedDecimal p = parseDecimal(text, 100, ',');  // caret at the last removal
    EXPECT_TRUE(p.rewritten && p.text == clean && p.caret == caret) << text;
  }

  // What the dialog shows, with the system's separator, reads back as the same value.
  EXPECT_EQ(formatHundredths(800, '.'), "8");
  EXPECT_EQ(formatHundredths(1205, ','), "12,05");
  EXPECT_EQ(formatHundredths(-150, '.'), "-1.50");
  EXPECT_EQ(formatTenths(5, ','), "0,5");
  for (std::int32_t v : {0, 1, 99, 100, 101, 1205, 8000}) {
    EXPECT_EQ(parseDecimal(formatHundredths(v, ','), 100, ',').value, v);
    EXPECT_EQ(parseDecimal(formatTenths(v, ','), 10, ',').value, v);
  }
}

}  // namespace
}  // namespace vl::settings
