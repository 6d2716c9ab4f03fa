// Reduction of rendered pictures to 8-bit colour indices.
#pragma once

#include "canvas.h"

#include <array>
#include <cstdint>
#include <vector>

namespace mediagen {

struct PaletteEntry {
  uint8_t r = 0, g = 0, b = 0;
};
using Palette = std::array<PaletteEntry, 256>;

// The frames' table: the 6 x 6 x 6 cube in 0..215 (index 36 g + 6 r + b), black above.
Palette cubePalette();

// Ordered (Bayer) dithering onto the cube. It is local, so pixels that two poses share
// come out identical, and exact black stays entry 0.
std::vector<uint8_t> ditherToCube(const Canvas& canvas);

// The icons' table: the twenty static system colours in 0..9 and 246..255, and between
// them colours chosen by median cut from the given pictures.
Palette iconPalette(const std::vector<const Canvas*>& pictures);

// Nearest entry of the palette for every pixel (ties go to the lower index).
std::vector<uint8_t> mapToPalette(const Canvas& canvas, const Palette& palette);

}  // namespace mediagen
