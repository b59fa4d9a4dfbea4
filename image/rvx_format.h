// The RVX layered raster format as this program reads and writes it: the numbers both sides
// agree on. All numbers in the file are big-endian.
#pragma once

#include <cstdint>

namespace vl::image::rvx {

constexpr char kSignature[4] = {'R', 'V', 'X', 'F'};
constexpr std::uint16_t kVersion = 1;
constexpr int kReservedBytes = 6;
// Signature, version, reserved, channels, rows, columns, depth, colour mode.
constexpr int kHeaderBytes = 26;

// Colour modes. Higher ones (HSL, HSB, multichannel, duotone) are not supported.
constexpr std::uint16_t kModeBitmap = 0;
constexpr std::uint16_t kModeGray = 1;
constexpr std::uint16_t kModeIndexed = 2;
constexpr std::uint16_t kModeRgb = 3;
constexpr std::uint16_t kModeCmyk = 4;

constexpr std::uint32_t kColorTableBytes = 768;  // 256 red, then 256 green, then 256 blue

// The resolution resource: a block of this signature and id with 16 bytes of data.
constexpr char kResourceSignature[4] = {'R', 'V', 'X', 'R'};
constexpr std::uint16_t kResolutionResourceId = 1005;
constexpr std::uint32_t kResolutionDataBytes = 16;
// Signature, id, the empty name (length byte and pad), data length.
constexpr std::uint32_t kResolutionBlockBytes = 4 + 2 + 2 + 4 + kResolutionDataBytes;
// A block's fixed part besides its name: signature, id, name length byte, data length.
constexpr std::uint32_t kResourceBlockFixedBytes = 11;

constexpr double kDefaultResolution = 72.0;  // pixels per inch without the resource
constexpr double kFixedOne = 65536.0;        // 16.16 fixed point

constexpr std::uint16_t kCompressionRaw = 0;
constexpr std::uint16_t kCompressionPackBits = 1;

}  // namespace vl::image::rvx
