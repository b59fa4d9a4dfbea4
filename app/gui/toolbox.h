// The toolbox: one checkable button per tool of the image window, exactly one chosen. It is a
// tool bar of the main window, so Hide/Show Toolbox is its visibility.
#pragma once

#include <QToolBar>
#include <array>

class QActionGroup;

namespace vl::gui {

enum class Tool {
  kSelect,           // path selection: click, Shift-click, rubber band; drags selected art out
  kMarquee,          // rectangle of pixels
  kWand,             // pixels of a colour range, or the path under the click once there is art
  kAdjustLine,       // moves the anchor under the press, else the segment
  kAdjustCurve,      // moves the anchor under the press, else bends the segment
  kAddAnchor,        // splits the segment under the click
  kDeleteAnchor,     // the anchor under the click, or every anchor in a dragged rectangle
  kAddDeleteAnchor,  // deletes the anchor under the click, else adds one on the segment
};
constexpr int kToolCount = 8;

struct ToolInfo {
  Tool tool;
  const char* name;     // the button's text and object name suffix
  const char* tooltip;  // what the tool does and what the modifier keys change
};
const std::array<ToolInfo, kToolCount>& ToolInfos();

class Toolbox : public QToolBar {
  Q_OBJECT
 public:
  explicit Toolbox(QWidget* parent = nullptr);
  Tool current() const { return current_; }
  void setCurrent(Tool tool);
  QAction* actionFor(Tool tool) const { return actions_[std::size_t(tool)]; }

 Q_SIGNALS:
  void toolChanged(vl::gui::Tool tool);

 private:
  Tool current_ = Tool::kSelect;
  std::array<QAction*, kToolCount> actions_{};
};

}  // namespace vl::gui
