// Acquire: a page scanned from a device of the Acquire menu becomes a new untitled document.
// The dialog asks for the resolution and the mode the device offers; the page is kept as a PNM
// file in the scratch folder and read by the PNM reader, so an acquired image is loaded
// exactly as an opened one.
#pragma once

#include <QDialog>

#include "app/command_set.h"
#include "app/gui/scanner.h"

class QComboBox;
class QSpinBox;

namespace vl::gui {

class AcquireDialog : public QDialog {
  Q_OBJECT
 public:
  AcquireDialog(const ScanDevice& device, const ScanOffer& offer, QWidget* parent = nullptr);
  ScanRequest request() const;
  // Sets the fields as the user would (a mode the device lacks is ignored).
  void setRequest(const ScanRequest& request);
  QComboBox* modeField() const { return mode_; }
  QSpinBox* dpiField() const { return dpi_; }
  QComboBox* dpiListField() const { return dpiList_; }

 private:
  QComboBox* mode_;
  QSpinBox* dpi_ = nullptr;       // a range of resolutions
  QComboBox* dpiList_ = nullptr;  // a list of them
};

enum class AcquireResult {
  kAcquired,   // the page is the new document
  kCancelled,  // the dialog or a save prompt was cancelled, or the scan stopped
  kInvalid,    // the device failed or is gone: "Invalid Acquire resource." was shown
  kNotOpened,  // the page was scanned but could not be read (the reader said why)
};

// Opens `device`, asks for the request (`choose` shows the dialog; false cancels), scans with
// the progress window, runs the save prompts and opens the page as the untitled document. A
// failure before the prompts leaves the document as it was.
[[nodiscard]] AcquireResult AcquirePage(
    app::CommandContext& ctx, Scanner& scanner, const ScanDevice& device,
    const std::function<bool(const ScanOffer&, ScanRequest&)>& choose);

}  // namespace vl::gui
