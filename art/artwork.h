// The artwork: the ordered paths of one document, their point arrays and paint, and the
// operations the tracer, the editing tools and the writers use on them.
//
// Point arrays are 16-bit words: the first anchor (x, y), then per segment either the next
// anchor (a line) or two control points and the next anchor (a cubic curve). Bit 15 of an
// anchor's x word marks a curve leaving it, bit 15 of its y word a curve arriving at it;
// control-point words carry no flags. Coordinates are art units, 0..32767.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "base/runtime.h"
#include "platform/memory_block.h"
#include "settings/conversion_settings.h"

namespace vl::art {

enum class PaintType : std::uint8_t { None = 0, White = 1, Black = 2, Process = 3, Custom = 4 };

// PathRecord::flags
constexpr std::uint8_t kUnfilled = 0x01;  // the fill is not painted, whatever fillType says
constexpr std::uint8_t kGrouped = 0x02;   // written as a group of its own
constexpr std::uint8_t kSelected = 0x04;

constexpr std::uint16_t kCurveBit = 0x8000;
constexpr std::uint16_t kCoordinateMask = 0x7FFF;
constexpr std::int32_t kMaxCoordinate = 32767;  // art units
constexpr std::int32_t kBoundsMargin = 5;       // art units added around the anchors

// Packed CMYK colour word: cyan in the low byte, then magenta, yellow, black; 255 = full ink.
constexpr std::uint32_t kBlackColor = 0xFF000000;
constexpr std::uint32_t kWhiteColor = 0x00000000;

constexpr std::int32_t kMaxPaths = 10000;  // the standard limit; the user may raise it
constexpr std::int16_t kPathGrowthRecords = 20;
constexpr std::uint16_t kPointGrowthWords = 100;
constexpr std::uint16_t kMaxPointWords = 0xFFFF;  // a point array's size must fit capacityWords
constexpr std::int16_t kDiscardStep = 8;          // art units added to minPathLength per pass
constexpr std::int16_t kMinPathsForDiscard = 100; // below this a discard pass gives up
constexpr int kNoPath = -1;

struct PathRecord {
  // Bounds of the anchors, widened by kBoundsMargin; an empty path has left = top = 32767 and
  // right = bottom = 0. Art units.
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  std::uint16_t capacityWords = 0;  // words allocated in points
  std::uint16_t usedWords = 0;      // words in use; 0 = empty path, skipped by every writer
  platform::Block points;           // the point array; empty while capacityWords is 0
  std::uint32_t fillColor = 0;      // packed CMYK
  std::uint32_t strokeColor = 0;    // packed CMYK
  std::uint8_t flags = 0;           // kUnfilled | kGrouped | kSelected
  std::uint16_t fillCustomIndex = 0;    // custom colour used when fillType is Custom
  std::uint16_t strokeCustomIndex = 0;  // custom colour used when strokeType is Custom
  std::uint8_t fillTint = 0;            // strength of a custom fill, 255 = 100 %
  std::uint8_t strokeTint = 0;
  std::uint8_t strokeWeight = 0;        // tenths of a point
  PaintType fillType = PaintType::None;
  PaintType strokeType = PaintType::None;
};

struct PixelPoint {
  double x = 0.0;  // pixels
  double y = 0.0;  // pixels
};

// What the engine sets before beginPath/addPoint: the pen position and control points, the
// current paint, and the facts about the image that beginPath needs.
struct Pen {
  PixelPoint position;  // the next anchor
  PixelPoint control1;  // control points of the next curve segment
  PixelPoint control2;
  std::uint32_t color = kBlackColor;  // current colour word (fill and stroke)
  PaintType fillType = PaintType::Black;
  PaintType strokeType = PaintType::None;
  double strokeWeightPoints = 0.0;  // points
  std::uint16_t customIndex = 0;    // current custom colour, for Custom paint
  std::uint8_t tint = 255;          // its strength, 255 = 100 %
  double artScale = 1.0;            // art units per pixel
  bool multiSample = false;         // the image has more than one sample per pixel
};

// Creates a custom colour for the colour word of a new path; its index, or nothing when no
// colour could be created (new colour paths then keep the current fill type). The shell sets
// it to the custom colour table's autoColorIndex for each conversion; empty in stage tests.
using NewCustomColorFn = std::function<std::optional<std::uint16_t>(std::uint32_t color)>;

struct Artwork {
  // The record slots, `capacity` of them, charged to the memory budget through pathsCharge.
  // Slots [0, count) are the paths in painting order (later paths lie on top); the rest are
  // empty. While stashed, slots [0, stashedCount) hold the paths and count is 0.
  std::vector<PathRecord> paths;
  platform::Block pathsCharge;  // capacity x sizeof(PathRecord) bytes: the records' memory
  std::int32_t capacity = 0;
  std::int32_t count = 0;
  std::int32_t maxPaths = kMaxPaths;
  std::int16_t minPathLength = 0;  // art units; shorter paths are dropped as the next begins
  std::int32_t firstNewPath = 0;   // first path of the conversion in progress
  std::int32_t stashedCount = 0;   // non-zero while the window shows the pixel image only
  std::int32_t selectedCount = 0;
  int currentPath = kNoPath;       // the path beginPath/addPoint are building
  Pen pen;
  NewCustomColorFn createCustomColor;
};

enum class DiscardCause { PathCount, Memory };

struct ArtBounds {
  std::int32_t left, top, right, bottom;  // art units
};

struct Rgb {
  std::uint8_t r, g, b;
};

// --- Lifecycle (artwork.cpp) ---

// Prepares for a conversion: clears the closing-message flags and minPathLength; appends to
// stashed art when there is some, else starts empty with 20 slots. Shows message 11 as the
// failure (base::ShowFailure) and returns false when the slots cannot be allocated.
bool initArtwork(Artwork& art, base::Runtime& rt);
// Frees every point array and the slots; restores a stashed count first.
void freeArtwork(Artwork& art);
// Removes path `index`, keeping the order of the rest; frees the slots when none is left.
void deletePath(Artwork& art, int index);
// The view switch to the pixel image and back: the paths are kept, count reads 0 meanwhile.
void stashArtwork(Artwork& art);
void restoreArtwork(Artwork& art);
// Raises minPathLength by kDiscardStep and deletes every path but the current one that is
// shorter, setting the closing-message flag of `cause`. With fewer than 100 paths (or once
// minPathLength cannot rise further) shows message 66 as the failure and requests an abort
// instead. False when the conversion is (now) aborted, true when the pass ran.
bool DiscardShortPaths(Artwork& art, base::Runtime& rt, DiscardCause cause);

// --- Building paths (path_building.cpp) ---

// Starts a path with the current paint and its first anchor at the pen position. False when
// no path could be started or its first anchor stored (the conversion is then aborted).
bool beginPath(Artwork& art, base::Runtime& rt, const settings::ConversionSettings& settings);
// Appends the pen position as an anchor to the current path; with `curve`, first the two
// control points. False when the point could not be stored (the conversion is then aborted).
bool addPoint(Artwork& art, base::Runtime& rt, bool curve);
// Pixel coordinate to art units: control points round to nearest, anchors truncate; both are
// limited to 0..32767 so that bit 15 never takes part of a value.
std::uint16_t ControlToArt(double pixels, double artScale);
std::uint16_t AnchorToArt(double pixels, double artScale);
// Widens bounds by a point in art units (kBoundsMargin around it).
void widenBounds(PathRecord& path, std::int32_t x, std::int32_t y);
void widenBounds(Artwork& art, std::int32_t x, std::int32_t y);  // the current path
// Replaces a path's point array by `words` (recomputing its bounds), or appends a new path with
// the paint and flags of `like` and those words. False when the memory cannot be had (the art
// is then unchanged).
bool setPathWords(PathRecord& path, base::Runtime& rt, std::span<const std::uint16_t> words);
bool appendPath(Artwork& art, base::Runtime& rt, const PathRecord& like,
                std::span<const std::uint16_t> words);
// Overwrites the current path's last anchor (art units), keeping its arriving-curve bit.
void replaceLastAnchor(Artwork& art, std::int32_t x, std::int32_t y);

// --- Reading paths (path_metrics.cpp) ---

std::span<const PathRecord> PathsInUse(const Artwork& art);
std::span<const std::uint16_t> PointWords(const PathRecord& path);
// Closed: at least two anchors and the last equals the first (flags ignored).
bool IsClosed(const PathRecord& path);
// Segments, plus one for an open path; 0 for a path of fewer than 3 words.
int anchorCount(const PathRecord& path);
long totalAnchors(const Artwork& art);
long selectedAnchors(const Artwork& art);
// Sum of |dx| + |dy| between consecutive anchors in art units, control points ignored;
// returns `limit` as soon as the sum reaches it.
std::int32_t pathLength(const PathRecord& path, std::int32_t limit);
// (slots x record size + point array bytes + 512) / 1024.
long memoryUsedKB(const Artwork& art);
// Union of the bounds of the selected paths; nothing when no path is selected.
std::optional<ArtBounds> SelectedArtBounds(const Artwork& art);

// --- After a conversion (collinear.cpp) ---

// Drops line anchors that lie between their neighbours on an axis-parallel line.
void removeCollinearAnchors(Artwork& art);

}  // namespace vl::art
