// The TIFF reader: directory, layout, layers, then the strips or tiles.
#include "image/tiff_reader.h"

#include <algorithm>

#include "base/message_table.h"
#include "base/progress.h"
#include "image/tiff_chunks.h"
#include "image/tiff_directory.h"
#include "image/tiff_layout.h"
#include "image/tiff_paged_rows.h"

namespace vl::image {

namespace {

// Resolutions outside this range are taken for unset or nonsense, pixels per inch.
constexpr double kMinResolution = 24.0;
constexpr double kMaxResolution = 4000.0;

void TakeResolution(double stated, double& resolution) {
  if (stated >= kMinResolution && stated <= kMaxResolution) resolution = stated;
}

void FillDescriptor(RasterImage& image, const TiffFile& file, const TiffDirectory& dir,
                    const TiffLayout& layout) {
  image.sourceFormat = kSourceTiff;
  image.swapBytes = file.bigEndian() ? 1 : 0;
  TakeResolution(dir.xResolution, image.xResolution);
  TakeResolution(dir.yResolution, image.yResolution);
  image.photometric = static_cast<std::int16_t>(layout.photometric);
  // Colour layers hold 8-bit samples; 1-bit samples of a colour image become 0 or 255.
  const int bits = layout.bilevel ? 1 : layout.bits == 1 ? 8 : layout.bits;
  image.bitsPerSample = static_cast<std::int16_t>(bits);
  image.samplesPerPixel = static_cast<std::int16_t>(layout.palette ? 3 : layout.samples);
  // Written the other way round, the two only exchanged black and white (the layout's polarity).
  constexpr std::uint32_t kLargestSample = 0xFFFF;
  image.minSampleValue = static_cast<std::int32_t>(
      std::min({dir.minSample, dir.maxSample, kLargestSample}));
  image.maxSampleValue = static_cast<std::int32_t>(
      std::min(std::max(dir.minSample, dir.maxSample), kLargestSample));
  image.fileRowBytes = static_cast<std::int32_t>(layout.fileRowBytes);
  setGeometry(image, layout.width, layout.height);  // sides already checked
  image.colorRowBytes = image.width * image.samplesPerPixel;
  image.zoomX = image.zoomY = kZoomOne;
}

// The colour layer could not be had: prepareColorLayer has shown the memory message itself.
constexpr TiffStatus kTiffColorLayerShort = -2;

TiffStatus ReadInto(RasterImage& image, base::Runtime& rt) {
  TiffFile file;
  if (!OpenTiffFile(image.fileHandle, file)) return msg::kTiffIncompleteData;
  TiffDirectory dir;
  if (const TiffStatus s = ReadTiffDirectory(file, rt, dir); s != kTiffOk) return s;
  TiffLayout layout;
  if (const TiffStatus s = ComputeTiffLayout(dir, file, layout); s != kTiffOk) return s;
  ChunkTable table;
  if (const TiffStatus s = LoadChunkTable(file, layout, rt.memory, table); s != kTiffOk) return s;

  FillDescriptor(image, file, dir, layout);
  if (!allocateBitLayer(image, rt.memory)) return msg::kInsufficientMemory;
  if (!layout.bilevel) {
    if (!prepareColorLayer(image, rt)) return kTiffColorLayerShort;
    if (!image.colorInMemory) {
      // Only rows that can be found again in the file may stay there.
      if (layout.compression != kCompressionNone || layout.planar || layout.tiled) {
        return msg::kInsufficientMemory;
      }
      if (const TiffStatus s = CheckStoredStrips(file, layout, table); s != kTiffOk) return s;
      image.fileSpanReader = MakeTiffFileSpanReader(file, layout);
      return kTiffOk;
    }
  }
  return DecodeTiffChunks(image, rt, file, layout, table);
}

}  // namespace

ReadOutcome ReadTiff(RasterImage& image, base::Runtime& rt) {
  const TiffStatus status = ReadInto(image, rt);
  base::ShowProgress(rt, 0, "");
  switch (status) {
    case kTiffOk: return kReadDone;
    case kTiffStopped: return kReadStopped;
    case kTiffColorLayerShort: return ReadFailed(msg::kInsufficientMemory);
    case msg::kTiffUnimplementedEncoding: return RefuseRead(rt, status);
    default: return FailRead(rt, status);
  }
}

}  // namespace vl::image
