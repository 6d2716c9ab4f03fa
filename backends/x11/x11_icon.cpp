#include "backends/x11/x11_icon.h"

namespace vss::x11 {

std::vector<unsigned long> IconProperty(const std::vector<runtime::IconImage>& images) {
  std::vector<unsigned long> property;
  for (const runtime::IconImage& image : images) {
    property.push_back(static_cast<unsigned long>(image.Width));
    property.push_back(static_cast<unsigned long>(image.Height));
    property.insert(property.end(), image.Argb.begin(), image.Argb.end());
  }
  return property;
}

}  // namespace vss::x11
