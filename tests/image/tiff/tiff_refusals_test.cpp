// Bad input: every damaged, truncated or unsupported file is refused with one message, leaves
// nothing allocated and closes the file; a user's abort fails without a message.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/image/tiff/tiff_test_support.h"

namespace vl::image {
namespace {

using testing::OnlyMessage;
using testing::OpenBytes;
using testing::ReadWholeFile;
using testing::SimpleTiff;
using testing::TestRuntime;
using testing::Text;
using testing::TiffBuilder;
using testing::TiffCorpusDir;

using Bytes = std::vector<std::uint8_t>;

// Reads bytes that must be refused; returns the one message shown ("" if none or several).
std::string Refusal(const Bytes& bytes) {
  TestRuntime t;
  RasterImage image;
  const bool ok = OpenBytes(t, image, bytes);
  EXPECT_FALSE(ok);
  EXPECT_EQ(t.memory.used(), 0u) << "a layer or buffer outlived the failed read";
  EXPECT_EQ(image.fileHandle, platform::kNoFile);
  EXPECT_FALSE(t.ui.progressOpen());
  if (ok) releaseImage(image, t.rt);
  return OnlyMessage(t);
}

// A 12 x 2 gray image, one strip of 24 bytes.
TiffBuilder Gray() { return SimpleTiff(12, 2, 8, 1, kBlackIsZero, Bytes(24, 0x40)); }

// MSB-first bit strings to bytes, zero-padded.
Bytes Bits(const std::string& bits) {
  Bytes out((bits.size() + 7) / 8, 0);
  for (std::size_t i = 0; i < bits.size(); ++i)
    if (bits[i] == '1') out[i / 8] |= 0x80 >> (i % 8);
  return out;
}

TiffBuilder Ccitt(const Bytes& strip) {
  TiffBuilder b = SimpleTiff(12, 1, 1, 1, kWhiteIsZero, strip);
  b.tag(259, 3, {2});
  return b;
}

TEST(TiffRefusals, SizesAndCountsOutsideWhatTheFileHolds) {
  const std::string incomplete = Text(msg::kTiffIncompleteData);
  EXPECT_EQ(Refusal(Gray().tag(256, 3, {0}).build()), incomplete);   // width 0
  EXPECT_EQ(Refusal(Gray().tag(257, 3, {0}).build()), incomplete);   // height 0
  EXPECT_EQ(Refusal(Gray().remove(273).build()), incomplete);        // no strip offsets
  EXPECT_EQ(Refusal(Gray().tag(273, 4, {5000}).build()), incomplete);  // strip past the end
  EXPECT_EQ(Refusal(Gray().tag(279, 4, {5000}).build()), incomplete);  // count past the end
  EXPECT_EQ(Refusal(Gray().tag(279, 4, {20}).build()), incomplete);    // strip short of its rows
  EXPECT_EQ(Refusal(Gray().tag(278, 3, {1}).build()), incomplete);     // 2 strips, 1 offset
  EXPECT_EQ(Refusal(Gray().tag(278, 3, {0}).build()), incomplete);     // no rows per strip
  EXPECT_EQ(Refusal(Gray().tag(273, 4, {8, 8}).tag(278, 3, {1}).build()), incomplete);  // 1 count
  EXPECT_EQ(Refusal(Gray().raw(273, 4, 2, 0x7FFFFFF0).tag(278, 3, {1}).build()), incomplete);
  EXPECT_EQ(Refusal(Gray().tag(322, 3, {16}).build()), incomplete);  // tile width, no length

  // The directory itself cut short, or placed past the end.
  Bytes file = Gray().build();
  Bytes cut(file.begin(), file.end() - 20);
  EXPECT_EQ(Refusal(cut), incomplete);
  file[4] = 0xF0;
  EXPECT_EQ(Refusal(file), incomplete);

  // Sides beyond what the image's 16-bit coordinates hold; 32767 itself is fine.
  EXPECT_EQ(Refusal(Gray().tag(256, 4, {32768}).build()), Text(msg::kTiffUnimplementedEncoding));
  EXPECT_EQ(Refusal(Gray().tag(257, 4, {100000}).build()), Text(msg::kTiffUnimplementedEncoding));
  TestRuntime t;
  RasterImage wide;
  ASSERT_TRUE(OpenBytes(t, wide, SimpleTiff(32767, 1, 1, 1, 0, Bytes(4096, 0)).build()));
  EXPECT_EQ(wide.paddedWidth, 32768);
  releaseImage(wide, t.rt);
}

TEST(TiffRefusals, EncodingsDepthsAndSampleCountsNotDecoded) {
  const std::string unimplemented = Text(msg::kTiffUnimplementedEncoding);
  EXPECT_EQ(Refusal(Gray().tag(259, 3, {4}).build()), unimplemented);   // CCITT Group 4
  EXPECT_EQ(Refusal(Gray().tag(259, 3, {7}).build()), unimplemented);   // JPEG
  EXPECT_EQ(Refusal(Gray().tag(259, 3, {2}).build()), unimplemented);   // CCITT on gray
  EXPECT_EQ(Refusal(Gray().tag(259, 3, {32771}).build()), unimplemented);
  EXPECT_EQ(Refusal(Gray().tag(258, 3, {3}).build()), unimplemented);
  EXPECT_EQ(Refusal(Gray().tag(258, 3, {32}).build()), unimplemented);
  EXPECT_EQ(Refusal(Gray().tag(262, 3, {6}).build()), unimplemented);   // YCbCr
  EXPECT_EQ(Refusal(Gray().tag(262, 3, {2}).build()), unimplemented);   // RGB of 1 sample
  EXPECT_EQ(Refusal(Gray().tag(277, 3, {0}).build()), unimplemented);
  EXPECT_EQ(Refusal(Gray().tag(277, 3, {40}).build()), unimplemented);
  EXPECT_EQ(Refusal(Gray().tag(338, 3, {1}).build()), unimplemented);   // only an extra sample
  EXPECT_EQ(Refusal(Gray().tag(259, 3, {5}).tag(317, 3, {3}).build()), unimplemented);
  TiffBuilder fourBit = SimpleTiff(12, 2, 4, 1, kBlackIsZero, Bytes(12, 0));
  EXPECT_EQ(Refusal(fourBit.tag(259, 3, {5}).tag(317, 3, {2}).build()), unimplemented);
  EXPECT_EQ(Refusal(Gray().tag(322, 4, {70000}).tag(323, 3, {16}).build()), unimplemented);
}

TEST(TiffRefusals, ColourMapsMissingShortOrOutsideTheFile) {
  const std::string incomplete = Text(msg::kTiffIncompleteData);
  TiffBuilder palette = SimpleTiff(12, 2, 8, 1, kPhotometricPalette, Bytes(24, 1));
  EXPECT_EQ(Refusal(palette.build()), incomplete);  // no ColorMap
  palette.tag(320, 3, {1, 2, 3, 4, 5, 6});          // 6 entries
  EXPECT_EQ(Refusal(palette.build()), incomplete);
  palette.raw(320, 3, 768, 0x00FFFFF0);              // 768 entries past the end
  EXPECT_EQ(Refusal(palette.build()), incomplete);
  palette.raw(320, 4, 768, 8);                       // LONG entries
  TestRuntime t;
  RasterImage image;
  EXPECT_FALSE(OpenBytes(t, image, palette.build()));
  EXPECT_EQ(t.ui.messages(), (std::vector<std::string>{Text(msg::kTiffGetLongError), incomplete}));
}

TEST(TiffRefusals, CorruptCompressedData) {
  // CCITT: white 12 is the whole row; white 13 is one pixel too many; a code in no table.
  TestRuntime t;
  RasterImage image;
  ASSERT_TRUE(OpenBytes(t, image, Ccitt(Bits("001000")).build())) << OnlyMessage(t);
  releaseImage(image, t.rt);
  EXPECT_EQ(Refusal(Ccitt(Bits("000011")).build()), Text(msg::kTiffBadStrokeLength));
  EXPECT_EQ(Refusal(Ccitt(Bits("000000000000000")).build()), Text(msg::kTiffBadCode));
  // A row that never ends: white 0, black 0, ... until the strip runs out.
  std::string endless;
  for (int i = 0; i < 2000; ++i) endless += "00110101" "0000110111";
  EXPECT_EQ(Refusal(Ccitt(Bits(endless)).build()), Text(msg::kTiffIncompleteData));

  // LZW: a code beyond the table right after a clear; a strip that ends early.
  TiffBuilder lzw = SimpleTiff(12, 2, 8, 1, kBlackIsZero, Bits("100000000" "100101100"));
  lzw.tag(259, 3, {5});
  EXPECT_EQ(Refusal(lzw.build()), Text(msg::kTiffBadCode));
  TiffBuilder shortLzw = SimpleTiff(12, 2, 8, 1, kBlackIsZero,
                                    Bits("100000000" "001000000" "100000001"));
  shortLzw.tag(259, 3, {5});
  EXPECT_EQ(Refusal(shortLzw.build()), Text(msg::kTiffIncompleteData));

  // PackBits that runs out of input before the row is full.
  TiffBuilder packbits = SimpleTiff(12, 2, 8, 1, kBlackIsZero, Bytes{0xF5, 0x11});
  packbits.tag(259, 3, {32773});
  EXPECT_EQ(Refusal(packbits.build()), Text(msg::kTiffIncompleteData));
}

// Every prefix of real files: refused with one message and nothing left allocated, or (when
// only unused bytes were cut) read in full with the same pixels.
TEST(TiffRefusals, TruncatedRealFilesAtEveryLength) {
  const std::vector<std::string> allowed = {
      Text(msg::kTiffIncompleteData), Text(msg::kUnknownInputFormat),
      Text(msg::kTiffBadCode), Text(msg::kTiffBadStrokeLength), Text(msg::kTiffByteOrderError)};
  for (const char* name : {"bilevel_ccitt.tif", "bilevel_ccitt_mm_r9.tif", "gray_lzw2_r4_mm.tif",
                           "rgb_tiles_packbits.tif", "rgb_planar_lzw2_r8.tif",
                           "palette8_none.tif", "bilevel_preview.eps"}) {
    SCOPED_TRACE(name);
    const Bytes whole = ReadWholeFile(TiffCorpusDir() + name);
    TestRuntime t;
    RasterImage full;
    ASSERT_TRUE(OpenBytes(t, full, whole));
    const std::vector<std::string> picture = testing::bilevelPicture(full);
    const Bytes color = full.colorLayer.empty() ? Bytes{} : testing::ColorBytes(full);
    releaseImage(full, t.rt);

    const std::size_t step = std::max<std::size_t>(1, whole.size() / 1500);
    for (std::size_t length = 0; length < whole.size(); length += step) {
      SCOPED_TRACE(length);
      t.ui.clearMessages();
      RasterImage image;
      if (testing::ReadMemory(t, image, Bytes(whole.begin(), whole.begin() + length))) {
        EXPECT_TRUE(t.ui.messages().empty());
        EXPECT_EQ(testing::bilevelPicture(image), picture);
        if (!color.empty()) {
          EXPECT_EQ(testing::ColorBytes(image), color);
        }
        releaseImage(image, t.rt);
      } else {
        ASSERT_EQ(t.ui.messages().size(), 1u);
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), t.ui.messages()[0]), allowed.end())
            << t.ui.messages()[0];
        EXPECT_EQ(image.fileHandle, platform::kNoFile);
      }
      EXPECT_EQ(t.memory.used(), 0u);
    }
  }
}

TEST(TiffRefusals, AbortStopsTheReadWithoutAMessage) {
  const Bytes file = ReadWholeFile(TiffCorpusDir() + "noise_lzw_r32.tif");
  TestRuntime t;
  RasterImage image;
  t.ui.requestAbort();
  EXPECT_FALSE(OpenBytes(t, image, file));
  EXPECT_TRUE(t.ui.messages().empty());
  EXPECT_TRUE(t.state.abortRequested != 0);
  EXPECT_EQ(t.memory.used(), 0u);
  EXPECT_EQ(image.fileHandle, platform::kNoFile);
  EXPECT_FALSE(t.ui.progressOpen());
}

}  // namespace
}  // namespace vl::image
