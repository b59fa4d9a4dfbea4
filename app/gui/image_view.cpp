// Drawing the image window.
#include "app/gui/image_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "app/gui/selection_overlay.h"
#include "art/anchor_editing.h"
#include "art/anchor_walk.h"
#include "art/display_color.h"
#include "image/bit_row.h"
#include "image/levels.h"
#include "image/raster_image.h"

namespace vl::gui {

namespace {

// Zoom limits (16.16): below 1/256 the image is a dot, above 64 one pixel fills the window.
constexpr std::uint32_t kMinZoom = 0x100;
constexpr std::uint32_t kMaxZoom = 64u * image::kZoomOne;
// The screen image holds at most this many pixels; larger images are sampled (a 10000 x 10000
// colour scan would otherwise take 300 MB twice over).
constexpr std::int64_t kMaxScreenPixels = 40'000'000;

QColor ScreenColor(art::PaintType type, std::uint32_t packed) {
  if (type == art::PaintType::White) return Qt::white;
  const art::Rgb rgb = art::displayColor(packed);
  return QColor(rgb.r, rgb.g, rgb.b);
}

QPainterPath OutlineOf(const art::PathRecord& path) {
  namespace d = art::detail;
  QPainterPath out;
  // The art is filled by the nonzero winding rule, as every writer fills it: a path that
  // crosses or doubles back over itself stays filled where it overlaps.
  out.setFillRule(Qt::WindingFill);
  const std::span<const std::uint16_t> words = art::PointWords(path);
  if (!d::HasAnchorAt(words, 0)) return out;
  out.moveTo(d::X(words, 0), d::Y(words, 0));
  for (std::size_t at = 0;;) {
    const std::size_t next = d::NextAnchor(words, at);
    if (!d::HasAnchorAt(words, next)) break;
    if (words[at] & art::kCurveBit) {
      out.cubicTo(d::X(words, at + 2), d::Y(words, at + 2), d::X(words, at + 4),
                  d::Y(words, at + 4), d::X(words, next), d::Y(words, next));
    } else {
      out.lineTo(d::X(words, next), d::Y(words, next));
    }
    at = next;
  }
  if (art::IsClosed(path)) out.closeSubpath();
  return out;
}

std::uint8_t ClampByte(int v) { return std::uint8_t(std::clamp(v, 0, 255)); }

}  // namespace

std::vector<PaintedPath> BuildPaintedPaths(const art::Artwork& art, double artScale,
                                           double pixelsPerPoint) {
  std::vector<PaintedPath> out;
  int index = -1;
  for (const art::PathRecord& path : art::PathsInUse(art)) {
    ++index;
    PaintedPath p;
    p.index = index;
    p.outline = OutlineOf(path);
    if (p.outline.isEmpty()) continue;
    if (path.fillType != art::PaintType::None && !(path.flags & art::kUnfilled))
      p.fill = ScreenColor(path.fillType, path.fillColor);
    if (path.strokeType != art::PaintType::None) {
      p.stroke = ScreenColor(path.strokeType, path.strokeColor);
      p.strokeWidth = path.strokeWeight / 10.0 * pixelsPerPoint * artScale;
    }
    const double margin = p.strokeWidth / 2 + 1;
    p.bounds = p.outline.controlPointRect().adjusted(-margin, -margin, margin, margin);
    p.selected = (path.flags & art::kSelected) != 0;
    if (p.selected) {
      const std::span<const std::uint16_t> words = art::PointWords(path);
      for (const std::size_t at : art::AnchorOffsets(path))
        p.anchors.emplace_back(art::detail::X(words, at), art::detail::Y(words, at));
    }
    out.push_back(std::move(p));
  }
  return out;
}

QImage BuildScreenImage(const image::RasterImage& image, int step) {
  const int w = (image.width + step - 1) / step, h = (image.height + step - 1) / step;
  if (w <= 0 || h <= 0) return {};
  if (image::IsBilevel(image)) {
    // While a selection is marked the bit layer holds only the selected pixels; the backup
    // keeps the whole image.
    const platform::Block& layer =
        image.pixelSelection && image.backupLayer.size() > 0 ? image.backupLayer : image.bitLayer;
    if (layer.size() == 0) return {};
    QImage out(w, h, QImage::Format_Mono);
    out.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* row = image::LayerRow(layer, image, y * step);
      std::uint8_t* dst = out.scanLine(y);
      if (step == 1) {
        std::copy_n(row, (w + 7) / 8, dst);
        continue;
      }
      std::fill_n(dst, out.bytesPerLine(), 0);
      for (int x = 0; x < w; ++x) {
        if (image::BitAt(row, x * step)) image::SetBitAt(dst, x);
      }
    }
    return out;
  }
  const int spp = image.samplesPerPixel;
  const bool tone = !image::IsIdentityTable(image.toneTable);
  QImage out(w, h, QImage::Format_RGB32);
  std::vector<std::uint8_t> row(std::size_t(image.width + 1) * spp);
  for (int y = 0; y < h; ++y) {
    image::readColorSpan(image, 0, y * step, image.width * spp, row.data());
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* s = &row[std::size_t(x) * step * spp];
      switch (spp) {
        case 1: dst[x] = qRgb(s[0], s[0], s[0]); break;
        case 3: dst[x] = qRgb(s[0], s[1], s[2]); break;
        default:  // CMYK: inks subtract from white, black from all three
          dst[x] = qRgb(ClampByte(255 - s[0] - s[3]), ClampByte(255 - s[1] - s[3]),
                        ClampByte(255 - s[2] - s[3]));
          break;
      }
    }
    // Levels being previewed, or applied and not yet written into the colour layer.
    if (tone)
      for (int x = 0; x < w; ++x)
        dst[x] = qRgb(image.toneTable[qRed(dst[x])], image.toneTable[qGreen(dst[x])],
                      image.toneTable[qBlue(dst[x])]);
  }
  return out;
}

