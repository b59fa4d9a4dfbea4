// The path loop of the DXF and metafile bodies.
#include "art/art_path_loop.h"

#include "base/progress.h"

namespace vl::art {

bool WritePathsThenEnd(base::Runtime& rt, OutputBuffer& out, const Artwork& art,
                       std::string_view progressLabel,
                       const std::function<void(const PathRecord&)>& writePath,
                       const std::function<void()>& writeEnd) {
  std::span<const PathRecord> paths = PathsInUse(art);
  const int total = int(paths.size());
  int written = 0;
  for (const PathRecord& path : paths) {
    if (base::PollAbort(rt)) break;
    writePath(path);
    ++written;
    if (total >= kLoopProgressMinPaths)
      base::ShowProgress(rt, written * 100 / total, progressLabel);
  }
  // A raised flag after a failed write is the error flag, not a stop: nothing more is written.
  const bool stopped = rt.state.abortRequested != 0 && !out.failed();
  if (stopped) rt.state.abortRequested = 0;
  writeEnd();
  out.flush();
  if (stopped && !out.failed()) rt.state.abortRequested = 1;
  return !stopped;
}

}  // namespace vl::art
