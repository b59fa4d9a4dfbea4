// The conversion settings record: methods, tolerances, line and colour options. Its 68-byte
// little-endian image is a file format (preferences and named settings files store it byte for
// byte), so the in-memory fields mirror it exactly and reserved bytes are kept as found.
#pragma once

#include <array>
#include <cstdint>

namespace vl::settings {

// One bit of flagsA (bits 0-7), flagsB (bits 8-15) or flagsC (bits 16-23).
enum Flag : std::uint32_t {
  kLimitedColors = 0x000001,
  kBoost = 0x000002,
  kContrastMode = 0x000004,  // set: "Contrast", clear: "Threshold"
  kMethodOutline = 0x000008,
  kMethodCenterline = 0x000010,
  kMethodLineRecognition = 0x000020,
  kUniformLineWeight = 0x000040,
  kReverseImage = 0x000080,
  kWhiteLines = 0x000100,
  kSeparateShapes = 0x000200,
  kAddNewColors = 0x000400,
  kInteractiveThinning = 0x000800,
  kColorConversion = 0x001000,  // posterization on
  kReduceDetail = 0x002000,
  kUseCustomColors = 0x004000,
  kTaggedColorsOnly = 0x008000,
  kGenerateTints = 0x010000,
  kColorAveragingOff = 0x020000,
};

enum LinesMode : std::int16_t { kCurvedAndStraight = 0, kCurvedOnly = 1, kStraightOnly = 2 };

constexpr std::size_t kSettingsRecordBytes = 68;

struct ConversionSettings {
  char name[32] = {};                 // NUL-terminated name of the named setting
  std::uint8_t flagsA = 0, flagsB = 0, flagsC = 0;
  std::uint8_t reserved[5] = {};      // written back as found
  std::int16_t linesMode = kCurvedAndStraight;
  std::int32_t noiseSuppression = 800;  // pixels x 100, 100..8000
  std::int32_t lineThinning = 300;      // pixels x 100, 0..2000
  std::int32_t uniformWeight = 100;     // points x 100, 0..1200
  std::int16_t straightToCurved = 30;   // x 10, 10..50
  std::int16_t tolerance = 30;          // x 10, 10..50
  std::int16_t complexity = 10;         // 2..20
  std::int16_t noiseReduction = 1;      // 0 none, 1 medium, 2 maximum
  std::int16_t threshold = 50;          // percent
  std::int16_t contrast = 10;           // percent
  std::uint8_t maxColors = 16;          // 2..255 (a stored 0 reads as 16 in the colour dialog)
  std::uint8_t boostPercent = 50;       // percent

  bool has(Flag f) const {
    std::uint32_t all = flagsA | (std::uint32_t(flagsB) << 8) | (std::uint32_t(flagsC) << 16);
    return (all & f) != 0;
  }
  void set(Flag f, bool on) {
    std::uint32_t all = flagsA | (std::uint32_t(flagsB) << 8) | (std::uint32_t(flagsC) << 16);
    all = on ? (all | f) : (all & ~std::uint32_t(f));
    flagsA = std::uint8_t(all);
    flagsB = std::uint8_t(all >> 8);
    flagsC = std::uint8_t(all >> 16);
  }
};

// The record's file image (little-endian, offsets as stored).
std::array<std::uint8_t, kSettingsRecordBytes> SerializeSettings(const ConversionSettings& s);
ConversionSettings DeserializeSettings(const std::uint8_t* bytes);  // reads 68 bytes

}  // namespace vl::settings
