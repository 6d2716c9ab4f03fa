#include "runtime/units.h"

#include <algorithm>

#include "api/vbnum.h"

namespace vss::runtime {

Units::Units(int pixelsPerInchX, int pixelsPerInchY)
    : pixelsPerInchX_(std::max(1, pixelsPerInchX)),
      pixelsPerInchY_(std::max(1, pixelsPerInchY)),
      twipsPerPixelX_(1440.0f / static_cast<float>(pixelsPerInchX_)),
      twipsPerPixelY_(1440.0f / static_cast<float>(pixelsPerInchY_)) {}

int Units::PixelsX(double twips) const { return CLng(twips / twipsPerPixelX_); }
int Units::PixelsY(double twips) const { return CLng(twips / twipsPerPixelY_); }

std::int32_t Units::HimetricX(int pixels) const {
  return CLng(static_cast<double>(pixels) * 2540.0 / pixelsPerInchX_);
}

std::int32_t Units::HimetricY(int pixels) const {
  return CLng(static_cast<double>(pixels) * 2540.0 / pixelsPerInchY_);
}

}  // namespace vss::runtime
