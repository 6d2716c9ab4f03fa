// The key code a form event carries (the Windows virtual-key number, see
// runtime/key_codes.h) for an X keysym.
#pragma once

#include <cstdint>

namespace vss::x11 {

// 0 for a keysym that has no key code.
std::int16_t VirtualKeyOf(unsigned long keysym);

}  // namespace vss::x11
