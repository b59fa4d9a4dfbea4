// What this build lacks, in one place. Every stage still to come has a seam here: an entry
// point the driver already calls, with the result convention the stage will keep. Until the
// stage exists its seam declines exactly as the stage would for a plain Outline conversion of a
// bilevel image, or refuses with message 1000 "%s is not available in this build."; Convert
// asks MissingStageName first, so a conversion that needs a missing stage stops before it
// changes anything. A stage's change replaces its seam and adds, where listed, the rest:
//
// Undo (RecordUndo): the undo step recorded before the conversion discards the art.
//
// Colour conversion, "Separate Shapes" (Posterize with colorConversion set; the black and
// white conversion of gray scale and colour images is built, image/posterization.h, and the
// colour classes and boundary map are built as functions, image/color_classes.h):
//   - Posterize: the classes built (BuildColorClasses), the boundary map drawn into the
//     enlarged bit layer (DrawBoundaryMap; "Insufficient memory to process image." when it
//     cannot grow, reduceDetail set instead when artScaleShift is 0), the class table handed
//     on to the colour assignment, the background colour recorded for the art (0 with a
//     selection), the progress label's " pass %d of %d," and colorPassActive set.
//   - Convert: before posterizing, the custom-colour checks (question 203, which may clear
//     addNewColors for the conversion, and messages 370 and 371); at the end, addNewColors set
//     again and the paint-style palette refreshed; the bit layer brought back to the image's
//     size before the selection mask is restored.
//   - Core preparation (conversion_driver.cpp, PrepareCore): the paint of a colour conversion
//     (fill and stroke Process with several samples, else stroke Black) and, without
//     reduceDetail, the image geometry doubled for tracing; WindDown halves it again and
//     doubles artScale.
//   - Tracing backup (tracing_backup.cpp): the progress window kept open for the stages after
//     the copy.
//   - Edge extraction (FindNextStart, ExtractNextBoundary): the scan ends below the colour
//     region being traced; a boundary is accepted only when its start pixel is set in the shape
//     mask or lies outside the selection band.
//   - Assembly and fitter: the path takes the colour shape separation made current
//     (BeginOutlinePaint); the backup pixel under the start (TraceOutlinePolygon) and the
//     black or white paint are for bilevel outline traces only.
//
// Centerline, "Centerline" (TraceCenterlines, RunCenterlinePass; tracerMode > 0):
//   - Thinning, the junction list and the used-junction bits, freed by WindDown.
//   - Edge extraction: a closed one-pixel loop is followed past its start until the direction
//     leaving it repeats the first code (ChainBuffer::overwriteLast takes the end byte back);
//     no fill, and WalkChain(0) clears a 5 x 5 block at every position instead of the pixel.
//   - Outline assembly (Assembly): a tolerance of at least 300; the retrace and junction checks
//     that end a side at B; at least one side per line; a point accepted while the last one was
//     within the tolerance; no backup pixel read under the start (TraceOutlinePolygon).
//   - Fitter: no black or white paint (BeginOutlinePaint); line ends snapped onto junction
//     points (LineEnd); spans stopped at a junction or a retraced side (GrowSpan), retraced
//     sides skipped (FitOutline, FinishOutline); anchors of its own in EmitLine and
//     EmitDegenerate (one line to vertex 1); the stroke weight from the line width measured at
//     Q1 and Q2 unless uniformLineWeight (EmitCurve); no outward offset (WritePendingPath
//     moves centre lines onto the pixel centres only).
//
// Separate Shapes, "Separate Shapes" (through RunCenterlinePass; tracerMode -1):
//   - Edge extraction: the pixel where each extreme of the boundary box was first reached;
//     outside a colour conversion neither fill nor erase in ExtractNextBoundary, and
//     RestoreShapeArea clears the shape's border from "dgskel" instead.
//   - Fitter: the mean of the measured line widths as the stroke weight (FinishOutline).
//
// Line recognition, "Line recognition" (PrepareLineRecognizer, RunLineRecognizer,
// FreeLineRecognizer, RunCenterlinePass with mode > 0):
//   - Fitter: a span stops at a line the recognizer found (GrowSpan), and a side it flagged
//     adds its own anchors (EmitLine).
//
// Interactive Thinning, "Interactive Thinning" (through TraceCenterlines): the pause leaves the
// core with its work area, scratch files and blocks in place (WindDown returns before freeing,
// Convert right after the core); the next Convert enters the core again without preparing,
// and the shell's Close winds it down.
#pragma once

#include <string>
#include <string_view>

#include "engine/conversion_job.h"
#include "engine/tracer.h"

namespace vl::engine {

// Operation code of the undo step that a conversion records.
constexpr int kUndoConversion = 21;

// The name of the first stage this conversion needs that the build lacks ("Separate Shapes"
// for a colour conversion, "Centerline", "Line recognition", "Separate Shapes", "Interactive
// Thinning"); empty when the
// conversion can run. Reads the settings in force, the image and the pause flag only.
std::string MissingStageName(const ConversionJob& job);

// Shows message 1000 with the stage's name and records it as the conversion's failure
// (base::RecordFailure), which the driver reports as a refusal.
void ShowNotAvailable(base::Runtime& rt, std::string_view stageName);

// Records the undo step for `operationCode` before the operation changes anything. Returns 1
// to go on, 0 when the user chose to cancel. Until the undo stage: records nothing, returns 1.
int RecordUndo(ConversionJob& job, int operationCode);

// Prepares a gray scale or colour image for tracing: the black and white conversion into the
// bit layer (the selection captured first and applied), which Convert turns back into the
// selection mask at its end. Returns 1 when done, 0 when the command must end (the user
// stopped; the mask is then restored). A colour conversion (classes and boundary map, setting
// colorPassActive) refuses until shape separation: message 1000, returns 0.
int Posterize(ConversionJob& job);

// Line recognition's arrays, prepared before the core and freed after it, and the recognizer
// run alone (without Outline and Centerline). Until that stage: Prepare and Run refuse
// (message 1000) and return false; Free has nothing to free.
bool PrepareLineRecognizer(ConversionJob& job);
bool RunLineRecognizer(ConversionJob& job);
void FreeLineRecognizer(ConversionJob& job);

// The centre-line stage's entry. 0: the stage has not consumed the conversion, the driver runs
// the outline loop and then RunCenterlinePass(0); any other value: the stage finished, paused
// or stopped the conversion. Returns 1 after an abort; with the selection-edge flag set, resets
// tracerMode to 0 and returns 0 so that the outline loop traces the bit layer; returns 0 when
// neither Centerline, Line Recognition nor a colour pass applies. Until the centre-line stage
// anything else refuses (message 1000) and returns 1.
int TraceCenterlines(Tracer& t);

// The centre-line pass after the outline loop (mode 0), or after thinning (1: line recognition
// first; -1: the bit layer already holds the centre lines). Returns 1 when it ends. Returns at
// once when neither a colour pass nor Centerline applies or after an abort. Until their stages
// line recognition (mode > 0), centre lines and shape separation refuse (message 1000).
int RunCenterlinePass(Tracer& t, int mode);

}  // namespace vl::engine
