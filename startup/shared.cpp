#include "startup/shared.h"

#include "options/frmOptions.h"
#include "saver/frmMain.h"

namespace vss {

Shared::Shared(platform::Runtime& runtime, platform::basWin32API& win32)
    : Runtime(runtime), Win32(win32) {}

Shared::~Shared() = default;

}  // namespace vss
