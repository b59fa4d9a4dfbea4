// The RVX reader on hand-made files: what it accepts beyond the writer's layout, and every kind
// of bad header or data getting its own message without a crash.
#include <gtest/gtest.h>

#include "tests/image/readers/reader_test_support.h"

namespace vl::image::testing {
namespace {

// An RVX file: the header fields, then sections, as the format's byte table lays them out.
struct RvxFile {
  std::string signature = "RVXF";
  unsigned version = 1, channels = 1, depth = 8, mode = 1, compression = 0;
  std::uint32_t rows = 2, columns = 3;
  Bytes colorData, resources, layers, rowCounts, data;

  Bytes bytes() const {
    FileBuilder b;
    b.text(signature).be16(version).zeros(6).be16(channels).be32(rows).be32(columns);
    b.be16(depth).be16(mode).be32(std::uint32_t(colorData.size())).raw(colorData);
    b.be32(std::uint32_t(resources.size())).raw(resources);
    b.be32(std::uint32_t(layers.size())).raw(layers).be16(compression);
    return b.raw(rowCounts).raw(data).bytes;
  }
};

Bytes ResolutionBlock(double x, double y) {
  return FileBuilder()
      .text("RVXR")
      .be16(1005)
      .u8(0)
      .u8(0)
      .be32(16)
      .be32(std::uint32_t(x * 65536))
      .be16(1)
      .be16(1)
      .be32(std::uint32_t(y * 65536))
      .be16(1)
      .be16(1)
      .bytes;
}

TEST(RvxReader, HeaderFaultsEachGetTheirMessage) {
  struct Case {
    const char* what;
    std::function<void(RvxFile&)> spoil;
    int message;
  } cases[] = {
      {"signature", [](RvxFile& f) { f.signature = "RVXG"; }, msg::kInvalidRvxFormat},
      {"version 2", [](RvxFile& f) { f.version = 2; }, msg::kInvalidRvxFormat},
      {"HSL mode", [](RvxFile& f) { f.mode = 5; }, msg::kRvxModeNotSupported},
      {"duotone mode", [](RvxFile& f) { f.mode = 8; }, msg::kRvxModeNotSupported},
      {"zero rows",
       [](RvxFile& f) {
         f.rows = 0;
         f.data.clear();
       },
       msg::kInvalidRvxFormat},
      {"zero columns",
       [](RvxFile& f) {
         f.columns = 0;
         f.data.clear();
       },
       msg::kInvalidRvxFormat},
      {"32768 columns", [](RvxFile& f) { f.columns = 32768; }, msg::kInvalidRvxFormat},
      {"70000 rows", [](RvxFile& f) { f.rows = 70000; }, msg::kInvalidRvxFormat},
      {"no channels", [](RvxFile& f) { f.channels = 0; }, msg::kInvalidRvxFormat},
      {"RGB in two channels",
       [](RvxFile& f) {
         f.mode = 3;
         f.channels = 2;
       },
       msg::kInvalidRvxFormat},
      {"depth 4", [](RvxFile& f) { f.depth = 4; }, msg::kInvalidRvxFormat},
      {"bitmap of depth 8", [](RvxFile& f) { f.mode = 0; }, msg::kInvalidRvxFormat},
      {"colour data for gray", [](RvxFile& f) { f.colorData = Bytes(4); }, msg::kInvalidRvxFormat},
      {"indexed table of 767",
       [](RvxFile& f) {
         f.mode = 2;
         f.colorData = Bytes(767);
       },
       msg::kInvalidRvxFormat},
      {"indexed without table", [](RvxFile& f) { f.mode = 2; }, msg::kInvalidRvxFormat},
      {"resources past the end",
       [](RvxFile& f) {
         f.resources = ResolutionBlock(72, 72);
         f.resources.resize(20);
         f.data.clear();
       },
       msg::kInvalidRvxFormat},
      {"block longer than its section",
       [](RvxFile& f) {
         f.resources = ResolutionBlock(72, 72);
         f.resources.pop_back();
       },
       msg::kInvalidRvxFormat},
      {"compression 2", [](RvxFile& f) { f.compression = 2; }, msg::kInvalidRvxFormat},
      {"raw data one byte short", [](RvxFile& f) { f.data.pop_back(); }, msg::kInvalidRvxFormat},
      {"row counts beyond the data",
       [](RvxFile& f) {
         f.compression = 1;
         f.rowCounts = FileBuilder().be16(200).be16(2).bytes;
       },
       msg::kInvalidRvxFormat},
      {"a PackBits row that ends early",
       [](RvxFile& f) {
         f.compression = 1;
         f.rowCounts = FileBuilder().be16(2).be16(2).bytes;
         f.data = {0x01, 7, 0xFE, 9};  // row 1: a literal of 2 given one byte
       },
       msg::kInvalidRvxFormat},
  };
  for (const Case& c : cases) {
    RvxFile file;
    file.data = {1, 2, 3, 4, 5, 6};
    c.spoil(file);
    ReadRun run;
    EXPECT_EQ(run.readBytes(readRvx, file.bytes()), kReadFailed) << c.what;
    run.expectOnly(c.message);
    EXPECT_TRUE(run.image.bitLayer.empty()) << c.what;  // nothing kept after the failure
    EXPECT_TRUE(run.image.colorLayer.empty()) << c.what;
  }
}

TEST(RvxReader, EveryTruncationOfAValidFileFailsWithTheFormatMessage) {
  RvxFile file;
  file.mode = 3;
  file.channels = 3;
  file.compression = 1;
  file.resources = ResolutionBlock(100, 100);
  file.layers = Bytes(5, 0xAA);
  file.rowCounts = FileBuilder().be16(2).be16(2).be16(2).be16(2).be16(4).be16(4).bytes;
  file.data = {0xFE, 1, 0xFE, 2, 0xFE, 3, 0xFE, 4, 0x02, 5, 6, 7, 0x02, 8, 9, 10};
  const Bytes whole = file.bytes();
  ReadRun complete;
  ASSERT_EQ(complete.readBytes(readRvx, whole), kReadOk);
  EXPECT_EQ(ColorLayerPixels(complete.image),
            (Bytes{1, 3, 5, 1, 3, 6, 1, 3, 7, 2, 4, 8, 2, 4, 9, 2, 4, 10}));
  for (std::size_t size = 0; size < whole.size(); ++size) {
    ReadRun run;
    EXPECT_EQ(run.readBytes(readRvx, Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(size))),
              kReadFailed)
        << size;
    run.expectOnly(msg::kInvalidRvxFormat);
  }
}

TEST(RvxReader, ResourcesOtherThanTheResolutionAreSkippedWithTheirPadding) {
  RvxFile file;
  // A name of 2 (with its length byte padded to 4 bytes) and data of 3 (padded to 4).
  const Bytes other =
      FileBuilder().text("8BIM").be16(1000).u8(2).text("ab").u8(0).be32(3).raw({9, 9, 9, 0}).bytes;
  const Bytes wrongSize =
      FileBuilder().text("RVXR").be16(1005).u8(0).u8(0).be32(4).be32(0x10000).bytes;
  file.resources = other;
  file.resources.insert(file.resources.end(), wrongSize.begin(), wrongSize.end());
  const Bytes res = ResolutionBlock(240.5, 120.25);
  file.resources.insert(file.resources.end(), res.begin(), res.end());
  file.layers = Bytes(33, 0x55);  // whatever its length, the layer section is skipped
  file.data = {0, 64, 128, 192, 255, 7};
  ReadRun run;
  ASSERT_EQ(run.readBytes(readRvx, file.bytes()), kReadOk)
      << ::testing::PrintToString(run.messages());
  EXPECT_EQ(run.image.xResolution, 240.5);
  EXPECT_EQ(run.image.yResolution, 120.25);
  EXPECT_EQ(ColorLayerPixels(run.image), file.data);
  EXPECT_EQ(run.image.photometric, kBlackIsZero);

  // A zero resolution would divide by zero later: the default stays.
  file.resources = ResolutionBlock(0, 0);
  ReadRun zero;
  ASSERT_EQ(zero.readBytes(readRvx, file.bytes()), kReadOk);
  EXPECT_EQ(zero.image.xResolution, 72.0);
}

TEST(RvxReader, DownsamplingKeepsOddRowsAndOddSamples) {
  RvxFile file;
  file.columns = 5;
  file.rows = 5;
  for (int i = 0; i < 25; ++i) file.data.push_back(std::uint8_t(i));
  ReadRun run;
  run.image.downsample = true;
  ASSERT_EQ(run.readBytes(readRvx, file.bytes()), kReadOk);
  EXPECT_EQ(run.image.width, 2);
  EXPECT_EQ(run.image.height, 2);
  EXPECT_EQ(run.image.xResolution, 36.0);
  // Rows 1 and 3, samples 1 and 3 of each.
  EXPECT_EQ(ColorLayerPixels(run.image), (Bytes{6, 8, 16, 18}));
}

TEST(RvxReader, MemoryShortageAndTheUsersStopEndTheRead) {
  RvxFile file;
  file.data = {1, 2, 3, 4, 5, 6};
  for (long allowed = 0; allowed < 3; ++allowed) {
    ReadRun run;
    run.env.memory.failAfter(allowed);
    EXPECT_EQ(run.readBytes(readRvx, file.bytes()), kReadFailed) << allowed;
    run.expectOnly(msg::kInsufficientMemory);
  }
  // The colour layer itself cannot be had: the read stops with the same message, shown once.
  ReadRun tight;
  tight.env.memory.setLimit(8000);  // bit layer and processing buffer fit, not 30000 x 3 samples
  file.mode = 3;
  file.channels = 3;
  file.columns = 30000;
  file.rows = 1;
  file.data = Bytes(90000, 1);
  EXPECT_EQ(tight.readBytes(readRvx, file.bytes()), kReadFailed);
  tight.expectOnly(msg::kInsufficientMemory);

  ReadRun stopped;
  stopped.env.ui.requestAbort();
  file = RvxFile();
  file.data = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(stopped.readBytes(readRvx, file.bytes()), kReadFailed);
  EXPECT_TRUE(stopped.messages().empty());  // after the user's stop, no message
  EXPECT_FALSE(stopped.env.ui.progressOpen());
}

}  // namespace
}  // namespace vl::image::testing
