// A form's window on Wayland (forms without keyboard controls: the saver):
// not one surface but one OutputView on each output while it shows, the
// form's client area centred on each. It reports the seats' input on those
// surfaces to the form and follows the outputs as they come and go.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "runtime/loaded_form.h"

#include "backends/wayland/wayland_buffers.h"
#include "backends/wayland/wayland_display.h"
#include "backends/wayland/wayland_loop.h"
#include "backends/wayland/wayland_seat.h"
#include "backends/wayland/wayland_surface.h"

namespace vss::wayland {

class WaylandForm;

// The live forms, whether the cursor is hidden over them, and where input
// and outputs go.
class FormWindows final : public InputSink, public OutputWatcher {
 public:
  // host: a locker's run, which takes no keyboard.
  FormWindows(Connection& connection, bool host) : connection_(connection), host_(host) {}

  Connection& Display() const { return connection_; }
  bool Host() const { return host_; }
  Buffers& Pictures() { return buffers_; }
  WaylandForm* Find(WindowHandle handle) const;
  bool CursorHidden() const override { return cursorHidden_; }
  void SetCursorHidden(bool hidden);
  // Puts the cursor state on the seats; called between messages.
  void ApplyCursor();
  // The connection broke: every form's window is gone.
  void Lost();

  // InputSink
  bool Ours(wl_surface* surface) const override;
  void PointerMoved(wl_surface* surface, int x, int y, std::int16_t buttons,
                    std::int16_t shift) override;
  void PointerButton(wl_surface* surface, int x, int y, std::int16_t button, bool pressed,
                     std::int16_t shift) override;
  void Key(wl_surface* surface, std::int16_t code, bool pressed, std::uint32_t character,
           std::int16_t shift) override;

  // OutputWatcher
  void OutputReady(Output& output) override;
  void OutputChanged(Output& output) override;
  void OutputGone(Output& output) override;

 private:
  friend class WaylandForm;
  // The form showing on the surface, and the surface's offset from it.
  WaylandForm* FormOf(wl_surface* surface, runtime::Offset& offset) const;

  Connection& connection_;
  bool host_;
  Buffers buffers_{connection_.Shm()};
  std::map<WindowHandle, WaylandForm*> forms_;
  WindowHandle nextHandle_ = 0x100;
  bool cursorHidden_ = false;
  bool cursorChanged_ = false;
};

class WaylandForm final : public runtime::FormPeer, public OutputView::Owner {
 public:
  WaylandForm(FormWindows& windows, EventLoop& loop, runtime::LoadedForm& form);
  ~WaylandForm() override;
  WaylandForm(const WaylandForm&) = delete;
  WaylandForm& operator=(const WaylandForm&) = delete;

  runtime::LoadedForm& Form() const { return form_; }

  // runtime::FormPeer
  WindowHandle Handle() const override { return handle_; }
  void SetCaption(const std::string&) override {}
  runtime::PixelRect Bounds() const override { return {x_, y_, x_ + width_, y_ + height_}; }
  int ClientWidth() const override { return width_; }
  int ClientHeight() const override { return height_; }
  void Move(int x, int y) override;
  void Resize(int width, int height) override;
  void Show() override;
  void Render(const std::vector<runtime::PixelRect>& fills,
              const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
              const runtime::PixelRect* clip) override;
  void Destroy() override;

  // OutputView::Owner
  void Configured(OutputView& view) override;
  void Closed(OutputView& view) override;

 private:
  friend class FormWindows;
  void Cover(Output& output);
  // The form's image again on the view, from the persistent image.
  void Expose(OutputView& view);

  FormWindows& windows_;
  runtime::LoadedForm& form_;
  WindowHandle handle_;
  int x_ = 0, y_ = 0, width_ = 0, height_ = 0;
  bool shown_ = false;
  bool gone_ = false;
  std::map<const Output*, std::unique_ptr<OutputView>> views_;
  // The one view an exposure repaints; the others show the image already.
  OutputView* exposing_ = nullptr;
};

}  // namespace vss::wayland
