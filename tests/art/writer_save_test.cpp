// The save driver: refusals, failures that keep the previous file, stops (GQ and SVG),
// clipboard data, the Long Path Warning; and the custom colour export.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>

#include "art/custom_color_export.h"
#include "art/pdf_writer.h"
#include "tests/support/external_renderers.h"
#include "art/svg_writer.h"
#include "tests/art/writer_test_env.h"

namespace vl::art::test {
namespace {

TEST(WriterSave, RefusalsAndFailuresShowTheirMessageAndKeepThePreviousFile) {
  SaveEnv env;
  env.triangles(3);
  // TIFF previews without a preview writer, an unknown preview kind, an unknown format.
  for (auto [format, preview] : {std::pair{kFormatGq5, kPreviewTiffBw}, {kFormatGq3, 6}, {9, 1}}) {
    EXPECT_TRUE(env.saveLines(format, preview).empty());
    ASSERT_EQ(env.ui.messages().size(), 1u);
    EXPECT_NE(env.ui.messages()[0].find("is not available in this build."), std::string::npos);
    EXPECT_TRUE(env.folder.entries().empty());
    env.ui.clearMessages();
  }
  std::tie(env.options.format, env.options.preview) = std::tuple(kFormatGq5, kPreviewHeader);
  EXPECT_FALSE(env.save(env.folder.path + "missing-folder/art.eps"));
  EXPECT_EQ(env.ui.messages(), Only(msg::kDiskFullOrLocked));
  // A device that is always full: written in place (never replaced, never deleted).
  env.ui.clearMessages();
  EXPECT_FALSE(env.save("/dev/full"));
  EXPECT_EQ(env.ui.messages(), Only(msg::kDiskFullOrLocked));
  EXPECT_EQ(env.state.abortRequested, 1);  // the error flag stops the rest of the operation
  struct stat info {};
  EXPECT_TRUE(stat("/dev/full", &info) == 0 && S_ISCHR(info.st_mode));
  env.ui.clearMessages();  // writing clipboard data, the scratch disk is to blame
  env.options.unattended = true;
  EXPECT_FALSE(env.save("/dev/full"));
  EXPECT_EQ(env.ui.messages(), Only(msg::kScratchDiskFull));
  // Saving over a file keeps its permissions; a save that fails after 1000 bytes (a file size
  // limit makes the writes come up short) keeps its content, and leaves no temporary file.
  env.ui.clearMessages();
  env.options.unattended = false;
  const std::string path = env.folder.path + "art.eps";
  ASSERT_TRUE(env.save(path) && chmod(path.c_str(), 0640) == 0 && env.save(path));
  EXPECT_TRUE(stat(path.c_str(), &info) == 0 && (info.st_mode & 0777) == 0640);
  const std::string previous = ReadWholeFile(path);
  ASSERT_GT(previous.size(), 1000u);
  env.triangles(40);
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small {1000, old.rlim_max};
  sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const bool saved = env.save(path);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(saved);
  EXPECT_EQ(env.ui.messages(), Only(msg::kDiskFullOrLocked));
  EXPECT_TRUE(env.modified);
  EXPECT_EQ(ReadWholeFile(path), previous);
  EXPECT_EQ(env.folder.entries(), Lines{"art.eps"});
}

TEST(WriterSave, StoppedSavesEndTheFileProperlyAndLeaveTheArtModified) {
  SaveEnv env;
  env.triangles(3);
  env.ui.requestAbort();  // Stop pressed: seen by the poll before the first path
  EXPECT_TRUE(env.saveLines(kFormatGq5, kPreviewHeader).empty());
  EXPECT_TRUE(env.ui.messages().empty());
  EXPECT_TRUE(env.modified);
  Lines lines = SplitLines(ReadWholeFile(env.folder.path + "out.eps"));
  EXPECT_EQ(lines.empty() ? "" : lines.back(), "%%EOF");  // the trailer is written
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "f"), 0);  // no path made it
  // A stop left from an earlier command is forgotten; with no stamp, the system's user is named.
  env.options.stamp = nullptr;
  lines = env.saveLines(kFormatGq5, kPreviewHeader);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "f"), 3);
  EXPECT_EQ(lines.at(2).rfind("%%For: (", 0), 0u);
  // SVG: the stopped file is closed properly without a path, and the stop is reported.
  SaveEnv svg;
  // Pixels to three decimals, halves to even (3.0625); anchors truncated to 1/256 pixel.
  svg.paint(PaintType::Black, PaintType::None);
  svg.linePath({{1.25, 2.5}, {3.0625, 1}, {63.999, 47.004}, {1.25, 2.5}});
  const std::string path = svg.folder.path + "out.svg";
  svg.ui.requestAbort();
  EXPECT_FALSE(SaveSvg(svg.rt, svg.art, svg.image, svg.colors, path, false));
  EXPECT_EQ(svg.rt.state.abortRequested, 1);
  const std::string stopped = ReadWholeFile(path);
  EXPECT_TRUE(stopped.ends_with("</svg>\n")) << stopped;
  EXPECT_EQ(stopped.find("<path"), std::string::npos);
  EXPECT_TRUE(svg.ui.messages().empty());
  ASSERT_TRUE(SaveSvg(svg.rt, svg.art, svg.image, svg.colors, path, false));
  EXPECT_NE(ReadWholeFile(path).find("d=\"M1.25 2.5 L3.062 1 L63.996 47.004 L1.25 2.5 Z\""),
            std::string::npos);
  // The clipboard's copy holds the selected paths only.
  svg.linePath({{5, 5}, {9, 5}, {9, 9}, {5, 5}});
  svg.art.paths[1].flags |= kSelected;
  ASSERT_TRUE(SaveSvg(svg.rt, svg.art, svg.image, svg.colors, path, true, true));
  const std::string selected = ReadWholeFile(path);
  EXPECT_EQ(selected.find("<path"), selected.rfind("<path"));
  EXPECT_NE(selected.find("d=\"M5 5 L9 5"), std::string::npos) << selected;
}

