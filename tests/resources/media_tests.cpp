// What the committed media must be, whatever the generator makes of them:
// regenerating them proves only that the files and the generator agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Media(const std::string& name) {
  std::ifstream in(std::string(VSS_MEDIA_DIR) + "/" + name, std::ios::binary);
  if (!in) ADD_FAILURE() << "cannot open " << name;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t U16(const Bytes& b, size_t at) { return b.at(at) | b.at(at + 1) << 8; }
uint32_t U32(const Bytes& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

// An 8-bit BI_RGB header with a full colour table: width, height, size of image.
void ExpectHeader(const Bytes& b, size_t at, uint32_t width, uint32_t height, uint32_t image) {
  const uint32_t expected[] = {40, width, height, 0x00080001, 0, image, 0, 0, 0, 0};
  for (size_t field = 0; field < 10; ++field) {
    EXPECT_EQ(U32(b, at + 4 * field), expected[field]) << "header field " << field;
  }
}

constexpr int W = 200, H = 320;
constexpr size_t PixelsAt = 14 + 40 + 1024;

struct Frame {
  Bytes file;
  uint8_t At(int x, int y) const {  // row 0 at the top of the picture
    return file.at(PixelsAt + static_cast<size_t>(H - 1 - y) * W + x);
  }
};

TEST(Frames, AreBottomUpBitmapsOfOneFigure) {
  const Frame frames[] = {{Media("frame101.bmp")}, {Media("frame102.bmp")}};
  for (const Frame& f : frames) {
    ASSERT_EQ(f.file.size(), 14u + 65064u);
    ExpectHeader(f.file, 14, W, H, 64000);  // a positive height: bottom-up
    int top = H, bottom = -1;
    for (int y = 0; y < H; ++y) {
      for (int x = 0; x < W; ++x) {
        if (f.At(x, y) != 0) top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    // Read top-down, the narrow antenna would be at the bottom.
    auto width = [&](int from, int to) {
      int left = W, right = -1;
      for (int y = from; y < to; ++y) {
        for (int x = 0; x < W; ++x) {
          if (f.At(x, y) != 0) left = std::min(left, x), right = std::max(right, x);
        }
      }
      return right - left + 1;
    };
    EXPECT_GT(top, 1);
    EXPECT_LT(bottom, H - 2);
    EXPECT_LT(width(top, top + 12), 40) << "the antenna belongs at the top";
    EXPECT_GT(width(bottom - 11, bottom + 1), 80) << "the feet belong at the bottom";
  }
  EXPECT_TRUE(std::equal(frames[0].file.begin(), frames[0].file.begin() + PixelsAt,
                         frames[1].file.begin()));
  // Only the waving arm, the face, the antenna light and the heart move.
  int differing = 0;
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      if (frames[0].At(x, y) == frames[1].At(x, y)) continue;
      ++differing;
      ASSERT_TRUE(x >= 60 && y < 220) << "pixel " << x << "," << y << " moves";
    }
  }
  EXPECT_GT(differing, 1000);
}

TEST(Clip, IsAPaddedPcmRiffImageWithItsSilencesAndNoClick) {
  const Bytes b = Media("clip101.wav");
  ASSERT_EQ(b.size(), 32004u);
  const std::string tags(b.begin(), b.begin() + 40);
  EXPECT_EQ(tags.substr(0, 4) + tags.substr(8, 8) + tags.substr(36, 4), "RIFFWAVEfmt data");
  const uint32_t fields[] = {U32(b, 4),  U32(b, 16), U16(b, 20), U16(b, 22), U32(b, 24),
                             U32(b, 28), U16(b, 32), U16(b, 34), U32(b, 40)};
  const uint32_t expected[] = {31994, 16, 1, 1, 11025, 11025, 1, 8, 31957};
  EXPECT_TRUE(std::equal(std::begin(fields), std::end(fields), expected));
  EXPECT_EQ(U16(b, 32001) | b[32003], 0u) << "the pad byte and the two bytes after the image";

  const Bytes s(b.begin() + 44, b.begin() + 44 + 31957);
  auto sounding = [](uint8_t v) { return v != 128; };
  EXPECT_EQ(std::find_if(s.begin(), s.end(), sounding) - s.begin(), 616);
  EXPECT_EQ(std::find_if(s.rbegin(), s.rend(), sounding) - s.rbegin(), 524);
  int peak = 0, jump = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    ASSERT_TRUE(s[i] > 0 && s[i] < 255) << "clipped at " << i;
    peak = std::max(peak, std::abs(s[i] - 128));
    if (i > 0) jump = std::max(jump, std::abs(s[i] - s[i - 1]));
  }
  EXPECT_GE(peak, 48) << "too quiet";
  EXPECT_LE(jump, 100) << "a click";
}

