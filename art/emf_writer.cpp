// The metafile writer.
#include "art/emf_writer.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "base/message_table.h"
#include "art/anchor_walk.h"
#include "art/art_path_loop.h"
#include "art/display_color.h"

namespace vl::art {

namespace {

constexpr std::int64_t kFixedOne = 65536;  // 1.0 in 16.16
constexpr std::int64_t kHundredthMmPerInch = 2540;
constexpr std::int64_t kTenthMmPerInch = 254;  // 25.4 mm, kept whole
constexpr double kPenDivisor = 47185920.0;     // 10 tenths x 72 points x 65536
constexpr double kExactLimit = 1e15;           // whole doubles below this divide exactly

bool IsWhole(double v) { return std::fabs(v) < kExactLimit && v == std::trunc(v); }

// numerator / denominator truncated toward zero; exact when the denominator is whole.
std::int64_t Quotient(std::int64_t numerator, double denominator) {
  if (denominator <= 0.0) return 0;
  if (IsWhole(denominator)) return numerator / std::int64_t(denominator);
  return std::int64_t(std::trunc(double(numerator) / denominator));
}

// Hands the recorder's records to the save's output buffer.
class BufferOutput final : public platform::EmfOutput {
 public:
  explicit BufferOutput(OutputBuffer& out) : out_(out) {}
  void write(const void* data, std::size_t bytes) override {
    out_.put(std::string_view(static_cast<const char*>(data), bytes));
  }

 private:
  OutputBuffer& out_;
};

platform::EmfRgb ToEmf(Rgb c) { return {c.r, c.g, c.b}; }

// The screen colour of a paint. White ignores the colour word and Black uses only its black
// ink, as every other writer reads the paint types; the rest go through displayColor.
platform::EmfRgb PaintColor(PaintType type, std::uint32_t packedColor) {
  switch (type) {
    case PaintType::White:
      return {255, 255, 255};
    case PaintType::Black:
      return ToEmf(displayColor(packedColor & 0xFF000000));
    default:
      return ToEmf(displayColor(packedColor));
  }
}

// One metafile being recorded: the recorder and the scale from art units to device pixels.
struct ArtMetafile {
  platform::EmfRecorder& recorder;
  MetafileZoom zoom;
  double yResolution;  // pixels per inch, for pen widths

  platform::EmfPoint Device(std::span<const std::uint16_t> words, std::size_t at) const {
    return {
        MetafileDeviceCoordinate(words[at] & kCoordinateMask, zoom.zoomX, zoom.artScaleShift),
        MetafileDeviceCoordinate(words[at + 1] & kCoordinateMask, zoom.zoomY, zoom.artScaleShift)};
  }

  // BeginPath, a move to the first anchor, LineTo or PolyBezierTo per segment, EndPath.
  void buildDevicePath(std::span<const std::uint16_t> words) const {
    recorder.beginPath();
    recorder.moveTo(Device(words, 0));
    for (std::size_t at = 0;;) {
      const std::size_t next = detail::NextAnchor(words, at);
      if (!detail::HasAnchorAt(words, next)) break;
      if (words[at] & kCurveBit)
        recorder.polyBezierTo(Device(words, at + 2), Device(words, at + 4), Device(words, next));
      else
        recorder.lineTo(Device(words, next));
      at = next;
    }
    recorder.endPath();
  }

