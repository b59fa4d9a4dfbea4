// The shell's record of the one open document: which image file it came from, where its art is
// saved and in which format, and what has changed since. Both front ends (the window's command
// set and the command line) keep one and pass it by reference.
#pragma once

#include <string>

#include "art/gq_writer.h"

namespace vl::app {

// How art is written: a save-driver format with its EPS preview kind, or the SVG writer.
struct ArtFormat {
  int format = art::kFormatGq5;       // save-driver format code (ignored for SVG and PDF)
  int preview = art::kPreviewHeader;  // EPS preview kind (ignored for SVG, PDF and EMF/DXF)
  bool svg = false;
  bool pdf = false;
};

struct Document {
  bool imageOpen = false;
  std::string imageName;  // the image file's path as opened, or "Untitled"
  bool imageUntitled = false;  // the image came from no file (pasted or acquired)
  std::string artName;    // the art's own file; empty while the art has none
  ArtFormat artFormat;    // what Save Art writes (starts as EPS with a header)
  bool artModified = false;         // the art differs from its file (or has none)
  bool pixelImageModified = false;  // the touch-up tools changed the image since it was read
  bool quitRequested = false;       // Quit ran: the message loop ends
};

}  // namespace vl::app
