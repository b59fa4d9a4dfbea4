// Raw file handles: transfers, positions, missing files, closed handles and a full disk.
#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/platform/platform_test_dir.h"

namespace vl::platform {
namespace {

TEST(FileIo, TransfersAndPositionsAgreeAndFailuresAreReported) {
  test::TempDir dir;
  const std::string path = dir.path + "/data";
  FileHandle h = CreateFile(path);
  const std::uint8_t bytes[10] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
  ASSERT_EQ(WriteBytes(h, bytes, 10), 10u);
  EXPECT_TRUE(TellPosition(h) == 10 && FileSize(h) == 10);
  std::uint8_t got[4] = {};
  EXPECT_TRUE(SeekTo(h, 2) && ReadBytes(h, got, 4) == 4 && got[0] == 12 && got[3] == 15);
  EXPECT_TRUE(SeekBy(h, -5) && ReadBytes(h, got, 1) == 1 && got[0] == 11);
  EXPECT_TRUE(SeekEnd(h) && ReadBytes(h, got, 4) == 0);  // end of file
  EXPECT_TRUE(SeekTo(h, 8) && ReadBytes(h, got, 4) == 2);  // a short read reports what it got
  EXPECT_FALSE(SeekTo(h, -1));
  CloseFile(h);
  CloseFile(h);  // closing a closed handle is harmless
  EXPECT_EQ(h, kNoFile);
  h = CreateFile(path);  // creating an existing file empties it
  EXPECT_EQ(FileSize(h), 0);
  CloseFile(h);
  EXPECT_TRUE(FileExists(path) && DeleteFile(path));
  EXPECT_FALSE(DeleteFile(path) || FileExists(path));

  EXPECT_EQ(OpenFile(path), kNoFile);
  EXPECT_EQ(OpenFileForReading(path), kNoFile);
  EXPECT_EQ(CreateFile(dir.path + "/no/such/folder/file"), kNoFile);
  EXPECT_TRUE(ReadBytes(kNoFile, got, 2) == 0 && WriteBytes(kNoFile, bytes, 2) == 0);
  EXPECT_TRUE(!SeekTo(kNoFile, 0) && TellPosition(kNoFile) == -1 && FileSize(kNoFile) == -1);
  FileHandle full = OpenFile("/dev/full");
  if (full == kNoFile) GTEST_SKIP() << "/dev/full is not available";
  EXPECT_LT(WriteBytes(full, bytes, 2), 2u);
  CloseFile(full);
}

}  // namespace
}  // namespace vl::platform
