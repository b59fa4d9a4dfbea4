// Whole conversions of bilevel images as a reader leaves them (backup in memory or "memtemp"):
// the art painted back against the input, bounded-memory paths giving the same art, White Lines
// and Reverse Image, runs that stop part-way, fail or refuse to start, each with the outcome it
// reports, the image always restored.
#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <filesystem>
#include <optional>

#include "engine/conversion_driver.h"
#include "engine/conversion_job.h"
#include "settings/settings_defaults.h"
#include "tests/engine/engine_test_runtime.h"
#include "tests/support/art_rasterizer.h"

namespace vl::engine {

void PrintTo(const ConversionOutcome& o, std::ostream* os) {
  *os << "{result " << int(o.result) << ", message " << o.message << "}";
}

namespace test {
namespace {

using R = ConversionResult;
const ConversionOutcome kConverted{R::kConverted, 0};

// 1 = ink, rows top to bottom.
struct Picture {
  int width = 0, height = 0;  // pixels
  std::vector<std::uint8_t> ink;

  Picture(int w, int h, const Ink& f) : width(w), height(h) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ink.push_back(f(x, y));
  }
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  bool at(int x, int y) const { return contains(x, y) && ink[y * width + x]; }
  // Ink pixels with a 4-neighbour that is white (or outside the picture).
  long boundaryCount() const {
    long n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        n += at(x, y) && !(at(x - 1, y) && at(x + 1, y) && at(x, y - 1) && at(x, y + 1));
    return n;
  }
};

// The paths as comparable values: paint, flags and every point word.
std::vector<std::vector<std::uint32_t>> ArtWords(const art::Artwork& art) {
  std::vector<std::vector<std::uint32_t>> out;
  for (const art::PathRecord& p : art::PathsInUse(art)) {
    out.push_back({std::uint32_t(p.fillType), std::uint32_t(p.strokeType), p.fillColor, p.flags});
    out.back().insert(out.back().end(), art::PointWords(p).begin(), art::PointWords(p).end());
  }
  return out;
}

struct DriverRig {
  TestRuntime env;
  image::RasterImage image;
  art::Artwork art;
  settings::ConversionSettings active, dialog;
  ConversionJob job{env.rt, image, art, active, dialog};
  Picture input{0, 0, Ink()};

  DriverRig() {
    settings::setConversionDefaults(active);
    env.ui.useManualClock(0);
    env.ui.stepMs = 100;
    env.ui.watched = env.scratchFolder;
  }
  ~DriverRig() {
    art::freeArtwork(art);
    image::releaseImage(image, env.rt);
  }

  // Loads the picture as a 300 ppi bilevel image; the backup goes to "memtemp" when asked.
  void load(const Picture& p, bool backupOnDisk = false) {
    input = p;
    ASSERT_TRUE(image::setGeometry(image, p.width, p.height));
    ASSERT_TRUE(image::allocateBitLayer(image, env.memory));
    image.xResolution = image.yResolution = 300.0;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x)
        if (p.at(x, y)) SetBitAt(image::BitRow(image, y), x);
    if (backupOnDisk) env.memory.setLimit(env.memory.used());
    ASSERT_TRUE(image::CompleteLoad(image, env.rt).read());
    env.memory.setLimit(platform::MemoryBudget::kUnlimited);
    ASSERT_EQ(image.backupOnDisk, backupOnDisk);
  }
  ConversionOutcome convert() { return Convert(job); }

  std::vector<std::uint8_t> plane(const std::uint8_t* rows) const {
    return Picture(input.width, input.height, [&](int x, int y) {
             return BitAt(rows + y * image.bitRowBytes, x);
           }).ink;
  }
  std::vector<std::uint8_t> bitLayer() const { return plane(image::BitRow(image, 0)); }
  // The backup as the image keeps it, from its block or from "memtemp".
  std::vector<std::uint8_t> backup() const {
    if (!image.backupOnDisk) return plane(image::LayerRow(image.backupLayer, image, 0));
    std::vector<std::uint8_t> rows(std::size_t(image.bitLayerBytes));
    EXPECT_TRUE(platform::SeekTo(image.fileHandle, 0));
    EXPECT_EQ(platform::ReadBytes(image.fileHandle, rows.data(), rows.size()), rows.size());
    return plane(rows.data());
  }

