// Document names and the window title.
#include "app/document_names.h"

#include "base/message_table.h"

namespace vl::app {

namespace {

constexpr double kActualSizeScreenPixelsPerInch = 72.0;
constexpr double kZoomUnit = 65536.0;  // 1.0 in 16.16 fixed point
// Outside [kSmallestLabelledRatio, kLargestLabelledRatio) the title shows no zoom.
constexpr double kSmallestLabelledRatio = 0.01;
constexpr double kLargestLabelledRatio = 200.0;

}  // namespace

std::string_view FileNamePart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
  const std::size_t fileStart = path.size() - FileNamePart(path).size();
  const std::size_t dot = path.rfind('.');
  std::string out(path.substr(0, dot != std::string_view::npos && dot >= fileStart ? dot
                                                                                   : path.size()));
  out += extension;
  return out;
}

std::string UntitledArtName(std::string_view imageName) {
  return ReplaceExtension(imageName, msg::Text(msg::kArtExtension));
}

std::uint32_t ActualSizeZoom(double xResolutionPixelsPerInch) {
  if (!(xResolutionPixelsPerInch > 0.0)) return 0;
  const double zoom = kActualSizeScreenPixelsPerInch * kZoomUnit / xResolutionPixelsPerInch;
  return zoom >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(zoom);
}

std::string ZoomLabel(std::uint32_t zoom, std::uint32_t actualSizeZoom) {
  if (actualSizeZoom == 0) return {};
  const double ratio = static_cast<double>(zoom) / actualSizeZoom;
  if (ratio < kSmallestLabelledRatio || ratio >= kLargestLabelledRatio) return {};
  const int percent = static_cast<int>((ratio + 0.005) * 100.0);
  std::string label = "<";
  label += std::to_string(percent);
  label += "%>";
  return label;
}

std::string WindowTitle(std::string_view imageName, std::string_view artName, bool hasPaths,
                        std::string_view zoomLabel) {
  std::string title(FileNamePart(imageName));
  if (hasPaths) {
    title += " - ";
    title += FileNamePart(artName);
  }
  title += "  ";
  title += zoomLabel;
  return title;
}

}  // namespace vl::app
