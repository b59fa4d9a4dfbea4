// The decoders against strips written by real tools, and against cut and damaged copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "tests/image/decoder_corpus.h"

namespace vl::test {
namespace {

using image::DecodeResult;
using image::DecodeStatus;

TEST(DecoderCorpus, EveryStripDecodesToThePixelsGivenToTheTool) {
  const std::vector<CorpusCase> corpus = LoadCorpus();
  std::set<std::string> codecs;
  for (const CorpusCase& c : corpus) {
    SCOPED_TRACE(c.name);
    codecs.insert(c.codec);
    ASSERT_TRUE(!c.in.empty() && c.expected.size() == c.rowBytes() * c.height);
    std::vector<std::uint8_t> out(c.expected.size());
    const DecodeResult r = DecodeStrip(c, c.in, out);
    EXPECT_TRUE(r.ok() && r.produced == c.expected.size());
    // Each row must start exactly where the tool put it, so row codecs use the strip up exactly.
    EXPECT_TRUE(c.codec == "lzw" ? r.consumed <= c.in.size() : r.consumed == c.in.size());
    const auto wrong = std::mismatch(out.begin(), out.end(), c.expected.begin()).first;
    EXPECT_TRUE(wrong == out.end()) << "first wrong byte at " << (wrong - out.begin());
  }
  // A missing or half-generated corpus must not pass quietly.
  EXPECT_GE(corpus.size(), 12u);
  EXPECT_EQ(codecs, (std::set<std::string>{"ccitt", "lzw", "packbits"}));
}

// Decodes a copy of `in` of exactly its size (reads past it are caught under the sanitizers)
// into `outSize` bytes with guard bytes on both sides, and checks that nothing strays.
DecodeResult DecodeGuarded(const CorpusCase& c, const std::vector<std::uint8_t>& in,
                           std::size_t outSize, std::vector<std::uint8_t>* out = nullptr) {
  constexpr int kGuard = 64;
  const std::vector<std::uint8_t> exact(in);
  std::vector<std::uint8_t> buffer(outSize + 2 * kGuard, 0xA5);
  const DecodeResult r = DecodeStrip(c, exact, std::span(buffer).subspan(kGuard, outSize));
  EXPECT_TRUE(r.consumed <= in.size() && r.produced <= outSize);
  EXPECT_EQ(std::count(buffer.begin(), buffer.begin() + kGuard, 0xA5), kGuard);
  EXPECT_EQ(std::count(buffer.end() - kGuard, buffer.end(), 0xA5), kGuard);
  if (out) out->assign(buffer.begin() + kGuard, buffer.begin() + kGuard + r.produced);
  return r;
}

TEST(DecoderCorpus, ShortOutputsCutAndDamagedStripsStayInsideTheirBuffers) {
  std::mt19937 rng(7);
  std::vector<std::uint8_t> out;
  const auto decodedSoFar = [](const std::vector<std::uint8_t>& got, const CorpusCase& c) {
    const std::size_t sampleBytes = std::max(1, c.bitsPerSample / 8);  // whole samples only
    return std::equal(got.begin(), got.end() - got.size() % sampleBytes, c.expected.begin());
  };
  for (const CorpusCase& c : LoadCorpus()) {
    SCOPED_TRACE(c.name);
    // A smaller output than the strip needs is a legitimate request: what fits is right.
    for (std::size_t size : {std::size_t{1}, c.expected.size() / 3, c.expected.size() - 1}) {
      EXPECT_TRUE(DecodeGuarded(c, c.in, size, &out).ok() && decodedSoFar(out, c)) << size;
    }
    // Cut strips, their end code gone too, say so and keep what they decoded (a CCITT row
    // caught in the middle of a run is not complete).
    const std::size_t n = c.in.size();
    for (std::size_t keep : {std::size_t{0}, std::size_t{1}, n / 2, n - 3}) {
      const std::vector<std::uint8_t> cut(c.in.begin(), c.in.begin() + keep);
      EXPECT_EQ(DecodeGuarded(c, cut, c.expected.size(), &out).status, DecodeStatus::kTruncated);
      EXPECT_TRUE(c.codec == "ccitt" || decodedSoFar(out, c)) << keep;
    }
    for (int trial = 0; trial < 40; ++trial) {
      std::vector<std::uint8_t> damaged(c.in);
      for (int e = 0, edits = 1 + static_cast<int>(rng() % 4); e < edits; ++e) {
        std::uint8_t& at = damaged[rng() % n];
        at = trial % 2 ? static_cast<std::uint8_t>(rng()) : at ^ (1u << (rng() % 8));
      }
      // Damaged input may decode to anything; the guard bytes around the output must hold.
      static_cast<void>(DecodeGuarded(c, damaged, c.expected.size()));
      static_cast<void>(DecodeGuarded(c, damaged, c.expected.size() / 3));
    }
  }
}

}  // namespace
}  // namespace vl::test
