// vss_dib2png ICON.bin OUT.png: one icon image of the resource script (an
// 8-bit DIB of twice its height, colours then AND mask) as an RGBA PNG, so
// the Linux icons are the Windows icon's own pixels, not a second drawing.
//
// No image library: the data go into stored (uncompressed) deflate blocks,
// which every PNG reader accepts; the icons are a few kilobytes either way.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t le32(const Bytes& b, std::size_t at) {
  if (at + 4 > b.size()) throw std::runtime_error("truncated header");
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t le16(const Bytes& b, std::size_t at) {
  if (at + 2 > b.size()) throw std::runtime_error("truncated header");
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void be32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint32_t adler32(const Bytes& data) {
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return b << 16 | a;
}

Bytes zlibStored(const Bytes& raw) {
  Bytes out = {0x78, 0x01};
  std::size_t at = 0;
  do {
    const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
    const bool last = at + n == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<std::uint8_t>(n));
    out.push_back(static_cast<std::uint8_t>(n >> 8));
    out.push_back(static_cast<std::uint8_t>(~n));
    out.push_back(static_cast<std::uint8_t>(~n >> 8));
    out.insert(out.end(), raw.begin() + at, raw.begin() + at + n);
    at += n;
  } while (at < raw.size());
  be32(out, adler32(raw));
  return out;
}

void chunk(Bytes& png, const char* type, const Bytes& data) {
  be32(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  be32(png, crc32(png.data() + start, png.size() - start));
}

// Rows of the result top-down, each a filter byte (none) and RGBA pixels.
Bytes iconPixels(const Bytes& dib, std::uint32_t& width, std::uint32_t& height) {
  const std::uint32_t headerSize = le32(dib, 0);
  width = le32(dib, 4);
  height = le32(dib, 8) / 2;
  if (headerSize < 40 || le16(dib, 14) != 8 || le32(dib, 16) != 0 || width == 0 || width > 256 ||
      height == 0 || height > 256) {
    throw std::runtime_error("not an uncompressed 8-bit icon image");
  }
  const std::uint32_t colours = le32(dib, 32) ? le32(dib, 32) : 256;
  const std::size_t palette = headerSize;
  const std::size_t xorRow = (width + 3) / 4 * 4;
  const std::size_t andRow = (width + 31) / 32 * 4;
  const std::size_t xorBits = palette + 4 * colours;
  const std::size_t andBits = xorBits + xorRow * height;
  if (andBits + andRow * height > dib.size()) throw std::runtime_error("truncated image");

  Bytes raw;
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::size_t row = height - 1 - y;  // DIB rows run bottom-up
    raw.push_back(0);
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint8_t index = dib[xorBits + row * xorRow + x];
      if (index >= colours) throw std::runtime_error("colour index outside the palette");
      const std::size_t entry = palette + 4 * index;  // blue, green, red, unused
      const bool transparent = dib[andBits + row * andRow + x / 8] & (0x80 >> (x % 8));
      raw.insert(raw.end(), {dib[entry + 2], dib[entry + 1], dib[entry],
                             static_cast<std::uint8_t>(transparent ? 0 : 255)});
    }
  }
  return raw;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vss_dib2png ICON.bin OUT.png\n");
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the icon");
    const Bytes dib{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    std::uint32_t width = 0, height = 0;
    const Bytes raw = iconPixels(dib, width, height);

    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    be32(header, width);
    be32(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", zlibStored(raw));
    chunk(png, "IEND", {});

    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write the PNG");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vss_dib2png: %s: %s\n", argv[1], e.what());
    return 1;
  }
  return 0;
}
