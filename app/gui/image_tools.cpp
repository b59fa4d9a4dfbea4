// The image window's tools.
#include "app/gui/image_tools.h"

#include <QApplication>
#include <QDrag>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRubberBand>
#include <algorithm>
#include <cmath>

#include "app/edit_commands.h"
#include "app/gui/art_drag.h"
#include "app/gui/image_view.h"
#include "art/anchor_editing.h"
#include "art/anchor_walk.h"

namespace vl::gui {

int SelectionModeFor(Qt::KeyboardModifiers modifiers) {
  const bool shift = modifiers & Qt::ShiftModifier, command = modifiers & Qt::ControlModifier;
  if (shift && command) return image::kSelectIntersect;
  if (command) return image::kSelectSubtract;
  if (shift) return image::kSelectAdd;
  return image::kSelectNew;
}

int SelectPathsInRect(art::Artwork& art, const art::ArtBounds& rect, bool add) {
  int selected = 0;
  for (int i = 0; i < art.count; ++i) {
    art::PathRecord& path = art.paths[std::size_t(i)];
    bool inside = false;
    if (path.usedWords > 0) {
      const std::span<const std::uint16_t> words = art::PointWords(path);
      for (const std::size_t at : art::AnchorOffsets(path)) {
        const std::int32_t x = art::detail::X(words, at), y = art::detail::Y(words, at);
        if (x >= rect.left && x <= rect.right && y >= rect.top && y <= rect.bottom) {
          inside = true;
          break;
        }
      }
    }
    if (inside) path.flags |= art::kSelected;
    else if (!add) path.flags = std::uint8_t(path.flags & ~art::kSelected);
    if (path.flags & art::kSelected) ++selected;
  }
  art.selectedCount = selected;
  return selected;
}

namespace {

// A transparent layer over the image showing where an anchor or segment is being dragged.
class DragLine : public QWidget {
 public:
  explicit DragLine(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
  }
  void span(QPoint from, QPoint to) {
    from_ = from;
    to_ = to;
    setGeometry(parentWidget()->rect());
    show();
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 90, 220), 1, Qt::DashLine));
    painter.drawLine(from_, to_);
    painter.setBrush(QColor(0, 90, 220));
    painter.drawRect(QRect(to_ - QPoint(2, 2), QSize(5, 5)));
  }

 private:
  QPoint from_, to_;
};

}  // namespace

int PaintedPathAt(const art::Artwork& art, art::ArtClick click, double artScale,
                  double pixelsPerPoint) {
  const std::vector<PaintedPath> painted = BuildPaintedPaths(art, artScale, pixelsPerPoint);
  const QPointF at(click.x, click.y);
  for (auto p = painted.rbegin(); p != painted.rend(); ++p) {
    if (!p->bounds.contains(at)) continue;
    if (p->fill.isValid() && p->outline.contains(at)) return p->index;
    if (p->stroke.isValid() && p->strokeWidth > 0) {
      QPainterPathStroker stroker;
      stroker.setWidth(p->strokeWidth);
      if (stroker.createStroke(p->outline).contains(at)) return p->index;
    }
  }
  return art::kNoPath;
}

ImageTools::ImageTools(app::Program& program, app::Document& doc, ImageView* view,
                       Toolbox* toolbox, QObject* parent)
    : QObject(parent), program_(program), doc_(doc), view_(view), toolbox_(toolbox),
      viewport_(view->viewport()),
      band_(new QRubberBand(QRubberBand::Rectangle, view->viewport())),
      line_(new DragLine(view->viewport())) {
  view_->viewport()->installEventFilter(this);
  view_->viewport()->setMouseTracking(true);
  connect(toolbox_, &Toolbox::toolChanged, this, &ImageTools::toolChosen);
  toolChosen(toolbox_->current());
}

void ImageTools::toolChosen(Tool tool) {
  // The pointer tells which tool is in hand.
  Qt::CursorShape shape = Qt::CrossCursor;
  if (tool == Tool::kSelect) shape = Qt::ArrowCursor;
  if (tool == Tool::kWand) shape = Qt::PointingHandCursor;
  view_->viewport()->setCursor(shape);
}

QPointF ImageTools::toImage(QPoint viewportPos) const {
  const QPointF origin = view_->imageRectOnScreen().topLeft();
  const double s = double(program_.image.zoomX) / image::kZoomOne;
  return (QPointF(viewportPos) - origin) / s;
}

art::HitView ImageTools::hitView(QPoint viewportPos, QPoint& windowPos) const {
  const image::RasterImage& image = program_.image;
  windowPos = viewportPos - view_->imageRectOnScreen().topLeft();
  return art::HitView{image.zoomX, image.zoomY, image.artScaleShift, 0, 0};
}

art::ArtClick ImageTools::toArt(QPoint viewportPos) const {
  QPoint at;
  const art::HitView view = hitView(viewportPos, at);
  return art::ClickToArt(view, at.x(), at.y());
}

bool ImageTools::usesRectangle() const {
  switch (toolbox_->current()) {
    case Tool::kSelect: return !draggingArt_;
    case Tool::kMarquee: case Tool::kDeleteAnchor: return true;
    default: return false;
  }
}

bool ImageTools::eventFilter(QObject* watched, QEvent* event) {
  if (watched != viewport_) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {  // a quick second click is a click like the first
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() != Qt::LeftButton || !doc_.imageOpen || program_.app.converting)
        return false;
      press(e->position().toPoint(), e->modifiers());
      return true;
    }
    case QEvent::MouseMove: {
      auto* e = static_cast<QMouseEvent*>(event);
      Q_EMIT pointerMoved(toImage(e->position().toPoint()));
      if (!pressed_) return false;
      move(e->position().toPoint());
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() != Qt::LeftButton || !pressed_) return false;
      release(e->position().toPoint(), e->modifiers());
      return true;
    }
    default: return false;
  }
}

