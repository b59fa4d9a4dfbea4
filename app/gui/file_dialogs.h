// The open, Save Art As and Save Pixel Image As dialogs of the window, built from the format
// tables the command line uses, so both front ends offer the same formats under the same names.
#pragma once

#include <QString>
#include <QStringList>

#include "app/command_set.h"

class QFileDialog;
class QWidget;

namespace vl::gui {

// The open dialog's filter: every extension the input dispatch knows, then "All files".
QStringList ImageFileFilters();
// The Save Art As filters, one per art format with an extension, in the command line's order.
QStringList ArtFileFilters();
// The art format of the filter at `index` of ArtFileFilters(); the chosen name's extension wins
// when it names a format of its own.
app::ArtFormat ArtFormatForChoice(int filterIndex, const std::string& path);
// The filter index that proposes `format`.
int ArtFilterIndexFor(const app::ArtFormat& format);

// The Save Pixel Image As dialog, not yet shown: the filters "Rastelvox (*.rvx)" and
// "TIFF (*.tif)", the one of `pixelFormat` chosen, the name proposed with its extension; choosing
// the other filter gives the typed name that filter's extension.
QFileDialog* NewPixelImageDialog(QWidget* parent, const std::string& path, int pixelFormat);
// The pixel save format of a filter of that dialog.
int PixelFormatOfFilter(const QString& filter);
// What the dialog was left holding: the file and the format of the chosen filter. False without
// a name.
bool ChosenPixelImage(const QFileDialog& dialog, std::string& path, int& pixelFormat);

class QtDocumentDialogs : public app::DocumentDialogs {
 public:
  explicit QtDocumentDialogs(QWidget* parent) : parent_(parent) {}
  bool chooseImageFile(std::string& path) override;
  bool chooseArtFile(std::string& path, app::ArtFormat& format) override;
  bool choosePixelImageFile(std::string& path, int& pixelFormat) override;

 private:
  QWidget* parent_;
};

}  // namespace vl::gui
