// The decoders against strips written by trusted encoders, and against damaged copies of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "tests/image/decoder_corpus.h"

namespace {

using vl::image::DecodeResult;
using vl::image::DecodeStatus;
using vl::test::CorpusCase;
using vl::test::DecodeStrip;
using vl::test::LoadCorpus;

TEST(DecoderCorpus, EveryStripDecodesToThePixelsGivenToTheEncoder) {
  const std::vector<CorpusCase> corpus = LoadCorpus();
  std::set<std::string> codecs;
  for (const CorpusCase& c : corpus) {
    SCOPED_TRACE(c.name);
    codecs.insert(c.codec);
    ASSERT_FALSE(c.in.empty());
    const std::size_t rowBytes = c.codec == "ccitt" ? (c.width + 7) / 8 : c.rowBytes();
    ASSERT_EQ(c.expected.size(), rowBytes * c.height);
    std::vector<std::uint8_t> out(c.expected.size());
    const DecodeResult r = DecodeStrip(c, c.in, out);
    EXPECT_EQ(r.status, DecodeStatus::kOk);
    EXPECT_EQ(r.produced, c.expected.size());
    // Every row must start exactly where the encoder put it, so the strip is used up exactly.
    if (c.codec != "lzw") {
      EXPECT_EQ(r.consumed, c.in.size());
    }
    EXPECT_LE(r.consumed, c.in.size());
    const auto mismatch = std::mismatch(out.begin(), out.end(), c.expected.begin());
    EXPECT_TRUE(mismatch.first == out.end())
        << "first wrong byte at " << (mismatch.first - out.begin());
  }
  // A missing or half-generated corpus must not pass quietly.
  EXPECT_GE(corpus.size(), 12u);
  EXPECT_EQ(codecs, (std::set<std::string>{"ccitt", "lzw", "packbits"}));
}

// Decodes `in` (copied to a buffer of exactly its size, so reads past it are caught under the
// sanitizers) into an output with guard bytes on both sides, and checks nothing strays.
DecodeResult DecodeGuarded(const CorpusCase& c, const std::vector<std::uint8_t>& in,
                           std::size_t outSize) {
  constexpr std::size_t kGuard = 64;
  constexpr std::uint8_t kGuardByte = 0xA5;
  const std::vector<std::uint8_t> exact(in);
  std::vector<std::uint8_t> buffer(outSize + 2 * kGuard, kGuardByte);
  const DecodeResult r =
      DecodeStrip(c, exact, std::span<std::uint8_t>(buffer).subspan(kGuard, outSize));
  EXPECT_LE(r.consumed, in.size());
  EXPECT_LE(r.produced, outSize);
  for (std::size_t i = 0; i < kGuard; ++i) {
    EXPECT_EQ(buffer[i], kGuardByte);
    EXPECT_EQ(buffer[kGuard + outSize + i], kGuardByte);
  }
  return r;
}

TEST(DecoderCorpus, DamagedStripsStayInsideTheirBuffers) {
  std::mt19937 rng(7);
  for (const CorpusCase& c : LoadCorpus()) {
    SCOPED_TRACE(c.name);
    const std::size_t n = c.in.size();
    for (std::size_t keep : {std::size_t{0}, std::size_t{1}, n / 2, n - 1}) {
      const std::vector<std::uint8_t> cut(c.in.begin(), c.in.begin() + keep);
      const DecodeResult r = DecodeGuarded(c, cut, c.expected.size());
      // Row decoders have no padding to lose: a shortened strip always runs out mid-row.
      if (c.codec != "lzw") {
        EXPECT_EQ(r.status, DecodeStatus::kTruncated) << keep;
      }
    }
    for (int trial = 0; trial < 40; ++trial) {
      std::vector<std::uint8_t> damaged(c.in);
      const int edits = 1 + static_cast<int>(rng() % 4);
      for (int e = 0; e < edits; ++e) {
        const std::size_t at = rng() % n;
        damaged[at] = trial % 2 ? static_cast<std::uint8_t>(rng())
                                : static_cast<std::uint8_t>(damaged[at] ^ (1u << (rng() % 8)));
      }
      DecodeGuarded(c, damaged, c.expected.size());
      // A smaller output than the strip needs is a legitimate request, not an overflow.
      DecodeGuarded(c, damaged, c.expected.size() / 3);
    }
  }
}

}  // namespace
