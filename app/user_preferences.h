// The preferences as the command line uses them: read once at start from the configuration
// folder, turned into the parser's starting point, the art format, the scratch folder and the
// path limit; written only by the settings command.
#pragma once

#include <string>

#include "app/cli_options.h"
#include "app/program.h"
#include "platform/user_interface.h"
#include "settings/preferences_store.h"

namespace vl::app {

struct UserPreferences {
  std::string folder;  // the configuration folder ("" when there is none)
  settings::Preferences live;
  settings::NamedSettings named;
  settings::ConversionSettings active;  // the setting chosen at start
  settings::PrefsLoadReport report;
};

// Reads both files from the configuration folder (nothing is written).
UserPreferences ReadUserPreferences();

// Shows what loading found (damaged files, an old version) through `ui`.
void ShowLoadReport(const settings::PrefsLoadReport& report, platform::UserInterface& ui);

// The art format the preferences choose: saveFormat with epsPreview.
ArtFormat PreferredFormat(const settings::Preferences& prefs);

// The parser's starting point: the setting in force, the named settings, the preferred format.
ParseContext ContextFor(const UserPreferences& prefs);

// The scratch base: the preferences' scratch folder when set, else the system's.
std::string ScratchBaseFor(const settings::Preferences& prefs);

// Hands the preferences to the program record and applies the path limit: the request's
// --max-paths over the preferences' own (0 and the unlimited mark: no limit but memory),
// and the fit mode: --fit's, else the preferences' own.
void ApplyPreferences(Program& program, const UserPreferences& prefs,
                      const ConvertRequest& request);

}  // namespace vl::app
