// vss_dib2png SIZE OUT.png: the image of SIZE x SIZE pixels of the
// program's icon, decoded from its compiled-in resources by the program's
// own decoder, as an RGBA PNG, so the Linux icons are the Windows icon's
// pixels, not a second drawing.
//
// No image library: the data go into stored (uncompressed) deflate blocks,
// which every PNG reader accepts; the icons are a few kilobytes either way.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/icon.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

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
Bytes Rows(const vss::runtime::IconImage& image) {
  Bytes raw;
  for (int y = 0; y < image.Height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < image.Width; ++x) {
      const std::uint32_t argb = image.Argb[static_cast<std::size_t>(y * image.Width + x)];
      raw.insert(raw.end(),
                 {static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
                  static_cast<std::uint8_t>(argb), static_cast<std::uint8_t>(argb >> 24)});
    }
  }
  return raw;
}

const vss::runtime::IconImage& ImageOfSize(const std::vector<vss::runtime::IconImage>& images,
                                           int size) {
  for (const auto& image : images) {
    if (image.Width == size && image.Height == size) return image;
  }
  throw std::runtime_error("the icon has no image of " + std::to_string(size) + " pixels");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vss_dib2png SIZE OUT.png\n");
    return 2;
  }
  try {
    const auto images = vss::runtime::LoadIcon(vss::runtime::FindEmbeddedResource);
    const vss::runtime::IconImage& image = ImageOfSize(images, std::atoi(argv[1]));

    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    be32(header, static_cast<std::uint32_t>(image.Width));
    be32(header, static_cast<std::uint32_t>(image.Height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", zlibStored(Rows(image)));
    chunk(png, "IEND", {});

    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write the PNG");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vss_dib2png: %s\n", e.what());
    return 1;
  }
  return 0;
}
