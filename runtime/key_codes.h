// The runtime's codes for input events: key codes (the Windows virtual-key
// numbers, which the form events carry on every platform), the shift state
// and the mouse buttons as bit masks.
#pragma once

#include <cstdint>

namespace vss::runtime {

// Shift argument of key and mouse events.
inline constexpr std::int16_t ShiftMask = 1;
inline constexpr std::int16_t CtrlMask = 2;
inline constexpr std::int16_t AltMask = 4;

// Button argument of mouse events.
inline constexpr std::int16_t LeftButton = 1;
inline constexpr std::int16_t RightButton = 2;
inline constexpr std::int16_t MiddleButton = 4;

// Key codes that are not the upper-case letter or digit itself.
namespace key {
inline constexpr std::int16_t Back = 0x08, Tab = 0x09, Clear = 0x0C, Return = 0x0D;
inline constexpr std::int16_t Shift = 0x10, Control = 0x11, Menu = 0x12, Pause = 0x13;
inline constexpr std::int16_t Capital = 0x14, Escape = 0x1B, Space = 0x20;
inline constexpr std::int16_t Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24;
inline constexpr std::int16_t Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
inline constexpr std::int16_t Select = 0x29, Print = 0x2A, Snapshot = 0x2C;
inline constexpr std::int16_t Insert = 0x2D, Delete = 0x2E, Help = 0x2F;
inline constexpr std::int16_t LeftWin = 0x5B, RightWin = 0x5C, Apps = 0x5D;
inline constexpr std::int16_t Numpad0 = 0x60, Multiply = 0x6A, Add = 0x6B, Separator = 0x6C;
inline constexpr std::int16_t Subtract = 0x6D, Decimal = 0x6E, Divide = 0x6F, F1 = 0x70;
inline constexpr std::int16_t NumLock = 0x90, ScrollLock = 0x91;
inline constexpr std::int16_t Semicolon = 0xBA, Plus = 0xBB, Comma = 0xBC, Minus = 0xBD;
inline constexpr std::int16_t Period = 0xBE, Slash = 0xBF, Grave = 0xC0, LeftBracket = 0xDB;
inline constexpr std::int16_t Backslash = 0xDC, RightBracket = 0xDD, Quote = 0xDE;
}  // namespace key

}  // namespace vss::runtime
