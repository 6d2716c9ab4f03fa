// Checks of the committed media files as the executable will carry them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef VSS_MEDIA_DIR
#error "VSS_MEDIA_DIR must name the media folder"
#endif

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readMedia(const std::string& name) {
  std::ifstream in(std::string(VSS_MEDIA_DIR) + "/" + name, std::ios::binary);
  if (!in) ADD_FAILURE() << "cannot open " << name;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint16_t u16(const Bytes& b, size_t at) {
  return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
uint32_t u32(const Bytes& b, size_t at) {
  return u16(b, at) | static_cast<uint32_t>(u16(b, at + 2)) << 16;
}
int32_t s32(const Bytes& b, size_t at) { return static_cast<int32_t>(u32(b, at)); }
std::string tag(const Bytes& b, size_t at) {
  return std::string(b.begin() + at, b.begin() + at + 4);
}

// BITMAPINFOHEADER of an 8-bit BI_RGB image with all 256 colours, no resolution given.
void expectInfoHeader(const Bytes& b, size_t at, int width, int height, uint32_t sizeImage) {
  EXPECT_EQ(u32(b, at + 0), 40u);
  EXPECT_EQ(s32(b, at + 4), width);
  EXPECT_EQ(s32(b, at + 8), height);
  EXPECT_EQ(u16(b, at + 12), 1);
  EXPECT_EQ(u16(b, at + 14), 8);
  EXPECT_EQ(u32(b, at + 16), 0u);
  EXPECT_EQ(u32(b, at + 20), sizeImage);
  for (size_t field = 24; field < 40; field += 4)
    EXPECT_EQ(u32(b, at + field), 0u) << "field at " << field;
}

// ---------------------------------------------------------------------------------
// Frames 101 and 102

constexpr int kW = 200, kH = 320;
constexpr size_t kPixels = 14 + 40 + 1024;

// The region where the two poses may differ, in image coordinates (row 0 at the top):
// the waving arm, the face, the antenna light and the heart.
constexpr int kMoveLeft = 60, kMoveRight = 200, kMoveTop = 0, kMoveBottom = 220;

struct Frame {
  Bytes file;
  // colour index at column x of image row y, row 0 being the top of the picture
  uint8_t at(int x, int y) const {
    return file.at(kPixels + static_cast<size_t>(kH - 1 - y) * kW + x);
  }
};

class Frames : public ::testing::Test {
 protected:
  Frame f101{readMedia("frame101.bmp")};
  Frame f102{readMedia("frame102.bmp")};
};

TEST_F(Frames, AreBottomUpEightBitBitmapsWithTheCubePalette) {
  for (const Frame* f : {&f101, &f102}) {
    const Bytes& b = f->file;
    ASSERT_EQ(b.size(), 14u + 65064u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(u32(b, 2), b.size());
    EXPECT_EQ(u32(b, 10), kPixels);
    expectInfoHeader(b, 14, kW, kH, 64000);  // positive height: bottom-up
    for (int i = 0; i < 256; ++i) {
      const size_t e = 54 + 4 * i;
      const int r = i < 216 ? 51 * ((i / 6) % 6) : 0;
      const int g = i < 216 ? 51 * (i / 36) : 0;
      const int bl = i < 216 ? 51 * (i % 6) : 0;
      EXPECT_EQ(b[e + 0], bl) << "entry " << i;
      EXPECT_EQ(b[e + 1], g) << "entry " << i;
      EXPECT_EQ(b[e + 2], r) << "entry " << i;
      EXPECT_EQ(b[e + 3], 0) << "entry " << i;
    }
  }
  EXPECT_TRUE(std::equal(f101.file.begin(), f101.file.begin() + kPixels, f102.file.begin()))
      << "headers and colour tables must be identical";
}

TEST_F(Frames, UseOnlyCubeColoursOnABlackBackground) {
  for (const Frame* f : {&f101, &f102}) {
    size_t black = 0;
    for (size_t i = kPixels; i < f->file.size(); ++i) {
      ASSERT_LT(f->file[i], 216) << "pixel byte " << i;
      black += f->file[i] == 0;
    }
    for (int x = 0; x < kW; ++x) {
      for (int y : {0, 1, kH - 2, kH - 1}) EXPECT_EQ(f->at(x, y), 0) << x << "," << y;
    }
    for (int y = 0; y < kH; ++y) {
      for (int x : {0, 1, kW - 2, kW - 1}) EXPECT_EQ(f->at(x, y), 0) << x << "," << y;
    }
    // the figure fills a good part of the frame, yet the background dominates
    EXPECT_GT(black, 64000u * 40 / 100);
    EXPECT_LT(black, 64000u * 75 / 100);
  }
}

// Read top-down, the antenna (narrow) would be at the bottom and the feet (wide) at the top.
TEST_F(Frames, ShowTheFigureUpright) {
  for (const Frame* f : {&f101, &f102}) {
    int top = kH, bottom = -1;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        if (f->at(x, y) != 0) {
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
      }
    }
    ASSERT_LT(top, bottom);
    auto spanOfRows = [&](int from, int to) {
      int left = kW, right = -1;
      for (int y = from; y < to; ++y) {
        for (int x = 0; x < kW; ++x) {
          if (f->at(x, y) != 0) {
            left = std::min(left, x);
            right = std::max(right, x);
          }
        }
      }
      return right - left + 1;
    };
    EXPECT_LT(spanOfRows(top, top + 12), 40) << "antenna expected at the top";
    EXPECT_GT(spanOfRows(bottom - 11, bottom + 1), 80) << "feet expected at the bottom";
  }
}

TEST_F(Frames, DifferOnlyInTheMovingParts) {
  ASSERT_LT((kMoveRight - kMoveLeft) * (kMoveBottom - kMoveTop), kW * kH / 2)
      << "the moving region must be confined";
  int differing = 0, outside = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      if (f101.at(x, y) == f102.at(x, y)) continue;
      ++differing;
      const bool inside = x >= kMoveLeft && x < kMoveRight && y >= kMoveTop && y < kMoveBottom;
      if (!inside) {
        ++outside;
        ADD_FAILURE() << "pixel " << x << "," << y << " moves outside the moving region";
        if (outside > 5) return;
      }
    }
  }
  EXPECT_GT(differing, 1000) << "the poses must differ visibly";
  EXPECT_LT(differing, kW * kH / 10) << "the poses must be one figure";
}

