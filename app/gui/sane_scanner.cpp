// The SANE backend of the scanner interface, and the page as a PNM file image.
#include "app/gui/scanner.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if VL_HAVE_SANE
#include <sane/sane.h>
#include <sane/saneopts.h>
#endif

namespace vl::gui {

std::string PageAsPnm(const ScanPage& page) {
  const int channels = page.kind == ScanPage::Kind::kColor ? 3 : 1;
  const std::int64_t expectRow = page.kind == ScanPage::Kind::kBilevel
                                     ? (std::int64_t(page.width) + 7) / 8
                                     : std::int64_t(page.width) * channels;
  if (page.width <= 0 || page.height <= 0 || page.rowBytes < expectRow ||
      std::int64_t(page.pixels.size()) < std::int64_t(page.rowBytes) * page.height) {
    return {};
  }
  const char* magic = page.kind == ScanPage::Kind::kBilevel ? "P4"
                      : page.kind == ScanPage::Kind::kGray  ? "P5"
                                                            : "P6";
  std::string out = std::string(magic) + "\n" + std::to_string(page.width) + " " +
                    std::to_string(page.height) + "\n";
  if (page.kind != ScanPage::Kind::kBilevel) out += "255\n";
  for (std::int32_t y = 0; y < page.height; ++y) {
    const auto* row = page.pixels.data() + std::size_t(y) * std::size_t(page.rowBytes);
    out.append(reinterpret_cast<const char*>(row), std::size_t(expectRow));
  }
  return out;
}

#if VL_HAVE_SANE

namespace {

// The option of `name`, or -1.
SANE_Int FindOption(SANE_Handle h, const char* name) {
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
    if (!d) return -1;
    if (d->name && std::strcmp(d->name, name) == 0) return i;
  }
}

int ToDpi(const SANE_Option_Descriptor* d, SANE_Word w) {
  return d->type == SANE_TYPE_FIXED ? int(std::lround(SANE_UNFIX(w))) : int(w);
}
SANE_Word FromDpi(const SANE_Option_Descriptor* d, int dpi) {
  return d->type == SANE_TYPE_FIXED ? SANE_FIX(double(dpi)) : SANE_Word(dpi);
}

bool Settable(const SANE_Option_Descriptor* d) {
  return d && SANE_OPTION_IS_ACTIVE(d->cap) && SANE_OPTION_IS_SETTABLE(d->cap);
}

class SaneSession : public ScanSession {
 public:
  explicit SaneSession(SANE_Handle h) : h_(h) {}
  ~SaneSession() override {
    sane_cancel(h_);
    sane_close(h_);
  }

