// The Convert command and the conversion core behind it: checks that the settings can be
// carried out, prepares the image, cuts the work area, runs the stages in their fixed order
// (centre-line preparation, the outline loop, the centre-line pass), winds down and reports.
//
// The outline loop, which is the whole conversion for a bilevel Outline trace:
//   for each boundary (ExtractNextBoundary) longer than the noise threshold:
//     TraceOutlinePolygon -> ComputeVertexAngles -> FitOutline (one path into the artwork)
//   RestoreShapeArea after every boundary, traced or not.
#pragma once

#include "engine/conversion_job.h"
#include "engine/conversion_outcome.h"
#include "engine/tracer.h"

namespace vl::engine {

// The Convert command. Shows its own messages: 1000 (a stage this build lacks, before anything
// changes), 11, 155, 12 from the stages, 58 or 150 at the end (not after an abort, not during a
// batch run), 131 when nothing was traced (not after an abort). An abort keeps the paths made
// so far, restores the bit layer and deletes the scratch files, without a message. Returns
// what came of it: a failure recorded by a stage (base::ShowFailure) wins over the abort it
// caused, an abort without one is the user's stop.
ConversionOutcome Convert(ConversionJob& job);

// The conversion core: the work area, the backup copy, the stages and the wind-down. Called by
// Convert after the artwork and the bit layer are prepared (a bilevel image: Convert refuses
// the others), and by the shell's Close with abortRequested set. Returns the outcome as it
// stands when the core is done; the messages 58, 150 and 131 it may name are Convert's to show.
ConversionOutcome RunConversionCore(ConversionJob& job);

// Noise threshold of the outline loop: a boundary is traced when its chain record is longer
// than this many bytes (noiseSuppression in hundredths of a pixel).
int NoiseThresholdBytes(const settings::ConversionSettings& s);

// The outline loop over the source plane. True when it ran to the end of the image, false
// when it was left on an abort (or a failure that set abortRequested).
bool RunOutlineLoop(Tracer& t);

}  // namespace vl::engine
