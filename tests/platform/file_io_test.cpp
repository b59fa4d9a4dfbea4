// Raw file handles: transfers, positions, and the answers for missing files and closed handles.
#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/platform/platform_test_dir.h"

namespace vl::platform {
namespace {

TEST(FileIo, ReadWriteSeekAndSizeAgree) {
  test::TempDir dir;
  const std::string path = dir.path + "/data";
  FileHandle h = CreateFile(path);
  ASSERT_NE(h, kNoFile);
  std::vector<std::uint8_t> bytes = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
  ASSERT_EQ(WriteBytes(h, bytes.data(), bytes.size()), bytes.size());
  EXPECT_EQ(TellPosition(h), 10);
  EXPECT_EQ(FileSize(h), 10);

  std::uint8_t got[4] = {};
  ASSERT_TRUE(SeekTo(h, 2));
  EXPECT_EQ(ReadBytes(h, got, 4), 4u);
  EXPECT_EQ(got[0], 12);
  EXPECT_EQ(got[3], 15);
  ASSERT_TRUE(SeekBy(h, -5));
  EXPECT_EQ(ReadBytes(h, got, 1), 1u);
  EXPECT_EQ(got[0], 11);
  ASSERT_TRUE(SeekEnd(h));
  EXPECT_EQ(TellPosition(h), 10);
  EXPECT_EQ(ReadBytes(h, got, 4), 0u);  // end of file
  ASSERT_TRUE(SeekTo(h, 8));
  EXPECT_EQ(ReadBytes(h, got, 4), 2u);  // a short read reports what it got
  EXPECT_FALSE(SeekTo(h, -1));
  CloseFile(h);
  EXPECT_EQ(h, kNoFile);
  CloseFile(h);  // closing a closed handle is harmless

  h = OpenFile(path);
  ASSERT_NE(h, kNoFile);
  EXPECT_EQ(FileSize(h), 10);
  CloseFile(h);
  h = CreateFile(path);  // creating an existing file empties it
  EXPECT_EQ(FileSize(h), 0);
  CloseFile(h);
  EXPECT_TRUE(FileExists(path));
  EXPECT_TRUE(DeleteFile(path));
  EXPECT_FALSE(DeleteFile(path));
  EXPECT_FALSE(FileExists(path));
}

TEST(FileIo, MissingFilesClosedHandlesAndFullDisks) {
  test::TempDir dir;
  EXPECT_EQ(OpenFile(dir.path + "/missing"), kNoFile);
  EXPECT_EQ(OpenFileForReading(dir.path + "/missing"), kNoFile);
  EXPECT_EQ(CreateFile(dir.path + "/no/such/folder/file"), kNoFile);
  std::uint8_t b[2] = {1, 2};
  EXPECT_EQ(ReadBytes(kNoFile, b, 2), 0u);
  EXPECT_EQ(WriteBytes(kNoFile, b, 2), 0u);
  EXPECT_FALSE(SeekTo(kNoFile, 0));
  EXPECT_EQ(TellPosition(kNoFile), -1);
  EXPECT_EQ(FileSize(kNoFile), -1);

  FileHandle full = OpenFile("/dev/full");
  if (full == kNoFile) GTEST_SKIP() << "/dev/full is not available";
  EXPECT_LT(WriteBytes(full, b, 2), 2u);
  CloseFile(full);
}

}  // namespace
}  // namespace vl::platform
