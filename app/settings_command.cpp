// The `settings` command: the named settings and the preferences from the terminal. It is the
// only command that writes the preferences and settings files, and only when asked.
#include "app/settings_command.h"

#include <cstdio>
#include <cstring>

#include "app/art_format_names.h"
#include "app/user_preferences.h"
#include "base/message_table.h"
#include "platform/headless_ui.h"

namespace vl::app {
namespace {

constexpr char kDecimalPoint = '.';

int Usage(const std::string& error) {
  std::fprintf(stderr, "vectorlume: %s\n", error.c_str());
  return kExitUsage;
}

int Refused(int message) {
  std::fprintf(stderr, "vectorlume: %s\n", msg::Text(message).data());
  return kExitFailure;
}

int Save(const UserPreferences& prefs, bool isSettingsFile) {
  if (prefs.folder.empty()) {
    return Usage("no configuration folder: set HOME or XDG_CONFIG_HOME");
  }
  const int failed = settings::SavePrefsFile(prefs.folder, prefs.live, prefs.named, isSettingsFile);
  return failed == 0 ? kExitOk : Refused(failed);
}

int List(UserPreferences& prefs) {
  settings::sortSettings(prefs.named);
  for (const settings::ConversionSettings& s : prefs.named) {
    std::printf("%s\n", std::string(settings::NameOf(s)).c_str());
  }
  return kExitOk;
}

int Show(const UserPreferences& prefs, const std::string& name) {
  const settings::ConversionSettings* s = settings::findSetting(prefs.named, name);
  if (s == nullptr) return Refused(msg::kNoSuchSetting);
  std::printf("%s\n", name.c_str());
  for (const std::string& line : settings::SettingsSummary(*s, kDecimalPoint))
    std::printf("%s\n", line.c_str());
  return kExitOk;
}

// `save NAME [options]`: the record convert would use with the same options.
int SaveNamed(UserPreferences& prefs, const std::string& name,
              const std::vector<std::string>& options) {
  for (const std::string& o : options) {
    for (const char* output : {"-o", "--output", "--format", "--preview", "--max-paths", "--fit"}) {
      if (o == output || o.starts_with(std::string(output) + "="))
        return Usage(o + " is not part of a named setting");
    }
  }
  std::vector<std::string> args = {"convert", "settings-input"};
  args.insert(args.end(), options.begin(), options.end());
  const CommandLine line = ParseCommandLine(args, ContextFor(prefs));
  if (line.action == CommandLine::Action::kUsageError) return Usage(line.error);
  if (const settings::SettingsEdit edit =
          settings::StoreSetting(prefs.named, name, line.request.settings);
      !edit.ok()) {
    return Refused(edit.message);
  }
  return Save(prefs, true);
}

int DeleteNamed(UserPreferences& prefs, const std::string& name) {
  if (const settings::SettingsEdit edit = settings::RemoveSetting(prefs.named, name); !edit.ok())
    return Refused(edit.message);
  return Save(prefs, true);
}

bool ReadOnOff(const std::string& text, bool& out) {
  if (text == "on" || text == "yes") return out = true, true;
  if (text == "off" || text == "no") return out = false, true;
  return false;
}

void SetFlag(std::uint8_t& flags, std::uint8_t bit, bool on) {
  flags = static_cast<std::uint8_t>(on ? (flags | bit) : (flags & ~bit));
}

void ShowPreferences(const settings::Preferences& p) {
  const ArtFormat format = PreferredFormat(p);
  std::printf("art format: %s (extension %s)\n",
              format.format == art::kFormatEmf      ? "emf"
              : format.format == art::kFormatDxf    ? "dxf"
              : format.preview == art::kPreviewNone ? "gq"
                                                    : "eps",
              std::string(ExtensionForFormat(format)).c_str());
  const std::int32_t limit = p.maxPaths();
  std::printf("max paths: %s\n",
              limit == settings::kMaxPathsUnlimited ? "no limit" : std::to_string(limit).c_str());
  std::printf("fit: %s\n", p.closeFit() ? "close" : "default");
  std::printf("scratch folder: %s\n", ScratchBaseFor(p).c_str());
  std::printf("batch output to source folder: %s\n",
              (p.prefFlagsA & settings::kBatchOutputToSource) ? "on" : "off");
  std::printf("batch replaces existing files: %s\n",
              (p.prefFlagsB & settings::kBatchReplaceFiles) ? "on" : "off");
  std::printf("restore selected settings on startup: %s (%s)\n",
              (p.prefFlagsA & settings::kRestoreSelectedSettings) ? "on" : "off",
              p.selectedSettingsName);
}

// `preferences [--format F] [--preview K] [--max-paths N] [--fit default|close] [--scratch FOLDER]
// [--batch-to-source on|off] [--batch-replace on|off] [--use-settings NAME|--no-use-settings]`
int EditPreferences(UserPreferences& prefs, const std::vector<std::string>& options) {
  if (options.empty()) {
    ShowPreferences(prefs.live);
    return kExitOk;
  }
  settings::Preferences& p = prefs.live;
  for (std::size_t i = 0; i < options.size(); ++i) {
    const std::string& name = options[i];
    if (i + 1 >= options.size()) return Usage(name + " needs a value");
    const std::string& value = options[++i];
    bool on = false;
    if (name == "--format" || name == "--preview") {
      // Convert's own reading of the names, from the format in force.
      std::vector<std::string> args = {"convert", "x", name, value};
      if (name == "--preview") args.insert(args.end(), {"--format", "eps"});
      ParseContext context = ContextFor(prefs);
      const CommandLine line = ParseCommandLine(args, context);
      if (line.action == CommandLine::Action::kUsageError) return Usage(line.error);
      if (line.request.format.svg) return Usage("the preferences hold GQ, EPS, EMF or DXF only");
      p.saveFormat = static_cast<std::int16_t>(line.request.format.format);
      p.epsPreview = static_cast<std::int16_t>(line.request.format.preview);
    } else if (name == "--max-paths") {
      const CommandLine line = ParseCommandLine({"convert", "x", name, value});
      if (line.action == CommandLine::Action::kUsageError) return Usage(line.error);
      p.setMaxPaths(*line.request.maxPaths);
    } else if (name == "--fit") {
      const CommandLine line = ParseCommandLine({"convert", "x", name, value});
      if (line.action == CommandLine::Action::kUsageError) return Usage(line.error);
      p.setCloseFit(*line.request.closeFit);
    } else if (name == "--scratch") {
      if (value.size() >= settings::kFolderBytes)
        return Usage("--scratch: the folder name is too long");
      if (!value.empty() && value[0] != '/') return Usage("--scratch expects an absolute folder");
      std::memset(p.scratchFolder, 0, sizeof p.scratchFolder);
      std::memcpy(p.scratchFolder, value.data(), value.size());
    } else if (name == "--batch-to-source" && ReadOnOff(value, on)) {
      SetFlag(p.prefFlagsA, settings::kBatchOutputToSource, on);
    } else if (name == "--batch-replace" && ReadOnOff(value, on)) {
      SetFlag(p.prefFlagsB, settings::kBatchReplaceFiles, on);
    } else if (name == "--use-settings") {
      if (settings::findSetting(prefs.named, value) == nullptr) return Refused(msg::kNoSuchSetting);
      SetFlag(p.prefFlagsA, settings::kRestoreSelectedSettings,
              value != msg::Text(msg::kDefaultsName));
      std::memset(p.selectedSettingsName, 0, sizeof p.selectedSettingsName);
      std::memcpy(p.selectedSettingsName, value.data(),
                  std::min(value.size(), sizeof p.selectedSettingsName - 1));
    } else {
      return Usage("unknown preference " + name + " " + value);
    }
  }
  return Save(prefs, false);
}

}  // namespace

std::string SettingsHelp() {
  return R"(Settings (vectorlume settings ...), kept in $XDG_CONFIG_HOME/vectorlume (else
~/.config/vectorlume) and written only by these commands:
  list                      the named settings
  show NAME                 what the setting NAME holds
  save NAME [options]       stores convert's options (over --settings BASE, else the
                            setting in force) as NAME, replacing a setting of that name
  delete NAME               removes the setting NAME ("Defaults" always stays)
  preferences [--format F] [--preview K] [--max-paths N] [--fit default|close]
      [--scratch FOLDER] [--batch-to-source on|off] [--batch-replace on|off]
      [--use-settings NAME]
                            shows the preferences, or changes the ones given
)";
}

int RunSettingsCommand(const std::vector<std::string>& args) {
  UserPreferences prefs = ReadUserPreferences();
  {
    platform::HeadlessUi ui(stderr);
    ShowLoadReport(prefs.report, ui);
  }
  if (args.empty()) return Usage("settings needs list, show, save, delete or preferences");
  const std::string& what = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (what == "--help" || what == "-h") {
    std::fputs(SettingsHelp().c_str(), stdout);
    return kExitOk;
  }
  if (what == "list" && rest.empty()) return List(prefs);
  if (what == "show" && rest.size() == 1) return Show(prefs, rest[0]);
  if (what == "save" && !rest.empty())
    return SaveNamed(prefs, rest[0], {rest.begin() + 1, rest.end()});
  if (what == "delete" && rest.size() == 1) return DeleteNamed(prefs, rest[0]);
  if (what == "preferences") return EditPreferences(prefs, rest);
  return Usage(
      "settings expects list, show NAME, save NAME [options], delete NAME or "
      "preferences [options]");
}

}  // namespace vl::app
