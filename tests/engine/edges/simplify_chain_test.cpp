// Halving over-long chain records: hand-made records, the 201-code rule, and a long spilled
// record against a model that merges two steps whenever their vector sum is one step or none.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "tests/engine/edges/edge_fixture.h"

namespace vl::engine {
namespace {

using test::ChainRecord;
using test::EdgeFixture;
using test::EdgeOptions;

struct Step {
  int dx, dy;
};
// Direction codes by their screen steps (y down), clockwise from down-left.
constexpr Step kSteps[8] = {{-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}};

std::uint8_t CodeOf(Step s) {
  for (std::uint8_t c = 0; c < 8; ++c)
    if (kSteps[c].dx == s.dx && kSteps[c].dy == s.dy) return c;
  ADD_FAILURE() << "not a step";
  return 0xFF;
}

std::vector<std::uint8_t> Model(const std::vector<std::uint8_t>& codes) {
  std::vector<std::uint8_t> out;
  std::optional<Step> pending;
  for (std::uint8_t c : codes) {
    const Step next = kSteps[c];
    if (!pending) {
      pending = next;
      continue;
    }
    const Step sum{pending->dx + next.dx, pending->dy + next.dy};
    if (std::abs(sum.dx) <= 1 && std::abs(sum.dy) <= 1) {
      if (sum.dx == 0 && sum.dy == 0) pending.reset();
      else pending = sum;
    } else {
      out.push_back(CodeOf(*pending));
      pending = next;
    }
  }
  if (pending) out.push_back(CodeOf(*pending));
  return out;
}

void WriteRecord(EdgeFixture& f, std::int16_t x, std::int16_t y,
                 const std::vector<std::uint8_t>& codes) {
  ChainBuffer& chain = *f.t().chain;
  ASSERT_TRUE(chain.startRecord(x, y));
  for (std::uint8_t c : codes) ASSERT_TRUE(chain.append(c));
  ASSERT_TRUE(chain.append(kChainEnd));
  ASSERT_TRUE(chain.finishRecord());
  f.t().codeCount = static_cast<std::int64_t>(codes.size());
}

TEST(SimplifyChain, HandMadeRecordsMergeStepsThatAddUpToOneOrNone) {
  EdgeFixture f;
  f.build(32, 4);
  struct Case {
    std::vector<std::uint8_t> in, out;
  };
  const Case cases[] = {
      {{5, 1, 6}, {6}},              // right then left cancel; the next code becomes pending
      {{0, 3, 3}, {2}},              // 0 and 3 give 1, which merges again with 3 into 2
      {{0, 3, 5}, {}},               // 1 then 5 cancel: nothing but the end marker is left
      {{5, 5, 5}, {5, 5, 5}},        // straight runs cannot be shortened
      {{5, 7, 1, 3}, {}},            // a closed unit square
      {{7, 1, 2, 6, 4}, {0, 4}},     // 7+1 = 0; 0+2 no; 2+6 cancel; 4 stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.in));
    WriteRecord(f, 7, -3, c.in);
    SimplifyChain(f.t());
    EXPECT_EQ(f.record(), (ChainRecord{7, -3, c.out}));
    EXPECT_EQ(f.t().chain->lengthBytes(), std::int64_t(4 + c.out.size() + 1));
    EXPECT_EQ(f.t().chain->byteAt(std::int64_t(4 + c.out.size())), kChainEnd);
    EXPECT_EQ(f.t().codeCount, 0);  // far fewer than 201 codes gained: the caller stops
    EXPECT_EQ(Model(c.in), c.out);
  }
}

TEST(SimplifyChain, CodeCountStaysOnlyWhenAtLeast201CodesWereRemoved) {
  EdgeFixture f;
  f.build(32, 4);
  for (int pairs : {200, 201}) {
    SCOPED_TRACE(pairs);
    std::vector<std::uint8_t> staircase;
    for (int i = 0; i < pairs; ++i) staircase.insert(staircase.end(), {5, 7});
    WriteRecord(f, 0, 0, staircase);
    SimplifyChain(f.t());
    EXPECT_EQ(f.record().codes, std::vector<std::uint8_t>(std::size_t(pairs), 6));
    EXPECT_EQ(f.t().codeCount, pairs == 201 ? 201 : 0);
  }
}

TEST(SimplifyChain, LongSpilledRecordMatchesTheModelAndSurvivesNoMemory) {
  EdgeFixture f;
  f.build(90, 8, EdgeOptions{false, 12 + 256});
  ASSERT_EQ(f.t().chain->sizeBytes(), 112u);
  std::mt19937 rng(3);
  std::vector<std::uint8_t> codes(70000);
  for (std::uint8_t& c : codes) c = static_cast<std::uint8_t>(rng() % 8);

  // Without memory for the whole record nothing changes and the caller is told to stop.
  WriteRecord(f, 12, 34, codes);
  f.env.memory.failAfter(0);
  SimplifyChain(f.t());
  f.env.memory.failAfter(-1);
  EXPECT_EQ(f.t().codeCount, 0);
  EXPECT_EQ(f.record(), (ChainRecord{12, 34, codes}));

  f.t().codeCount = static_cast<std::int64_t>(codes.size());
  ASSERT_GT(f.t().codeCount, kMaxChainCodes);
  const std::vector<std::uint8_t> expected = Model(codes);
  SimplifyChain(f.t());
  EXPECT_EQ(f.t().codeCount, std::int64_t(expected.size()));
  EXPECT_LT(expected.size(), codes.size() - 201);
  EXPECT_TRUE(f.t().chain->spilled());
  EXPECT_EQ(f.t().chain->heldOffset(), 0);
  EXPECT_EQ(f.record(), (ChainRecord{12, 34, expected}));

  // The path still ends where it began its steps: merging keeps the sum of the steps.
  int sx = 0, sy = 0, ex = 0, ey = 0;
  for (std::uint8_t c : codes) sx += kSteps[c].dx, sy += kSteps[c].dy;
  for (std::uint8_t c : expected) ex += kSteps[c].dx, ey += kSteps[c].dy;
  EXPECT_EQ(ex, sx);
  EXPECT_EQ(ey, sy);
}

}  // namespace
}  // namespace vl::engine
