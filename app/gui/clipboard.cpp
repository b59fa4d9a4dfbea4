// The clipboard commands.
#include "app/gui/clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QPainter>

#include "app/document_actions.h"
#include "art/save_art.h"
#include "art/svg_writer.h"
#include "base/message_table.h"
#include "base/scratch_files.h"
#include "platform/scratch_folder.h"

namespace vl::gui {

namespace {

QByteArray ReadAll(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

}  // namespace

QMimeData* ArtMimeData(app::Program& program, app::Document& doc, CopyResult& result) {
  result = CopyResult::kNothing;
  if (program.artwork.count == 0 || program.artwork.selectedCount == 0) return nullptr;
  base::Runtime rt = program.runtime();
  const art::ArtImageInfo info = app::ArtImageInfoFor(program.image, doc.artName.empty()
                                                                         ? doc.imageName
                                                                         : doc.artName);
  const art::CustomColorList customColors;
  art::SaveArtOptions options;
  options.format = art::kFormatClipboard;
  options.unattended = true;
  options.linesMode = program.activeSettings.linesMode;
  const std::string gqPath = base::ScratchPath(rt, "clptmp");
  const std::string svgPath = base::ScratchPath(rt, "clptmp.svg");
  platform::EnsureFolder(program.scratchFolder);
  bool modified = doc.artModified;  // the clipboard copy leaves the art's state alone
  program.app.clipboardExportActive = true;
  const bool gqWritten = art::saveArt(rt, program.artwork, info, customColors, gqPath, options, modified);
  const bool svgWritten =
      gqWritten && art::SaveSvg(rt, program.artwork, info, customColors, svgPath, true, true);
  program.app.clipboardExportActive = false;
  if (!gqWritten || !svgWritten) {
    result = CopyResult::kFailed;
    return nullptr;
  }
  const QByteArray gq = ReadAll(gqPath), svg = ReadAll(svgPath);
  QFile::remove(QString::fromStdString(gqPath));
  QFile::remove(QString::fromStdString(svgPath));
  if (gq.isEmpty()) {
    result = CopyResult::kFailed;
    return nullptr;
  }
  auto* data = new QMimeData;
  data->setData(kGqMimeType, gq);
  data->setData(kEpsMimeType, gq);  // the clipboard format is GQ5 with its prolog: EPS as well
  data->setData(kSvgMimeType, svg);
  result = CopyResult::kCopied;
  return data;
}

CopyResult CopyArt(app::Program& program, app::Document& doc) {
  CopyResult result;
  if (QMimeData* data = ArtMimeData(program, doc, result))
    QGuiApplication::clipboard()->setMimeData(data);
  return result;
}

bool PasteAsNew(app::CommandContext& ctx) {
  const QImage picture = QGuiApplication::clipboard()->image();
  if (picture.isNull()) {
    ctx.program.ui->showMessage(msg::Text(msg::kClipboardHasNoPicture));
    return false;
  }
  if (!app::RunSavePrompts(ctx)) return false;
  // The picture goes through the PNG reader from a scratch file; the reader may keep reading
  // colour rows from it, so the file lives as long as the document (a later paste unlinks it
  // first: an open handle keeps the old contents).
  platform::EnsureFolder(ctx.program.scratchFolder);
  const std::string path = ctx.program.scratchFolder + "clipimg.png";
  QFile::remove(QString::fromStdString(path));
  // Transparent parts are paper: flattened onto white.
  QImage flat(picture.size(), QImage::Format_RGB32);
  flat.fill(Qt::white);
  {
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
  }
  if (!flat.save(QString::fromStdString(path), "PNG")) {
    ctx.program.ui->showMessage(msg::Text(msg::kClipboardHasNoPicture));
    return false;
  }
  if (!app::OpenDocument(ctx.program, ctx.document, path).read()) return false;
  ctx.document.imageName = std::string(msg::Text(msg::kUntitledName));
  ctx.document.imageUntitled = true;
  ctx.program.image.sourceFormat = image::kSourceClipboard;
  return true;
}

}  // namespace vl::gui
