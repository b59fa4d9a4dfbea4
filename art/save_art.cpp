// The save driver.
#include "art/save_art.h"

#include <array>

#include "base/message_table.h"
#include "platform/atomic_file.h"
#include "art/dxf_writer.h"
#include "art/gq_header.h"
#include "art/gq_path_writer.h"
#include "art/user_identity.h"
#include "platform/byte_order.h"
#include "base/progress.h"
#include "base/scratch_files.h"

namespace vl::art {

namespace {

// The DOS EPS header: where the PostScript and the TIFF preview lie in the file.
constexpr std::int64_t kDosEpsHeaderBytes = 30;

bool TiffPreviewKind(int preview) {
  return preview == kPreviewTiffBw || preview == kPreviewTiffColor;
}

// The refusal of a format or preview this build lacks ("... is not available in this build.");
// 0 when it can be saved.
int MissingFeature(const SaveArtOptions& options, const ArtImageInfo& image) {
  switch (options.format) {
    case kFormatGq11:
    case kFormatGq88:
    case kFormatGq3:
    case kFormatGq5:
      if (TiffPreviewKind(options.preview) && !options.tiffPreview)
        return msg::kEpsTiffPreviewNotAvailable;
      // The black and white rendering of a colour image is the posterization's work.
      if (options.preview == kPreviewTiffBw && image.samplesPerPixel > 1)
        return msg::kBwPreviewOfColorNotAvailable;
      if (options.preview < 0 || options.preview > kPreviewTiffColor)
        return msg::kEpsPreviewNotAvailable;
      return 0;
    case kFormatEmf:
    case kFormatDxf:
    case kFormatNone:
    case kFormatClipboard:
      return 0;
    default:
      return msg::kSaveFormatNotAvailable;
  }
}

std::uint32_t ColorUsage(const Artwork& art) {
  std::uint32_t all = 0;
  for (const PathRecord& path : PathsInUse(art)) all |= path.fillColor | path.strokeColor;
  return all;
}

bool Written(const PathRecord& path, int format) {
  return format != kFormatClipboard || (path.flags & kSelected) != 0;
}

// After the PostScript (which starts behind the header): appends the TIFF preview, then puts
// the header with the offsets and lengths at the start of the file. A stop during the preview
// keeps the file without one. kFailed after a message.
PreviewResult FinishDosEps(base::Runtime& rt, platform::FileHandle file,
                           const SaveArtOptions& options) {
  auto fail = [&rt, &options] {
    base::ShowMessage(rt, options.unattended ? msg::kScratchDiskFull : msg::kDiskFullOrLocked);
    rt.state.abortRequested = 1;
    return PreviewResult::kFailed;
  };
  const std::int64_t postScriptEnd = platform::TellPosition(file);
  if (postScriptEnd < kDosEpsHeaderBytes) return fail();
  PreviewResult result = options.tiffPreview(file, options.preview);
  if (result == PreviewResult::kFailed) return result;
  std::int64_t tiffStart = postScriptEnd, tiffEnd = platform::TellPosition(file);
  if (result == PreviewResult::kStopped) {
    rt.state.abortRequested = 0;  // lowered to write the header; the caller raises it again
    tiffStart = tiffEnd = 0;
    // What the preview had written is cut off: the file ends with the PostScript. (A device
    // written in place cannot be cut and keeps it; the header says there is no preview.)
    if (platform::FileSize(file) > postScriptEnd) platform::TruncateTo(file, postScriptEnd);
  }
  std::array<std::uint8_t, kDosEpsHeaderBytes> header{0xC5, 0xD0, 0xD3, 0xC6};
  platform::StoreLe32(&header[4], std::uint32_t(kDosEpsHeaderBytes));
  platform::StoreLe32(&header[8], std::uint32_t(postScriptEnd - kDosEpsHeaderBytes));
  platform::StoreLe32(&header[20], std::uint32_t(tiffStart));
  platform::StoreLe32(&header[24], std::uint32_t(tiffEnd - tiffStart));
  header[28] = header[29] = 0xFF;  // no checksum
  if (!platform::SeekTo(file, 0)) return fail();
  if (base::CheckedWrite(rt, file, header.data(), header.size()) != header.size()) {
    return PreviewResult::kFailed;  // the checked write showed the message
  }
  if (!platform::SeekEnd(file)) return fail();
  return result;
}

}  // namespace

std::string LongPathWarningText() {
  std::string text;
  for (int i = 0; i < msg::kLongPathWarningLineCount; ++i) {
    if (i != 0) text += '\n';
    text += msg::Text(msg::kLongPathWarningFirstLine + i);
  }
  return text;
}

std::string SavingLabel(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  return std::string(msg::Text(msg::kSavingLabel)) +
         (slash == std::string::npos ? fileName : fileName.substr(slash + 1));
}

bool saveArt(base::Runtime& rt, const Artwork& art, const ArtImageInfo& image,
             const CustomColorList& customColors, const std::string& fileName,
             const SaveArtOptions& options, bool& artModified) {
  if (const int refusal = MissingFeature(options, image)) {
    base::ShowMessage(rt, refusal);
    return false;
  }
  const bool unattended = options.unattended;
  const int failureMessage = unattended ? msg::kScratchDiskFull : msg::kDiskFullOrLocked;
  // A stop request left over from an earlier command must not cut this save short: the flag
  // is also what the checked write refuses to write under.
  rt.state.abortRequested = 0;

  platform::AtomicFile file;
  if (!file.create(fileName)) {
    base::ShowMessage(rt, failureMessage);
    return false;
  }
  if (options.format == kFormatNone) {
    if (!file.commit()) {
      base::ShowMessage(rt, failureMessage);
      artModified = true;
      return false;
    }
    if (!unattended) artModified = false;
    return true;
  }
  OutputBuffer out(rt, file.handle(), unattended);
  if (!out.allocate()) {
    base::ShowMessage(rt, msg::kNotEnoughMemoryRestart);
    return false;
  }

  std::string label = unattended ? std::string(msg::Text(msg::kPreparingClipboard))
                                 : SavingLabel(fileName);
  bool stopped = false;
  bool longPath = false;        // set by the GQ writer
  bool curvesFlattened = false;  // set by the DXF writer
  bool headerFailed = false;     // a metafile or DOS EPS header or preview failed (message shown)
  if (options.format == kFormatDxf) {
    stopped = !WriteDxfArt(rt, out, art, image, label, curvesFlattened);
  } else if (options.format == kFormatEmf) {
    MetafileSource source = options.metafile;
    if (source.width == 0) source.width = image.paddedWidth;
    MetafileResult result = WriteEmfArt(rt, out, file.handle(), art, image, source,
                                        platform::kArtReferenceDevice, unattended, label);
    stopped = result == MetafileResult::Stopped;
    headerFailed = result == MetafileResult::Failed;
  } else {
    const bool dosEps = options.format != kFormatClipboard && TiffPreviewKind(options.preview);
    if (dosEps) {
      const std::array<std::uint8_t, kDosEpsHeaderBytes> placeholder{};  // rewritten at the end
      out.writeRaw(placeholder.data(), placeholder.size());
    }
    GqWriter w{out, options.format,
               options.format == kFormatClipboard ? kPreviewHeader : options.preview, customColors,
               PageScale{}, PaintCache{}, false};
    SaveStamp systemStamp;
    if (options.stamp == nullptr) systemStamp = SystemSaveStamp(rt.ui);
    writeHeader(w, image, options.stamp ? *options.stamp : systemStamp, ColorUsage(art));

    int total = 0;
    for (const PathRecord& path : PathsInUse(art)) total += Written(path, options.format);
    int written = 0;
    for (const PathRecord& path : PathsInUse(art)) {
      if (!Written(path, options.format)) continue;
      if (base::PollAbort(rt)) break;
      writePath(w, path);
      ++written;
      if (total >= kProgressMinPaths) base::ShowProgress(rt, written * 100 / total, label);
    }

    // A stop by the user still ends the file properly; the checked write refuses while the
    // flag is up, so it is lowered for the trailer and raised again.
    stopped = rt.state.abortRequested != 0 && !out.failed();
    if (stopped) rt.state.abortRequested = 0;
    writeTrailer(w);
    out.flush();
    if (dosEps && !out.failed()) {
      const PreviewResult preview = FinishDosEps(rt, file.handle(), options);
      headerFailed = preview == PreviewResult::kFailed;
      stopped = stopped || preview == PreviewResult::kStopped;
    }
    if (stopped && !out.failed() && !headerFailed) rt.state.abortRequested = 1;
    longPath = w.longPath;
  }
  base::ShowProgress(rt, 0, "");

  if (out.failed() || headerFailed || !file.commit()) {
    if (!out.failed() && !headerFailed) base::ShowMessage(rt, failureMessage);
    file.discard();
    artModified = true;
    return false;
  }
  if (stopped) return false;  // the file holds only part of the art: it stays modified

  if (longPath && !unattended && !rt.app.batchRunning) rt.ui.showMessage(LongPathWarningText());
  if (curvesFlattened && !unattended && !rt.app.batchRunning &&
      options.linesMode == settings::kCurvedAndStraight)
    base::ShowMessage(rt, msg::kCurvesFlattened);
  if (!unattended) artModified = false;
  return true;
}

}  // namespace vl::art
