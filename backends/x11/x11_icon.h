// The program's icons (the icon resources) as the _NET_WM_ICON property
// holds them: width, height and ARGB pixels for each size.
#pragma once

#include <vector>

#include "runtime/backend.h"

namespace vss::x11 {

// Empty when no icon resource reads as a picture.
std::vector<unsigned long> IconProperty(runtime::Backend& resources);

}  // namespace vss::x11
