#include "runtime/dib.h"

#include "runtime/bytes.h"

namespace vss::runtime {

namespace {

constexpr std::uint32_t HeaderSize = 40;
constexpr std::uint32_t RgbCompression = 0;
constexpr std::int64_t MaxSide = 0x10000;

}  // namespace

std::optional<Dib> Dib::Parse(const std::uint8_t* bytes, std::size_t size) {
  if (bytes == nullptr || size < HeaderSize) return std::nullopt;
  const std::uint32_t headerSize = Le32(bytes);
  const auto width = static_cast<std::int32_t>(Le32(bytes + 4));
  const auto height = static_cast<std::int32_t>(Le32(bytes + 8));
  const int bits = Le16(bytes + 14);
  const std::uint64_t tableEntries = Le32(bytes + 32);
  std::uint64_t colours = tableEntries;
  if (headerSize < HeaderSize || headerSize > size || Le16(bytes + 12) != 1 ||
      Le32(bytes + 16) != RgbCompression || width <= 0 || width > MaxSide || height == 0 ||
      height < -MaxSide || height > MaxSide) {
    return std::nullopt;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  std::uint64_t tableSize = tableEntries;
  if (bits <= 8) {
    if (colours == 0) colours = 1u << bits;
    if (colours > (1u << bits)) return std::nullopt;
    tableSize = colours;
  } else {
    colours = 0;  // a table beside true colour is only a hint; it is skipped
  }
  const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
  const std::uint64_t pixelsAt = headerSize + tableSize * 4;
  if (pixelsAt + stride * rows > size) return std::nullopt;

  Dib dib;
  dib.info_ = bytes;
  dib.palette_ = bytes + headerSize;
  dib.bits_ = bytes + pixelsAt;
  dib.width_ = width;
  dib.height_ = static_cast<int>(rows);
  dib.bitCount_ = bits;
  dib.colours_ = static_cast<int>(colours);
  dib.bottomUp_ = height > 0;
  dib.stride_ = static_cast<std::size_t>(stride);
  return dib;
}

std::uint32_t Dib::Rgb(int x, int y) const {
  const int row = bottomUp_ ? height_ - 1 - y : y;
  const std::uint8_t* line = bits_ + stride_ * static_cast<std::size_t>(row);
  std::uint32_t index = 0;
  switch (bitCount_) {
    case 24:
    case 32: {
      const std::uint8_t* p = line + static_cast<std::size_t>(x) * (bitCount_ / 8);
      return static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
    }
    case 8:
      index = line[x];
      break;
    case 4:
      index = (line[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF;
      break;
    default:
      index = (line[x / 8] >> (7 - x % 8)) & 1;
      break;
  }
  if (static_cast<int>(index) >= colours_) return 0;
  const std::uint8_t* entry = palette_ + index * 4;
  return static_cast<std::uint32_t>(entry[2]) << 16 | static_cast<std::uint32_t>(entry[1]) << 8 |
         entry[0];
}

}  // namespace vss::runtime