  // Sum over the pixels of |painted coverage - ink|, the art painted 4 x 4 times finer and
  // moved by whole pixels (what it painted off the image stays lost).
  double coverageError(const Picture& expected, int dxPixels = 0, int dyPixels = 0) const {
    constexpr int kSub = 4;
    const test_support::GrayImage g =
        test_support::RasterizeArtwork(art, expected.width * kSub, expected.height * kSub,
                                       {image.artScale / kSub, image.xResolution / 72.0 * kSub});
    double error = 0;
    for (int y = 0; y < expected.height; ++y)
      for (int x = 0; x < expected.width; ++x) {
        const int ax = x - dxPixels, ay = y - dyPixels;  // where the art was
        int dark = 0;
        for (int sy = 0; sy < kSub; ++sy)
          for (int sx = 0; sx < kSub; ++sx)
            dark += expected.contains(ax, ay) && g.at(ax * kSub + sx, ay * kSub + sy) < 128;
        error += std::abs(double(expected.at(x, y)) - double(dark) / (kSub * kSub));
      }
    return error;
  }
};

// The bound on the coverage error, per boundary pixel. A perfect trace scores 0 (the square
// does); curves cut a little off or add a little (measured 0.09 to 0.48 on the shapes below).
// The same art moved by one whole pixel scores at least 0.508 on every shape here, art that
// stops at the boundary pixels' centres 0.5 plus its curves' error, and a lost hole adds its
// whole area; each case checks that its own art moved by one pixel breaks the bound.
constexpr double kErrorPerBoundaryPixel = 0.5;
using Shifts = std::vector<std::pair<int, int>>;
const Shifts kAllShifts = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

// `shifts`: the one-pixel moves that must break the bound (a move along a thin shape's length
// hardly changes it; one off the image cuts art away).
void ExpectFaithful(DriverRig& rig, const Picture& expected, const Shifts& shifts = kAllShifts) {
  const double bound = kErrorPerBoundaryPixel * double(expected.boundaryCount());
  EXPECT_LE(rig.coverageError(expected), bound);
  for (auto [dx, dy] : shifts)
    EXPECT_GT(rig.coverageError(expected, dx, dy), bound) << dx << "," << dy;
}

// The source plane is consumed by tracing and rebuilt afterwards; the backup is untouched;
// the scratch files left are `left`, and everything else of the conversion is gone.
void ExpectImageBack(const DriverRig& rig, const std::vector<std::string>& left = {}) {
  EXPECT_EQ(rig.bitLayer(), rig.input.ink);
  EXPECT_EQ(rig.backup(), rig.input.ink);
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(rig.env.root))
    files.push_back(e.path().filename());
  EXPECT_EQ(files, left);
  EXPECT_TRUE(rig.image.spareLayer.empty());
  EXPECT_FALSE(rig.env.app.converting || rig.env.ui.progressOpen());
}

void ConvertPicture(DriverRig& rig, const Picture& p) {
  rig.load(p);
  EXPECT_EQ(rig.convert(), kConverted);
  EXPECT_EQ(rig.env.messages(), Shown({}));
  ExpectImageBack(rig);
}

// A rectangle of the given half sizes turned by `radians` about its centre.
Ink TurnedBox(double cx, double cy, double halfLength, double halfWidth, double radians) {
  return [=](int x, int y) {
    const double u = (x - cx) * std::cos(radians) + (y - cy) * std::sin(radians);
    const double v = -(x - cx) * std::sin(radians) + (y - cy) * std::cos(radians);
    return std::fabs(u) < halfLength && std::fabs(v) < halfWidth;
  };
}

