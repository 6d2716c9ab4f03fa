// Byte layouts of the embedded resources.
#pragma once

#include "quantize.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mediagen {

using Bytes = std::vector<uint8_t>;

// An 8-bit bottom-up .bmp file; `pixels` are given top row first.
Bytes bmpFile(int width, int height, const std::vector<uint8_t>& pixels, const Palette& palette);

// One RT_ICON image: header (height doubled), colour table, colours bottom-up and an
// all-zero AND mask; `pixels` top row first.
Bytes iconImage(int size, const std::vector<uint8_t>& pixels, const Palette& palette);

struct IconEntry {
  int size;
  uint32_t bytes;
  uint16_t id;
};
// The RT_GROUP_ICON directory of 8-bit images.
Bytes iconGroup(const std::vector<IconEntry>& entries);

// The VS_VERSIONINFO block of an application with file and product version
// major.minor.0.0, translation US English / Unicode, the strings in the given order;
// zero-padded to `paddedSize`.
using VersionStrings = std::vector<std::pair<std::string, std::string>>;
Bytes versionBlock(uint16_t major, uint16_t minor, const VersionStrings& strings,
                   size_t paddedSize);

// PCM mono 8-bit RIFF WAVE image at `rate`, followed by `trailing` zero bytes.
Bytes waveImage(const std::vector<uint8_t>& samples, uint32_t rate, size_t trailing);

}  // namespace mediagen
