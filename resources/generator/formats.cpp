#include "formats.h"

#include <stdexcept>

namespace mediagen {

namespace {

class Writer {
 public:
  Bytes bytes;
  void u8(uint8_t v) { bytes.push_back(v); }
  void u16(uint16_t v) {
    u8(v & 0xFF);
    u8(v >> 8);
  }
  void u32(uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }
  void tag(const char* four) { bytes.insert(bytes.end(), four, four + 4); }
  void append(const Bytes& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
  void utf16z(const std::string& s) {
    for (char ch : s) {
      if (static_cast<unsigned char>(ch) > 0x7E)
        throw std::runtime_error("version strings must be ASCII");
      u16(static_cast<uint16_t>(ch));
    }
    u16(0);
  }
  void align4() {
    while (bytes.size() % 4) u8(0);
  }
  void patch16(size_t at, uint16_t v) {
    bytes[at] = v & 0xFF;
    bytes[at + 1] = v >> 8;
  }
};

void infoHeader(Writer& w, int width, int height, uint32_t sizeImage) {
  w.u32(40);
  w.u32(width);
  w.u32(height);
  w.u16(1);  // planes
  w.u16(8);  // bits per pixel
  w.u32(0);  // BI_RGB
  w.u32(sizeImage);
  w.u32(0);  // pixels per metre
  w.u32(0);
  w.u32(0);  // colours used: all 256
  w.u32(0);  // colours important
}

void colourTable(Writer& w, const Palette& palette) {
  for (const PaletteEntry& e : palette) {
    w.u8(e.b);
    w.u8(e.g);
    w.u8(e.r);
    w.u8(0);
  }
}

void rowsBottomUp(Writer& w, int width, int height, const std::vector<uint8_t>& pixels) {
  if (width % 4) throw std::runtime_error("rows would need padding");
  for (int j = height - 1; j >= 0; --j) {
    w.bytes.insert(w.bytes.end(), pixels.begin() + j * width, pixels.begin() + (j + 1) * width);
  }
}

// One node of a version block: header, UTF-16 key, aligned value, aligned children.
// Its length excludes the padding after it, which belongs to the parent.
struct VersionNode {
  std::string key;
  uint16_t type;  // 0 binary, 1 text
  Bytes value;
  uint16_t valueLength;  // bytes for binary values, characters for text
  std::vector<VersionNode> children;
};

void writeNode(Writer& w, const VersionNode& node) {
  const size_t start = w.bytes.size();
  w.u16(0);
  w.u16(node.valueLength);
  w.u16(node.type);
  w.utf16z(node.key);
  w.align4();
  w.append(node.value);
  for (const VersionNode& child : node.children) {
    w.align4();
    writeNode(w, child);
  }
  const size_t length = w.bytes.size() - start;
  if (length > 0xFFFF) throw std::runtime_error("version node too long");
  w.patch16(start, static_cast<uint16_t>(length));
}

VersionNode textNode(const std::string& key, const std::string& text) {
  Writer v;
  v.utf16z(text);
  return {key, 1, v.bytes, static_cast<uint16_t>(text.size() + 1), {}};
}

}  // namespace

Bytes bmpFile(int width, int height, const std::vector<uint8_t>& pixels, const Palette& palette) {
  const uint32_t offBits = 14 + 40 + 1024;
  const uint32_t sizeImage = static_cast<uint32_t>(width * height);
  Writer w;
  w.u8('B');
  w.u8('M');
  w.u32(offBits + sizeImage);
  w.u16(0);
  w.u16(0);
  w.u32(offBits);
  infoHeader(w, width, height, sizeImage);
  colourTable(w, palette);
  rowsBottomUp(w, width, height, pixels);
  return w.bytes;
}

Bytes iconImage(int size, const std::vector<uint8_t>& pixels, const Palette& palette) {
  const int maskRow = (size + 31) / 32 * 4;
  Writer w;
  infoHeader(w, size, 2 * size, static_cast<uint32_t>(size * size + maskRow * size));
  colourTable(w, palette);
  rowsBottomUp(w, size, size, pixels);
  w.bytes.resize(w.bytes.size() + maskRow * size, 0);  // every pixel opaque
  return w.bytes;
}

Bytes iconGroup(const std::vector<IconEntry>& entries) {
  Writer w;
  w.u16(0);  // reserved
  w.u16(1);  // icons
  w.u16(static_cast<uint16_t>(entries.size()));
  for (const IconEntry& e : entries) {
    w.u8(static_cast<uint8_t>(e.size));
    w.u8(static_cast<uint8_t>(e.size));
    w.u8(0);  // colour count: 0 means 256
    w.u8(0);
    w.u16(1);  // planes
    w.u16(8);  // bits per pixel
    w.u32(e.bytes);
    w.u16(e.id);
  }
  return w.bytes;
}

Bytes versionBlock(uint16_t major, uint16_t minor, const VersionStrings& strings,
                   size_t paddedSize) {
  Writer fixed;
  const uint32_t versionMS = static_cast<uint32_t>(major) << 16 | minor;
  fixed.u32(0xFEEF04BD);  // signature
  fixed.u32(0x00010000);  // structure version
  fixed.u32(versionMS);   // file version
  fixed.u32(0);
  fixed.u32(versionMS);  // product version
  fixed.u32(0);
  fixed.u32(0);  // flags mask
  fixed.u32(0);  // flags
  fixed.u32(4);  // VOS__WINDOWS32
  fixed.u32(1);  // VFT_APP
  fixed.u32(0);  // subtype
  fixed.u32(0);  // date
  fixed.u32(0);

  Writer translation;
  translation.u16(0x0409);  // US English
  translation.u16(0x04B0);  // Unicode

  VersionNode table{"040904B0", 1, {}, 0, {}};
  for (const auto& kv : strings) table.children.push_back(textNode(kv.first, kv.second));

  VersionNode root{
      "VS_VERSION_INFO", 0, fixed.bytes, static_cast<uint16_t>(fixed.bytes.size()), {}};
  root.children.push_back({"VarFileInfo",
                           1,
                           {},
                           0,
                           {{"Translation",
                             0,
                             translation.bytes,
                             static_cast<uint16_t>(translation.bytes.size()),
                             {}}}});
  root.children.push_back({"StringFileInfo", 1, {}, 0, {table}});

  Writer w;
  writeNode(w, root);
  if (w.bytes.size() > paddedSize) throw std::runtime_error("version block does not fit");
  w.bytes.resize(paddedSize, 0);
  return w.bytes;
}

Bytes waveImage(const std::vector<uint8_t>& samples, uint32_t rate, size_t trailing) {
  const uint32_t data = static_cast<uint32_t>(samples.size());
  const uint32_t pad = data % 2;
  Writer w;
  w.tag("RIFF");
  w.u32(4 + (8 + 16) + (8 + data + pad));
  w.tag("WAVE");
  w.tag("fmt ");
  w.u32(16);
  w.u16(1);  // PCM
  w.u16(1);  // mono
  w.u32(rate);
  w.u32(rate);  // bytes per second
  w.u16(1);     // block align
  w.u16(8);     // bits per sample
  w.tag("data");
  w.u32(data);
  w.append(samples);
  if (pad) w.u8(0);
  w.bytes.resize(w.bytes.size() + trailing, 0);
  return w.bytes;
}

}  // namespace mediagen