// ---------------------------------------------------------------------------------
// The clip

TEST(Clip, IsThePcmRiffImageWithPadAndTrailingBytes) {
  const Bytes b = readMedia("clip101.wav");
  ASSERT_EQ(b.size(), 32004u);
  EXPECT_EQ(tag(b, 0), "RIFF");
  EXPECT_EQ(u32(b, 4), 31994u);
  EXPECT_EQ(tag(b, 8), "WAVE");
  EXPECT_EQ(tag(b, 12), "fmt ");
  EXPECT_EQ(u32(b, 16), 16u);
  EXPECT_EQ(u16(b, 20), 1);
  EXPECT_EQ(u16(b, 22), 1);
  EXPECT_EQ(u32(b, 24), 11025u);
  EXPECT_EQ(u32(b, 28), 11025u);
  EXPECT_EQ(u16(b, 32), 1);
  EXPECT_EQ(u16(b, 34), 8);
  EXPECT_EQ(tag(b, 36), "data");
  EXPECT_EQ(u32(b, 40), 31957u);
  EXPECT_EQ(b[32001], 0) << "pad byte";
  EXPECT_EQ(b[32002], 0);
  EXPECT_EQ(b[32003], 0);
}

TEST(Clip, HasExactSilencesAndCleanSound) {
  const Bytes b = readMedia("clip101.wav");
  ASSERT_EQ(b.size(), 32004u);
  const Bytes s(b.begin() + 44, b.begin() + 44 + 31957);
  const auto firstSound =
      std::find_if(s.begin(), s.end(), [](uint8_t v) { return v != 128; }) - s.begin();
  const auto lastSound =
      std::find_if(s.rbegin(), s.rend(), [](uint8_t v) { return v != 128; }) - s.rbegin();
  EXPECT_EQ(firstSound, 616);
  EXPECT_EQ(lastSound, 524);

  int peak = 0, jump = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    EXPECT_GT(s[i], 0) << "clipped at " << i;
    EXPECT_LT(s[i], 255) << "clipped at " << i;
    peak = std::max(peak, std::abs(s[i] - 128));
    if (i > 0) jump = std::max(jump, std::abs(s[i] - s[i - 1]));
  }
  EXPECT_GE(peak, 48) << "too quiet";
  EXPECT_LE(peak, 110) << "too close to clipping";
  EXPECT_LE(jump, 100) << "a click";
  // onset and ending ramp in and out instead of starting or stopping on a step
  for (int k = 0; k < 8; ++k) {
    EXPECT_LE(std::abs(s[616 + k] - 128), 3) << "onset sample " << k;
    EXPECT_LE(std::abs(s[s.size() - 525 - k] - 128), 3) << "ending sample " << k;
  }
}

