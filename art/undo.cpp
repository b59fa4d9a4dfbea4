// The undo step: recording, swapping and the menu text.
#include "art/undo.h"

#include <cstring>
#include <cstdlib>
#include <utility>

#include "base/message_table.h"
#include "image/levels.h"
#include "image/pixel_clear.h"

namespace vl::art {

namespace {

enum class UndoKind { kToolFlags, kTone, kSelection, kPixelClear, kPaths };

UndoKind KindOf(int code) {
  switch (std::abs(code)) {
    case kUndoOpPencil:
    case kUndoOpEraser:
    case kUndoOpLine:
    case kUndoOpThinMore:
      return UndoKind::kToolFlags;
    case kUndoOpLevels:
      return UndoKind::kTone;
    case kUndoOpClear:
    case kUndoOpFill:
      return UndoKind::kPixelClear;
    default: break;
  }
  const int c = std::abs(code);
  if (c >= kUndoOpMarquee && c <= kUndoOpSelectSimilar) return UndoKind::kSelection;
  return UndoKind::kPaths;
}

// The commands that would rather not run without undo: they ask first.
bool AsksBeforeRunningWithoutUndo(int code) {
  switch (code) {
    case kUndoOpDelete:
    case kUndoOpSmoothing:
    case kUndoOpPaintStyle:
    case kUndoOpFill:
    case kUndoOpClear:
      return true;
    default: return code >= kUndoOpConvertToCircle && code <= kUndoOpConvertToRectangle;
  }
}

bool HasPaths(const Artwork& art) { return art.count > 0 || art.stashedCount > 0; }

// Swaps the artwork's path list with a saved one. A stashed artwork is shown again first, so
// that the count in use is the real one.
void SwapPathList(Artwork& art, SavedPaths& saved) {
  restoreArtwork(art);
  std::swap(art.paths, saved.paths);
  art.pathsCharge.swap(saved.charge);
  std::swap(art.capacity, saved.capacity);
  std::swap(art.count, saved.count);
  std::swap(art.selectedCount, saved.selectedCount);
  art.firstNewPath = 0;
  art.currentPath = kNoPath;
}

void FreeState(UndoState& s) { s = UndoState{}; }

// No undo: the code becomes 0 and, where the command asks, the user decides whether it runs.
// Keeps the whole bit layer as the step's before-image; false when memory runs short.
bool SaveBitLayer(UndoState& state, base::Runtime& rt, const image::RasterImage& image) {
  if (!state.mask.allocate(rt.memory, image.bitLayer.size())) return false;
  std::memcpy(state.mask.data(), image.bitLayer.data(), image.bitLayer.size());
  state.maskSaved = true;
  return true;
}

int RecordWithoutMemory(UndoSlot& slot, base::Runtime& rt, int code) {
  FreeState(slot.state);
  if (AsksBeforeRunningWithoutUndo(code))
    return rt.ui.askYesNo(msg::Text(msg::kUndoMemoryQuestion)) == platform::kAnswerYes ? 1 : 0;
  if (!slot.memoryWarningOff &&
      rt.ui.askYesNo(msg::Text(msg::kUndoDisabledQuestion)) == platform::kAnswerYes) {
    slot.memoryWarningOff = true;
  }
  return 1;
}

}  // namespace

bool CopyPathList(const Artwork& art, platform::MemoryBudget& budget, SavedPaths& out) {
  out = SavedPaths{};
  const std::int32_t count = art.count != 0 ? art.count : art.stashedCount;
  if (art.capacity > 0 &&
      !out.charge.allocate(budget, std::size_t(art.capacity) * sizeof(PathRecord))) {
    return false;
  }
  out.paths.resize(art.paths.size());
  for (int i = 0; i < count; ++i) {
    const PathRecord& from = art.paths[i];
    PathRecord& to = out.paths[i];
    to.left = from.left;
    to.top = from.top;
    to.right = from.right;
    to.bottom = from.bottom;
    to.capacityWords = from.capacityWords;
    to.usedWords = from.usedWords;
    to.fillColor = from.fillColor;
    to.strokeColor = from.strokeColor;
    to.flags = from.flags;
    to.fillCustomIndex = from.fillCustomIndex;
    to.strokeCustomIndex = from.strokeCustomIndex;
    to.fillTint = from.fillTint;
    to.strokeTint = from.strokeTint;
    to.strokeWeight = from.strokeWeight;
    to.fillType = from.fillType;
    to.strokeType = from.strokeType;
    if (from.points.empty()) continue;
    if (!to.points.allocate(budget, from.points.size())) {
      out = SavedPaths{};
      return false;
    }
    std::memcpy(to.points.data(), from.points.data(), from.points.size());
  }
  out.capacity = art.capacity;
  out.count = count;
  out.selectedCount = art.selectedCount;
  return true;
}

void CommitPendingLevels(UndoSlot& slot, image::RasterImage& image) {
  if (slot.state.code != kUndoOpLevels) return;
  static_cast<void>(image::ApplyToneTable(image, image.toneTable));
  FreeState(slot.state);
}

int RecordUndo(UndoSlot& slot, UndoDocument doc, base::Runtime& rt, int code) {
  if (!doc.imageOpen) return 1;
  CommitPendingLevels(slot, doc.image);
  // The step being replaced is kept until the command has finished (FinishUndo).
  slot.replaced = std::move(slot.state);
  slot.replacedHeld = true;
  FreeState(slot.state);
  slot.state.code = std::int16_t(code);

  switch (KindOf(code)) {
    case UndoKind::kToolFlags: {
      // The pencil and the eraser on a bilevel image keep the whole bit layer as it was.
      image::RasterImage& image = doc.image;
      if ((code != kUndoOpPencil && code != kUndoOpEraser) || !image::IsBilevel(image) ||
          image.bitLayer.empty())
        return 1;
      return SaveBitLayer(slot.state, rt, image) ? 1 : RecordWithoutMemory(slot, rt, code);
    }
    case UndoKind::kTone:
      // The caller puts the new table in the image; before it, the image showed the identity.
      slot.state.tone = image::IdentityToneTable();
      return 1;
    case UndoKind::kPixelClear: {
      // The ink about to be cleared: the bit layer, which holds the selected ink only (a Fill
      // that adds ink puts what it adds in its place, KeepAddedInk).
      image::RasterImage& image = doc.image;
      if (image::CheckPixelClear(image) != image::PixelClearCheck::kReady) {
        FreeState(slot.state);
        return 1;
      }
      if (!image::IsBilevel(image)) {
        // The rows the clear will change; a selection with no pixel in it changes none.
        if (!image::HasSelectedInk(image)) {
          FreeState(slot.state);
          return 1;
        }
        if (!image::CopySelectedColorRows(image, rt.memory, slot.state.colorRows))
          return RecordWithoutMemory(slot, rt, code);
        slot.state.colorRowsSaved = true;
        return 1;
      }
      return SaveBitLayer(slot.state, rt, image) ? 1 : RecordWithoutMemory(slot, rt, code);
    }
    case UndoKind::kSelection: {
      image::RasterImage& image = doc.image;
      if (HasPaths(doc.art) || image.bitLayer.empty() || !SaveBitLayer(slot.state, rt, image)) {
        FreeState(slot.state);
        return 1;
      }
      slot.state.pixelSelection = image.pixelSelection;
      return 1;
    }
    case UndoKind::kPaths:
      break;
  }
  if (!HasPaths(doc.art) && code != kUndoOpConvert) {
    FreeState(slot.state);
    return 1;
  }
  if (!CopyPathList(doc.art, rt.memory, slot.state.paths)) return RecordWithoutMemory(slot, rt, code);
  slot.state.pathsSaved = true;
  return 1;
}

void KeepAddedInk(UndoSlot& slot, platform::Block&& ink) {
  UndoState& s = slot.state;
  if (s.code != kUndoOpFill || !s.maskSaved) return;
  s.mask = std::move(ink);
  s.inkAdded = true;
}

void FinishUndo(UndoSlot& slot, bool done) {
  if (!slot.replacedHeld) return;
  if (!done) slot.state = std::move(slot.replaced);
  FreeState(slot.replaced);
  slot.replacedHeld = false;
}

bool KindOfUndoIsPaths(int code) { return code != kUndoOpNone && KindOf(code) == UndoKind::kPaths; }

bool PerformUndo(UndoSlot& slot, UndoDocument doc) {
  UndoState& s = slot.state;
  if (s.code == kUndoOpNone || !doc.imageOpen) return false;
  switch (KindOf(s.code)) {
    case UndoKind::kToolFlags:
      // Only the pencil and the eraser keep a before-image here: the bit layer, exchanged.
      if (!s.maskSaved || s.mask.size() != doc.image.bitLayer.size()) {
        FreeState(s);
        return true;
      }
      doc.image.bitLayer.swap(s.mask);
      break;
    case UndoKind::kTone:
      std::swap(doc.image.toneTable, s.tone);
      break;
    case UndoKind::kSelection:
      if (!s.maskSaved || s.mask.size() != doc.image.bitLayer.size()) {
        FreeState(s);
        return true;
      }
      doc.image.bitLayer.swap(s.mask);
      std::swap(doc.image.pixelSelection, s.pixelSelection);
      break;
    case UndoKind::kPixelClear: {
      // Undo puts the cleared ink back (or takes the added ink away); redo does the step's
      // change again. Colour rows are exchanged with the kept ones, which is both.
      const bool restore = (s.code > 0) != s.inkAdded;
      const bool done =
          s.colorRowsSaved ? image::SwapColorRows(doc.image, s.colorRows)
          : s.maskSaved    ? (restore ? image::RestoreInk(doc.image, s.mask)
                                      : image::ClearInk(doc.image, s.mask))
                           : false;
      if (!done) {
        FreeState(s);
        return true;
      }
      break;
    }
    case UndoKind::kPaths:
      if (!s.pathsSaved) {
        FreeState(s);
        return true;
      }
      SwapPathList(doc.art, s.paths);
      break;
  }
  s.code = std::int16_t(-s.code);
  return true;
}

void DiscardUndo(UndoSlot& slot) {
  FreeState(slot.state);
  FreeState(slot.replaced);
  slot.replacedHeld = false;
}

std::string UndoMenuText(const UndoSlot& slot) {
  const int code = slot.state.code;
  std::string text;
  if (code == kUndoOpNone) {
    text = msg::Text(msg::kCannotUndo);
  } else {
    text = msg::Text(code > 0 ? msg::kUndoPrefix : msg::kRedoPrefix);
    text += msg::Text(msg::kCannotUndo + std::abs(code));
  }
  text += msg::Text(msg::kUndoAccelerator);
  return text;
}

}  // namespace vl::art
