// A shell for the command tests: a program record with a scripted headless interface, the
// document, file dialogs that answer from a script and note what they were offered, and a
// scanned drawing on disk.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/command_set.h"
#include "app/document_names.h"
#include "platform/headless_ui.h"
#include "settings/settings_defaults.h"
#include "tests/app/app_fixtures.h"

namespace vl::app::test {

// Drains on every abort poll (its clock moves 100 ms per reading) and can run one action at
// the next drain, as if the user acted while a long operation runs.
class ShellUi : public platform::HeadlessUi {
 public:
  ShellUi() : HeadlessUi(nullptr) { useManualClock(0); }
  std::uint32_t tickCount() override {
    advanceClock(100);
    return HeadlessUi::tickCount();
  }
  bool drainEvents() override {
    if (atNextDrain) {
      auto action = std::move(atNextDrain);
      atNextDrain = nullptr;
      action();
    }
    return HeadlessUi::drainEvents();
  }
  std::function<void()> atNextDrain;
};

class ScriptedDialogs : public DocumentDialogs {
 public:
  bool chooseImageFile(std::string& path) override {
    ++imageDialogs;
    if (!imageFile) return false;
    path = *imageFile;
    return true;
  }
  bool chooseArtFile(std::string& path, ArtFormat& format) override {
    ++artDialogs;
    proposedArt = path;
    proposedFormat = format;
    if (!artFile) return false;
    path = *artFile;
    format = artFormat;
    return true;
  }
  bool choosePixelImageFile(std::string& path, int& pixelFormat) override {
    ++pixelDialogs;
    proposedPixel = path;
    if (!pixelFile) return false;
    path = *pixelFile;
    pixelFormat = pixelFileFormat;
    return true;
  }

  // Answers: a path (OK) or nothing (Cancel).
  std::optional<std::string> imageFile, artFile, pixelFile;
  ArtFormat artFormat;
  int pixelFileFormat = 3;
  // What the dialogs were started on, and how often they ran.
  std::string proposedArt, proposedPixel;
  ArtFormat proposedFormat;
  int imageDialogs = 0, artDialogs = 0, pixelDialogs = 0;
};

struct Shell {
  TempDir dir;
  ShellUi* ui = nullptr;
  Program program{TakeUi(ui), dir.path};
  Document doc;
  ScriptedDialogs dialogs;
  CommandContext ctx{program, doc, dialogs};
  std::string scan = dir / "scan.tif";

  // Two 40-pixel squares.
  Shell() {
    settings::setConversionDefaults(program.activeSettings);
    EXPECT_TRUE(WriteBilevelTiff(scan, 120, 60, Squares(2, 40)));
  }

  bool run(std::uint16_t command) { return RunCommand(ctx, PackCommand(command)); }
  // Opens the scan at its actual size, so the title shows "<100%>".
  bool openScan() {
    dialogs.imageFile = scan;
    run(kCommandOpen);
    program.image.zoomX = ActualSizeZoom(program.image.xResolution);
    return doc.imageOpen;
  }
  bool openAndConvert() {
    if (!openScan()) return false;
    run(kCommandConvert);
    return program.artwork.count > 0;
  }
  const std::vector<std::string>& questions() const { return ui->questions(); }

 private:
  static std::unique_ptr<platform::UserInterface> TakeUi(ShellUi*& out) {
    auto ui = std::make_unique<ShellUi>();
    out = ui.get();
    return ui;
  }
};

}  // namespace vl::app::test