ImageView::ImageView(app::Program& program, QWidget* parent)
    : QAbstractScrollArea(parent), program_(program) {
  setObjectName(QStringLiteral("imageWindow"));
  viewport()->setBackgroundRole(QPalette::Dark);
  viewport()->setAutoFillBackground(true);
  setFocusPolicy(Qt::StrongFocus);
}

double ImageView::scale() const { return double(program_.image.zoomX) / image::kZoomOne; }

void ImageView::imageChanged() {
  const image::RasterImage& image = program_.image;
  const std::int64_t pixels = std::int64_t(image.width) * image.height;
  imageStep_ = 1;
  while (pixels / (std::int64_t(imageStep_) * imageStep_) > kMaxScreenPixels) ++imageStep_;
  screenImage_ = pixels > 0 ? BuildScreenImage(image, imageStep_) : QImage();
  selectionImage_ = pixels > 0 ? BuildSelectionOverlay(image, imageStep_) : QImage();
  artChanged();
  updateScrollBars();
}

void ImageView::artChanged() {
  const image::RasterImage& image = program_.image;
  const double ppi = image.xResolution > 0 ? image.xResolution : 72.0;
  paths_ = BuildPaintedPaths(program_.artwork, image.artScale, ppi / 72.0);
  viewport()->update();
}

void ImageView::setViewMode(ViewMode mode) {
  mode_ = mode;
  viewport()->update();
}

QPoint ImageView::imagePixelAt(QPoint viewportPoint) const {
  const QRect r = imageRectOnScreen();
  const double s = scale();
  return QPoint(int(std::floor((viewportPoint.x() - r.x()) / s)),
                int(std::floor((viewportPoint.y() - r.y()) / s)));
}

QRect ImageView::imageRectOnScreen() const {
  const image::RasterImage& image = program_.image;
  const int w = int(std::ceil(image.width * scale())), h = int(std::ceil(image.height * scale()));
  const QSize view = viewport()->size();
  const int x = w < view.width() ? (view.width() - w) / 2 : -horizontalScrollBar()->value();
  const int y = h < view.height() ? (view.height() - h) / 2 : -verticalScrollBar()->value();
  return QRect(x, y, w, h);
}

void ImageView::updateScrollBars() {
  const image::RasterImage& image = program_.image;
  const int w = int(std::ceil(image.width * scale())), h = int(std::ceil(image.height * scale()));
  const QSize view = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, w - view.width()));
  verticalScrollBar()->setRange(0, std::max(0, h - view.height()));
  horizontalScrollBar()->setPageStep(view.width());
  verticalScrollBar()->setPageStep(view.height());
  horizontalScrollBar()->setSingleStep(std::max(1, view.width() / 20));
  verticalScrollBar()->setSingleStep(std::max(1, view.height() / 20));
  viewport()->update();
}

void ImageView::setZoom(std::uint32_t zoom) {
  image::RasterImage& image = program_.image;
  zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
  const QRect before = imageRectOnScreen();
  const QPointF centre(viewport()->width() / 2.0, viewport()->height() / 2.0);
  const double s = scale();
  const QPointF imagePoint((centre.x() - before.x()) / s, (centre.y() - before.y()) / s);
  image.zoomX = image.zoomY = zoom;
  updateScrollBars();
  const double t = scale();
  horizontalScrollBar()->setValue(int(imagePoint.x() * t - centre.x()));
  verticalScrollBar()->setValue(int(imagePoint.y() * t - centre.y()));
  viewport()->update();
  Q_EMIT zoomChanged();
}