// ---------------------------------------------------------------------------------
// The icon images and their group

// The twenty static colours of the Windows system palette, red-green-blue.
const uint8_t kStaticLow[10][3] = {{0, 0, 0},       {128, 0, 0},    {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},     {128, 0, 128},  {0, 128, 128}, {192, 192, 192},
                                   {192, 220, 192}, {166, 202, 240}};
const uint8_t kStaticHigh[10][3] = {
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};

struct IconLayout {
  int size;
  uint32_t bytes;
  uint32_t sizeImage;
  uint16_t id;
};
const IconLayout kIcons[3] = {
    {16, 1384, 320, 30001}, {32, 2216, 1152, 30002}, {48, 3752, 2688, 30003}};

TEST(Icons, ImagesHaveTheirLayoutSharedColoursAndOpaqueMasks) {
  Bytes firstTable;
  for (const IconLayout& icon : kIcons) {
    SCOPED_TRACE(icon.size);
    const Bytes b = readMedia("icon" + std::to_string(icon.id) + ".bin");
    ASSERT_EQ(b.size(), icon.bytes);
    expectInfoHeader(b, 0, icon.size, 2 * icon.size, icon.sizeImage);
    const Bytes table(b.begin() + 40, b.begin() + 40 + 1024);
    if (firstTable.empty()) firstTable = table;
    EXPECT_EQ(table, firstTable) << "colour tables differ";
    for (int k = 0; k < 10; ++k) {
      for (int ch = 0; ch < 3; ++ch) {
        EXPECT_EQ(table[4 * k + 2 - ch], kStaticLow[k][ch]) << "entry " << k;
        EXPECT_EQ(table[4 * (246 + k) + 2 - ch], kStaticHigh[k][ch]) << "entry " << 246 + k;
      }
    }
    for (int k = 0; k < 256; ++k) EXPECT_EQ(table[4 * k + 3], 0) << "reserved byte of entry " << k;

    const size_t colours = 40 + 1024, mask = colours + icon.size * icon.size;
    EXPECT_EQ(b.size() - mask, static_cast<size_t>((icon.size + 31) / 32 * 4 * icon.size));
    EXPECT_TRUE(std::all_of(b.begin() + mask, b.end(), [](uint8_t v) { return v == 0; }))
        << "mask not all opaque";
    const std::set<uint8_t> used(b.begin() + colours, b.begin() + mask);
    EXPECT_GE(used.size(), 12u) << "a shaded picture, not a flat one";
  }
}

TEST(Icons, GroupListsTheThreeImages) {
  const Bytes g = readMedia("icongroup1.bin");
  ASSERT_EQ(g.size(), 48u);
  EXPECT_EQ(u16(g, 0), 0);
  EXPECT_EQ(u16(g, 2), 1);
  EXPECT_EQ(u16(g, 4), 3);
  for (int k = 0; k < 3; ++k) {
    const size_t e = 6 + 14 * k;
    EXPECT_EQ(g[e + 0], kIcons[k].size);
    EXPECT_EQ(g[e + 1], kIcons[k].size);
    EXPECT_EQ(g[e + 2], 0);
    EXPECT_EQ(g[e + 3], 0);
    EXPECT_EQ(u16(g, e + 4), 1);
    EXPECT_EQ(u16(g, e + 6), 8);
    EXPECT_EQ(u32(g, e + 8), kIcons[k].bytes);
    EXPECT_EQ(u16(g, e + 12), kIcons[k].id);
  }
}

// ---------------------------------------------------------------------------------
// The version block

struct VersionNode {
  size_t start = 0, length = 0;
  uint16_t valueLength = 0, type = 0;
  std::string key;
  size_t value = 0;  // offset of the value
  std::vector<VersionNode> children;
};

