// The command dispatcher, the document commands and the save prompts.
#include "app/command_set.h"

#include "app/document_actions.h"
#include "app/document_names.h"
#include "app/edit_commands.h"
#include "base/message_table.h"
#include "engine/conversion_driver.h"
#include "engine/conversion_job.h"
#include "image/save_pixel_image.h"

namespace vl::app {

namespace {

constexpr std::uint16_t kGroupDivisor = 100;

bool HasArt(const Program& program) {
  return program.artwork.count > 0 || program.artwork.stashedCount > 0;
}

std::string ArtNameOf(const Document& doc) {
  return doc.artName.empty() ? UntitledArtName(doc.imageName) : doc.artName;
}

// Save Art As: the dialog proposes the art's name and format; OK writes the art.
bool SaveArtAs(CommandContext& ctx) {
  std::string path = ArtNameOf(ctx.document);
  ArtFormat format = ctx.document.artFormat;
  if (!ctx.dialogs.chooseArtFile(path, format)) return false;
  return WriteArt(ctx.program, ctx.document, path, format);
}

// Save Art: to the art's own file, or through Save Art As while it has none.
bool SaveArt(CommandContext& ctx) {
  if (ctx.document.artName.empty()) return SaveArtAs(ctx);
  return WriteArt(ctx.program, ctx.document, ctx.document.artName, ctx.document.artFormat);
}

// The pixel save format that rewrites the image in its own format; false when the image came
// from a format the program cannot write (the dialog must choose one).
bool OwnPixelFormat(const image::RasterImage& image, int& pixelFormat) {
  switch (image.sourceFormat) {
    case image::kSourceTiff: pixelFormat = image::kPixelSaveTiff; return true;
    case image::kSourceRvx2: pixelFormat = image::kPixelSaveRvx2; return true;
    case image::kSourceRvx3: pixelFormat = image::kPixelSaveRvx3; return true;
    default: return false;
  }
}

bool SavePixelImage(CommandContext& ctx) {
  Document& doc = ctx.document;
  std::string path = doc.imageName;
  int format = ProposedPixelFormat(ctx.program.image);
  if (doc.imageUntitled || !OwnPixelFormat(ctx.program.image, format)) {
    if (!ctx.dialogs.choosePixelImageFile(path, format)) return false;
  }
  return WritePixelImage(ctx.program, doc, path, format);
}

// A conversion paused in interactive thinning is told to stop and given one more call of the
// core, so that it frees what it holds before the document goes.
void WindDownPendingConversion(Program& program) {
  if (!program.app.interactiveThinningPaused) return;
  program.conversion.abortRequested = 1;
  base::Runtime rt = program.runtime();
  engine::ConversionJob job(rt, program.image, program.artwork, program.activeSettings,
                            program.dialogSettings);
  job.pause = &program.thinningPause;
  // Stopped on purpose: what the core made of it matters no more, the document goes.
  static_cast<void>(engine::RunConversionCore(job));
  program.app.interactiveThinningPaused = false;
  program.app.converting = false;
}

void Open(CommandContext& ctx) {
  std::string path;
  if (!ctx.dialogs.chooseImageFile(path)) return;
  if (!RunSavePrompts(ctx)) return;
  // The reader has shown why a read failed, and a stopped read needs no word; either way no
  // document is open and the window shows the empty title, so there is nothing left to decide.
  static_cast<void>(OpenDocument(ctx.program, ctx.document, path));
}

bool Close(CommandContext& ctx) {
  WindDownPendingConversion(ctx.program);
  if (!RunSavePrompts(ctx)) return false;
  CloseDocument(ctx.program, ctx.document);
  return true;
}

// The Edit menu's commands. Their outcome is what the window redraws from; the messages are
// shown already.
bool RunEditCommand(CommandContext& ctx, std::uint32_t identifier) {
  Program& p = ctx.program;
  Document& d = ctx.document;
  EditResult r = EditResult::kNothing;
  if (identifier >= kCommandSmoothPaths && identifier < kCommandSmoothPaths + 3) {
    r = SmoothPathsCommand(p, d, int(identifier - kCommandSmoothPaths));
  } else if (identifier >= kCommandSmoothDirectionPoints &&
             identifier < kCommandSmoothDirectionPoints + 3) {
    r = SmoothDirectionPointsCommand(p, d, int(identifier - kCommandSmoothDirectionPoints));
  } else if (identifier >= kCommandConvertTo && identifier < kCommandConvertTo + 4) {
    r = ConvertToCommand(p, d, art::ShapeKind(identifier - kCommandConvertTo));
  } else {
    switch (identifier) {
      case kCommandUndo: r = UndoCommand(p, d); break;
      case kCommandClear: r = ClearCommand(p, d); break;
      case kCommandSelectAll: r = SelectAllCommand(p, d); break;
      case kCommandSelectNone: r = SelectNoneCommand(p, d); break;
      case kCommandSelectInverse: r = SelectInverseCommand(p, d); break;
      case kCommandGrowSelection: r = GrowSelectionCommand(p, d); break;
      case kCommandSelectSimilar: r = SelectSimilarCommand(p, d); break;
      case kCommandFill: r = FillCommand(p, d); break;
      default: return false;  // not in the table, or its stage is not in this build
    }
  }
  static_cast<void>(r);
  return true;
}

void Convert(CommandContext& ctx, bool selectionEdge = false) {
  if (!ctx.document.imageOpen) return;
  if (HasArt(ctx.program) &&
      ctx.program.ui->askYesNo(msg::Text(msg::kConvertAgainQuestion)) != platform::kAnswerYes) {
    return;
  }
  // The driver has shown what there was to show; the window redraws from the document. The
  // selection-edge flag holds for this call only.
  ctx.program.app.selectionEdgeCommand = selectionEdge;
  static_cast<void>(ConvertDocument(ctx.program, ctx.document));
  ctx.program.app.selectionEdgeCommand = false;
}

bool Quit(CommandContext& ctx) {
  if (!Close(ctx)) return false;
  ctx.document.quitRequested = true;
  return true;
}

}  // namespace

std::uint32_t PackCommand(std::uint16_t identifier) {
  const std::uint32_t group = identifier / kGroupDivisor;
  const std::uint32_t item = identifier % kGroupDivisor;
  return (group << 16) | item;
}

bool RunCommand(CommandContext& ctx, std::uint32_t packedCommand) {
  // The menus are disabled while a conversion runs; a conversion paused for interactive
  // thinning waits in the message loop, where the commands work again.
  if (ctx.program.app.converting && !ctx.program.app.interactiveThinningPaused) return false;
  const std::uint32_t group = packedCommand >> 16;
  const std::uint32_t item = packedCommand & 0xFFFFu;
  if (item >= kGroupDivisor) return false;  // no identifier splits into such a pair
  const std::uint32_t identifier = group * kGroupDivisor + item;
  const bool artPresent = HasArt(ctx.program);
  switch (identifier) {
    case kCommandOpen: Open(ctx); return true;
    case kCommandClose: Close(ctx); return true;
    case kCommandSaveArt:
      if (artPresent) SaveArt(ctx);
      return true;
    case kCommandSaveArtAs:
      if (artPresent) SaveArtAs(ctx);
      return true;
    case kCommandConvert: Convert(ctx); return true;
    case kCommandConvertSelectionEdge: Convert(ctx, true); return true;
    case kCommandQuit: Quit(ctx); return true;
    default: break;
  }
  return RunEditCommand(ctx, identifier);
}

bool RunSavePrompts(CommandContext& ctx) {
  Program& program = ctx.program;
  Document& doc = ctx.document;
  if (!doc.imageOpen) return true;
  if (doc.artModified && HasArt(program)) {
    const std::string name(FileNamePart(ArtNameOf(doc)));
    switch (program.ui->askYesNoCancel(msg::Format(msg::kSaveArtQuestion, name.c_str()))) {
      case platform::SaveAnswer::Yes:
        // The art stays unless it really was written: a cancelled dialog or a failed save
        // stops the command.
        if (!SaveArt(ctx)) return false;
        break;
      case platform::SaveAnswer::No: break;
      case platform::SaveAnswer::Cancel: return false;
    }
  }
  if (doc.pixelImageModified) {
    const std::string name(FileNamePart(doc.imageName));
    switch (program.ui->askYesNoCancel(msg::Format(msg::kSavePixelImageQuestion, name.c_str()))) {
      case platform::SaveAnswer::Yes:
        if (!SavePixelImage(ctx)) return false;
        break;
      case platform::SaveAnswer::No: break;
      case platform::SaveAnswer::Cancel: return false;
    }
  }
  return true;
}

bool RequestWindowClose(CommandContext& ctx) {
  if (ctx.program.app.converting) {
    ctx.program.conversion.abortRequested = 1;
    return false;
  }
  return Quit(ctx);
}

std::string DocumentTitle(const Program& program, const Document& doc) {
  if (!doc.imageOpen) return std::string(msg::Text(msg::kProgramTitle));
  const image::RasterImage& image = program.image;
  return WindowTitle(doc.imageName, ArtNameOf(doc), program.artwork.count > 0,
                     ZoomLabel(image.zoomX, ActualSizeZoom(image.xResolution)));
}

}  // namespace vl::app
