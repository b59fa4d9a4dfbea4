// The pixel writers' failure paths: a file that cannot be created, a disk that fills up, memory
// that runs short and the user's stop each give their message (or none after a stop), leave
// no partial file, and leave an existing file of that name untouched. And Save Pixel Image As.
#include <glob.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "app/message_table.h"
#include "image/rvx_writer.h"
#include "image/save_pixel_image.h"
#include "image/tiff_writer.h"
#include "tests/image/writers/writer_test_support.h"

namespace vl::image::testing {
namespace {

int TemporaryFiles(const std::string& folder) {
  glob_t found{};
  int n = 0;
  if (glob((folder + ".vectorlume-pixels-*").c_str(), 0, nullptr, &found) == 0)
    n = int(found.gl_pathc);
  globfree(&found);
  return n;
}

using Writer = std::function<bool(WriterRig&, const std::string&)>;

std::vector<std::pair<const char*, Writer>> Writers() {
  return {{"RVX",
           [](WriterRig& r, const std::string& p) { return writeRvxFile(r.env.rt, r.image, p); }},
          {"TIFF",
           [](WriterRig& r, const std::string& p) { return writeTiffFile(r.env.rt, r.image, p); }}};
}

void LargeImage(WriterRig& rig) {
  rig.color(
      300, 40, 3, [](int x, int y, int s) { return std::uint8_t(x ^ y ^ s); }, 72.0);
}

TEST(PixelWriterFailure, AFileThatCannotBeCreatedShowsTheDiskMessage) {
  for (auto& [name, write] : Writers()) {
    SCOPED_TRACE(name);
    WriterRig rig;
    LargeImage(rig);
    const std::string path = rig.path("no-such-folder/image");
    EXPECT_FALSE(write(rig, path));
    EXPECT_EQ(rig.messages(),
              std::vector<std::string>{std::string(msg::Text(msg::kDiskFullOrLocked))});
    EXPECT_EQ(rig.env.state.abortRequested, 1);
    EXPECT_FALSE(platform::FileExists(path));
  }
}

TEST(PixelWriterFailure, AFullDiskKeepsThePreviousFileAndLeavesNothingBehind) {
  for (auto& [name, write] : Writers()) {
    SCOPED_TRACE(name);
    WriterRig rig;
    LargeImage(rig);
    const std::string path = rig.path("image");
    std::ofstream(path) << "the previous file";
    // The disk "fills up" after 1000 bytes: a file size limit makes the writes come up short.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const bool written = write(rig, path);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(rig.messages(),
              std::vector<std::string>{std::string(msg::Text(msg::kDiskFullOrLocked))});
    EXPECT_EQ(rig.env.state.abortRequested, 1);
    const Bytes kept = FileBytes(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "the previous file");
    EXPECT_EQ(TemporaryFiles(rig.env.scratchFolder), 0);

    // A device that is always full is written in place, and neither replaced nor deleted.
    rig.env.ui.clearMessages();
    rig.env.state.abortRequested = 0;
    EXPECT_FALSE(write(rig, "/dev/full"));
    EXPECT_EQ(rig.messages(),
              std::vector<std::string>{std::string(msg::Text(msg::kDiskFullOrLocked))});
    struct stat info {};
    ASSERT_EQ(stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
  }
}

TEST(PixelWriterFailure, NoMemoryForTheRowBufferShowsTheMemoryMessage) {
  for (auto& [name, write] : Writers()) {
    SCOPED_TRACE(name);
    WriterRig rig;
    LargeImage(rig);
    const std::string path = rig.path("image");
    std::ofstream(path) << "old";
    rig.env.memory.failAfter(0);
    EXPECT_FALSE(write(rig, path));
    EXPECT_EQ(rig.messages(),
              std::vector<std::string>{std::string(msg::Text(msg::kInsufficientMemory))});
    EXPECT_EQ(rig.env.state.abortRequested, 1);
    const Bytes kept = FileBytes(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "old");
    EXPECT_EQ(TemporaryFiles(rig.env.scratchFolder), 0);
  }
}

TEST(PixelWriterFailure, TheUsersStopEndsATiffSaveWithoutAFile) {
  WriterRig rig;
  LargeImage(rig);
  const std::string path = rig.path("stopped.tif");
  rig.env.ui.requestAbort();
  EXPECT_FALSE(writeTiffFile(rig.env.rt, rig.image, path));
  EXPECT_TRUE(rig.messages().empty());
  EXPECT_FALSE(platform::FileExists(path));
  EXPECT_EQ(TemporaryFiles(rig.env.scratchFolder), 0);
  // The RVX writer does not poll: a stop request does not reach it while it writes.
  WriterRig rvx;
  LargeImage(rvx);
  rvx.env.ui.requestAbort();
  EXPECT_TRUE(writeRvxFile(rvx.env.rt, rvx.image, rvx.path("kept.rvx")));
}

TEST(SavePixelImage, WritesTheChosenFormatAndRecordsWhereTheImageNowComesFrom) {
  struct Case {
    int format;
    std::int16_t source;
    const char* start;  // the file's first bytes
  } cases[] = {{kPixelSaveRvx2, kSourceRvx2, "RVXF"},
               {kPixelSaveRvx3, kSourceRvx3, "RVXF"},
               {kPixelSaveTiff, kSourceTiff, "MM"}};
  for (const Case& c : cases) {
    WriterRig rig;
    rig.bilevel({"#..#", ".##."}, 300.0);
    rig.image.sourceFormat = kSourcePcx;
    rig.env.state.abortRequested = 1;  // left over from an earlier command: no obstacle
    const std::string path = rig.path("saved");
    ASSERT_TRUE(savePixelImage(rig.env.rt, rig.image, path, c.format)) << c.format;
    EXPECT_EQ(rig.image.sourceFormat, c.source);
    const Bytes b = FileBytes(path);
    EXPECT_EQ(std::string(b.begin(), b.begin() + std::ptrdiff_t(std::strlen(c.start))), c.start);
  }
  WriterRig rig;
  rig.bilevel({"#"}, 300.0);
  rig.image.sourceFormat = kSourcePcx;
  EXPECT_FALSE(savePixelImage(rig.env.rt, rig.image, rig.path("x"), 2));
  ASSERT_EQ(rig.messages().size(), 1u);
  EXPECT_NE(rig.messages()[0].find("is not available in this build."), std::string::npos);
  EXPECT_EQ(rig.image.sourceFormat, kSourcePcx);
  EXPECT_FALSE(platform::FileExists(rig.path("x")));
}

}  // namespace
}  // namespace vl::image::testing
