// The native benchmark's floor on Wayland: the least a correct saver does
// there. At load the clip starts looped on ALSA's default device. Each
// output, also one that comes later, gets a layer-shell overlay surface
// anchored to its four edges (no exclusive zone, every key), made black by
// a 3 x 3 buffer whose middle pixel the viewport stretches over it (wlroots'
// pixman renderer overshoots a lone pixel). The two frames are scaled once
// per output scale to the saver's size (the HIMETRIC extent taken as twips:
// 2540/1440 of the pixel size, in logical pixels) and kept as two buffers
// that outputs of one scale share; a subsurface at the output's centre
// shows one and, every 500 ms, the other, with a commit of the surface (sway
// 1.7 repaints nothing for a desynchronized subsurface's own commits). The
// cursor is hidden over it; a key or a click ends it.
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "bench/native/floor_media.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

namespace {

constexpr int FrameWidth = (200 * 2540 + 720) / 1440, FrameHeight = (320 * 2540 + 720) / 1440;

wl_compositor* compositor;
wl_subcompositor* subcompositor;
wl_shm* shm;
wp_viewporter* viewporter;
zwlr_layer_shell_v1* layerShell;
wl_seat* seat;
bool done = false;

struct Output {
  std::uint32_t name = 0;
  wl_output* output = nullptr;
  int scale = 1;
  bool shown = false, configured = false;
  wl_surface *surface = nullptr, *child = nullptr;
  wl_subsurface* subsurface = nullptr;
  wp_viewport* viewport = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
};
std::vector<std::unique_ptr<Output>> outputs;
std::map<int, std::array<wl_buffer*, 2>> frames;  // by scale
int current = 0;

wl_buffer* Buffer(int width, int height, const std::function<void(std::uint32_t*)>& fill) {
  const int size = width * height * 4;
  const int fd = memfd_create("floor", MFD_CLOEXEC);
  if (ftruncate(fd, size) != 0) std::abort();
  auto* pixels = static_cast<std::uint32_t*>(
      mmap(nullptr, static_cast<std::size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
  fill(pixels);
  munmap(pixels, static_cast<std::size_t>(size));
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
  wl_buffer* buffer =
      wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  return buffer;
}

const std::array<wl_buffer*, 2>& FramesAt(int scale) {
  auto found = frames.find(scale);
  if (found != frames.end()) return found->second;
  std::array<wl_buffer*, 2> made{};
  const int width = FrameWidth * scale, height = FrameHeight * scale;
  for (int i = 0; i < 2; ++i) {
    made[static_cast<std::size_t>(i)] = Buffer(width, height, [&](std::uint32_t* pixels) {
      vss::bench::ScaleFrame(101 + i, width, height, [&](int y, const std::uint32_t* row) {
        std::memcpy(pixels + static_cast<std::size_t>(y) * width, row, width * 4u);
      });
    });
  }
  return frames[scale] = made;
}

void Show(Output& o, wl_buffer* frame) {
  wl_surface_attach(o.child, frame, 0, 0);
  wl_surface_damage_buffer(o.child, 0, 0, INT32_MAX, INT32_MAX);
  wl_surface_commit(o.child);
}

void Configure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t w,
               std::uint32_t h) {
  auto& o = *static_cast<Output*>(data);
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  o.configured = true;
  static wl_buffer* black = Buffer(3, 3, [](std::uint32_t* p) { std::memset(p, 0, 36); });
  wp_viewport_set_source(o.viewport, wl_fixed_from_int(1), wl_fixed_from_int(1),
                         wl_fixed_from_int(1), wl_fixed_from_int(1));
  wp_viewport_set_destination(o.viewport, static_cast<int>(w), static_cast<int>(h));
  wl_surface_attach(o.surface, black, 0, 0);
  wl_surface_damage_buffer(o.surface, 0, 0, 3, 3);
  wl_subsurface_set_position(o.subsurface, (static_cast<int>(w) - FrameWidth) / 2,
                             (static_cast<int>(h) - FrameHeight) / 2);
  wl_surface_set_buffer_scale(o.child, o.scale);
  Show(o, FramesAt(o.scale)[static_cast<std::size_t>(current)]);
  wl_surface_commit(o.surface);
}

void Cover(Output& o) {
  static const zwlr_layer_surface_v1_listener listener = {Configure,
                                                          [](void*, zwlr_layer_surface_v1*) {}};
  o.shown = true;
  o.surface = wl_compositor_create_surface(compositor);
  o.viewport = wp_viewporter_get_viewport(viewporter, o.surface);
  o.child = wl_compositor_create_surface(compositor);
  o.subsurface = wl_subcompositor_get_subsurface(subcompositor, o.child, o.surface);
  o.layer = zwlr_layer_shell_v1_get_layer_surface(layerShell, o.surface, o.output,
                                                  ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "floor");
  zwlr_layer_surface_v1_set_anchor(o.layer, 15);
  zwlr_layer_surface_v1_set_exclusive_zone(o.layer, -1);
  zwlr_layer_surface_v1_set_keyboard_interactivity(o.layer, 1);
  zwlr_layer_surface_v1_add_listener(o.layer, &listener, &o);
  wl_surface_commit(o.surface);
}

void AddOutput(wl_registry* registry, std::uint32_t name) {
  static const wl_output_listener listener = {
      [](void*, wl_output*, int, int, int, int, int, const char*, const char*, int) {},
      [](void*, wl_output*, std::uint32_t, int, int, int) {},
      [](void* data, wl_output*) {
        auto& o = *static_cast<Output*>(data);
        if (!o.shown) Cover(o);
      },
      [](void* data, wl_output*, int scale) { static_cast<Output*>(data)->scale = scale; },
      [](void*, wl_output*, const char*) {},
      [](void*, wl_output*, const char*) {},
  };
  auto o = std::make_unique<Output>();
  o->name = name;
  o->output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 2));
  wl_output_add_listener(o->output, &listener, o.get());
  outputs.push_back(std::move(o));
}