// PDF: the page of the EPS, a stopped save still a complete document, a file that cannot be
// made shows message 12 and leaves the previous file alone.
TEST(WriterSave, PdfPageStopAndFailure) {
  SaveEnv env;  // 64 x 48 pixels at 72 pixels per inch: a page of 64 x 48 points
  env.paint(PaintType::Black, PaintType::None);
  env.linePath({{1, 1}, {30, 1}, {30, 20}, {1, 1}});
  const std::string path = env.folder.path + "out.pdf";
  ASSERT_TRUE(SavePdf(env.rt, env.art, env.image, env.colors, path, false));
  const std::string whole = ReadWholeFile(path);
  EXPECT_TRUE(whole.starts_with("%PDF-")) << whole.substr(0, 20);
  EXPECT_NE(whole.find("/MediaBox [ 0 0 64 48 ]"), std::string::npos);
  EXPECT_TRUE(whole.ends_with("%%EOF\n"));
  env.state.drainedOnce = false;  // the next poll looks at the interface at once
  env.ui.requestAbort();
  EXPECT_FALSE(SavePdf(env.rt, env.art, env.image, env.colors, path, false));
  EXPECT_EQ(env.rt.state.abortRequested, 1);
  const std::string stopped = ReadWholeFile(path);
  EXPECT_TRUE(stopped.ends_with("%%EOF\n"));
  EXPECT_LT(stopped.size(), whole.size());  // no path drawn
  EXPECT_TRUE(env.ui.messages().empty());
  env.rt.state.abortRequested = 0;
  EXPECT_FALSE(SavePdf(env.rt, env.art, env.image, env.colors,
                       env.folder.path + "no/such/folder.pdf", false));
  EXPECT_EQ(env.ui.messages(), Only(msg::kDiskFullOrLocked));
  EXPECT_EQ(ReadWholeFile(path), stopped);
  // A stroke of weight 0 is the thinnest line, as in the EPS: not left out.
  if (!test_support::ToolAvailable("gs")) return;
  SaveEnv thin;
  thin.paint(PaintType::None, PaintType::Black, kBlackColor, 0.0);
  thin.linePath({{10, 20.5}, {50, 20.5}});
  ASSERT_TRUE(SavePdf(thin.rt, thin.art, thin.image, thin.colors, path, false));
  const std::optional<test_support::GrayImage> shown = test_support::RenderEpsWithGhostscript(
      path, 64, 48, 1.0, 1.0, thin.folder.path);
  ASSERT_TRUE(shown.has_value());
  EXPECT_LT(shown->at(30, 20), 128);
  EXPECT_EQ(shown->at(30, 10), 255);
}

