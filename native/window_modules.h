// The window systems' modules (window_system.h): found next to the program
// in the build tree, or where the package puts them relative to it, and
// loaded for good.
#pragma once

#include <memory>
#include <string>

#include "native/window_system.h"

namespace vss::native {

// Null, with the reason in problem, when the module cannot be loaded or its
// window system cannot be opened.
std::unique_ptr<WindowSystem> OpenWindowSystem(WindowSystemKind kind, runtime::SoundOutput& sound,
                                               std::string& problem);

}  // namespace vss::native