  ScanOffer offer() const override {
    ScanOffer o;
    if (const SANE_Int m = FindOption(h_, SANE_NAME_SCAN_MODE); m > 0) {
      const SANE_Option_Descriptor* d = sane_get_option_descriptor(h_, m);
      if (d->type == SANE_TYPE_STRING && d->constraint_type == SANE_CONSTRAINT_STRING_LIST)
        for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s) o.modes.emplace_back(*s);
      std::vector<char> now(std::size_t(std::max<SANE_Int>(d->size, 1)) + 1, 0);
      if (sane_control_option(h_, m, SANE_ACTION_GET_VALUE, now.data(), nullptr) == SANE_STATUS_GOOD)
        o.mode = now.data();
    }
    if (const SANE_Int r = FindOption(h_, SANE_NAME_SCAN_RESOLUTION); r > 0) {
      const SANE_Option_Descriptor* d = sane_get_option_descriptor(h_, r);
      if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
        o.minDpi = std::max(1, ToDpi(d, d->constraint.range->min));
        o.maxDpi = std::max(o.minDpi, ToDpi(d, d->constraint.range->max));
      } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
        for (SANE_Int i = 1; i <= d->constraint.word_list[0]; ++i)
          o.dpiList.push_back(ToDpi(d, d->constraint.word_list[i]));
      }
      SANE_Word now = 0;
      if (d->size == sizeof(SANE_Word) &&
          sane_control_option(h_, r, SANE_ACTION_GET_VALUE, &now, nullptr) == SANE_STATUS_GOOD)
        o.dpi = ToDpi(d, now);
    }
    return o;
  }

  ScanStatus scan(const ScanRequest& request, const ScanProgress& progress,
                  ScanPage& page) override {
    if (!setOptions(request)) return ScanStatus::kFailed;
    page = ScanPage{};
    page.dpi = request.dpi;
    std::vector<std::uint8_t> red, green, blue;  // the frames of a three-pass colour scan
    for (;;) {
      if (sane_start(h_) != SANE_STATUS_GOOD) return ScanStatus::kFailed;
      SANE_Parameters p{};
      if (sane_get_parameters(h_, &p) != SANE_STATUS_GOOD) return ScanStatus::kFailed;
      std::vector<std::uint8_t> frame;
      const ScanStatus read = readFrame(p, progress, frame);
      if (read != ScanStatus::kScanned) return read;
      if (!takeFrame(p, std::move(frame), page, red, green, blue)) return ScanStatus::kFailed;
      if (p.last_frame) break;
    }
    sane_cancel(h_);
    if (!red.empty() || !green.empty() || !blue.empty()) {
      // Three separate frames: interleaved into one colour page.
      const std::size_t n = std::size_t(page.width) * std::size_t(page.height);
      if (red.size() < n || green.size() < n || blue.size() < n) return ScanStatus::kFailed;
      page.pixels.resize(n * 3);
      for (std::size_t i = 0; i < n; ++i) {
        page.pixels[3 * i] = red[i];
        page.pixels[3 * i + 1] = green[i];
        page.pixels[3 * i + 2] = blue[i];
      }
      page.rowBytes = page.width * 3;
    }
    return PageAsPnm(page).empty() ? ScanStatus::kFailed : ScanStatus::kScanned;
  }

 private:
  bool setOptions(const ScanRequest& request) {
    if (const SANE_Int m = FindOption(h_, SANE_NAME_SCAN_MODE); m > 0 && !request.mode.empty()) {
      const SANE_Option_Descriptor* d = sane_get_option_descriptor(h_, m);
      if (!Settable(d)) return false;
      std::vector<char> value(std::max<std::size_t>(std::size_t(d->size), request.mode.size() + 1), 0);
      std::memcpy(value.data(), request.mode.data(), request.mode.size());
      if (sane_control_option(h_, m, SANE_ACTION_SET_VALUE, value.data(), nullptr) != SANE_STATUS_GOOD)
        return false;
    }
    // Eight bits a sample where the device offers a choice: the readers take no more.
    if (const SANE_Int b = FindOption(h_, SANE_NAME_BIT_DEPTH); b > 0) {
      const SANE_Option_Descriptor* d = sane_get_option_descriptor(h_, b);
      SANE_Word depth = 0;
      if (Settable(d) && sane_control_option(h_, b, SANE_ACTION_GET_VALUE, &depth, nullptr) ==
                             SANE_STATUS_GOOD && depth > 8) {
        SANE_Word eight = 8;
        static_cast<void>(sane_control_option(h_, b, SANE_ACTION_SET_VALUE, &eight, nullptr));
      }
    }
    if (const SANE_Int r = FindOption(h_, SANE_NAME_SCAN_RESOLUTION); r > 0) {
      const SANE_Option_Descriptor* d = sane_get_option_descriptor(h_, r);
      if (!Settable(d) || d->size != sizeof(SANE_Word)) return false;
      SANE_Word value = FromDpi(d, request.dpi);
      if (sane_control_option(h_, r, SANE_ACTION_SET_VALUE, &value, nullptr) != SANE_STATUS_GOOD)
        return false;
      // A device may round the resolution: the page says what it was scanned at.
      SANE_Word now = value;
      if (sane_control_option(h_, r, SANE_ACTION_GET_VALUE, &now, nullptr) == SANE_STATUS_GOOD)
        dpiSet_ = ToDpi(d, now);
    }
    return true;
  }

  ScanStatus readFrame(const SANE_Parameters& p, const ScanProgress& progress,
                       std::vector<std::uint8_t>& frame) {
    // A frame of unknown length (lines < 0) grows until the device ends it.
    const std::int64_t expected =
        p.lines > 0 ? std::int64_t(p.bytes_per_line) * p.lines : std::int64_t(-1);
    constexpr std::int64_t kLimit = std::int64_t(1) << 31;  // 2 GB: no sane page is larger
    if (p.bytes_per_line <= 0 || expected > kLimit) return ScanStatus::kFailed;
    if (expected > 0) frame.reserve(std::size_t(expected));
    std::vector<SANE_Byte> chunk(65536);
    int shown = -1;
    for (;;) {
      SANE_Int got = 0;
      const SANE_Status s = sane_read(h_, chunk.data(), SANE_Int(chunk.size()), &got);
      if (s == SANE_STATUS_EOF) break;
      if (s != SANE_STATUS_GOOD) return ScanStatus::kFailed;
      frame.insert(frame.end(), chunk.begin(), chunk.begin() + got);
      if (std::int64_t(frame.size()) > (expected > 0 ? expected : kLimit)) {
        drainFrame();
        return ScanStatus::kFailed;
      }
      const int percent = expected > 0 ? int(std::int64_t(frame.size()) * 100 / expected) : 0;
      if (percent != shown) {
        shown = percent;
        if (progress && !progress(percent)) {
          drainFrame();
          return ScanStatus::kStopped;
        }
      }
    }
    return ScanStatus::kScanned;
  }

  // Reads what is left of the frame and drops it. Cancelling while the device still delivers
  // stops its reader by force (SANE's test device cancels the reader thread, which can leave a
  // lock of the process held); once the frame was read to its end no reader is left to stop.
  void drainFrame() {
    std::vector<SANE_Byte> chunk(65536);
    SANE_Int got = 0;
    while (sane_read(h_, chunk.data(), SANE_Int(chunk.size()), &got) == SANE_STATUS_GOOD) {
    }
  }

  bool takeFrame(const SANE_Parameters& p, std::vector<std::uint8_t> frame, ScanPage& page,
                 std::vector<std::uint8_t>& red, std::vector<std::uint8_t>& green,
                 std::vector<std::uint8_t>& blue) {
    const std::int32_t lines = p.lines > 0 ? p.lines : std::int32_t(frame.size() / std::size_t(p.bytes_per_line));
    if (lines <= 0 || p.pixels_per_line <= 0 ||
        frame.size() < std::size_t(p.bytes_per_line) * std::size_t(lines))
      return false;
    page.width = p.pixels_per_line;
    page.height = lines;
    if (dpiSet_ > 0) page.dpi = dpiSet_;
    if (p.format == SANE_FRAME_GRAY && p.depth == 1) {
      page.kind = ScanPage::Kind::kBilevel;
    } else if (p.format == SANE_FRAME_GRAY && p.depth == 8) {
      page.kind = ScanPage::Kind::kGray;
    } else if (p.format == SANE_FRAME_RGB && p.depth == 8) {
      page.kind = ScanPage::Kind::kColor;
    } else if (p.depth == 8 && (p.format == SANE_FRAME_RED || p.format == SANE_FRAME_GREEN ||
                                p.format == SANE_FRAME_BLUE)) {
      page.kind = ScanPage::Kind::kColor;
      std::vector<std::uint8_t>& plane = p.format == SANE_FRAME_RED     ? red
                                         : p.format == SANE_FRAME_GREEN ? green
                                                                        : blue;
      plane.resize(std::size_t(page.width) * std::size_t(lines));
      for (std::int32_t y = 0; y < lines; ++y)
        std::memcpy(plane.data() + std::size_t(y) * std::size_t(page.width),
                    frame.data() + std::size_t(y) * std::size_t(p.bytes_per_line), std::size_t(page.width));
      return true;
    } else {
      return false;  // 16-bit samples the device would not give up
    }
    page.rowBytes = p.bytes_per_line;
    page.pixels = std::move(frame);
    return true;
  }

  SANE_Handle h_;
  int dpiSet_ = 0;
};

