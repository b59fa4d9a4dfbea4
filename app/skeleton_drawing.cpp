// The pencil and eraser of the interactive-thinning pause.
#include "app/skeleton_drawing.h"

#include <cstdlib>

#include "art/undo.h"
#include "image/bit_row.h"

namespace vl::app {

namespace {

bool Paused(const Program& program) {
  return program.app.interactiveThinningPaused && program.thinningPause.pending() &&
         !program.image.bitLayer.empty();
}

void Plot(image::RasterImage& image, SkeletonTool tool, std::int32_t x, std::int32_t y) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  std::uint8_t* row = image::BitRow(image, y);
  if (tool == SkeletonTool::kPencil)
    image::SetBitAt(row, x);
  else
    image::ClearBitAt(row, x);
}

}  // namespace

EditResult BeginSkeletonStroke(Program& program, Document& doc, SkeletonTool tool,
                               std::int32_t x, std::int32_t y) {
  if (!doc.imageOpen || !Paused(program)) return EditResult::kNothing;
  base::Runtime rt = program.runtime();
  const int code = tool == SkeletonTool::kPencil ? art::kUndoOpPencil : art::kUndoOpEraser;
  if (art::RecordUndo(program.undo, {program.image, program.artwork, true}, rt, code) == 0) {
    art::FinishUndo(program.undo, false);
    return EditResult::kCancelled;
  }
  art::FinishUndo(program.undo, true);
  program.thinningPause.drawnOn = true;
  Plot(program.image, tool, x, y);
  return EditResult::kDone;
}

void ContinueSkeletonStroke(Program& program, SkeletonTool tool, std::int32_t fromX,
                            std::int32_t fromY, std::int32_t x, std::int32_t y) {
  if (!Paused(program)) return;
  // Bresenham's line: every pixel the pointer passed over, without gaps at any speed.
  const std::int32_t dx = std::abs(x - fromX), dy = -std::abs(y - fromY);
  const std::int32_t sx = fromX < x ? 1 : -1, sy = fromY < y ? 1 : -1;
  std::int32_t err = dx + dy;
  for (std::int32_t px = fromX, py = fromY;;) {
    Plot(program.image, tool, px, py);
    if (px == x && py == y) break;
    const std::int32_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      px += sx;
    }
    if (e2 <= dx) {
      err += dx;
      py += sy;
    }
  }
}

}  // namespace vl::app
