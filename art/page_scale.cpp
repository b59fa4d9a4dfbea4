// Page geometry of a saved art file.
#include "art/page_scale.h"

namespace vl::art {

PageScale computePageScale(const ArtImageInfo& image, int format) {
  // A resolution of 0 (a file that declares none) would divide by zero: take 72 pixels per
  // inch, one point per pixel, as the readers do for such files.
  double xRes = image.xResolution > 0 ? image.xResolution : 72.0;
  double yRes = image.yResolution > 0 ? image.yResolution : 72.0;
  double sx = 72.0 / xRes;  // points per pixel
  double sy = 72.0 / yRes;
  double limit = format <= 2 ? kOldFormatPageLimitPt : kPageLimitPt;
  // Shrinking one side shrinks the other by the same factor: the art keeps its proportions.
  if (image.paddedWidth > 0 && limit / image.paddedWidth < sx) {
    sy = sy * (limit / image.paddedWidth) / sx;
    sx = limit / image.paddedWidth;
  }
  if (image.height > 0 && limit / image.height < sy) {
    sx = sx * (limit / image.height) / sy;
    sy = limit / image.height;
  }
  double artScale = image.artScale > 0 ? image.artScale : 1.0;
  PageScale page;
  page.xScale = static_cast<std::int64_t>(sx * 655360.0 / artScale);
  page.yScale = static_cast<std::int64_t>(sy * 655360.0 / artScale);
  page.pageWidth = static_cast<int>(image.paddedWidth * sx + 0.9);
  page.pageHeight = static_cast<int>(image.height * sy + 0.9);
  page.artHeight = static_cast<std::int64_t>(image.height * artScale);
  page.pointsPerPixelX = sx;
  page.pointsPerPixelY = sy;
  return page;
}

}  // namespace vl::art
