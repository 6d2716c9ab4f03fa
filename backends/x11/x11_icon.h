// The program's icon as the _NET_WM_ICON property holds it: width, height
// and ARGB pixels for each size, each item a long as Xlib hands them over.
#pragma once

#include <vector>

#include "runtime/icon.h"

namespace vss::x11 {

// Empty for no images.
std::vector<unsigned long> IconProperty(const std::vector<runtime::IconImage>& images);

}  // namespace vss::x11
