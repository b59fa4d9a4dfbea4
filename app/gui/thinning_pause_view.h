// The interactive-thinning pause as a state of the window: while a centre-line conversion waits
// after thinning, the image window shows the thinned image and this bar offers the pencil and
// the eraser to draw on it, the step count, and "Thin More", "Cancel" and "Done", each of
// which resumes the conversion with that choice.
#pragma once

#include <QObject>
#include <QPoint>
#include <QToolBar>

#include "app/skeleton_drawing.h"
#include "engine/thinning_pause.h"

class QAction;
class QLabel;

namespace vl::gui {

class ImageView;

class ThinningPauseBar : public QToolBar {
  Q_OBJECT
 public:
  ThinningPauseBar(app::Program& program, app::Document& doc, ImageView& view,
                   QWidget* parent = nullptr);

  // Shown while a conversion waits in the pause, hidden otherwise; the step count refreshed.
  void refresh();

  QAction* pencil() const { return pencil_; }
  QAction* eraser() const { return eraser_; }
  QAction* choiceAction(engine::SkeletonChoice choice) const;
  QLabel* stepsLabel() const { return steps_; }

 Q_SIGNALS:
  // A button was pressed: the window resumes the conversion with this choice.
  void chosen(engine::SkeletonChoice choice);
  // A stroke changed the bit layer.
  void drawn();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool toolFor(app::SkeletonTool& tool) const;

  app::Program& program_;
  app::Document& doc_;
  ImageView& view_;
  QAction* pencil_;
  QAction* eraser_;
  QAction* thinMore_;
  QAction* cancel_;
  QAction* done_;
  QLabel* steps_;
  bool stroking_ = false;
  QPoint last_;  // image pixel of the stroke's last point
};

}  // namespace vl::gui
