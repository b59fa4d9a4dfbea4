// The two default sets of the setup dialogs, and the posterization mode that the colour dialog's
// "Posterization:" list shows, derived from and written back into the record's flags.
#pragma once

#include "settings/conversion_settings.h"

namespace vl::settings {

// Entries of the "Posterization:" list, numbered as the list shows them.
enum class PosterizationMode : int {
  kLimitedColors = 1,     // "Limited Colors"
  kUnlimitedColors = 2,   // "Unlimited Colors"
  kUseCustomColors = 3,   // "Use Custom Colors"
  kBlackAndWhiteOnly = 4, // "Black & White Only"
};

// Conversion Setup "Defaults": methods, tolerances and line options; colour fields untouched.
void setConversionDefaults(ConversionSettings& s);
// Color/Grayscale Setup "Defaults": black and white conversion with threshold and colour
// averaging on; methods and tolerances untouched.
void setColorDefaults(ConversionSettings& s);

// The mode the flags select. A gray scale image has no use for custom colours, so while one is
// open the custom-colours mode is shown as Limited or Unlimited, after limitedColors.
PosterizationMode DerivePosterizationMode(const ConversionSettings& s, bool grayImageOpen);

// Sets the flags for a chosen list entry and returns the entry actually selected: choosing
// custom colours with a gray scale image open selects black and white instead. The custom
// entry leaves limitedColors as it was, so switching back restores the previous choice.
PosterizationMode ChoosePosterizationMode(ConversionSettings& s, PosterizationMode entry,
                                          bool grayImageOpen);

}  // namespace vl::settings
