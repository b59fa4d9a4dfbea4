// Document names and the main window's title text, as plain functions of their inputs so that
// every front end shows the same names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vl::app {

// The file part of a path: everything after the last '/'.
std::string_view FileNamePart(std::string_view path);

// Replaces the extension (from the last '.' of the file part on) with `extension`, or appends it
// when the file part has no '.'. A '.' in a folder name is not an extension.
std::string ReplaceExtension(std::string_view path, std::string_view extension);

// The name of art that has no file of its own yet: the image name with ".art" as extension.
std::string UntitledArtName(std::string_view imageName);

// The zoom factor (16.16 fixed point) that shows the image at its printed size on a screen taken
// as 72 pixels per inch: 72 x 65536 / xResolution, truncated. 0 for a resolution of 0 or less.
std::uint32_t ActualSizeZoom(double xResolutionPixelsPerInch);

// "<%d%>" with the zoom as a whole percentage of the actual size (ratio + 0.005, times 100,
// truncated); empty when the ratio is below 0.01 or at least 200.
std::string ZoomLabel(std::uint32_t zoom, std::uint32_t actualSizeZoom);

// The main window's title: "<image file>  <zoom label>" while there are no paths, else
// "<image file> - <art file>  <zoom label>"; only file parts are shown.
std::string WindowTitle(std::string_view imageName, std::string_view artName, bool hasPaths,
                        std::string_view zoomLabel);

}  // namespace vl::app
