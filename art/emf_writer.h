// The metafile writer: the artwork as an enhanced metafile for office programs. Each path is
// recorded as a device path of moves, lines and cubic Beziers, then filled, stroked or both
// with a solid brush and pen made for it and deleted after it. Device units are pixels of the
// reference device (1200 per inch), so one image pixel spans (1200 / image resolution) of
// them; the frame gives the picture its physical size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "art/art_output_buffer.h"
#include "art/art_writer_inputs.h"
#include "art/artwork.h"
#include "base/runtime.h"
#include "platform/emf_recorder.h"
#include "platform/file_io.h"

namespace vl::art {

// The application half of the metafile's description.
constexpr std::string_view kMetafileApplication = "Morvo Vectorlume";

// What the metafile needs of the image beyond the page geometry.
struct MetafileSource {
  int width = 0;          // pixels: the true width, not the padded one
  std::string inputName;  // the image's file; its name part becomes the picture's name
};

// 16.16 fixed-point size of one image pixel on the reference device, and the shift that turns
// art units into pixels (artScale = 2^artScaleShift).
struct MetafileZoom {
  std::int64_t zoomX = 0;  // 16.16 device pixels per image pixel across
  std::int64_t zoomY = 0;  // 16.16 device pixels per image pixel down
  int artScaleShift = 0;
};

MetafileZoom ComputeMetafileZoom(const ArtImageInfo& image,
                                 const platform::EmfReferenceDevice& device);
// (0, 0, width, height) of the image in 0.01 mm, truncated.
platform::EmfRect MetafileFrame(int widthPixels, int heightPixels, double xResolution,
                                double yResolution);
// An art coordinate (art units) on the device: v x zoom / 2^(16 + artScaleShift), rounded to
// the nearest device unit.
std::int32_t MetafileDeviceCoordinate(std::int32_t artValue, std::int64_t zoom, int artScaleShift);
// Pen width in device pixels for a stroke weight in tenths of a point: rounded, at least 1.
std::int32_t MetafilePenWidth(std::uint8_t strokeWeight, std::int64_t zoomY, double yResolution);
// The file name part of a path (after the last '/' or '\'), or all of it.
std::string_view PictureName(std::string_view inputName);

// Records the whole metafile into `out` (whose file is `file`, positioned at its start):
// header placeholder, every path in order (polling the stop request, with progress), the end
// record, and then the completed header at the start of the file, also after a stop.
enum class [[nodiscard]] MetafileResult {
  Complete,
  Stopped,  // the user stopped the save; the file is finished and holds the paths so far
  Failed,   // the header could not be put back (the file cannot seek): message shown
};
MetafileResult WriteEmfArt(base::Runtime& rt, OutputBuffer& out, platform::FileHandle file,
                           const Artwork& art, const ArtImageInfo& image,
                           const MetafileSource& source, const platform::EmfReferenceDevice& device,
                           bool unattended, std::string_view progressLabel);

}  // namespace vl::art
