// Default sets of the two setup dialogs and the posterization mode <-> flags mapping.
#include "settings/settings_defaults.h"

namespace vl::settings {

void setConversionDefaults(ConversionSettings& s) {
  s.tolerance = 30;
  s.set(kMethodOutline, true);
  s.set(kUniformLineWeight, true);
  for (Flag f : {kMethodCenterline, kMethodLineRecognition, kReverseImage, kWhiteLines,
                 kSeparateShapes, kInteractiveThinning}) {
    s.set(f, false);
  }
  s.noiseSuppression = 800;
  s.lineThinning = 300;
  s.uniformWeight = 100;
  s.straightToCurved = 30;
  s.linesMode = kCurvedAndStraight;
}

void setColorDefaults(ConversionSettings& s) {
  s.complexity = 10;
  s.noiseReduction = 1;
  s.threshold = 50;
  s.contrast = 10;
  s.maxColors = 16;
  s.boostPercent = 50;
  for (Flag f : {kLimitedColors, kBoost, kContrastMode, kColorConversion, kAddNewColors,
                 kReduceDetail, kUseCustomColors, kTaggedColorsOnly, kGenerateTints,
                 kColorAveragingOff}) {
    s.set(f, false);
  }
}

PosterizationMode DerivePosterizationMode(const ConversionSettings& s, bool grayImageOpen) {
  if (!s.has(kColorConversion)) return PosterizationMode::kBlackAndWhiteOnly;
  if (s.has(kUseCustomColors) && !grayImageOpen) return PosterizationMode::kUseCustomColors;
  return s.has(kLimitedColors) ? PosterizationMode::kLimitedColors
                               : PosterizationMode::kUnlimitedColors;
}

PosterizationMode ChoosePosterizationMode(ConversionSettings& s, PosterizationMode entry,
                                          bool grayImageOpen) {
  if (entry == PosterizationMode::kUseCustomColors && grayImageOpen) {
    entry = PosterizationMode::kBlackAndWhiteOnly;
  }
  switch (entry) {
    case PosterizationMode::kLimitedColors:
      s.set(kColorConversion, true);
      s.set(kLimitedColors, true);
      s.set(kUseCustomColors, false);
      break;
    case PosterizationMode::kUnlimitedColors:
      s.set(kColorConversion, true);
      s.set(kLimitedColors, false);
      s.set(kUseCustomColors, false);
      break;
    case PosterizationMode::kUseCustomColors:
      s.set(kColorConversion, true);
      s.set(kUseCustomColors, true);
      break;
    case PosterizationMode::kBlackAndWhiteOnly:
      s.set(kColorConversion, false);
      break;
  }
  // Read back rather than echo `entry`, so a number outside the list changes nothing and
  // reports the mode still in force.
  return DerivePosterizationMode(s, grayImageOpen);
}

}  // namespace vl::settings
