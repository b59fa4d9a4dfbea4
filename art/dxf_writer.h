// The DXF writer: the artwork as a two-dimensional drawing in inches for CAD programs. Every
// path becomes one POLYLINE whose vertices are its anchors, y measured up from the bottom of
// the image; curves are replaced by a few straight pieces. The only paint carried over is the
// layer ("0" for black ink, "1" for none) and, for stroke-only paths, the line width. Lines
// end with CR LF, unlike the other art files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "art/art_output_buffer.h"
#include "art/art_writer_inputs.h"
#include "art/artwork.h"
#include "base/runtime.h"

namespace vl::art {

// The state of one DXF save.
struct DxfWriter {
  OutputBuffer& out;
  const ArtImageInfo& image;
  bool curvesFlattened = false;  // a Bezier curve was written as straight pieces
};

// The sections before the entities: drawing limits, the two layers, no blocks.
void writeDxfHeader(DxfWriter& w);
// One path as a POLYLINE with its VERTEX entities; an empty path writes nothing.
void writeDxfPath(DxfWriter& w, const PathRecord& path);
// Closes the entities section and the file.
void writeDxfEnd(DxfWriter& w);

// Header, every path (polling the stop request, with progress) and the end, which is written
// even after a stop. False when the user stopped the save; a failed write shows its message
// and leaves out.failed() set.
[[nodiscard]] bool WriteDxfArt(base::Runtime& rt, OutputBuffer& out, const Artwork& art,
                 const ArtImageInfo& image, std::string_view progressLabel, bool& curvesFlattened);

// numerator / denominator in thousandths, truncated toward zero. Exact when both are whole
// numbers (art units, pixels, whole resolutions), so that 8.533 never comes out as 8.532.
std::int64_t DxfThousandths(double numerator, double denominator);
// Thousandths as written: "%d.%03d", then trailing zeros and a trailing point dropped, else
// a leading "0" dropped: 0 -> "0", 2500 -> "2.5", 250 -> ".25", 12000 -> "12". Values of
// 32.768 and more keep their true value; negative ones get a "-" before the same form.
std::string FormatDxfReal(std::int64_t thousandths);

struct ArtPoint {
  std::int32_t x = 0;  // art units
  std::int32_t y = 0;
};

// The points that stand for the cubic curve p0 p1 p2 p3 (art units) between its anchors, in
// order of t: a few on each half, more the longer the half, and the midpoint; p3 is not
// among them. The curve is evaluated at 16.16 fixed-point t and truncated to art units.
struct FlattenedCurve {
  std::array<ArtPoint, 9> points;
  int count = 0;
};
FlattenedCurve FlattenDxfCurve(ArtPoint p0, ArtPoint p1, ArtPoint p2, ArtPoint p3);

}  // namespace vl::art
