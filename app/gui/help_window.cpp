// The help window.
#include "app/gui/help_window.h"

#include <QFile>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QToolBar>

// The pages are compiled into the GUI library; a static library needs its resources named.
static void InitHelpResources() { Q_INIT_RESOURCE(help); }

namespace vl::gui {

namespace {

constexpr const char* kTopicFiles[] = {"index.html", "keyboard.html", "commands.html",
                                       "procedures.html", "using-help.html"};

}  // namespace

QString HelpTopicPath(int topic) {
  if (topic < 1 || topic > int(std::size(kTopicFiles))) return {};
  return QStringLiteral(":/help/") + QString::fromLatin1(kTopicFiles[topic - 1]);
}

QString HelpTopicText(int topic) {
  InitHelpResources();
  QFile file(HelpTopicPath(topic));
  if (HelpTopicPath(topic).isEmpty() || !file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

HelpWindow::HelpWindow(QWidget* parent) : QMainWindow(parent, Qt::Window) {
  InitHelpResources();
  setObjectName(QStringLiteral("help"));
  setWindowTitle(QStringLiteral("Vectorlume Help"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("helpBrowser"));
  browser_->setSearchPaths({QStringLiteral(":/help")});
  browser_->setOpenExternalLinks(true);
  setCentralWidget(browser_);
  QToolBar* bar = addToolBar(QStringLiteral("Navigation"));
  bar->setMovable(false);
  QAction* back = bar->addAction(QStringLiteral("Back"), browser_, &QTextBrowser::backward);
  back->setShortcut(QKeySequence::Back);
  back->setEnabled(false);
  QAction* forward = bar->addAction(QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
  forward->setShortcut(QKeySequence::Forward);
  forward->setEnabled(false);
  bar->addAction(QStringLiteral("Index"), this, [this] { showTopic(1); });
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
    setWindowTitle(QStringLiteral("Vectorlume Help - ") + browser_->documentTitle());
  });
  resize(640, 560);
}

bool HelpWindow::showTopic(int topic) {
  const QString path = HelpTopicPath(topic);
  if (path.isEmpty() || !QFile::exists(path)) return false;
  browser_->setSource(QUrl(QStringLiteral("qrc") + path));
  show();
  raise();
  activateWindow();
  return true;
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

}  // namespace vl::gui
