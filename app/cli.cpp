// Running the command line: open, convert, write, with Ctrl+C as the Stop button and an output
// file that appears only when it is complete.
#include "app/cli.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/cli_options.h"
#include "app/document_actions.h"
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

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Where the art finally goes: what a symbolic link points to, so the link itself stays.
std::string ResolvedTarget(const std::string& path) {
  struct stat link {};
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string out = resolved;
  std::free(resolved);
  return out;
}

// Writes the art into a hidden file beside the target and renames it over the target only
// when the save completed and nobody pressed Ctrl+C meanwhile, so a stopped or failed save
// leaves no file behind and an existing file untouched. Devices and pipes are written
// directly. False when nothing was written.
bool WriteOutput(Program& program, Document& doc, TerminalUi& ui, const ConvertRequest& request) {
  const std::string target = ResolvedTarget(request.output);
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
    return WriteArtFile(program, doc, target, request.output, request.format);
  }

  std::string pattern = FolderOf(target) + "/.vectorlume-part-XXXXXX";
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    program.ui->showMessage(msg::Text(msg::kDiskFullOrLocked));
    return false;
  }
  ::close(fd);
  const std::string temporary = pattern;
  bool ok = WriteArtFile(program, doc, temporary, request.output, request.format) &&
            !ui.interrupted();
  const mode_t mode = exists ? (existing.st_mode & 07777) : 0644;
  if (ok && (::chmod(temporary.c_str(), mode) != 0 ||
             ::rename(temporary.c_str(), target.c_str()) != 0)) {
    program.ui->showMessage(msg::Text(msg::kDiskFullOrLocked));
    ok = false;
  }
  if (!ok) platform::DeleteFile(temporary);
  return ok;
}

int Convert(const ConvertRequest& request) {
  if (SameFile(request.input, request.output)) {
    std::fprintf(stderr, "vectorlume: the output %s is the input file; choose another with -o\n",
                 request.output.c_str());
    return kExitUsage;
  }
  // From here on Ctrl+C asks the running operation to stop instead of ending the process in
  // the middle of a write.
  platform::HeadlessUi::InstallInterruptHandler();
  auto backend = std::make_unique<TerminalUi>(request.quiet ? nullptr : stderr);
  TerminalUi& ui = *backend;
  Program program(std::move(backend));
  platform::RemoveStaleScratchFolders(platform::DefaultScratchBase());
  program.activeSettings = request.settings;
  program.dialogSettings = request.settings;
  program.app.unattendedSave = true;  // the command line never asks

  Document doc;
  int status = kExitOk;
  if (const image::ReadOutcome opened = OpenDocument(program, doc, request.input);
      !opened.read()) {
    status = opened.result == image::ReadResult::kStopped ? kExitInterrupted : kExitFailure;
  } else {
    // An empty art ("No paths found") and discarded short paths are written like any other;
    // a refusal, a failure or a stop leaves no art to write.
    // Ctrl+C after the conversion's last poll still means the user wants no output.
    // Levels clean the scan first; rows left in the file are read through the tone table.
    static_cast<void>(image::applyLevels(program.image, request.levels));
    const engine::ConversionOutcome outcome = ConvertDocument(program, doc);
    if (outcome.result == engine::ConversionResult::kStopped || ui.interrupted()) {
      status = kExitInterrupted;
    } else if (!outcome.ranToEnd()) {
      status = kExitFailure;
    } else if (!WriteOutput(program, doc, ui, request)) {
      status = ui.interrupted() ? kExitInterrupted : kExitFailure;
    }
  }
  CloseDocument(program, doc);
  platform::RemoveScratchFolder(program.scratchFolder);
  return status;
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const CommandLine line = ParseCommandLine(args);
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
  return Convert(line.request);
}

}  // namespace vl::app
