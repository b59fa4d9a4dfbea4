// The input dispatch: file name to format code, signature tests, and the reader table.
#include "image/input_dispatch.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>

#include "base/message_table.h"
#include "base/progress.h"
#include "image/bmp_reader.h"
#include "image/jpeg_reader.h"
#include "image/macpaint_reader.h"
#include "image/pcx_reader.h"
#include "image/png_reader.h"
#include "image/pnm_reader.h"
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
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

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
  Reader png = readPng;
  Reader jpeg = readJpeg;
  Reader pnm = readPnm;  // PBM, PGM, PPM and PAM
  Reader bmp = readBmp;
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

// The reader of the formats added beyond the original ones whose signature `head` (`size`
// bytes) begins with, or nullptr.
Reader AddedReaderBySignature(const std::uint8_t* head, std::size_t size) {
  if (size >= sizeof kPngSignature && std::memcmp(head, kPngSignature, sizeof kPngSignature) == 0)
    return kReaders.png;
  if (LooksLikeJpeg(head, size)) return kReaders.jpeg;
  if (LooksLikePnm(head, size)) return kReaders.pnm;
  if (LooksLikeBmp(head, size)) return kReaders.bmp;
  return nullptr;
}

// The reader an added format's extension names, to report what is wrong with a file whose
// signature says nothing.
Reader AddedReaderByCode(std::int16_t format) {
  switch (format) {
    case kSourcePng: return kReaders.png;
    case kSourceJpeg: return kReaders.jpeg;
    case kSourcePnm: return kReaders.pnm;
    case kSourceBmp: return kReaders.bmp;
    default: return nullptr;
  }
}

// The reader the file's first bytes call for, or nullptr for an unknown format. `size`: the
// bytes the file has of the kSignatureBytes (the original formats need them all). The program's
// own bitmap file has no signature, so a ".sun" file is never taken for an added format.
Reader ReaderBySignature(const std::uint8_t (&head)[kSignatureBytes], std::size_t size,
                         std::int16_t format) {
  if (size == kSignatureBytes) {
    if ((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M') ||
        std::memcmp(head, kDosEpsSignature, 4) == 0) {
      return kReaders.tiff;
    }
    if (std::memcmp(head, kSunRasterSignature, 4) == 0) return kReaders.sunRaster;
    if (format == kSourceSunRaster) return kReaders.ownBitmap;
  }
  if (Reader added = AddedReaderBySignature(head, size)) return added;
  return AddedReaderByCode(format);
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

std::int16_t FormatForExtension(std::string_view path) {
  for (const InputExtension& e : kInputExtensions)
    if (platform::HasExtension(path, e.extension)) return e.format;
  return kSourceBySignature;
}

std::int16_t chooseFormatByName(RasterImage& image, std::string_view path) {
  image.sourceFormat = FormatForExtension(path);
  return image.sourceFormat;
}

bool HasImageExtension(std::string_view name) {
  return FormatForExtension(name) != kSourceBySignature ||
         platform::HasExtension(name, ".tiff");
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
    // A file shorter than the original formats' headers may still be a small netpbm file;
    // shorter than every header this program reads, it is said so rather than failed silently.
    const std::size_t size = platform::SeekTo(image.fileHandle, 0)
                                 ? platform::ReadBytes(image.fileHandle, head, kSignatureBytes)
                                 : 0;
    reader = ReaderBySignature(head, size, image.sourceFormat);
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
