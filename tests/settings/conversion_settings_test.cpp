// The record's file image, checked against bytes written out by hand from the field table.
#include "settings/conversion_settings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vl::settings {
namespace {

// Every field holds a different value, multi-byte numbers have distinct bytes, so a swapped
// field, a wrong offset or big-endian order shows up as a byte mismatch.
ConversionSettings DistinctRecord() {
  ConversionSettings s;
  std::strcpy(s.name, "Inks");
  s.flagsA = 0xA5;
  s.flagsB = 0x3C;
  s.flagsC = 0x02;
  const std::uint8_t reserved[5] = {0xDE, 0xAD, 0xBE, 0xEF, 0x7F};
  std::memcpy(s.reserved, reserved, 5);
  s.linesMode = kStraightOnly;
  s.noiseSuppression = 0x01020304;
  s.lineThinning = -2;
  s.uniformWeight = 1200;
  s.straightToCurved = 0x0102;
  s.tolerance = 0x0304;
  s.complexity = -3;
  s.noiseReduction = 2;
  s.threshold = 0x0506;
  s.contrast = 0x7F80;
  s.maxColors = 200;
  s.boostPercent = 99;
  return s;
}

constexpr std::uint8_t kDistinctImage[kSettingsRecordBytes] = {
    // 0: name "Inks", NUL-padded to 32 bytes
    'I', 'n', 'k', 's', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0xA5, 0x3C, 0x02,              // 32: flagsA, flagsB, flagsC
    0xDE, 0xAD, 0xBE, 0xEF, 0x7F,  // 35: reserved, as found
    0x02, 0x00,                    // 40: linesMode 2
    0x04, 0x03, 0x02, 0x01,        // 42: noiseSuppression 0x01020304
    0xFE, 0xFF, 0xFF, 0xFF,        // 46: lineThinning -2
    0xB0, 0x04, 0x00, 0x00,        // 50: uniformWeight 1200 = 0x4B0
    0x02, 0x01,                    // 54: straightToCurved 0x0102
    0x04, 0x03,                    // 56: tolerance 0x0304
    0xFD, 0xFF,                    // 58: complexity -3
    0x02, 0x00,                    // 60: noiseReduction 2
    0x06, 0x05,                    // 62: threshold 0x0506
    0x80, 0x7F,                    // 64: contrast 0x7F80
    200,                           // 66: maxColors
    99,                            // 67: boostPercent
};

TEST(ConversionSettingsImage, SerializesEveryFieldAtItsOffsetLittleEndian) {
  auto image = SerializeSettings(DistinctRecord());
  for (std::size_t i = 0; i < kSettingsRecordBytes; ++i) {
    EXPECT_EQ(image[i], kDistinctImage[i]) << "byte " << i;
  }
}

TEST(ConversionSettingsImage, DeserializesTheHandWrittenImageAndRoundTrips) {
  // Serializing is checked above and keeps every field apart, so an exact round trip proves
  // that each field was read from its own offset; signed fields must come back negative.
  ConversionSettings read = DeserializeSettings(kDistinctImage);
  auto again = SerializeSettings(read);
  EXPECT_EQ(0, std::memcmp(again.data(), kDistinctImage, kSettingsRecordBytes));
  EXPECT_STREQ(read.name, "Inks");
  EXPECT_EQ(read.lineThinning, -2);
  EXPECT_EQ(read.complexity, -3);
  // Bytes after the name's NUL travel along too, so a record is rewritten exactly as read.
  std::uint8_t withTail[kSettingsRecordBytes];
  std::memcpy(withTail, kDistinctImage, sizeof withTail);
  withTail[20] = 0x55;
  again = SerializeSettings(DeserializeSettings(withTail));
  EXPECT_EQ(0, std::memcmp(again.data(), withTail, kSettingsRecordBytes));
}

TEST(ConversionSettingsImage, UnterminatedNameIsCutToThirtyOneCharacters) {
  std::uint8_t bytes[kSettingsRecordBytes];
  std::memcpy(bytes, kDistinctImage, sizeof bytes);
  std::memset(bytes, 'x', 32);
  ConversionSettings read = DeserializeSettings(bytes);
  EXPECT_EQ(std::strlen(read.name), 31u);
  EXPECT_EQ(read.flagsA, 0xA5);  // the neighbouring field is untouched
  EXPECT_EQ(read.boostPercent, 99);
}

}  // namespace
}  // namespace vl::settings
