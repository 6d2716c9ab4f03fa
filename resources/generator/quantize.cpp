#include "quantize.h"

#include <algorithm>

namespace mediagen {

namespace {

int to8(double v) {
  const double c = clamp(v, 0.0, 255.0);
  return static_cast<int>(std::floor(c + 0.5));
}

int bayer8(int x, int y) {
  // bit-interleaved construction of the 8 x 8 Bayer matrix
  int v = 0;
  for (int bit = 2; bit >= 0; --bit) {
    const int xb = (x >> (2 - bit)) & 1;
    const int yb = (y >> (2 - bit)) & 1;
    v |= ((xb ^ yb) << (2 * bit + 1)) | (yb << (2 * bit));
  }
  return v;
}

int ditherChannel(double value, double threshold) {
  const double s = clamp(value, 0.0, 255.0) / 51.0;
  int level = static_cast<int>(std::floor(s));
  if (level >= 5) return 5;
  if (s - level > threshold) ++level;
  return level;
}

struct Colour {
  int c[3];
  bool operator<(const Colour& o) const {
    return c[0] != o.c[0] ? c[0] < o.c[0] : (c[1] != o.c[1] ? c[1] < o.c[1] : c[2] < o.c[2]);
  }
};

// The static colours of the Windows system palette, in palette order.
const PaletteEntry kSystemLow[10] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
const PaletteEntry kSystemHigh[10] = {
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};

}  // namespace

Palette cubePalette() {
  Palette p{};
  for (int i = 0; i < 216; ++i) {
    p[i] = {static_cast<uint8_t>(51 * ((i / 6) % 6)), static_cast<uint8_t>(51 * (i / 36)),
            static_cast<uint8_t>(51 * (i % 6))};
  }
  return p;
}

std::vector<uint8_t> ditherToCube(const Canvas& canvas) {
  std::vector<uint8_t> out(canvas.width() * canvas.height());
  for (int j = 0; j < canvas.height(); ++j) {
    for (int i = 0; i < canvas.width(); ++i) {
      const double t = (bayer8(i & 7, j & 7) + 0.5) / 64.0;
      const RGB& c = canvas.at(i, j);
      const int r = ditherChannel(c.r, t), g = ditherChannel(c.g, t), b = ditherChannel(c.b, t);
      out[j * canvas.width() + i] = static_cast<uint8_t>(36 * g + 6 * r + b);
    }
  }
  return out;
}

namespace {

// Every pixel's colour, sorted by the full key.
std::vector<Colour> pictureColours(const std::vector<const Canvas*>& pictures) {
  std::vector<Colour> all;
  for (const Canvas* pic : pictures) {
    for (int j = 0; j < pic->height(); ++j) {
      for (int i = 0; i < pic->width(); ++i) {
        const RGB& c = pic->at(i, j);
        all.push_back({{to8(c.r), to8(c.g), to8(c.b)}});
      }
    }
  }
  std::sort(all.begin(), all.end());
  return all;
}

struct Box {
  size_t begin, end;
};

// The range of the box's widest channel, which goes to `channel`; the first
// of equally wide ones.
int widestRange(const std::vector<Colour>& all, const Box& b, int& channel) {
  int best = -1;
  for (int ch = 0; ch < 3; ++ch) {
    int lo = 255, hi = 0;
    for (size_t k = b.begin; k < b.end; ++k) {
      lo = std::min(lo, all[k].c[ch]);
      hi = std::max(hi, all[k].c[ch]);
    }
    if (hi - lo > best) {
      best = hi - lo;
      channel = ch;
    }
  }
  return best;
}

// Sorts the box along the channel and returns its median, moved so that
// equal values of the channel stay on one side. Sorting by a full key keeps
// it independent of the sort algorithm.
size_t splitPoint(std::vector<Colour>& all, const Box& b, int ch) {
  std::sort(all.begin() + b.begin, all.begin() + b.end, [ch](const Colour& x, const Colour& y) {
    if (x.c[ch] != y.c[ch]) return x.c[ch] < y.c[ch];
    return x < y;
  });
  size_t mid = (b.begin + b.end) / 2;
  while (mid > b.begin && all[mid - 1].c[ch] == all[mid].c[ch]) --mid;
  if (mid == b.begin) {
    mid = (b.begin + b.end) / 2;
    while (mid < b.end && all[mid - 1].c[ch] == all[mid].c[ch]) ++mid;
  }
  return mid;
}

// Median cut: splits the box with the widest channel range at its median
// until there are `count` boxes or each holds a single colour.
std::vector<Box> medianCut(std::vector<Colour>& all, size_t count) {
  std::vector<Box> boxes{{0, all.size()}};
  while (boxes.size() < count) {
    int bestRange = 0, bestChannel = 0;
    size_t bestBox = boxes.size();
    for (size_t k = 0; k < boxes.size(); ++k) {
      int ch = 0;
      const int range = widestRange(all, boxes[k], ch);
      if (range > bestRange) {
        bestRange = range;
        bestChannel = ch;
        bestBox = k;
      }
    }
    if (bestBox == boxes.size()) break;
    const Box b = boxes[bestBox];
    const size_t mid = splitPoint(all, b, bestChannel);
    boxes[bestBox] = {b.begin, mid};
    boxes.push_back({mid, b.end});
  }
  return boxes;
}

PaletteEntry average(const std::vector<Colour>& all, const Box& b) {
  long sum[3] = {0, 0, 0};
  const long n = static_cast<long>(b.end - b.begin);
  for (size_t m = b.begin; m < b.end; ++m) {
    for (int ch = 0; ch < 3; ++ch) sum[ch] += all[m].c[ch];
  }
  return {static_cast<uint8_t>((sum[0] + n / 2) / n), static_cast<uint8_t>((sum[1] + n / 2) / n),
          static_cast<uint8_t>((sum[2] + n / 2) / n)};
}

}  // namespace

Palette iconPalette(const std::vector<const Canvas*>& pictures) {
  std::vector<Colour> all = pictureColours(pictures);
  const std::vector<Box> boxes = medianCut(all, 236);  // the entries between the system's
  Palette p{};
  for (int k = 0; k < 10; ++k) {
    p[k] = kSystemLow[k];
    p[246 + k] = kSystemHigh[k];
  }
  for (size_t k = 0; k < boxes.size(); ++k) p[10 + k] = average(all, boxes[k]);
  return p;
}

std::vector<uint8_t> mapToPalette(const Canvas& canvas, const Palette& palette) {
  std::vector<uint8_t> out(canvas.width() * canvas.height());
  for (int j = 0; j < canvas.height(); ++j) {
    for (int i = 0; i < canvas.width(); ++i) {
      const RGB& c = canvas.at(i, j);
      const int r = to8(c.r), g = to8(c.g), b = to8(c.b);
      long best = -1;
      int bestIndex = 0;
      for (int k = 0; k < 256; ++k) {
        const long dr = r - palette[k].r, dg = g - palette[k].g, db = b - palette[k].b;
        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (best < 0 || d < best) {
          best = d;
          bestIndex = k;
        }
      }
      out[j * canvas.width() + i] = static_cast<uint8_t>(bestIndex);
    }
  }
  return out;
}

}  // namespace mediagen
