// Scratch files and the checked write when the disk says no: which message, how often, and that
// the abort flag stops every later write until the next command clears it.
#include <gtest/gtest.h>

#include "tests/base/base_test_runtime.h"

namespace vl::base::test {
namespace {

TEST(ScratchFailures, UnwritableFolderShows155OnceAndFullDisk12Or13AndLaterWritesStop) {
  {
    BaseRuntime t;
    t.scratchFolder = BlockedFolder(t.root);
    // The plain create leaves the message to its caller; the aborting one shows 155 itself.
    EXPECT_EQ(CreateScratchFile(t.rt, "edgearr"), platform::kNoFile);
    EXPECT_TRUE(t.messages().empty());
    EXPECT_EQ(CreateScratchFileOrAbort(t.rt, "edgearr"), platform::kNoFile);
    EXPECT_EQ(t.messages(), Shown({155}));
    EXPECT_EQ(t.state.abortRequested, 1);
  }
  const char data[16] = "scratch bytes..";
  for (bool clipboard : {false, true}) {
    SCOPED_TRACE(clipboard ? "clipboard" : "file");
    BaseRuntime t;
    t.app.clipboardExportActive = clipboard;
    platform::FileHandle full = platform::OpenFile("/dev/full");
    if (full == platform::kNoFile) GTEST_SKIP() << "/dev/full is not available";
    EXPECT_EQ(CheckedWrite(t.rt, full, data, sizeof data), 0u);
    EXPECT_EQ(t.messages(), Shown({clipboard ? 13 : 12}));
    EXPECT_EQ(t.state.abortRequested, 1);
    platform::FileHandle good = CreateScratchFile(t.rt, "dgtemp");
    EXPECT_EQ(CheckedWrite(t.rt, good, data, sizeof data), 0u);  // skipped after the failure
    EXPECT_EQ(platform::FileSize(good), 0);
    t.state.abortRequested = 0;  // the next Convert clears it: writes work again
    EXPECT_EQ(CheckedWrite(t.rt, good, data, sizeof data), sizeof data);
    EXPECT_EQ(t.messages().size(), 1u);
    platform::CloseFile(good);
    platform::CloseFile(full);
  }
}

}  // namespace
}  // namespace vl::base::test
