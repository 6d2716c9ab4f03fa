// The native benchmark's floor: the least an Xlib program does to show the
// saver's animation and play its clip. At load the clip starts looped on
// ALSA's default device; a black override-redirect window covers the screen;
// every 500 ms the next frame, scaled once at start to the saver's size
// (the HIMETRIC extent taken as twips: 2540/1440 of the pixel size), goes
// to the centre with one XPutImage. A key or a click ends it.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <alsa/asoundlib.h>
#include <poll.h>

#include <cstring>
#include <thread>

#include "runtime/resources.h"

namespace {

using vss::runtime::FindEmbeddedResource;

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// An 8-bit bottom-up bitmap resource, scaled by nearest neighbour.
XImage* ScaledFrame(Display* display, int id, int width, int height) {
  const auto bytes = FindEmbeddedResource({2, ""}, id);
  const std::uint8_t* info = bytes.Data;
  const int w = static_cast<int>(Le32(info + 4)), h = static_cast<int>(Le32(info + 8));
  const std::uint32_t colours = Le32(info + 32) ? Le32(info + 32) : 256;
  const std::uint8_t* palette = info + Le32(info);
  const std::uint8_t* bits = palette + colours * 4;
  const int stride = (w + 3) & ~3;
  auto* data = static_cast<char*>(std::malloc(static_cast<std::size_t>(width) * height * 4));
  XImage* image = XCreateImage(display, DefaultVisual(display, DefaultScreen(display)), 24, ZPixmap,
                               0, data, width, height, 32, 0);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = bits + static_cast<std::size_t>(h - 1 - y * h / height) * stride;
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* c = palette + row[x * w / width] * 4;
      XPutPixel(image, x, y, static_cast<unsigned long>(c[2]) << 16 | c[1] << 8 | c[0]);
    }
  }
  return image;
}

void PlayLooped() {
  const auto wave = FindEmbeddedResource({0, "WAVE"}, 101);
  const std::uint8_t* p = wave.Data + 12;
  unsigned channels = 1, rate = 8000, bits = 16;
  const std::uint8_t* samples = nullptr;
  std::uint32_t size = 0;
  while (p + 8 <= wave.Data + wave.Size) {
    const std::uint32_t length = Le32(p + 4);
    if (std::memcmp(p, "fmt ", 4) == 0) {
      channels = p[10] | p[11] << 8;
      rate = Le32(p + 12);
      bits = p[22] | p[23] << 8;
    } else if (std::memcmp(p, "data", 4) == 0) {
      samples = p + 8;
      size = length;
    }
    p += 8 + length + (length & 1);
  }
  snd_pcm_t* pcm = nullptr;
  if (samples == nullptr || snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) return;
  const auto format = bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
  if (snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, channels, rate, 1, 200000) <
      0) {
    return;
  }
  const snd_pcm_uframes_t frames = size / (channels * bits / 8);
  for (;;) {
    const snd_pcm_sframes_t written = snd_pcm_writei(pcm, samples, frames);
    if (written < 0) snd_pcm_recover(pcm, static_cast<int>(written), 1);
  }
}

}  // namespace

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  std::thread(PlayLooped).detach();
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
  GC gc = XCreateGC(display, window, 0, nullptr);
  XMapRaised(display, window);
  int current = 0;
  auto draw = [&] {
    XPutImage(display, window, gc, frames[current], 0, 0, (sw - w) / 2, (sh - h) / 2, w, h);
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
