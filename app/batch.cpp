// Running a batch: each file is opened, converted, written and closed by a fresh program record,
// in this process (-j 1) or in forked worker processes that take one file at a time from the
// parent and send back what became of it. The parent alone prints, in list order.
#include "app/batch.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "app/art_file_replace.h"
#include "app/color_table_actions.h"
#include "app/document_actions.h"
#include "app/user_preferences.h"
#include "base/message_table.h"
#include "platform/config_folder.h"
#include "platform/file_io.h"
#include "platform/headless_ui.h"
#include "platform/scratch_folder.h"

namespace vl::app {
namespace {

// The batch's user interface: silent (the parent prints one line per file), remembering a
// Ctrl+C that came between two polls.
class BatchUi : public platform::HeadlessUi {
 public:
  explicit BatchUi(std::function<bool()> stop = {}) : HeadlessUi(nullptr), stop_(std::move(stop)) {}
  bool drainEvents() override {
    interrupted_ = HeadlessUi::drainEvents() || (stop_ && stop_()) || interrupted_;
    return interrupted_;
  }
  bool interrupted() {
    drainEvents();
    return interrupted_;
  }

 private:
  std::function<bool()> stop_;  // the window's Stop, asked at every poll
  bool interrupted_ = false;
};

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string MessageText(int number) { return std::string(msg::Text(number)); }

// The art replaces the output only when complete and not stopped, so a stopped or failed file
// leaves no output behind.
FileResult WriteBatchArt(Program& program, Document& doc, BatchUi& ui, const BatchItem& item,
                         const ArtFormat& format) {
  switch (WriteArtReplacing(program, doc, item.output, format, [&ui] { return ui.interrupted(); })) {
    case ReplaceOutcome::kWritten: return {FileStatus::kConverted, {}};
    case ReplaceOutcome::kStopped: return {FileStatus::kStopped, {}};
    case ReplaceOutcome::kFailed: break;
  }
  const auto& shown = ui.messages();
  return {FileStatus::kFailed, shown.empty() ? MessageText(msg::kDiskFullOrLocked) : shown.back()};
}

}  // namespace

// One file, from a clean program record, so that nothing of the previous file can change its art.
FileResult ConvertBatchFile(const BatchRequest& request, const settings::Preferences& prefs,
                            const BatchItem& item, const std::function<bool()>& stop) {
  if (!request.replace && Exists(item.output)) return {FileStatus::kSkipped, {}};
  auto backend = std::make_unique<BatchUi>(stop);
  BatchUi& ui = *backend;
  Program program(std::move(backend), ScratchBaseFor(prefs));
  program.activeSettings = request.convert.settings;
  program.dialogSettings = request.convert.settings;
  program.app.unattendedSave = true;
  program.app.batchRunning = true;
  UserPreferences applied;
  applied.live = prefs;
  ApplyPreferences(program, applied, request.convert);
  // The custom colours the art lists, read afresh for each file like everything else.
  const std::string config = platform::ConfigFolder();
  if (!config.empty()) static_cast<void>(LoadStartupColors(program, config, false));
  if (!LoadRequestedColors(program, request.convert.builtinColors,
                           request.convert.customColorsFile)) {
    platform::RemoveScratchFolder(program.scratchFolder);
    const auto& shown = ui.messages();
    return {FileStatus::kFailed, shown.empty() ? std::string() : shown.front()};
  }

  Document doc;
  FileResult result;
  if (const image::ReadOutcome opened = OpenDocument(program, doc, item.input); !opened.read()) {
    result = opened.result == image::ReadResult::kStopped
                 ? FileResult{FileStatus::kStopped, {}}
                 : FileResult{FileStatus::kFailed, MessageText(opened.message)};
  } else {
    const engine::ConversionOutcome outcome = ConvertDocument(program, doc);
    if (outcome.result == engine::ConversionResult::kStopped || ui.interrupted()) {
      result = {FileStatus::kStopped, {}};
    } else if (!outcome.ranToEnd()) {
      result = {FileStatus::kFailed, MessageText(outcome.message)};
    } else {
      result = WriteBatchArt(program, doc, ui, item, request.convert.format);
    }
  }
  CloseDocument(program, doc);
  platform::RemoveScratchFolder(program.scratchFolder);
  return result;
}

namespace {

FileResult ConvertOne(const BatchRequest& request, const settings::Preferences& prefs,
                      const BatchItem& item) {
  return ConvertBatchFile(request, prefs, item, {});
}

// ---- Reporting ---------------------------------------------------------------------------

struct Tally {
  int converted = 0, skipped = 0, failed = 0, stopped = 0;
};

void PrintLine(const BatchItem& item, const FileResult& r, bool quiet) {
  if (quiet) return;
  switch (r.status) {
    case FileStatus::kConverted:
      std::printf("%s %s -> %s\n", msg::Text(msg::kBatchConverted).data(), item.input.c_str(),
                  item.output.c_str());
      break;
    case FileStatus::kSkipped:
      std::printf("%s %s (%s exists)\n", msg::Text(msg::kBatchSkipped).data(), item.input.c_str(),
                  item.output.c_str());
      break;
    case FileStatus::kFailed:
      std::printf("%s %s: %s\n", msg::Text(msg::kBatchFailed).data(), item.input.c_str(),
                  r.message.c_str());
      break;
    case FileStatus::kStopped:
      std::printf("%s %s\n", msg::Text(msg::kBatchStopped).data(), item.input.c_str());
      break;
    case FileStatus::kNotStarted:
      break;
  }
  std::fflush(stdout);
}

// Prints the results that are known, in list order, from `next` on.
void PrintReady(const BatchPlan& plan, const std::vector<FileResult>& results,
                const std::vector<bool>& known, std::size_t& next, bool quiet, Tally& tally) {
  for (; next < results.size() && known[next]; ++next) {
    const FileResult& r = results[next];
    PrintLine(plan.items[next], r, quiet);
    switch (r.status) {
      case FileStatus::kConverted:
        ++tally.converted;
        break;
      case FileStatus::kSkipped:
        ++tally.skipped;
        break;
      case FileStatus::kFailed:
        ++tally.failed;
        break;
      case FileStatus::kStopped:
        ++tally.stopped;
        break;
      case FileStatus::kNotStarted:
        break;
    }
  }
}

// ---- Worker processes ----------------------------------------------------------------------

// A result travels as one write of at most PIPE_BUF bytes (so results of several workers never
// interleave): index, status, message length, message.
constexpr std::size_t kMaxMessageBytes = 1024;

struct Worker {
  pid_t pid = -1;
  int tasks = -1;      // the parent's end of the worker's task pipe
  long busyWith = -1;  // the item it converts, -1 when idle
};

void WriteAll(int fd, const void* data, std::size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    size -= std::size_t(n);
  }
}

[[noreturn]] void WorkerMain(int tasks, int results, const BatchRequest& request,
                             const settings::Preferences& prefs, const BatchPlan& plan) {
  std::int32_t index = 0;
  for (;;) {
    ssize_t got;
    do got = ::read(tasks, &index, sizeof index);
    while (got < 0 && errno == EINTR);
    if (got != sizeof index || index < 0 || std::size_t(index) >= plan.items.size()) break;
    const FileResult r = ConvertOne(request, prefs, plan.items[std::size_t(index)]);
    const std::string message = r.message.substr(0, kMaxMessageBytes);
    const std::int32_t head[3] = {index, static_cast<std::int32_t>(r.status),
                                  static_cast<std::int32_t>(message.size())};
    std::string frame(reinterpret_cast<const char*>(head), sizeof head);
    frame += message;
    WriteAll(results, frame.data(), frame.size());
  }
  ::_exit(0);
}

class WorkerPool {
 public:
  WorkerPool(const BatchRequest& request, const settings::Preferences& prefs, const BatchPlan& plan)
      : request_(request), prefs_(prefs), plan_(plan) {}

