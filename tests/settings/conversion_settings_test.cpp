// The record's 68-byte file image, checked against bytes written out by hand from the field table.
#include "settings/conversion_settings.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace vl::settings {
namespace {

// Every field distinct and multi-byte numbers with distinct bytes, so a swapped field, a wrong
// offset or big-endian order shows up as a byte mismatch.
constexpr std::uint8_t kImage[kSettingsRecordBytes] = {
    'I', 'n', 'k', 's', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 0: name, NUL-padded to 32
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0xA5, 0x3C, 0x02,              // 32: flagsA, flagsB, flagsC
    0xDE, 0xAD, 0xBE, 0xEF, 0x7F,  // 35: reserved, as found
    0x02, 0x00,                    // 40: linesMode 2
    0x04, 0x03, 0x02, 0x01,        // 42: noiseSuppression 0x01020304
    0xFE, 0xFF, 0xFF, 0xFF,        // 46: lineThinning -2
    0xB0, 0x04, 0x00, 0x00,        // 50: uniformWeight 1200
    0x02, 0x01, 0x04, 0x03,        // 54: straightToCurved 0x0102, tolerance 0x0304
    0xFD, 0xFF, 0x02, 0x00,        // 58: complexity -3, noiseReduction 2
    0x06, 0x05, 0x80, 0x7F,        // 62: threshold 0x0506, contrast 0x7F80
    200, 99,                       // 66: maxColors, boostPercent
};

TEST(ConversionSettingsImage, FieldsSitAtTheirOffsetsLittleEndianAndRoundTrip) {
  const ConversionSettings s{
      .name = "Inks", .flagsA = 0xA5, .flagsB = 0x3C, .flagsC = 0x02,
      .reserved = {0xDE, 0xAD, 0xBE, 0xEF, 0x7F}, .linesMode = kStraightOnly,
      .noiseSuppression = 0x01020304, .lineThinning = -2, .uniformWeight = 1200,
      .straightToCurved = 0x0102, .tolerance = 0x0304, .complexity = -3, .noiseReduction = 2,
      .threshold = 0x0506, .contrast = 0x7F80, .maxColors = 200, .boostPercent = 99};
  auto image = SerializeSettings(s);
  for (std::size_t i = 0; i < kSettingsRecordBytes; ++i) EXPECT_EQ(image[i], kImage[i]) << i;

  // Serializing keeps every field apart, so an exact round trip proves each was read from its
  // own offset; bytes after the name's NUL travel along so a record is rewritten as read.
  auto bytes = std::to_array(kImage);
  bytes[20] = 0x55;
  EXPECT_EQ(SerializeSettings(DeserializeSettings(bytes.data())), bytes);

  std::memset(bytes.data(), 'x', 32);  // an unterminated name is cut to 31 characters
  const ConversionSettings cut = DeserializeSettings(bytes.data());
  EXPECT_EQ(std::strlen(cut.name), 31u);
  EXPECT_EQ(cut.flagsA, 0xA5);
}

}  // namespace
}  // namespace vl::settings