void ImageView::zoomIn(bool doubleStep) {
  const std::uint32_t z = program_.image.zoomX;
  setZoom(doubleStep ? z * 2 : std::uint32_t(z * 1.5));
}

void ImageView::zoomOut(bool doubleStep) {
  const std::uint32_t z = program_.image.zoomX;
  setZoom(doubleStep ? z / 2 : std::uint32_t(z * 0.6666666));
}

void ImageView::actualSize() {
  const double ppi = program_.image.xResolution;
  if (ppi <= 0) return;
  setZoom(std::uint32_t(72.0 * image::kZoomOne / ppi));
}

void ImageView::fitInWindow() {
  const image::RasterImage& image = program_.image;
  if (image.width <= 0 || image.height <= 0) return;
  const std::uint64_t zx = std::uint64_t(viewport()->width()) * image::kZoomOne / image.width;
  const std::uint64_t zy = std::uint64_t(viewport()->height()) * image::kZoomOne / image.height;
  setZoom(std::uint32_t(std::min<std::uint64_t>({zx, zy, kMaxZoom})));
}

void ImageView::render(QPainter& painter, const QRect& exposed) {
  painter.fillRect(exposed, palette().color(QPalette::Dark));
  if (program_.image.width <= 0) return;
  const QRect target = imageRectOnScreen();
  const QRect visible = target.intersected(exposed);
  if (visible.isEmpty()) return;
  const double s = scale();
  const bool hasArt = !paths_.empty();
  const bool showImage = !hasArt || mode_ != ViewMode::kPreview;
  painter.fillRect(visible, Qt::white);
  if (showImage && !screenImage_.isNull()) {
    // The source rectangle of the visible part, in screen-image pixels.
    const double k = s * imageStep_;
    const QRectF source((visible.x() - target.x()) / k, (visible.y() - target.y()) / k,
                        visible.width() / k, visible.height() / k);
    // With art on top the image is a faint template.
    if (hasArt) painter.setOpacity(0.35);
    painter.drawImage(QRectF(visible), screenImage_, source);
    painter.setOpacity(1.0);
    if (!selectionImage_.isNull()) painter.drawImage(QRectF(visible), selectionImage_, source);
  }
  if (!hasArt) return;
  painter.save();
  painter.setClipRect(visible);
  painter.translate(target.topLeft());
  const double artToScreen = s / program_.image.artScale;
  painter.scale(artToScreen, artToScreen);
  const QRectF visibleArt(QPointF(visible.topLeft() - target.topLeft()) / artToScreen,
                          QSizeF(visible.size()) / artToScreen);
  painter.setRenderHint(QPainter::Antialiasing, true);
  QPen outlinePen(Qt::black, 0);  // cosmetic: one screen pixel at any zoom
  QPen selectedPen(QColor(0, 90, 220), 0);
  std::vector<QPointF> handles;  // anchors of the selected paths, art units
  for (const PaintedPath& p : paths_) {
    if (!p.bounds.intersects(visibleArt)) continue;
    handles.insert(handles.end(), p.anchors.begin(), p.anchors.end());
    const bool painted = mode_ == ViewMode::kPreview ||
                         (mode_ == ViewMode::kPreviewSelection && p.selected);
    if (painted) {
      if (p.fill.isValid()) painter.fillPath(p.outline, p.fill);
      if (p.stroke.isValid() && p.strokeWidth > 0)
        painter.strokePath(p.outline, QPen(p.stroke, p.strokeWidth));
      if (p.selected) painter.strokePath(p.outline, selectedPen);
    } else {
      painter.strokePath(p.outline, p.selected ? selectedPen : outlinePen);
    }
  }
  painter.restore();
  // The selected paths' anchors as small squares of a fixed screen size.
  painter.save();
  painter.setClipRect(visible);
  for (const QPointF& a : handles) {
    const QPointF at = QPointF(target.topLeft()) + a * artToScreen;
    painter.fillRect(QRectF(at.x() - 2, at.y() - 2, 4, 4), QColor(0, 90, 220));
  }
  painter.restore();
}

void ImageView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  render(painter, event->rect());
}

void ImageView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollBars();
}

void ImageView::scrollContentsBy(int, int) { viewport()->update(); }

}  // namespace vl::gui
