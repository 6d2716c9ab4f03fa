// A form's window on X11 (forms without keyboard controls: the saver and the
// preview). It reports the window's input, exposure and end to the form and
// offers the operations the OS calls translate to (x11_api.cpp). The saver's
// shows its image on every other monitor too, in a window of its own there
// (MonitorView) whose input is the form's.
//
// A top-level window's place is relative to the primary monitor, which is
// at the origin on Windows; a child's is in its parent.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/loaded_form.h"

#include "backends/x11/x11_display.h"
#include "backends/x11/x11_loop.h"
#include "backends/x11/x11_render.h"
#include "backends/x11/x11_window.h"

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
  // RandR's monitors changed.
  void MonitorsChanged();

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
  // Above everything (MakeWindowTopmost). Before the first map.
  void MakeTopmost(bool windowManager);
  void Map();
  void Raise();
  // The saver's: its image also on every monitor that its own window does
  // not cover, now and as monitors come and go.
  void CoverMonitors();
  void MonitorsChanged();
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
  // Where the window lies on the root now, as the server has it (a window
  // manager may have moved it).
  runtime::PixelRect OnRoot() const;
  const MonitorView* ViewOf(Window window) const;
  void RepaintViews();
  void Configured(const XConfigureEvent& event);
  void ViewLost(Window window);

  Connection& connection_;
  FormWindows& windows_;
  runtime::LoadedForm& form_;
  Window window_ = 0;
  Window host_ = 0;
  int x_ = 0, y_ = 0, width_ = 0, height_ = 0;
  bool gone_ = false;
  bool grabbed_ = false;
  bool adopted_ = false;
  bool windowManager_ = false, covering_ = false;
  std::unique_ptr<Renderer> renderer_;
  std::vector<std::unique_ptr<MonitorView>> views_;
  std::uint32_t backRgb_ = 0;
  // The one window an exposure repaints; the others show the image already.
  Window exposing_ = 0;
  // Cleared when the peer goes: the form a handler unloaded takes its peer
  // with it before the handler's caller returns.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vss::x11
