// The variables of the start module that every part of the program reads:
// the platform, the mode, the screen rectangle, the two options and the two
// forms. Forms and settings include this, never the start module itself.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "api/basWin32API.h"
#include "api/forms.h"

namespace vss {

class frmMain;
class frmOptions;
class ScheduleMemory;

enum class RunMode : std::int32_t { None = 0, Saver = 1, Configure = 2, Preview = 4 };

class Shared {
 public:
  Shared(vss::Runtime& runtime, basWin32API& win32);
  ~Shared();
  Shared(const Shared&) = delete;
  Shared& operator=(const Shared&) = delete;

  // Drops a form reference ("Set frm = Nothing"). The object lives on until
  // the module goes, because the unload that drops it is still running on it.
  template <typename FormT>
  void Release(std::unique_ptr<FormT>& reference) {
    if (reference) released_.push_back(std::move(reference));
  }

  vss::Runtime& Runtime;
  basWin32API& Win32;

  // Written once, by Main.
  RunMode Mode = RunMode::None;
  Rect ScreenRect;
  std::int32_t DelayInterval = 0;
  Boolean DelayRandom = False;
  // Set only by a host that restarts the saver within one blanking.
  ScheduleMemory* Schedule = nullptr;

  std::unique_ptr<vss::frmMain> frmMain;
  std::unique_ptr<vss::frmOptions> frmOptions;

 private:
  std::vector<std::unique_ptr<FormModule>> released_;
};

}  // namespace vss
