// The image window: the raster image and its traced art in the three view modes, at any zoom,
// with scroll bars. The image and the paths are turned into Qt objects once per change (the
// caches), so a scroll or zoom only paints what is exposed.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPainterPath>
#include <vector>

#include "app/program.h"

namespace vl::gui {

enum class ViewMode { kPreview = 0, kArtwork = 1, kPreviewSelection = 2 };

// One path ready to paint, in art units.
struct PaintedPath {
  QPainterPath outline;
  QRectF bounds;         // art units, stroke margin included
  QColor fill;           // invalid: not filled
  QColor stroke;         // invalid: not stroked
  double strokeWidth = 0.0;  // art units
  bool selected = false;
  int index = 0;                 // the path's position in the artwork
  std::vector<QPointF> anchors;  // art units; only for a selected path, to show its handles
};

// The paths of `art` as the window paints them; pixelsPerPoint turns stroke weights (tenths of
// a point) into pixels.
std::vector<PaintedPath> BuildPaintedPaths(const art::Artwork& art, double artScale,
                                           double pixelsPerPoint);

// The screen image of the raster image: bilevel through its bit layer, gray and colour through
// the colour rows, every `step`-th pixel of every `step`-th row (step >= 1).
QImage BuildScreenImage(const image::RasterImage& image, int step);

class ImageView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  ImageView(app::Program& program, QWidget* parent = nullptr);

  // The document's image or art changed: rebuild the caches and repaint.
  void imageChanged();
  void artChanged();

  ViewMode viewMode() const { return mode_; }
  void setViewMode(ViewMode mode);

  // Zoom, 16.16 fixed point screen pixels per image pixel, kept in the RasterImage.
  // Changes keep the image point at the window's centre in place.
  void setZoom(std::uint32_t zoom);
  void zoomIn(bool doubleStep);
  void zoomOut(bool doubleStep);
  void actualSize();
  void fitInWindow();

  // Paints the visible part of the document into `painter` (viewport coordinates); the paint
  // event and the redraw benchmark both come here.
  void render(QPainter& painter, const QRect& exposed);
  // Where the image lies in the viewport (centred when smaller, else scrolled).
  QRect imageRectOnScreen() const;

  // The image pixel under a viewport point (outside the image too, for strokes that leave it).
  QPoint imagePixelAt(QPoint viewportPoint) const;

 Q_SIGNALS:
  void zoomChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  double scale() const;  // screen pixels per image pixel
  void updateScrollBars();

  app::Program& program_;
  ViewMode mode_ = ViewMode::kPreview;
  QImage screenImage_;
  QImage selectionImage_;  // the pixel selection's tint (null: none)
  int imageStep_ = 1;
  std::vector<PaintedPath> paths_;
};

}  // namespace vl::gui