TEST(OutlineFidelity, ShapesTraceFaithfullyAndLeaveTheImageAsItWas) {
  // A comb of 75 teeth 4 pixels wide and 590 long: one outline in long straight runs that do
  // not simplify, whose chain offsets pass 16 bits.
  const Picture comb(600, 600, [](int x, int y) {
    return Box(2, 2, 597, 5)(x, y) || (Box(2, 2, 597, 591)(x, y) && (x - 2) % 8 < 4);
  });
  ASSERT_GT(comb.boundaryCount(), 0xFFFF);
  const Ink ring = [](int x, int y) { return Disc(80, 60, 45)(x, y) && !Disc(80, 60, 25)(x, y); };
  struct Case { const char* name; Picture picture; int paths; Shifts shifts; };
  const Case cases[] = {
      {"disc", Picture(160, 120, Disc(80, 60, 40)), 1, kAllShifts},
      {"small disc", Picture(160, 120, Disc(70, 50, 9)), 1, kAllShifts},
      {"square", Picture(160, 120, Box(40, 30, 99, 89)), 1, kAllShifts},
      {"turned rectangle", Picture(160, 120, TurnedBox(80, 60, 45, 15, 0.5)), 1, kAllShifts},
      {"steep rectangle", Picture(160, 120, TurnedBox(80, 60, 50, 8, 1.2)), 1, {{1, 0}, {-1, 0}}},
      // Touching the right and bottom edges (128 wide: the last padded column too).
      {"edges", Picture(128, 96, [](int x, int y) {
         return Box(90, 60, 127, 95)(x, y) || Disc(127, 20, 12)(x, y) || Disc(40, 95, 15)(x, y);
       }), 3, {{-1, 0}, {0, -1}}},
      {"comb", comb, 1, {{1, 0}, {-1, 0}}},
      {"ring", Picture(160, 120, ring), 2, kAllShifts},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DriverRig rig;
    ConvertPicture(rig, c.picture);
    ASSERT_EQ(rig.art.count, c.paths);
    for (int i = 0; i < c.paths; ++i)  // shapes black; the ring's hole white, on top
      EXPECT_EQ(rig.art.paths[i].fillType, i == 1 && std::string(c.name) == "ring"
                                                ? art::PaintType::White
                                                : art::PaintType::Black);
    ExpectFaithful(rig, c.picture, c.shifts);
  }
}

// A long boundary (the disc), long straight sides (the square) and many vertices (the star).
const Picture& SpillPicture() {
  static const Picture p(320, 240, [](int x, int y) {
    const double dx = x - 265, dy = y - 180, r = 45 + 10 * std::sin(12 * std::atan2(dy, dx));
    return Disc(110, 120, 100)(x, y) || Box(225, 20, 315, 110)(x, y) || dx * dx + dy * dy <= r * r;
  });
  return p;
}

