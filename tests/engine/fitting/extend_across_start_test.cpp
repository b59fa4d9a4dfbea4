// Running the polygon past its start: the vertices repeated after the closing vertex with their
// chain offsets moved on, the chain record extended by the same codes (in the buffer and
// through "edgearr"), the 16-bit limit of the offsets, and the chain buffer's extension itself.
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/message_table.h"
#include "tests/engine/fitting/fitting_rig.h"

namespace vl::engine::test {
namespace {

struct Record {
  std::int32_t x, y;
  std::int64_t chainOffset;  // unsigned 16-bit in the record
  std::int32_t angle;
  bool operator==(const Record&) const = default;
};

std::vector<Record> Records(FitRig& rig) {
  std::vector<Record> out;
  VertexWindow& v = *rig.t().vertices;
  for (std::int64_t at = 0; at < rig.t().listEndBytes; at += 8) {
    v.setCursor(at);
    out.push_back({VertexWord(v, 0), VertexWord(v, 1), std::uint16_t(VertexWord(v, 2)),
                   VertexWord(v, 3)});
  }
  v.setCursor(rig.t().listEndBytes);
  EXPECT_EQ(VertexWord(v, 0), -1) << "no list end";
  return out;
}

std::vector<std::uint8_t> RecordBytes(ChainBuffer& chain) {
  std::vector<std::uint8_t> out;
  for (std::int64_t at = 0; at < chain.lengthBytes(); ++at) out.push_back(chain.byteAt(at));
  return out;
}

// A 30 x 20 rectangle's boundary (100 codes) with a vertex every 5 codes.
HandChain Rectangle() {
  HandChain c{10, 10, {}};
  for (auto [count, code] : {std::pair{30, 5}, {20, 7}, {30, 1}, {20, 3}})
    c.codes.insert(c.codes.end(), std::size_t(count), std::uint8_t(code));
  return c;
}

TEST(ExtendAcrossStart, RepeatsTheFirstVerticesAndTheirCodesAfterTheEnd) {
  const HandChain chain = Rectangle();
  std::vector<std::size_t> at;
  for (std::size_t n = 0; n < 100; n += 5) at.push_back(n);  // 20 vertices, closing at 100

  std::vector<Record> results[2];
  std::vector<std::uint8_t> codes[2];
  for (int pass = 0; pass < 2; ++pass) {
    // Pass 1: a 112-byte chain buffer (the 105-byte record spills when extended) and a
    // vertex window of 14 records.
    FitRig rig;
    rig.build(64, 64, pass == 0 ? 0 : 256);
    rig.loadOutline(chain, at);
    const std::vector<Record> original = Records(rig);
    ASSERT_EQ(original.size(), 21u);

    ExtendAcrossStart(rig.t(), 2);
    EXPECT_EQ(rig.t().fit.extension, 2);
    std::vector<Record> extended = Records(rig);
    ASSERT_EQ(extended.size(), 23u);
    EXPECT_EQ(rig.t().chain->lengthBytes(), 105 + 10);
    EXPECT_EQ(rig.t().chain->spilled(), pass == 1);

    ExtendAcrossStart(rig.t(), 12);  // further, from where the first call stopped
    ExtendAcrossStart(rig.t(), 5);   // already repeated: nothing
    ExtendAcrossStart(rig.t(), 99);  // at most up to the closing vertex itself
    EXPECT_EQ(rig.t().fit.extension, 20);
    extended = Records(rig);
    ASSERT_EQ(extended.size(), 41u);
    for (std::size_t k = 1; k <= 20; ++k) {
      Record expected = original[k];
      expected.chainOffset += 100;  // the closing vertex's offset, 104, less the header
      EXPECT_EQ(extended[20 + k], expected) << "repeated vertex " << k;
    }
    // The chain now runs around twice, then ends.
    const std::vector<std::uint8_t> bytes = RecordBytes(*rig.t().chain);
    ASSERT_EQ(bytes.size(), 205u);
    for (std::size_t o = 4; o < 204; ++o) ASSERT_EQ(bytes[o], chain.codes[(o - 4) % 100]) << o;
    EXPECT_EQ(bytes[204], kChainEnd);
    results[pass] = extended;
    codes[pass] = bytes;
  }
  EXPECT_EQ(results[0], results[1]);
  EXPECT_EQ(codes[0], codes[1]);
}

TEST(ExtendAcrossStart, StopsBeforeAChainOffsetWouldPass65535) {
  FitRig rig;
  rig.build(64, 16);
  HandChain chain{20, 5, {}};
  for (int i = 0; i < 32000; ++i) {
    chain.codes.push_back(5);
    chain.codes.push_back(1);
  }
  std::vector<std::size_t> at;
  for (std::size_t n = 0; n < 64000; n += 1000) at.push_back(n);  // closing offset 64004
  rig.loadOutline(chain, at);
  ASSERT_TRUE(rig.t().chain->spilled());

  // Vertex 1 moves to 1004 + 64000 = 65004; vertex 2 would need 66004.
  ExtendAcrossStart(rig.t(), 3);
  EXPECT_EQ(rig.t().fit.extension, 1);
  const std::vector<Record> records = Records(rig);
  ASSERT_EQ(records.size(), 66u);
  EXPECT_EQ(records.back().chainOffset, 65004);
  EXPECT_EQ(rig.t().chain->lengthBytes(), 64005 + 1000);
  EXPECT_EQ(rig.t().chain->byteAt(65003), chain.codes[999]);
  EXPECT_EQ(rig.t().chain->byteAt(65004), kChainEnd);

  ExtendAcrossStart(rig.t(), 3);  // no further on a second try either
  EXPECT_EQ(Records(rig).size(), 66u);
  EXPECT_EQ(rig.env.state.abortRequested, 0);
}

TEST(ChainBufferExtend, AppendsACopyOfItsCodesInTheBufferOrThroughTheFile) {
  // Window of 16 bytes; records built and extended against a plain vector.
  TestRuntime env;
  std::uint8_t window[16];
  ChainBuffer chain(env.rt, window, sizeof window);
  auto build = [&](int codes) {
    std::vector<std::uint8_t> model = {3, 0, 4, 0};
    EXPECT_TRUE(chain.startRecord(3, 4));
    for (int i = 0; i < codes; ++i) {
      const auto code = std::uint8_t(i % 8);
      EXPECT_TRUE(chain.append(code));
      model.push_back(code);
    }
    EXPECT_TRUE(chain.append(kChainEnd));
    model.push_back(kChainEnd);
    EXPECT_TRUE(chain.finishRecord());
    return model;
  };
  auto extend = [&](std::vector<std::uint8_t>& model, std::int64_t from, std::int64_t to) {
    EXPECT_TRUE(chain.extendRecord(from, to));
    model.pop_back();
    model.insert(model.end(), model.begin() + from, model.begin() + to);
    model.push_back(kChainEnd);
  };

  // Fits the buffer before and after.
  std::vector<std::uint8_t> model = build(5);
  extend(model, 4, 8);
  EXPECT_FALSE(chain.spilled());
  EXPECT_EQ(RecordBytes(chain), model);
  EXPECT_FALSE(env.scratchExists("edgearr"));

  // Fits before, not after: the record moves to "edgearr".
  model = build(9);
  extend(model, 5, 13);
  EXPECT_TRUE(chain.spilled());
  EXPECT_EQ(RecordBytes(chain), model);

  // Spilled already, extended by more than a buffer-full, twice.
  model = build(40);
  extend(model, 4, 30);
  extend(model, 30, 44);
  EXPECT_EQ(RecordBytes(chain), model);
  EXPECT_EQ(chain.byteAt(0), 3);  // read forward again from the start

  // Ranges outside the codes are refused and change nothing.
  EXPECT_FALSE(chain.extendRecord(2, 8));
  EXPECT_FALSE(chain.extendRecord(10, std::int64_t(model.size())));
  EXPECT_FALSE(chain.extendRecord(9, 8));
  EXPECT_EQ(RecordBytes(chain), model);
}

TEST(ChainBufferExtend, AScratchFileThatCannotBeCreatedAbortsWithMessage155) {
  TestRuntime env;
  std::uint8_t window[16];
  ChainBuffer chain(env.rt, window, sizeof window);
  ASSERT_TRUE(chain.startRecord(0, 0));
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(chain.append(5));
  ASSERT_TRUE(chain.append(kChainEnd));
  ASSERT_TRUE(chain.finishRecord());
  // No folder can be made under a plain file, whoever runs the test.
  const std::string plain = env.root + "/plain-file";
  std::FILE* f = std::fopen(plain.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  env.scratchFolder = plain + "/scratch/";

  EXPECT_FALSE(chain.extendRecord(4, 12));
  EXPECT_EQ(env.state.abortRequested, 1);
  ASSERT_EQ(env.ui.messages().size(), 1u);
  EXPECT_EQ(env.ui.messages()[0], msg::Text(155));
}

}  // namespace
}  // namespace vl::engine::test
