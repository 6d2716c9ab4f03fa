// Twips, pixels and HIMETRIC at the screen's pixels per inch, with the
// runtime's rounding: halves to even, overflow raising the runtime's error.
#pragma once

#include <cstdint>

namespace vss::runtime {

class Units {
 public:
  Units(int pixelsPerInchX, int pixelsPerInchY);

  float TwipsPerPixelX() const { return twipsPerPixelX_; }
  float TwipsPerPixelY() const { return twipsPerPixelY_; }
  int PixelsX(double twips) const;
  int PixelsY(double twips) const;
  float TwipsX(int pixels) const { return static_cast<float>(pixels) * twipsPerPixelX_; }
  float TwipsY(int pixels) const { return static_cast<float>(pixels) * twipsPerPixelY_; }
  // A picture's size: pixels x 2540 / pixels per inch, in 0.01 mm.
  std::int32_t HimetricX(int pixels) const;
  std::int32_t HimetricY(int pixels) const;

 private:
  int pixelsPerInchX_;
  int pixelsPerInchY_;
  float twipsPerPixelX_;
  float twipsPerPixelY_;
};

}  // namespace vss::runtime