class SaneScanner : public Scanner {
 public:
  SaneScanner() {
    SANE_Int version = 0;
    ready_ = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
    if (!ready_) return;
    const SANE_Device** list = nullptr;
    if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list) return;
    for (const SANE_Device** d = list; *d; ++d) {
      std::string label = std::string((*d)->vendor ? (*d)->vendor : "") + " " +
                          ((*d)->model ? (*d)->model : "");
      devices_.push_back({(*d)->name ? (*d)->name : "", label + " (" + (*d)->name + ")"});
    }
  }
  ~SaneScanner() override {
    if (ready_) sane_exit();
  }
  std::vector<ScanDevice> devices() const override { return devices_; }
  std::unique_ptr<ScanSession> open(const std::string& name) override {
    SANE_Handle h = nullptr;
    if (!ready_ || sane_open(name.c_str(), &h) != SANE_STATUS_GOOD || !h) return nullptr;
    return std::make_unique<SaneSession>(h);
  }

 private:
  bool ready_ = false;
  std::vector<ScanDevice> devices_;
};

}  // namespace

std::unique_ptr<Scanner> MakeSaneScanner() { return std::make_unique<SaneScanner>(); }

#else

namespace {
class NoScanner : public Scanner {
 public:
  std::vector<ScanDevice> devices() const override { return {}; }
  std::unique_ptr<ScanSession> open(const std::string&) override { return nullptr; }
};
}  // namespace

std::unique_ptr<Scanner> MakeSaneScanner() { return std::make_unique<NoScanner>(); }

#endif

}  // namespace vl::gui
