// The save driver: writes the artwork to a file in the chosen format, with progress, the abort
// poll and the Long Path Warning. GQ generations 0 to 3, the clipboard art (7), the metafile
// (4) and DXF (5) are built; format 6 creates an empty file. Preview kinds 4 and 5 wrap the file
// in a DOS EPS header with a TIFF preview that the caller's preview writer appends; without
// one, and for a black and white preview of a colour image (which needs the posterization),
// they refuse with "not available in this build".
#pragma once

#include <functional>
#include <string>

#include "art/art_writer_inputs.h"
#include "art/artwork.h"
#include "art/emf_writer.h"
#include "art/gq_writer.h"
#include "base/runtime.h"
#include "platform/file_io.h"

namespace vl::art {

// What appending the TIFF preview of a DOS EPS file came to.
enum class [[nodiscard]] PreviewResult {
  kWritten,
  kStopped,  // the user stopped it: the file is kept without a preview
  kFailed,   // a write failed or memory ran short; the message was shown
};
// Appends the TIFF preview at the file's current position and leaves the file at its end.
// previewKind: 4 black and white, 5 in the image's own mode. The art writers never see the
// raster image, so the caller supplies this, bridging to the image's TIFF writer.
using TiffPreviewWriter = std::function<PreviewResult(platform::FileHandle file, int previewKind)>;

struct SaveArtOptions {
  int format = kFormatGq5;       // the saveFormat preference
  int preview = kPreviewHeader;  // the epsPreview preference; format 7 always uses 1
  // Writing the clipboard's scratch file: message 13 instead of 12, the clipboard progress
  // text, no warnings afterwards, and the art's modified state left alone.
  bool unattended = false;
  // Who and when for the header; nullptr takes the system user and the interface's clock.
  const SaveStamp* stamp = nullptr;
  // linesMode of the active settings: a DXF save that turned curves into straight pieces
  // warns about it (message 38) only in "Curved and straight" mode.
  std::int16_t linesMode = settings::kCurvedAndStraight;
  // For a metafile: the image's true width and its file, named in the description. A width
  // of 0 takes the padded width.
  MetafileSource metafile;
  // Writes the preview of preview kinds 4 and 5 (formats 0 to 3).
  TiffPreviewWriter tiffPreview;
};

// Writes `art` to fileName, replacing a previous file only when the save completes. True when
// the whole art was written (artModified is then cleared unless unattended). False when the
// format is refused, the file could not be created or written (the message was shown, the
// previous file is untouched, artModified is set), or the user stopped the save (the file is
// kept, complete with its trailer, but holds only the paths written before the stop).
[[nodiscard]] bool saveArt(base::Runtime& rt, const Artwork& art, const ArtImageInfo& image,
             const CustomColorList& customColors, const std::string& fileName,
             const SaveArtOptions& options, bool& artModified);

// Progress is shown for saves of at least this many paths.
constexpr int kProgressMinPaths = 50;
// The progress label of a save to fileName: "Saving " and the file's name.
std::string SavingLabel(const std::string& fileName);

// The Long Path Warning box's text, its lines joined by line feeds.
std::string LongPathWarningText();

}  // namespace vl::art
