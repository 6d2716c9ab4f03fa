// The key code a form event carries (the Windows virtual-key number, see
// runtime/key_codes.h) for a keysym: X11 and xkbcommon (Wayland) share the
// keysym numbers, so both backends map keys by this one table. Built only
// where the keysym header is (not for Windows).
#pragma once

#include <cstdint>

namespace vss::runtime {

// Every key press reaches a form as a key down, as on Windows: a keysym
// that has no virtual key there (Multi_key, a letter of another alphabet,
// NoSymbol) gets key::Unassigned, the code Windows gives a key its layout
// has no virtual key for, rather than a guess at one that names another key.
std::int16_t KeyCodeOfKeysym(std::uint32_t keysym);

}  // namespace vss::runtime
