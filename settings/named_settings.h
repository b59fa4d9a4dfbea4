// Named settings: complete conversion settings records kept under a name, at most 500, one of
// them always "Defaults". Names are compared byte for byte (case matters) and sorted in byte
// order. The list is a plain vector owned by the program record.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/conversion_settings.h"
#include "settings/preferences.h"

namespace vl::settings {

using NamedSettings = std::vector<ConversionSettings>;

constexpr std::size_t kMaxSettingsNameChars = 31;  // the 32-byte name field ends with a NUL

std::string_view NameOf(const ConversionSettings& s);
// Clears the name field to 32 zero bytes and puts `name` (cut to 31 bytes) in it.
void SetName(ConversionSettings& s, std::string_view name);

// Grows the list by one record and returns it for the caller to fill; none when memory ran out.
ConversionSettings* appendSetting(NamedSettings& list);
// The first record named `name` exactly; none when no record carries it.
ConversionSettings* findSetting(NamedSettings& list, std::string_view name);
const ConversionSettings* findSetting(const NamedSettings& list, std::string_view name);
// Removes the record (one of the list's), moving the following ones down.
void deleteSetting(NamedSettings& list, const ConversionSettings* record);
// Sorts by name in plain byte order ("Fine" before "fine").
void sortSettings(NamedSettings& list);
// An empty list gets the one record "Defaults", made from both default sets.
void ensureDefaults(NamedSettings& list);
// The record the program starts with: the one named in the preferences when "Restore Selected
// Settings on Startup" is on, otherwise "Defaults"; copied into `active` when found.
void selectStartupSetting(const Preferences& prefs, NamedSettings& list,
                          ConversionSettings& active);

// The outcome of an edit from outside the dialog: 0 done, otherwise the message number that
// says why nothing changed.
struct [[nodiscard]] SettingsEdit {
  int message = 0;
  bool ok() const { return message == 0; }
};

// Stores `values` under `name`: replaces the record of that name, or adds one (the list stays
// sorted). Refused: an empty, reserved ("New Option") or too long name, "Defaults" (it always
// holds the default sets), and a new name when 500 settings exist.
SettingsEdit StoreSetting(NamedSettings& list, std::string_view name,
                          const ConversionSettings& values);
// Removes the setting `name`. Refused for "Defaults" and for a name no record carries.
SettingsEdit RemoveSetting(NamedSettings& list, std::string_view name);

// The summary the Settings dialog shows for a record, one "label value" line per entry,
// decimals with `decimalSeparator`.
std::vector<std::string> SettingsSummary(const ConversionSettings& s, char decimalSeparator);

}  // namespace vl::settings
