// The tools of the image window: turns mouse presses, drags and releases on the image into the
// selection and editing commands of the shared command set (app/edit_commands.h), one undo step
// per finished gesture. Window positions become image pixels and art units here, in one place.
#pragma once

#include <QObject>
#include <QPoint>

#include "app/document.h"
#include "app/edit_commands.h"
#include "app/program.h"
#include "app/gui/toolbox.h"
#include "art/path_hit_test.h"

class QRubberBand;
class QWidget;

namespace vl::gui {

class ImageView;

// The combining mode of a pixel selection tool from the modifier keys held: Shift adds, Ctrl
// subtracts, both intersect.
int SelectionModeFor(Qt::KeyboardModifiers modifiers);

// The rubber band of the path selection: every visible path with an anchor inside `rect` (art
// units, inclusive) becomes selected; without `add` every other path is deselected first. The
// number of paths selected afterwards.
int SelectPathsInRect(art::Artwork& art, const art::ArtBounds& rect, bool add);

// The topmost path whose paint covers `click` (art units) as the Preview view paints it, for a
// click on the inside of a filled shape; kNoPath when only paper is there. `pixelsPerPoint`
// and `artScale` size the strokes as the view does.
int PaintedPathAt(const art::Artwork& art, art::ArtClick click, double artScale,
                  double pixelsPerPoint);

class ImageTools : public QObject {
  Q_OBJECT
 public:
  ImageTools(app::Program& program, app::Document& doc, ImageView* view, Toolbox* toolbox,
             QObject* parent = nullptr);

  // Where a viewport position lies in the image (pixels, fractional) and in art units.
  QPointF toImage(QPoint viewportPos) const;
  art::ArtClick toArt(QPoint viewportPos) const;
  // The hit-test view of the window for a viewport position: `windowPos` receives the position
  // relative to the image's top-left corner, as the hit test counts it.
  art::HitView hitView(QPoint viewportPos, QPoint& windowPos) const;

 Q_SIGNALS:
  // A gesture changed the document; `image`: the pixels or their selection may differ.
  void edited(bool image);
  // The pointer moved over the image window (image pixels; outside the image too).
  void pointerMoved(QPointF imagePos);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void press(QPoint pos, Qt::KeyboardModifiers modifiers);
  void move(QPoint pos);
  void release(QPoint pos, Qt::KeyboardModifiers modifiers);
  bool usesRectangle() const;
  void finish(app::EditResult result, bool image);
  void dragArtOut();
  void toolChosen(Tool tool);

  app::Program& program_;
  app::Document& doc_;
  ImageView* view_;
  Toolbox* toolbox_;
  QWidget* viewport_;  // the view's viewport, compared without calling into a view that may be
                       // part way through its destruction (its children still get events)
  QRubberBand* band_;
  QWidget* line_;  // the anchor tools' feedback: from the press to the pointer
  bool pressed_ = false;
  bool draggingArt_ = false;   // the press was on a selected path: a move drags the art out
  Qt::KeyboardModifiers pressModifiers_;
  QPoint pressPos_;
};

}  // namespace vl::gui