  void drawPathPainted(const PathRecord& path) const {
    std::span<const std::uint16_t> words = PointWords(path);
    if (!detail::HasAnchorAt(words, 0)) return;
    const bool fill = !(path.flags & kUnfilled) && path.fillType != PaintType::None;
    const bool stroke = path.strokeType != PaintType::None;
    // A path painted neither way is not drawn: it would otherwise be stroked in a colour
    // that no other rendering of the art shows.
    if (!fill && !stroke) return;
    // The brush and pen are chosen before the path is built: the same for the device, and
    // players that take the paint at the end of the path bracket paint it correctly too.
    const std::int32_t penWidth = MetafilePenWidth(path.strokeWeight, zoom.zoomY, yResolution);
    std::uint32_t brush = 0, pen = 0;
    if (fill) {
      brush = recorder.createSolidBrush(PaintColor(path.fillType, path.fillColor));
      recorder.selectObject(brush);
    }
    if (stroke) {
      pen = recorder.createSolidPen(penWidth, PaintColor(path.strokeType, path.strokeColor));
      recorder.selectObject(pen);
    }
    buildDevicePath(words);
    if (fill && stroke)
      recorder.strokeAndFillPath();
    else if (fill)
      recorder.fillPath();
    else
      recorder.strokePath();
    if (pen != 0) {
      recorder.selectObject(platform::kStockBlackPen);
      recorder.deleteObject(pen);
    }
    if (brush != 0) {
      recorder.selectObject(platform::kStockWhiteBrush);
      recorder.deleteObject(brush);
    }
  }
};

// Puts the completed header back at the start of the file. False when the file cannot seek.
bool RewriteHeader(OutputBuffer& out, platform::FileHandle file,
                   const platform::EmfRecorder& recorder) {
  out.flush();
  if (out.failed()) return true;  // the write failure was reported already
  if (!platform::SeekTo(file, 0)) return false;
  const platform::EmfHeaderBytes header = recorder.header();
  out.writeRaw(header.bytes.data(), header.size);
  return platform::SeekEnd(file);
}

}  // namespace

MetafileZoom ComputeMetafileZoom(const ArtImageInfo& image,
                                 const platform::EmfReferenceDevice& device) {
  MetafileZoom z;
  // pixels x 25.4 / resolution / millimetres, in 16.16: device pixels per image pixel.
  z.zoomX = Quotient(std::int64_t(device.pixels.cx) * kTenthMmPerInch * kFixedOne,
                     10.0 * image.xResolution * device.millimeters.cx);
  z.zoomY = Quotient(std::int64_t(device.pixels.cy) * kTenthMmPerInch * kFixedOne,
                     10.0 * image.yResolution * device.millimeters.cy);
  while (z.artScaleShift < 15 && double(std::int64_t(1) << z.artScaleShift) < image.artScale)
    ++z.artScaleShift;
  return z;
}

platform::EmfRect MetafileFrame(int widthPixels, int heightPixels, double xResolution,
                                double yResolution) {
  return {0, 0,
          std::int32_t(Quotient(std::int64_t(widthPixels) * kHundredthMmPerInch, xResolution)),
          std::int32_t(Quotient(std::int64_t(heightPixels) * kHundredthMmPerInch, yResolution))};
}

std::int32_t MetafileDeviceCoordinate(std::int32_t artValue, std::int64_t zoom, int artScaleShift) {
  // Rounded to the nearest unit, with the zoom's full precision: truncating moved every point
  // up and left by up to a unit.
  const int shift = 16 + artScaleShift;
  return std::int32_t((std::int64_t(artValue) * zoom + (std::int64_t(1) << (shift - 1))) >> shift);
}

std::int32_t MetafilePenWidth(std::uint8_t strokeWeight, std::int64_t zoomY, double yResolution) {
  const double width =
      std::trunc(double(strokeWeight) * double(zoomY) * yResolution / kPenDivisor + 0.5);
  return std::max<std::int32_t>(std::int32_t(width), 1);
}

std::string_view PictureName(std::string_view inputName) {
  const std::size_t cut = inputName.find_last_of("/\\");
  return cut == std::string_view::npos ? inputName : inputName.substr(cut + 1);
}

MetafileResult WriteEmfArt(base::Runtime& rt, OutputBuffer& out, platform::FileHandle file,
                           const Artwork& art, const ArtImageInfo& image,
                           const MetafileSource& source, const platform::EmfReferenceDevice& device,
                           bool unattended, std::string_view progressLabel) {
  BufferOutput output(out);
  platform::EmfRecorder recorder(
      output, device,
      MetafileFrame(source.width, image.height, image.xResolution, image.yResolution),
      kMetafileApplication, PictureName(source.inputName));
  recorder.start();
  // Fills follow the non-zero rule, as in every other rendering of the art; the device
  // context's even-odd default would open holes where a path runs over itself.
  recorder.setPolyFillMode(platform::kFillWinding);
  const ArtMetafile metafile{recorder, ComputeMetafileZoom(image, device), image.yResolution};
  bool headerPlaced = true;
  const bool complete = WritePathsThenEnd(
      rt, out, art, progressLabel, [&](const PathRecord& path) { metafile.drawPathPainted(path); },
      [&] {
        recorder.finish();
        headerPlaced = RewriteHeader(out, file, recorder);
      });
  if (!headerPlaced) {
    base::ShowMessage(rt, unattended ? msg::kScratchDiskFull : msg::kDiskFullOrLocked);
    rt.state.abortRequested = 1;
    return MetafileResult::Failed;
  }
  return complete ? MetafileResult::Complete : MetafileResult::Stopped;
}

}  // namespace vl::art
