// OK-button checks of the two setup dialogs and the outcomes of their two questions.
#include "settings/settings_validation.h"

#include "base/message_table.h"
#include "platform/user_interface.h"
#include "settings/settings_defaults.h"

namespace vl::settings {
namespace {

// When `value` lies outside [low, high], puts the nearest bound into it and describes the
// correction; otherwise returns a passing result.
template <typename T>
ValidationResult Limit(T& value, std::int32_t low, std::int32_t high, int message,
                       SettingsField field) {
  std::int32_t v = value;
  if (v >= low && v <= high) return {};
  std::int32_t bound = v < low ? low : high;
  value = static_cast<T>(bound);
  return {message, field, bound, false};
}

// Options that make no sense on posterized colour layers (message 129 when turned on).
bool NeedsBlackAndWhite(Flag option) {
  switch (option) {
    case kMethodCenterline:
    case kMethodLineRecognition:
    case kWhiteLines:
    case kUniformLineWeight:
    case kReverseImage:
    case kSeparateShapes:
      return true;
    default:
      return false;
  }
}

// Methods whose tracers need a two-colour image (message 59 on the colour OK).
constexpr Flag kTwoColorOnly[] = {kMethodCenterline, kMethodLineRecognition, kReverseImage,
                                  kWhiteLines};

}  // namespace

ValidationResult ValidateConversionSetup(ConversionSettings& s) {
  const bool outline = s.has(kMethodOutline);
  const bool centerline = s.has(kMethodCenterline);
  const bool lines = s.has(kMethodLineRecognition);
  if (!outline && !centerline && !lines) return {msg::kNoMethod, SettingsField::kMethod, 0, false};

  ValidationResult r;
  if (outline) {
    r = Limit(s.noiseSuppression, 100, 8000, msg::kNoiseRange, SettingsField::kNoiseSuppression);
    if (!r.ok()) return r;
  }
  if (centerline || (outline && lines)) {
    r = Limit(s.lineThinning, 0, 2000, msg::kLineThinningRange, SettingsField::kLineThinning);
    if (!r.ok()) return r;
  }
  if (outline || centerline) {
    r = Limit(s.tolerance, 10, 50, msg::kToleranceRange, SettingsField::kTolerance);
    if (!r.ok()) return r;
    r = Limit(s.straightToCurved, 10, 50, msg::kStraightToCurvedRange,
              SettingsField::kStraightToCurved);
    if (!r.ok()) return r;
  }
  // The weight is kept valid even while its check box is off, so ticking it later never
  // brings an unchecked value into a conversion.
  if (centerline || lines) {
    r = Limit(s.uniformWeight, 0, 1200, msg::kUniformWeightRange, SettingsField::kUniformWeight);
    if (!r.ok()) return r;
  }
  return {};
}

ValidationResult ValidateColorSetup(ConversionSettings& s, bool grayImageOpen) {
  ValidationResult r;
  if (s.has(kColorConversion)) {
    r = Limit(s.complexity, 2, 20, msg::kComplexityRange, SettingsField::kComplexity);
    if (!r.ok()) return r;
    // The maximum is read back from its field only in the Limited Colors mode.
    if (DerivePosterizationMode(s, grayImageOpen) == PosterizationMode::kLimitedColors) {
      r = Limit(s.maxColors, 2, 255, msg::kMaxColorsRange, SettingsField::kMaxColors);
      if (!r.ok()) return r;
    }
    for (Flag f : kTwoColorOnly) {
      if (s.has(f)) return {msg::kIncompatibleMethod, SettingsField::kNone, 0, true};
    }
    return {};
  }
  if (s.has(kContrastMode)) {
    r = Limit(s.contrast, 0, 100, msg::kPercentRange, SettingsField::kContrast);
    if (!r.ok()) return r;
    if (s.has(kBoost)) {
      r = Limit(s.boostPercent, 0, 100, msg::kPercentRange, SettingsField::kBoostPercent);
      if (!r.ok()) return r;
    }
    return {};
  }
  return Limit(s.threshold, 0, 100, msg::kPercentRange, SettingsField::kThreshold);
}

void AnswerIncompatibleMethod(ConversionSettings& s, int answer) {
  if (answer == platform::kAnswerOk) {
    for (Flag f : kTwoColorOnly) s.set(f, false);
    s.set(kMethodOutline, true);
  } else {
    s.set(kColorConversion, false);
  }
}

int SetMethodOption(ConversionSettings& s, Flag option, bool on) {
  if (on && s.has(kColorConversion) && NeedsBlackAndWhite(option)) {
    return msg::kPosterizationOffQuestion;
  }
  s.set(option, on);
  return 0;
}

bool AnswerPosterizationOff(ConversionSettings& s, Flag option, int answer) {
  if (answer != platform::kAnswerOk) return s.has(option);
  s.set(kColorConversion, false);
  s.set(option, true);
  return true;
}

}  // namespace vl::settings
