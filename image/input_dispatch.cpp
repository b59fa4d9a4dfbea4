// The input dispatch: file name to format code, signature tests, and the reader table.
#include "image/input_dispatch.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>

#include "base/message_table.h"
#include "base/progress.h"
#include "image/macpaint_reader.h"
#include "image/pcx_reader.h"
#include "image/rvx_reader.h"
#include "image/sun_raster_reader.h"
#include "image/tiff_reader.h"
#include "platform/file_names.h"

namespace vl::image {

namespace {

constexpr double kDefaultResolution = 300.0;  // pixels per inch
constexpr std::size_t kSignatureBytes = 32;
constexpr std::uint8_t kDosEpsSignature[4] = {0xC5, 0xD0, 0xD3, 0xC6};
constexpr std::uint8_t kSunRasterSignature[4] = {0x59, 0xA6, 0x6A, 0x95};  // big-endian

// A reader shows its own failure's message; the dispatch releases what it left.
using Reader = ReadOutcome (*)(RasterImage& image, base::Runtime& rt);

// The readers that the format codes call for. A reader that is not part of this build is
// nullptr, and its sources are refused with the unknown format's message.
struct ReaderSet {
  Reader tiff = ReadTiff;
  Reader sunRaster = readSunRaster;   // Sun raster files
  Reader ownBitmap = readBitmapFile;  // the program's own bitmap file
  Reader macPaint = readMacPaint;
  Reader pcx = readPcx;
  Reader rvx = readRvx;  // RVX 2.0 and 3.0
  Reader clipboard = nullptr;    // a picture pasted or dropped
  Reader acquire = nullptr;      // an acquire plug-in module
};
constexpr ReaderSet kReaders{};

// The reader for a format code that names its reader outright (nullptr when this build has
// none); false for the codes that leave the choice to the file's signature.
bool ReaderByCode(std::int16_t format, Reader& reader) {
  switch (format) {
    case kSourceAcquire: reader = kReaders.acquire; return true;
    case kSourceMacPaint: reader = kReaders.macPaint; return true;
    case kSourcePcx: reader = kReaders.pcx; return true;
    case kSourceClipboard: reader = kReaders.clipboard; return true;
    case kSourceRvx2:
    case kSourceRvx3: reader = kReaders.rvx; return true;
    default: return false;
  }
}

// The reader the file's first bytes call for, or nullptr for an unknown format.
Reader ReaderBySignature(const std::uint8_t (&head)[kSignatureBytes], std::int16_t format) {
  if ((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M') ||
      std::memcmp(head, kDosEpsSignature, 4) == 0) {
    return kReaders.tiff;
  }
  if (std::memcmp(head, kSunRasterSignature, 4) == 0) return kReaders.sunRaster;
  if (format == kSourceSunRaster) return kReaders.ownBitmap;
  return nullptr;
}

void ResetDefaults(RasterImage& image) {
  image.xResolution = image.yResolution = kDefaultResolution;
  image.artScale = 1.0;
  image.artScaleShift = 0;
  image.photometric = kWhiteIsZero;
  image.samplesPerPixel = 1;
  image.bitsPerSample = 1;
  image.minSampleValue = 0;
  image.maxSampleValue = 255;
}

ReadOutcome ShowAndRelease(RasterImage& image, base::Runtime& rt, ReadResult result,
                           int message) {
  const ReadOutcome outcome = ShowReadFailure(rt, result, message);
  releaseImage(image, rt);
  return outcome;
}

}  // namespace

std::int16_t chooseFormatByName(RasterImage& image, std::string_view path) {
  std::int16_t format = kSourceBySignature;
  if (platform::HasExtension(path, ".tif")) format = kSourceTiff;
  else if (platform::HasExtension(path, ".rvx")) format = kSourceRvx3;
  else if (platform::HasExtension(path, ".pcx")) format = kSourcePcx;
  else if (platform::HasExtension(path, ".pnt")) format = kSourceMacPaint;
  else if (platform::HasExtension(path, ".sun")) format = kSourceSunRaster;
  image.sourceFormat = format;
  return format;
}

ReadOutcome openInputImage(RasterImage& image, base::Runtime& rt, bool fromClipboard) {
  releaseImage(image, rt);
  if (!fromClipboard) {
    const std::string path =
        rt.app.batchRunning ? image.inputFolder + image.inputName : image.inputName;
    image.fileHandle = platform::OpenFileForReading(path);
    if (image.fileHandle == platform::kNoFile) {
      const int error = errno;
      rt.ui.showMessage(msg::Format(msg::kInputOpenError, error));
      return ReadFailed(msg::kInputOpenError);
    }
  }
  return readImage(image, rt);
}

ReadOutcome readImage(RasterImage& image, base::Runtime& rt) {
  ResetDefaults(image);
  Reader reader = nullptr;
  if (ReaderByCode(image.sourceFormat, reader)) {
    if (reader == nullptr) {
      return ShowAndRelease(image, rt, ReadResult::kRefused, msg::kUnknownInputFormat);
    }
  } else {
    std::uint8_t head[kSignatureBytes] = {};
    // Shorter than any header this program reads: say so rather than fail without a word.
    if (!platform::SeekTo(image.fileHandle, 0) ||
        platform::ReadBytes(image.fileHandle, head, kSignatureBytes) != kSignatureBytes) {
      return ShowAndRelease(image, rt, ReadResult::kFailed, msg::kUnknownInputFormat);
    }
    reader = ReaderBySignature(head, image.sourceFormat);
    if (reader == nullptr) {
      return ShowAndRelease(image, rt, ReadResult::kFailed, msg::kUnknownInputFormat);
    }
  }
  if (const ReadOutcome outcome = reader(image, rt); !outcome.read()) {
    releaseImage(image, rt);
    return outcome;
  }
  return CompleteLoad(image, rt);
}

}  // namespace vl::image
