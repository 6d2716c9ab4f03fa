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
inline constexpr std::int16_t Cancel = 0x03;
inline constexpr std::int16_t Back = 0x08, Tab = 0x09, Clear = 0x0C, Return = 0x0D;
inline constexpr std::int16_t Shift = 0x10, Control = 0x11, Menu = 0x12, Pause = 0x13;
inline constexpr std::int16_t Capital = 0x14, Kana = 0x15, Junja = 0x17, Kanji = 0x19;
inline constexpr std::int16_t Escape = 0x1B, Convert = 0x1C, NonConvert = 0x1D, Space = 0x20;
inline constexpr std::int16_t Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24;
inline constexpr std::int16_t Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
inline constexpr std::int16_t Select = 0x29, Print = 0x2A, Execute = 0x2B, Snapshot = 0x2C;
inline constexpr std::int16_t Insert = 0x2D, Delete = 0x2E, Help = 0x2F;
inline constexpr std::int16_t LeftWin = 0x5B, RightWin = 0x5C, Apps = 0x5D, Sleep = 0x5F;
inline constexpr std::int16_t Numpad0 = 0x60, Multiply = 0x6A, Add = 0x6B, Separator = 0x6C;
inline constexpr std::int16_t Subtract = 0x6D, Decimal = 0x6E, Divide = 0x6F, F1 = 0x70;
inline constexpr std::int16_t NumLock = 0x90, ScrollLock = 0x91, NumpadEqual = 0x92;
inline constexpr std::int16_t BrowserBack = 0xA6, BrowserForward = 0xA7, BrowserRefresh = 0xA8;
inline constexpr std::int16_t BrowserStop = 0xA9, BrowserSearch = 0xAA, BrowserFavorites = 0xAB;
inline constexpr std::int16_t BrowserHome = 0xAC, VolumeMute = 0xAD, VolumeDown = 0xAE;
inline constexpr std::int16_t VolumeUp = 0xAF, MediaNext = 0xB0, MediaPrevious = 0xB1;
inline constexpr std::int16_t MediaStop = 0xB2, MediaPlayPause = 0xB3, LaunchMail = 0xB4;
inline constexpr std::int16_t LaunchMedia = 0xB5, LaunchApp1 = 0xB6, LaunchApp2 = 0xB7;
inline constexpr std::int16_t Semicolon = 0xBA, Plus = 0xBB, Comma = 0xBC, Minus = 0xBD;
inline constexpr std::int16_t Period = 0xBE, Slash = 0xBF, Grave = 0xC0, LeftBracket = 0xDB;
inline constexpr std::int16_t Backslash = 0xDC, RightBracket = 0xDD, Quote = 0xDE;
inline constexpr std::int16_t Oem102 = 0xE2;
// The Japanese input keys of Windows' layouts (VK_DBE_*).
inline constexpr std::int16_t Alphanumeric = 0xF0, Katakana = 0xF1, Hiragana = 0xF2;
inline constexpr std::int16_t SingleByte = 0xF3, DoubleByte = 0xF4, Roman = 0xF5;
inline constexpr std::int16_t Attn = 0xF6, CrSel = 0xF7, ExSel = 0xF8, EraseEof = 0xF9;
inline constexpr std::int16_t Play = 0xFA, Pa1 = 0xFD;
// What a Windows keyboard layout gives a key that has no virtual key of its
// own: the key still goes down and up.
inline constexpr std::int16_t Unassigned = 0xFF;
}  // namespace key

}  // namespace vss::runtime
