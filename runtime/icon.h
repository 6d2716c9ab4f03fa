// The program's icon as its resources hold it: a group directory (type 14)
// that names icon images (type 3) by id, each a DIB of twice its height,
// the colours then a mask of one bit a pixel (1: transparent). Decoded here
// once, for every backend that sets a window icon and for the packaging
// tool that writes the Linux icons.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "runtime/backend.h"
#include "runtime/resources.h"

namespace vss::runtime {

inline constexpr std::int32_t IconResource = 3;
inline constexpr std::int32_t IconGroupResource = 14;
// The group the program's windows show, as Windows takes the first.
inline constexpr std::int32_t ProgramIconGroup = 1;

struct IconImage {
  int Width = 0;
  int Height = 0;
  // 0xAARRGGBB, rows from the top; alpha is 0 or 0xFF.
  std::vector<std::uint32_t> Argb;
};

// nullopt for bytes that are no icon image of at most 256 x 256 pixels.
std::optional<IconImage> DecodeIconImage(ResourceBytes bytes);

using ResourceLookup = std::function<ResourceBytes(const ResourceType&, std::int32_t)>;

// The images the group names, in its order, found through `find` by their
// ids; missing or unreadable ones are left out.
std::vector<IconImage> LoadIcon(const ResourceLookup& find, std::int32_t group = ProgramIconGroup);

// The program's icon through the backend's resources.
inline std::vector<IconImage> LoadIcon(Backend& backend) {
  return LoadIcon([&backend](const ResourceType& type, std::int32_t id) {
    return backend.FindResource(type, id);
  });
}

}  // namespace vss::runtime
