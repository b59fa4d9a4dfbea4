// LZW strips: round trips through a small test encoder, the end of output, and broken streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "image/lzw_decoder.h"
#include "platform/memory_block.h"
#include "tests/image/decoder_corpus.h"

namespace {

using vl::image::DecodeLzw;
using vl::image::DecodeResult;
using vl::image::DecodeStatus;
using vl::image::LzwTable;
using Bytes = std::vector<std::uint8_t>;

// Codes packed most significant bit first.
class CodeWriter {
 public:
  void put(unsigned code, int bits) {
    for (int b = bits - 1; b >= 0; --b) {
      if (used_ % 8 == 0) bytes_.push_back(0);
      if ((code >> b) & 1u) bytes_.back() |= static_cast<std::uint8_t>(0x80u >> (used_ % 8));
      ++used_;
    }
  }
  Bytes bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  std::size_t used_ = 0;
};

struct EncoderOptions {
  bool leadingClear = true;
  bool clearWhenFull = true;  // otherwise keep coding with a full table
};

// Test-only TIFF LZW encoder, written from the scheme: the code width grows once the encoder's
// next free code passes the current width's largest code (one code ahead of the decoder).
Bytes EncodeLzw(const Bytes& data, EncoderOptions options = {}) {
  CodeWriter w;
  std::map<std::pair<unsigned, std::uint8_t>, unsigned> dictionary;
  unsigned next = 258;
  int bits = 9;
  const auto grow = [&] {
    if (next < 4096) ++next;
    if (next == (1u << bits) && bits < 12) ++bits;
  };
  if (options.leadingClear) w.put(256, 9);
  int prefix = -1;
  for (std::uint8_t byte : data) {
    if (prefix < 0) {
      prefix = byte;
      continue;
    }
    const auto found = dictionary.find({static_cast<unsigned>(prefix), byte});
    if (found != dictionary.end()) {
      prefix = static_cast<int>(found->second);
      continue;
    }
    w.put(static_cast<unsigned>(prefix), bits);
    if (next < 4096) dictionary[{static_cast<unsigned>(prefix), byte}] = next;
    grow();
    if (options.clearWhenFull && next == 4094) {
      w.put(256, bits);
      dictionary.clear();
      next = 258;
      bits = 9;
    }
    prefix = byte;
  }
  if (prefix >= 0) {
    w.put(static_cast<unsigned>(prefix), bits);
    grow();  // the decoder adds an entry after this code too
  }
  w.put(257, bits);
  return w.bytes();
}

Bytes Decode(const Bytes& in, std::size_t outSize, DecodeResult* result = nullptr) {
  auto table = std::make_unique<LzwTable>();
  Bytes out(outSize);
  const DecodeResult r = DecodeLzw(in, out, *table);
  if (result) *result = r;
  out.resize(r.produced);
  return out;
}

TEST(Lzw, RoundTripsThroughEveryCodeWidthAndTableReset) {
  std::mt19937 rng(11);
  Bytes noise(20000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(rng() % 7 == 0 ? rng() : rng() % 4);
  const Bytes same(9000, 0x3C);  // each new code is the one being defined (KwKwK)
  Bytes ramp;
  for (int i = 0; i < 3000; ++i) ramp.push_back(static_cast<std::uint8_t>(i * i / 7));

  for (const EncoderOptions options :
       {EncoderOptions{}, EncoderOptions{false, true}, EncoderOptions{true, false}}) {
    for (const Bytes* data : std::initializer_list<const Bytes*>{&noise, &same, &ramp}) {
      const Bytes stream = EncodeLzw(*data, options);
      DecodeResult r;
      // Extra room: the end code, not the buffer, must end the strip.
      EXPECT_EQ(Decode(stream, data->size() + 100, &r), *data);
      EXPECT_EQ(r.status, DecodeStatus::kOk);
      EXPECT_EQ(r.consumed, stream.size());
    }
  }
  // The noise filled the table several times over, with and without resets.
  EXPECT_GT(EncodeLzw(noise).size(), 4096u * 12 / 8);
}

TEST(Lzw, OutputStopsWhenTheStripBufferIsFull) {
  const auto corpus = vl::test::LoadCorpus();
  const auto gray = std::find_if(corpus.begin(), corpus.end(),
                                 [](const auto& c) { return c.name == "lzw_gray8"; });
  ASSERT_NE(gray, corpus.end());
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{1000}, std::size_t{23999}}) {
    DecodeResult r;
    const Bytes out = Decode(gray->in, size, &r);
    EXPECT_EQ(r.status, DecodeStatus::kOk) << size;
    EXPECT_EQ(out.size(), size);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), gray->expected.begin())) << size;
    EXPECT_LT(r.consumed, gray->in.size());
  }

  // The table can live in a budgeted block, as the reader allocates it.
  vl::platform::MemoryBudget budget;
  vl::platform::Block tableBlock;
  ASSERT_TRUE(tableBlock.allocate(budget, sizeof(LzwTable)));
  Bytes out(gray->expected.size());
  const DecodeResult r = DecodeLzw(gray->in, out, *tableBlock.as<LzwTable>());
  EXPECT_EQ(r.status, DecodeStatus::kOk);
  EXPECT_EQ(out, gray->expected);
}

TEST(Lzw, BrokenStreamsStopWithTheirReason) {
  DecodeResult r;
  // Nothing at all.
  EXPECT_TRUE(Decode({}, 10, &r).empty());
  EXPECT_EQ(r.status, DecodeStatus::kTruncated);

  // A code beyond the next free code (258 after 'A').
  CodeWriter pastTable;
  pastTable.put(256, 9);
  pastTable.put('A', 9);
  pastTable.put(300, 9);
  EXPECT_EQ(Decode(pastTable.bytes(), 10, &r), Bytes{'A'});
  EXPECT_EQ(r.status, DecodeStatus::kBadCode);

  // A table code right after a clear has no string before it to extend.
  CodeWriter afterClear;
  afterClear.put(256, 9);
  afterClear.put(258, 9);
  EXPECT_TRUE(Decode(afterClear.bytes(), 10, &r).empty());
  EXPECT_EQ(r.status, DecodeStatus::kBadCode);

  // A strip cut before its end code keeps what it decoded and says it was cut.
  Bytes data(500);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i % 13 + i / 50);
  Bytes stream = EncodeLzw(data);
  stream.resize(stream.size() - 3);
  const Bytes got = Decode(stream, data.size(), &r);
  EXPECT_EQ(r.status, DecodeStatus::kTruncated);
  EXPECT_LT(got.size(), data.size());
  EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));

  // An end code before the buffer is full is the normal end of a short last strip.
  const Bytes shortStrip = EncodeLzw({1, 2, 3});
  EXPECT_EQ(Decode(shortStrip, 100, &r), (Bytes{1, 2, 3}));
  EXPECT_EQ(r.status, DecodeStatus::kOk);
}

}  // namespace
