#include "native/window_system.h"

namespace vss::native {

std::vector<WindowSystemKind> WindowSystemsToTry(const std::string& requested, bool inXWindow,
                                                 bool waylandEnvironment) {
  // The X protocols have no Wayland counterpart: none when Wayland is asked for.
  if (inXWindow)
    return requested == "wayland" ? std::vector<WindowSystemKind>{}
                                  : std::vector{WindowSystemKind::X11};
  if (requested == "x11") return {WindowSystemKind::X11};
  if (requested == "wayland") return {WindowSystemKind::Wayland};
  if (waylandEnvironment) return {WindowSystemKind::Wayland, WindowSystemKind::X11};
  return {WindowSystemKind::X11};
}

}  // namespace vss::native
