// Scanners behind a small interface: the devices found when the window starts, and one page
// scanned from one of them at the resolution and mode the user picked. The SANE backend
// (sane_scanner.cpp) is the real one; a build without SANE has a scanner with no devices, so
// the Acquire menu stays empty. Nothing here includes Qt: the page comes back as plain rows.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vl::gui {

struct ScanDevice {
  std::string name;   // what the backend opens it by
  std::string label;  // vendor and model, for the menu
};

// What an opened device offers the acquire dialog.
struct ScanOffer {
  std::vector<std::string> modes;  // the device's own names ("Lineart", "Gray", "Color", ...)
  std::string mode;                // the mode set now
  int minDpi = 1;                  // resolution range, pixels per inch
  int maxDpi = 1200;
  std::vector<int> dpiList;        // when the device offers a list instead of a range
  int dpi = 100;                   // the resolution set now
};

struct ScanRequest {
  std::string mode;
  int dpi = 100;  // pixels per inch
};

// One scanned page, top row first. Bilevel rows hold 1 bit per pixel, most significant bit
// leftmost, 1 = black; gray rows 1 byte (0 = black); colour rows red, green and blue bytes.
struct ScanPage {
  enum class Kind { kBilevel, kGray, kColor };
  Kind kind = Kind::kGray;
  std::int32_t width = 0;     // pixels
  std::int32_t height = 0;    // pixels
  std::int32_t rowBytes = 0;  // bytes of one row in `pixels`
  double dpi = 0.0;           // pixels per inch, both directions
  std::vector<std::uint8_t> pixels;
};

enum class ScanStatus { kScanned, kFailed, kStopped };

// Told the percentage done (0..100) now and then; false asks the scan to stop.
using ScanProgress = std::function<bool(int percent)>;

class ScanSession {
 public:
  virtual ~ScanSession() = default;
  virtual ScanOffer offer() const = 0;
  // Sets the request's mode and resolution and scans one page into `page`. kFailed when the
  // device refused an option, failed or delivered a page that is not a complete picture.
  [[nodiscard]] virtual ScanStatus scan(const ScanRequest& request, const ScanProgress& progress,
                                        ScanPage& page) = 0;
};

class Scanner {
 public:
  virtual ~Scanner() = default;
  virtual std::vector<ScanDevice> devices() const = 0;
  // Null when the device cannot be opened (gone, busy, unplugged).
  virtual std::unique_ptr<ScanSession> open(const std::string& name) = 0;
};

// The SANE scanner: SANE is set up and its devices listed here, and left when it goes. Without
// SANE in the build, a scanner with no devices.
std::unique_ptr<Scanner> MakeSaneScanner();

// The page as a PBM (bilevel), PGM (gray) or PPM (colour) file image; empty when the page's
// sizes and pixel bytes do not agree.
std::string PageAsPnm(const ScanPage& page);

}  // namespace vl::gui
