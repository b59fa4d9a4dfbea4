// The one undo step of the program. Every editing command records the state it is about to
// change under its operation code; Undo swaps the recorded state with the current one (the
// code turns negative: the same command now offers Redo) and Redo swaps them back. What is
// recorded depends on the kind of command: the whole path list for path edits and the
// conversion, the bit layer (the selection) for selection commands, the cleared or added ink
// for Clear and Fill on a bilevel image, the changed colour rows for Clear and Fill on a gray
// scale or colour image, only the code for tools that keep their own before-image.
//
// A command that fails, is refused or is stopped must leave undo as it was: RecordUndo keeps
// the step it replaces aside, and FinishUndo either drops it (the command is done) or puts it
// back (nothing of the new step stays).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "art/artwork.h"
#include "base/runtime.h"
#include "image/pixel_clear.h"
#include "image/raster_image.h"
#include "platform/memory_block.h"

namespace vl::art {

// Operation codes; the names the Edit menu shows are message-table texts kCannotUndo + code.
constexpr std::int16_t kUndoOpNone = 0;
constexpr std::int16_t kUndoOpDelete = 1;
constexpr std::int16_t kUndoOpPencil = 2;
constexpr std::int16_t kUndoOpEraser = 3;
constexpr std::int16_t kUndoOpLine = 4;
constexpr std::int16_t kUndoOpSmoothing = 5;
constexpr std::int16_t kUndoOpSwatch = 6;
constexpr std::int16_t kUndoOpPaintStyle = 7;
constexpr std::int16_t kUndoOpZoom = 8;
constexpr std::int16_t kUndoOpDeleteAnchor = 9;
constexpr std::int16_t kUndoOpLevels = 10;
constexpr std::int16_t kUndoOpFill = 11;
constexpr std::int16_t kUndoOpMarquee = 12;
constexpr std::int16_t kUndoOpLasso = 13;
constexpr std::int16_t kUndoOpMagicWand = 14;
constexpr std::int16_t kUndoOpSelectAll = 15;
constexpr std::int16_t kUndoOpSelectNone = 16;
constexpr std::int16_t kUndoOpSelectInverse = 17;
constexpr std::int16_t kUndoOpGrowSelection = 18;
constexpr std::int16_t kUndoOpSelectSimilar = 19;
constexpr std::int16_t kUndoOpClear = 20;
constexpr std::int16_t kUndoOpConvert = 21;
constexpr std::int16_t kUndoOpSmoothDirectionPoints = 22;
constexpr std::int16_t kUndoOpAddAnchorPoint = 23;
constexpr std::int16_t kUndoOpMoveAnchorPoint = 24;
constexpr std::int16_t kUndoOpAdjustLine = 25;
constexpr std::int16_t kUndoOpThinMore = 26;
constexpr std::int16_t kUndoOpAdjustCurve = 27;
constexpr std::int16_t kUndoOpConvertToCircle = 30;  // + shape: Oval 31, Square 32, Rectangle 33
constexpr std::int16_t kUndoOpConvertToRectangle = 33;

// A copy of the artwork's path list: every record with its own copy of the point array.
struct SavedPaths {
  std::vector<PathRecord> paths;
  platform::Block charge;  // the records' memory, as Artwork::pathsCharge
  std::int32_t capacity = 0;
  std::int32_t count = 0;
  std::int32_t selectedCount = 0;
};

struct UndoState {
  // 0 nothing to undo; > 0 the operation can be undone; < 0 it was undone and can be redone.
  std::int16_t code = kUndoOpNone;
  bool pathsSaved = false;
  SavedPaths paths;
  bool maskSaved = false;
  platform::Block mask;  // the whole bit layer block, guard rows included
  bool inkAdded = false;  // Fill: `mask` holds the ink the step added, not the ink it cleared
  bool pixelSelection = false;
  // Levels: the tone table the image does not show now (the identity until undone).
  std::array<std::uint8_t, 256> tone{};
  bool colorRowsSaved = false;
  image::ColorRowsCopy colorRows;  // Clear, Fill on a gray scale or colour image: the rows changed
};

struct UndoSlot {
  UndoState state;
  UndoState replaced;  // the step RecordUndo replaced, until FinishUndo
  bool replacedHeld = false;
  bool memoryWarningOff = false;  // message 84 was answered Yes; lasts until the program ends
};

// What the undo step records and restores.
struct UndoDocument {
  image::RasterImage& image;
  Artwork& art;
  bool imageOpen = true;
};

// Records the state that the operation `code` is about to change. 1 to go on, 0 when the user
// cancelled (message 17 answered No after memory ran short). Without an open image it records
// nothing and returns 1. A selection command on an image with paths switches undo off (code 0);
// so does a path command without paths, except the conversion, whose undo takes its paths away.
// Clear and Fill record the selected ink of a bilevel image, or the colour rows of the
// selection's band of a gray scale or colour image (nothing when the image cannot be changed).
// Memory running short: message 17 (Yes/No) for Delete, Smoothing, Paint Style, Fill, Clear and
// the Convert To commands; message 84 for the others until answered Yes once.
int RecordUndo(UndoSlot& slot, UndoDocument doc, base::Runtime& rt, int code);

// Fill turning paper to ink on a bilevel image: the step keeps `ink` (a bit layer block, the
// pixels the fill sets) instead of the selected ink, so undo turns those pixels back to paper
// and redo sets them again. Nothing happens unless a Fill step is being recorded.
void KeepAddedInk(UndoSlot& slot, platform::Block&& ink);

// Ends the command that recorded: `done` keeps the new step; otherwise the step replaced by
// RecordUndo comes back, as if nothing had been recorded.
void FinishUndo(UndoSlot& slot, bool done);

// The Undo/Redo command: swaps the recorded state with the current one. False when there is
// nothing to undo (code 0 or no open image). The pencil and the eraser exchange the bit layer
// with the one they kept; the other tools that keep their own before-image are not in this
// build (nor is Thin More's, which the thinning pause exchanges): their codes turn to 0.
bool PerformUndo(UndoSlot& slot, UndoDocument doc);

// True for the codes whose step is the path list (path edits and the conversion).
bool KindOfUndoIsPaths(int code);

// Levels wait in the image's tone table, shown and converted through it, until the next step is
// recorded or Levels opens again: then the table is written into the colour layer and the step
// can no longer be undone. Nothing happens unless a Levels step is applied and pending.
void CommitPendingLevels(UndoSlot& slot, image::RasterImage& image);

// Frees the recorded state (a new document, or a new step replacing it).
void DiscardUndo(UndoSlot& slot);

// The Edit menu's first item: "Cannot Undo", or "Undo " / "Redo " and the operation's name,
// followed by "\tCtrl+Z".
std::string UndoMenuText(const UndoSlot& slot);

// Deep copy of path records (each point array copied) charged to the budget; false, with
// nothing allocated, when memory runs out.
bool CopyPathList(const Artwork& art, platform::MemoryBudget& budget, SavedPaths& out);

}  // namespace vl::art
