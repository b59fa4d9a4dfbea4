// The same picture traced three ways must agree: with a chain buffer large enough for every
// boundary, with one so small that long boundaries spill to "edgearr", and with the shape mask
// drawn into the image itself (no spare layer) and the covered words kept in "dgtemp".
// Scratch failures and a user abort end the extraction.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "app/message_table.h"
#include "tests/engine/edges/edge_fixture.h"

namespace vl::engine {
namespace {

using test::EdgeFixture;
using test::EdgeOptions;

constexpr std::int32_t kWidth = 90, kHeight = 50;

// A disc with two holes (one holding an island), a ring touching the right edge, a bar along
// the bottom right and scattered noise. The disc, the ring and the bar have boundaries longer
// than the tiny chain buffer.
std::vector<std::string> BusyPicture() {
  std::vector<std::string> rows = test::Blank(kWidth, kHeight);
  auto set = [&](int x, int y) {
    if (x >= 0 && y >= 0 && x < kWidth && y < kHeight) rows[y][x] = '#';
  };
  auto clear = [&](int x, int y) { rows[y][x] = '.'; };
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double d = std::hypot(x - 25.0, y - 24.0);
      if (d <= 20.0) set(x, y);
      if (std::hypot(x - 18.0, y - 20.0) <= 5.0) clear(x, y);
      if (std::abs(x - 32) <= 4 && std::abs(y - 30) <= 3) clear(x, y);
      if (x == 32 && y == 30) set(x, y);
      if (x >= 62 && y >= 2 && y <= 30 && !(x >= 67 && x <= 84 && y >= 7 && y <= 25)) set(x, y);
      if (y >= 45 && x >= 38) set(x, y);
    }
  }
  std::mt19937 rng(5);
  for (int i = 0; i < 40; ++i) set(47 + int(rng() % 12), int(rng() % 40));
  return rows;
}

// The cap that leaves a work area of 256 bytes: a chain buffer of 112 bytes.
std::size_t TinyCap(std::int32_t rowBytes) { return std::size_t(rowBytes) + 256; }

