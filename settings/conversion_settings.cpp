// The conversion settings record's 68-byte file image: little-endian numbers at fixed offsets,
// reserved bytes copied through untouched so a file written by a newer build survives a rewrite.
#include "settings/conversion_settings.h"

#include <cstring>

namespace vl::settings {
namespace {

// Byte offsets of the fields inside the record image.
constexpr std::size_t kNameOffset = 0;
constexpr std::size_t kNameBytes = 32;
constexpr std::size_t kFlagsAOffset = 32;
constexpr std::size_t kFlagsBOffset = 33;
constexpr std::size_t kFlagsCOffset = 34;
constexpr std::size_t kReservedOffset = 35;
constexpr std::size_t kReservedBytes = 5;
constexpr std::size_t kLinesModeOffset = 40;
constexpr std::size_t kNoiseSuppressionOffset = 42;
constexpr std::size_t kLineThinningOffset = 46;
constexpr std::size_t kUniformWeightOffset = 50;
constexpr std::size_t kStraightToCurvedOffset = 54;
constexpr std::size_t kToleranceOffset = 56;
constexpr std::size_t kComplexityOffset = 58;
constexpr std::size_t kNoiseReductionOffset = 60;
constexpr std::size_t kThresholdOffset = 62;
constexpr std::size_t kContrastOffset = 64;
constexpr std::size_t kMaxColorsOffset = 66;
constexpr std::size_t kBoostPercentOffset = 67;

static_assert(sizeof(ConversionSettings::name) == kNameBytes);
static_assert(sizeof(ConversionSettings::reserved) == kReservedBytes);
static_assert(kBoostPercentOffset + 1 == kSettingsRecordBytes);

void Put16(std::uint8_t* at, std::int16_t v) {
  auto u = static_cast<std::uint16_t>(v);
  at[0] = static_cast<std::uint8_t>(u);
  at[1] = static_cast<std::uint8_t>(u >> 8);
}

void Put32(std::uint8_t* at, std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::int16_t Get16(const std::uint8_t* at) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(at[0] | (at[1] << 8)));
}

std::int32_t Get32(const std::uint8_t* at) {
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= std::uint32_t(at[i]) << (8 * i);
  return static_cast<std::int32_t>(u);
}

}  // namespace

std::array<std::uint8_t, kSettingsRecordBytes> SerializeSettings(const ConversionSettings& s) {
  std::array<std::uint8_t, kSettingsRecordBytes> out{};
  std::uint8_t* p = out.data();
  std::memcpy(p + kNameOffset, s.name, kNameBytes);
  p[kFlagsAOffset] = s.flagsA;
  p[kFlagsBOffset] = s.flagsB;
  p[kFlagsCOffset] = s.flagsC;
  std::memcpy(p + kReservedOffset, s.reserved, kReservedBytes);
  Put16(p + kLinesModeOffset, s.linesMode);
  Put32(p + kNoiseSuppressionOffset, s.noiseSuppression);
  Put32(p + kLineThinningOffset, s.lineThinning);
  Put32(p + kUniformWeightOffset, s.uniformWeight);
  Put16(p + kStraightToCurvedOffset, s.straightToCurved);
  Put16(p + kToleranceOffset, s.tolerance);
  Put16(p + kComplexityOffset, s.complexity);
  Put16(p + kNoiseReductionOffset, s.noiseReduction);
  Put16(p + kThresholdOffset, s.threshold);
  Put16(p + kContrastOffset, s.contrast);
  p[kMaxColorsOffset] = s.maxColors;
  p[kBoostPercentOffset] = s.boostPercent;
  return out;
}

ConversionSettings DeserializeSettings(const std::uint8_t* bytes) {
  ConversionSettings s;
  std::memcpy(s.name, bytes + kNameOffset, kNameBytes);
  // The name is used as a C string everywhere; a file whose name fills all 32 bytes must not
  // send readers past the end of the field.
  s.name[kNameBytes - 1] = '\0';
  s.flagsA = bytes[kFlagsAOffset];
  s.flagsB = bytes[kFlagsBOffset];
  s.flagsC = bytes[kFlagsCOffset];
  std::memcpy(s.reserved, bytes + kReservedOffset, kReservedBytes);
  s.linesMode = Get16(bytes + kLinesModeOffset);
  s.noiseSuppression = Get32(bytes + kNoiseSuppressionOffset);
  s.lineThinning = Get32(bytes + kLineThinningOffset);
  s.uniformWeight = Get32(bytes + kUniformWeightOffset);
  s.straightToCurved = Get16(bytes + kStraightToCurvedOffset);
  s.tolerance = Get16(bytes + kToleranceOffset);
  s.complexity = Get16(bytes + kComplexityOffset);
  s.noiseReduction = Get16(bytes + kNoiseReductionOffset);
  s.threshold = Get16(bytes + kThresholdOffset);
  s.contrast = Get16(bytes + kContrastOffset);
  s.maxColors = bytes[kMaxColorsOffset];
  s.boostPercent = bytes[kBoostPercentOffset];
  return s;
}

}  // namespace vl::settings
