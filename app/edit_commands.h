// The editing commands as operations on the program record, for the window's menus and tools
// and the command line: Undo/Redo, the pixel selection commands and the path edits. Each
// records its undo step first and, when it fails, is refused, finds nothing to do or is
// stopped, leaves undo as it was.
#pragma once

#include <cstdint>

#include "app/document.h"
#include "app/program.h"
#include "art/path_hit_test.h"
#include "art/shape_conversion.h"
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

// Clear (Del): with art, deletes the selected paths (undo gives them back; none selected is
// kNothing). Without art, clears the selected pixels of a bilevel image to paper (undo gives
// the ink back, redo clears it again); no selection, or no ink in it, is kNothing. Gray scale
// and colour pixels, and an image whose loaded pixels live in the scratch file, are refused
// with "not available in this build" (kFailed).
EditResult ClearCommand(Program& program, Document& doc);

// Fill (Ctrl+F): the pixel selection takes the current paint (program.currentPaint), as one undo
// step "Fill" whose undo gives the pixels back and whose redo fills them again. Gray scale and
// colour: every selected pixel takes the paint's samples. Bilevel: a dark paint turns the paper
// of the rectangle the marquee or Select All marked to ink (a wand selection is ink already),
// a light one clears the selected ink. kNothing with art, without a selection or when nothing
// would change; a paint of None is refused (kFailed), and so are images whose pixels are not in
// memory, as Clear refuses them.
EditResult FillCommand(Program& program, Document& doc);

// Smooth Paths and Smooth Direction Points at level 0, 1, 2, on the selected paths or all;
// each shows its report.
EditResult SmoothPathsCommand(Program& program, Document& doc, int level);
EditResult SmoothDirectionPointsCommand(Program& program, Document& doc, int level);
// Convert To Circle, Oval, Square or Rectangle: the selected paths.
EditResult ConvertToCommand(Program& program, Document& doc, art::ShapeKind shape);

// The path tools, in art units with the window's hit margin (art::HitMargin):
// Delete Anchor Point: a click (the nearest anchor of a selected path within 2 pixels plus the
// margin) or a dragged rectangle (every anchor of the selected paths inside it).
EditResult DeleteAnchorsCommand(Program& program, Document& doc, const art::ArtBounds& rect,
                                bool click, std::int32_t margin);
// Add Anchor Point: on the segment under the click (selected paths first).
EditResult AddAnchorPointCommand(Program& program, Document& doc, art::ArtClick click,
                                 std::int32_t margin);
// Move Point: the anchor under `from` moves to `to`; its path becomes selected.
EditResult MoveAnchorCommand(Program& program, Document& doc, art::ArtClick from,
                             art::ArtClick to, std::int32_t margin);

// Adjust Line (`constrain`: Shift) and Adjust Curve: the segment under `press` follows the
// mouse to `release`.
EditResult AdjustLineCommand(Program& program, Document& doc, art::ArtClick press,
                             art::ArtClick release, bool constrain, std::int32_t margin);
// With `circular` (Shift) the segment becomes a circular arc through its ends and the mouse,
// the mouse held inside the image.
EditResult AdjustCurveCommand(Program& program, Document& doc, art::ArtClick press,
                              art::ArtClick release, std::int32_t margin, bool circular = false);

// The magic wand tool's click in the window: with paths, picks the path under it (Shift adds
// or toggles); without, the pixel magic wand runs at the pixel under it. kDone when a path was
// hit or the pixel selection changed.
EditResult WandToolClick(Program& program, Document& doc, const art::HitView& view,
                         std::int32_t windowX, std::int32_t windowY, bool shift, int mode);

}  // namespace vl::app
