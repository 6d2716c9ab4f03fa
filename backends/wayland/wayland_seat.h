// A seat's keyboard and pointer, followed as the seat gains and loses them
// (a virtual keyboard exists only while the program typing through it
// runs). Keys go through the compositor's xkbcommon keymap to keysyms and
// from there to the same key codes as on X11 (runtime::KeyCodeOfKeysym).
#pragma once

#include <cstdint>
#include <memory>

#include <wayland-client.h>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;
struct wl_cursor_theme;

namespace vss::wayland {

class Connection;

// Where the seats' input goes, by the surface it is on, in that surface's
// logical pixels. Input on a surface that is not the sink's goes nowhere.
class InputSink {
 public:
  virtual ~InputSink() = default;
  virtual bool Ours(wl_surface* surface) const = 0;
  virtual bool CursorHidden() const = 0;
  virtual void PointerMoved(wl_surface* surface, int x, int y, std::int16_t buttons,
                            std::int16_t shift) = 0;
  // button: the form's (runtime::LeftButton, ...).
  virtual void PointerButton(wl_surface* surface, int x, int y, std::int16_t button, bool pressed,
                             std::int16_t shift) = 0;
  // code: 0 for a key without one; character: what the key types (0: none).
  virtual void Key(wl_surface* surface, std::int16_t code, bool pressed, std::uint32_t character,
                   std::int16_t shift) = 0;
};

class Seat {
 public:
  Seat(Connection& connection, InputSink& sink, wl_seat* seat, std::uint32_t name);
  ~Seat();
  Seat(const Seat&) = delete;
  Seat& operator=(const Seat&) = delete;

  std::uint32_t Name() const { return name_; }
  // Shows or hides the cursor over the sink's surface under the pointer.
  void ApplyCursor();

 private:
  static const wl_seat_listener SeatListener;
  static const wl_keyboard_listener KeyboardListener;
  static const wl_pointer_listener PointerListener;

  void Capabilities(std::uint32_t capabilities);
  void Keymap(std::uint32_t format, int fd, std::uint32_t size);
  void KeyEvent(std::uint32_t key, bool pressed);
  void Modifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                 std::uint32_t group);
  void PointerEnter(std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y);
  void Motion(wl_fixed_t x, wl_fixed_t y);
  void Button(std::uint32_t button, bool pressed);
  std::int16_t Shift() const;
  void DropKeyboard();
  void DropPointer();

  Connection& connection_;
  InputSink& sink_;
  wl_seat* seat_;
  std::uint32_t name_;
  wl_keyboard* keyboard_ = nullptr;
  wl_pointer* pointer_ = nullptr;
  xkb_context* xkb_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  xkb_state* state_ = nullptr;
  wl_surface* keyFocus_ = nullptr;
  wl_surface* pointerFocus_ = nullptr;
  std::uint32_t enterSerial_ = 0;
  int x_ = 0, y_ = 0;
  std::int16_t buttons_ = 0;
  // The cursor when shown: the theme's arrow, loaded when first shown.
  wl_cursor_theme* theme_ = nullptr;
  wl_surface* cursorSurface_ = nullptr;
};

}  // namespace vss::wayland