TEST(Icons, TheGroupListsThreeEightBitImages) {
  const Bytes group = Media("icongroup1.bin");
  ASSERT_EQ(group.size(), 48u);
  EXPECT_EQ(U32(group, 0), 0x00010000u);
  EXPECT_EQ(U16(group, 4), 3u);
  const struct {
    uint32_t size, bytes, id;
  } icons[] = {{16, 1384, 30001}, {32, 2216, 30002}, {48, 3752, 30003}};
  for (size_t k = 0; k < 3; ++k) {
    const auto& icon = icons[k];
    const size_t entry = 6 + 14 * k;
    EXPECT_EQ(U32(group, entry), icon.size | icon.size << 8);
    EXPECT_EQ(U32(group, entry + 4), 0x00080001u);
    EXPECT_EQ(U32(group, entry + 8), icon.bytes);
    EXPECT_EQ(U16(group, entry + 12), icon.id);

    const Bytes b = Media("icon" + std::to_string(icon.id) + ".bin");
    ASSERT_EQ(b.size(), icon.bytes);
    ExpectHeader(b, 0, icon.size, 2 * icon.size, icon.bytes - 1064);
  }
}

TEST(Version, CarriesVersionTwoAndTheProductsNamesInOrder) {
  const Bytes b = Media("version1.bin");
  ASSERT_EQ(b.size(), 1024u);
  const uint32_t fixed[] = {0xFEEF04BD, 0x00010000, 0x00020000, 0, 0x00020000, 0, 0, 0, 4, 1};
  for (size_t k = 0; k < std::size(fixed); ++k) EXPECT_EQ(U32(b, 40 + 4 * k), fixed[k]) << k;
  // The UTF-16 texts of the string table: each key ends a text (the words
  // before it are lengths), and its value is the next text.
  std::vector<std::string> texts(1);
  for (size_t i = 0; i + 1 < b.size(); i += 2) {
    if (U16(b, i) != 0) {
      texts.back() += static_cast<char>(U16(b, i));
    } else if (!texts.back().empty()) {
      texts.emplace_back();
    }
  }
  std::vector<std::string> values;
  auto at = texts.begin();
  for (const std::string key :
       {"Comments", "CompanyName", "FileDescription", "LegalCopyright", "ProductName",
        "FileVersion", "ProductVersion", "InternalName", "OriginalFilename"}) {  // in this order
    at = std::find_if(at, texts.end() - 1, [&key](const std::string& text) {
      return text.size() >= key.size() &&
             text.compare(text.size() - key.size(), key.size(), key) == 0;
    });
    values.push_back(at == texts.end() - 1 ? "<" + key + " missing>" : at[1]);
  }
  EXPECT_EQ(values[0], values[2]) << "Comments and FileDescription";
  EXPECT_EQ(values[4], "Vorlan Screen Saver 2");
  EXPECT_EQ(values[5] + values[6], "2.002.00");
  EXPECT_EQ(values[7], "Vorlan Screen Saver 2");
  EXPECT_EQ(values[8], "Vorlan Screen Saver 2.scr");
}

}  // namespace
