// What a raster read came to. Every reader, the input dispatch and the load's completion return
// one; the caller decides from it, never from the messages shown. A failure's message is shown
// where the failure is found (the readers have the details); the outcome names it by number.
#pragma once

#include "base/runtime.h"

namespace vl::image {

enum class ReadResult {
  kRead,     // the image is filled (after the dispatch: and its load completed)
  kFailed,   // the file is damaged, cut short or of no known format, or memory, the scratch
             // disk or the file system failed; the message was shown
  kRefused,  // the file asks for what this program does not read (an encoding, a depth, a
             // colour mode), or its source has no reader in this build; the message was shown
  kStopped,  // the user stopped the read; no message
};

struct [[nodiscard]] ReadOutcome {
  ReadResult result = ReadResult::kRead;
  // The message-table number of the message that ended the read, as shown; 0 for none (a read,
  // a stop, or a failure with nothing to say). Notes shown on the way (a 16-bit RVX file, a
  // mistyped TIFF field) are not kept.
  int message = 0;

  bool read() const { return result == ReadResult::kRead; }
  friend bool operator==(const ReadOutcome&, const ReadOutcome&) = default;
};

inline constexpr ReadOutcome kReadDone{ReadResult::kRead, 0};
inline constexpr ReadOutcome kReadStopped{ReadResult::kStopped, 0};

// For a message that someone else has shown already.
constexpr ReadOutcome ReadFailed(int message) { return {ReadResult::kFailed, message}; }
constexpr ReadOutcome ReadRefused(int message) { return {ReadResult::kRefused, message}; }

// Shows the message, then returns the failure (or refusal) that names it.
ReadOutcome ShowReadFailure(base::Runtime& rt, ReadResult result, int message);
inline ReadOutcome FailRead(base::Runtime& rt, int message) {
  return ShowReadFailure(rt, ReadResult::kFailed, message);
}
inline ReadOutcome RefuseRead(base::Runtime& rt, int message) {
  return ShowReadFailure(rt, ReadResult::kRefused, message);
}

}  // namespace vl::image
