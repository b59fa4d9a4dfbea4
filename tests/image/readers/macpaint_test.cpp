// MacPaint files that end before the page is full (whole files are in the corpus tests).
#include <gtest/gtest.h>

#include "tests/image/readers/reader_test_support.h"

namespace vl::image::testing {
namespace {

TEST(MacPaintReader, FilesThatEndEarlyAreUnknownFormats) {
  Bytes full = FileBuilder().zeros(512).bytes;
  for (int i = 0; i < 405; ++i) full.insert(full.end(), {0x81, 0xAA});  // 405 x 128 = 51840
  ReadRun complete;
  ASSERT_EQ(complete.readBytes(readMacPaint, full), kReadOk);
  for (std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{512}, std::size_t{513},
                           full.size() / 2, full.size() - 1}) {
    ReadRun run;
    EXPECT_EQ(run.readBytes(readMacPaint, Bytes(full.begin(), full.begin() + std::ptrdiff_t(size))),
              kReadFailed)
        << size;
    run.expectOnly(msg::kUnknownInputFormat);
  }
  // A literal that is cut short fails too.
  Bytes literal = FileBuilder().zeros(512).u8(0x7F).zeros(10).bytes;
  ReadRun cut;
  EXPECT_EQ(cut.readBytes(readMacPaint, literal), kReadFailed);
  cut.expectOnly(msg::kUnknownInputFormat);
}

}  // namespace
}  // namespace vl::image::testing
