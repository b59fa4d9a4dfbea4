// The doors through which the conversion driver reaches the stages that later changes add:
// undo, posterization of gray and colour images, the centre-line stage (thinning, centre lines,
// separated shapes, interactive thinning) and line recognition. Each is a named entry point
// with the result convention its stage will keep. Until a stage exists its entry point either
// declines exactly as the stage would for a plain Outline conversion of a bilevel image, or
// refuses with "%s is not available in this build." (the Convert command checks first, with
// MissingStageName, so that such a conversion stops before it changes anything).
#pragma once

#include <string>
#include <string_view>

#include "engine/conversion_job.h"
#include "engine/tracer.h"

namespace vl::engine {

// Operation code of the undo step that a conversion records.
constexpr int kUndoConversion = 21;

// The name of the first stage this conversion needs that the build lacks ("Posterization",
// "Centerline", "Line recognition", "Separate Shapes", "Interactive Thinning"); empty when the
// conversion can run. Reads the settings in force, the image and the pause flag only.
std::string MissingStageName(const ConversionJob& job);

// Shows message 1000 with the stage's name.
void ShowNotAvailable(base::Runtime& rt, std::string_view stageName);

// Records the undo step for `operationCode` before the operation changes anything. Returns 1
// to go on, 0 when the user chose to cancel. Added with the undo stage: until then nothing is
// recorded and the operation goes on.
int RecordUndo(ConversionJob& job, int operationCode);

// Posterizes a gray scale or colour image into colour classes and draws their boundary map
// into the bit layer (setting colorPassActive). Returns 1 when done, 0 when the command must
// end. Added with the colour-preparation stage: until then it refuses (message 1000), returns 0.
int Posterize(ConversionJob& job);

// Line recognition's arrays, prepared before the core and freed after it, and the recognizer
// run alone (without Outline and Centerline). Added with the line-recognition stage: until then
// Prepare and Run refuse (message 1000) and return false; Free has nothing to free.
bool PrepareLineRecognizer(ConversionJob& job);
bool RunLineRecognizer(ConversionJob& job);
void FreeLineRecognizer(ConversionJob& job);

// The centre-line stage's entry. 0: the stage has not consumed the conversion, the driver runs
// the outline loop and then RunCenterlinePass(0); any other value: the stage finished, paused
// or stopped the conversion. Returns 1 after an abort; with the selection-edge flag set, resets
// tracerMode to 0 and returns 0 so that the outline loop traces the bit layer; returns 0 when
// neither Centerline, Line Recognition nor a colour pass applies. Anything else is added with
// the centre-line stage: until then it refuses (message 1000) and returns 1.
int TraceCenterlines(Tracer& t);

// The centre-line pass after the outline loop (mode 0), or after thinning (1: line recognition
// first; -1: the bit layer already holds the centre lines). Returns 1 when it ends. Returns at
// once when neither a colour pass nor Centerline applies or after an abort; line recognition
// (mode > 0), centre lines and shape separation are added with their stages and refuse until
// then (message 1000).
int RunCenterlinePass(Tracer& t, int mode);

}  // namespace vl::engine
