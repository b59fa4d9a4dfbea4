// Files written by real tools (corpus/make_tiff_corpus.py) give the pixels the tool was given,
// under any memory; cut or stopped reads fail cleanly; the fuzzer's findings end as recorded.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/image/tiff/tiff_test_support.h"

namespace vl::image::testing {
namespace {

std::string ModeWord(const RasterImage& image) {
  const std::string name(ImageModeName(ImageModeOf(image)));
  return name.substr(0, name.find(' '));  // "Gray scale" is "Gray" in the manifests
}

struct CorpusFile {
  std::string name, mode;
  int width, height;
  Bytes samples;  // what the reader stores, 8-bit; bilevel: a byte a pixel, 1 = black
  bool bitmap() const { return mode == "Bitmap"; }
  int channels() const { return static_cast<int>(samples.size()) / (width * height); }
};

std::vector<CorpusFile> Corpus() {
  std::vector<CorpusFile> files;
  for (const auto& row : ReadManifest(CorpusPath("corpus.txt"))) {  // file expected mode w h
    files.push_back({row.at(0), row.at(2), std::stoi(row.at(3)), std::stoi(row.at(4)),
                     ReadWholeFile(CorpusPath(row[1]))});
  }
  return files;
}

// The colour layer downsampled 2:1: odd rows, even pixels.
Bytes Halved(const CorpusFile& f) {
  Bytes out;
  for (int y = 1; y < f.height / 2 * 2; y += 2) {
    for (int x = 0; x < f.width / 2 * 2; x += 2) {
      const auto pixel = f.samples.begin() + (y * f.width + x) * f.channels();
      out.insert(out.end(), pixel, pixel + f.channels());
    }
  }
  return out;
}

// Whether a read image holds the expected bit layer (padding clear), or colour rows as read by
// readColorSpan in pieces of 7 bytes, which start and end inside pixels and 8-pixel pieces.
bool HoldsTheSource(const RasterImage& image, const CorpusFile& f) {
  if (image.width != f.width || image.height != f.height) return false;
  for (int y = 0; f.bitmap() && y < f.height; ++y) {
    for (int x = 0; x < image.paddedWidth; ++x) {
      if (pixelAt(BitRow(image, y), x) != (x < f.width && f.samples[y * f.width + x])) return false;
    }
  }
  Bytes rows, piece(16);  // room for the repeated last pixel
  for (std::int32_t y = 0; !f.bitmap() && y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.colorRowBytes; x += 7) {
      const std::int32_t n = std::min(7, image.colorRowBytes - x);
      if (!readColorSpan(image, x, y, n, piece.data())) return false;
      rows.insert(rows.end(), piece.begin(), piece.begin() + n);
    }
  }
  Bytes expected = f.bitmap() ? Bytes() : f.samples;
  // Gray rows read 0 = black whether held or left in the file, and photometric says so.
  if (!f.bitmap() && image.samplesPerPixel == 1 && image.photometric != kBlackIsZero) return false;
  return rows == expected;
}

// Allocation n fails, for n up to 11, then none does: each read either fails with "Insufficient
// memory to process image." and leaves nothing allocated, or gives the expected pixels. Every
// prefix of the file (cut by 1000th parts) fails with one message and nothing left, or, when
// only unused bytes were cut, is read in full. The user's stop, before the first row or halfway
// through, ends the read without a message and leaves nothing.
TEST(TiffCorpus, EveryFileGivesTheToolsPixelsUnderAnyMemoryAndFailsCleanlyWhenCutOrStopped) {
  const std::vector<CorpusFile> files = Corpus();
  ASSERT_EQ(files.size(), 37u) << "corpus.txt missing or short";
  const std::vector<int> cutMessages = {msg::kTiffIncompleteData, msg::kUnknownInputFormat,
                                        msg::kTiffBadCode, msg::kTiffBadStrokeLength,
                                        msg::kTiffByteOrderError};
  int pagedReads = 0, diskBackups = 0;
  for (const CorpusFile& f : files) {
    SCOPED_TRACE(f.name);
    const Bytes whole = ReadWholeFile(CorpusPath(f.name));
    for (long allowed = 0; allowed <= 12; ++allowed) {
      SCOPED_TRACE(allowed);
      TestRuntime t;
      RasterImage image, half;
      t.memory.failAfter(allowed < 12 ? allowed : -1);
      const ReadOutcome outcome = OpenBytes(t, image, whole);
      const bool ok = outcome.read();
      t.memory.failAfter(-1);
      EXPECT_EQ(outcome, ok ? kReadDone : ReadFailed(msg::kInsufficientMemory));
      EXPECT_EQ(OnlyMessage(t), ok ? "" : Text(msg::kInsufficientMemory));
      ASSERT_TRUE(ok || allowed < 12);
      EXPECT_TRUE(!ok || HoldsTheSource(image, f));
      EXPECT_TRUE(ok || image.fileHandle == platform::kNoFile);
      EXPECT_FALSE(t.ui.progressOpen());
      const bool paged = ok && !f.bitmap() && !image.colorInMemory;
      pagedReads += paged;
      diskBackups += ok && image.backupOnDisk;
      if (allowed == 12) {
        EXPECT_EQ(image.sourceFormat, kSourceTiff);
        EXPECT_EQ(ModeWord(image), f.mode);
        EXPECT_TRUE(!f.bitmap() || image.photometric == kWhiteIsZero);
        EXPECT_EQ(f.bitmap() ? 1 : f.channels(), image.samplesPerPixel);
        EXPECT_NE(std::find(t.ui.labels.begin(), t.ui.labels.end(), Text(msg::kReadingImageData)),
                  t.ui.labels.end());
        half.downsample = true;  // a bilevel image never is
        ASSERT_EQ(OpenBytes(t, half, whole), kReadDone);
        EXPECT_EQ(half.width, f.bitmap() ? f.width : f.width / 2);
        EXPECT_DOUBLE_EQ(half.yResolution * (f.bitmap() ? 1 : 2), image.yResolution);
        EXPECT_EQ(ColorBytes(half), f.bitmap() ? Bytes() : Halved(f));
      }
      releaseImage(image, t.rt);
      releaseImage(half, t.rt);
      EXPECT_EQ(t.memory.used(), 0u);
      std::uint8_t sample[8];
      EXPECT_FALSE(paged && readColorSpan(image, 0, 0, 3, sample));  // the file is closed
    }
    TestRuntime t;
    RasterImage image;
    for (std::size_t cut = 0; cut <= whole.size(); cut += 1 + whole.size() / 1000) {
      SCOPED_TRACE(cut);  // the last read, of a few bytes, fails and leaves nothing open
      t.ui.clearMessages();
      const ReadOutcome outcome = ReadMemory(t, image, Bytes(whole.begin(), whole.end() - cut));
      const bool cutMessage =
          std::count(cutMessages.begin(), cutMessages.end(), outcome.message) != 0;
      EXPECT_TRUE(outcome.read() ? HoldsTheSource(image, f) && t.ui.messages().empty()
                                 : outcome.result == ReadResult::kFailed && cutMessage &&
                                       OnlyMessage(t) == Text(outcome.message) &&
                                       image.fileHandle == platform::kNoFile &&
                                       t.memory.used() == 0)
          << ::testing::PrintToString(outcome) << " " << OnlyMessage(t);
    }
    // A whole read first counts the looks at the event queue (a poll before every row).
    TestRuntime counting;
    counting.ui.stopAtDrain = 1 << 30;
    ASSERT_EQ(ReadMemory(counting, image, whole), kReadDone);
    releaseImage(image, counting.rt);
    ASSERT_GE(counting.ui.drains(), f.height);
    for (int stopAt : {1, counting.ui.drains() / 2}) {
      SCOPED_TRACE("stopped at look " + std::to_string(stopAt));
      TestRuntime stopped;
      stopped.ui.stopAtDrain = stopAt;
      EXPECT_EQ(ReadMemory(stopped, image, whole), kReadStopped);
      EXPECT_TRUE(stopped.ui.messages().empty() && stopped.state.abortRequested != 0);
      EXPECT_TRUE(stopped.memory.used() == 0 && image.fileHandle == platform::kNoFile);
      EXPECT_FALSE(stopped.ui.progressOpen());
    }
  }
  EXPECT_GE(pagedReads, 8);   // the uncompressed chunky strip files
  EXPECT_GE(diskBackups, 8);  // every bilevel file
}

// Inputs the fuzzer found end as regressions/expected.txt records ("ok MODE" or the message).
TEST(TiffCorpus, FuzzerFindingsEndAsRecorded) {
  for (auto row : ReadManifest(TiffDir() + "regressions/expected.txt")) {
    SCOPED_TRACE(row.at(0));
    TestRuntime t;
    RasterImage image;
    const ReadOutcome outcome =
        ReadMemory(t, image, ReadWholeFile(TiffDir() + "regressions/" + row[0]));
    const bool ok = outcome.read();
    for (std::size_t i = 2; i < row.size(); ++i) row[1] += " " + row[i];
    EXPECT_EQ(ok ? "ok " + ModeWord(image) : Text(outcome.message), row.at(1));
    const std::vector<std::string> shown = {Text(outcome.message)};
    EXPECT_EQ(t.ui.messages(), ok ? std::vector<std::string>{} : shown);
    releaseImage(image, t.rt);
    EXPECT_EQ(t.memory.used(), 0u);
  }
}

}  // namespace
}  // namespace vl::image::testing
