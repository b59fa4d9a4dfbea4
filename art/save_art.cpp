// The save driver.
#include "art/save_art.h"

#include "app/message_table.h"
#include "art/atomic_file.h"
#include "art/gq_header.h"
#include "art/gq_path_writer.h"
#include "art/user_identity.h"
#include "engine/progress.h"

namespace vl::art {

namespace {

// Progress is shown for saves of at least this many paths.
constexpr int kProgressMinPaths = 50;

// The feature a format or preview needs that this build lacks; nullptr when it can be saved.
const char* MissingFeature(const SaveArtOptions& options) {
  switch (options.format) {
    case kFormatEmf: return "Saving as an enhanced metafile";
    case kFormatDxf: return "Saving as DXF";
    case kFormatGq11:
    case kFormatGq88:
    case kFormatGq3:
    case kFormatGq5:
      if (options.preview == kPreviewTiffBw || options.preview == kPreviewTiffColor)
        return "The EPS TIFF preview";
      if (options.preview < 0 || options.preview > kPreviewTiffColor) return "This EPS preview";
      return nullptr;
    case kFormatNone:
    case kFormatClipboard:
      return nullptr;
    default:
      return "This save format";
  }
}

std::uint32_t ColorUsage(const Artwork& art) {
  std::uint32_t all = 0;
  for (const PathRecord& path : pathsInUse(art)) all |= path.fillColor | path.strokeColor;
  return all;
}

bool Written(const PathRecord& path, int format) {
  return format != kFormatClipboard || (path.flags & kSelected) != 0;
}

std::string BaseName(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
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

bool saveArt(engine::Runtime& rt, const Artwork& art, const ArtImageInfo& image,
             const CustomColorList& customColors, const std::string& fileName,
             const SaveArtOptions& options, bool& artModified) {
  if (const char* missing = MissingFeature(options)) {
    rt.ui.showMessage(msg::Format(msg::kNotAvailableInThisBuild, missing));
    return false;
  }
  const bool unattended = options.unattended;
  const int failureMessage = unattended ? msg::kScratchDiskFull : msg::kDiskFullOrLocked;
  // A stop request left over from an earlier command must not cut this save short: the flag
  // is also what the checked write refuses to write under.
  rt.state.abortRequested = 0;

  AtomicFile file;
  if (!file.create(fileName)) {
    engine::ShowMessage(rt, failureMessage);
    return false;
  }
  if (options.format == kFormatNone) {
    if (!file.commit()) {
      engine::ShowMessage(rt, failureMessage);
      artModified = true;
      return false;
    }
    if (!unattended) artModified = false;
    return true;
  }
  OutputBuffer out(rt, file.handle(), unattended);
  if (!out.allocate()) {
    engine::ShowMessage(rt, msg::kNotEnoughMemoryRestart);
    return false;
  }

  GqWriter w{out, options.format,
             options.format == kFormatClipboard ? kPreviewHeader : options.preview, customColors,
             PageScale{}, PaintCache{}, false};
  SaveStamp systemStamp;
  if (options.stamp == nullptr) systemStamp = SystemSaveStamp(rt.ui);
  writeHeader(w, image, options.stamp ? *options.stamp : systemStamp, ColorUsage(art));

  int total = 0;
  for (const PathRecord& path : pathsInUse(art)) total += Written(path, options.format);
  std::string label = unattended ? std::string(msg::Text(msg::kPreparingClipboard))
                                 : std::string(msg::Text(msg::kSavingLabel)) + BaseName(fileName);
  int written = 0;
  for (const PathRecord& path : pathsInUse(art)) {
    if (!Written(path, options.format)) continue;
    if (engine::PollAbort(rt)) break;
    writePath(w, path);
    ++written;
    if (total >= kProgressMinPaths) engine::ShowProgress(rt, written * 100 / total, label);
  }

  // A stop by the user still ends the file properly; the checked write refuses while the
  // flag is up, so it is lowered for the trailer and raised again.
  const bool stopped = rt.state.abortRequested != 0 && !out.failed();
  if (stopped) rt.state.abortRequested = 0;
  writeTrailer(w);
  out.flush();
  if (stopped && !out.failed()) rt.state.abortRequested = 1;
  engine::ShowProgress(rt, 0, "");

  if (out.failed() || !file.commit()) {
    if (!out.failed()) engine::ShowMessage(rt, failureMessage);
    file.discard();
    artModified = true;
    return false;
  }
  if (stopped) return false;  // the file holds only part of the art: it stays modified

  if (w.longPath && !unattended && !rt.app.batchRunning) rt.ui.showMessage(LongPathWarningText());
  if (!unattended) artModified = false;
  return true;
}

}  // namespace vl::art
