#include "runtime/keysyms.h"

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
// function key.
constexpr Entry Table[] = {
    {XK_BackSpace, key::Back},
    {XK_Tab, key::Tab},
    {XK_ISO_Left_Tab, key::Tab},
    {XK_Clear, key::Clear},
    {XK_Return, key::Return},
    {XK_KP_Enter, key::Return},
    {XK_Shift_L, key::Shift},
    {XK_Shift_R, key::Shift},
    {XK_Control_L, key::Control},
    {XK_Control_R, key::Control},
    {XK_Alt_L, key::Menu},
    {XK_Alt_R, key::Menu},
    {XK_ISO_Level3_Shift, key::Menu},
    {XK_Pause, key::Pause},
    {XK_Caps_Lock, key::Capital},
    {XK_Escape, key::Escape},
    {XK_space, key::Space},
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
    {XK_Print, key::Snapshot},
    {XK_Insert, key::Insert},
    {XK_KP_Insert, key::Insert},
    {XK_Delete, key::Delete},
    {XK_KP_Delete, key::Delete},
    {XK_Help, key::Help},
    {XK_Super_L, key::LeftWin},
    {XK_Super_R, key::RightWin},
    {XK_Menu, key::Apps},
    {XK_KP_Multiply, key::Multiply},
    {XK_KP_Add, key::Add},
    {XK_KP_Separator, key::Separator},
    {XK_KP_Subtract, key::Subtract},
    {XK_KP_Decimal, key::Decimal},
    {XK_KP_Divide, key::Divide},
    {XK_Num_Lock, key::NumLock},
    {XK_Scroll_Lock, key::ScrollLock},
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
  return 0;
}

}  // namespace vss::runtime