TEST(WriterSave, ClipboardDataAndTheLongPathWarning) {
  SaveEnv env;
  env.triangles(100);
  for (int i = 0; i < 100; i += 2) env.art.paths[i].flags |= kSelected;
  env.art.selectedCount = 50;
  env.options.unattended = true;
  // Clipboard data always carries the prolog and holds the selected paths, with progress.
  const Lines lines = env.saveLines(kFormatClipboard, kPreviewTiffBw);
  EXPECT_EQ(lines.at(0), "%!PS-Adobe-3.0 EPSF-3.0");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "f"), 50);
  EXPECT_EQ(env.ui.progressUpdates(), 50);  // one per path written
  EXPECT_TRUE(env.modified);  // clipboard data leaves the document's state alone

  // A path of 1500 anchors, counting the move, brings the warning after an interactive save.
  SaveEnv longPath;
  ASSERT_TRUE(longPath.stepPath(1499));
  ASSERT_FALSE(longPath.saveLines(kFormatGq5, kPreviewNone).empty());
  ASSERT_TRUE(longPath.lineTo({0, 0}));
  longPath.app.batchRunning = true;
  ASSERT_FALSE(longPath.saveLines(kFormatGq5, kPreviewNone).empty());
  EXPECT_TRUE(longPath.ui.messages().empty());
  longPath.app.batchRunning = false;
  ASSERT_FALSE(longPath.saveLines(kFormatGq5, kPreviewNone).empty());
  ASSERT_EQ(longPath.ui.messages().size(), 1u);
  EXPECT_EQ(SplitLines(longPath.ui.messages()[0], "\n").at(0),
            "One or more of the paths output by Morvo Vectorlume has");
}

TEST(WriterExport, CustomColourFileListsTheColoursWithCrLf) {
  SaveEnv env;
  env.colors = {{"Red", 0, 255, 255, 0, true}, {"Blue", 255, 128, 0, 0, false},
                {"Ink", 0, 0, 0, 13, true}};
  std::string path = env.folder.path + "Default Custom Colors";
  ASSERT_TRUE(exportCustomColors(env.rt, path, env.colors, false));
  std::string text = ReadWholeFile(path);
  const Lines expected = {
      "%!PS-Adobe-3.0", "%%BoundingBox: 0 0 0 0", "%GQ3_ColorUsage: Color",
      "%%CMYKCustomColor: 0 1 1 0 (Red)", "%%+ 1 0.5 0 0 (Blue)", "%%+ 0 0 0 0.05 (Ink)",
      "%%EndComments", "%%BeginProlog", "%%IncludeResource: procset Morvo_packedarray 2.0 0",
      "%%IncludeResource: procset Morvo_cmykcolor 1.1 0",
      "%%IncludeResource: procset Morvo_cshow 1.1 0",
      "%%IncludeResource: procset Morvo_customcolor 1.0 0",
      "%%IncludeResource: procset Morvo_GraphiquantA_GQ3 1.0 0", "%%EndProlog", "%%BeginSetup",
      "%%EndSetup", "1 g", "0 0 m", "100 100 l", "f", "%%PageTrailer",
      "gsave annotatepage grestore showpage", "%%Trailer",
      "Morvo_Graphiquant_GQ3 /terminate get exec", "Morvo_pattern_GQ3 /terminate get exec",
      "Morvo_customcolor /terminate get exec", "Morvo_cshow /terminate get exec",
      "Morvo_cmykcolor /terminate get exec", "Morvo_packedarray /terminate get exec", "%%EOF"};
  EXPECT_EQ(SplitLines(text, "\r\n"), expected);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), long(expected.size()));  // no bare LF
  EXPECT_FALSE(exportCustomColors(env.rt, env.folder.path + "no/such/file", env.colors, false));
  EXPECT_EQ(env.ui.messages(), Only(msg::kCantExportColors));
}

}  // namespace
}  // namespace vl::art::test
