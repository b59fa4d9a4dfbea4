// Batch conversion: a sorted list of raster files, each opened, converted, saved and closed with
// one set of options, by one process or by N worker processes (each with its own scratch
// folder, so the art is byte for byte what one process writes). `--shard I/N` keeps the files
// whose position in the sorted list is I modulo N, so an outside scheduler can share a big job
// between machines without a coordinator.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/cli_options.h"
#include "settings/preferences.h"

namespace vl::app {

struct BatchRequest {
  std::vector<std::string> inputs;  // files and folders, as given
  std::string outputFolder;         // where the art goes, unless toSource
  bool toSource = false;            // each result beside its source file
  bool replace = false;             // an existing output is replaced (else the file is skipped)
  int jobs = 1;                     // worker processes
  int shardIndex = 0, shardCount = 1;
  ConvertRequest convert;  // settings, format, path limit, quiet
};

struct BatchCommandLine {
  bool help = false;
  std::string error;  // a usage error: one line, without the program name
  BatchRequest request;
};

// Parses the arguments after "batch". The batch options are its own; every other option is
// convert's (settings, --format, --preview, --settings, --max-paths, -q). Without -o or
// --to-source, and without --replace or --skip-existing, the preferences decide.
BatchCommandLine ParseBatchCommandLine(const std::vector<std::string>& args,
                                       const ParseContext& context,
                                       const settings::Preferences& prefs);

struct BatchItem {
  std::string input, output;
};

// The work: every input file (folders expanded to their image files), sorted by path without
// repeats, cut to the shard, each with its output name; or the usage error that stops the run
// (two inputs that would write the same output).
struct BatchPlan {
  std::vector<BatchItem> items;
  std::string error;
};
BatchPlan PlanBatch(const BatchRequest& request);

// What became of one file.
enum class FileStatus { kConverted, kSkipped, kFailed, kStopped, kNotStarted };
struct FileResult {
  FileStatus status = FileStatus::kNotStarted;
  std::string message;  // why it failed
};

// Converts one file in this process from a fresh program record and writes its art (skipped
// when the output exists and the request does not replace). `stop`, when given, is asked at
// every poll of the conversion: true stops the file, which then leaves no output.
FileResult ConvertBatchFile(const BatchRequest& request, const settings::Preferences& prefs,
                            const BatchItem& item, const std::function<bool()>& stop);

// Runs the plan and prints one line per file in list order, then the summary (stdout; nothing
// with quiet). Exit status: 0 all converted or skipped, 1 any failed, 130 stopped by Ctrl+C
// (the files being converted are abandoned and leave no output).
int RunBatchPlan(const BatchRequest& request, const BatchPlan& plan,
                 const settings::Preferences& prefs);

// The `batch` command: parse, plan, run.
int RunBatchCommand(const std::vector<std::string>& args);

}  // namespace vl::app
