// The info window: where the pointer is over the image (pixels), the image's resolution, and
// how many paths there are and how many are selected. A dock of the main window; Show/Hide Info
// creates and destroys it.
#pragma once

#include <QDockWidget>

#include "app/program.h"

class QLabel;

namespace vl::gui {

// The resolution line: whole pixels per inch, rounded, and " pixels/inch".
QString ResolutionText(double pixelsPerInch);

class InfoWindow : public QDockWidget {
  Q_OBJECT
 public:
  explicit InfoWindow(const app::Program& program, QWidget* parent = nullptr);

  // The pointer at `imagePos` (image pixels); outside the image the position is blank.
  void showPointer(QPointF imagePos);
  // The document changed: resolution and counts read again.
  void refresh();

  QString pointerText() const;
  QString resolutionText() const;
  QString countsText() const;

 private:
  const app::Program& program_;
  QLabel* pointer_;
  QLabel* resolution_;
  QLabel* counts_;
};

}  // namespace vl::gui
