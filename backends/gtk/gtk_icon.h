// The window icon from the program's icon resources: an icon group
// directory (type 14) naming icon images (type 3), each a DIB of twice its
// height, colours then a 1-bit AND mask (1: transparent).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "runtime/resources.h"

namespace vss::gtk {

inline constexpr std::int32_t IconResource = 3;
inline constexpr std::int32_t IconGroupResource = 14;

struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // rows from the top, 4 bytes a pixel
};

// nullopt for bytes that are no icon image this can read.
std::optional<IconImage> DecodeIcon(runtime::ResourceBytes bytes);

// The images the group names, found with `find` by id; missing or
// unreadable ones are left out.
std::vector<IconImage> DecodeIconGroup(
    runtime::ResourceBytes group, const std::function<runtime::ResourceBytes(std::int32_t)>& find);

}  // namespace vss::gtk
