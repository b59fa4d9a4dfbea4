// A Runtime for engine tests: a quiet headless UI, an unlimited memory budget, fresh state and
// a scratch folder in a new temporary directory that is removed, with its files, at the end.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include <stdlib.h>

#include "app/application_state.h"
#include "engine/conversion_state.h"
#include "engine/runtime.h"
#include "platform/file_io.h"
#include "platform/headless_ui.h"
#include "platform/memory_block.h"

namespace vl::engine::test {

inline std::string MakeTempDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vl-engine-XXXXXX").string();
  char* made = ::mkdtemp(pattern.data());
  return made != nullptr ? std::string(made) : std::string();
}

struct TestRuntime {
  platform::HeadlessUi ui{nullptr};
  platform::MemoryBudget memory;
  ConversionState state;
  app::ApplicationState app;
  std::string root = MakeTempDirectory();
  std::string scratchFolder = root + "/";
  Runtime rt{ui, memory, state, app, scratchFolder};

  TestRuntime() = default;
  TestRuntime(const TestRuntime&) = delete;
  TestRuntime& operator=(const TestRuntime&) = delete;
  ~TestRuntime() {
    ScratchHandles& s = state.scratch;
    for (platform::FileHandle* h : {&s.dgtemp, &s.edgearr, &s.seglist, &s.linarr, &s.dgskel})
      platform::CloseFile(*h);
    std::error_code ignored;
    std::filesystem::permissions(root, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(root, ignored);
  }

  bool scratchExists(const char* name) const { return platform::FileExists(scratchFolder + name); }
};

}  // namespace vl::engine::test
