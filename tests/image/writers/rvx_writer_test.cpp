// The RVX writer: every field where the byte table puts it, and every image mode read back by
// the RVX reader to the same image.
#include "image/rvx_writer.h"

#include <gtest/gtest.h>

#include "engine/byte_order.h"
#include "image/rvx_reader.h"
#include "tests/image/writers/writer_test_support.h"

namespace vl::image::testing {
namespace {

std::uint16_t Be16(const Bytes& b, std::size_t at) { return engine::LoadBe16(b.data() + at); }
std::uint32_t Be32(const Bytes& b, std::size_t at) { return engine::LoadBe32(b.data() + at); }

TEST(RvxWriter, FieldsFollowTheByteTable) {
  WriterRig rig;
  rig.color(
      5, 2, 3, [](int x, int y, int s) { return std::uint8_t(10 * x + 100 * y + s); }, 150.7);
  rig.image.yResolution = 96.25;
  const std::string file = rig.path("rgb.rvx");
  ASSERT_TRUE(writeRvxFile(rig.env.rt, rig.image, file));
  const Bytes b = FileBytes(file);
  ASSERT_EQ(b.size(), 68u + 3 * 2 * 5);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RVXF");
  EXPECT_EQ(Be16(b, 4), 1);  // version
  EXPECT_EQ(Bytes(b.begin() + 6, b.begin() + 12), Bytes(6, 0));
  EXPECT_EQ(Be16(b, 12), 3);    // channels
  EXPECT_EQ(Be32(b, 14), 2u);   // rows
  EXPECT_EQ(Be32(b, 18), 5u);   // columns
  EXPECT_EQ(Be16(b, 22), 8);    // depth
  EXPECT_EQ(Be16(b, 24), 3);    // RGB
  EXPECT_EQ(Be32(b, 26), 0u);   // colour mode data
  EXPECT_EQ(Be32(b, 30), 28u);  // image resources
  EXPECT_EQ(std::string(b.begin() + 34, b.begin() + 38), "RVXR");
  EXPECT_EQ(Be16(b, 38), 1005);
  EXPECT_EQ(Be16(b, 40), 0);  // empty name and its pad byte
  EXPECT_EQ(Be32(b, 42), 16u);
  EXPECT_EQ(Be32(b, 46), std::uint32_t(150.7 * 65536));
  EXPECT_EQ(Be16(b, 50), 1);
  EXPECT_EQ(Be16(b, 52), 1);
  EXPECT_EQ(Be32(b, 54), std::uint32_t(96.25 * 65536));
  EXPECT_EQ(Be16(b, 58), 1);
  EXPECT_EQ(Be16(b, 60), 1);
  EXPECT_EQ(Be32(b, 62), 0u);  // layer and mask information
  EXPECT_EQ(Be16(b, 66), 0);   // raw
  // Planes R, G, B, each row by row from the top.
  const Bytes planes(b.begin() + 68, b.end());
  EXPECT_EQ(planes,
            (Bytes{0,   10,  20,  30,  40,  100, 110, 120, 130, 140, 1,   11,  21,  31,  41,
                   101, 111, 121, 131, 141, 2,   12,  22,  32,  42,  102, 112, 122, 132, 142}));
}

TEST(RvxWriter, CmykIsStoredComplementedAndBitmapRowsAreWholeBytes) {
  WriterRig cmyk;
  // Pixel 0 pure black (K = 255), pixel 1 no ink.
  cmyk.color(
      2, 1, 4, [](int x, int, int s) { return std::uint8_t(x == 0 && s == 3 ? 255 : 0); }, 72.0);
  ASSERT_TRUE(writeRvxFile(cmyk.env.rt, cmyk.image, cmyk.path("cmyk.rvx")));
  const Bytes c = FileBytes(cmyk.path("cmyk.rvx"));
  EXPECT_EQ(Be16(c, 24), 4);
  EXPECT_EQ(Bytes(c.begin() + 68, c.end()), (Bytes{255, 255, 255, 255, 255, 255, 0, 255}));

  WriterRig bits;
  bits.bilevel({"#.........#", "...........", "##########."}, 300.0);
  ASSERT_TRUE(writeRvxFile(bits.env.rt, bits.image, bits.path("bits.rvx")));
  const Bytes b = FileBytes(bits.path("bits.rvx"));
  EXPECT_EQ(Be16(b, 12), 1);
  EXPECT_EQ(Be16(b, 22), 1);  // depth
  EXPECT_EQ(Be16(b, 24), 0);  // bitmap
  EXPECT_EQ(Bytes(b.begin() + 68, b.end()), (Bytes{0x80, 0x20, 0, 0, 0xFF, 0xC0}));
}

TEST(RvxWriter, EveryModeReadsBackToTheSameImage) {
  for (int samples : {0, 1, 3, 4}) {
    SCOPED_TRACE(samples);
    WriterRig rig;
    if (samples == 0) {
      rig.bilevel({"#.#.#.#.#.#.#.#.#.#.#.#.#.#.#.#.#.##", "...##..##....................##....#",
                   "#..................................."},
                  240.5);
    } else {
      rig.color(
          33, 7, samples, [](int x, int y, int s) { return std::uint8_t(x * 31 + y * 7 + s * 50); },
          240.5);
    }
    const std::string file = rig.path("back.rvx");
    ASSERT_TRUE(writeRvxFile(rig.env.rt, rig.image, file));

    RasterImage back;
    back.fileHandle = platform::OpenFileForReading(file);
    ASSERT_EQ(readRvx(back, rig.env.rt), kReadOk);
    ASSERT_TRUE(completeLoad(back, rig.env.rt));
    EXPECT_EQ(back.width, rig.image.width);
    EXPECT_EQ(back.height, rig.image.height);
    EXPECT_EQ(imageMode(back), imageMode(rig.image));
    EXPECT_EQ(back.xResolution, 240.5);
    if (samples == 0) {
      EXPECT_EQ(bilevelPicture(back), bilevelPicture(rig.image));
    } else {
      const std::size_t bytes = std::size_t(rig.image.colorRowBytes) * rig.image.height;
      EXPECT_EQ(Bytes(back.colorLayer.data(), back.colorLayer.data() + bytes),
                Bytes(rig.image.colorLayer.data(), rig.image.colorLayer.data() + bytes));
    }
    releaseImage(back, rig.env.rt);
  }
}

}  // namespace
}  // namespace vl::image::testing
