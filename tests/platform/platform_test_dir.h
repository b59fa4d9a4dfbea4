// A fresh temporary directory for platform tests, removed with its contents at the end.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace vl::platform::test {

struct TempDir {
  std::string path;
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vl-platform-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
  }
  ~TempDir() { std::error_code ignored; std::filesystem::remove_all(path, ignored); }
};

}  // namespace vl::platform::test
