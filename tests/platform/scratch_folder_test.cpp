// Scratch folders per process: naming, creation, and the start-up removal of folders left by
// processes that no longer run.
#include "platform/scratch_folder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/platform/platform_test_dir.h"

namespace vl::platform {
namespace {

namespace fs = std::filesystem;

void MakeFolderWithFile(const std::string& folder) {
  fs::create_directory(folder);
  std::ofstream(folder + "/edgearr") << "x";
}

pid_t DeadPid() {
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return child;
}

TEST(ScratchFolder, NamingAndCreation) {
  test::TempDir dir;
  const std::string own = "vectorlume-" + std::to_string(::getpid()) + "/";
  EXPECT_EQ(ProcessScratchFolder(dir.path), dir.path + "/" + own);
  EXPECT_EQ(ProcessScratchFolder(dir.path + "/"), dir.path + "/" + own);

  const std::string folder = ProcessScratchFolder(dir.path);
  EXPECT_TRUE(EnsureFolder(folder));
  EXPECT_TRUE(EnsureFolder(folder));  // already there
  std::ofstream(folder + "plain") << "x";
  EXPECT_FALSE(EnsureFolder(folder + "plain"));  // a file is not a folder
  EXPECT_FALSE(EnsureFolder(dir.path + "/a/b"));  // one level only
  RemoveScratchFolder(folder);
  EXPECT_FALSE(fs::exists(folder));
}

TEST(ScratchFolder, StaleFoldersOfDeadProcessesAreRemovedOthersKept) {
  test::TempDir dir;
  const std::string base = dir.path;
  const std::string dead = base + "/vectorlume-" + std::to_string(DeadPid());
  const std::string own = base + "/vectorlume-" + std::to_string(::getpid());
  const std::string parent = base + "/vectorlume-" + std::to_string(::getppid());
  const std::string unrelated[] = {base + "/vectorlume-abc", base + "/vectorlume-",
                                   base + "/vectorlume-12345678901", base + "/other-1"};
  for (const std::string& f : {dead, own, parent}) MakeFolderWithFile(f);
  for (const std::string& f : unrelated) MakeFolderWithFile(f);

  RemoveStaleScratchFolders(base);
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(own + "/edgearr"));
  EXPECT_TRUE(fs::exists(parent + "/edgearr"));
  for (const std::string& f : unrelated) EXPECT_TRUE(fs::exists(f + "/edgearr")) << f;
  RemoveStaleScratchFolders(base + "/does-not-exist");  // nothing to do, no failure
}

}  // namespace
}  // namespace vl::platform
