// The Acquire dialog and the acquired page turned into the document.
#include "app/gui/acquire.h"

#include <QComboBox>
#include <algorithm>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "app/document_actions.h"
#include "base/message_table.h"
#include "platform/scratch_folder.h"

namespace vl::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

AcquireDialog::AcquireDialog(const ScanDevice& device, const ScanOffer& offer, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Acquire"));
  setObjectName(QStringLiteral("acquireDialog"));
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Device:"), new QLabel(Q(device.label)));
  mode_ = new QComboBox;
  mode_->setObjectName(QStringLiteral("mode"));
  for (const std::string& m : offer.modes) mode_->addItem(Q(m));
  if (const int i = mode_->findText(Q(offer.mode)); i >= 0) mode_->setCurrentIndex(i);
  mode_->setEnabled(mode_->count() > 1);
  form->addRow(QStringLiteral("&Mode:"), mode_);
  if (offer.dpiList.empty()) {
    dpi_ = new QSpinBox;
    dpi_->setObjectName(QStringLiteral("resolution"));
    dpi_->setRange(offer.minDpi, offer.maxDpi);
    dpi_->setValue(offer.dpi);
    dpi_->setSuffix(QStringLiteral(" pixels/inch"));
    form->addRow(QStringLiteral("&Resolution:"), dpi_);
  } else {
    dpiList_ = new QComboBox;
    dpiList_->setObjectName(QStringLiteral("resolution"));
    for (int d : offer.dpiList) dpiList_->addItem(QStringLiteral("%1 pixels/inch").arg(d), d);
    if (const int i = dpiList_->findData(offer.dpi); i >= 0) dpiList_->setCurrentIndex(i);
    form->addRow(QStringLiteral("&Resolution:"), dpiList_);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Scan"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
  setLayout(form);
}

ScanRequest AcquireDialog::request() const {
  ScanRequest r;
  r.mode = mode_->currentText().toStdString();
  r.dpi = dpi_ ? dpi_->value() : dpiList_->currentData().toInt();
  return r;
}

void AcquireDialog::setRequest(const ScanRequest& request) {
  if (const int i = mode_->findText(Q(request.mode)); i >= 0) mode_->setCurrentIndex(i);
  if (dpi_) dpi_->setValue(request.dpi);
  else if (const int i = dpiList_->findData(request.dpi); i >= 0) dpiList_->setCurrentIndex(i);
}

AcquireResult AcquirePage(app::CommandContext& ctx,
                          Scanner& scanner, const ScanDevice& device,
                          const std::function<bool(const ScanOffer&, ScanRequest&)>& choose) {
  app::Program& program = ctx.program;
  platform::UserInterface& ui = *program.ui;
  const auto invalid = [&ui] {
    ui.closeProgress();
    ui.showMessage(msg::Text(msg::kInvalidAcquireResource));
    return AcquireResult::kInvalid;
  };
  std::unique_ptr<ScanSession> session = scanner.open(device.name);
  if (!session) return invalid();
  ScanRequest request;
  if (!choose(session->offer(), request)) return AcquireResult::kCancelled;

  ScanPage page;
  const std::string label(msg::Text(msg::kAcquiringLabel));
  const ScanStatus status = session->scan(request, [&](int percent) {
    ui.showProgress(std::max(1, percent), label, "");
    return !ui.drainEvents();
  }, page);
  session.reset();  // the device is free again before the document changes
  ui.closeProgress();
  if (status == ScanStatus::kStopped) return AcquireResult::kCancelled;
  const std::string pnm = status == ScanStatus::kScanned ? PageAsPnm(page) : std::string();
  if (pnm.empty()) return invalid();

  if (!app::RunSavePrompts(ctx)) return AcquireResult::kCancelled;
  // The reader may keep reading colour rows from its file: the file lives as long as the
  // document (the next acquire unlinks it first; an open handle keeps the old contents).
  platform::EnsureFolder(program.scratchFolder);
  const std::string path = program.scratchFolder + "acquire.pnm";
  QFile::remove(Q(path));
  QFile file(Q(path));
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(pnm.data(), qint64(pnm.size())) != qint64(pnm.size()) || !file.flush()) {
    ui.showMessage(msg::Text(msg::kInvalidAcquireResource));
    return AcquireResult::kInvalid;
  }
  file.close();
  if (!app::OpenDocument(program, ctx.document, path).read()) return AcquireResult::kNotOpened;
  ctx.document.imageName = std::string(msg::Text(msg::kUntitledName));
  ctx.document.imageUntitled = true;
  program.image.sourceFormat = image::kSourceAcquire;
  program.image.xResolution = page.dpi;
  program.image.yResolution = page.dpi;
  return AcquireResult::kAcquired;
}

}  // namespace vl::gui