  // Opens the result pipe; false when the system refuses.
  bool open() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    resultsRead_ = fds[0];
    resultsWrite_ = fds[1];
    return true;
  }

  // A new worker, or false when none could be started.
  bool spawn(Worker& w) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
      ::close(fds[0]);
      ::close(fds[1]);
      return false;
    }
    if (pid == 0) {
      // A worker must hold no other worker's task pipe open, or that worker would never see
      // the end of its list.
      ::close(fds[1]);
      ::close(resultsRead_);
      for (int other : openTasks_) ::close(other);
      WorkerMain(fds[0], resultsWrite_, request_, prefs_, plan_);
    }
    ::close(fds[0]);
    w = Worker{pid, fds[1], -1};
    openTasks_.push_back(fds[1]);
    return true;
  }

  bool send(Worker& w, std::size_t index) {
    const auto i = static_cast<std::int32_t>(index);
    if (::write(w.tasks, &i, sizeof i) != sizeof i) return false;
    w.busyWith = static_cast<long>(index);
    return true;
  }

  void retire(Worker& w) {
    if (w.tasks < 0) return;
    ::close(w.tasks);
    openTasks_.erase(std::remove(openTasks_.begin(), openTasks_.end(), w.tasks), openTasks_.end());
    w.tasks = -1;
  }

  // Waits up to `ms` for results; appends complete ones to `out` as (index, result).
  void collect(int ms, std::vector<std::pair<std::size_t, FileResult>>& out) {
    pollfd p{resultsRead_, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return;
    char chunk[4096];
    const ssize_t n = ::read(resultsRead_, chunk, sizeof chunk);
    if (n <= 0) return;
    pending_.append(chunk, std::size_t(n));
    for (;;) {
      std::int32_t head[3];
      if (pending_.size() < sizeof head) break;
      std::memcpy(head, pending_.data(), sizeof head);
      const std::size_t frame = sizeof head + std::size_t(head[2]);
      if (pending_.size() < frame) break;
      out.push_back(
          {std::size_t(head[0]), FileResult{static_cast<FileStatus>(head[1]),
                                            pending_.substr(sizeof head, std::size_t(head[2]))}});
      pending_.erase(0, frame);
    }
  }

  ~WorkerPool() {
    if (resultsRead_ >= 0) ::close(resultsRead_);
    if (resultsWrite_ >= 0) ::close(resultsWrite_);
  }

 private:
  const BatchRequest& request_;
  const settings::Preferences& prefs_;
  const BatchPlan& plan_;
  int resultsRead_ = -1, resultsWrite_ = -1;
  std::vector<int> openTasks_;  // the parent's ends of the workers' task pipes
  std::string pending_;
};

}  // namespace

