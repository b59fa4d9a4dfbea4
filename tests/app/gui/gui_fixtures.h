// What the window's tests share: a program record with the Qt backend in a temporary folder,
// file dialogs that answer from a script, and an answerer that reads and clicks the message
// boxes the window puts up (the real boxes, on the offscreen platform).
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <deque>
#include <optional>

#include "app/gui/main_window.h"
#include "app/gui/qt_ui.h"
#include "base/message_table.h"
#include "image/save_pixel_image.h"
#include "settings/settings_defaults.h"
#include "tests/app/app_fixtures.h"

namespace vl::gui::test {

using app::test::TempDir;

// A message of the table as the window shows it.
inline QString Text(int number) { return QString::fromUtf8(msg::Text(number).data()); }

// The named child widget; a missing one ends the test run at once, naming it.
template <class W>
W* Child(QWidget& parent, const char* name) {
  W* w = parent.findChild<W*>(QString::fromUtf8(name));
  if (!w) qFatal("no child %s", name);
  return w;
}

struct ScriptedDialogs : app::DocumentDialogs {
  std::optional<std::string> imageFile, artFile, pixelFile;
  app::ArtFormat artFormat;
  int artDialogs = 0;
  bool chooseImageFile(std::string& path) override {
    if (imageFile) path = *imageFile;
    return imageFile.has_value();
  }
  bool chooseArtFile(std::string& path, app::ArtFormat& format) override {
    ++artDialogs;
    if (!artFile) return false;
    path = *artFile;
    format = artFormat;
    return true;
  }
  // What the window proposed, and the format chosen (the proposal's when none is scripted).
  std::string proposedPixelFile;
  int proposedPixelFormat = -1;
  std::optional<int> pixelFormat;
  bool choosePixelImageFile(std::string& path, int& format) override {
    proposedPixelFile = path;
    proposedPixelFormat = format;
    if (!pixelFile) return false;
    path = *pixelFile;
    format = pixelFormat.value_or(format);
    return true;
  }
};

// Answers each message box that becomes the active modal window with the next scripted button
// (QMessageBox::Yes, No, Cancel, Ok), recording its text. With the script empty it presses the
// box's Escape button, so a test never hangs on an unexpected box.
class BoxAnswerer {
 public:
  BoxAnswerer() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
  }
  void script(std::initializer_list<QMessageBox::StandardButton> answers) {
    answers_.insert(answers_.end(), answers);
  }
  QStringList texts;
  int unexpected = 0;

 private:
  void poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    // Marked rather than remembered by address: a later box may reuse an earlier one's.
    if (!box || box->property("vlAnswered").toBool()) return;
    box->setProperty("vlAnswered", true);
    texts << box->text();
    if (answers_.empty()) {
      ++unexpected;
      if (QAbstractButton* b = box->escapeButton()) b->click();
      else box->reject();
      return;
    }
    const QMessageBox::StandardButton answer = answers_.front();
    answers_.pop_front();
    if (QAbstractButton* b = box->button(answer)) b->click();
    else box->reject();
  }
  QTimer timer_;
  std::deque<QMessageBox::StandardButton> answers_;
};

// A key pressed in the window. Shortcuts reach only the active window, and a closed progress
// window hands the activation back through the window system, which the offscreen platform
// does late: the test makes the window active first, as the user's click would.
inline void Key(QWidget& window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
  QApplication::setActiveWindow(&window);
  QTest::keyClick(&window, key, modifiers);
}

// A program record on the Qt backend, its window with scripted file dialogs, and a scan.
struct Shell {
  TempDir dir;
  QtUi* ui = new QtUi;  // owned by the program
  app::Program program{std::unique_ptr<platform::UserInterface>(ui), dir.path};
  ScriptedDialogs dialogs;
  MainWindow window{program, &dialogs};
  std::string scan = dir / "scan.tif";

  explicit Shell(int width = 120, int height = 60,
                 std::function<bool(int, int)> ink = app::test::Squares(2, 40)) {
    settings::setConversionDefaults(program.activeSettings);
    program.dialogSettings = program.activeSettings;
    ui->setParentWidget(&window);
    app::test::WriteBilevelTiff(scan, width, height, ink);
    window.resize(640, 480);
    window.show();
    // Keys reach the menus' shortcuts only in the active window.
    QApplication::setActiveWindow(&window);
    if (!QTest::qWaitForWindowActive(&window)) qWarning("the window did not become active");
  }
  // Opens the scan through the Open command with the dialog answering its name.
  bool open() {
    dialogs.imageFile = scan;
    window.dispatch(app::kCommandOpen);
    return window.document().imageOpen;
  }
};

}  // namespace vl::gui::test
