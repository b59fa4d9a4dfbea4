// Default sets, posterization modes, both setup dialogs' OK checks in order, and their questions.
#include "settings/settings_validation.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/message_table.h"
#include "platform/user_interface.h"
#include "settings/settings_defaults.h"

namespace vl::settings {
namespace {

using F = SettingsField;
using M = PosterizationMode;

ConversionSettings Defaults(bool outline = true, bool centerline = false, bool lines = false) {
  ConversionSettings s;
  setConversionDefaults(s);
  setColorDefaults(s);
  s.set(kMethodOutline, outline);
  s.set(kMethodCenterline, centerline);
  s.set(kMethodLineRecognition, lines);
  return s;
}

TEST(SettingsDefaults, EachSetTouchesOnlyItsOwnDialogsFieldsAndModesFollowTheFlags) {
  const ConversionSettings dirty{.flagsA = 0xFF, .flagsB = 0xFF, .flagsC = 0xFF,
                                 .linesMode = kCurvedOnly, .tolerance = 5, .complexity = 5};
  ConversionSettings s = dirty;
  setConversionDefaults(s);  // methods on/off, colour flags and values kept
  EXPECT_TRUE(s.flagsA == 0x4F && s.flagsB == 0xF4 && s.flagsC == 0xFF);
  EXPECT_TRUE(s.tolerance == 30 && s.linesMode == kCurvedAndStraight && s.complexity == 5);
  s = dirty;
  setColorDefaults(s);  // tints off, colour averaging on, method flags and values kept
  EXPECT_TRUE(s.flagsA == 0xF8 && s.flagsB == 0x0B && s.flagsC == 0xFC);
  EXPECT_TRUE(s.tolerance == 5 && s.linesMode == kCurvedOnly && s.complexity == 10);
  s = {};  // black and white clears only the posterization bit; custom keeps limitedColors
  ChoosePosterizationMode(s, M::kLimitedColors, false);
  ChoosePosterizationMode(s, M::kUseCustomColors, false);
  EXPECT_EQ(ChoosePosterizationMode(s, M::kBlackAndWhiteOnly, false), M::kBlackAndWhiteOnly);
  EXPECT_TRUE(!s.has(kColorConversion) && s.has(kUseCustomColors) && s.has(kLimitedColors));
  EXPECT_EQ(ChoosePosterizationMode(s, M::kUnlimitedColors, false), M::kUnlimitedColors);
  EXPECT_FALSE(s.has(kUseCustomColors) || s.has(kLimitedColors));
  EXPECT_EQ(ChoosePosterizationMode(s, M(7), false), M::kUnlimitedColors);  // not in the list
  EXPECT_EQ(ChoosePosterizationMode(s, M::kUseCustomColors, true), M::kBlackAndWhiteOnly);  // gray
}

// Presses OK once per expected failure (one message, closest value put in), then once to pass.
void ExpectPresses(const char* name, ConversionSettings s, int gray,
                   const std::vector<ValidationResult>& want) {
  SCOPED_TRACE(name);
  auto run = [&] { return gray < 0 ? ValidateConversionSetup(s) : ValidateColorSetup(s, gray); };
  for (const ValidationResult& p : want) {
    const ValidationResult r = run();
    EXPECT_TRUE(r.message == p.message && r.field == p.field && !r.question) << r.message;
    EXPECT_EQ(r.correctedValue, p.correctedValue);
  }
  EXPECT_TRUE(run().ok());
}

TEST(SetupOk, ChecksInOrderAndOnlyTheValuesTheChosenMethodsUse) {
  constexpr int kConversion = -1;
  ConversionSettings s = Defaults(true, true, false);
  s.noiseSuppression = 0, s.lineThinning = -1, s.tolerance = 51, s.straightToCurved = 9;
  s.uniformWeight = 1201;
  ExpectPresses("order", s, kConversion, {{28, F::kNoiseSuppression, 100},
                {29, F::kLineThinning, 0}, {42, F::kTolerance, 50}, {52, F::kStraightToCurved, 10},
                {30, F::kUniformWeight, 1200}});
  s = Defaults(true, false, false);  // thinning and weight unused by Outline alone
  s.noiseSuppression = 8001, s.lineThinning = 2500, s.uniformWeight = -5;
  ExpectPresses("outline", s, kConversion, {{28, F::kNoiseSuppression, 8000}});
  s = Defaults(true, false, true);
  s.lineThinning = 2500;
  ExpectPresses("outline+lines", s, kConversion, {{29, F::kLineThinning, 2000}});
  s = Defaults(false, false, true);  // weight checked even with Uniform Line Weight unticked
  s.set(kUniformLineWeight, false);
  s.lineThinning = 2500, s.tolerance = 99, s.straightToCurved = 0, s.uniformWeight = 1300;
  ExpectPresses("lines", s, kConversion, {{30, F::kUniformWeight, 1200}});
  s = Defaults(false, true, false);
  s.noiseSuppression = 50, s.tolerance = 5;
  ExpectPresses("centerline", s, kConversion, {{42, F::kTolerance, 10}});
  s = Defaults(false);
  const ValidationResult none = ValidateConversionSetup(s);
  EXPECT_TRUE(none.message == msg::kNoMethod && none.field == F::kMethod);

  s = Defaults();  // percentages are not checked while posterizing
  ChoosePosterizationMode(s, M::kLimitedColors, false);
  s.complexity = 1, s.maxColors = 1, s.threshold = 500, s.contrast = -1;
  ExpectPresses("limited", s, false, {{257, F::kComplexity, 2}, {68, F::kMaxColors, 2}});
  ChoosePosterizationMode(s, M::kUseCustomColors, false);  // the maximum counts only if Limited
  s.complexity = 21, s.maxColors = 0;
  ExpectPresses("custom", s, false, {{257, F::kComplexity, 20}});
  ExpectPresses("custom on gray", s, true, {{257, F::kComplexity, 20}, {68, F::kMaxColors, 2}});
  s = Defaults();
  s.threshold = -5, s.contrast = 500, s.boostPercent = 200;
  ExpectPresses("threshold", s, false, {{41, F::kThreshold, 0}});
  s.set(kContrastMode, true);
  s.threshold = 500;
  ExpectPresses("contrast, boost off", s, false, {{41, F::kContrast, 100}});
  s.set(kBoost, true);
  s.contrast = 10;
  ExpectPresses("boost", s, false, {{41, F::kBoostPercent, 100}});
}

TEST(SetupQuestions, TwoColourOptionsAndPosterizationExcludeEachOther) {
  for (Flag option : {kMethodCenterline, kMethodLineRecognition, kReverseImage, kWhiteLines,
                      kUniformLineWeight, kSeparateShapes}) {
    SCOPED_TRACE(option);
    const bool twoColour = option != kUniformLineWeight && option != kSeparateShapes;
    ConversionSettings s = Defaults();  // posterizing: two-colour options ask to go to Outline
    ChoosePosterizationMode(s, M::kUnlimitedColors, false);
    s.set(option, true);
    s.complexity = 30;
    EXPECT_EQ(ValidateColorSetup(s, false).message, 257);  // ranges first, then the question
    const ValidationResult r = ValidateColorSetup(s, false);
    EXPECT_EQ(r.message == msg::kIncompatibleMethod && r.question && !r.ok(), twoColour);
    ConversionSettings cancelled = s;
    AnswerIncompatibleMethod(cancelled, platform::kAnswerCancel);
    EXPECT_TRUE(!cancelled.has(kColorConversion) && cancelled.has(option));
    AnswerIncompatibleMethod(s, platform::kAnswerOk);
    EXPECT_TRUE(s.has(kColorConversion) && s.has(kMethodOutline) && s.has(option) != twoColour);
    EXPECT_TRUE(ValidateColorSetup(s, false).ok() && ValidateColorSetup(cancelled, false).ok());

    s = Defaults(false);  // ticking the option while posterizing asks to turn that off
    s.set(option, false);
    s.set(kColorConversion, true);
    EXPECT_EQ(SetMethodOption(s, option, true), msg::kPosterizationOffQuestion);
    EXPECT_FALSE(AnswerPosterizationOff(s, option, platform::kAnswerCancel) ||
                 AnswerPosterizationOff(s, option, 0) || s.has(option));  // only OK turns it on
    EXPECT_TRUE(AnswerPosterizationOff(s, option, platform::kAnswerOk));
    EXPECT_TRUE(s.has(option) && !s.has(kColorConversion));
    EXPECT_EQ(SetMethodOption(s, kMethodCenterline, true), 0);  // nothing asked in B&W
    // Outline and Interactive Thinning never ask, nor does turning an option off.
    s.set(kColorConversion, true);
    EXPECT_EQ(SetMethodOption(s, kMethodOutline, true) + SetMethodOption(s, option, false) +
                  SetMethodOption(s, kInteractiveThinning, true), 0);
  }
}

}  // namespace
}  // namespace vl::settings
