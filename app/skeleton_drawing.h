// Drawing on the thinned image while the interactive-thinning pause waits: the pencil sets
// pixels of the bit layer, the eraser clears them, one pixel wide along the pointer's path. A
// stroke is one undo step ("Pencil" or "Eraser") whose before-image is the whole bit layer,
// and it tells the pause that the skeleton was drawn on, so that Done thins once more.
#pragma once

#include <cstdint>

#include "app/document.h"
#include "app/edit_commands.h"
#include "app/program.h"

namespace vl::app {

enum class SkeletonTool { kPencil, kEraser };

// Starts a stroke at pixel (x, y): records the undo step and draws the pixel. kNothing outside
// a pause (nothing recorded); kCancelled when the user declined to go on without undo.
[[nodiscard]] EditResult BeginSkeletonStroke(Program& program, Document& doc, SkeletonTool tool,
                                             std::int32_t x, std::int32_t y);

// Draws the stroke on from (fromX, fromY) to (x, y), pixels; parts outside the image are
// left out. Does nothing outside a pause.
void ContinueSkeletonStroke(Program& program, SkeletonTool tool, std::int32_t fromX,
                            std::int32_t fromY, std::int32_t x, std::int32_t y);

}  // namespace vl::app
