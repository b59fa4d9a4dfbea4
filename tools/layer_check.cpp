// The include check: reads every source file of the tree and fails, naming file and line, on
// an #include that reaches a folder above the file's own layer, or on a GUI header in a core
// folder. The layers, lowest first; a folder may include itself and the folders it lists:
//   platform <- base <- settings, image <- art <- engine <- app
// Tests belong to the layer of the folder they test (tests/image/... to image); the art
// painter of the test support is art, the rest of the support sits at the bottom. Programs at
// the top of the tree (fuzz, bench, examples, tools) may include anything.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::map<std::string, std::set<std::string>> kAllowed = {
    {"platform", {"platform"}},
    {"base", {"platform", "base"}},
    {"settings", {"platform", "base", "settings"}},
    {"image", {"platform", "base", "image"}},
    {"art", {"platform", "base", "settings", "image", "art"}},
    {"engine", {"platform", "base", "settings", "image", "art", "engine"}},
    {"app", {"platform", "base", "settings", "image", "art", "engine", "app"}},
};

const char* const kTopFolders[] = {"fuzz", "bench", "examples", "tools"};

// The layer a path (relative to the root, '/'-separated) belongs to; "" for none we know.
std::string LayerOf(const std::string& path) {
  const std::size_t slash = path.find('/');
  if (slash == std::string::npos) return "";
  const std::string first = path.substr(0, slash);
  if (kAllowed.count(first)) return first;
  if (first == "tests") {
    const std::string rest = path.substr(slash + 1);
    if (rest.rfind("support/art_rasterizer", 0) == 0) return "art";
    if (rest.rfind("support/", 0) == 0) return "platform";
    return LayerOf(rest);
  }
  for (const char* top : kTopFolders)
    if (first == top) return "top";
  return "";
}

bool IsGuiHeader(const std::string& name) {
  return name.rfind("Q", 0) == 0 || name.rfind("qt", 0) == 0 || name.rfind("Qt", 0) == 0;
}

struct Finding {
  std::string where;  // file:line
  std::string what;
};

void CheckFile(const fs::path& root, const fs::path& file, std::vector<Finding>& findings) {
  const std::string rel = fs::relative(file, root).generic_string();
  const std::string layer = LayerOf(rel);
  if (layer.empty()) return;
  // The window lives in its own folder under app/ and is the only place GUI headers may go.
  const bool guiAllowed = layer == "top" || rel.rfind("app/gui/", 0) == 0 ||
                          rel.rfind("tests/app/gui/", 0) == 0;
  std::ifstream in(file);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::size_t p = line.find_first_not_of(" \t");
    if (p == std::string::npos || line.compare(p, 1, "#") != 0) continue;
    p = line.find_first_not_of(" \t", p + 1);
    if (p == std::string::npos || line.compare(p, 7, "include") != 0) continue;
    const std::size_t open = line.find_first_of("\"<", p + 7);
    if (open == std::string::npos) continue;
    const char close = line[open] == '"' ? '"' : '>';
    const std::size_t end = line.find(close, open + 1);
    if (end == std::string::npos) continue;
    const std::string target = line.substr(open + 1, end - open - 1);
    const std::string where = rel + ":" + std::to_string(number);
    if (close == '>') {
      if (!guiAllowed && IsGuiHeader(target))
        findings.push_back({where, "includes the GUI header <" + target + "> outside app/gui"});
      continue;
    }
    const std::string targetLayer = LayerOf(target);
    if (targetLayer.empty() || layer == "top") continue;
    if (targetLayer == "top" || !kAllowed.at(layer).count(targetLayer)) {
      findings.push_back({where, "includes \"" + target + "\" (layer " + targetLayer +
                                     ") from layer " + layer});
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s SOURCE_ROOT\n", argv[0]);
    return 2;
  }
  const fs::path root = fs::path(argv[1]);
  std::vector<fs::path> files;
  const char* const folders[] = {"platform", "base", "settings", "image", "art", "engine",
                                 "app",      "tests", "fuzz",    "bench", "examples", "tools"};
  for (const char* folder : folders) {
    const fs::path dir = root / folder;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      const std::string ext = entry.path().extension().string();
      if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp")) files.push_back(entry.path());
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "layer check: no sources under %s\n", argv[1]);
    return 2;
  }
  std::sort(files.begin(), files.end());
  std::vector<Finding> findings;
  for (const fs::path& file : files) CheckFile(root, file, findings);
  for (const Finding& f : findings) std::fprintf(stderr, "%s: %s\n", f.where.c_str(), f.what.c_str());
  if (!findings.empty()) {
    std::fprintf(stderr, "layer check: %zu include(s) climb a layer\n", findings.size());
    return 1;
  }
  std::printf("layer check: %zu files, no include climbs a layer\n", files.size());
  return 0;
}
