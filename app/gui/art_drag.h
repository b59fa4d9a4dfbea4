// Dragging art out of the image window: the selected paths offered to the drop target under the
// same types as Copy (GQ text, EPS, SVG), built by the same code.
#pragma once

#include "app/document.h"
#include "app/program.h"

class QDrag;
class QObject;

namespace vl::gui {

// The drag of the selected paths, ready to exec(); nullptr when there is nothing to drag or the
// data could not be written (its message was shown).
[[nodiscard]] QDrag* MakeArtDrag(app::Program& program, app::Document& doc, QObject* source);

}  // namespace vl::gui
