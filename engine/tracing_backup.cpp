// The tracer's copy of the bit layer and the image's backup around a conversion.
#include "engine/tracing_backup.h"

#include <cstring>
#include <string>

#include "base/message_table.h"
#include "base/progress.h"
#include "base/scratch_files.h"

namespace vl::engine {

namespace {

constexpr const char* kMemtemp = "memtemp";

std::size_t RowBytes(const image::RasterImage& image) {
  return static_cast<std::size_t>(image.bitRowBytes);
}

std::size_t LayerBytes(const image::RasterImage& image) {
  return static_cast<std::size_t>(image.bitLayerBytes);
}

// Rows only: the guard rows stay blank in both layers.
void CopyIntoBackupBlock(image::RasterImage& image) {
  std::memcpy(image::LayerRow(image.backupLayer, image, 0), image::BitRow(image, 0),
              LayerBytes(image));
}

// Writes the bit layer to `file` from offset 0, one row at a time, with progress and the
// abort poll after every row. False after a failed write or an abort.
bool WriteRowsWithProgress(ConversionJob& job, platform::FileHandle file) {
  base::Runtime& rt = job.rt;
  image::RasterImage& image = job.image;
  const std::string label(msg::Text(msg::kProcessingLabel));
  bool complete = platform::SeekTo(file, 0);
  for (std::int32_t y = 0; complete && y < image.height; ++y) {
    if (CheckedWrite(rt, file, image::BitRow(image, y), RowBytes(image)) == 0) complete = false;
    ShowProgress(rt, static_cast<int>(std::int64_t{y + 1} * 100 / image.height), label);
    if (PollAbort(rt) != 0) complete = false;
  }
  ShowProgress(rt, 0, "");
  return complete;
}

// The copy goes to a "memtemp" created now: ours alone when a selection's backup is set
// aside (a block), else the image's own backup from here on.
bool WriteNewMemtemp(ConversionJob& job, bool ownFile) {
  image::RasterImage& image = job.image;
  if (!ownFile) platform::CloseFile(image.fileHandle);  // a bilevel image's input file
  image.fileHandle = CreateScratchFileOrAbort(job.rt, kMemtemp);
  if (image.fileHandle == platform::kNoFile) return false;
  image.backupOnDisk = true;
  job.backup.ownFile = ownFile;
  return WriteRowsWithProgress(job, image.fileHandle);
}

}  // namespace

void SetBackupAside(ConversionJob& job) {
  image::RasterImage& image = job.image;
  TracingBackup& b = job.backup;
  b = TracingBackup{};
  // A gray scale or colour image's handle may be its open input file, which its colour rows
  // still come from: the copy must never take that handle's place.
  if (image::IsBilevel(image) && !image.pixelSelection) return;
  b.parked = true;
  b.parkedLayer = std::move(image.backupLayer);
  b.parkedFile = image.fileHandle;
  b.parkedOnDisk = image.backupOnDisk;
  image.fileHandle = platform::kNoFile;
  image.backupOnDisk = false;
}

bool RefreshTracingBackup(ConversionJob& job) {
  image::RasterImage& image = job.image;
  TracingBackup& b = job.backup;

  if (!b.parked) {
    if (!image.backupOnDisk && !image.backupLayer.empty()) {
      CopyIntoBackupBlock(image);
      b.resync = job.inverted;
      b.complete = true;
      return true;
    }
    if (image.backupOnDisk && image.fileHandle != platform::kNoFile) {
      // "memtemp" already holds the bit layer unless it is inverted for this conversion.
      if (job.inverted) {
        b.resync = true;  // from the first row written on, the file differs from the image
        if (!WriteRowsWithProgress(job, image.fileHandle)) return false;
      }
      b.complete = true;
      return true;
    }
    // The image has no backup at all: the copy becomes its backup.
    image.backupOnDisk = false;
  }

  if (image::allocateBackupLayer(image, job.rt.memory)) {
    image.backupOnDisk = false;
    CopyIntoBackupBlock(image);
    b.resync = !b.parked && job.inverted;
    b.complete = true;
    return true;
  }
  if (b.parked && b.parkedOnDisk) {
    // "memtemp" holds the only copy of the pixels outside the selection.
    ShowFailure(job.rt, msg::kInsufficientMemory);
    return false;
  }
  if (!b.parked) b.resync = job.inverted;
  if (!WriteNewMemtemp(job, b.parked)) return false;
  b.complete = true;
  return true;
}

void RestoreBitLayer(ConversionJob& job) {
  image::RasterImage& image = job.image;
  TracingBackup& b = job.backup;

  // An incomplete copy means tracing never started: the bit layer is still whole.
  if (b.complete) {
    if (!image.backupOnDisk) {
      std::memcpy(image::BitRow(image, 0), image::LayerRow(image.backupLayer, image, 0),
                  LayerBytes(image));
    } else if (!platform::SeekTo(image.fileHandle, 0) ||
               platform::ReadBytes(image.fileHandle, image::BitRow(image, 0), LayerBytes(image)) !=
                   LayerBytes(image)) {
      ShowFailure(job.rt, msg::kScratchDiskFull);
    }
  }

  if (b.parked) {
    const bool nothingWasSetAside = image::IsBilevel(image) && b.parkedLayer.empty() &&
                                    !b.parkedOnDisk && b.parkedFile == platform::kNoFile;
    if (!nothingWasSetAside) {
      if (b.ownFile) {
        platform::CloseFile(image.fileHandle);
        DeleteScratchFile(job.rt, kMemtemp);
      }
      image.backupLayer = std::move(b.parkedLayer);
      image.fileHandle = b.parkedFile;
      image.backupOnDisk = b.parkedOnDisk;
    }
    b.parked = false;
    b.parkedFile = platform::kNoFile;
    b.ownFile = false;
  }
}

void ResyncBackupAfterInversion(ConversionJob& job) {
  image::RasterImage& image = job.image;
  TracingBackup& b = job.backup;
  if (!b.resync) return;
  b.resync = false;
  if (!image.backupOnDisk) {
    if (!image.backupLayer.empty()) CopyIntoBackupBlock(image);
    return;
  }
  // Plain writes: after an abort the checked write would skip them, and the backup must be
  // right whatever became of the conversion.
  bool written = platform::SeekTo(image.fileHandle, 0);
  for (std::int32_t y = 0; written && y < image.height; ++y)
    written = platform::WriteBytes(image.fileHandle, image::BitRow(image, y), RowBytes(image)) ==
              RowBytes(image);
  if (!written) ShowFailure(job.rt, msg::kScratchDiskFull);
}

}  // namespace vl::engine
