#include "backends/wayland/wayland_seat.h"

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <wayland-cursor.h>
#include <xkbcommon/xkbcommon.h>

#include "runtime/key_codes.h"
#include "runtime/keysyms.h"

#include "backends/wayland/wayland_display.h"

namespace vss::wayland {

namespace {

Seat& SeatOf(void* data) { return *static_cast<Seat*>(data); }

int Pixels(wl_fixed_t value) { return wl_fixed_to_int(value); }

// The wheel and the side buttons are no mouse button of a form.
std::int16_t ButtonOf(std::uint32_t button) {
  switch (button) {
    case BTN_LEFT:
      return runtime::LeftButton;
    case BTN_MIDDLE:
      return runtime::MiddleButton;
    case BTN_RIGHT:
      return runtime::RightButton;
    default:
      return 0;
  }
}

}  // namespace

const wl_seat_listener Seat::SeatListener = {
    [](void* data, wl_seat*, std::uint32_t capabilities) {
      SeatOf(data).Capabilities(capabilities);
    },
    [](void*, wl_seat*, const char*) {},
};

const wl_keyboard_listener Seat::KeyboardListener = {
    [](void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
      SeatOf(data).Keymap(format, fd, size);
    },
    // Keys already down when the surface took the keyboard are not typed on it.
    [](void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*) {
      SeatOf(data).keyFocus_ = surface;
    },
    [](void* data, wl_keyboard*, std::uint32_t, wl_surface*) { SeatOf(data).keyFocus_ = nullptr; },
    [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
       std::uint32_t state) { SeatOf(data).KeyEvent(key, state == WL_KEYBOARD_KEY_STATE_PRESSED); },
    [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
       std::uint32_t locked,
       std::uint32_t group) { SeatOf(data).Modifiers(depressed, latched, locked, group); },
    [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

const wl_pointer_listener Seat::PointerListener = {
    [](void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
       wl_fixed_t y) { SeatOf(data).PointerEnter(serial, surface, x, y); },
    [](void* data, wl_pointer*, std::uint32_t, wl_surface*) {
      SeatOf(data).pointerFocus_ = nullptr;
      SeatOf(data).buttons_ = 0;
    },
    [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
      SeatOf(data).Motion(x, y);
    },
    [](void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
       std::uint32_t state) {
      SeatOf(data).Button(button, state == WL_POINTER_BUTTON_STATE_PRESSED);
    },
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
    nullptr,  // axis_value120: version 8, not bound
};

Seat::Seat(Connection& connection, InputSink& sink, wl_seat* seat, std::uint32_t name)
    : connection_(connection), sink_(sink), seat_(seat), name_(name) {
  wl_seat_add_listener(seat_, &SeatListener, this);
}

Seat::~Seat() {
  DropKeyboard();
  DropPointer();
  if (xkb_ != nullptr) xkb_context_unref(xkb_);
  wl_seat_destroy(seat_);
}

void Seat::Capabilities(std::uint32_t capabilities) {
  const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
  if (keyboard && keyboard_ == nullptr) {
    keyboard_ = wl_seat_get_keyboard(seat_);
    wl_keyboard_add_listener(keyboard_, &KeyboardListener, this);
  } else if (!keyboard) {
    DropKeyboard();
  }
  if (pointer && pointer_ == nullptr) {
    pointer_ = wl_seat_get_pointer(seat_);
    wl_pointer_add_listener(pointer_, &PointerListener, this);
  } else if (!pointer) {
    DropPointer();
  }
}

void Seat::DropKeyboard() {
  if (keyboard_ == nullptr) return;
  if (wl_keyboard_get_version(keyboard_) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
    wl_keyboard_release(keyboard_);
  } else {
    wl_keyboard_destroy(keyboard_);
  }
  keyboard_ = nullptr;
  keyFocus_ = nullptr;
  if (state_ != nullptr) xkb_state_unref(state_);
  if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
  state_ = nullptr;
  keymap_ = nullptr;
}

void Seat::DropPointer() {
  if (pointer_ == nullptr) return;
  if (wl_pointer_get_version(pointer_) >= WL_POINTER_RELEASE_SINCE_VERSION) {
    wl_pointer_release(pointer_);
  } else {
    wl_pointer_destroy(pointer_);
  }
  pointer_ = nullptr;
  pointerFocus_ = nullptr;
  buttons_ = 0;
  if (cursorSurface_ != nullptr) wl_surface_destroy(cursorSurface_);
  if (theme_ != nullptr) wl_cursor_theme_destroy(theme_);
  cursorSurface_ = nullptr;
  theme_ = nullptr;
}

// ---- Keyboard --------------------------------------------------------------------

void Seat::Keymap(std::uint32_t format, int fd, std::uint32_t size) {
  void* text = format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0
                   ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0)
                   : MAP_FAILED;
  close(fd);
  if (text == MAP_FAILED) return;
  if (xkb_ == nullptr) xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap =
      xkb_ == nullptr
          ? nullptr
          : xkb_keymap_new_from_buffer(xkb_, static_cast<const char*>(text),
                                       strnlen(static_cast<const char*>(text), size),
                                       XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
  munmap(text, size);
  // A keymap that cannot be read leaves the keys without codes; they are
  // still keys.
  if (state_ != nullptr) xkb_state_unref(state_);
  if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
  keymap_ = keymap;
  state_ = keymap_ != nullptr ? xkb_state_new(keymap_) : nullptr;
}

void Seat::Modifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                     std::uint32_t group) {
  if (state_ != nullptr) xkb_state_update_mask(state_, depressed, latched, locked, 0, 0, group);
}

std::int16_t Seat::Shift() const {
  if (state_ == nullptr) return 0;
  auto active = [this](const char* name) {
    return xkb_state_mod_name_is_active(state_, name, XKB_STATE_MODS_EFFECTIVE) > 0;
  };
  return static_cast<std::int16_t>((active(XKB_MOD_NAME_SHIFT) ? runtime::ShiftMask : 0) |
                                   (active(XKB_MOD_NAME_CTRL) ? runtime::CtrlMask : 0) |
                                   (active(XKB_MOD_NAME_ALT) ? runtime::AltMask : 0));
}

// The key code from the key's unshifted keysym, as X11's backend takes it;
// the character as the key types it with the modifiers held.
void Seat::KeyEvent(std::uint32_t key, bool pressed) {
  if (keyFocus_ == nullptr || !sink_.Ours(keyFocus_)) return;
  std::int16_t code = 0;
  std::uint32_t character = 0;
  if (state_ != nullptr) {
    const xkb_keycode_t keycode = key + 8;  // evdev to XKB
    const xkb_keysym_t* syms = nullptr;
    const xkb_layout_index_t layout = xkb_state_key_get_layout(state_, keycode);
    if (xkb_keymap_key_get_syms_by_level(keymap_, keycode, layout, 0, &syms) > 0) {
      code = runtime::KeyCodeOfKeysym(syms[0]);
    }
    if (pressed) character = xkb_state_key_get_utf32(state_, keycode);
  }
  sink_.Key(keyFocus_, code, pressed, character, Shift());
}

// ---- Pointer ---------------------------------------------------------------------

void Seat::PointerEnter(std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
  pointerFocus_ = surface;
  enterSerial_ = serial;
  ApplyCursor();
  // The pointer is now over the window, as the system reports when a window
  // appears under it.
  Motion(x, y);
}

void Seat::Motion(wl_fixed_t x, wl_fixed_t y) {
  x_ = Pixels(x);
  y_ = Pixels(y);
  if (pointerFocus_ != nullptr && sink_.Ours(pointerFocus_)) {
    sink_.PointerMoved(pointerFocus_, x_, y_, buttons_, Shift());
  }
}

void Seat::Button(std::uint32_t button, bool pressed) {
  const std::int16_t which = ButtonOf(button);
  if (which == 0 || pointerFocus_ == nullptr || !sink_.Ours(pointerFocus_)) return;
  buttons_ = static_cast<std::int16_t>(pressed ? buttons_ | which : buttons_ & ~which);
  sink_.PointerButton(pointerFocus_, x_, y_, which, pressed, Shift());
}

void Seat::ApplyCursor() {
  if (pointer_ == nullptr || pointerFocus_ == nullptr || !sink_.Ours(pointerFocus_)) return;
  if (sink_.CursorHidden()) {
    wl_pointer_set_cursor(pointer_, enterSerial_, nullptr, 0, 0);
    return;
  }
  if (theme_ == nullptr) {
    theme_ = wl_cursor_theme_load(nullptr, 24, connection_.Shm());
    if (theme_ == nullptr) return;
    cursorSurface_ = wl_compositor_create_surface(connection_.Compositor());
  }
  wl_cursor* arrow = wl_cursor_theme_get_cursor(theme_, "left_ptr");
  if (arrow == nullptr || arrow->image_count == 0) return;
  wl_cursor_image* image = arrow->images[0];
  wl_surface_attach(cursorSurface_, wl_cursor_image_get_buffer(image), 0, 0);
  wl_surface_damage(cursorSurface_, 0, 0, static_cast<std::int32_t>(image->width),
                    static_cast<std::int32_t>(image->height));
  wl_surface_commit(cursorSurface_);
  wl_pointer_set_cursor(pointer_, enterSerial_, cursorSurface_,
                        static_cast<std::int32_t>(image->hotspot_x),
                        static_cast<std::int32_t>(image->hotspot_y));
}

}  // namespace vss::wayland
