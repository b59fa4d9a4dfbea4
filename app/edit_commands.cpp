// The editing commands on the program record.
#include "app/edit_commands.h"

#include <algorithm>
#include <cstdlib>

#include "art/anchor_editing.h"
#include "art/path_smoothing.h"
#include "base/message_table.h"
#include "app/pixel_fill.h"
#include "image/pixel_clear.h"

namespace vl::app {

namespace {

art::UndoDocument UndoDocumentOf(Program& program, const Document& doc) {
  return {program.image, program.artwork, doc.imageOpen};
}

bool HasArt(const Program& program) {
  return program.artwork.count > 0 || program.artwork.stashedCount > 0;
}

EditResult FromSelection(image::SelectionResult r) {
  switch (r) {
    case image::SelectionResult::kChanged: return EditResult::kDone;
    case image::SelectionResult::kUnchanged: return EditResult::kNothing;
    case image::SelectionResult::kFailed: return EditResult::kFailed;
    case image::SelectionResult::kStopped: return EditResult::kStopped;
  }
  return EditResult::kFailed;
}

// Records the undo step `code`, runs the command and keeps the step only when it was done.
template <class Command>
EditResult Recorded(Program& program, Document& doc, int code, Command command) {
  if (!doc.imageOpen) return EditResult::kNothing;
  base::Runtime rt = program.runtime();
  program.conversion.abortRequested = 0;  // a stop left over from an earlier command
  if (art::RecordUndo(program.undo, UndoDocumentOf(program, doc), rt, code) == 0) {
    art::FinishUndo(program.undo, false);
    return EditResult::kCancelled;
  }
  const EditResult result = command(rt);
  art::FinishUndo(program.undo, result == EditResult::kDone);
  return result;
}

// A selection command; what it marks is no longer the marquee's rectangle alone.
template <class Selection>
EditResult PixelSelection(Program& program, Document& doc, int code, Selection selection) {
  const EditResult r = Recorded(program, doc, code,
                                [&](base::Runtime& rt) { return FromSelection(selection(rt)); });
  if (r != EditResult::kNothing && r != EditResult::kCancelled) program.marquee = MarqueeArea{};
  return r;
}

// The rectangle a new selection marked, clipped to the image.
void MarkRectangle(Program& program, std::int32_t left, std::int32_t top, std::int32_t right,
                   std::int32_t bottom) {
  const image::RasterImage& image = program.image;
  MarqueeArea a{true, std::max(std::min(left, right), 0), std::max(std::min(top, bottom), 0),
                std::min(std::max(left, right), image.width - 1),
                std::min(std::max(top, bottom), image.height - 1)};
  program.marquee = a.left <= a.right && a.top <= a.bottom ? a : MarqueeArea{};
}

void SelectAllPaths(art::Artwork& art, bool selected) {
  art.selectedCount = 0;
  for (int i = 0; i < art.count; ++i) {
    art::PathRecord& p = art.paths[i];
    p.flags = selected ? (p.flags | art::kSelected) : (p.flags & ~art::kSelected);
    if (selected) ++art.selectedCount;
  }
}

}  // namespace

EditResult UndoCommand(Program& program, Document& doc) {
  if (!doc.imageOpen) return EditResult::kNothing;
  // Thin More's before-image belongs to the waiting conversion.
  std::int16_t& code = program.undo.state.code;
  if (std::abs(code) == art::kUndoOpThinMore &&
      engine::SwapThinMore(program.thinningPause, program.image, code > 0)) {
    code = std::int16_t(-code);
    return EditResult::kDone;
  }
  const bool paths = art::KindOfUndoIsPaths(program.undo.state.code);
  const int undone = std::abs(program.undo.state.code);
  if (undone >= art::kUndoOpMarquee && undone <= art::kUndoOpSelectSimilar)
    program.marquee = MarqueeArea{};
  if (!art::PerformUndo(program.undo, UndoDocumentOf(program, doc))) {
    base::Runtime rt = program.runtime();
    base::ShowMessage(rt, msg::kNothingToUndo);
    return EditResult::kNothing;
  }
  program.app.artPresent = program.artwork.count > 0;
  if (paths) doc.artModified = true;
  if (undone == art::kUndoOpClear || undone == art::kUndoOpFill) doc.pixelImageModified = true;
  return EditResult::kDone;
}

std::string UndoMenuItem(const Program& program) { return art::UndoMenuText(program.undo); }

EditResult SelectAllCommand(Program& program, Document& doc) {
  if (!doc.imageOpen) return EditResult::kNothing;
  if (program.artwork.count > 0) {
    SelectAllPaths(program.artwork, true);
    return EditResult::kDone;
  }
  if (HasArt(program)) return EditResult::kNothing;  // the paths are hidden
  const EditResult r = PixelSelection(program, doc, art::kUndoOpSelectAll, [&](base::Runtime& rt) {
    return image::SelectAll(program.image, rt);
  });
  if (r == EditResult::kDone) MarkRectangle(program, 0, 0, program.image.width - 1, program.image.height - 1);
  return r;
}

EditResult SelectNoneCommand(Program& program, Document& doc) {
  if (!doc.imageOpen) return EditResult::kNothing;
  if (program.artwork.count > 0) {
    SelectAllPaths(program.artwork, false);
    return EditResult::kDone;
  }
  return PixelSelection(program, doc, art::kUndoOpSelectNone, [&](base::Runtime& rt) {
    return image::SelectNone(program.image, rt) ? image::SelectionResult::kChanged
                                                : image::SelectionResult::kFailed;
  });
}

EditResult SelectInverseCommand(Program& program, Document& doc) {
  return PixelSelection(program, doc, art::kUndoOpSelectInverse, [&](base::Runtime& rt) {
    return image::SelectInverse(program.image, rt);
  });
}

EditResult GrowSelectionCommand(Program& program, Document& doc) {
  return PixelSelection(program, doc, art::kUndoOpGrowSelection, [&](base::Runtime& rt) {
    return image::GrowSelection(program.image, rt, program.wand);
  });
}

EditResult SelectSimilarCommand(Program& program, Document& doc) {
  return PixelSelection(program, doc, art::kUndoOpSelectSimilar, [&](base::Runtime& rt) {
    return image::SelectSimilar(program.image, rt, program.wand);
  });
}

EditResult MarqueeSelect(Program& program, Document& doc, std::int32_t left, std::int32_t top,
                         std::int32_t right, std::int32_t bottom, int mode) {
  const EditResult r = PixelSelection(program, doc, art::kUndoOpMarquee, [&](base::Runtime& rt) {
    return image::applyRectSelection(program.image, rt, left, top, right, bottom, mode)
               ? image::SelectionResult::kChanged
               : image::SelectionResult::kFailed;
  });
  if (r == EditResult::kDone && mode == image::kSelectNew)
    MarkRectangle(program, left, top, right, bottom);
  return r;
}

EditResult MagicWandClick(Program& program, Document& doc, std::int32_t x, std::int32_t y,
                          int mode) {
  return PixelSelection(program, doc, art::kUndoOpMagicWand, [&](base::Runtime& rt) {
    return image::MagicWand(program.image, rt, x, y, mode, program.wand);
  });
}

namespace {

bool HasVisiblePaths(const Program& program, const Document& doc) {
  return doc.imageOpen && program.artwork.count > 0;
}

// A path command: recorded under `code`, done when it changed the art.
template <class Command>
EditResult PathCommand(Program& program, Document& doc, int code, Command command) {
  if (!HasVisiblePaths(program, doc)) return EditResult::kNothing;
  const EditResult r = Recorded(program, doc, code, command);
  if (r == EditResult::kDone) doc.artModified = true;
  program.app.artPresent = program.artwork.count > 0;
  return r;
}

// Two pixels in art units, plus the window's margin.
std::int32_t AnchorReach(const Program& program, std::int32_t margin) {
  return std::int32_t(2 * program.image.artScale) + margin;
}

}  // namespace

EditResult SmoothPathsCommand(Program& program, Document& doc, int level) {
  return PathCommand(program, doc, art::kUndoOpSmoothing, [&](base::Runtime& rt) {
    const long gone = art::SmoothPaths(program.artwork, level, program.image.artScale);
    art::ReportSmoothing(rt, gone);
    // Nothing removed is still the command done: undo then gives back the same art.
    return EditResult::kDone;
  });
}

EditResult SmoothDirectionPointsCommand(Program& program, Document& doc, int level) {
  return PathCommand(program, doc, art::kUndoOpSmoothDirectionPoints, [&](base::Runtime& rt) {
    art::ReportDirectionSmoothing(rt, art::SmoothDirectionPoints(program.artwork, level));
    return EditResult::kDone;
  });
}

EditResult ConvertToCommand(Program& program, Document& doc, art::ShapeKind shape) {
  if (program.artwork.selectedCount == 0) return EditResult::kNothing;
  const int code = art::kUndoOpConvertToCircle + int(shape);
  return PathCommand(program, doc, code, [&](base::Runtime&) {
    const image::RasterImage& image = program.image;
    const auto width = std::int32_t(image.width * image.artScale);
    const auto height = std::int32_t(image.height * image.artScale);
    return art::ConvertTo(program.artwork, shape, width, height) > 0 ? EditResult::kDone
                                                                      : EditResult::kNothing;
  });
}

EditResult DeleteAnchorsCommand(Program& program, Document& doc, const art::ArtBounds& rect,
                                bool click, std::int32_t margin) {
  if (program.artwork.selectedCount == 0) return EditResult::kNothing;
  art::ArtBounds box = rect;
  if (click) {
    const std::int32_t reach = AnchorReach(program, margin);
    box = {rect.left - reach, rect.top - reach, rect.left + reach, rect.top + reach};
  }
  return PathCommand(program, doc, art::kUndoOpDeleteAnchor, [&](base::Runtime& rt) {
    return art::DeleteAnchorsInRect(program.artwork, rt, box, click) ? EditResult::kDone
                                                                     : EditResult::kNothing;
  });
}

EditResult AddAnchorPointCommand(Program& program, Document& doc, art::ArtClick click,
                                 std::int32_t margin) {
  const art::SegmentHit hit = art::HitSegment(program.artwork, click, margin);
  if (!hit.found()) return EditResult::kNothing;
  return PathCommand(program, doc, art::kUndoOpAddAnchorPoint, [&](base::Runtime&) {
    if (!art::SplitSegment(program.artwork.paths[hit.path], hit.offset, hit.t))
      return EditResult::kFailed;
    if (!(program.artwork.paths[hit.path].flags & art::kSelected))
      art::ClickSelect(program.artwork, hit.path, true);
    return EditResult::kDone;
  });
}

EditResult MoveAnchorCommand(Program& program, Document& doc, art::ArtClick from,
                             art::ArtClick to, std::int32_t margin) {
  const art::SegmentHit hit = art::HitAnchor(program.artwork, from, AnchorReach(program, margin));
  if (!hit.found()) return EditResult::kNothing;
  return PathCommand(program, doc, art::kUndoOpMoveAnchorPoint, [&](base::Runtime&) {
    art::PathRecord& path = program.artwork.paths[hit.path];
    art::MoveAnchor(path, hit.offset, to.x, to.y);
    if (!(path.flags & art::kSelected)) art::ClickSelect(program.artwork, hit.path, true);
    return EditResult::kDone;
  });
}

namespace {

template <class Edit>
EditResult SegmentCommand(Program& program, Document& doc, int code, art::ArtClick press,
                          std::int32_t margin, Edit edit) {
  const art::SegmentHit hit = art::HitSegment(program.artwork, press, margin);
  if (!hit.found()) return EditResult::kNothing;
  return PathCommand(program, doc, code, [&](base::Runtime&) {
    art::PathRecord& path = program.artwork.paths[hit.path];
    if (!edit(path, hit.offset)) return EditResult::kFailed;
    if (!(path.flags & art::kSelected)) art::ClickSelect(program.artwork, hit.path, true);
    return EditResult::kDone;
  });
}

art::ArtPoint PointOf(art::ArtClick c) { return {double(c.x), double(c.y)}; }

}  // namespace

EditResult AdjustLineCommand(Program& program, Document& doc, art::ArtClick press,
                             art::ArtClick release, bool constrain, std::int32_t margin) {
  return SegmentCommand(program, doc, art::kUndoOpAdjustLine, press, margin,
                        [&](art::PathRecord& path, std::size_t offset) {
                          art::MoveSegment(path, offset, PointOf(press), PointOf(release), constrain);
                          return true;
                        });
}

EditResult AdjustCurveCommand(Program& program, Document& doc, art::ArtClick press,
                              art::ArtClick release, std::int32_t margin, bool circular) {
  const image::RasterImage& image = program.image;
  return SegmentCommand(program, doc, art::kUndoOpAdjustCurve, press, margin,
                        [&](art::PathRecord& path, std::size_t offset) {
                          if (!circular) return art::BendSegment(path, offset, PointOf(release));
                          const art::ArtPoint m{
                              std::clamp(double(release.x), 0.0, image.width * image.artScale),
                              std::clamp(double(release.y), 0.0, image.height * image.artScale)};
                          return art::ArcSegment(path, offset, m, image.artScale);
                        });
}

EditResult WandToolClick(Program& program, Document& doc, const art::HitView& view,
                         std::int32_t windowX, std::int32_t windowY, bool shift, int mode) {
  if (!doc.imageOpen) return EditResult::kNothing;
  const art::ArtClick c = art::ClickToArt(view, windowX, windowY);
  if (program.artwork.count == 0) {
    return MagicWandClick(program, doc, c.x >> view.artScaleShift, c.y >> view.artScaleShift, mode);
  }
  const int hit = art::FindPathAt(program.artwork, c, art::HitMargin(view),
                                  art::DistanceLimit(view), false, program.image.artScale);
  art::ClickSelect(program.artwork, hit, shift);
  return hit == art::kNoPath ? EditResult::kNothing : EditResult::kDone;
}

namespace {

EditResult RefusedInThisBuild(Program& program, const char* subject) {
  base::Runtime rt = program.runtime();
  rt.ui.showMessage(msg::Format(msg::kNotAvailableInThisBuild, subject));
  return EditResult::kFailed;
}

// Whether the selected pixels can be changed: kNothing without a selection, kFailed after the
// refusal of an image whose pixels are not all in memory, kDone when they can.
EditResult PixelsChangeable(Program& program, const char* verb) {
  const auto refuse = [&](const char* where) {
    return RefusedInThisBuild(program, (std::string(verb) + " pixels of an image " + where).c_str());
  };
  switch (image::CheckPixelClear(program.image)) {
    case image::PixelClearCheck::kReady: return EditResult::kDone;
    case image::PixelClearCheck::kNoSelection: return EditResult::kNothing;
    case image::PixelClearCheck::kBackupOnDisk: return refuse("kept in the scratch file");
    case image::PixelClearCheck::kColorInFile: return refuse("read from its file");
  }
  return EditResult::kFailed;
}

EditResult ClearPixels(Program& program, Document& doc) {
  if (const EditResult r = PixelsChangeable(program, "Clearing"); r != EditResult::kDone) return r;
  image::RasterImage& image = program.image;
  const bool bilevel = image::IsBilevel(image);
  // Paper cleared to paper changes nothing and must not replace the undo step.
  if (bilevel ? !image::HasSelectedInk(image) : !image::HasSelectedColor(image))
    return EditResult::kNothing;
  const EditResult r = Recorded(program, doc, art::kUndoOpClear, [&](base::Runtime&) {
    const bool cleared = bilevel ? image::ClearSelectedInk(image) : image::ClearSelectedColor(image);
    return cleared ? EditResult::kDone : EditResult::kFailed;
  });
  if (r == EditResult::kDone) doc.pixelImageModified = true;
  return r;
}

// A bilevel image filled with ink: the paper of the marked rectangle turns black. A selection
// made otherwise (the wand's, Grow's, Similar's) holds ink only, which a black fill leaves as it
// is.
EditResult FillBilevelWithInk(Program& program, Document& doc) {
  image::RasterImage& image = program.image;
  platform::Block added;
  if (!PaperInArea(image, program.marquee, program.memory, added)) {
    base::Runtime rt = program.runtime();
    base::ShowMessage(rt, msg::kNotEnoughMemoryRestart);
    return EditResult::kFailed;
  }
  if (added.empty()) return EditResult::kNothing;
  return Recorded(program, doc, art::kUndoOpFill, [&](base::Runtime&) {
    if (!image::RestoreInk(image, added)) return EditResult::kFailed;
    art::KeepAddedInk(program.undo, std::move(added));
    return EditResult::kDone;
  });
}

}  // namespace

EditResult FillCommand(Program& program, Document& doc) {
  if (!doc.imageOpen || HasArt(program)) return EditResult::kNothing;
  if (const EditResult r = PixelsChangeable(program, "Filling"); r != EditResult::kDone) return r;
  const PaintSlot& paint = program.currentPaint;
  if (paint.type == SlotType::kNone || paint.type == SlotType::kMixed) {
    base::Runtime rt = program.runtime();
    base::ShowMessage(rt, msg::kNoneNotForDrawing);
    return EditResult::kFailed;
  }
  image::RasterImage& image = program.image;
  EditResult r = EditResult::kNothing;
  if (!image::IsBilevel(image)) {
    const PixelSamples samples = SamplesOfPaint(paint, image.samplesPerPixel);
    // A selection that already holds the paint changes nothing and keeps the undo step.
    if (!SelectionDiffersFrom(image, samples)) return EditResult::kNothing;
    r = Recorded(program, doc, art::kUndoOpFill, [&](base::Runtime&) {
      return FillSelectedColor(image, samples) ? EditResult::kDone : EditResult::kFailed;
    });
  } else if (PaintIsInk(paint)) {
    r = FillBilevelWithInk(program, doc);
  } else {
    // Paper: the selected ink goes, as Clear takes it.
    if (!image::HasSelectedInk(image)) return EditResult::kNothing;
    r = Recorded(program, doc, art::kUndoOpFill, [&](base::Runtime&) {
      return image::ClearSelectedInk(image) ? EditResult::kDone : EditResult::kFailed;
    });
  }
  if (r == EditResult::kDone) doc.pixelImageModified = true;
  return r;
}

EditResult ClearCommand(Program& program, Document& doc) {
  if (!doc.imageOpen) return EditResult::kNothing;
  if (!HasArt(program)) return ClearPixels(program, doc);
  if (program.artwork.selectedCount == 0) return EditResult::kNothing;
  return PathCommand(program, doc, art::kUndoOpDelete, [&](base::Runtime&) {
    art::Artwork& a = program.artwork;
    // From the last path down, so the indices still to visit stay where they are.
    for (int i = a.count - 1; i >= 0; --i)
      if (a.paths[i].flags & art::kSelected) art::deletePath(a, i);
    return EditResult::kDone;
  });
}

}  // namespace vl::app
