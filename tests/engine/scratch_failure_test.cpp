// Scratch file failures: a full disk, a scratch folder that cannot take files, and the
// clean-up that closes and deletes whatever a conversion left open.
#include "engine/scratch_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "app/message_table.h"
#include "engine/paged_arrays.h"
#include "tests/engine/engine_test_runtime.h"

namespace vl::engine {
namespace {

using test::TestRuntime;

// A folder in which no file can be created. chmod 0500 does not stop root (CI runs as root),
// so when a probe file can still be made there, a folder under a regular file is used instead.
std::string UnwritableFolder(const std::string& root) {
  std::string locked = root + "/locked";
  ::mkdir(locked.c_str(), 0700);
  ::chmod(locked.c_str(), 0500);
  std::string probe = locked + "/probe";
  int fd = ::open(probe.c_str(), O_CREAT | O_WRONLY, 0600);
  if (fd < 0) return locked + "/";
  ::close(fd);
  ::unlink(probe.c_str());
  std::string plain = root + "/plain-file";
  int pf = ::open(plain.c_str(), O_CREAT | O_WRONLY, 0600);
  if (pf >= 0) ::close(pf);
  return plain + "/scratch/";
}

TEST(CheckedWrite, ShortWriteShowsMessageSetsAbortAndSkipsLaterWrites) {
  for (bool clipboard : {false, true}) {
    TestRuntime t;
    t.app.clipboardExportActive = clipboard;
    platform::FileHandle full = platform::OpenFile("/dev/full");
    if (full == platform::kNoFile) GTEST_SKIP() << "/dev/full is not available";
    const char data[16] = "scratch bytes..";
    EXPECT_EQ(CheckedWrite(t.rt, full, data, sizeof data), 0u);
    ASSERT_EQ(t.ui.messages().size(), 1u);
    EXPECT_EQ(t.ui.messages()[0], msg::Text(clipboard ? 13 : 12));
    EXPECT_FALSE(t.ui.messages()[0].empty());
    EXPECT_EQ(t.state.abortRequested, 1);

    platform::FileHandle good = CreateScratchFile(t.rt, "dgtemp");
    ASSERT_NE(good, platform::kNoFile);
    EXPECT_EQ(CheckedWrite(t.rt, good, data, sizeof data), 0u);
    EXPECT_EQ(platform::FileSize(good), 0);
    EXPECT_EQ(t.ui.messages().size(), 1u);
    t.state.abortRequested = 0;  // the next Convert clears it: writes work again
    EXPECT_EQ(CheckedWrite(t.rt, good, data, sizeof data), sizeof data);
    platform::CloseFile(good);
    platform::CloseFile(full);
  }
}

TEST(CheckedWrite, FullDiskDuringASpillStopsTheArray) {
  TestRuntime t;
  t.state.scratch.edgearr = platform::OpenFile("/dev/full");
  if (t.state.scratch.edgearr == platform::kNoFile) GTEST_SKIP() << "/dev/full is not available";
  std::uint8_t window[8];
  ChainBuffer chain(t.rt, window, sizeof window);
  ASSERT_TRUE(chain.startRecord(0, 0));
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(chain.append(1));
  EXPECT_FALSE(chain.append(1));
  EXPECT_FALSE(chain.append(1));
  ASSERT_EQ(t.ui.messages().size(), 1u);
  EXPECT_EQ(t.ui.messages()[0], msg::Text(12));
  EXPECT_EQ(t.state.abortRequested, 1);
}

TEST(ScratchFolder, UnwritableFolderFailsFirstSpillWith155AndUnspilledArraysStillWork) {
  std::uint8_t bytes[8];
  std::int16_t words[8];
  // Each array's first spill, in a runtime of its own.
  std::function<bool(Runtime&)> spills[] = {
      [&](Runtime& rt) {
        ChainBuffer chain(rt, bytes, 8);
        bool ok = chain.startRecord(1, 1);
        for (int i = 0; i < 8; ++i) ok = chain.append(2) && ok;
        return ok;
      },
      [&](Runtime& rt) {
        PointWindow points(rt, words, 8);
        bool ok = true;
        for (int i = 0; i < 12; ++i) ok = points.push(3) && ok;
        return ok;
      },
      [&](Runtime& rt) {
        VertexWindow vertices(rt, words, 8);
        vertices.setCursor(64);
        SetVertexWord(vertices, 4, 0);
        return rt.state.abortRequested == 0;
      },
  };
  for (auto& spill : spills) {
    TestRuntime t;
    t.scratchFolder = UnwritableFolder(t.root);
    EXPECT_FALSE(spill(t.rt));
    ASSERT_EQ(t.ui.messages().size(), 1u);  // once, not at every later access
    EXPECT_EQ(t.ui.messages()[0], msg::Text(155));
    EXPECT_EQ(t.state.abortRequested, 1);
  }

  TestRuntime t;
  t.scratchFolder = UnwritableFolder(t.root);
  ChainBuffer chain(t.rt, bytes, 8);
  ASSERT_TRUE(chain.startRecord(1, 1));
  ASSERT_TRUE(chain.append(kChainEnd));
  ASSERT_TRUE(chain.finishRecord());
  PointWindow points(t.rt, words, 8);
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(points.push(static_cast<std::int16_t>(i)));
  EXPECT_EQ(points.wordAt(7), 7);
  EXPECT_EQ(chain.byteAt(4), kChainEnd);
  EXPECT_TRUE(t.ui.messages().empty());
  EXPECT_EQ(t.state.abortRequested, 0);
}

TEST(ScratchFolder, CleanUpClosesAndDeletesTheConversionFiles) {
  TestRuntime t;
  std::uint8_t bytes[4];
  std::int16_t pointWords[4], vertexWords[4];
  ChainBuffer chain(t.rt, bytes, 4);
  PointWindow points(t.rt, pointWords, 4);
  VertexWindow vertices(t.rt, vertexWords, 4);
  ASSERT_TRUE(chain.startRecord(0, 0));
  ASSERT_TRUE(chain.append(kChainEnd));
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(points.push(1));
  vertices.setCursor(8);
  SetVertexWord(vertices, 1, 0);
  t.state.scratch.dgskel = CreateScratchFile(t.rt, "dgskel");
  platform::FileHandle memtemp = CreateScratchFile(t.rt, "memtemp");
  platform::CloseFile(memtemp);  // the image owns that handle
  for (const char* name : {"edgearr", "seglist", "linarr", "dgskel", "memtemp"})
    ASSERT_TRUE(t.scratchExists(name)) << name;

  CleanUpScratchFiles(t.rt, false);
  const ScratchHandles& s = t.state.scratch;
  for (platform::FileHandle h : {s.dgtemp, s.edgearr, s.seglist, s.linarr, s.dgskel})
    EXPECT_EQ(h, platform::kNoFile);
  for (const char* name : {"edgearr", "seglist", "linarr", "dgskel"})
    EXPECT_FALSE(t.scratchExists(name)) << name;
  EXPECT_TRUE(t.scratchExists("memtemp"));
  CleanUpScratchFiles(t.rt, true);
  EXPECT_FALSE(t.scratchExists("memtemp"));
}

}  // namespace
}  // namespace vl::engine
