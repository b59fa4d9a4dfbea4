// The custom colour table's files.
#include "app/color_table_actions.h"

#include <filesystem>

#include "art/custom_color_export.h"
#include "base/message_table.h"
#include "settings/preferences_store.h"

namespace vl::app {

namespace {
void SyncColorCount(Program& program) {
  program.livePrefs.customColorCount = static_cast<std::int16_t>(program.customColors.colors.size());
}
}  // namespace

bool LoadStartupColors(Program& program, const std::string& folder, bool askWhenMissing) {
  base::Runtime rt = program.runtime();
  const art::StartupColors result =
      art::loadDefaultCustomColors(rt, program.customColors, folder, askWhenMissing);
  SyncColorCount(program);
  return result != art::StartupColors::kFailed;
}

bool InstallFirstStartColors(Program& program, const std::string& folder) {
  if (folder.empty()) return false;
  const std::filesystem::path dir(folder);
  const std::filesystem::path file = dir / std::string(msg::Text(msg::kDefaultColorFileName));
  std::error_code error;
  if (std::filesystem::exists(file, error)) return true;
  if (std::filesystem::exists(dir / settings::kPrefsFileName, error)) return false;
  std::filesystem::create_directories(dir, error);
  base::Runtime rt = program.runtime();
  art::CustomColorTable builtIn;
  return art::addBuiltInColors(rt, builtIn) &&
         art::exportCustomColors(rt, file.string(), builtIn.colors, false);
}

bool LoadRequestedColors(Program& program, bool builtIn, const std::string& path) {
  base::Runtime rt = program.runtime();
  bool ok = true;
  if (builtIn) ok = art::addBuiltInColors(rt, program.customColors);
  if (ok && !path.empty()) {
    const art::ColorFileRead read = art::ReadColorFile(path);
    if (read.result == art::ColorFileResult::kRead && read.colors.empty()) {
      base::ShowMessage(rt, msg::kColorFileEmpty);
      ok = false;
    } else if (read.result != art::ColorFileResult::kRead) {
      art::ColorFileOutcome outcome;
      outcome.result = read.result;
      outcome.line = read.line;
      program.ui->showMessage(art::ColorFileMessage(outcome));
      ok = false;
    } else {
      ok = art::MergeColors(rt, program.customColors, read.colors).loaded();
    }
  }
  SyncColorCount(program);
  return ok;
}

bool ExportColors(Program& program, const std::string& path, bool taggedOnly) {
  base::Runtime rt = program.runtime();
  return art::exportCustomColors(rt, path, program.customColors.colors, taggedOnly);
}

}  // namespace vl::app
