// The label map kept in tiles: the same labels and the same art whether it stays in memory or
// pages through the scratch file, a scratch folder that cannot be written stopping the
// conversion clearly with nothing made, and a stop in any pass leaving no scratch file behind.
// Also the path limit worked out ahead, against the artwork's own discard passes.
#include <algorithm>
#include <random>

#include "engine/color_shapes.h"
#include "engine/conversion_driver.h"
#include "tests/engine/color/color_rig.h"

namespace vl::engine::test {
namespace {

TEST(LabelStore, TilesPagedThroughTheScratchFileReadBackWhatWasWritten) {
  const struct {
    int w, h, shift;
    std::size_t memory;
    bool spills;
  } cases[] = {{1, 1, 2, 64, false},   {37, 23, 2, 64, true}, {37, 23, 3, 1 << 20, false},
               {100, 3, 4, 2048, true}, {5, 90, 1, 32, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " shift " +
                 std::to_string(c.shift));
    TestRuntime env;
    LabelStore store;
    ASSERT_TRUE(store.reset(env.rt, c.w, c.h, {c.memory, c.shift}));
    std::vector<std::int32_t> want(std::size_t(c.w) * c.h, -1);
    std::mt19937 random(7);
    // Scattered writes, then whole rows over them, then scattered reads.
    for (int i = 0; i < 4 * c.w * c.h; ++i) {
      const int x = int(random() % c.w), y = int(random() % c.h);
      const auto v = std::int32_t(random() % 100000);
      store.set(x, y, v);
      want[std::size_t(y) * c.w + x] = v;
    }
    std::vector<std::int32_t> row(std::size_t(c.w));
    for (int y = 0; y < c.h; y += 3) {
      for (int x = 0; x < c.w; ++x) row[std::size_t(x)] = y * 1000 + x;
      store.writeRow(y, row.data());
      std::copy(row.begin(), row.end(), want.begin() + std::ptrdiff_t(y) * c.w);
    }
    for (int i = 0; i < 4 * c.w * c.h; ++i) {
      const int x = int(random() % c.w), y = int(random() % c.h);
      ASSERT_EQ(store.at(x, y), want[std::size_t(y) * c.w + x]) << x << "," << y;
    }
    EXPECT_EQ(store.toVector(), want);
    for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {c.w, 0}, {0, c.h}})
      EXPECT_EQ(store.at(x, y), -1);
    EXPECT_EQ(store.spilled(), c.spills);
    EXPECT_EQ(env.scratchExists("dgtemp"), c.spills);
    // A moved store keeps the tiles and the file; releasing it deletes the file.
    LabelStore moved = std::move(store);
    EXPECT_EQ(moved.toVector(), want);
    moved.release();
    EXPECT_FALSE(env.scratchExists("dgtemp"));
    EXPECT_EQ(env.state.scratch.dgtemp, platform::kNoFile);
    EXPECT_TRUE(env.messages().empty());
  }
}

TEST(LabelStore, ATileThatCannotBeWrittenStopsTheLabellingWithTheScratchMessage) {
  TestRuntime env;
  env.scratchFolder = BlockedFolder(env.root);
  const int w = 40, h = 30;
  std::vector<std::uint8_t> cls(w * h), samples(w * h);
  for (int i = 0; i < w * h; ++i) cls[std::size_t(i)] = std::uint8_t((i % w) / 5 + (i / w) / 7);
  RegionMap map;
  EXPECT_EQ(LabelRegions(env.rt, w, h, 1, cls, samples, {}, map, {}, {256, 2}),
            StageResult::kStopped);
  EXPECT_EQ(env.messages(), Shown({155}));
  EXPECT_TRUE(env.state.abortRequested);
  // The same map held in memory never needs the folder.
  TestRuntime plain;
  plain.scratchFolder = BlockedFolder(plain.root);
  EXPECT_EQ(LabelRegions(plain.rt, w, h, 1, cls, samples, {}, map), StageResult::kDone);
  EXPECT_TRUE(plain.messages().empty());
}

