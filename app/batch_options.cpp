// The batch command's grammar and the plan it makes: which files, in which order, with which
// output names.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <map>

#include "app/batch.h"
#include "app/document_names.h"
#include "image/input_dispatch.h"
#include "platform/file_names.h"

namespace vl::app {
namespace {

// The extensions a folder is expanded to: the files the input dispatch has a reader for.
bool IsImageName(std::string_view name) {
  if (name.empty() || name[0] == '.') return false;  // hidden files, and our own partial outputs
  return image::HasImageExtension(name);
}

bool ReadCount(std::string_view text, int& out) {
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, out);
  return r.ec == std::errc() && r.ptr == end;
}

// "I/N" with 0 <= I < N.
bool ReadShard(std::string_view text, int& index, int& count) {
  const std::size_t slash = text.find('/');
  return slash != std::string_view::npos && ReadCount(text.substr(0, slash), index) &&
         ReadCount(text.substr(slash + 1), count) && count >= 1 && index >= 0 && index < count;
}

int CoreCount() {
  const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  return n < 1 ? 1 : static_cast<int>(n);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder's image files (symbolic links to files included), as paths.
void AddFolder(const std::string& folder, std::vector<std::string>& files) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    files.push_back(folder);  // reported as a file that cannot be opened
    return;
  }
  const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
  while (const dirent* e = ::readdir(dir)) {
    if (!IsImageName(e->d_name)) continue;
    const std::string path = prefix + e->d_name;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) files.push_back(path);
  }
  ::closedir(dir);
}

std::string FolderPart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string BatchHelp() {
  return R"(Batch (vectorlume batch INPUT... [options]):
      INPUT                 image files, and folders (their .tif, .tiff, .rvx, .pcx, .pnt
                            and .sun files); all are converted in the order of their paths
  -o, --output FOLDER       where the art goes (made when missing) [the current folder]
      --to-source           each art file next to its source file
      --replace             replace art files that exist already
      --skip-existing       leave existing art files alone and skip their inputs [default]
  -j, --jobs N              N worker processes [the number of cores]
      --shard I/N           only the files at positions I, I+N, I+2N... of the sorted list
                            (I from 0): N runs, on any machines, convert each file once
)";
}

BatchCommandLine ParseBatchCommandLine(const std::vector<std::string>& args,
                                       const ParseContext& context,
                                       const settings::Preferences& prefs) {
  BatchCommandLine line;
  BatchRequest& r = line.request;
  std::vector<std::string> convertArgs = {"convert", "batch-input"};
  std::optional<bool> replace;
  std::optional<int> jobs;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      r.inputs.push_back(arg);
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (const std::size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    } else if (arg.starts_with("-j") && arg.size() > 2) {
      name = "-j";
      value = arg.substr(2);
    }
    const auto takeValue = [&]() -> bool {
      if (value) return true;
      if (i + 1 >= args.size()) return false;
      value = args[++i];
      return true;
    };
    if (name == "--") {
      optionsEnded = true;
    } else if (name == "--help" || name == "-h") {
      line.help = true;
      return line;
    } else if (name == "-o" || name == "--output") {
      if (!takeValue()) return {false, name + " needs a folder", {}};
      r.outputFolder = *value;
      if (r.outputFolder.empty()) return {false, name + " needs a folder", {}};
    } else if (name == "--to-source") {
      r.toSource = true;
    } else if (name == "--replace" || name == "--skip-existing") {
      if (replace && *replace != (name == "--replace"))
        return {false, "--replace and --skip-existing exclude each other", {}};
      replace = name == "--replace";
    } else if (name == "-j" || name == "--jobs") {
      int n = 0;
      if (!takeValue() || !ReadCount(*value, n) || n < 1)
        return {false, "-j expects a number of processes, 1 or more", {}};
      jobs = n;
    } else if (name == "--shard") {
      if (!takeValue() || !ReadShard(*value, r.shardIndex, r.shardCount))
        return {false, "--shard expects I/N with 0 <= I < N, such as 0/4", {}};
    } else {
      // Convert's own option; its value travels with it.
      convertArgs.push_back(arg);
      if (!value && OptionTakesValue(name) && i + 1 < args.size()) convertArgs.push_back(args[++i]);
    }
  }
  if (!r.outputFolder.empty() && r.toSource)
    return {false, "-o and --to-source exclude each other", {}};
  if (r.inputs.empty()) return {false, "batch needs at least one INPUT file or folder", {}};
  const CommandLine convert = ParseCommandLine(convertArgs, context);
  if (convert.action == CommandLine::Action::kUsageError) return {false, convert.error, {}};
  r.convert = convert.request;
  if (!r.convert.exportColorsFile.empty())
    return {false, "--export-colors applies to convert only", {}};
  if (r.outputFolder.empty() && !r.toSource) {
    r.toSource = (prefs.prefFlagsA & settings::kBatchOutputToSource) != 0;
    if (!r.toSource) r.outputFolder = std::string(1, '.');  // the current folder
  }
  r.replace = replace ? *replace : (prefs.prefFlagsB & settings::kBatchReplaceFiles) != 0;
  r.jobs = jobs ? *jobs : CoreCount();
  return line;
}

BatchPlan PlanBatch(const BatchRequest& request) {
  BatchPlan plan;
  std::vector<std::string> files;
  for (const std::string& input : request.inputs) {
    if (IsFolder(input))
      AddFolder(input, files);
    else
      files.push_back(input);
  }
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());

  const std::string_view extension = ExtensionForFormat(request.convert.format);
  std::map<std::string, std::string> writers;  // output -> the input that writes it
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string& input = files[i];
    const std::string folder = request.toSource ? FolderPart(input) : request.outputFolder;
    std::string output = ReplaceExtension(FileNamePart(input), extension);
    output = (folder.ends_with('/') ? folder : folder + "/") + output;
    // Checked over the whole list, so that every shard refuses the same batch.
    const auto [at, added] = writers.emplace(output, input);
    if (!added) {
      plan.error = "two inputs would write the same art file " + output + ": " + at->second +
                   " and " + input + "; convert them into different folders";
      return plan;
    }
    if (static_cast<int>(i % std::size_t(request.shardCount)) == request.shardIndex)
      plan.items.push_back({input, output});
  }
  return plan;
}

}  // namespace vl::app
