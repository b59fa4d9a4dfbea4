// Qt file dialogs over the program's format tables.
#include "app/gui/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <memory>

#include "app/art_format_names.h"
#include "app/document_actions.h"
#include "app/document_names.h"
#include "image/input_dispatch.h"
#include "image/save_pixel_image.h"
#include "platform/file_names.h"

namespace vl::gui {

namespace {

struct PixelChoice {
  const char* filter;
  int format;
};
constexpr PixelChoice kPixelChoices[] = {
    {"Rastelvox (*.rvx)", image::kPixelSaveRvx3},
    {"TIFF (*.tif)", image::kPixelSaveTiff},
};

QString Upper(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())).toUpper(); }

// The rows of the art format table that the dialog offers: those with an extension.
std::vector<const app::ArtFormatName*> OfferedRows() {
  std::vector<const app::ArtFormatName*> rows;
  for (const app::ArtFormatName& row : app::kArtFormatNames)
    if (!row.extension.empty()) rows.push_back(&row);
  return rows;
}

}  // namespace

QStringList ImageFileFilters() {
  QStringList patterns;
  for (const image::InputExtension& e : image::kInputExtensions)
    patterns << QStringLiteral("*") + QString::fromUtf8(e.extension.data(), qsizetype(e.extension.size()));
  patterns << QStringLiteral("*.tiff");
  return {QStringLiteral("Images (%1)").arg(patterns.join(' ')), QStringLiteral("All files (*)")};
}

QStringList ArtFileFilters() {
  QStringList filters;
  for (const app::ArtFormatName* row : OfferedRows()) {
    const QString ext = QString::fromUtf8(row->extension.data(), qsizetype(row->extension.size()));
    filters << QStringLiteral("%1 (*%2)").arg(Upper(row->name), ext);
  }
  return filters;
}

app::ArtFormat ArtFormatForChoice(int filterIndex, const std::string& path) {
  if (const app::ArtFormatName* named = app::ArtFormatNameForPath(path))
    return app::FormatForRow(*named, true);
  const auto rows = OfferedRows();
  const auto* row = rows[std::size_t(std::clamp<int>(filterIndex, 0, int(rows.size()) - 1))];
  return app::FormatForRow(*row, true);
}

int ArtFilterIndexFor(const app::ArtFormat& format) {
  const auto rows = OfferedRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (app::FormatColumn(app::FormatForRow(*rows[i], true)) != app::FormatColumn(format)) continue;
    // GQ5 appears twice: with the header (EPS) and plain (GQ).
    if (!format.svg && !format.pdf && format.format == art::kFormatGq5 &&
        (rows[i]->preview == app::PreviewRule::kNone) != (format.preview == art::kPreviewNone))
      continue;
    return int(i);
  }
  return 0;
}

bool QtDocumentDialogs::chooseImageFile(std::string& path) {
  const QString chosen = QFileDialog::getOpenFileName(parent_, QStringLiteral("Open"), QString(),
                                                      ImageFileFilters().join(QStringLiteral(";;")));
  if (chosen.isEmpty()) return false;
  path = chosen.toStdString();
  return true;
}

bool QtDocumentDialogs::chooseArtFile(std::string& path, app::ArtFormat& format) {
  const QStringList filters = ArtFileFilters();
  QString selected = filters.value(ArtFilterIndexFor(format));
  // The proposal carries the extension of the proposed format.
  std::string proposal = path;
  const auto rows = OfferedRows();
  const int index = ArtFilterIndexFor(format);
  proposal = app::ReplaceExtension(proposal, rows[std::size_t(index)]->extension);
  const QString chosen = QFileDialog::getSaveFileName(parent_, QStringLiteral("Save Art As"),
                                                      QString::fromStdString(proposal),
                                                      filters.join(QStringLiteral(";;")), &selected);
  if (chosen.isEmpty()) return false;
  path = chosen.toStdString();
  format = ArtFormatForChoice(int(filters.indexOf(selected)), path);
  return true;
}

QFileDialog* NewPixelImageDialog(QWidget* parent, const std::string& path, int pixelFormat) {
  auto* dialog = new QFileDialog(parent, QStringLiteral("Save Pixel Image As"));
  // Qt's own dialog: the name field must be reachable when the filter changes.
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  QStringList filters;
  for (const PixelChoice& c : kPixelChoices) filters << QString::fromUtf8(c.filter);
  dialog->setNameFilters(filters);
  dialog->selectNameFilter(filters.value(pixelFormat == image::kPixelSaveTiff ? 1 : 0));
  // In the image's own folder, wherever the program was started.
  dialog->selectFile(QFileInfo(QString::fromStdString(app::PixelImageName(path, pixelFormat)))
                         .absoluteFilePath());
  // Another file type renames the proposal to match it.
  QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name || name->text().isEmpty()) return;
    name->setText(QString::fromStdString(
        app::PixelImageName(name->text().toStdString(), PixelFormatOfFilter(filter))));
  });
  return dialog;
}

int PixelFormatOfFilter(const QString& filter) {
  for (const PixelChoice& c : kPixelChoices)
    if (filter == QString::fromUtf8(c.filter)) return c.format;
  return image::kPixelSaveRvx3;
}

bool ChosenPixelImage(const QFileDialog& dialog, std::string& path, int& pixelFormat) {
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.first().isEmpty()) return false;
  path = files.first().toStdString();
  // The file type chosen decides the format, whatever the name ends in.
  pixelFormat = PixelFormatOfFilter(dialog.selectedNameFilter());
  return true;
}

bool QtDocumentDialogs::choosePixelImageFile(std::string& path, int& pixelFormat) {
  const std::unique_ptr<QFileDialog> dialog(NewPixelImageDialog(parent_, path, pixelFormat));
  return dialog->exec() == QDialog::Accepted && ChosenPixelImage(*dialog, path, pixelFormat);
}

}  // namespace vl::gui
