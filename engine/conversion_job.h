// What one Convert command works on, gathered so that the driver's steps and the stage seams
// take one reference: the surroundings, the document (image, art, settings) and what the
// command's steps hand on to each other.
#pragma once

#include "art/art_writer_inputs.h"
#include "art/artwork.h"
#include "engine/fitter_state.h"
#include "engine/label_store.h"
#include "engine/thinning_pause.h"
#include "art/undo.h"
#include "base/runtime.h"
#include "image/raster_image.h"
#include "platform/file_io.h"
#include "platform/memory_block.h"
#include "settings/conversion_constants.h"
#include "settings/conversion_settings.h"

namespace vl::engine {

// The tracer reads the pixel under each shape's start from a copy of the bit layer as it stood
// before tracing (the backup slot of the image), and the bit layer is rebuilt from that copy at
// the end. This records how the copy was made, so that the image gets its own backup (the
// image as loaded) back unchanged afterwards.
struct TracingBackup {
  // With a pixel selection the image's backup holds pixels outside the selection that exist
  // nowhere else: it is set aside here for the conversion and put back at the end.
  bool parked = false;
  platform::Block parkedLayer;
  platform::FileHandle parkedFile = platform::kNoFile;
  bool parkedOnDisk = false;

  bool ownFile = false;   // "memtemp" was created for the copy alone and goes at the end
  bool complete = false;  // the copy holds every row; only then is the bit layer rebuilt from it
  // The image's own backup got the inverted bit layer (White Lines / Reverse Image): it is
  // rewritten from the bit layer once the Convert command has inverted that back.
  bool resync = false;
};

struct ConversionJob {
  ConversionJob(base::Runtime& runtime, image::RasterImage& img, art::Artwork& artwork,
                settings::ConversionSettings& activeSettings,
                settings::ConversionSettings& dialogSettings)
      : rt(runtime), image(img), art(artwork), active(activeSettings), dialog(dialogSettings) {}

  base::Runtime& rt;
  image::RasterImage& image;
  art::Artwork& art;
  settings::ConversionSettings& active;  // the settings in force
  settings::ConversionSettings& dialog;  // the copy the setup dialogs edit
  // The shell's pause record; without one Interactive Thinning is refused.
  ThinningPause* pause = nullptr;
  // The program's undo step, recorded before the conversion discards the art; none when the
  // caller keeps no undo (unit tests of the stages).
  art::UndoSlot* undo = nullptr;
  FitMode fitMode = FitMode::kDefault;  // --fit: how closely curves follow the pixels
  // The Eliminate Hidden Paths preference: a colour conversion removes the paths of earlier
  // conversions that its shapes cover completely.
  bool eliminateHiddenPaths = false;
  // The custom colour table a colour conversion with Use Custom Colors paints from; none
  // leaves every shape its own process colour.
  const art::CustomColorList* customColors = nullptr;
  // How much of a colour conversion's label map stays in memory (the rest goes to "dgtemp").
  LabelPaging labelPaging;

  // Set by the Convert command for the core.
  settings::ConversionConstants constants;
  bool inverted = false;  // the bit layer is inverted for this conversion (White Lines xor Reverse)
  TracingBackup backup;
};

}  // namespace vl::engine
