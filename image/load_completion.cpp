// The common completion of every load, and the backup copy of the bit layer it makes.
#include <algorithm>
#include <cstring>

#include "base/message_table.h"
#include "base/progress.h"
#include "base/scratch_files.h"
#include "image/raster_image.h"

namespace vl::image {

namespace {

ReadOutcome writeBackupFile(RasterImage& image, base::Runtime& rt) {
  platform::CloseFile(image.fileHandle);  // a bilevel image needs its input file no longer
  image.fileHandle = base::CreateScratchFileOrAbort(rt, "memtemp");
  if (image.fileHandle == platform::kNoFile) return ReadFailed(msg::kScratchOpenFailed);

  const std::string label(msg::Text(msg::kProcessingLabel));
  ReadOutcome outcome = kReadDone;
  for (std::int32_t y = 0; y < image.height; ++y) {
    // A stop already requested makes CheckedWrite write nothing and say nothing.
    const bool stopped = rt.state.abortRequested != 0;
    if (base::CheckedWrite(rt, image.fileHandle, BitRow(image, y),
                             static_cast<std::size_t>(image.bitRowBytes)) == 0) {
      outcome = stopped ? kReadStopped : ReadFailed(base::ShortWriteMessage(rt));
      break;
    }
    base::ShowProgress(rt, static_cast<int>(std::int64_t{y + 1} * 100 / image.height), label);
    if (base::PollAbort(rt) != 0) {
      outcome = kReadStopped;
      break;
    }
  }
  base::ShowProgress(rt, 0, "");
  return outcome;
}

// Gray samples become 0 = black. Exactly colorRowBytes per row: rounding each row up to whole
// 16-bit words would complement the next row's first sample twice on odd widths.
void complementColorLayer(RasterImage& image) {
  std::uint8_t* p = image.colorLayer.data();
  std::int64_t bytes = std::int64_t{image.colorRowBytes} * image.height;
  for (std::int64_t i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(~p[i]);
}

void complementFileRows(RasterImage& image) {
  if (!image.fileSpanReader) return;
  image.fileSpanReader = [inner = std::move(image.fileSpanReader)](
                             const RasterImage& im, std::int32_t xBytes, std::int32_t y,
                             std::int32_t countBytes, std::uint8_t* out) {
    if (!inner(im, xBytes, y, countBytes, out)) return false;
    for (std::int32_t i = 0; i < countBytes; ++i) out[i] = static_cast<std::uint8_t>(~out[i]);
    return true;
  };
}

}  // namespace

ReadOutcome saveBackup(RasterImage& image, base::Runtime& rt) {
  if (!image.backupOnDisk) {
    // Held layers of one geometry: nothing can fail but a caller's mistake, which says nothing.
    if (image.backupLayer.empty() || image.bitLayer.empty()) return ReadFailed(0);
    std::memcpy(image.backupLayer.data(), image.bitLayer.data(),
                std::min(image.backupLayer.size(), image.bitLayer.size()));
    return kReadDone;
  }
  return writeBackupFile(image, rt);
}

ReadOutcome CompleteLoad(RasterImage& image, base::Runtime& rt) {
  if (image.bitLayer.empty()) {  // a reader that claimed success without a picture
    releaseImage(image, rt);
    return ReadFailed(0);
  }
  BuildDisplayTables(image);

  image.bitRowBytes = image.paddedWidth / 8;
  image.bitRowWords = image.bitRowBytes / 2;
  image.bitLayerBytes = std::int64_t{image.bitRowBytes} * image.height;

  ComputeArtScale(image);

  if (IsBilevel(image)) {
    if (image.photometric != kWhiteIsZero) {
      invertBitLayer(image);
      image.photometric = kWhiteIsZero;
    }
    clearPadding(image);
    image.backupOnDisk = !allocateBackupLayer(image, rt.memory);
    if (const ReadOutcome backup = saveBackup(image, rt); !backup.read()) {
      releaseImage(image, rt);
      return backup;
    }
  } else if (image.samplesPerPixel == 1 && image.photometric == kWhiteIsZero) {
    // Rows left in the file are complemented as they are read, so that every user of the
    // colour rows (the selection's white, the thresholds, levels) sees 0 = black either way.
    if (image.colorInMemory) complementColorLayer(image);
    else complementFileRows(image);
    image.photometric = kBlackIsZero;
  }
  return kReadDone;
}

}  // namespace vl::image