void ImageTools::press(QPoint pos, Qt::KeyboardModifiers modifiers) {
  pressed_ = true;
  pressPos_ = pos;
  pressModifiers_ = modifiers;
  draggingArt_ = false;
  // A press on a selected path with the selection tool may become a drag of the art.
  if (toolbox_->current() == Tool::kSelect && program_.artwork.selectedCount > 0) {
    QPoint at;
    const art::HitView view = hitView(pos, at);
    draggingArt_ = art::FindPathAt(program_.artwork, art::ClickToArt(view, at.x(), at.y()),
                                   art::HitMargin(view), art::DistanceLimit(view), true,
                                   program_.image.artScale) != art::kNoPath;
  }
  band_->hide();
}

void ImageTools::move(QPoint pos) {
  if (draggingArt_) {
    if ((pos - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
      pressed_ = false;
      dragArtOut();
    }
    return;
  }
  if (!usesRectangle()) {
    if (toolbox_->current() == Tool::kAdjustLine || toolbox_->current() == Tool::kAdjustCurve)
      static_cast<DragLine*>(line_)->span(pressPos_, pos);
    return;
  }
  band_->setGeometry(QRect(pressPos_, pos).normalized());
  band_->show();
}

void ImageTools::dragArtOut() {
  draggingArt_ = false;
  if (QDrag* drag = MakeArtDrag(program_, doc_, view_)) drag->exec(Qt::CopyAction);
}

void ImageTools::release(QPoint pos, Qt::KeyboardModifiers modifiers) {
  pressed_ = false;
  band_->hide();
  line_->hide();
  const bool shift = pressModifiers_ & Qt::ShiftModifier;
  const bool clicked =
      (pos - pressPos_).manhattanLength() < QApplication::startDragDistance();
  QPoint at;
  const art::HitView view = hitView(pressPos_, at);
  const std::int32_t margin = art::HitMargin(view);
  const art::ArtClick from = toArt(pressPos_), to = toArt(pos);
  const art::ArtBounds rect{std::min(from.x, to.x), std::min(from.y, to.y),
                            std::max(from.x, to.x), std::max(from.y, to.y)};
  app::Program& p = program_;
  app::Document& d = doc_;
  using app::EditResult;
  switch (toolbox_->current()) {
    case Tool::kSelect: {
      if (draggingArt_ && clicked) draggingArt_ = false;  // a click on a selected path
      if (p.artwork.count == 0) return;
      if (clicked) {
        // In the painted view the shape under the pointer wins, as the user sees it; the
        // outlines' nearness decides elsewhere and for paper between thin strokes.
        int hit = art::kNoPath;
        if (view_->viewMode() == ViewMode::kPreview) {
          const double ppi = p.image.xResolution > 0 ? p.image.xResolution : 72.0;
          hit = PaintedPathAt(p.artwork, from, p.image.artScale, ppi / 72.0);
        }
        if (hit == art::kNoPath)
          hit = art::FindPathAt(p.artwork, from, margin, art::DistanceLimit(view), false,
                                p.image.artScale);
        art::ClickSelect(p.artwork, hit, shift);
      } else {
        SelectPathsInRect(p.artwork, rect, shift);
      }
      finish(EditResult::kDone, false);
      return;
    }
    case Tool::kMarquee: {
      if (clicked) return;
      const QPointF a = toImage(pressPos_), b = toImage(pos);
      // From the pixel under the press to the pixel under the release, both included; the
      // rectangle selection clips to the image.
      const auto left = std::int32_t(std::floor(std::min(a.x(), b.x())));
      const auto top = std::int32_t(std::floor(std::min(a.y(), b.y())));
      const auto right = std::int32_t(std::floor(std::max(a.x(), b.x())));
      const auto bottom = std::int32_t(std::floor(std::max(a.y(), b.y())));
      finish(app::MarqueeSelect(p, d, left, top, right, bottom, SelectionModeFor(modifiers)),
             true);
      return;
    }
    case Tool::kWand:
      finish(app::WandToolClick(p, d, view, at.x(), at.y(), shift,
                                SelectionModeFor(pressModifiers_)),
             p.artwork.count == 0);
      return;
    case Tool::kAdjustLine: case Tool::kAdjustCurve: {
      if (clicked) return;
      EditResult r = app::MoveAnchorCommand(p, d, from, to, margin);
      if (r == EditResult::kNothing)
        r = toolbox_->current() == Tool::kAdjustLine
                ? app::AdjustLineCommand(p, d, from, to, shift, margin)
                : app::AdjustCurveCommand(p, d, from, to, margin, shift);
      finish(r, false);
      return;
    }
    case Tool::kAddAnchor:
      if (clicked) finish(app::AddAnchorPointCommand(p, d, from, margin), false);
      return;
    case Tool::kDeleteAnchor:
      finish(app::DeleteAnchorsCommand(p, d, clicked ? art::ArtBounds{from.x, from.y, from.x, from.y}
                                                     : rect,
                                       clicked, margin),
             false);
      return;
    case Tool::kAddDeleteAnchor: {
      if (!clicked) return;
      EditResult r = app::DeleteAnchorsCommand(p, d, {from.x, from.y, from.x, from.y}, true,
                                               margin);
      if (r == EditResult::kNothing) r = app::AddAnchorPointCommand(p, d, from, margin);
      finish(r, false);
      return;
    }
  }
}

void ImageTools::finish(app::EditResult result, bool image) {
  // Even a gesture that found nothing may have changed which paths are selected.
  static_cast<void>(result);
  Q_EMIT edited(image);
}

}  // namespace vl::gui
