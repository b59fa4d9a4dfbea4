// The Paint Style palette: the Fill, Stroke and Swatch slots with their paint type, inks, custom
// colour and tint, the stroke weight, the custom colour menu, and Select Matching. A dock of the
// main window; every edit goes through app/paint_style.h, Auto Apply writing it straight into
// the selected paths.
#pragma once

#include <QDockWidget>
#include <array>

#include "app/document.h"
#include "app/paint_style.h"
#include "app/program.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace vl::gui {

enum class PaintSlotKind { kFill = 0, kStroke = 1, kSwatch = 2 };

class PaintStylePalette : public QDockWidget {
  Q_OBJECT
 public:
  PaintStylePalette(app::Program& program, app::Document& doc, QWidget* parent = nullptr);

  // The selection or the art changed: the slots show the selected paths' paint again.
  void showSelection();

  // What the user does, reachable by tests as by the mouse and keyboard.
  void chooseSlot(PaintSlotKind slot);
  void chooseType(app::SlotType type);
  void setInkPercent(int ink, int percent);  // 0 cyan .. 3 black
  void chooseCustomColor(int index);
  void setTint(int percent);
  void setStrokeWeightText(const QString& text);
  void apply();
  void selectMatching();

  const app::PaintStyle& style() const { return style_; }
  QMenu* colorMenu() const { return colorMenu_; }
  QCheckBox* matchBox(int which) const { return match_[std::size_t(which)]; }
  QLineEdit* weightField() const { return weight_; }
  QListWidget* customList() const { return customList_; }

 Q_SIGNALS:
  // The palette changed the art (its paint, or which paths are selected).
  void artChanged();

 private:
  app::PaintSlot& active();
  void paletteChanged();
  // Makes `next` the active slot's paint, unless the swatch refuses it (the message shown).
  void commit(const app::PaintSlot& next);
  void refresh();
  void fillCustomList();
  void buildColorMenu();
  void newOrSaveColor();
  void editColor();
  void toggleTag();
  void deleteColor();
  void importColors();
  void exportColors();
  bool keepTints() const;

  app::Program& program_;
  app::Document& doc_;
  app::PaintStyle style_;
  PaintSlotKind active_ = PaintSlotKind::kFill;
  bool loading_ = false;
  std::array<QToolButton*, 3> slots_{};
  std::array<QToolButton*, 5> types_{};
  QLabel* mixed_;
  std::array<QSpinBox*, 4> inks_{};
  std::array<QLabel*, 4> inkLabels_{};
  QListWidget* customList_;
  QSpinBox* tint_;
  QLabel* tintLabel_;
  QLineEdit* weight_;
  QToolButton* menuButton_;
  QMenu* colorMenu_;
  QPushButton* applyButton_;
  std::array<QCheckBox*, 3> match_{};
};

}  // namespace vl::gui