size_t align4(size_t v) { return (v + 3) & ~size_t{3}; }

// Parses a node as VerQueryValue walks it; children must lie inside their parent.
VersionNode parseNode(const Bytes& b, size_t start, size_t limit) {
  VersionNode n;
  n.start = start;
  n.length = u16(b, start);
  n.valueLength = u16(b, start + 2);
  n.type = u16(b, start + 4);
  if (n.length < 6 || start + n.length > limit)
    throw std::runtime_error("node overruns its parent at " + std::to_string(start));
  size_t p = start + 6;
  while (uint16_t ch = u16(b, p)) {
    n.key.push_back(static_cast<char>(ch));
    p += 2;
  }
  n.value = align4(p + 2);
  const size_t valueBytes = n.type == 1 ? 2u * n.valueLength : n.valueLength;
  size_t child = align4(n.value + valueBytes);
  while (child < start + n.length) {
    n.children.push_back(parseNode(b, child, start + n.length));
    child = align4(child + n.children.back().length);
  }
  return n;
}

std::string textValue(const Bytes& b, const VersionNode& n) {
  std::string s;
  for (size_t p = n.value; u16(b, p) != 0; p += 2) s.push_back(static_cast<char>(u16(b, p)));
  return s;
}

TEST(Version, BlockHasTheFixedInfoAndTheStringsInOrder) {
  const Bytes b = readMedia("version1.bin");
  ASSERT_EQ(b.size(), 1024u);
  VersionNode root;
  ASSERT_NO_THROW(root = parseNode(b, 0, b.size()));
  EXPECT_EQ(root.key, "VS_VERSION_INFO");
  EXPECT_EQ(root.type, 0);
  EXPECT_EQ(root.valueLength, 52);
  EXPECT_TRUE(std::all_of(b.begin() + root.length, b.end(), [](uint8_t v) { return v == 0; }))
      << "padding";

  const uint32_t expectedFixed[13] = {0xFEEF04BD, 0x00010000, 0x00020000, 0, 0x00020000, 0, 0,
                                      0,          4,          1,          0, 0,          0};
  for (int k = 0; k < 13; ++k)
    EXPECT_EQ(u32(b, root.value + 4 * k), expectedFixed[k]) << "fixed field " << k;

  ASSERT_EQ(root.children.size(), 2u);
  const VersionNode& var = root.children[0];
  EXPECT_EQ(var.key, "VarFileInfo");
  ASSERT_EQ(var.children.size(), 1u);
  EXPECT_EQ(var.children[0].key, "Translation");
  EXPECT_EQ(var.children[0].valueLength, 4);
  EXPECT_EQ(u16(b, var.children[0].value), 0x0409);
  EXPECT_EQ(u16(b, var.children[0].value + 2), 0x04B0);

  const VersionNode& sfi = root.children[1];
  EXPECT_EQ(sfi.key, "StringFileInfo");
  ASSERT_EQ(sfi.children.size(), 1u);
  const VersionNode& table = sfi.children[0];
  EXPECT_EQ(table.key, "040904B0");

  const char* keys[] = {"Comments",       "CompanyName",  "FileDescription",
                        "LegalCopyright", "ProductName",  "FileVersion",
                        "ProductVersion", "InternalName", "OriginalFilename"};
  ASSERT_EQ(table.children.size(), 9u);
  std::vector<std::string> values;
  for (int k = 0; k < 9; ++k) {
    const VersionNode& s = table.children[k];
    EXPECT_EQ(s.key, keys[k]);
    EXPECT_EQ(s.type, 1);
    values.push_back(textValue(b, s));
    EXPECT_EQ(s.valueLength, values.back().size() + 1) << s.key;
    EXPECT_FALSE(values.back().empty()) << s.key;
  }
  EXPECT_EQ(values[0], values[2]) << "Comments and FileDescription are the same sentence";
  EXPECT_EQ(values[4], "Vorlan Screen Saver 2");
  EXPECT_EQ(values[5], "2.00");
  EXPECT_EQ(values[6], "2.00");
  EXPECT_EQ(values[7], "Vorlan Screen Saver 2");
  EXPECT_EQ(values[8], "Vorlan Screen Saver 2.scr");
}

}  // namespace
