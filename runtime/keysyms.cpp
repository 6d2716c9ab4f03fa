#include "runtime/keysyms.h"

// The 3270 terminal's keysyms, which Windows has virtual keys for too.
#define XK_3270
#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <iterator>

#include "runtime/key_codes.h"

namespace vss::runtime {

namespace {

struct Entry {
  std::uint32_t keysym;
  std::int16_t code;
};

// Keysyms that are neither a letter, a digit, a keypad digit nor a
// function key, and have a virtual key on Windows.
constexpr Entry Table[] = {
    {XK_Cancel, key::Cancel},
    {XK_Break, key::Cancel},  // Ctrl+Pause, as Windows reports it
    {XK_BackSpace, key::Back},
    {XK_Tab, key::Tab},
    {XK_KP_Tab, key::Tab},
    {XK_ISO_Left_Tab, key::Tab},
    {XK_Clear, key::Clear},
    {XK_Return, key::Return},
    {XK_KP_Enter, key::Return},
    {XK_KP_Begin, key::Clear},  // 5 on the keypad without NumLock
    {XK_Shift_L, key::Shift},
    {XK_Shift_R, key::Shift},
    {XK_Control_L, key::Control},
    {XK_Control_R, key::Control},
    {XK_Alt_L, key::Menu},
    {XK_Alt_R, key::Menu},
    {XK_ISO_Level3_Shift, key::Menu},
    {XK_Pause, key::Pause},
    {XK_Caps_Lock, key::Capital},
    {XK_Kana_Lock, key::Kana},
    {XK_Kana_Shift, key::Kana},
    {XK_Hangul, key::Kana},  // the same key as VK_HANGUL
    {XK_Hangul_Jeonja, key::Junja},
    {XK_Kanji, key::Kanji},
    {XK_Hangul_Hanja, key::Kanji},  // VK_HANJA
    {XK_Escape, key::Escape},
    {XK_Henkan, key::Convert},
    {XK_Muhenkan, key::NonConvert},
    {XK_space, key::Space},
    {XK_KP_Space, key::Space},
    {XK_Prior, key::Prior},
    {XK_KP_Prior, key::Prior},
    {XK_Next, key::Next},
    {XK_KP_Next, key::Next},
    {XK_End, key::End},
    {XK_KP_End, key::End},
    {XK_Home, key::Home},
    {XK_KP_Home, key::Home},
    {XK_Left, key::Left},
    {XK_KP_Left, key::Left},
    {XK_Up, key::Up},
    {XK_KP_Up, key::Up},
    {XK_Right, key::Right},
    {XK_KP_Right, key::Right},
    {XK_Down, key::Down},
    {XK_KP_Down, key::Down},
    {XK_Select, key::Select},
    {XK_Execute, key::Execute},
    {XK_Print, key::Snapshot},
    {XK_Sys_Req, key::Snapshot},  // Alt+Print
    {XK_Insert, key::Insert},
    {XK_KP_Insert, key::Insert},
    {XK_Delete, key::Delete},
    {XK_KP_Delete, key::Delete},
    {XK_Help, key::Help},
    {XK_Super_L, key::LeftWin},
    {XK_Super_R, key::RightWin},
    {XK_Menu, key::Apps},
    {XF86XK_Sleep, key::Sleep},
    {XK_KP_Multiply, key::Multiply},
    {XK_KP_Add, key::Add},
    {XK_KP_Separator, key::Separator},
    {XK_KP_Subtract, key::Subtract},
    {XK_KP_Decimal, key::Decimal},
    {XK_KP_Divide, key::Divide},
    {XK_Num_Lock, key::NumLock},
    {XK_Scroll_Lock, key::ScrollLock},
    {XK_KP_Equal, key::NumpadEqual},
    {XF86XK_Back, key::BrowserBack},
    {XF86XK_Forward, key::BrowserForward},
    {XF86XK_Refresh, key::BrowserRefresh},
    {XF86XK_Reload, key::BrowserRefresh},
    {XF86XK_Stop, key::BrowserStop},
    {XF86XK_Search, key::BrowserSearch},
    {XF86XK_Favorites, key::BrowserFavorites},
    {XF86XK_HomePage, key::BrowserHome},
    {XF86XK_AudioMute, key::VolumeMute},
    {XF86XK_AudioLowerVolume, key::VolumeDown},
    {XF86XK_AudioRaiseVolume, key::VolumeUp},
    {XF86XK_AudioNext, key::MediaNext},
    {XF86XK_AudioPrev, key::MediaPrevious},
    {XF86XK_AudioStop, key::MediaStop},
    {XF86XK_AudioPlay, key::MediaPlayPause},
    {XF86XK_AudioPause, key::MediaPlayPause},
    {XF86XK_Mail, key::LaunchMail},
    {XF86XK_AudioMedia, key::LaunchMedia},
    {XF86XK_MyComputer, key::LaunchApp1},
    {XF86XK_Calculator, key::LaunchApp2},
    {XK_semicolon, key::Semicolon},
    {XK_equal, key::Plus},
    {XK_comma, key::Comma},
    {XK_minus, key::Minus},
    {XK_period, key::Period},
    {XK_slash, key::Slash},
    {XK_grave, key::Grave},
    {XK_bracketleft, key::LeftBracket},
    {XK_backslash, key::Backslash},
    {XK_bracketright, key::RightBracket},
    {XK_apostrophe, key::Quote},
    {XK_less, key::Oem102},  // the key beside the left Shift of 102-key keyboards
    {XK_Eisu_toggle, key::Alphanumeric},
    {XK_Eisu_Shift, key::Alphanumeric},
    {XK_Katakana, key::Katakana},
    {XK_Hiragana, key::Hiragana},
    {XK_Hiragana_Katakana, key::Hiragana},
    {XK_Hankaku, key::SingleByte},
    {XK_Zenkaku_Hankaku, key::SingleByte},
    {XK_Zenkaku, key::DoubleByte},
    {XK_Romaji, key::Roman},
    {XK_3270_Attn, key::Attn},
    {XK_3270_CursorSelect, key::CrSel},
    {XK_3270_ExSelect, key::ExSel},
    {XK_3270_EraseEOF, key::EraseEof},
    {XK_3270_Play, key::Play},
    {XK_3270_PA1, key::Pa1},
};

}  // namespace

std::int16_t KeyCodeOfKeysym(std::uint32_t keysym) {
  if (keysym >= XK_a && keysym <= XK_z) return static_cast<std::int16_t>('A' + (keysym - XK_a));
  if (keysym >= XK_A && keysym <= XK_Z) return static_cast<std::int16_t>(keysym);
  if (keysym >= XK_0 && keysym <= XK_9) return static_cast<std::int16_t>(keysym);
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) {
    return static_cast<std::int16_t>(key::Numpad0 + (keysym - XK_KP_0));
  }
  if (keysym >= XK_F1 && keysym <= XK_F24) {
    return static_cast<std::int16_t>(key::F1 + (keysym - XK_F1));
  }
  for (const Entry& entry : Table) {
    if (entry.keysym == keysym) return entry.code;
  }
  return key::Unassigned;
}

}  // namespace vss::runtime
