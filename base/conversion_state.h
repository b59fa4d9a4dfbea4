// The conversion state: the abort flag, the running stage's progress counters, the scratch
// handles and the tracer position, shared by every stage of one conversion.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/file_io.h"

namespace vl::base {

// Progress reporting is off while shownRow holds this value.
constexpr std::int32_t kProgressOff = 9999;
// Forces the next progress report.
constexpr std::int32_t kProgressForce = -9999;

struct ScratchHandles {
  platform::FileHandle dgtemp = platform::kNoFile;
  platform::FileHandle edgearr = platform::kNoFile;
  platform::FileHandle seglist = platform::kNoFile;
  platform::FileHandle linarr = platform::kNoFile;
  platform::FileHandle dgskel = platform::kNoFile;
};

struct ConversionState {
  std::int16_t abortRequested = 0;   // set by the abort poll, "Stop" and failures; cleared by Convert
  // Number of the first failure message shown since Convert cleared abortRequested, 0 for none
  // (RecordFailure). It tells a failure from the user's stop, and it is set also where a
  // failure ends the conversion without the abort flag (no memory for the work area).
  int failureMessage = 0;
  std::int16_t colorPassActive = 0;  // a colour conversion has drawn its boundary map
  std::int16_t tracerMode = 0;       // 0 outlines, > 0 centre lines, -1 separated shapes
  std::int16_t stageLabel = 0;       // message number of the progress label, 0 for none
  std::int32_t currentRow = 0;       // row (or step) reached by the running stage
  std::int32_t shownRow = kProgressOff;  // value last shown; kProgressOff = reporting off
  bool pathsSkippedForMemory = false;    // a discard pass ran because memory ran out
  bool maxPathsExceeded = false;         // a discard pass ran because of the path count
  bool maskInImage = false;              // the shape mask is drawn into the bit layer itself
  ScratchHandles scratch;
  std::int16_t tracerX = 0, tracerY = 0;  // the tracer position the stages move

  // Posterization passes shown in the progress label (" pass %d of %d,").
  int posterizePass = 0, posterizePasses = 0;

  // Throttles of the abort poll (60 ms) and the row progress (30 ms), and the last
  // percentage the progress window drew (-1: closed or forgotten).
  std::uint32_t lastDrainTick = 0;
  std::uint32_t lastProgressTick = 0;
  bool drainedOnce = false;
  bool progressReportedOnce = false;
  int lastShownPercent = -1;
  bool progressWindowOpen = false;

  // Upper limit of the work area (row buffer + W), in bytes. The program uses 65535; tests
  // lower it so that small images spill their arrays into scratch files.
  std::size_t workAreaCapBytes = 65535;
};

// Records the failure whose message was just shown, unless an earlier one is recorded already.
inline void RecordFailure(ConversionState& s, int message) {
  if (s.failureMessage == 0) s.failureMessage = message;
}

}  // namespace vl::base