// Nested shapes with a sprinkle of one-pixel specks, which the small-region merge takes into
// their neighbours across tile borders.
void Speckled(int x, int y, std::uint8_t* px, int spp) {
  const double r = std::hypot(x - 40.0, y - 40.0);
  int k = r < 18 ? 2 : r < 30 ? 0 : 5;
  if (x >= 80 && x < 116 && y >= 10 && y < 70) k = (x >= 92 && x < 104 && y >= 25 && y < 50) ? 5 : 1;
  if ((x * 7 + y * 13) % 31 == 0) k = (k + 3) % 6;
  static const std::uint8_t rgb[6][3] = {{220, 40, 40}, {40, 160, 60}, {30, 60, 200},
                                         {240, 220, 40}, {120, 40, 140}, {250, 250, 250}};
  for (int c = 0; c < spp; ++c) px[c] = spp == 1 ? std::uint8_t(25 + 42 * k) : rgb[k][c];
}

struct ArtSeen {
  ConversionOutcome outcome;
  std::vector<std::pair<std::uint32_t, std::vector<std::uint16_t>>> paths;
  bool spilled = false;
  bool leftBehind = false;
  std::vector<std::string> messages;
};

ArtSeen ConvertSpeckled(int spp, const LabelPaging& paging, int stopAt = 0, bool blocked = false) {
  ColorRig rig;
  const std::string file = rig.env.root + (spp == 1 ? "/s.pgm" : "/s.ppm");
  WritePnm(file, 130, 85, spp, [&](int x, int y, std::uint8_t* px) { Speckled(x, y, px, spp); });
  EXPECT_TRUE(rig.open(file));
  if (blocked) rig.env.scratchFolder = BlockedFolder(rig.env.root);
  rig.job.labelPaging = paging;
  rig.env.ui.useManualClock(0);
  rig.env.ui.stepMs = 100;
  rig.env.ui.stopAtDrain = stopAt;
  rig.env.ui.watched = rig.env.scratchFolder;
  ArtSeen seen;
  seen.outcome = Convert(rig.job);
  for (const art::PathRecord& p : art::PathsInUse(rig.art)) {
    const std::span<const std::uint16_t> words = art::PointWords(p);
    seen.paths.push_back({p.fillColor, {words.begin(), words.end()}});
  }
  seen.spilled = rig.env.ui.seenFiles.count("dgtemp") > 0;
  seen.leftBehind = rig.env.scratchExists("dgtemp");
  seen.messages = rig.env.messages();
  return seen;
}

TEST(ColorConversion, APagedLabelMapGivesTheSameArtAsOneInMemory) {
  for (int spp : {1, 3}) {
    SCOPED_TRACE(spp);
    const ArtSeen inMemory = ConvertSpeckled(spp, {});
    ASSERT_EQ(inMemory.outcome, (ConversionOutcome{ConversionResult::kConverted, 0}));
    EXPECT_FALSE(inMemory.spilled);
    EXPECT_GT(inMemory.paths.size(), 4u);
    for (const LabelPaging paging : {LabelPaging{256, 2}, LabelPaging{4096, 4}}) {
      SCOPED_TRACE(paging.tileShift);
      const ArtSeen paged = ConvertSpeckled(spp, paging);
      EXPECT_EQ(paged.outcome, inMemory.outcome);
      EXPECT_TRUE(paged.spilled);
      EXPECT_FALSE(paged.leftBehind);
      EXPECT_TRUE(paged.paths == inMemory.paths);
    }
  }
}

TEST(ColorConversion, AScratchFolderThatCannotBeWrittenFailsClearlyWithNoShapes) {
  const ArtSeen seen = ConvertSpeckled(3, {256, 2}, 0, true);
  EXPECT_EQ(seen.outcome, (ConversionOutcome{ConversionResult::kFailed, 155}));
  EXPECT_EQ(seen.messages, Shown({155}));
  EXPECT_TRUE(seen.paths.empty());
  // Held in memory the map never needs the folder.
  const ArtSeen plain = ConvertSpeckled(3, {}, 0, true);
  EXPECT_EQ(plain.outcome, (ConversionOutcome{ConversionResult::kConverted, 0}));
  EXPECT_FALSE(plain.paths.empty());
}

TEST(ColorConversion, AStopInAnyPassOfAPagedConversionLeavesNoScratchFile) {
  const ArtSeen whole = ConvertSpeckled(3, {256, 2});
  bool stoppedWhilePaged = false;
  for (int stop : {1, 4, 40, 90, 150, 200, 260}) {
    SCOPED_TRACE(stop);
    const ArtSeen seen = ConvertSpeckled(3, {256, 2}, stop);
    EXPECT_EQ(seen.outcome, (ConversionOutcome{ConversionResult::kStopped, 0}));
    EXPECT_TRUE(seen.messages.empty());
    EXPECT_FALSE(seen.leftBehind);
    EXPECT_LT(seen.paths.size(), whole.paths.size() + 1);
    stoppedWhilePaged |= seen.spilled;
  }
  EXPECT_TRUE(stoppedWhilePaged);
}

