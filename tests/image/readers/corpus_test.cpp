// Files made by real tools (and a few re-encoded by hand from the same pixels) must read to
// exactly the pixels the tools were given, whole or downsampled, and be refused cleanly when cut
// short, out of memory or stopped; corpus/make_corpus.sh says who made what.
#include <gtest/gtest.h>

#include <map>

#include "tests/image/readers/reader_test_support.h"

namespace vl::image::testing {
namespace {

struct CorpusEntry { std::string file, reader, picture; };  // a line of corpus.txt

std::vector<CorpusEntry> Manifest() {
  std::ifstream in(CorpusPath("corpus.txt"));
  std::vector<CorpusEntry> out;
  for (CorpusEntry e; in >> e.file >> e.reader >> e.picture; in.ignore(1 << 20, '\n'))
    out.push_back(e);
  EXPECT_EQ(out.size(), 22u);
  return out;
}

// What a good read says: only the 16-bit RVX file announces its conversion.
std::vector<std::string> Notes(const std::string& file) {
  if (file != "rvx_rgb16_raw.rvx") return {};
  return {std::string(msg::Text(msg::kRvxSixteenBitNote))};
}

TEST(ReaderCorpus, EveryFileReadsToThePixelsGivenToTheTool) {
  // Pixels per inch: Sun raster keeps the dispatch's 300, PCX takes the screen's 96, MacPaint
  // has 72, RVX its resolution resource or else 72.
  const std::map<std::string, std::pair<double, double>> resolutions = {
      {"sun", {300, 300}}, {"pcx", {96, 96}}, {"macpaint", {72, 72}}, {"rvx", {72, 72}},
      {"rvx_rgb_packbits.rvx", {150, 75.5}}, {"rvx_rgb_alpha.rvx", {300, 300}},
      {"rvx_gray_raw.rvx", {200, 200}}};
  for (const CorpusEntry& e : Manifest()) {
    const Picture want = LoadPicture(e.picture);
    const auto ppi = resolutions.count(e.file) ? resolutions.at(e.file) : resolutions.at(e.reader);
    for (bool halve : {false, true}) {
      SCOPED_TRACE(e.file + (halve ? " downsampled" : ""));
      ReadRun run;
      run.image.downsample = halve;
      ASSERT_EQ(run.open(ReadBytes(CorpusPath(e.file)), OpenName(e.file)), kReadDone)
          << ::testing::PrintToString(run.env.ui.messages());
      const int by = halve && !want.bilevel ? 2 : 1;  // a bilevel image is never downsampled
      EXPECT_EQ(run.image.width, want.width / by);
      EXPECT_EQ(run.image.height, want.height / by);
      // RVX keeps the odd pixels.
      EXPECT_EQ(ImagePixels(run.image),
                by == 2 ? Halved(want.pixels, want.width, want.height, want.samples,
                                 e.reader == "rvx")
                        : want.pixels);
      if (want.samples == 1 && !want.bilevel) { EXPECT_EQ(run.image.photometric, kBlackIsZero); }
      EXPECT_EQ(run.image.xResolution, ppi.first / by);
      EXPECT_EQ(run.image.yResolution, ppi.second / by);
      EXPECT_EQ(run.env.ui.messages(), Notes(e.file));
      EXPECT_EQ(run.env.ui.labels.at(0), msg::Text(msg::kReadingImageData));
      EXPECT_FALSE(run.env.ui.progressOpen());
      // The common completion ran: the bilevel picture has its backup.
      if (want.bilevel) { EXPECT_TRUE(!run.image.backupLayer.empty() || run.image.backupOnDisk); }
    }
  }
}

TEST(ReaderCorpus, CutShortOutOfMemoryOrStoppedAReadSaysSoAndLeavesNothing) {
  for (const CorpusEntry& e : Manifest()) {
    const Bytes whole = ReadBytes(CorpusPath(e.file));
    // Cut in the header, the sections or the pixels (which end before PCX's colour trailer
    // and RVX's alpha plane of 19 2-byte rows): failed with the format's message.
    std::size_t end = whole.size();
    if (e.reader == "pcx" && end > 769 && whole[end - 769] == 12) end -= 769;
    if (e.file == "rvx_rgb_alpha.rvx") end -= 38;
    std::vector<std::size_t> sizes = {0, 40, 129, end / 2 + 64, end - 1};
    for (std::size_t size = 0; e.reader == "rvx" && size < 120; ++size) sizes.push_back(size);
    ExpectUnfinishedReadsKeepNothing(
        whole, OpenName(e.file), sizes,
        e.reader == "rvx" ? msg::kInvalidRvxFormat : msg::kUnknownInputFormat, Notes(e.file));
  }
}

}  // namespace
}  // namespace vl::image::testing
