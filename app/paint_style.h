// The paint of the selected paths as the Paint Style palette holds it: the Fill, Stroke and
// Swatch slots and the stroke weight, read from the selection, written into it as one undo step
// "Paint Style", and used to select the paths whose paint matches.
#pragma once

#include <cstdint>
#include <string>

#include "app/document.h"
#include "app/edit_commands.h"
#include "app/paint_slot.h"
#include "app/program.h"

namespace vl::app {

// The palette's Fill and Stroke slots; its Swatch slot is the program's current paint
// (Program::currentPaint).
struct PaintStyle {
  PaintSlot fill, stroke;
  int strokeWeight = 0;  // tenths of a point, 0..255
};

// Which paint Select Matching compares.
struct MatchCriteria {
  bool fills = false, strokes = false, weights = false;
};

// The fill and stroke of a path as slots (strength and custom index only for custom paint).
PaintSlot FillSlotOf(const art::PathRecord& path);
PaintSlot StrokeSlotOf(const art::PathRecord& path);

// The Fill and Stroke slots and the weight from the selected paths: the first selected path's,
// with a slot Mixed where another selected path differs; with none selected the weight is 0 and
// the slots keep what they held.
void ShowPaintOfSelection(const art::Artwork& art, PaintStyle& style);

// True when applying `style` would change some selected path.
bool DiffersFromSelection(const art::Artwork& art, const art::CustomColorTable& colors,
                          const PaintStyle& style, bool keepTints);

// Writes the palette into every selected path, recorded as the undo step "Paint Style": the
// fill (unless Mixed, or Custom without a colour; with `keepTints` White, Black and Custom fills
// keep each path's own strength; an unfilled path keeps no fill), the stroke (the same
// exceptions) and the weight. kNothing with no path selected.
EditResult ApplyPaintToSelection(Program& program, Document& doc, const PaintStyle& style,
                                 bool keepTints);

// Selects every unselected path whose paint matches on each ticked criterion: the same type,
// and for Black the black ink within 1, for Process each ink within 1, for Custom the same
// colour and the strength within 1; the weight must be equal. The number of paths added; none
// shows "No matches found.".
int SelectMatching(Program& program, const PaintStyle& style, MatchCriteria criteria);

// The stroke weight typed in points: tenths of a point, clamped to 0..255; `clamped` tells
// whether the value lay outside (the caller shows "Stroke weight ranges from 0 to 25.5 points.
// Closest value inserted.").
int StrokeWeightFromPoints(double points, bool& clamped);
// "%d%c%d": whole points, the decimal separator, tenths.
std::string StrokeWeightText(int tenths, char decimalSeparator);

// Whether `slot` may become the swatch: refused only while an image is open without paths,
// where the drawing tools paint the pixels. 0 when accepted, else the message to show.
int SwatchRefusal(const Program& program, const Document& doc, const PaintSlot& slot);

}  // namespace vl::app
