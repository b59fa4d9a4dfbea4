// Progress and abort: the services every long operation uses between its steps.
#pragma once

#include <string_view>

#include "base/runtime.h"

namespace vl::base {

// Returns abortRequested; at most every 60 ms lets the user interface handle pending events,
// which may set the flag (Escape, close, "Stop", Ctrl+C).
int PollAbort(Runtime& rt);

// Shows or updates the progress window; ShowProgress(rt, 0, "") closes it and forgets the
// last percentage. Redraws only when the percentage changed and lies in 0..100.
void ShowProgress(Runtime& rt, int percent, std::string_view label);

// The running stage's percentage and label, at most every 30 ms and only when the whole
// percentage moved. The total is `height`, or paddedWidth + height during line recognition.
// pathCount > 0 appends " %d path(s)".
void UpdateRowProgress(Runtime& rt, int height, int paddedWidth, int pathCount);

}  // namespace vl::base
