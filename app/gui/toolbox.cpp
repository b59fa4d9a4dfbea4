// The toolbox buttons.
#include "app/gui/toolbox.h"

#include <QActionGroup>

namespace vl::gui {

const std::array<ToolInfo, kToolCount>& ToolInfos() {
  static const std::array<ToolInfo, kToolCount> kTools = {{
      {Tool::kSelect, "Selection",
       "Selection: click a path to select it, Shift-click to add or remove one, drag a "
       "rectangle to select the paths with an anchor inside; drag selected art out to another "
       "program"},
      {Tool::kMarquee, "Marquee",
       "Marquee: drag a rectangle of pixels. Shift Marquee - adds to area, Ctrl Marquee - "
       "subtracts from area, Both Marquee - get intersection of areas"},
      {Tool::kWand, "Magic Wand",
       "Magic Wand: click pixels of a similar colour, or a path once the image is converted. "
       "Shift Wand - adds to area, Ctrl Wand - subtracts from area, Both Wand - get "
       "intersection of areas"},
      {Tool::kAdjustLine, "Adjust Line",
       "Adjust Line/Move Point: drag an anchor to move it, or a segment to move it along "
       "(Shift: horizontal, vertical or diagonal)"},
      {Tool::kAdjustCurve, "Adjust Curve",
       "Adjust Curve/Move Point: drag an anchor to move it, or a segment to bend it "
       "(Shift: into a circular arc)"},
      {Tool::kAddAnchor, "Add Anchor", "Add Anchor Point: click a segment to add an anchor"},
      {Tool::kDeleteAnchor, "Delete Anchor",
       "Delete Anchor Point: click an anchor of a selected path, or drag a rectangle around "
       "anchors"},
      {Tool::kAddDeleteAnchor, "Add/Delete Anchor",
       "Add/Delete Anchor Point: click an anchor of a selected path to delete it, or a segment "
       "to add one"},
  }};
  return kTools;
}

Toolbox::Toolbox(QWidget* parent) : QToolBar(QStringLiteral("Toolbox"), parent) {
  setObjectName(QStringLiteral("toolbox"));
  setToolButtonStyle(Qt::ToolButtonTextOnly);
  auto* group = new QActionGroup(this);
  group->setExclusive(true);
  for (const ToolInfo& info : ToolInfos()) {
    QAction* a = addAction(QString::fromLatin1(info.name));
    a->setObjectName(QStringLiteral("tool_") + QString::fromLatin1(info.name));
    a->setToolTip(QString::fromLatin1(info.tooltip));
    a->setCheckable(true);
    group->addAction(a);
    actions_[std::size_t(info.tool)] = a;
    connect(a, &QAction::triggered, this, [this, tool = info.tool] { setCurrent(tool); });
  }
  actions_[std::size_t(current_)]->setChecked(true);
}

void Toolbox::setCurrent(Tool tool) {
  actions_[std::size_t(tool)]->setChecked(true);
  if (tool == current_) return;
  current_ = tool;
  Q_EMIT toolChanged(tool);
}

}  // namespace vl::gui
