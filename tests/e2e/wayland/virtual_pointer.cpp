// The tests' pointer on a compositor without input devices: a virtual
// pointer on the first seat, which gains the pointer while it lives, driven
// by the words of the command line in turn:
//   wait MS         lets the clients bind the new pointer, or lets time pass
//   move DX DY      a relative movement
//   click           the left button down and up
// Status 0 when the compositor took everything, 1 otherwise.
#include <linux/input-event-codes.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

wl_seat* seat = nullptr;
zwlr_virtual_pointer_manager_v1* manager = nullptr;

void Global(void*, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t) {
  if (seat == nullptr && std::strcmp(interface, wl_seat_interface.name) == 0) {
    seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
    manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
  }
}

std::uint32_t Now() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

int main(int argc, char** argv) {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "virtual_pointer: no compositor\n");
    return 1;
  }
  static const wl_registry_listener listener = {Global, [](void*, wl_registry*, std::uint32_t) {}};
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &listener, nullptr);
  wl_display_roundtrip(display);
  if (manager == nullptr) {
    std::fprintf(stderr, "virtual_pointer: the compositor offers no virtual pointer\n");
    return 1;
  }
  zwlr_virtual_pointer_v1* pointer =
      zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "wait" && i + 1 < argc) {
      wl_display_roundtrip(display);
      std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[++i])));
    } else if (word == "move" && i + 2 < argc) {
      zwlr_virtual_pointer_v1_motion(pointer, Now(), wl_fixed_from_int(std::atoi(argv[i + 1])),
                                     wl_fixed_from_int(std::atoi(argv[i + 2])));
      zwlr_virtual_pointer_v1_frame(pointer);
      i += 2;
    } else if (word == "click") {
      for (const auto state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
        zwlr_virtual_pointer_v1_button(pointer, Now(), BTN_LEFT, state);
        zwlr_virtual_pointer_v1_frame(pointer);
      }
    } else {
      std::fprintf(stderr, "virtual_pointer: cannot read '%s'\n", word.c_str());
      return 1;
    }
  }
  const bool taken = wl_display_roundtrip(display) >= 0;
  zwlr_virtual_pointer_v1_destroy(pointer);
  zwlr_virtual_pointer_manager_v1_destroy(manager);
  if (seat != nullptr) wl_seat_destroy(seat);
  wl_registry_destroy(registry);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  return taken ? 0 : 1;
}
