// A device-independent bitmap in resource form (BITMAPINFOHEADER, colour
// table, pixels), read in place. Parse checks every size against the bytes
// before anything reads pixels, so a bad resource is refused, never overrun.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace vss::runtime {

class Dib {
 public:
  // Uncompressed 1, 4, 8, 24 or 32 bits per pixel; nullopt for anything else.
  static std::optional<Dib> Parse(const std::uint8_t* bytes, std::size_t size);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitCount() const { return bitCount_; }
  // The header and colour table, as a platform's DIB call takes them.
  const std::uint8_t* Info() const { return info_; }
  const std::uint8_t* Bits() const { return bits_; }
  // 0x00RRGGBB of the pixel at column x, row y counted from the top.
  std::uint32_t Rgb(int x, int y) const;

 private:
  const std::uint8_t* info_ = nullptr;
  const std::uint8_t* palette_ = nullptr;
  const std::uint8_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int bitCount_ = 0;
  int colours_ = 0;
  bool bottomUp_ = true;
  std::size_t stride_ = 0;
};

}  // namespace vss::runtime