std::vector<std::string> MaskInside(EdgeFixture& f, const WidenedBox& w) {
  std::vector<std::string> rows;
  for (int y = w.top; y < w.top + w.height; ++y) {
    std::string row;
    for (int x = w.left; x < w.left + w.width; ++x) row += MaskPixel(f.t(), x, y) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

// Runs `plain` and `other` side by side over the picture; both must give the same records,
// masks (inside the widened box) and source planes after each RestoreShapeArea.
void ExpectSameTrace(EdgeFixture& plain, EdgeFixture& other, int& spilledCount) {
  InitBoundaryScan(plain.t());
  InitBoundaryScan(other.t());
  const auto otherBuffer = static_cast<int>(other.t().chain->sizeBytes());
  for (int boundary = 0; boundary < 1000; ++boundary) {
    SCOPED_TRACE(boundary);
    const int n = ExtractNextBoundary(plain.t());
    const int m = ExtractNextBoundary(other.t());
    if (n == 0) {
      EXPECT_EQ(m, 0);
      break;
    }
    EXPECT_EQ(m, std::min(n, otherBuffer));
    if (other.t().chain->spilled()) ++spilledCount;
    ASSERT_EQ(other.record(), plain.record());
    ASSERT_EQ(other.t().codeCount, plain.t().codeCount);
    const WidenedBox& w = plain.t().widened;
    EXPECT_EQ(other.t().widened.left, w.left);
    EXPECT_EQ(other.t().widened.width, w.width);
    ASSERT_EQ(MaskInside(other, w), MaskInside(plain, w));
    RestoreShapeArea(plain.t());
    RestoreShapeArea(other.t());
    ASSERT_EQ(other.source(), plain.source());
  }
  EXPECT_TRUE(plain.sourceEmpty());
  EXPECT_TRUE(other.sourceEmpty());
  EXPECT_EQ(other.env.state.abortRequested, 0);
  EXPECT_TRUE(other.env.ui.messages().empty());
}

TEST(EdgeExtraction, SpilledBoundariesReadBackAsInAnUnspilledRun) {
  EdgeFixture plain, tiny;
  plain.build(BusyPicture());
  tiny.build(kWidth, kHeight, EdgeOptions{false, TinyCap(plain.image.bitRowBytes)});
  tiny.draw(BusyPicture());
  ASSERT_EQ(tiny.t().chain->sizeBytes(), 112u);
  int spilled = 0;
  ExpectSameTrace(plain, tiny, spilled);
  EXPECT_GE(spilled, 3);  // the disc, the ring's outside and inside, the bottom bar
  EXPECT_TRUE(tiny.env.scratchExists("edgearr"));
  EXPECT_FALSE(plain.env.scratchExists("edgearr"));
}

TEST(EdgeExtraction, MaskInTheImageTracesAsWithASpareLayer) {
  EdgeFixture plain, inImage;
  plain.build(BusyPicture());
  inImage.build(BusyPicture(), EdgeOptions{true, TinyCap(plain.image.bitRowBytes)});
  int spilled = 0;
  ExpectSameTrace(plain, inImage, spilled);
  EXPECT_GT(spilled, 0);
  EXPECT_TRUE(inImage.env.scratchExists("dgtemp"));
  EXPECT_FALSE(plain.env.scratchExists("dgtemp"));
}

// A 40 x 20 rectangle: 116 codes, a record longer than the tiny chain buffer.
std::vector<std::string> LongBoundary() {
  std::vector<std::string> rows = test::Blank(kWidth, kHeight);
  for (int y = 10; y < 30; ++y) rows[y].replace(20, 40, std::string(40, '#'));
  return rows;
}

std::string PlainFileFolder(const std::string& root) {
  std::string plain = root + "/plain-file";
  int fd = ::open(plain.c_str(), O_CREAT | O_WRONLY, 0600);
  if (fd >= 0) ::close(fd);
  return plain + "/";  // a folder inside a regular file can never be made
}

TEST(EdgeExtraction, ScratchFailuresAndAbortEndTheExtraction) {
  // "edgearr" cannot be created when the long boundary spills.
  {
    EdgeFixture f;
    f.build(kWidth, kHeight, EdgeOptions{false, TinyCap(12)});
    f.draw(LongBoundary());
    f.env.scratchFolder = PlainFileFolder(f.env.root);
    InitBoundaryScan(f.t());
    EXPECT_EQ(ExtractNextBoundary(f.t()), 0);
    EXPECT_EQ(f.env.state.abortRequested, 1);
    ASSERT_EQ(f.env.ui.messages().size(), 1u);
    EXPECT_EQ(f.env.ui.messages()[0], msg::Text(msg::kScratchOpenFailed));
  }
  // "dgtemp" cannot be created for the first shape's rows.
  {
    EdgeFixture f;
    f.build({"....", ".##.", "...."}, EdgeOptions{true});
    f.env.scratchFolder = PlainFileFolder(f.env.root);
    InitBoundaryScan(f.t());
    EXPECT_EQ(ExtractNextBoundary(f.t()), 0);
    EXPECT_EQ(f.env.state.abortRequested, 1);
    ASSERT_EQ(f.env.ui.messages().size(), 1u);
    EXPECT_EQ(f.env.ui.messages()[0], msg::Text(msg::kScratchOpenFailed));
  }
  // The user stops while the long boundary spills: no message, nothing more is extracted.
  {
    EdgeFixture f;
    f.build(kWidth, kHeight, EdgeOptions{false, TinyCap(12)});
    f.draw(LongBoundary());
    f.env.ui.requestAbort();
    InitBoundaryScan(f.t());
    EXPECT_EQ(ExtractNextBoundary(f.t()), 0);
    EXPECT_EQ(f.env.state.abortRequested, 1);
    EXPECT_TRUE(f.env.ui.messages().empty());
    EXPECT_EQ(ExtractNextBoundary(f.t()), 0);
  }
}

}  // namespace
}  // namespace vl::engine
