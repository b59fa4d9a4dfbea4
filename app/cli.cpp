// Running the command line: open, convert, write, with Ctrl+C as the Stop button and an output
// file that appears only when it is complete.
#include "app/cli.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/art_file_replace.h"
#include "app/batch.h"
#include "app/cli_options.h"
#include "app/color_table_actions.h"
#include "app/document_actions.h"
#include "app/document_names.h"
#include "app/settings_command.h"
#include "app/user_preferences.h"
#include "app/edit_commands.h"
#include "base/message_table.h"
#include "app/program.h"
#include "platform/file_io.h"
#include "platform/headless_ui.h"
#include "platform/scratch_folder.h"

namespace vl::app {

namespace {

// The terminal backend, remembering whether Ctrl+C was pressed: also one that came after the
// conversion's last abort poll (or during the read or the write) must end with status 130.
class TerminalUi : public platform::HeadlessUi {
 public:
  using HeadlessUi::HeadlessUi;
  bool drainEvents() override {
    const bool stop = HeadlessUi::drainEvents();
    interrupted_ = interrupted_ || stop;
    return stop;
  }
  // Also counts a Ctrl+C that arrived after the last poll.
  bool interrupted() {
    drainEvents();
    return interrupted_;
  }

 private:
  bool interrupted_ = false;
};

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// Copies `from` to its end into `to`. False when a write fell short.
bool CopyAll(platform::FileHandle from, platform::FileHandle to) {
  std::vector<std::uint8_t> buffer(std::size_t{1} << 16);
  for (std::size_t got = 0; (got = platform::ReadBytes(from, buffer.data(), buffer.size())) > 0;) {
    if (platform::WriteBytes(to, buffer.data(), got) != got) return false;
  }
  return true;
}

// Marks the area to convert. False after a line on stderr when the area misses the image or
// the selection failed (its message shown).
bool SelectArea(Program& program, Document& doc, const AreaSelection& area) {
  const image::RasterImage& image = program.image;
  const char* name = area.kind == AreaSelection::Kind::kRectangle ? "--select-rect" : "--select-wand";
  if (area.kind == AreaSelection::Kind::kWholeImage) return true;
  if (area.x >= image.width || area.y >= image.height) {
    std::fprintf(stderr, "vectorlume: %s: (%d, %d) lies outside the %d x %d image\n", name,
                 int(area.x), int(area.y), int(image.width), int(image.height));
    return false;
  }
  EditResult r = EditResult::kNothing;
  if (area.kind == AreaSelection::Kind::kRectangle) {
    r = MarqueeSelect(program, doc, area.x, area.y, area.x + area.width - 1,
                      area.y + area.height - 1, image::kSelectNew);
  } else {
    if (area.tolerance >= 0) program.wand.tolerance = area.tolerance;
    r = MagicWandClick(program, doc, area.x, area.y, image::kSelectNew);
  }
  return r == EditResult::kDone;
}

// Standard input copied whole into the scratch folder: the readers seek, and a pipe cannot.
// The copy's path, or empty after the message when it could not be made.
std::string CopyStandardInput(Program& program) {
  const std::string path = program.scratchFolder + "stdin";
  platform::FileHandle copy = platform::EnsureFolder(program.scratchFolder)
                                  ? platform::CreateFile(path)
                                  : platform::kNoFile;
  const bool ok = copy != platform::kNoFile && CopyAll(STDIN_FILENO, copy);
  platform::CloseFile(copy);
  if (ok) return path;
  program.ui->showMessage(msg::Text(msg::kStdinReadFailed));
  return {};
}

// The art written whole into the scratch folder first, then copied to standard output, so a
// failed or stopped conversion writes nothing there.
bool WriteStandardOutput(Program& program, Document& doc, TerminalUi& ui,
                         const ConvertRequest& request) {
  const std::string extension(ExtensionForFormat(request.format));
  const std::string path = program.scratchFolder + "stdout" + extension;
  // The art's title: the input's name with the art's extension.
  const std::string title = request.input == kStandardStream
                                ? "stdin" + extension
                                : ReplaceExtension(request.input, extension);
  if (!platform::EnsureFolder(program.scratchFolder) ||
      !WriteArtFile(program, doc, path, title, request.format) || ui.interrupted()) {
    return false;
  }
  platform::FileHandle art = platform::OpenFileForReading(path);
  const bool ok = art != platform::kNoFile && CopyAll(art, STDOUT_FILENO);
  platform::CloseFile(art);
  platform::DeleteFile(path);
  if (!ok) program.ui->showMessage(msg::Text(msg::kStdoutWriteFailed));
  return ok;
}

int Convert(const ConvertRequest& request, const UserPreferences& prefs) {
  const bool fromStdin = request.input == kStandardStream;
  const bool toStdout = request.output == kStandardStream;
  if (!fromStdin && !toStdout && SameFile(request.input, request.output)) {
    std::fprintf(stderr, "vectorlume: the output %s is the input file; choose another with -o\n",
                 request.output.c_str());
    return kExitUsage;
  }
  // From here on Ctrl+C asks the running operation to stop instead of ending the process in
  // the middle of a write.
  platform::HeadlessUi::InstallInterruptHandler();
  auto backend = std::make_unique<TerminalUi>(request.quiet ? nullptr : stderr);
  TerminalUi& ui = *backend;
  if (!request.quiet) ShowLoadReport(prefs.report, ui);
  Program program(std::move(backend), ScratchBaseFor(prefs.live));
  ApplyPreferences(program, prefs, request);
  platform::RemoveStaleScratchFolders(ScratchBaseFor(prefs.live));
  program.activeSettings = request.settings;
  program.dialogSettings = request.settings;
  program.app.unattendedSave = true;  // the command line never asks

  // A damaged start-up colour file is reported and left out, as damaged preferences are; a
  // colour file asked for on the command line must load, or nothing is converted.
  if (!prefs.folder.empty()) static_cast<void>(LoadStartupColors(program, prefs.folder, false));
  if (!LoadRequestedColors(program, request.builtinColors, request.customColorsFile)) {
    platform::RemoveScratchFolder(program.scratchFolder);
    return kExitFailure;
  }

  Document doc;
  int status = kExitOk;
  const std::string input = fromStdin ? CopyStandardInput(program) : request.input;
  if (input.empty()) {
    status = kExitFailure;
  } else if (const image::ReadOutcome opened = OpenDocument(program, doc, input);
      !opened.read()) {
    status = opened.result == image::ReadResult::kStopped ? kExitInterrupted : kExitFailure;
  } else {
    // An empty art ("No paths found") and discarded short paths are written like any other;
    // a refusal, a failure or a stop leaves no art to write.
    // Ctrl+C after the conversion's last poll still means the user wants no output.
    // Levels clean the scan first; rows left in the file are read through the tone table.
    static_cast<void>(image::applyLevels(program.image, request.levels));
    if (!SelectArea(program, doc, request.area)) {
      CloseDocument(program, doc);
      platform::RemoveScratchFolder(program.scratchFolder);
      return ui.interrupted() ? kExitInterrupted : kExitFailure;
    }
    const engine::ConversionOutcome outcome = ConvertDocument(program, doc);
    if (outcome.ranToEnd() && request.smoothPathsLevel != kNoSmoothing)
      static_cast<void>(SmoothPathsCommand(program, doc, request.smoothPathsLevel));
    if (outcome.ranToEnd() && request.smoothDirectionLevel != kNoSmoothing)
      static_cast<void>(SmoothDirectionPointsCommand(program, doc, request.smoothDirectionLevel));
    if (outcome.result == engine::ConversionResult::kStopped || ui.interrupted()) {
      status = kExitInterrupted;
    } else if (!outcome.ranToEnd()) {
      status = kExitFailure;
    } else if (toStdout ? !WriteStandardOutput(program, doc, ui, request)
                        : WriteArtReplacing(program, doc, request.output, request.format,
                                            [&ui] { return ui.interrupted(); }) !=
                              ReplaceOutcome::kWritten) {
      status = ui.interrupted() ? kExitInterrupted : kExitFailure;
    } else if (!request.exportColorsFile.empty() &&
               !ExportColors(program, request.exportColorsFile, false)) {
      // The command line sets no tags: every colour is exported.
      status = kExitFailure;
    }
  }
  CloseDocument(program, doc);
  platform::RemoveScratchFolder(program.scratchFolder);
  return status;
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (!args.empty() && args[0] == "batch") return RunBatchCommand({args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "settings")
    return RunSettingsCommand({args.begin() + 1, args.end()});
  // Read at start, written only by the settings command.
  const UserPreferences prefs = ReadUserPreferences();
  const CommandLine line = ParseCommandLine(args, ContextFor(prefs));
  switch (line.action) {
    case CommandLine::Action::kHelp:
      std::fputs(HelpText().c_str(), stdout);
      return kExitOk;
    case CommandLine::Action::kVersion:
      std::puts(VersionText().c_str());
      return kExitOk;
    case CommandLine::Action::kUsageError:
      std::fprintf(stderr, "vectorlume: %s\n", line.error.c_str());
      return kExitUsage;
    case CommandLine::Action::kConvert:
      break;
  }
  return Convert(line.request, prefs);
}

}  // namespace vl::app