TEST(Spill, SmallWorkAreasMissingLayersAndMemtempGiveTheSameArt) {
  const struct {
    const char* name;
    bool reverse, backupOnDisk;
    std::size_t capBeyondRow;       // bytes of work area at most; 0: no cap
    std::int64_t layerShortBytes;   // memory this much short of another layer; -1: plenty
    std::vector<std::string> used;  // scratch files seen during the conversion
    bool maskInImage;
  } cases[] = {
      // W = 1024: a chain buffer of 448 bytes, 64 point words, 56 vertex records.
      {"small work area", false, false, 1024, -1, {"edgearr", "seglist", "linarr"}, false},
      // W = 512: the spare layer is freed for the work area, the mask drawn into the bit layer.
      {"tiny work area", false, false, 600, -1, {"dgtemp"}, true},
      {"no memory for a spare layer", false, false, 2048, 0, {"dgtemp"}, true},
      // The image's "memtemp" holds the bit layer already and is read row by row.
      {"memtemp", false, true, 0, -1, {"memtemp"}, false},
      // No memory for an inverted copy: "memtemp" gets the inverted bit layer, then the image.
      {"reversed memtemp", true, true, 0, 512, {"memtemp"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DriverRig plain, rig;
    plain.active.set(settings::kReverseImage, c.reverse);
    plain.load(SpillPicture());
    EXPECT_EQ(plain.convert(), kConverted);
    EXPECT_TRUE(plain.env.ui.seenFiles.empty());
    rig.active.set(settings::kReverseImage, c.reverse);
    rig.load(SpillPicture(), c.backupOnDisk);
    if (c.capBeyondRow) rig.env.state.workAreaCapBytes = rig.image.bitRowBytes + c.capBeyondRow;
    if (c.layerShortBytes >= 0)
      rig.env.memory.setLimit(rig.env.memory.used() + rig.image.bitLayerBytes - c.layerShortBytes);
    EXPECT_EQ(rig.convert(), kConverted);
    EXPECT_EQ(rig.env.messages(), Shown({}));
    EXPECT_EQ(ArtWords(rig.art), ArtWords(plain.art));
    for (const std::string& name : c.used) EXPECT_EQ(rig.env.ui.seenFiles.count(name), 1u) << name;
    EXPECT_EQ(rig.env.state.maskInImage, c.maskInImage);
    ExpectImageBack(rig, std::vector<std::string>(c.backupOnDisk, "memtemp"));
  }
}

TEST(WhiteLines, EachCombinationTracesAndPaintsTheRightPlane) {
  // A ring and a bar on white, clear of the image's border.
  const Ink ink = [](int x, int y) {
    return (Disc(50, 60, 35)(x, y) && !Disc(50, 60, 20)(x, y)) || Box(95, 15, 150, 25)(x, y);
  };
  const Picture drawing(160, 120, ink),
      negative(160, 120, [&](int x, int y) { return !ink(x, y); });
  for (auto [whiteLines, reverse] :
       {std::pair{false, false}, {true, false}, {false, true}, {true, true}}) {
    SCOPED_TRACE(testing::Message() << "whiteLines " << whiteLines << " reverse " << reverse);
    DriverRig rig;
    rig.active.set(settings::kWhiteLines, whiteLines);
    rig.active.set(settings::kReverseImage, reverse);
    ConvertPicture(rig, drawing);
    ASSERT_GT(rig.art.count, 1);
    // White Lines: a black rectangle over the whole image comes first, under everything.
    const std::uint32_t r = std::uint32_t(rig.image.paddedWidth * rig.image.artScale),
                        b = std::uint32_t(rig.image.height * rig.image.artScale);
    const std::vector<std::uint32_t> frame = {std::uint32_t(art::PaintType::Black), 0,
        art::kBlackColor, rig.art.paths[0].flags, 0, 0, r, 0, r, b, 0, b, 0, 0};
    if (whiteLines) {
      EXPECT_EQ(ArtWords(rig.art)[0], frame);
    }
    // Over it, the art looks like the input, or like its negative with Reverse Image.
    const Picture& looks = reverse ? negative : drawing;
    EXPECT_LE(rig.coverageError(looks), kErrorPerBoundaryPixel * double(looks.boundaryCount()));
  }
}

// Twenty discs in a grid.
const Picture& Grid() {
  static const Picture p(200, 160, [](int x, int y) {
    return Disc(20 + (x / 40) * 40, 20 + (y / 40) * 40, 12)(x, y);
  });
  return p;
}

TEST(AbortAndFailure, AbortKeepsTheCompletedPathsAndCleansUpSilently) {
  auto run = [](DriverRig& rig, int stopAt) {
    rig.load(Grid());
    // The small work area keeps scratch files open while the conversion runs.
    rig.env.state.workAreaCapBytes = std::size_t(rig.image.bitRowBytes) + 1024;
    rig.env.ui.stopAtDrain = stopAt;
    return rig.convert();
  };
  DriverRig full;
  EXPECT_EQ(run(full, 0), kConverted);
  const auto all = ArtWords(full.art);
  ASSERT_EQ(all.size(), 20u);
  for (int stopAt : {1, full.env.ui.drains() / 3, full.env.ui.drains() - 2}) {
    SCOPED_TRACE(stopAt);
    DriverRig rig;
    EXPECT_EQ(run(rig, stopAt), (ConversionOutcome{R::kStopped, 0}));
    EXPECT_EQ(rig.env.messages(), Shown({}));  // not even "No paths found"
    EXPECT_NE(rig.env.state.abortRequested, 0);
    const auto kept = ArtWords(rig.art);
    EXPECT_EQ(kept.empty(), stopAt == 1);
    EXPECT_LT(kept.size(), all.size());
    EXPECT_EQ(kept, std::vector(all.begin(), all.begin() + long(kept.size())));
    EXPECT_EQ(rig.env.app.artPresent, !kept.empty());
    ExpectImageBack(rig);
  }
}

// Files may grow to this many bytes while it lives (a full disk); writes past it come up short.
struct FileSizeLimit {
  rlimit saved{};
  sighandler_t savedHandler;
  explicit FileSizeLimit(rlim_t bytes) : savedHandler(::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, savedHandler);
  }
};

TEST(AbortAndFailure, FailuresShowTheirMessageAndReportItAsTheOutcome) {
  // A chain buffer of 112 bytes: the discs' boundaries (about 70 codes) spill to "edgearr".
  auto spill = [](DriverRig& r) {
    r.env.state.workAreaCapBytes = std::size_t(r.image.bitRowBytes) + 256;
  };
  auto memoryFor = [](DriverRig& r, std::size_t bytes) {
    r.env.memory.setLimit(r.env.memory.used() + bytes);
  };
  const std::size_t pathSlots = art::kPathGrowthRecords * sizeof(art::PathRecord);
  const struct {
    const char* name;
    std::function<void(DriverRig&)> arrange;
    std::vector<int> shown;
    ConversionOutcome outcome;
    int fewestPaths = 0, mostPaths = 0;  // kept in the art
    bool fileSizeLimited = false;
  } cases[] = {
      // Nothing spills, so the scratch folder is never needed.
      {"unwritable folder, no spill",
       [](DriverRig& r) { r.env.scratchFolder = BlockedFolder(r.env.root); }, {}, kConverted,
       20, 20},
      {"unwritable folder", [&](DriverRig& r) {
         r.env.scratchFolder = BlockedFolder(r.env.root);
         spill(r);
       }, {155}, {R::kFailed, 155}},
      {"full disk", spill, {12}, {R::kFailed, 12}, 0, 0, true},
      // "No paths found" follows: the failure did not set the abort flag.
      {"no memory for the artwork", [&](DriverRig& r) { memoryFor(r, 0); },
       {11, msg::kNoPathsFound}, {R::kFailed, 11}},
      {"no memory for the work area", [&](DriverRig& r) { memoryFor(r, pathSlots + 5000); },
       {11, msg::kNoPathsFound}, {R::kFailed, 11}},
      // After the path slots, the shape mask and the work area, three point arrays: too few
      // paths to discard any, and the paths completed so far stay.
      {"memory for three paths", [](DriverRig& r) { r.env.memory.failAfter(3 + 3); },
       {66}, {R::kFailed, 66}, 3, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DriverRig rig;
    rig.load(Grid());
    c.arrange(rig);
    std::optional<FileSizeLimit> limit;
    if (c.fileSizeLimited) limit.emplace(64);
    EXPECT_EQ(rig.convert(), c.outcome);
    limit.reset();
    std::vector<std::string> shown;
    for (int n : c.shown) shown.emplace_back(msg::Text(n));
    EXPECT_EQ(rig.env.messages(), shown);
    EXPECT_GE(rig.art.count, c.fewestPaths);
    EXPECT_LE(rig.art.count, c.mostPaths);
    EXPECT_EQ(rig.bitLayer(), rig.input.ink);
    EXPECT_FALSE(rig.env.app.converting);
  }
}

TEST(AbortAndFailure, NoiseTooManyPathsOrTooLittleMemoryDropSmallPathsWithTheirMessage) {
  // Separate specks at Noise Suppression 1: 10201 paths, over the 10000 a document holds; or
  // 2601 with memory for about a thousand. At Noise Suppression 2 a lone pixel is noise. A
  // batch run shows no closing message, and the outcome still tells what happened.
  for (bool batch : {false, true})
    for (int side : {202, 102, 1}) {
      SCOPED_TRACE(testing::Message() << side << (batch ? " in a batch" : ""));
      DriverRig rig;
      rig.env.app.batchRunning = batch;
      rig.active.noiseSuppression = side == 1 ? 200 : 100;
      rig.load(Picture(side + 2, side + 2, [side](int x, int y) {
        return x % 2 + y % 2 == 0 && x < side && y < side;
      }));
      if (side == 102) rig.env.memory.setLimit(rig.env.memory.used() + 400000);
      const int message = side == 202 ? 150 : side == 102 ? 58 : msg::kNoPathsFound;
      EXPECT_EQ(rig.convert(), (ConversionOutcome{side == 1 ? R::kNoPathsFound
                                                            : R::kConvertedPathsDiscarded,
                                                  message}));
      EXPECT_EQ(rig.env.state.maxPathsExceeded, side == 202);
      EXPECT_EQ(rig.env.state.pathsSkippedForMemory, side == 102);
      EXPECT_TRUE(rig.art.count < art::kMaxPaths && (rig.art.count > 0) == (side > 1));
      EXPECT_EQ(rig.env.app.artPresent, side > 1);
      EXPECT_EQ(rig.env.messages(), batch && side > 1 ? Shown({}) : Shown({message}));
      ExpectImageBack(rig);
    }
}

TEST(StageRefusal, SettingsThatNeedAMissingStageStopBeforeAnythingChanges) {
  using Arrange = std::function<void(DriverRig&)>;
  auto setting = [](auto flag) { return Arrange([=](DriverRig& r) { r.active.set(flag, true); }); };
  const std::pair<const char*, Arrange> cases[] = {
      {"Interactive Thinning", setting(settings::kInteractiveThinning)},
      {"Interactive Thinning", [](DriverRig& r) { r.env.app.interactiveThinningPaused = true; }},
  };
  for (const auto& [name, arrange] : cases) {
    SCOPED_TRACE(name);
    DriverRig rig;
    rig.load(Grid());
    ASSERT_EQ(rig.convert(), kConverted);  // art from an earlier conversion
    const auto before = ArtWords(rig.art);
    rig.active.set(settings::kWhiteLines, true);  // would invert the bit layer and add a frame
    arrange(rig);
    rig.env.state.abortRequested = 1;
    const int progressBefore = rig.env.ui.progressUpdates();
    EXPECT_EQ(rig.convert(), (ConversionOutcome{R::kRefused, 1000}));
    EXPECT_EQ(rig.env.messages(),
              std::vector<std::string>{std::string(name) + " is not available in this build."});
    EXPECT_EQ(ArtWords(rig.art), before);
    EXPECT_EQ(rig.bitLayer(), Grid().ink);
    EXPECT_EQ(rig.env.state.abortRequested, 1);
    EXPECT_FALSE(rig.env.app.converting);
    EXPECT_EQ(rig.env.ui.progressUpdates(), progressBefore);
  }
}

// Two discs; a rectangle selection around the left one only. The conversion traces the left
// disc alone, leaves the pixels outside the selection in the backup (memory or "memtemp"),
// and Select None afterwards gives every pixel of the image back. The image itself records
// that a selection is active, so no caller has to say so.
TEST(SelectionConversion, TracesOnlyTheSelectedPixelsAndSelectNoneGivesBackTheWholeImage) {
  const Ink left = Disc(20, 20, 12), right = Disc(60, 20, 12);
  const Picture both(80, 40, [&](int x, int y) { return left(x, y) || right(x, y); });
  const Picture leftOnly(80, 40, left);
  for (bool onDisk : {false, true}) {
    SCOPED_TRACE(onDisk ? "memtemp" : "memory");
    DriverRig rig;
    rig.load(both, onDisk);
    ASSERT_TRUE(image::applyRectSelection(rig.image, rig.env.rt, 0, 0, 39, 39, image::kSelectNew));
    ASSERT_TRUE(rig.image.pixelSelection);
    EXPECT_EQ(rig.convert(), kConverted);
    EXPECT_EQ(rig.art.count, 1);
    ExpectFaithful(rig, leftOnly);
    EXPECT_EQ(rig.bitLayer(), leftOnly.ink);  // still the selected part only
    EXPECT_EQ(rig.backup(), both.ink);        // the pixels outside it survived
    EXPECT_TRUE(rig.image.pixelSelection);
    ASSERT_TRUE(image::SelectNone(rig.image, rig.env.rt));
    EXPECT_FALSE(rig.image.pixelSelection);
    EXPECT_EQ(rig.bitLayer(), both.ink);
    // A second conversion without the selection traces both discs.
    EXPECT_EQ(rig.convert(), kConverted);
    EXPECT_EQ(rig.art.count, 2);
    ExpectImageBack(rig, onDisk ? std::vector<std::string>{"memtemp"} : std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace test
}  // namespace vl::engine
