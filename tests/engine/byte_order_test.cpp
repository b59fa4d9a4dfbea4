// Byte order helpers, including the checked loads that readers use on untrusted buffers.
#include "engine/byte_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace vl::engine {
namespace {

TEST(ByteOrder, SwapsExchangeTheRightParts) {
  EXPECT_EQ(Swap16(0x1234), 0x3412);
  EXPECT_EQ(Swap16(Swap16(0xBEEF)), 0xBEEF);
  EXPECT_EQ(Swap32Halves(0x12345678u), 0x56781234u);

  std::uint8_t four[] = {1, 2, 3, 4, 9};
  Swap32Bytes(four);
  EXPECT_EQ(std::vector<std::uint8_t>(four, four + 5), (std::vector<std::uint8_t>{4, 3, 2, 1, 9}));

  // Both swaps together turn a byte-swapped 32-bit value around (what a big-endian read does).
  std::uint8_t be[] = {0x12, 0x34, 0x56, 0x78};
  std::uint8_t pairs[4];
  SwapBytePairs(be, pairs, 4);
  EXPECT_EQ(Swap32Halves(LoadLe32(pairs)), 0x12345678u);

  std::uint8_t odd[] = {1, 2, 3, 4, 5};
  std::uint8_t out[5] = {};
  SwapBytePairs(odd, out, 5);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 5), (std::vector<std::uint8_t>{2, 1, 4, 3, 5}));
  SwapBytePairs(odd, odd, 4);  // in place
  EXPECT_EQ(std::vector<std::uint8_t>(odd, odd + 5), (std::vector<std::uint8_t>{2, 1, 4, 3, 5}));
}

TEST(ByteOrder, CheckedLoadsAndStoresStayInsideTheBuffer) {
  std::uint8_t data[6] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  std::span<const std::uint8_t> in(data);
  std::uint16_t v16 = 0;
  std::uint32_t v32 = 0;
  ASSERT_TRUE(Load16(in, 4, ByteOrder::kLittleEndian, v16));
  EXPECT_EQ(v16, 0x0605);
  ASSERT_TRUE(Load16(in, 0, ByteOrder::kBigEndian, v16));
  EXPECT_EQ(v16, 0x0102);
  ASSERT_TRUE(Load32(in, 2, ByteOrder::kLittleEndian, v32));
  EXPECT_EQ(v32, 0x06050403u);
  ASSERT_TRUE(Load32(in, 2, ByteOrder::kBigEndian, v32));
  EXPECT_EQ(v32, 0x03040506u);

  v16 = 7;
  v32 = 7;
  EXPECT_FALSE(Load16(in, 5, ByteOrder::kLittleEndian, v16));
  EXPECT_FALSE(Load32(in, 3, ByteOrder::kBigEndian, v32));
  EXPECT_FALSE(Load32(in, std::numeric_limits<std::size_t>::max() - 1, ByteOrder::kBigEndian, v32));
  EXPECT_FALSE(Load16({}, 0, ByteOrder::kLittleEndian, v16));
  EXPECT_EQ(v16, 7);
  EXPECT_EQ(v32, 7u);

  std::uint8_t buf[6] = {};
  std::span<std::uint8_t> outSpan(buf);
  ASSERT_TRUE(Store32(outSpan, 0, ByteOrder::kBigEndian, 0xA1B2C3D4u));
  ASSERT_TRUE(Store16(outSpan, 4, ByteOrder::kLittleEndian, 0xE5F6));
  EXPECT_EQ(std::vector<std::uint8_t>(buf, buf + 6),
            (std::vector<std::uint8_t>{0xA1, 0xB2, 0xC3, 0xD4, 0xF6, 0xE5}));
  EXPECT_FALSE(Store16(outSpan, 5, ByteOrder::kBigEndian, 0xFFFF));
  EXPECT_FALSE(Store32(outSpan, std::numeric_limits<std::size_t>::max(), ByteOrder::kBigEndian, 1));
  EXPECT_EQ(buf[5], 0xE5);
  EXPECT_EQ(LoadBe32(buf), 0xA1B2C3D4u);
  EXPECT_EQ(LoadLe16(buf + 4), 0xE5F6);
}

}  // namespace
}  // namespace vl::engine
