// The start module: the variables the whole program shares, the start
// procedure Main and the parse of the preview host's handle.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/basWin32API.h"
#include "platform/runtime.h"

namespace vss {

class frmMain;
class frmOptions;

inline constexpr std::int32_t ModeNone = 0;
inline constexpr std::int32_t ModeSaver = 1;
inline constexpr std::int32_t ModeConfigure = 2;
inline constexpr std::int32_t ModePreview = 4;

// The window class every form window of the runtime carries.
inline constexpr const char* FormWindowClass = "ThunderRT5Form";

class basMain {
 public:
  basMain(platform::Runtime& runtime, platform::basWin32API& win32);
  ~basMain();
  basMain(const basMain&) = delete;
  basMain& operator=(const basMain&) = delete;

  // The start procedure; the runtime calls it once.
  void Main();

  // The window handle in the longest numeric tail of text; 0 when there is
  // none or when it does not fit in 32 bits.
  static std::int32_t ParseHandle(const std::string& text);

  // Drops a form reference ("Set frm = Nothing"). The object lives on until
  // the module goes, because the unload that drops it is still running on it.
  template <typename FormT>
  void Release(std::unique_ptr<FormT>& reference) {
    if (reference) released_.push_back(std::move(reference));
  }

  platform::Runtime& Runtime;
  platform::basWin32API& Win32;

  std::int32_t Mode = ModeNone;
  platform::Rect ScreenRect;
  std::int32_t DelayInterval = 0;
  Boolean DelayRandom = False;

  std::unique_ptr<class frmMain> frmMain;
  std::unique_ptr<class frmOptions> frmOptions;

 private:
  void RunSaver();
  void RunPreview(const std::string& commandText);
  void RunConfigure();

  std::vector<std::unique_ptr<platform::FormModule>> released_;
};

}  // namespace vss
