// The OK checks of both setup dialogs, their order, and the two questions' outcomes.
#include "settings/settings_validation.h"

#include <gtest/gtest.h>

#include "app/message_table.h"
#include "platform/user_interface.h"
#include "settings/settings_defaults.h"

namespace vl::settings {
namespace {

using platform::kAnswerCancel;
using platform::kAnswerOk;

ConversionSettings Defaults() {
  ConversionSettings s;
  setConversionDefaults(s);
  setColorDefaults(s);
  return s;
}

ConversionSettings WithMethods(bool outline, bool centerline, bool lines) {
  ConversionSettings s = Defaults();
  s.set(kMethodOutline, outline);
  s.set(kMethodCenterline, centerline);
  s.set(kMethodLineRecognition, lines);
  return s;
}

void ExpectFailure(const ValidationResult& r, int message, SettingsField field,
                   std::int32_t corrected) {
  EXPECT_EQ(r.message, message);
  EXPECT_EQ(r.field, field);
  EXPECT_EQ(r.correctedValue, corrected);
  EXPECT_FALSE(r.question);
}

TEST(ConversionSetupOk, NoMethodAndNoiseSuppression) {
  ConversionSettings s = WithMethods(false, false, false);
  ValidationResult r = validateConversionSetup(s);
  EXPECT_EQ(r.message, 130);
  EXPECT_EQ(r.field, SettingsField::kMethod);

  s = WithMethods(true, false, false);
  s.noiseSuppression = 50;  // 0.5 pixel
  ExpectFailure(validateConversionSetup(s), msg::kNoiseRange, SettingsField::kNoiseSuppression,
                100);
  EXPECT_EQ(s.noiseSuppression, 100);
  EXPECT_TRUE(validateConversionSetup(s).ok());
  s.noiseSuppression = 8001;
  ExpectFailure(validateConversionSetup(s), 28, SettingsField::kNoiseSuppression, 8000);

  // Without Outline the noise field is not checked at all.
  s = WithMethods(false, true, false);
  s.noiseSuppression = 50;
  EXPECT_TRUE(validateConversionSetup(s).ok());
  EXPECT_EQ(s.noiseSuppression, 50);
}

TEST(ConversionSetupOk, ChecksInOrderOneFailurePerPress) {
  ConversionSettings s = WithMethods(true, true, false);
  s.noiseSuppression = 0;
  s.lineThinning = -1;
  s.tolerance = 51;
  s.straightToCurved = 9;
  s.uniformWeight = 1201;
  ExpectFailure(validateConversionSetup(s), 28, SettingsField::kNoiseSuppression, 100);
  EXPECT_EQ(s.lineThinning, -1);  // later fields wait for the next press
  ExpectFailure(validateConversionSetup(s), 29, SettingsField::kLineThinning, 0);
  ExpectFailure(validateConversionSetup(s), 42, SettingsField::kTolerance, 50);
  ExpectFailure(validateConversionSetup(s), 52, SettingsField::kStraightToCurved, 10);
  ExpectFailure(validateConversionSetup(s), 30, SettingsField::kUniformWeight, 1200);
  EXPECT_TRUE(validateConversionSetup(s).ok());
  EXPECT_EQ(s.tolerance, 50);
  EXPECT_EQ(s.straightToCurved, 10);
}

TEST(ConversionSetupOk, EachValueOnlyForTheMethodsThatUseIt) {
  // Line thinning: Centerline, or Outline with Line Recognition; not Outline alone.
  ConversionSettings s = WithMethods(true, false, false);
  s.lineThinning = 2500;
  EXPECT_TRUE(validateConversionSetup(s).ok());
  s = WithMethods(true, false, true);
  s.lineThinning = 2500;
  ExpectFailure(validateConversionSetup(s), 29, SettingsField::kLineThinning, 2000);
  s = WithMethods(false, false, true);
  s.lineThinning = 2500;
  EXPECT_TRUE(validateConversionSetup(s).ok());

  // Tolerance and straight-to-curved: Outline or Centerline, not Line Recognition alone.
  s = WithMethods(false, false, true);
  s.tolerance = 99;
  s.straightToCurved = 0;
  EXPECT_TRUE(validateConversionSetup(s).ok());
  s = WithMethods(false, true, false);
  s.tolerance = 5;
  ExpectFailure(validateConversionSetup(s), 42, SettingsField::kTolerance, 10);

  // The weight: Centerline or Line Recognition, even with Uniform Line Weight unticked.
  s = WithMethods(false, false, true);
  s.set(kUniformLineWeight, false);
  s.uniformWeight = 1300;
  ExpectFailure(validateConversionSetup(s), 30, SettingsField::kUniformWeight, 1200);
  s = WithMethods(true, false, false);
  s.uniformWeight = -5;
  EXPECT_TRUE(validateConversionSetup(s).ok());
}

TEST(ColorSetupOk, PosterizationValues) {
  ConversionSettings s = Defaults();
  choosePosterizationMode(s, PosterizationMode::kLimitedColors, false);
  s.complexity = 1;
  s.maxColors = 1;
  ExpectFailure(validateColorSetup(s, false), 257, SettingsField::kComplexity, 2);
  ExpectFailure(validateColorSetup(s, false), 68, SettingsField::kMaxColors, 2);
  EXPECT_TRUE(validateColorSetup(s, false).ok());
  s.complexity = 21;
  ExpectFailure(validateColorSetup(s, false), 257, SettingsField::kComplexity, 20);

  // The maximum is checked only in Limited Colors mode.
  s.maxColors = 0;
  choosePosterizationMode(s, PosterizationMode::kUnlimitedColors, false);
  EXPECT_TRUE(validateColorSetup(s, false).ok());
  choosePosterizationMode(s, PosterizationMode::kUseCustomColors, false);
  EXPECT_TRUE(validateColorSetup(s, false).ok());
  // Custom colours with limitedColors show as Limited while a gray image is open.
  s.set(kLimitedColors, true);
  EXPECT_TRUE(validateColorSetup(s, false).ok());
  ExpectFailure(validateColorSetup(s, true), 68, SettingsField::kMaxColors, 2);

  // Percentages are not checked while posterizing.
  s.threshold = 500;
  s.contrast = -1;
  EXPECT_TRUE(validateColorSetup(s, true).ok());
}

TEST(ColorSetupOk, BlackAndWhitePercentages) {
  ConversionSettings s = Defaults();  // threshold mode
  s.threshold = 101;
  s.contrast = 500;  // not used in threshold mode
  ExpectFailure(validateColorSetup(s, false), 41, SettingsField::kThreshold, 100);
  s.threshold = -5;
  ExpectFailure(validateColorSetup(s, false), 41, SettingsField::kThreshold, 0);
  EXPECT_TRUE(validateColorSetup(s, false).ok());

  s.set(kContrastMode, true);
  s.threshold = 500;  // not used in contrast mode
  s.boostPercent = 200;
  ExpectFailure(validateColorSetup(s, false), 41, SettingsField::kContrast, 100);
  EXPECT_TRUE(validateColorSetup(s, false).ok());  // boost off: its value is not checked
  s.set(kBoost, true);
  ExpectFailure(validateColorSetup(s, false), 41, SettingsField::kBoostPercent, 100);
  EXPECT_EQ(s.boostPercent, 100);
  EXPECT_TRUE(validateColorSetup(s, false).ok());
}

TEST(ColorSetupOk, TwoColourMethodsAskBeforePosterizing) {
  for (Flag method : {kMethodCenterline, kMethodLineRecognition, kReverseImage, kWhiteLines}) {
    ConversionSettings s = Defaults();
    choosePosterizationMode(s, PosterizationMode::kUnlimitedColors, false);
    s.set(method, true);
    s.complexity = 30;
    // Range corrections come first; the question only once the values pass.
    EXPECT_EQ(validateColorSetup(s, false).message, 257);
    ValidationResult r = validateColorSetup(s, false);
    EXPECT_EQ(r.message, 59);
    EXPECT_TRUE(r.question);
    EXPECT_FALSE(r.ok());

    ConversionSettings cancelled = s;
    answerIncompatibleMethod(cancelled, kAnswerCancel);
    EXPECT_FALSE(cancelled.has(kColorConversion));
    EXPECT_TRUE(cancelled.has(method));
    EXPECT_TRUE(validateColorSetup(cancelled, false).ok());

    answerIncompatibleMethod(s, kAnswerOk);
    EXPECT_TRUE(s.has(kColorConversion));
    EXPECT_TRUE(s.has(kMethodOutline));
    for (Flag f : {kMethodCenterline, kMethodLineRecognition, kReverseImage, kWhiteLines}) {
      EXPECT_FALSE(s.has(f));
    }
    EXPECT_TRUE(validateColorSetup(s, false).ok());
  }
  // Uniform Line Weight and Separate Shapes do not raise this question.
  ConversionSettings s = Defaults();
  choosePosterizationMode(s, PosterizationMode::kLimitedColors, false);
  s.set(kUniformLineWeight, true);
  s.set(kSeparateShapes, true);
  EXPECT_TRUE(validateColorSetup(s, false).ok());
}

TEST(ConversionSetupOptions, BlackAndWhiteOptionsAskToTurnPosterizationOff) {
  for (Flag option : {kMethodCenterline, kMethodLineRecognition, kWhiteLines, kUniformLineWeight,
                      kReverseImage, kSeparateShapes}) {
    ConversionSettings s = Defaults();
    s.set(option, false);
    s.set(kColorConversion, true);
    EXPECT_EQ(setMethodOption(s, option, true), msg::kPosterizationOffQuestion);
    EXPECT_FALSE(s.has(option));  // stays off until answered
    EXPECT_FALSE(answerPosterizationOff(s, option, kAnswerCancel));
    EXPECT_FALSE(answerPosterizationOff(s, option, 0));  // not OK: the default, Cancel
    EXPECT_FALSE(s.has(option) || !s.has(kColorConversion));
    EXPECT_TRUE(answerPosterizationOff(s, option, kAnswerOk));
    EXPECT_TRUE(s.has(option) && !s.has(kColorConversion));
  }
  // Outline and Interactive Thinning never ask, nor does turning an option off.
  ConversionSettings s = Defaults();
  s.set(kColorConversion, true);
  s.set(kMethodOutline, false);
  s.set(kMethodCenterline, true);
  EXPECT_EQ(setMethodOption(s, kMethodOutline, true), 0);
  EXPECT_EQ(setMethodOption(s, kInteractiveThinning, true), 0);
  EXPECT_EQ(setMethodOption(s, kMethodCenterline, false), 0);
  EXPECT_TRUE(s.has(kMethodOutline) && s.has(kInteractiveThinning) && s.has(kColorConversion));
  EXPECT_FALSE(s.has(kMethodCenterline));
  // In black and white conversion nothing is asked.
  s.set(kColorConversion, false);
  EXPECT_EQ(setMethodOption(s, kMethodCenterline, true), 0);
  EXPECT_TRUE(s.has(kMethodCenterline));
}

}  // namespace
}  // namespace vl::settings