int RunBatchPlan(const BatchRequest& request, const BatchPlan& plan,
                 const settings::Preferences& prefs) {
  const bool quiet = request.convert.quiet;
  platform::HeadlessUi::InstallInterruptHandler();
  BatchUi parentUi;
  platform::RemoveStaleScratchFolders(ScratchBaseFor(prefs));
  if (!request.toSource) platform::EnsureFolderTree(request.outputFolder);

  const std::size_t n = plan.items.size();
  std::vector<FileResult> results(n);
  std::vector<bool> known(n, false);
  std::size_t printed = 0, next = 0;
  Tally tally;
  bool interrupted = false;
  const auto record = [&](std::size_t index, const FileResult& r) {
    if (index >= n || known[index]) return;
    results[index] = r;
    known[index] = true;
    PrintReady(plan, results, known, printed, quiet, tally);
  };

  const int jobs = static_cast<int>(std::min<std::size_t>(std::size_t(request.jobs), n));
  // Even -j 1 converts in a worker: the parent stays free to hear Ctrl+C and hand it on, and a
  // file that brings its process down fails alone.
  ::signal(SIGPIPE, SIG_IGN);  // a worker's end must not end the parent
  WorkerPool pool(request, prefs, plan);
  std::vector<Worker> workers(static_cast<std::size_t>(std::max(jobs, 1)));
  int alive = 0;
  if (n > 0 && pool.open()) {
    for (Worker& w : workers) alive += pool.spawn(w) ? 1 : 0;
  }
  if (alive == 0) {
    // No worker could be started: this process converts, and a Ctrl+C is seen either by the
    // file's conversion (a stopped result) or here.
    for (; next < n && !interrupted; ++next) {
      interrupted = parentUi.interrupted();
      if (interrupted) break;
      const FileResult r = ConvertOne(request, prefs, plan.items[next]);
      record(next, r);
      interrupted = r.status == FileStatus::kStopped;
    }
  } else {
    const auto dispatch = [&](Worker& w) {
      if (interrupted || next >= n || !pool.send(w, next)) {
        pool.retire(w);
        return;
      }
      ++next;
    };
    // The worker gets its next file before the line is printed, so whoever reads a line
    // knows the file after it is under way.
    const auto handle = [&](const std::vector<std::pair<std::size_t, FileResult>>& results) {
      for (const auto& [index, r] : results) {
        for (Worker& w : workers) {
          if (w.busyWith != long(index)) continue;
          w.busyWith = -1;
          if (w.pid > 0) dispatch(w);
        }
        record(index, r);
      }
    };
    for (Worker& w : workers)
      if (w.pid > 0) dispatch(w);
    std::vector<std::pair<std::size_t, FileResult>> done;
    while (alive > 0) {
      done.clear();
      pool.collect(200, done);
      // A worker that saw Ctrl+C first reports a stopped file: the whole batch stops, before
      // anyone is given another file.
      bool stopSeen = false;
      for (const auto& [index, r] : done) stopSeen = stopSeen || r.status == FileStatus::kStopped;
      if (!interrupted && (stopSeen || parentUi.interrupted())) {
        // Ctrl+C reaches the workers too from a terminal; a signal sent to the parent alone is
        // passed on, so that each stops its file and leaves no output.
        interrupted = true;
        for (Worker& w : workers) {
          if (w.pid > 0 && w.busyWith >= 0)
            ::kill(w.pid, SIGINT);
          else
            pool.retire(w);
        }
      }
      handle(done);
      // Workers that ended: after their task pipe closed, or killed in the middle of a file.
      for (Worker& w : workers) {
        int status = 0;
        if (w.pid <= 0 || ::waitpid(w.pid, &status, WNOHANG) != w.pid) continue;
        w.pid = -1;
        --alive;
        pool.retire(w);
        if (w.busyWith < 0) continue;
        // Its result may still be in the pipe (with other workers' results).
        const std::size_t lost = std::size_t(w.busyWith);
        done.clear();
        pool.collect(0, done);
        handle(done);
        w.busyWith = -1;
        record(lost, {FileStatus::kFailed, MessageText(msg::kWorkerEnded)});
        // A replacement takes over the rest of the list.
        if (!interrupted && next < n && pool.spawn(w)) {
          ++alive;
          dispatch(w);
        }
      }
      // Results of workers that already exited were read above; busy ones are awaited.
      for (Worker& w : workers)
        if (w.pid > 0 && w.busyWith < 0 && w.tasks >= 0 && (interrupted || next >= n))
          pool.retire(w);
    }
  }

  // Files never started are counted, not listed.
  std::size_t notStarted = 0;
  for (std::size_t i = 0; i < n; ++i) notStarted += known[i] ? 0 : 1;
  if (!quiet) {
    std::printf("%s\n", msg::Format(msg::kBatchSummary, tally.converted, tally.skipped,
                                    tally.failed, tally.stopped, int(notStarted))
                            .c_str());
    std::fflush(stdout);
  }
  if (interrupted || tally.stopped > 0) return kExitInterrupted;
  return tally.failed > 0 ? kExitFailure : kExitOk;
}

int RunBatchCommand(const std::vector<std::string>& args) {
  const UserPreferences prefs = ReadUserPreferences();
  const BatchCommandLine line = ParseBatchCommandLine(args, ContextFor(prefs), prefs.live);
  if (line.help) {
    std::fputs(HelpText().c_str(), stdout);
    return kExitOk;
  }
  if (!line.error.empty()) {
    std::fprintf(stderr, "vectorlume: %s\n", line.error.c_str());
    return kExitUsage;
  }
  if (!line.request.convert.quiet) {
    platform::HeadlessUi ui(stderr);
    ShowLoadReport(prefs.report, ui);
  }
  const BatchPlan plan = PlanBatch(line.request);
  if (!plan.error.empty()) {
    std::fprintf(stderr, "vectorlume: %s\n", plan.error.c_str());
    return kExitUsage;
  }
  if (plan.items.empty()) {
    if (!line.request.convert.quiet)
      std::fprintf(stderr, "%s\n", msg::Text(msg::kBatchNoInputs).data());
    return kExitOk;
  }
  return RunBatchPlan(line.request, plan, prefs.live);
}

}  // namespace vl::app
