// The info window's lines.
#include "app/gui/info_window.h"

#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

namespace vl::gui {

QString ResolutionText(double pixelsPerInch) {
  return QStringLiteral("%1 pixels/inch").arg(std::lround(pixelsPerInch));
}

InfoWindow::InfoWindow(const app::Program& program, QWidget* parent)
    : QDockWidget(QStringLiteral("Info"), parent), program_(program) {
  setObjectName(QStringLiteral("infoWindow"));
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  pointer_ = new QLabel(body);
  resolution_ = new QLabel(body);
  counts_ = new QLabel(body);
  for (QLabel* l : {pointer_, resolution_, counts_}) {
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(l);
  }
  layout->addStretch(1);
  setWidget(body);
  showPointer(QPointF(-1, -1));
  refresh();
}

void InfoWindow::showPointer(QPointF imagePos) {
  const image::RasterImage& image = program_.image;
  const int x = int(std::floor(imagePos.x())), y = int(std::floor(imagePos.y()));
  if (image.width > 0 && x >= 0 && y >= 0 && x < image.width && y < image.height)
    pointer_->setText(QStringLiteral("X: %1   Y: %2").arg(x).arg(y));
  else
    pointer_->setText(QStringLiteral("X: -   Y: -"));
}

void InfoWindow::refresh() {
  const image::RasterImage& image = program_.image;
  resolution_->setText(image.width > 0 ? ResolutionText(image.xResolution) : QString());
  counts_->setText(QStringLiteral("Paths: %1   Selected: %2")
                       .arg(program_.artwork.count)
                       .arg(program_.artwork.count > 0 ? program_.artwork.selectedCount : 0));
}

QString InfoWindow::pointerText() const { return pointer_->text(); }
QString InfoWindow::resolutionText() const { return resolution_->text(); }
QString InfoWindow::countsText() const { return counts_->text(); }

}  // namespace vl::gui
