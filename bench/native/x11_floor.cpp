// The native benchmark's floor: the least an Xlib program does to show the
// saver's animation and play its clip. At load the clip starts looped on
// ALSA's default device; a black override-redirect window covers the screen;
// every 500 ms the next frame, scaled once at start to the saver's size
// (the HIMETRIC extent taken as twips: 2540/1440 of the pixel size), goes
// to the centre of each monitor RandR reports (read once) with one
// XPutImage each. A key or a click ends it.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "bench/native/floor_media.h"

namespace {

XImage* ScaledFrame(Display* display, int id, int width, int height) {
  auto* data = static_cast<char*>(std::malloc(static_cast<std::size_t>(width) * height * 4));
  XImage* image = XCreateImage(display, DefaultVisual(display, DefaultScreen(display)), 24, ZPixmap,
                               0, data, width, height, 32, 0);
  vss::bench::ScaleFrame(id, width, height, [image, width](int y, const std::uint32_t* row) {
    for (int x = 0; x < width; ++x) XPutPixel(image, x, y, row[x]);
  });
  return image;
}

}  // namespace

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  std::thread(vss::bench::PlayClipLooped).detach();
  const int screen = DefaultScreen(display);
  const int sw = DisplayWidth(display, screen), sh = DisplayHeight(display, screen);
  XSetWindowAttributes attributes{};
  attributes.background_pixel = BlackPixel(display, screen);
  attributes.override_redirect = True;
  attributes.event_mask = KeyPressMask | ButtonPressMask | ExposureMask;
  const Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, sw, sh, 0,
                                      CopyFromParent, InputOutput, CopyFromParent,
                                      CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
  const int w = (200 * 2540 + 720) / 1440, h = (320 * 2540 + 720) / 1440;
  XImage* frames[2] = {ScaledFrame(display, 101, w, h), ScaledFrame(display, 102, w, h)};
  // Where the frames go: the centre of each monitor, else of the screen.
  std::vector<XPoint> places;
  int count = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(display, RootWindow(display, screen), True, &count);
  for (int i = 0; i < count; ++i) {
    places.push_back({static_cast<short>(monitors[i].x + (monitors[i].width - w) / 2),
                      static_cast<short>(monitors[i].y + (monitors[i].height - h) / 2)});
  }
  if (monitors != nullptr) XRRFreeMonitors(monitors);
  if (places.empty())
    places.push_back({static_cast<short>((sw - w) / 2), static_cast<short>((sh - h) / 2)});
  GC gc = XCreateGC(display, window, 0, nullptr);
  XMapRaised(display, window);
  int current = 0;
  auto draw = [&] {
    for (const XPoint& at : places)
      XPutImage(display, window, gc, frames[current], 0, 0, at.x, at.y, w, h);
    XFlush(display);
  };
  draw();
  for (;;) {
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    if (XPending(display) == 0 && poll(&fd, 1, 500) == 0) {
      current ^= 1;
      draw();
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == KeyPress || event.type == ButtonPress) break;
    if (event.type == Expose && event.xexpose.count == 0) draw();
  }
  XCloseDisplay(display);
  return 0;
}
