// The pause bar and its drawing on the image window.
#include "app/gui/thinning_pause_view.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMouseEvent>

#include "app/gui/image_view.h"

namespace vl::gui {

ThinningPauseBar::ThinningPauseBar(app::Program& program, app::Document& doc, ImageView& view,
                                   QWidget* parent)
    : QToolBar(QStringLiteral("Skeletonizing"), parent), program_(program), doc_(doc), view_(view) {
  setObjectName(QStringLiteral("Skeletonizing"));
  setMovable(false);
  addWidget(new QLabel(QStringLiteral("Edit image skeleton as desired before proceeding:  ")));
  auto* tools = new QActionGroup(this);
  tools->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  pencil_ = addAction(QStringLiteral("&Pencil"));
  pencil_->setToolTip(QStringLiteral("Draw ink on the thinned image"));
  eraser_ = addAction(QStringLiteral("E&raser"));
  eraser_->setToolTip(QStringLiteral("Erase ink from the thinned image"));
  for (QAction* a : {pencil_, eraser_}) {
    a->setCheckable(true);
    tools->addAction(a);
  }
  pencil_->setChecked(true);
  addSeparator();
  thinMore_ = addAction(QStringLiteral("&Thin More"));
  cancel_ = addAction(QStringLiteral("Cancel"));
  done_ = addAction(QStringLiteral("&Done"));
  connect(thinMore_, &QAction::triggered, this, [this] { Q_EMIT chosen(engine::SkeletonChoice::kThinMore); });
  connect(cancel_, &QAction::triggered, this, [this] { Q_EMIT chosen(engine::SkeletonChoice::kCancel); });
  connect(done_, &QAction::triggered, this, [this] { Q_EMIT chosen(engine::SkeletonChoice::kDone); });
  addSeparator();
  steps_ = new QLabel;
  steps_->setObjectName(QStringLiteral("steps"));
  addWidget(steps_);
  view_.viewport()->installEventFilter(this);
  hide();
}

QAction* ThinningPauseBar::choiceAction(engine::SkeletonChoice choice) const {
  switch (choice) {
    case engine::SkeletonChoice::kThinMore: return thinMore_;
    case engine::SkeletonChoice::kCancel: return cancel_;
    default: return done_;
  }
}

void ThinningPauseBar::refresh() {
  const bool paused = program_.app.interactiveThinningPaused && program_.thinningPause.pending();
  steps_->setText(QStringLiteral("No. of thinning steps = %1").arg(program_.thinningPause.steps));
  if (!paused) stroking_ = false;
  setVisible(paused);
}

bool ThinningPauseBar::toolFor(app::SkeletonTool& tool) const {
  if (pencil_->isChecked()) tool = app::SkeletonTool::kPencil;
  else if (eraser_->isChecked()) tool = app::SkeletonTool::kEraser;
  else return false;
  return true;
}

bool ThinningPauseBar::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  // The viewport is known by its parent, not by asking the view: events still arrive while
  // the view is being destroyed.
  const auto* port = qobject_cast<QWidget*>(watched);
  if ((type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
       type != QEvent::MouseButtonRelease) ||
      !port || port->parentWidget() != static_cast<QWidget*>(&view_) || !isVisible()) {
    return QToolBar::eventFilter(watched, event);
  }
  auto* mouse = static_cast<QMouseEvent*>(event);
  app::SkeletonTool tool = app::SkeletonTool::kPencil;
  if (!toolFor(tool)) return false;
  const QPoint at = view_.imagePixelAt(mouse->position().toPoint());
  if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
    stroking_ = app::BeginSkeletonStroke(program_, doc_, tool, at.x(), at.y()) ==
                app::EditResult::kDone;
    last_ = at;
  } else if (type == QEvent::MouseMove && stroking_ && at != last_) {
    app::ContinueSkeletonStroke(program_, tool, last_.x(), last_.y(), at.x(), at.y());
    last_ = at;
  } else if (type == QEvent::MouseButtonRelease) {
    stroking_ = false;
    return true;
  } else {
    return true;
  }
  if (stroking_) Q_EMIT drawn();
  return true;
}

}  // namespace vl::gui
