// What the Linux program asks of a window system, X11 or Wayland: the
// screen, the saver's and the preview's form windows, the ten OS calls
// there, and the event loop. One adapter per window system composes its
// backend (x11_window_system.h, wayland_window_system.h); the rules stay in
// runtime/, and dialogs are GTK's whatever the window system.
//
// Each adapter is a module of its own (window_modules.h), so that a run
// loads the libraries of the window system it uses and no other.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/basWin32API.h"
#include "runtime/backend.h"
#include "runtime/sound_output.h"

namespace vss::native {

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Can show a full-screen saver (Wayland: the compositor offers layer
  // shell); the options dialog needs nothing of it.
  virtual bool CanCover() const { return true; }
  // What the messages call it.
  virtual std::string Name() const = 0;
  // A hack's: the host's window becomes the saver's (X11 only); false when
  // the host has taken it back already.
  virtual bool AdoptHost() { return false; }
  // A host's run (XScreenSaver's window, a Wayland locker's outputs): no
  // instance is claimed, no input is taken, and the host ends it.
  virtual bool Hosted() const = 0;
  // A hack's: what it covers, naming the files it shares with the other
  // monitors' savers of its blanking; empty for any other run.
  virtual std::string HostPlace() const { return ""; }
  virtual runtime::ScreenMetrics Screen() = 0;
  // A form without keyboard controls (the saver, the preview).
  virtual std::unique_ptr<runtime::FormPeer> CreateForm(runtime::LoadedForm& form) = 0;
  virtual basWin32API& Api() = 0;
  // After a runtime error: the cursor shown, the sound stopped.
  virtual void RestoreAfterError() noexcept = 0;
  // The loop until Quit; ready is called whenever fd can be read.
  virtual void Run(int fd, const std::function<void()>& ready) = 0;
  virtual void Quit() = 0;
  // Sends what is still queued: the process is about to end at once.
  virtual void Flush() = 0;
};

// A module's one export, under this name: its window system, or null when
// that cannot be opened.
using WindowSystemOpener = WindowSystem*(runtime::SoundOutput& sound);
inline constexpr char WindowSystemOpenerName[] = "vss_open_window_system";

enum class WindowSystemKind { X11, Wayland };

// The window systems to try for a run, in order: the one asked for
// ("x11" or "wayland"; empty: either), Wayland first when its environment
// names a compositor; only X11 for a run in an X window (--root,
// --window-id), and none when that run asks for Wayland.
std::vector<WindowSystemKind> WindowSystemsToTry(const std::string& requested, bool inXWindow,
                                                 bool waylandEnvironment);

}  // namespace vss::native
