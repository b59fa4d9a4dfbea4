// Outline assembly at its limits: windows so small that every paged array spills, the user's
// abort, scratch files that cannot be created, records too long for the 16-bit chain offsets,
// and outlines with more sides than one path can hold.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "app/message_table.h"
#include "tests/engine/assembly/assembly_rig.h"

namespace vl::engine {
namespace {

using test::AssemblyRig;
using test::Chain;
using test::Vertex;

std::vector<Vertex> Assemble(AssemblyRig& rig, const Chain& c) {
  rig.load(c);
  EXPECT_TRUE(TraceOutlinePolygon(rig.t()));
  ComputeVertexAngles(rig.t());
  return rig.vertices();
}

TEST(AssemblyLimits, TinyWindowsGiveTheSameListAsBigOnes) {
  const Chain shapes[] = {test::Disk(45, 45, 40), test::Rectangle(0, 0, 60, 45),
                          test::RaggedDisk(50)};
  for (const Chain& c : shapes) {
    SCOPED_TRACE(testing::Message() << c.codes.size() << " codes");
    AssemblyRig big(64);
    AssemblyRig tiny(64, test::kTinyBudgetBytes);
    ASSERT_EQ(tiny.t().points->sizeWords(), 16u);
    const std::vector<Vertex> expected = Assemble(big, c);
    EXPECT_EQ(Assemble(tiny, c), expected);
    // Every array really went through its file (the vertex window holds 14 records).
    EXPECT_TRUE(tiny.t().chain->spilled());
    EXPECT_TRUE(tiny.t().points->spilled());
    EXPECT_EQ(tiny.rt.scratchExists("linarr"), expected.size() > 14);
    EXPECT_TRUE(tiny.rt.ui.messages().empty());
  }
}

// Asks to stop at the n-th message drain; its clock runs 100 ms per reading, so that every
// abort poll drains.
class StopAtDrain : public platform::HeadlessUi {
 public:
  explicit StopAtDrain(int drain) : HeadlessUi(nullptr), stopAt_(drain) { useManualClock(0); }
  std::uint32_t tickCount() override {
    advanceClock(100);
    return HeadlessUi::tickCount();
  }
  bool drainEvents() override {
    if (++seen_ == stopAt_) requestAbort();
    return HeadlessUi::drainEvents();
  }

