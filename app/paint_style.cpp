// The Paint Style palette's operations on the art.
#include "app/paint_style.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/message_table.h"

namespace vl::app {

namespace {

std::uint32_t Pack(std::uint8_t c, std::uint8_t m, std::uint8_t y, std::uint8_t k) {
  return std::uint32_t(c) | std::uint32_t(m) << 8 | std::uint32_t(y) << 16 | std::uint32_t(k) << 24;
}

PaintSlot SlotOf(art::PaintType type, std::uint32_t color, std::uint8_t tint,
                 std::uint16_t custom) {
  PaintSlot s;
  s.type = SlotType(type);
  s.c = std::uint8_t(color);
  s.m = std::uint8_t(color >> 8);
  s.y = std::uint8_t(color >> 16);
  s.k = std::uint8_t(color >> 24);
  if (type == art::PaintType::Custom) {
    s.strength = tint;
    s.customIndex = custom;
  }
  return s;
}

// A custom colour's inks at `strength` (255 = the colour itself).
std::uint32_t TintedColor(const art::CustomColor& color, int strength) {
  const auto t = [&](std::uint8_t ink) { return std::uint8_t(ink * strength / 255); };
  return Pack(t(color.c), t(color.m), t(color.y), t(color.k));
}

bool Usable(const PaintSlot& s, const art::CustomColorTable& colors) {
  if (s.type == SlotType::kMixed) return false;
  return s.type != SlotType::kCustom || s.customIndex < colors.colors.size();
}

// The path's own strength, kept by Keep Tints.
int OwnStrength(const art::PathRecord& path) {
  switch (path.fillType) {
    case art::PaintType::White: case art::PaintType::Black: return int(path.fillColor >> 24);
    case art::PaintType::Custom: return path.fillTint;
    default: return 255;
  }
}

// The fill `path` takes from `s` (which Usable accepted).
void ApplyFill(art::PathRecord& path, const PaintSlot& s, const art::CustomColorTable& colors,
               bool keepTints) {
  const art::PaintType type = art::PaintType(s.type);
  const bool keeps = keepTints && (type == art::PaintType::White ||
                                   type == art::PaintType::Black || type == art::PaintType::Custom);
  const int strength = keeps ? OwnStrength(path) : s.strength;
  path.fillType = (path.flags & art::kUnfilled) ? art::PaintType::None : type;
  path.fillCustomIndex = type == art::PaintType::Custom ? s.customIndex : 0;
  path.fillTint = type == art::PaintType::Custom ? std::uint8_t(strength) : 0;
  if (type == art::PaintType::Custom)
    path.fillColor = TintedColor(colors.colors[s.customIndex], strength);
  else if (keeps)
    path.fillColor = Pack(0, 0, 0, std::uint8_t(strength));
  else
    path.fillColor = Pack(s.c, s.m, s.y, s.k);
}

void ApplyStroke(art::PathRecord& path, const PaintSlot& s) {
  path.strokeType = art::PaintType(s.type);
  path.strokeColor = Pack(s.c, s.m, s.y, s.k);
  path.strokeTint = path.strokeType == art::PaintType::Custom ? s.strength : 0;
  path.strokeCustomIndex = path.strokeType == art::PaintType::Custom ? s.customIndex : 0;
}

bool InkNear(std::uint8_t a, std::uint8_t b) { return std::abs(int(a) - int(b)) <= 1; }

bool Matches(const PaintSlot& want, const PaintSlot& have) {
  if (want.type != have.type) return false;
  switch (want.type) {
    case SlotType::kBlack: return InkNear(want.k, have.k);
    case SlotType::kProcess:
      return InkNear(want.c, have.c) && InkNear(want.m, have.m) && InkNear(want.y, have.y) &&
             InkNear(want.k, have.k);
    case SlotType::kCustom:
      return want.customIndex == have.customIndex && InkNear(want.strength, have.strength);
    case SlotType::kMixed: return false;
    default: return true;  // None and White by type alone
  }
}

template <class Art, class Each>
void ForSelected(Art& art, Each each) {
  for (int i = 0; i < art.count; ++i)
    if (art.paths[std::size_t(i)].flags & art::kSelected) each(art.paths[std::size_t(i)]);
}

}  // namespace

PaintSlot FillSlotOf(const art::PathRecord& path) {
  return SlotOf(path.fillType, path.fillColor, path.fillTint, path.fillCustomIndex);
}

PaintSlot StrokeSlotOf(const art::PathRecord& path) {
  return SlotOf(path.strokeType, path.strokeColor, path.strokeTint, path.strokeCustomIndex);
}

void ShowPaintOfSelection(const art::Artwork& art, PaintStyle& style) {
  bool first = true;
  style.strokeWeight = 0;
  for (int i = 0; i < art.count; ++i) {
    const art::PathRecord& path = art.paths[std::size_t(i)];
    if (!(path.flags & art::kSelected)) continue;
    const PaintSlot fill = FillSlotOf(path), stroke = StrokeSlotOf(path);
    if (first) {
      style.fill = fill;
      style.stroke = stroke;
      style.strokeWeight = path.strokeWeight;
      first = false;
      continue;
    }
    if (style.fill.type != SlotType::kMixed && !(style.fill == fill))
      style.fill = PaintSlot{SlotType::kMixed};
    if (style.stroke.type != SlotType::kMixed && !(style.stroke == stroke))
      style.stroke = PaintSlot{SlotType::kMixed};
  }
}

bool DiffersFromSelection(const art::Artwork& art, const art::CustomColorTable& colors,
                          const PaintStyle& style, bool keepTints) {
  bool differs = false;
  ForSelected(art, [&](const art::PathRecord& path) {
    art::PathRecord copy;
    copy.fillType = path.fillType;
    copy.fillColor = path.fillColor;
    copy.fillTint = path.fillTint;
    copy.fillCustomIndex = path.fillCustomIndex;
    copy.strokeType = path.strokeType;
    copy.strokeColor = path.strokeColor;
    copy.strokeTint = path.strokeTint;
    copy.strokeCustomIndex = path.strokeCustomIndex;
    copy.strokeWeight = path.strokeWeight;
    copy.flags = path.flags;
    if (Usable(style.fill, colors)) ApplyFill(copy, style.fill, colors, keepTints);
    if (Usable(style.stroke, colors)) ApplyStroke(copy, style.stroke);
    copy.strokeWeight = std::uint8_t(style.strokeWeight);
    differs = differs || !(FillSlotOf(copy) == FillSlotOf(path)) ||
              !(StrokeSlotOf(copy) == StrokeSlotOf(path)) || copy.strokeWeight != path.strokeWeight;
  });
  return differs;
}

EditResult ApplyPaintToSelection(Program& program, Document& doc, const PaintStyle& style,
                                 bool keepTints) {
  art::Artwork& art = program.artwork;
  if (!doc.imageOpen || art.count == 0 || art.selectedCount == 0) return EditResult::kNothing;
  base::Runtime rt = program.runtime();
  const art::UndoDocument undoDoc{program.image, art, doc.imageOpen};
  if (art::RecordUndo(program.undo, undoDoc, rt, art::kUndoOpPaintStyle) == 0) {
    art::FinishUndo(program.undo, false);
    return EditResult::kCancelled;
  }
  const art::CustomColorTable& colors = program.customColors;
  ForSelected(art, [&](art::PathRecord& path) {
    if (Usable(style.fill, colors)) ApplyFill(path, style.fill, colors, keepTints);
    if (Usable(style.stroke, colors)) ApplyStroke(path, style.stroke);
    path.strokeWeight = std::uint8_t(std::clamp(style.strokeWeight, 0, 255));
  });
  art::FinishUndo(program.undo, true);
  doc.artModified = true;
  return EditResult::kDone;
}

int SelectMatching(Program& program, const PaintStyle& style, MatchCriteria criteria) {
  art::Artwork& art = program.artwork;
  int added = 0;
  if (criteria.fills || criteria.strokes || criteria.weights) {
    for (int i = 0; i < art.count; ++i) {
      art::PathRecord& path = art.paths[std::size_t(i)];
      if (path.flags & art::kSelected) continue;
      if (criteria.fills && !Matches(style.fill, FillSlotOf(path))) continue;
      if (criteria.strokes && !Matches(style.stroke, StrokeSlotOf(path))) continue;
      if (criteria.weights && path.strokeWeight != style.strokeWeight) continue;
      path.flags |= art::kSelected;
      ++art.selectedCount;
      ++added;
    }
  }
  if (added == 0) program.ui->showMessage(msg::Text(msg::kNoMatchesFound));
  return added;
}

int StrokeWeightFromPoints(double points, bool& clamped) {
  const double tenths = std::round(points * 10.0);
  clamped = !(tenths >= 0 && tenths <= 255);  // NaN lands outside too
  if (std::isnan(tenths)) return 0;
  return int(std::clamp(tenths, 0.0, 255.0));
}

std::string StrokeWeightText(int tenths, char decimalSeparator) {
  return std::to_string(tenths / 10) + decimalSeparator + std::to_string(tenths % 10);
}

int SwatchRefusal(const Program& program, const Document& doc, const PaintSlot& slot) {
  if (!doc.imageOpen || program.artwork.count > 0) return 0;
  if (slot.type == SlotType::kNone || slot.type == SlotType::kMixed) return msg::kNoneNotForDrawing;
  const image::RasterImage& image = program.image;
  const bool plain = slot.type == SlotType::kWhite || slot.type == SlotType::kBlack;
  if (image.samplesPerPixel > 1) return 0;
  if (!plain) return msg::kColorModelIncompatible;
  // A bilevel image has no grays: black is all or nothing.
  if (image::IsBilevel(image) && slot.type == SlotType::kBlack && slot.k != 0 && slot.k != 255)
    return msg::kColorModelIncompatible;
  return 0;
}

}  // namespace vl::app
