// Default sets touch only their own dialog's fields; posterization modes follow the flag table.
#include "settings/settings_defaults.h"

#include <gtest/gtest.h>

#include "settings/settings_validation.h"

namespace vl::settings {
namespace {

// Every flag set and every value off its default, so a default set that forgets or overreaches
// a field is caught.
ConversionSettings DirtyRecord() {
  ConversionSettings s;
  s.flagsA = s.flagsB = s.flagsC = 0xFF;
  s.linesMode = kCurvedOnly;
  s.noiseSuppression = 1;
  s.lineThinning = 2;
  s.uniformWeight = 3;
  s.straightToCurved = 4;
  s.tolerance = 5;
  s.complexity = 6;
  s.noiseReduction = 7;
  s.threshold = 8;
  s.contrast = 9;
  s.maxColors = 11;
  s.boostPercent = 12;
  return s;
}

TEST(SettingsDefaults, ConversionDefaultsSetMethodsAndTolerancesOnly) {
  ConversionSettings s = DirtyRecord();
  setConversionDefaults(s);
  EXPECT_EQ(s.tolerance, 30);
  EXPECT_EQ(s.noiseSuppression, 800);
  EXPECT_EQ(s.lineThinning, 300);
  EXPECT_EQ(s.uniformWeight, 100);
  EXPECT_EQ(s.straightToCurved, 30);
  EXPECT_EQ(s.linesMode, 0);
  // flagsA keeps limitedColors/boost/contrastMode (0x07), gains outline (0x08) and uniform
  // weight (0x40), loses centerline, line recognition and reverse image.
  EXPECT_EQ(s.flagsA, 0x4F);
  // flagsB loses white lines (0x01), separate shapes (0x02) and interactive thinning (0x08).
  EXPECT_EQ(s.flagsB, 0xF4);
  EXPECT_EQ(s.flagsC, 0xFF);
  EXPECT_EQ(s.complexity, 6);
  EXPECT_EQ(s.maxColors, 11);
  EXPECT_EQ(s.boostPercent, 12);
}

TEST(SettingsDefaults, ColorDefaultsSetColourOptionsOnly) {
  ConversionSettings s = DirtyRecord();
  setColorDefaults(s);
  EXPECT_EQ(s.complexity, 10);
  EXPECT_EQ(s.noiseReduction, 1);
  EXPECT_EQ(s.threshold, 50);
  EXPECT_EQ(s.contrast, 10);
  EXPECT_EQ(s.maxColors, 16);
  EXPECT_EQ(s.boostPercent, 50);
  EXPECT_EQ(s.flagsA, 0xF8);  // methods, uniform weight and reverse image kept
  EXPECT_EQ(s.flagsB, 0x0B);  // white lines, separate shapes, interactive thinning kept
  EXPECT_EQ(s.flagsC, 0xFC);  // tints off, colour averaging on
  EXPECT_EQ(s.tolerance, 5);
  EXPECT_EQ(s.noiseSuppression, 1);
  EXPECT_EQ(s.linesMode, kCurvedOnly);
  EXPECT_EQ(derivePosterizationMode(s, false), PosterizationMode::kBlackAndWhiteOnly);

  // Both default sets together form a record that both OK buttons accept.
  ConversionSettings fresh = DirtyRecord();
  setConversionDefaults(fresh);
  setColorDefaults(fresh);
  EXPECT_TRUE(validateConversionSetup(fresh).ok());
  EXPECT_TRUE(validateColorSetup(fresh, false).ok());
}

TEST(PosterizationMode, DerivedFromFlagsAndShownWithoutCustomColoursForGray) {
  struct Row {
    bool colorConversion, limited, custom;
    PosterizationMode color, gray;
  };
  using M = PosterizationMode;
  const Row rows[] = {
      {true, true, false, M::kLimitedColors, M::kLimitedColors},
      {true, false, false, M::kUnlimitedColors, M::kUnlimitedColors},
      {true, true, true, M::kUseCustomColors, M::kLimitedColors},
      {true, false, true, M::kUseCustomColors, M::kUnlimitedColors},
      {false, true, true, M::kBlackAndWhiteOnly, M::kBlackAndWhiteOnly},
      {false, false, false, M::kBlackAndWhiteOnly, M::kBlackAndWhiteOnly},
  };
  for (const Row& r : rows) {
    ConversionSettings s;
    s.set(kColorConversion, r.colorConversion);
    s.set(kLimitedColors, r.limited);
    s.set(kUseCustomColors, r.custom);
    EXPECT_EQ(derivePosterizationMode(s, false), r.color);
    EXPECT_EQ(derivePosterizationMode(s, true), r.gray);
  }
}

TEST(PosterizationMode, ChoosingAnEntrySetsItsFlags) {
  using M = PosterizationMode;
  ConversionSettings s;
  EXPECT_EQ(choosePosterizationMode(s, M::kLimitedColors, false), M::kLimitedColors);
  EXPECT_TRUE(s.has(kColorConversion) && s.has(kLimitedColors) && !s.has(kUseCustomColors));

  // Custom colours keep limitedColors, so going back to the list restores Limited.
  EXPECT_EQ(choosePosterizationMode(s, M::kUseCustomColors, false), M::kUseCustomColors);
  EXPECT_TRUE(s.has(kUseCustomColors) && s.has(kLimitedColors));
  EXPECT_EQ(choosePosterizationMode(s, M::kUnlimitedColors, false), M::kUnlimitedColors);
  EXPECT_FALSE(s.has(kLimitedColors) || s.has(kUseCustomColors));
  EXPECT_EQ(choosePosterizationMode(s, M::kUseCustomColors, false), M::kUseCustomColors);
  EXPECT_FALSE(s.has(kLimitedColors));

  // Black and white clears only the posterization bit.
  EXPECT_EQ(choosePosterizationMode(s, M::kBlackAndWhiteOnly, false), M::kBlackAndWhiteOnly);
  EXPECT_FALSE(s.has(kColorConversion));
  EXPECT_TRUE(s.has(kUseCustomColors));

  // A gray scale image has no custom colours: that entry selects black and white.
  ConversionSettings gray;
  choosePosterizationMode(gray, M::kUnlimitedColors, true);
  EXPECT_EQ(choosePosterizationMode(gray, M::kUseCustomColors, true), M::kBlackAndWhiteOnly);
  EXPECT_FALSE(gray.has(kColorConversion));
  EXPECT_FALSE(gray.has(kUseCustomColors));

  // A number outside the list changes nothing.
  ConversionSettings before = s;
  EXPECT_EQ(choosePosterizationMode(s, static_cast<M>(7), false), M::kBlackAndWhiteOnly);
  EXPECT_EQ(s.flagsA, before.flagsA);
  EXPECT_EQ(s.flagsB, before.flagsB);
}

}  // namespace
}  // namespace vl::settings
