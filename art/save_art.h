// The save driver: writes the artwork to a file in the chosen format, with progress, the abort
// poll and the Long Path Warning. GQ generations 0 to 3 and the clipboard art (7) are built;
// format 6 creates an empty file; the metafile (4) and DXF (5) writers and the TIFF preview of
// the DOS EPS wrapper (preview kinds 4 and 5) refuse with "not available in this build".
#pragma once

#include <string>

#include "art/art_writer_inputs.h"
#include "art/artwork.h"
#include "art/gq_writer.h"
#include "engine/runtime.h"

namespace vl::art {

struct SaveArtOptions {
  int format = kFormatGq5;       // the saveFormat preference
  int preview = kPreviewHeader;  // the epsPreview preference; format 7 always uses 1
  // Writing the clipboard's scratch file: message 13 instead of 12, the clipboard progress
  // text, no warnings afterwards, and the art's modified state left alone.
  bool unattended = false;
  // Who and when for the header; nullptr takes the system user and the interface's clock.
  const SaveStamp* stamp = nullptr;
};

// Writes `art` to fileName, replacing a previous file only when the save completes. True when
// the whole art was written (artModified is then cleared unless unattended). False when the
// format is refused, the file could not be created or written (the message was shown, the
// previous file is untouched, artModified is set), or the user stopped the save (the file is
// kept, complete with its trailer, but holds only the paths written before the stop).
bool saveArt(engine::Runtime& rt, const Artwork& art, const ArtImageInfo& image,
             const CustomColorList& customColors, const std::string& fileName,
             const SaveArtOptions& options, bool& artModified);

// The Long Path Warning box's text, its lines joined by line feeds.
std::string LongPathWarningText();

}  // namespace vl::art
