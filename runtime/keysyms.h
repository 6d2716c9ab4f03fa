// The key code a form event carries (the Windows virtual-key number, see
// runtime/key_codes.h) for a keysym: X11 and xkbcommon (Wayland) share the
// keysym numbers, so both backends map keys by this one table. Built only
// where the keysym header is (not for Windows).
#pragma once

#include <cstdint>

namespace vss::runtime {

// 0 for a keysym that has no key code.
std::int16_t KeyCodeOfKeysym(std::uint32_t keysym);

}  // namespace vss::runtime
