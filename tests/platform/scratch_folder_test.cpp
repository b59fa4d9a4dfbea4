// Scratch folders per process: naming, creation, and removal of those left by dead processes.
#include "platform/scratch_folder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/platform/platform_test_dir.h"

namespace vl::platform {
namespace {

namespace fs = std::filesystem;

TEST(ScratchFolder, NamedByProcessCreatedOnceAndStaleOnesOfDeadProcessesRemoved) {
  test::TempDir dir;
  const std::string base = dir.path + "/";
  const std::string own = base + "vectorlume-" + std::to_string(::getpid());
  for (const std::string& b : {dir.path, base}) EXPECT_EQ(ProcessScratchFolder(b), own + "/");
  EXPECT_TRUE(EnsureFolder(own + "/") && EnsureFolder(own + "/"));  // the second finds it there
  std::ofstream(base + "plain") << "x";
  EXPECT_FALSE(EnsureFolder(base + "plain"));  // a file is not a folder
  EXPECT_FALSE(EnsureFolder(base + "a/b"));    // one level only

  const pid_t child = ::fork();  // a process id that no longer runs
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const std::string dead = base + "vectorlume-" + std::to_string(child);
  const std::string folders[] = {dead, own, base + "vectorlume-" + std::to_string(::getppid()),
                                 base + "vectorlume-abc", base + "vectorlume-",
                                 base + "vectorlume-12345678901", base + "other-1"};
  for (const std::string& f : folders) {  // each holding a file, as scratch folders do
    fs::create_directory(f);
    std::ofstream(f + "/edgearr") << "x";
  }
  RemoveStaleScratchFolders(dir.path);
  EXPECT_FALSE(fs::exists(dead));
  for (const std::string& f : folders) EXPECT_TRUE(f == dead || fs::exists(f + "/edgearr")) << f;
  RemoveStaleScratchFolders(base + "does-not-exist");  // nothing to do, no failure
  RemoveScratchFolder(own + "/");
  EXPECT_FALSE(fs::exists(own));
}

}  // namespace
}  // namespace vl::platform
