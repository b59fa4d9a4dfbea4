// What the colour conversion tests share: flat-colour images written as PNM files and a
// conversion rig over them.
#pragma once

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/color_shapes.h"
#include "engine/conversion_driver.h"
#include "image/input_dispatch.h"
#include "settings/settings_defaults.h"
#include "tests/engine/engine_test_runtime.h"

namespace vl::engine::test {

using Pixels = std::vector<std::uint8_t>;
using Paint = std::function<void(int x, int y, std::uint8_t* px)>;

inline std::uint32_t Word(int c, int m, int y, int k) {
  return std::uint32_t(c) | std::uint32_t(m) << 8 | std::uint32_t(y) << 16 | std::uint32_t(k) << 24;
}

// Writes a PGM, PPM or CMYK PAM of w x h pixels painted by `paint`; returns the pixels.
inline Pixels WritePnm(const std::string& path, int w, int h, int spp, const Paint& paint) {
  Pixels px(std::size_t(w) * h * spp);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) paint(x, y, &px[(std::size_t(y) * w + x) * spp]);
  std::ofstream out(path, std::ios::binary);
  if (spp == 4)
    out << "P7\nWIDTH " << w << "\nHEIGHT " << h << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n";
  else
    out << (spp == 1 ? "P5\n" : "P6\n") << w << " " << h << "\n255\n";
  out.write(reinterpret_cast<const char*>(px.data()), std::streamsize(px.size()));
  return px;
}

struct ColorRig {
  TestRuntime env;
  image::RasterImage image;
  art::Artwork art;
  settings::ConversionSettings active, dialog;
  ConversionJob job{env.rt, image, art, active, dialog};

  ColorRig() {
    settings::setConversionDefaults(active);
    settings::setColorDefaults(active);
    active.set(settings::kColorConversion, true);
  }
  ~ColorRig() {
    art::freeArtwork(art);
    image::releaseImage(image, env.rt);
  }
  bool open(const std::string& path) {
    image.inputName = path;
    image::chooseFormatByName(image, path);
    const bool read = image::openInputImage(image, env.rt, false).read();
    env.ui.clearMessages();
    return read;
  }
};

}  // namespace vl::engine::test
