// A form's window on X11 (forms without keyboard controls: the saver and the
// preview). It reports the window's input, exposure and end to the form and
// offers the operations the OS calls translate to (x11_api.cpp).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "runtime/loaded_form.h"

#include "backends/x11/x11_click.h"
#include "backends/x11/x11_display.h"
#include "backends/x11/x11_loop.h"
#include "backends/x11/x11_render.h"

namespace vss::x11 {

class X11Form;

// The live form windows, and whether the cursor is hidden over them.
class FormWindows {
 public:
  // A hack's: the host's window, which the saver's form draws on instead of
  // a window of its own.
  const std::optional<HostWindow>& Host() const { return host_; }
  void SetHost(const HostWindow& host) { host_ = host; }
  X11Form* Find(Window window) const;
  const std::map<Window, X11Form*>& All() const { return windows_; }
  bool CursorHidden() const { return cursorHidden_; }
  void SetCursorHidden(bool hidden);

 private:
  friend class X11Form;
  std::map<Window, X11Form*> windows_;
  std::optional<HostWindow> host_;
  bool cursorHidden_ = false;
};

class X11Form final : public runtime::FormPeer, public EventSink {
 public:
  X11Form(Connection& connection, FormWindows& windows, EventLoop& loop, runtime::LoadedForm& form);
  ~X11Form() override;
  X11Form(const X11Form&) = delete;
  X11Form& operator=(const X11Form&) = delete;

  // runtime::FormPeer
  WindowHandle Handle() const override { return static_cast<WindowHandle>(window_); }
  void SetCaption(const std::string& caption) override;
  runtime::PixelRect Bounds() const override;
  int ClientWidth() const override { return width_; }
  int ClientHeight() const override { return height_; }
  void Move(int x, int y) override;
  void Resize(int width, int height) override;
  void Show() override;
  void Render(const std::vector<runtime::PixelRect>& fills,
              const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
              const runtime::PixelRect* clip) override;
  void Destroy() override;

  // For the OS calls.
  Window Xid() const { return window_; }
  bool Embedded() const { return host_ != 0; }
  // Drawing on a host's window, which it never moves, maps, restacks,
  // grabs, decorates or destroys.
  bool Adopted() const { return adopted_; }
  void Place(int x, int y, int width, int height);
  // Into another client's window; false when it is no window.
  bool Reparent(Window host);
  // The host's end ends the form as its own window's end does.
  void WatchHost();
  // Above everything: EWMH full screen and above with a window manager, out
  // of its reach (override-redirect) without one. Before the first map.
  void MakeTopmost(bool windowManager);
  void Map();
  void Raise();
  // Every key and click to this window, the pointer shaped as the cursor
  // state says; false when another client holds them.
  bool GrabInput();
  void ApplyCursor();

  // EventSink
  void HandleEvent(const XEvent& event) override;

 private:
  void Adopt(const HostWindow& host);
  void CreateOwnWindow();
  void Key(const XKeyEvent& event, bool press);
  void Lost();

  Connection& connection_;
  FormWindows& windows_;
  runtime::LoadedForm& form_;
  Window window_ = 0;
  Window host_ = 0;
  int x_ = 0, y_ = 0, width_ = 0, height_ = 0;
  bool gone_ = false;
  bool grabbed_ = false;
  bool adopted_ = false;
  std::unique_ptr<Renderer> renderer_;
  DoubleClick doubleClick_;
  // Cleared when the peer goes: the form a handler unloaded takes its peer
  // with it before the handler's caller returns.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vss::x11
