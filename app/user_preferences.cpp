// Reading the preferences at start and applying the fields the command line uses.
#include "app/user_preferences.h"

#include "base/message_table.h"
#include "platform/config_folder.h"
#include "platform/scratch_folder.h"

namespace vl::app {

UserPreferences ReadUserPreferences() {
  UserPreferences prefs;
  prefs.folder = platform::ConfigFolder();
  prefs.report = settings::LoadPreferences(prefs.folder, prefs.live, prefs.named, prefs.active);
  return prefs;
}

void ShowLoadReport(const settings::PrefsLoadReport& report, platform::UserInterface& ui) {
  const auto damaged = [&ui](int message, const std::string& keptAs) {
    ui.showMessage(msg::Text(message));
    if (!keptAs.empty()) ui.showMessage(msg::Format(msg::kDamagedFileKept, keptAs.c_str()));
  };
  if (report.upgraded) ui.showMessage(msg::Text(msg::kConvertingOldPrefs));
  if (report.prefsInvalid) damaged(msg::kInvalidPrefsFile, report.prefsKeptAs);
  if (report.settingsInvalid) damaged(msg::kInvalidSettingsFile, report.settingsKeptAs);
}

ArtFormat PreferredFormat(const settings::Preferences& prefs) {
  ArtFormat format;
  if (prefs.saveFormat >= art::kFormatGq11 && prefs.saveFormat <= art::kFormatDxf) {
    format.format = prefs.saveFormat;
    if (prefs.saveFormat <= art::kFormatGq5 && prefs.epsPreview >= art::kPreviewNone &&
        prefs.epsPreview <= art::kPreviewTiffColor) {
      format.preview = prefs.epsPreview;
    }
  }
  return format;
}

ParseContext ContextFor(const UserPreferences& prefs) {
  ParseContext context;
  context.start = prefs.active;
  context.named = &prefs.named;
  context.defaultFormat = PreferredFormat(prefs.live);
  return context;
}

std::string ScratchBaseFor(const settings::Preferences& prefs) {
  return prefs.scratchFolder[0] != '\0' ? std::string(prefs.scratchFolder)
                                        : platform::DefaultScratchBase();
}

void ApplyPreferences(Program& program, const UserPreferences& prefs,
                      const ConvertRequest& request) {
  program.livePrefs = prefs.live;
  program.namedSettings = prefs.named;
  program.app.beepAfterConversion = (prefs.live.prefFlagsA & settings::kBeepAfterConversions) != 0;
  const std::int32_t limit = request.maxPaths ? *request.maxPaths : prefs.live.maxPaths();
  program.artwork.maxPaths = limit <= 0 ? std::numeric_limits<std::int32_t>::max() : limit;
  program.fitMode = request.closeFit.value_or(prefs.live.closeFit()) ? engine::FitMode::kClose
                                                                     : engine::FitMode::kDefault;
}

}  // namespace vl::app
