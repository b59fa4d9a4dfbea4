// The checks behind the OK buttons of Conversion Setup and Color/Grayscale Setup, and the two
// questions that changing a method or posterization can raise. Every front end (dialogs,
// command line, batch) goes through these, so they return values and leave showing the
// message, focusing the field and asking the question to the caller.
#pragma once

#include <cstdint>

#include "settings/conversion_settings.h"

namespace vl::settings {

// The control a failed check points at (the dialog puts the focus there).
enum class SettingsField {
  kNone,
  kMethod,  // the method check boxes
  kNoiseSuppression,
  kLineThinning,
  kTolerance,
  kStraightToCurved,
  kUniformWeight,
  kComplexity,
  kMaxColors,
  kContrast,
  kBoostPercent,
  kThreshold,
};

struct ValidationResult {
  int message = 0;                              // message-table number; 0: the record passed
  SettingsField field = SettingsField::kNone;
  std::int32_t correctedValue = 0;              // the bound now in the record, in the field's units
  bool question = false;  // the message is an OK/Cancel question; see AnswerIncompatibleMethod
  bool ok() const { return message == 0; }
};

// Conversion Setup OK: the first value out of range for the methods in use is set to the
// nearest bound and reported (messages 130, 28, 29, 42, 52, 30). A failure keeps the dialog open.
ValidationResult ValidateConversionSetup(ConversionSettings& s);

// Color/Grayscale Setup OK: complexity and the maximum number of colours when posterizing,
// otherwise the percentages of the threshold or contrast mode (messages 257, 68, 41). When
// they pass but a method that only works on two colours is on while posterizing, the result is
// the question of message 59 (question = true): ask it and pass the answer on.
ValidationResult ValidateColorSetup(ConversionSettings& s, bool grayImageOpen);

// Message 59 answered (platform::kAnswerOk or kAnswerCancel; anything else counts as Cancel,
// the box's default). OK switches to Outline alone; Cancel turns posterization off. Either way
// the dialog stays open for another look.
void AnswerIncompatibleMethod(ConversionSettings& s, int answer);

// A Conversion Setup check box changed. Turning on an option that only works in black and
// white conversion while posterizing needs the question of message 129 first: the option is
// then left off and 129 is returned. Otherwise the bit is set as asked and 0 is returned.
int SetMethodOption(ConversionSettings& s, Flag option, bool on);

// Message 129 answered: OK turns posterization off and `option` on; Cancel (or anything but
// OK) leaves it off. Returns whether the option is now on.
bool AnswerPosterizationOff(ConversionSettings& s, Flag option, int answer);

}  // namespace vl::settings
