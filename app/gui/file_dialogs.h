// The open, Save Art As and Save Pixel Image As dialogs of the window, built from the format
// tables the command line uses, so both front ends offer the same formats under the same names.
#pragma once

#include <QString>
#include <QStringList>

#include "app/command_set.h"

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
