// The drag of art.
#include "app/gui/art_drag.h"

#include <QDrag>
#include <QMimeData>

#include "app/gui/clipboard.h"

namespace vl::gui {

QDrag* MakeArtDrag(app::Program& program, app::Document& doc, QObject* source) {
  CopyResult result;
  QMimeData* data = ArtMimeData(program, doc, result);
  if (!data) return nullptr;
  auto* drag = new QDrag(source);
  drag->setMimeData(data);
  return drag;
}

}  // namespace vl::gui