// The reference: paths of the given lengths begun one after another in a real artwork, whose
// discard passes drop the short ones when the limit is reached.
struct Survivors {
  std::vector<bool> keepOld, keepNew;
  std::int16_t minPathLength = 0;
  bool exceeded = false, failed = false;
};
Survivors BuildThroughTheArtwork(const std::vector<std::int32_t>& olds,
                                 const std::vector<std::int32_t>& news, std::int32_t maxPaths) {
  TestRuntime env;
  art::Artwork art;
  settings::ConversionSettings s;
  settings::setConversionDefaults(s);
  EXPECT_TRUE(art::initArtwork(art, env.rt));
  art.pen.artScale = 1.0;
  art.maxPaths = maxPaths;
  Survivors out;
  auto add = [&](std::int32_t length, std::uint32_t id) {
    art.pen.color = id;
    art.pen.position = {0.0, 0.0};
    if (!art::beginPath(art, env.rt, s)) return false;
    art.pen.position = {double(length), 0.0};
    return art::addPoint(art, env.rt, false);
  };
  for (std::size_t i = 0; i < olds.size(); ++i) EXPECT_TRUE(add(olds[i], std::uint32_t(i)));
  art.currentPath = art::kNoPath;
  art.firstNewPath = art.count;
  for (std::size_t i = 0; i < news.size() && !out.failed; ++i)
    out.failed = !add(news[i], std::uint32_t(olds.size() + i));
  out.keepOld.assign(olds.size(), false);
  out.keepNew.assign(news.size(), false);
  for (const art::PathRecord& p : art::PathsInUse(art)) {
    if (p.fillColor < olds.size()) out.keepOld[p.fillColor] = true;
    else out.keepNew[p.fillColor - olds.size()] = true;
  }
  out.minPathLength = art.minPathLength;
  out.exceeded = env.state.maxPathsExceeded;
  art::freeArtwork(art);
  return out;
}

TEST(PathLimitPlan, LeavesWhatTheArtworksDiscardPassesLeave) {
  const struct {
    int olds, news, maxPaths;
    bool descending;  // the colour conversion's order: largest shapes first
  } cases[] = {{0, 80, 120, true},   {0, 400, 120, true}, {0, 400, 120, false},
               {30, 500, 150, true}, {60, 900, 100, false}, {0, 3000, 200, true}};
  std::mt19937 random(19);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.olds) + " + " + std::to_string(c.news) + " of " +
                 std::to_string(c.maxPaths));
    std::vector<std::int32_t> olds(std::size_t(c.olds)), news(std::size_t(c.news));
    for (std::int32_t& l : olds) l = std::int32_t(random() % 300 + 1);
    for (std::int32_t& l : news) l = std::int32_t(random() % 300 + 1);
    if (c.descending) {
      std::sort(news.rbegin(), news.rend());
      // Not strictly: a region's outline may be long for its area.
      for (std::size_t i = 0; i + 3 < news.size(); i += 7) std::swap(news[i], news[i + 3]);
    }
    const Survivors want = BuildThroughTheArtwork(olds, news, c.maxPaths);
    const PathLimitPlan plan = PlanPathLimit(olds, news, c.maxPaths);
    ASSERT_FALSE(want.failed);
    ASSERT_FALSE(plan.fails);
    EXPECT_EQ(plan.keepOld, want.keepOld);
    EXPECT_EQ(plan.keepNew, want.keepNew);
    EXPECT_EQ(plan.minPathLength, want.minPathLength);
    EXPECT_EQ(plan.exceeded, want.exceeded);
    EXPECT_EQ(plan.exceeded, c.olds + c.news > c.maxPaths);
  }
  // Below 100 paths a pass gives up: the plan says so, as the artwork fails.
  const std::vector<std::int32_t> news(60, 40);
  EXPECT_TRUE(BuildThroughTheArtwork({}, news, 50).failed);
  EXPECT_TRUE(PlanPathLimit({}, news, 50).fails);
}

}  // namespace
}  // namespace vl::engine::test
