// The editing commands as operations on the program record, for the window's menus and tools
// and the command line: Undo/Redo, the pixel selection commands and the path edits. Each
// records its undo step first and, when it fails, is refused, finds nothing to do or is
// stopped, leaves undo as it was.
#pragma once

#include <cstdint>

#include "app/document.h"
#include "app/program.h"
#include "image/pixel_selection.h"

namespace vl::app {

enum class EditResult {
  kDone,       // the command changed the document
  kNothing,    // nothing to do (no image, no art, no selection, nothing found)
  kCancelled,  // the user declined (message 17 answered No)
  kFailed,     // a message was shown; the document is as it was
  kStopped,    // the user stopped it; what was done so far stays
};

// Undo (Ctrl+Z): undoes or redoes the recorded step; shows "Nothing to undo right now." when
// there is none (kNothing).
EditResult UndoCommand(Program& program, Document& doc);
// The Edit menu's first item.
std::string UndoMenuItem(const Program& program);

// Select All / Select None: on the pixels (undoable) while there is no art, else on the paths
// (every path / none).
EditResult SelectAllCommand(Program& program, Document& doc);
EditResult SelectNoneCommand(Program& program, Document& doc);
// The pixel selection commands (undoable); the wand and Grow/Similar use program.wand.
EditResult SelectInverseCommand(Program& program, Document& doc);
EditResult GrowSelectionCommand(Program& program, Document& doc);
EditResult SelectSimilarCommand(Program& program, Document& doc);
// The marquee: the rectangle left..right x top..bottom (pixels, inclusive) by a combining mode.
EditResult MarqueeSelect(Program& program, Document& doc, std::int32_t left, std::int32_t top,
                         std::int32_t right, std::int32_t bottom, int mode);
// A magic wand click at pixel (x, y) by a combining mode.
EditResult MagicWandClick(Program& program, Document& doc, std::int32_t x, std::int32_t y,
                          int mode);

}  // namespace vl::app
