// What this build lacks, in one place. Every stage still to come has a seam here: an entry
// point the driver already calls, with the result convention the stage will keep. Until the
// stage exists its seam declines exactly as the stage would for a plain Outline conversion of a
// bilevel image, or refuses with message 1000 "%s is not available in this build."; Convert
// asks MissingStageName first, so a conversion that needs a missing stage stops before it
// changes anything. A stage's change replaces its seam and adds, where listed, the rest:
//
// Colour conversion is built (engine/color_shapes.h): Convert hands a gray scale or colour
// image with colorConversion set to SeparateColorShapes, which labels the class regions and
// writes one stacked path per region. What it lacks:
//   - Convert: the paint-style palette refreshed at the end (the window's).
//   - Shape colour: with Color averaging off and Limited Colors the classes keep their mean
//     colours (the dominant colour is taken per shape without a colour limit).
//
// Separate Shapes on a bilevel image is built (engine/separated_shapes.cpp, run from
// RunCenterlinePass), with contact junctions where centre lines touch the thick parts and
// neighbouring areas matched along the lines between them (engine/separated_shapes.h).
//
// Line recognition is built, alone and with Outline or Centerline (engine/line_recognition.h,
// engine/line_paths.h): with the other methods the lines are written first and taken out of
// the bit layer, and what is left is traced by those methods.
//
// Interactive Thinning pauses through the shell's ThinningPause record (engine/thinning_pause.h)
// and is refused only for a Convert that has none.
#pragma once

#include <string>
#include <string_view>

#include "engine/conversion_job.h"
#include "engine/tracer.h"

namespace vl::engine {

// The name of the first stage this conversion needs that the build lacks ("Interactive
// Thinning" without a pause record); empty when the conversion can run. Reads the settings in force, the image and the
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