 private:
  int stopAt_;
  int seen_ = 0;
};

TEST(AssemblyLimits, AbortStopsAtTheNextSide) {
  const Chain c = test::Disk(45, 45, 40);
  AssemblyRig whole(64);
  const std::vector<Vertex> full = Assemble(whole, c);
  ASSERT_GT(full.size(), 10u);

  // The poll runs as each side begins: stopped at the 4th, three sides are complete and the
  // fourth side's start is written, but the list has no end.
  StopAtDrain ui(4);
  AssemblyRig rig(64, test::kBigBudgetBytes, &ui);
  rig.load(c);
  EXPECT_FALSE(TraceOutlinePolygon(rig.t()));
  EXPECT_EQ(rig.rt.state.abortRequested, 1);
  EXPECT_EQ(rig.t().listEndBytes, 0);
  VertexWindow& v = *rig.t().vertices;
  EXPECT_EQ(v.cursor(), 3 * 8);
  for (int r = 0; r <= 3; ++r) {
    v.setCursor(r * 8);
    EXPECT_EQ(VertexWord(v, 0), full[r].x) << r;
    EXPECT_EQ(VertexWord(v, 1), full[r].y) << r;
    if (r < 3) {
      EXPECT_EQ(static_cast<std::uint16_t>(VertexWord(v, 2)), full[r].chainOffset) << r;
    }
  }
  EXPECT_TRUE(ui.messages().empty());  // no message after an abort

  // "Stop" through the ordinary poll and manual clock: the first poll of the outline sees it,
  // and once aborted a further call does nothing.
  AssemblyRig second(64);
  second.rt.ui.useManualClock(5000);
  second.rt.ui.requestAbort();
  second.load(c);
  EXPECT_FALSE(TraceOutlinePolygon(second.t()));
  EXPECT_EQ(second.rt.state.abortRequested, 1);
  EXPECT_EQ(second.t().vertices->cursor(), 0);
  EXPECT_FALSE(TraceOutlinePolygon(second.t()));
  EXPECT_EQ(second.t().listEndBytes, 0);
}

TEST(AssemblyLimits, ScratchFileThatCannotBeCreatedStopsWithMessage155) {
  // The chain fits the 112-byte buffer; its 29-point sides do not fit the point window.
  AssemblyRig rig(64, test::kTinyBudgetBytes);
  rig.load(test::Rectangle(0, 0, 30, 20));
  ASSERT_FALSE(rig.t().chain->spilled());
  // A plain file where the scratch folder should be: nothing can be created in it.
  const std::string blocker = rig.rt.root + "/not-a-folder";
  std::ofstream(blocker) << "x";
  rig.rt.scratchFolder = blocker + "/";
  EXPECT_FALSE(TraceOutlinePolygon(rig.t()));
  EXPECT_EQ(rig.rt.state.abortRequested, 1);
  EXPECT_EQ(rig.rt.ui.messages(), std::vector<std::string>{std::string(msg::Text(155))});
  EXPECT_EQ(rig.t().listEndBytes, 0);
}

TEST(AssemblyLimits, LongRecordsAreSimplifiedOrRefusedButNeverMisaddressed) {
  {  // 16000 x 16000: 63996 codes, no simplification; offsets above 32767 read back whole.
    AssemblyRig rig(64);
    const Chain c = test::Rectangle(0, 0, 16000, 16000);
    const std::vector<Vertex> poly = Assemble(rig, c);
    ASSERT_EQ(poly.size(), 5u);
    EXPECT_EQ(poly[2], (Vertex{15999, 15999, 4 + 2 * 15999, 90}));
    test::ExpectPolygonFollowsChain(poly, c, 0.0);
  }
  {  // 16300 x 16000: over 64000 codes, but simplifying only merges the four corners; the
     // record still fits 16-bit offsets and is assembled as it is.
    AssemblyRig rig(64);
    const std::vector<Vertex> poly = Assemble(rig, test::Rectangle(0, 0, 16300, 16000));
    ASSERT_EQ(poly.size(), 5u);
    EXPECT_EQ(poly[4].chainOffset, rig.t().chain->lengthBytes() - 1);
    EXPECT_GT(poly[4].chainOffset, 64000);
  }
  {  // A diamond drawn with pairs of axis steps: simplifying makes each pair one diagonal step.
    AssemblyRig rig(64);
    const int kPairs = 8500;
    Chain c{kPairs, 0, {}};
    for (auto [first, second] : {std::pair{5, 7}, {7, 1}, {1, 3}, {3, 5}})
      for (int i = 0; i < kPairs; ++i)
        c.codes.insert(c.codes.end(), {std::uint8_t(first), std::uint8_t(second)});
    const std::vector<Vertex> poly = Assemble(rig, c);
    EXPECT_EQ(rig.t().codeCount, 4 * kPairs);
    ASSERT_EQ(poly.size(), 5u);
    EXPECT_EQ(poly[1], (Vertex{2 * kPairs, kPairs, 4 + kPairs, 90}));
    EXPECT_EQ(poly[2], (Vertex{kPairs, 2 * kPairs, 4 + 2 * kPairs, 90}));
  }
  {  // 17000 x 16000: 65996 codes that do not simplify. Offsets past 65535 cannot be held, so
     // the outline is refused with the memory message instead of being cut at wrong codes.
    AssemblyRig rig(64);
    rig.load(test::Rectangle(0, 0, 17000, 16000));
    EXPECT_FALSE(TraceOutlinePolygon(rig.t()));
    EXPECT_EQ(rig.rt.state.abortRequested, 1);
    EXPECT_EQ(rig.rt.ui.messages(),
              std::vector<std::string>{std::string(msg::Text(msg::kInsufficientMemory))});
    EXPECT_EQ(rig.t().listEndBytes, 0);
  }
}

TEST(AssemblyLimits, TooManySidesDoubleTheToleranceUntilThePathCanHoldThem) {
  // Ragged boundaries: radius 2500 needs about 7000 sides at 102/64 square pixel; radius 4000
  // about 18000 at 64, and 8400 once the tolerance is doubled.
  AssemblyRig fits(102);
  const std::vector<Vertex> few = Assemble(fits, test::RaggedDisk(2500));
  EXPECT_EQ(fits.t().toleranceDoublings, 0);
  EXPECT_GT(few.size(), 5000u);

  const Chain ragged = test::RaggedDisk(4000);
  AssemblyRig rig(64);
  const std::vector<Vertex> poly = Assemble(rig, ragged);
  const int doublings = rig.t().toleranceDoublings;
  EXPECT_GE(doublings, 1);
  EXPECT_LE(static_cast<std::int64_t>(poly.size()) - 1, kMaxOutlineSides);
  test::ExpectPolygonFollowsChain(poly, ragged, std::sqrt((64 << doublings) / 64.0) + 1.0);
  // One doubling less would still have been too many sides.
  AssemblyRig finer((64 << doublings) / 2);
  finer.load(ragged);
  ASSERT_TRUE(TraceOutlinePolygon(finer.t()));
  EXPECT_EQ(finer.t().toleranceDoublings, 1);
}

}  // namespace
}  // namespace vl::engine
