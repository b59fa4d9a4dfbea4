// Qt message boxes, the progress window and the event drain.
#include "app/gui/qt_ui.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <ctime>

#include "base/message_table.h"

namespace vl::gui {

namespace {

QString ToQ(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QString ProductTitle() {
  return QStringLiteral("Morvo ") + ToQ(msg::Text(msg::kProgramTitle));
}

// The progress window: Escape and closing it count as Stop, like the button.
class ProgressDialog : public QDialog {
 public:
  ProgressDialog(QWidget* parent, QtUi& ui) : QDialog(parent), ui_(ui) {}

 protected:
  void reject() override { ui_.requestStop(); }

 private:
  QtUi& ui_;
};

}  // namespace

QtUi::QtUi() { clock_.start(); }

QtUi::~QtUi() { delete progress_.data(); }

void QtUi::showMessage(std::string_view text) {
  QMessageBox box(QMessageBox::Warning, ProductTitle(), ToQ(text), QMessageBox::Ok, parent_);
  box.exec();
}

int QtUi::askYesNo(std::string_view text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Question"), ToQ(text),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes ? platform::kAnswerYes : platform::kAnswerNo;
}

int QtUi::askOkCancel(std::string_view text) {
  QMessageBox box(QMessageBox::Question, ProductTitle(), ToQ(text),
                  QMessageBox::Ok | QMessageBox::Cancel, parent_);
  box.setDefaultButton(QMessageBox::Cancel);  // agreeing takes a deliberate choice
  return box.exec() == QMessageBox::Ok ? platform::kAnswerOk : platform::kAnswerCancel;
}

platform::SaveAnswer QtUi::askYesNoCancel(std::string_view text) {
  QMessageBox box(QMessageBox::Warning, ProductTitle(), ToQ(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
  box.setDefaultButton(QMessageBox::Yes);
  switch (box.exec()) {
    case QMessageBox::Yes: return platform::SaveAnswer::Yes;
    case QMessageBox::No: return platform::SaveAnswer::No;
    default: return platform::SaveAnswer::Cancel;  // Cancel, Escape, the close box
  }
}

void QtUi::showProgress(int percent, std::string_view label, std::string_view batchLine) {
  if (!progress_) {
    auto* dialog = new ProgressDialog(parent_, *this);
    dialog->setObjectName(QStringLiteral("progressWindow"));
    dialog->setWindowTitle(ProductTitle());
    dialog->setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(dialog);
    label_ = new QLabel(dialog);
    label_->setMinimumWidth(320);
    bar_ = new QProgressBar(dialog);
    bar_->setRange(0, 100);
    batchLine_ = new QLabel(dialog);
    auto* stop = new QPushButton(QStringLiteral("Stop"), dialog);
    stop->setObjectName(QStringLiteral("stopButton"));
    stop->setDefault(true);
    QObject::connect(stop, &QPushButton::clicked, [this] { requestStop(); });
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addWidget(batchLine_);
    layout->addWidget(stop, 0, Qt::AlignRight);
    progress_ = dialog;
    // A stop left from the previous operation must not end this one.
    stopRequested_ = false;
  }
  label_->setText(ToQ(label));
  bar_->setValue(std::clamp(percent, 0, 100));
  batchLine_->setText(ToQ(batchLine));
  batchLine_->setVisible(!batchLine.empty());
  if (!progress_->isVisible()) progress_->show();
}

void QtUi::closeProgress() {
  if (!progress_) return;
  progress_->hide();
  progress_->deleteLater();
  progress_ = nullptr;
  // The keys belong to the main window again.
  if (parent_) parent_->activateWindow();
}

bool QtUi::drainEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  const bool stop = stopRequested_;
  stopRequested_ = false;
  return stop;
}

std::uint32_t QtUi::tickCount() { return std::uint32_t(clock_.elapsed()); }

std::tm QtUi::localTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

void QtUi::beep() { QApplication::beep(); }

}  // namespace vl::gui
