// The editing commands on the program record.
#include "app/edit_commands.h"

#include "base/message_table.h"

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

template <class Selection>
EditResult PixelSelection(Program& program, Document& doc, int code, Selection selection) {
  return Recorded(program, doc, code,
                  [&](base::Runtime& rt) { return FromSelection(selection(rt)); });
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
  const bool paths = art::KindOfUndoIsPaths(program.undo.state.code);
  if (!art::PerformUndo(program.undo, UndoDocumentOf(program, doc))) {
    base::Runtime rt = program.runtime();
    base::ShowMessage(rt, msg::kNothingToUndo);
    return EditResult::kNothing;
  }
  program.app.artPresent = program.artwork.count > 0;
  if (paths) doc.artModified = true;
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
  return PixelSelection(program, doc, art::kUndoOpSelectAll,
                        [&](base::Runtime& rt) { return image::SelectAll(program.image, rt); });
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
  return PixelSelection(program, doc, art::kUndoOpMarquee, [&](base::Runtime& rt) {
    return image::applyRectSelection(program.image, rt, left, top, right, bottom, mode)
               ? image::SelectionResult::kChanged
               : image::SelectionResult::kFailed;
  });
}

EditResult MagicWandClick(Program& program, Document& doc, std::int32_t x, std::int32_t y,
                          int mode) {
  return PixelSelection(program, doc, art::kUndoOpMagicWand, [&](base::Runtime& rt) {
    return image::MagicWand(program.image, rt, x, y, mode, program.wand);
  });
}

}  // namespace vl::app
