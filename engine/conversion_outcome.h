// What a Convert command came to, as a value for the front ends: the window only shows what
// the driver already showed, the command line and batch runs choose from it whether to write
// the art. Nobody has to read the messages shown to learn what happened.
#pragma once

namespace vl::engine {

enum class ConversionResult {
  kConverted,                // the art is made; nothing was discarded
  kConvertedPathsDiscarded,  // the art is made, short paths discarded: 58 (memory), 150 (count)
  kNoPathsFound,             // nothing was traced: 131; the art is empty
  kStopped,                  // the user stopped it: no message; the paths made so far stay
  kRefused,                  // a stage or option this build lacks is needed: 1000
  kFailed,                   // a failure message was shown (11, 12, 13, 66, 155, ...)
  kPaused,                   // waits in the interactive-thinning pause: Convert again resumes
};

struct [[nodiscard]] ConversionOutcome {
  ConversionResult result = ConversionResult::kConverted;
  // The message-table number that tells what happened: the failure's, 1000, 131, 58 or 150;
  // 0 for none. 58 and 150 are carried during a batch run too, where they are not shown.
  int message = 0;

  // The conversion ran to its end, so the art (possibly empty) is whole and may be saved.
  bool ranToEnd() const {
    return result == ConversionResult::kConverted ||
           result == ConversionResult::kConvertedPathsDiscarded ||
           result == ConversionResult::kNoPathsFound;
  }
  bool operator==(const ConversionOutcome&) const = default;
};

}  // namespace vl::engine
