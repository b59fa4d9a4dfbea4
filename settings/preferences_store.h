// The preferences file "VL.PRF" and the settings file "VL.SET" on disk, in the configuration
// folder. Reading never fails as a whole: a missing file means defaults, a damaged one is
// reported, moved aside as "<name>.bad" (so it is reported once and its bytes are not lost)
// and replaced by defaults. Writing is atomic: a crash never leaves half a file.
#pragma once

#include <string>

#include "settings/named_settings.h"
#include "settings/preferences.h"

namespace vl::settings {

constexpr const char* kPrefsFileName = "VL.PRF";
constexpr const char* kSettingsFileName = "VL.SET";

// What loading found; the caller shows the messages.
struct [[nodiscard]] PrefsLoadReport {
  bool prefsInvalid = false;                // message 40
  bool settingsInvalid = false;             // message 83
  bool upgraded = false;                    // message 361: a version-1 file was read
  std::string prefsKeptAs, settingsKeptAs;  // where a damaged file went ("" when it stayed)
};

// loadPreferences: defaults, then the preferences file, then the settings file; "Defaults" is
// made when no named setting exists, and the startup setting is copied into `active`.
// `folder` empty: defaults only.
PrefsLoadReport LoadPreferences(const std::string& folder, Preferences& live, NamedSettings& named,
                                ConversionSettings& active);

// Writes one of the files (the preferences file without records, the settings file with all of
// them), creating the folder when needed. 0 when written; otherwise the message number (39 or
// 82) and the previous file is untouched.
[[nodiscard]] int SavePrefsFile(const std::string& folder, const Preferences& live,
                                const NamedSettings& named, bool isSettingsFile);

// The conversion defaults under the name "Defaults".
ConversionSettings DefaultSettingsRecord();

}  // namespace vl::settings
