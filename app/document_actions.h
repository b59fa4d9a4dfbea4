// What the front ends do to the document: open an image file, convert it, write the art, write
// the pixel image, close. The window's commands and the command line call the same functions,
// so a file converted from the terminal goes through exactly the road the menus take.
#pragma once

#include <string>
#include <string_view>

#include "app/document.h"
#include "app/program.h"
#include "art/art_writer_inputs.h"
#include "image/read_outcome.h"
#include "engine/conversion_outcome.h"

namespace vl::app {

// Closes the current document (the caller ran the save prompts), then reads `path` through the
// input dispatch: the reader the extension names, else the one the file's signature calls for.
// The read's outcome: when read, the document is open; otherwise the failure's message was
// shown (none when the user stopped the read) and no document is open.
image::ReadOutcome OpenDocument(Program& program, Document& doc, const std::string& path);

// The Convert command's work: runs the conversion driver on the open image (the document must
// hold one) with the settings in force, and returns the driver's outcome. Unless the driver
// refused, the new art counts as unsaved.
engine::ConversionOutcome ConvertDocument(Program& program, Document& doc);

// The page facts the art writers need, for art saved under `artFileName` (its file part becomes
// the file's title).
art::ArtImageInfo ArtImageInfoFor(const image::RasterImage& image, std::string_view artFileName);

// Writes the art into `filePath` in `format`, titled after `artName` (normally the same path;
// the command line writes a temporary file first). True when the whole art was written; the art
// is then marked saved. False after the writer's message, or when the user stopped the save.
[[nodiscard]] bool WriteArtFile(Program& program, Document& doc, const std::string& filePath,
                  std::string_view artName, const ArtFormat& format);

// Save Art's write: WriteArtFile to `path`, which then becomes the art's own file and format.
[[nodiscard]] bool WriteArt(Program& program, Document& doc, const std::string& path, const ArtFormat& format);

// The pixel save format that Save Pixel Image As proposes: TIFF for an image read from a TIFF
// file, RVX otherwise.
int ProposedPixelFormat(const image::RasterImage& image);
// `path` with the extension of a pixel save format: ".tif" for TIFF, ".rvx" for RVX.
std::string PixelImageName(std::string_view path, int pixelFormat);

// Writes the pixel image to `path` in a pixel save format (image/save_pixel_image.h); on success
// the image is no longer untitled or modified, and the format is the preferences' pixel save
// format.
[[nodiscard]] bool WritePixelImage(Program& program, Document& doc, const std::string& path, int pixelFormat);

// Frees the art and the image and forgets the document's names; the art format stays.
void CloseDocument(Program& program, Document& doc);

}  // namespace vl::app
