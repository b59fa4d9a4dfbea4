// The dispatch reaches every reader: MacPaint, PCX and RVX by their extensions, Sun raster by
// its signature whatever the name, the program's own bitmap file for ".sun" files without one.
#include <gtest/gtest.h>

#include "image/input_dispatch.h"
#include "tests/image/readers/reader_test_support.h"

namespace vl::image::testing {
namespace {

// Copies a corpus file (or bytes) under a new name and opens it as the user would.
struct Opened {
  TestRuntime env;
  RasterImage image;
  bool ok = false;

  Opened(const Bytes& bytes, const std::string& name) {
    const std::string path = env.scratchFolder + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    image.inputName = path;
    chooseFormatByName(image, path);
    ok = openInputImage(image, env.rt, false);
  }
};

TEST(ReaderDispatch, ExtensionsAndSignaturesReachEachReader) {
  struct Case {
    const char* corpusFile;
    const char* name;
    std::int32_t width;
    bool bilevel;
  } cases[] = {
      {"macpaint_pbmtomacp.mac", "page.PNT", 576, true},
      {"pcx_netpbm_rgb.pcx", "photo.pcx", 45, false},
      {"rvx_indexed.rvx", "layers.Rvx", 45, false},
      {"sun_imagemagick.ras", "frame.sun", 41, true},
      {"sun_imagemagick.ras", "frame.ras", 41, true},  // by signature alone
      {"sun_pnmtorast.ras", "noextension", 40, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Opened o(ReadBytes(CorpusPath(c.corpusFile)), c.name);
    ASSERT_TRUE(o.ok) << ::testing::PrintToString(o.env.ui.messages());
    EXPECT_EQ(o.image.width, c.width);
    EXPECT_EQ(isBilevel(o.image), c.bilevel);
    // The common completion ran: the bilevel backup exists, the art scale is set.
    if (c.bilevel) {
      EXPECT_TRUE(!o.image.backupLayer.empty() || o.image.backupOnDisk);
    }
    EXPECT_GT(o.image.artScale, 1.0);
  }
}

TEST(ReaderDispatch, DotSunFilesWithoutTheSignatureAreTheProgramsOwnBitmapFile) {
  FileBuilder b;
  b.zeros(4).le16(2).le16(0).le16(0).le16(2).le16(9).raw({0xFF, 0x80, 0x55, 0x00});
  b.zeros(20);  // the dispatch reads 32 bytes before it chooses
  Opened own(b.bytes, "drawing.sun");
  ASSERT_TRUE(own.ok) << ::testing::PrintToString(own.env.ui.messages());
  EXPECT_EQ(bilevelPicture(own.image), (std::vector<std::string>{"#########", ".#.#.#.#."}));
  EXPECT_EQ(own.image.xResolution, 300.0);  // the dispatch's default

  // The same bytes under another unknown name: no signature, so no reader.
  Opened other(b.bytes, "drawing.dat");
  EXPECT_FALSE(other.ok);
  EXPECT_EQ(other.env.ui.messages(),
            std::vector<std::string>{std::string(msg::Text(msg::kUnknownInputFormat))});
}

TEST(ReaderDispatch, AFailedReadReleasesEverything) {
  Bytes pcx = ReadBytes(CorpusPath("pcx_netpbm_rgb.pcx"));
  pcx.resize(pcx.size() / 2);
  Opened o(pcx, "cut.pcx");
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.env.ui.messages(),
            std::vector<std::string>{std::string(msg::Text(msg::kUnknownInputFormat))});
  EXPECT_TRUE(o.image.colorLayer.empty());
  EXPECT_TRUE(o.image.bitLayer.empty());
  EXPECT_EQ(o.image.fileHandle, platform::kNoFile);
  EXPECT_EQ(o.env.memory.used(), 0u);
}

}  // namespace
}  // namespace vl::image::testing
