// The custom colour table's files.
#include "app/color_table_actions.h"

#include "art/custom_color_export.h"
#include "base/message_table.h"

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
