// What this build lacks, in one place. Every stage still to come has a seam here: an entry
// point the driver already calls, with the result convention the stage will keep. Until the
// stage exists its seam declines exactly as the stage would for a plain Outline conversion of a
// bilevel image, or refuses with message 1000 "%s is not available in this build."; Convert
// asks MissingStageName first, so a conversion that needs a missing stage stops before it
// changes anything. A stage's change replaces its seam and adds, where listed, the rest:
//
// Undo: the undo steps of the interactive-thinning pause (below).
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
//   - Centre-line stage: thinning the boundary map (20 steps, the row band clamped to rows 1
//     to height - 2, a row's first and last pixel kept ink), the junction rules of the first
//     two and last two rows, message 162, no junction merging; TraceCenterlines and
//     RunCenterlinePass hand a colour pass to shape separation.
//   - Edge extraction (FindNextStart, ExtractNextBoundary): the scan ends below the colour
//     region being traced; a boundary is accepted only when its start pixel is set in the shape
//     mask or lies outside the selection band.
//   - Assembly and fitter: the path takes the colour shape separation made current
//     (BeginOutlinePaint); the backup pixel under the start (TraceOutlinePolygon) and the
//     black or white paint are for bilevel outline traces only.
//
// Centre lines themselves are built (engine/centerline.h); what they lack is listed under the
// stages below, which reach the centre-line stage through TraceCenterlines and
// RunCenterlinePass and are refused there with message 1000.
//
// Separate Shapes, "Separate Shapes" (through RunCenterlinePass; tracerMode -1):
//   - Centre-line stage: no junction merging; with Outline the thick parts saved to "dgtemp"
//     when the spare bit layer exists; the shape separation run from RunCenterlinePass.
//   - Edge extraction: the pixel where each extreme of the boundary box was first reached;
//     outside a colour conversion neither fill nor erase in ExtractNextBoundary, and
//     RestoreShapeArea clears the shape's border from "dgskel" instead.
//   - Fitter: the mean of the measured line widths as the stroke weight (FinishOutline).
//
// Line recognition is built, alone and with Outline or Centerline (engine/line_recognition.h,
// engine/line_paths.h): with the other methods the lines are written first and taken out of
// the bit layer, and what is left is traced by those methods.
//
// Interactive Thinning pauses through the shell's ThinningPause record (engine/thinning_pause.h)
// and is refused only for a Convert that has none. What it lacks belongs to Undo: on the first
// pause the undo state discarded and the backup bit layer swapped for the thinned one through
// "memtemp" (read back on Done or Cancel, with the undo step "Convert"), and the undo step
// "Thin More" (code 26).
#pragma once

#include <string>
#include <string_view>

#include "engine/conversion_job.h"
#include "engine/tracer.h"

namespace vl::engine {

// The name of the first stage this conversion needs that the build lacks ("Separate Shapes"
// for a colour conversion or the setting of that name, "Interactive Thinning" without a pause
// record); empty when the conversion can run. Reads the settings in force, the image and the
// pause flag only.
std::string MissingStageName(const ConversionJob& job);

// Shows message 1000 with the stage's name and records it as the conversion's failure
// (base::RecordFailure), which the driver reports as a refusal.
void ShowNotAvailable(base::Runtime& rt, std::string_view stageName);

// Prepares a gray scale or colour image for tracing: the black and white conversion into the
// bit layer (the selection captured first and applied), which Convert turns back into the
// selection mask at its end. Returns 1 when done, 0 when the command must end (the user
// stopped; the mask is then restored). A colour conversion (classes and boundary map, setting
// colorPassActive) refuses until shape separation: message 1000, returns 0.
int Posterize(ConversionJob& job);

// Line recognition's arrays, prepared before the core and freed after it, and the recognizer
// run alone (without Outline and Centerline), which writes its lines and rectangles into the
// art. The recognizer makes its arrays as it runs and the tracer frees them with itself, so
// Prepare and Free have nothing to do.
bool PrepareLineRecognizer(ConversionJob& job);
bool RunLineRecognizer(ConversionJob& job);
void FreeLineRecognizer(ConversionJob& job);

}  // namespace vl::engine
