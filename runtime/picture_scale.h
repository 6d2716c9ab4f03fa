// A picture scaled to the size it is drawn at, as 0x00RRGGBB pixels, rows
// from the top: nearest neighbour along an axis that grows, so enlarged
// pixels stay sharp, and the area average along one that shrinks, so a line
// thinner than the reduction still shows in the preview.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "runtime/dib.h"

namespace vss::runtime {

// Hands each row of the result to `row` in turn, holding no more than two
// rows at a time. A negative width or height mirrors along that axis.
void ScalePicture(const Dib& picture, int width, int height,
                  const std::function<void(int y, const std::uint32_t* pixels)>& row);

// The whole result at once.
std::vector<std::uint32_t> ScalePicture(const Dib& picture, int width, int height);

}  // namespace vss::runtime
