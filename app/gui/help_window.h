// The help window: the five topics of the Help menu, HTML pages built into the program, shown
// in one browser window with Back, Forward and Index.
#pragma once

#include <QMainWindow>
#include <QString>

class QTextBrowser;

namespace vl::gui {

// Topic 1 Index, 2 Keyboard, 3 Commands, 4 Procedures, 5 Using Help: the page's resource path;
// "" for any other number.
QString HelpTopicPath(int topic);
// The page's text; "" when it is missing.
QString HelpTopicText(int topic);

class HelpWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  // Shows `topic` and brings the window forward; false when the topic is unknown.
  bool showTopic(int topic);
  QTextBrowser* browser() const { return browser_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QTextBrowser* browser_;
};

}  // namespace vl::gui
