// Qt file dialogs over the program's format tables.
#include "app/gui/file_dialogs.h"

#include <QFileDialog>

#include "app/art_format_names.h"
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
    {"TIFF (*.tif *.tiff)", image::kPixelSaveTiff},
    {"RVX (*.rvx)", image::kPixelSaveRvx3},
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

bool QtDocumentDialogs::choosePixelImageFile(std::string& path, int& pixelFormat) {
  QStringList filters;
  for (const PixelChoice& c : kPixelChoices) filters << QString::fromUtf8(c.filter);
  QString selected = filters.first();
  const QString chosen = QFileDialog::getSaveFileName(
      parent_, QStringLiteral("Save Pixel Image As"), QString::fromStdString(path),
      filters.join(QStringLiteral(";;")), &selected);
  if (chosen.isEmpty()) return false;
  path = chosen.toStdString();
  pixelFormat = platform::HasExtension(path, ".rvx") ? image::kPixelSaveRvx3
                : platform::HasExtension(path, ".tif") || platform::HasExtension(path, ".tiff")
                    ? image::kPixelSaveTiff
                    : kPixelChoices[std::max<qsizetype>(0, filters.indexOf(selected))].format;
  return true;
}

}  // namespace vl::gui
