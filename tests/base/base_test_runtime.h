// The base layer's test rig: a base::Runtime over a quiet headless user interface, in a fresh
// scratch folder removed at the end; an unwritable folder; the messages a run must have shown.
#pragma once

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <stdlib.h>

#include "base/application_state.h"
#include "base/conversion_state.h"
#include "base/message_table.h"
#include "base/runtime.h"
#include "base/scratch_files.h"
#include "platform/headless_ui.h"
#include "platform/memory_block.h"

namespace vl::base::test {

// A folder in which nothing can be created, even by root: one below a plain file.
inline std::string BlockedFolder(const std::string& root) {
  std::ofstream(root + "/plain-file") << "x";
  return root + "/plain-file/scratch/";
}

// The messages a run must have shown, by number.
inline std::vector<std::string> Shown(std::initializer_list<int> numbers) {
  std::vector<std::string> out;
  for (int n : numbers) out.emplace_back(msg::Text(n));
  return out;
}

// Keeps the batch line of the last progress report (the headless one only prints it).
struct BatchLineUi : platform::HeadlessUi {
  BatchLineUi() : HeadlessUi(nullptr) {}
  void showProgress(int percent, std::string_view label, std::string_view batchLine) override {
    lastBatchLine = batchLine;
    HeadlessUi::showProgress(percent, label, batchLine);
  }
  std::string lastBatchLine;
};

struct BaseRuntime {
  BatchLineUi ui;
  platform::MemoryBudget memory;
  ConversionState state;
  ApplicationState app;
  std::string root = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vl-base-XXXXXX").string();
    return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }();
  std::string scratchFolder = root + "/";
  Runtime rt{ui, memory, state, app, scratchFolder};

  ~BaseRuntime() {
    CleanUpScratchFiles(rt, false);
    std::filesystem::remove_all(root);
  }
  const std::vector<std::string>& messages() const { return ui.messages(); }
};

}  // namespace vl::base::test
