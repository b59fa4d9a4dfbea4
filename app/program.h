// The program record: every program-wide record of one running Vectorlume, gathered in one
// place. main() creates exactly one; each test creates its own, so no state leaks between them.
// Free functions take the parts they need by reference (runtime() bundles the common ones).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/paint_slot.h"
#include "base/application_state.h"
#include "art/artwork.h"
#include "art/custom_color_table.h"
#include "art/undo.h"
#include "base/conversion_state.h"
#include "base/runtime.h"
#include "engine/fitter_state.h"
#include "engine/thinning_pause.h"
#include "image/pixel_selection.h"
#include "image/raster_image.h"
#include "platform/memory_block.h"
#include "platform/scratch_folder.h"
#include "platform/user_interface.h"
#include "settings/conversion_settings.h"
#include "settings/named_settings.h"
#include "settings/preferences.h"

namespace vl::app {

// The rectangle (pixels, inclusive) that the marquee in new mode or Select All marked. A bilevel
// selection keeps only the ink inside it, so its paper pixels are known from this alone; any
// other selection command forgets it (`marked` false).
struct MarqueeArea {
  bool marked = false;
  std::int32_t left = 0, top = 0, right = -1, bottom = -1;
};

struct Program {
  // The user-interface backend (headless for the terminal and tests, Qt for the window).
  std::unique_ptr<platform::UserInterface> ui;
  platform::MemoryBudget memory;
  std::string scratchFolder;  // this process's scratch folder, ending in '/'

  base::ApplicationState app;
  image::RasterImage image;
  art::Artwork artwork;
  settings::ConversionSettings activeSettings;  // the record in force
  settings::ConversionSettings dialogSettings;  // the working copy the setup dialogs edit
  base::ConversionState conversion;
  engine::ThinningPause thinningPause;  // a conversion waiting in the interactive-thinning pause
  settings::Preferences livePrefs;        // read at start from the configuration folder
  settings::NamedSettings namedSettings;  // always holds "Defaults" once the files were read
  art::UndoSlot undo;          // the one undo step
  image::WandOptions wand;     // the magic wand's tolerance and spread (a preference)
  engine::FitMode fitMode = engine::FitMode::kDefault;  // --fit close: curves refined
  art::CustomColorTable customColors;  // paths painted Custom refer to it by position
  // The current paint style (the Paint Style palette's Swatch): new paint and what Fill paints.
  PaintSlot currentPaint = kBlackPaint;
  MarqueeArea marquee;  // what the last selection command marked, for Fill on a bilevel image

  explicit Program(std::unique_ptr<platform::UserInterface> backend,
                   const std::string& scratchBase = platform::DefaultScratchBase())
      : ui(std::move(backend)), scratchFolder(platform::ProcessScratchFolder(scratchBase)) {}

  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  base::Runtime runtime() { return base::Runtime{*ui, memory, conversion, app, scratchFolder}; }
};

}  // namespace vl::app
