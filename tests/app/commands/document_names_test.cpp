// Document names and the window title.
#include <gtest/gtest.h>

#include "app/document_names.h"

namespace vl::app {
namespace {

TEST(DocumentNames, ArtTakesTheImageNameWithTheArtExtension) {
  EXPECT_EQ(UntitledArtName("scan.tif"), "scan.art");
  EXPECT_EQ(UntitledArtName("/home/ada/scans/page.1.TIF"), "/home/ada/scans/page.1.art");
  EXPECT_EQ(UntitledArtName("Untitled"), "Untitled.art");
  EXPECT_EQ(UntitledArtName("/data/v1.2/scan"), "/data/v1.2/scan.art");  // not "/data/v1.art"
  EXPECT_EQ(UntitledArtName("/data/.hidden"), "/data/.art");
  EXPECT_EQ(ReplaceExtension("notes.", ".eps"), "notes.eps");
  EXPECT_EQ(FileNamePart("/a/b/c.tif"), "c.tif");
  EXPECT_EQ(FileNamePart("c.tif"), "c.tif");
  EXPECT_EQ(FileNamePart("/a/b/"), "");
}

TEST(DocumentNames, ZoomLabelIsAWholePercentageOfTheActualSize) {
  const std::uint32_t actual = ActualSizeZoom(300.0);
  EXPECT_EQ(actual, 15728u);  // 72 x 65536 / 300 = 15728.64, truncated
  EXPECT_EQ(ActualSizeZoom(72.0), 65536u);
  EXPECT_EQ(ActualSizeZoom(0.0), 0u);

  EXPECT_EQ(ZoomLabel(actual, actual), "<100%>");
  EXPECT_EQ(ZoomLabel(actual * 2 / 3, actual), "<67%>");  // 0.66665 + 0.005 -> 67
  EXPECT_EQ(ZoomLabel(65536, actual), "<417%>");          // 1:1 pixels of a 300 ppi image
  EXPECT_EQ(ZoomLabel(158, actual), "<1%>");  // ratio 0.01005
  EXPECT_EQ(ZoomLabel(157, actual), "");      // ratio 0.00998: no label
  EXPECT_EQ(ZoomLabel(actual * 199 + actual / 2, actual), "<19950%>");
  EXPECT_EQ(ZoomLabel(actual * 200, actual), "");
  EXPECT_EQ(ZoomLabel(65536, 0), "");
}

TEST(DocumentNames, TitleShowsTheArtOnlyWhenThereArePaths) {
  EXPECT_EQ(WindowTitle("/scans/scan.tif", "/scans/scan.art", false, "<100%>"),
            "scan.tif  <100%>");
  EXPECT_EQ(WindowTitle("/scans/scan.tif", "/out/logo.eps", true, "<50%>"),
            "scan.tif - logo.eps  <50%>");
  EXPECT_EQ(WindowTitle("Untitled", "Untitled.art", true, ""), "Untitled - Untitled.art  ");
}

}  // namespace
}  // namespace vl::app
