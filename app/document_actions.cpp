// Opening, converting, writing and closing the document.
#include "app/document_actions.h"

#include <cassert>

#include "app/document_names.h"
#include "art/save_art.h"
#include "art/pdf_writer.h"
#include "art/svg_writer.h"
#include "engine/conversion_driver.h"
#include "engine/conversion_job.h"
#include "image/input_dispatch.h"
#include "image/save_pixel_image.h"
#include "image/tiff_writer.h"

namespace vl::app {

image::ReadOutcome OpenDocument(Program& program, Document& doc, const std::string& path) {
  CloseDocument(program, doc);
  base::Runtime rt = program.runtime();
  image::RasterImage& image = program.image;
  image.inputName = path;
  image.outputName = path;
  image::chooseFormatByName(image, path);
  // A stop left over from an earlier command must not cut this read short.
  program.conversion.abortRequested = 0;
  const image::ReadOutcome outcome = image::openInputImage(image, rt, false);
  if (!outcome.read()) return outcome;
  doc.imageOpen = true;
  doc.imageName = path;
  return outcome;
}

engine::ConversionOutcome ConvertDocument(Program& program, Document& doc) {
  assert(doc.imageOpen);
  base::Runtime rt = program.runtime();
  engine::ConversionJob job(rt, program.image, program.artwork, program.activeSettings,
                            program.dialogSettings);
  job.pause = &program.thinningPause;
  job.undo = &program.undo;
  job.fitMode = program.fitMode;
  // Auto colours live for one conversion: last time's go (their paths turn to process paint),
  // and each new path colour gets its record while this one runs.
  art::resetAutoColors(program.customColors, program.artwork);
  program.artwork.createCustomColor = [&program, rt](std::uint32_t color) mutable {
    return art::autoColorIndex(rt, program.customColors, color);
  };
  job.eliminateHiddenPaths = (program.livePrefs.prefFlagsB & settings::kEliminateHiddenPaths) != 0;
  job.customColors = &program.customColors.colors;
  const engine::ConversionOutcome outcome = engine::Convert(job);
  if (outcome.result != engine::ConversionResult::kRefused) doc.artModified = true;
  return outcome;
}

art::ArtImageInfo ArtImageInfoFor(const image::RasterImage& image, std::string_view artFileName) {
  art::ArtImageInfo info;
  info.xResolution = image.xResolution;
  info.yResolution = image.yResolution;
  info.paddedWidth = image.paddedWidth;
  info.width = image.width;
  info.height = image.height;
  info.artScale = image.artScale;
  info.outputName = std::string(FileNamePart(artFileName));
  info.samplesPerPixel = image.samplesPerPixel;
  return info;
}

bool WriteArtFile(Program& program, Document& doc, const std::string& filePath,
                  std::string_view artName, const ArtFormat& format) {
  base::Runtime rt = program.runtime();
  const art::ArtImageInfo info = ArtImageInfoFor(program.image, artName);
  const art::CustomColorList& customColors = program.customColors.colors;
  if (format.svg || format.pdf) {
    const bool saved =
        format.svg ? art::SaveSvg(rt, program.artwork, info, customColors, filePath, false)
                   : art::SavePdf(rt, program.artwork, info, customColors, filePath, false);
    if (!saved) return false;
    doc.artModified = false;
    return true;
  }
  art::SaveArtOptions options;
  options.format = format.format;
  options.preview = format.preview;
  options.linesMode = program.activeSettings.linesMode;
  options.metafile = {program.image.width, program.image.inputName};
  // The DOS EPS preview is the image itself (kind 4 on a colour image is refused by the save
  // driver until posterization can render it in black and white).
  options.tiffPreview = [&program, &rt](platform::FileHandle file, int) {
    switch (image::writeTiff(rt, program.image, file, image::kTiffPreview)) {
      case image::TiffOutcome::kWritten: return art::PreviewResult::kWritten;
      case image::TiffOutcome::kStopped: return art::PreviewResult::kStopped;
      case image::TiffOutcome::kFailed: break;
    }
    return art::PreviewResult::kFailed;
  };
  return art::saveArt(rt, program.artwork, info, customColors, filePath, options,
                      doc.artModified);
}

bool WriteArt(Program& program, Document& doc, const std::string& path, const ArtFormat& format) {
  if (!WriteArtFile(program, doc, path, path, format)) return false;
  doc.artName = path;
  doc.artFormat = format;
  return true;
}

int ProposedPixelFormat(const image::RasterImage& image) {
  return image.sourceFormat == image::kSourceTiff ? image::kPixelSaveTiff : image::kPixelSaveRvx3;
}

std::string PixelImageName(std::string_view path, int pixelFormat) {
  return ReplaceExtension(path, pixelFormat == image::kPixelSaveTiff ? ".tif" : ".rvx");
}

bool WritePixelImage(Program& program, Document& doc, const std::string& path, int pixelFormat) {
  base::Runtime rt = program.runtime();
  if (!image::SavePixelImage(rt, program.image, path, pixelFormat)) return false;
  program.livePrefs.pixelSaveFormat = std::int16_t(pixelFormat);
  doc.imageName = path;
  doc.imageUntitled = false;
  doc.pixelImageModified = false;
  return true;
}

void CloseDocument(Program& program, Document& doc) {
  base::Runtime rt = program.runtime();
  art::DiscardUndo(program.undo);
  art::freeArtwork(program.artwork);
  image::releaseImage(program.image, rt);
  program.app.artPresent = false;
  doc.imageOpen = false;
  doc.imageName.clear();
  doc.imageUntitled = false;
  doc.artName.clear();
  doc.artModified = false;
  doc.pixelImageModified = false;
}

}  // namespace vl::app
