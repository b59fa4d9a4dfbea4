// Opening an input file and choosing its reader: by the file name's extension, else by the
// file's first bytes. Every reader fills the raster image the same way; the common completion
// of the load runs after any reader succeeded.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/read_outcome.h"

namespace vl::image {

// Sets and returns image.sourceFormat from the name's extension, compared without regard to
// case: ".tif" TIFF, ".rvx" RVX 3.0, ".pcx" PCX, ".pnt" MacPaint, ".sun" Sun raster; ".png",
// ".jpg" (".jpeg", ".jpe", ".jfif"), ".pbm" (".pgm", ".ppm", ".pnm", ".pam"), ".bmp" (".dib")
// for the added formats, which the file's signature still overrules; anything else
// kSourceBySignature.
std::int16_t chooseFormatByName(RasterImage& image, std::string_view path);

// The extensions that name a readable image, with the reader each one chooses: the one list
// behind chooseFormatByName and the folder expansion of a batch run.
struct InputExtension {
  std::string_view extension;
  std::int16_t format;
};
inline constexpr InputExtension kInputExtensions[] = {
    {".tif", kSourceTiff},  {".rvx", kSourceRvx3},      {".pcx", kSourcePcx},
    {".pnt", kSourceMacPaint}, {".sun", kSourceSunRaster}, {".png", kSourcePng},
    {".jpg", kSourceJpeg},  {".jpeg", kSourceJpeg},     {".jpe", kSourceJpeg},
    {".jfif", kSourceJpeg}, {".pbm", kSourcePnm},       {".pgm", kSourcePnm},
    {".ppm", kSourcePnm},   {".pnm", kSourcePnm},       {".pam", kSourcePnm},
    {".bmp", kSourceBmp},   {".dib", kSourceBmp},
};

// The reader the name's extension chooses (compared without regard to case), else
// kSourceBySignature.
std::int16_t FormatForExtension(std::string_view path);

// True when the name ends in one of kInputExtensions or in ".tiff" (read by its signature).
bool HasImageExtension(std::string_view name);

// Releases the current image and opens the input file read-only (inputFolder + inputName in a
// batch run, else inputName), then reads it with readImage. fromClipboard: no file is opened
// and the reader for sourceFormat takes the picture from the clipboard. Failed with "Error %d
// opening input file." (the system's error number) when the file cannot be opened; otherwise
// what readImage returns.
ReadOutcome openInputImage(RasterImage& image, base::Runtime& rt, bool fromClipboard);

// Resets the descriptor's defaults (300 pixels per inch, bilevel, white is zero, art scale 1),
// runs the reader that sourceFormat or the file's signature calls for, then completes the load.
// The reader's outcome, or the completion's; a file whose first 32 bytes name no reader fails
// with "Unknown input format.", and a source whose reader is not in this build is refused with
// the same message. Unless read, the image is released.
ReadOutcome readImage(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