void Input(std::uint32_t capabilities) {
  static const wl_keyboard_listener keys = {
      [](void*, wl_keyboard*, std::uint32_t, int fd, std::uint32_t) { close(fd); },
      [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {},
      [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {},
      [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {
        done = true;
      },
      [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
         std::uint32_t) {},
      nullptr,  // the seat's version 1 has no later events
  };
  static const wl_pointer_listener pointer = {
      [](void*, wl_pointer* p, std::uint32_t serial, wl_surface*, wl_fixed_t, wl_fixed_t) {
        wl_pointer_set_cursor(p, serial, nullptr, 0, 0);
      },
      [](void*, wl_pointer*, std::uint32_t, wl_surface*) {},
      [](void*, wl_pointer*, std::uint32_t, wl_fixed_t, wl_fixed_t) {},
      [](void*, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {
        done = true;
      },
      [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
      nullptr,
      nullptr,
      nullptr,
      nullptr,
      nullptr,
  };
  static wl_keyboard* keyboard = nullptr;
  static wl_pointer* mouse = nullptr;
  if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && keyboard == nullptr) {
    keyboard = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(keyboard, &keys, nullptr);
  }
  if ((capabilities & WL_SEAT_CAPABILITY_POINTER) != 0 && mouse == nullptr) {
    mouse = wl_seat_get_pointer(seat);
    wl_pointer_add_listener(mouse, &pointer, nullptr);
  }
}

void Global(void*, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t) {
  auto is = [interface](const wl_interface& i) { return std::strcmp(interface, i.name) == 0; };
  auto bind = [&](const wl_interface& i, std::uint32_t version) {
    return wl_registry_bind(registry, name, &i, version);
  };
  if (is(wl_compositor_interface)) {
    compositor = static_cast<wl_compositor*>(bind(wl_compositor_interface, 4));
  } else if (is(wl_subcompositor_interface)) {
    subcompositor = static_cast<wl_subcompositor*>(bind(wl_subcompositor_interface, 1));
  } else if (is(wl_shm_interface)) {
    shm = static_cast<wl_shm*>(bind(wl_shm_interface, 1));
  } else if (is(wp_viewporter_interface)) {
    viewporter = static_cast<wp_viewporter*>(bind(wp_viewporter_interface, 1));
  } else if (is(zwlr_layer_shell_v1_interface)) {
    layerShell = static_cast<zwlr_layer_shell_v1*>(bind(zwlr_layer_shell_v1_interface, 1));
  } else if (is(wl_output_interface)) {
    AddOutput(registry, name);
  } else if (is(wl_seat_interface) && seat == nullptr) {
    static const wl_seat_listener listener = {
        [](void*, wl_seat*, std::uint32_t capabilities) { Input(capabilities); },
        [](void*, wl_seat*, const char*) {}};
    seat = static_cast<wl_seat*>(bind(wl_seat_interface, 1));
    wl_seat_add_listener(seat, &listener, nullptr);
  }
}

void GlobalRemove(void*, wl_registry*, std::uint32_t name) {
  for (auto it = outputs.begin(); it != outputs.end(); ++it) {
    Output& o = **it;
    if (o.name != name) continue;
    if (o.shown) {
      zwlr_layer_surface_v1_destroy(o.layer);
      wl_subsurface_destroy(o.subsurface);
      wp_viewport_destroy(o.viewport);
      wl_surface_destroy(o.child);
      wl_surface_destroy(o.surface);
    }
    wl_output_destroy(o.output);
    outputs.erase(it);
    return;
  }
}

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return 1;
  std::thread(vss::bench::PlayClipLooped).detach();
  static const wl_registry_listener listener = {Global, GlobalRemove};
  wl_registry_add_listener(wl_display_get_registry(display), &listener, nullptr);
  wl_display_roundtrip(display);
  if (layerShell == nullptr || viewporter == nullptr || subcompositor == nullptr) return 1;
  using Clock = std::chrono::steady_clock;
  auto due = Clock::now() + std::chrono::milliseconds(500);
  while (!done) {
    while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
    wl_display_flush(display);
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count();
    pollfd fd{wl_display_get_fd(display), POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(std::max<long long>(0, wait))) > 0) {
      if (wl_display_read_events(display) < 0) break;
    } else {
      wl_display_cancel_read(display);
    }
    if (wl_display_dispatch_pending(display) < 0) break;
    if (Clock::now() < due) continue;
    due += std::chrono::milliseconds(500);
    current ^= 1;
    for (const auto& o : outputs) {
      if (!o->configured) continue;
      Show(*o, FramesAt(o->scale)[static_cast<std::size_t>(current)]);
      wl_surface_commit(o->surface);
    }
  }
  wl_display_disconnect(display);
  return 0;
}
