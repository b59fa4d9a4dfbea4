// What this build lacks, in one place. Every stage still to come has a seam here: an entry
// point the driver already calls, with the result convention the stage will keep. Until the
// stage exists its seam declines exactly as the stage would for a plain Outline conversion of a
// bilevel image, or refuses with message 1000 "%s is not available in this build."; Convert
// asks MissingStageName first, so a conversion that needs a missing stage stops before it
// changes anything. A stage's change replaces its seam and adds, where listed, the rest:
//
// Undo: the undo steps of the interactive-thinning pause (below).
//
// Colour conversion is built (engine/color_shapes.h): Convert hands a gray scale or colour
// image with colorConversion set to SeparateColorShapes, which labels the class regions and
// writes one stacked path per region. What it lacks:
//   - Convert: the custom-colour checks before the conversion (question 203, which may clear
//     addNewColors for the conversion, and messages 370 and 371), addNewColors set again and
//     the paint-style palette refreshed at the end.
//   - Shape colour: the dominant colour of Color averaging off; the mean colour is used
//     meanwhile (Use Custom Colors votes per shape over its pixels).
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
// stopped; the mask is then restored). A colour conversion does not come here (Convert hands it
// to SeparateColorShapes): called for one, it refuses with message 1000 and returns 0.
int Posterize(ConversionJob& job);

// Line recognition's arrays, prepared before the core and freed after it, and the recognizer
// run alone (without Outline and Centerline), which writes its lines and rectangles into the
// art. The recognizer makes its arrays as it runs and the tracer frees them with itself, so
// Prepare and Free have nothing to do.
bool PrepareLineRecognizer(ConversionJob& job);
bool RunLineRecognizer(ConversionJob& job);
void FreeLineRecognizer(ConversionJob& job);

}  // namespace vl::engine
