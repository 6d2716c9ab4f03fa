#include "backends/wayland/wayland_display.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

#include "backends/wayland/wayland_seat.h"

namespace vss::wayland {

namespace {

// The newest versions whose events the listeners below know.
constexpr std::uint32_t CompositorVersion = 4;  // damage_buffer
constexpr std::uint32_t OutputVersion = 3;
constexpr std::uint32_t XdgOutputVersion = 3;
constexpr std::uint32_t SeatVersion = 5;

template <typename T>
T* Bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface,
        std::uint32_t offered, std::uint32_t wanted) {
  return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

Output& OutputOf(void* data) { return *static_cast<Output*>(data); }

}  // namespace

int Output::Width() const { return logicalWidth > 0 ? logicalWidth : modeWidth / scale; }
int Output::Height() const { return logicalHeight > 0 ? logicalHeight : modeHeight / scale; }

// ---- Connecting ------------------------------------------------------------------

std::unique_ptr<Connection> Connection::Open() {
  // The library takes WAYLAND_SOCKET out of the environment as it connects.
  const char* socket = std::getenv("WAYLAND_SOCKET");
  const bool handed = socket != nullptr && *socket != 0;
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return nullptr;
  std::unique_ptr<Connection> connection(new Connection(display, handed));
  // The globals, then what the outputs say of themselves.
  if (wl_display_roundtrip(display) < 0) return nullptr;
  for (auto& output : connection->outputs_) {
    if (output->xdg == nullptr) connection->DescribeLogically(*output);
  }
  if (wl_display_roundtrip(display) < 0) return nullptr;
  return connection;
}

Connection::Connection(wl_display* display, bool handed) : display_(display), handed_(handed) {
  static const wl_registry_listener listener = {Global, GlobalRemove};
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &listener, this);
}

Connection::~Connection() {
  seats_.clear();
  for (auto& output : outputs_) {
    if (output->xdg != nullptr) zxdg_output_v1_destroy(output->xdg);
    wl_output_destroy(output->output);
  }
  if (xdgOutputs_ != nullptr) zxdg_output_manager_v1_destroy(xdgOutputs_);
  if (layerShell_ != nullptr) zwlr_layer_shell_v1_destroy(layerShell_);
  if (viewporter_ != nullptr) wp_viewporter_destroy(viewporter_);
  if (shm_ != nullptr) wl_shm_destroy(shm_);
  if (subcompositor_ != nullptr) wl_subcompositor_destroy(subcompositor_);
  if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
  wl_registry_destroy(registry_);
  wl_display_disconnect(display_);
}

bool Connection::CanCover() const {
  return compositor_ != nullptr && subcompositor_ != nullptr && shm_ != nullptr &&
         viewporter_ != nullptr && layerShell_ != nullptr;
}

std::string Connection::Name() const {
  if (handed_) return "WAYLAND_SOCKET";
  const char* name = std::getenv("WAYLAND_DISPLAY");
  return name != nullptr && *name != 0 ? name : "wayland-0";
}

const Output* Connection::FormOutput() const {
  for (const auto& output : outputs_) {
    if (output->ready) return output.get();
  }
  return nullptr;
}

void Connection::TakeInput(InputSink& sink) {
  input_ = &sink;
  for (const auto& [name, version] : seatGlobals_) BindSeat(name, version);
}

// ---- Globals ---------------------------------------------------------------------

void Connection::Global(void* data, wl_registry* registry, std::uint32_t name,
                        const char* interface, std::uint32_t version) {
  auto& self = *static_cast<Connection*>(data);
  const std::string is = interface;
  if (is == wl_compositor_interface.name) {
    self.compositor_ =
        Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, CompositorVersion);
  } else if (is == wl_subcompositor_interface.name) {
    self.subcompositor_ = Bind<wl_subcompositor>(registry, name, &wl_subcompositor_interface, 1, 1);
  } else if (is == wl_shm_interface.name) {
    self.shm_ = Bind<wl_shm>(registry, name, &wl_shm_interface, 1, 1);
  } else if (is == wp_viewporter_interface.name) {
    self.viewporter_ = Bind<wp_viewporter>(registry, name, &wp_viewporter_interface, 1, 1);
  } else if (is == zwlr_layer_shell_v1_interface.name) {
    self.layerShell_ =
        Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, 1, 1);
  } else if (is == zxdg_output_manager_v1_interface.name) {
    self.xdgOutputs_ = Bind<zxdg_output_manager_v1>(
        registry, name, &zxdg_output_manager_v1_interface, version, XdgOutputVersion);
  } else if (is == wl_output_interface.name) {
    self.AddOutput(name, version);
  } else if (is == wl_seat_interface.name) {
    self.seatGlobals_.emplace_back(name, version);
    if (self.input_ != nullptr) self.BindSeat(name, version);
  }
}

void Connection::GlobalRemove(void* data, wl_registry*, std::uint32_t name) {
  auto& self = *static_cast<Connection*>(data);
  auto& seats = self.seats_;
  seats.erase(std::remove_if(seats.begin(), seats.end(),
                             [name](const auto& seat) { return seat->Name() == name; }),
              seats.end());
  auto& globals = self.seatGlobals_;
  globals.erase(std::remove_if(globals.begin(), globals.end(),
                               [name](const auto& global) { return global.first == name; }),
                globals.end());
  auto& outputs = self.outputs_;
  const auto found = std::find_if(outputs.begin(), outputs.end(),
                                  [name](const auto& output) { return output->name == name; });
  if (found == outputs.end()) return;
  // Taken out of the list first: a watcher asking for the outputs sees
  // the others only.
  std::unique_ptr<Output> gone = std::move(*found);
  outputs.erase(found);
  if (gone->ready && self.watcher_ != nullptr) self.watcher_->OutputGone(*gone);
  if (gone->xdg != nullptr) zxdg_output_v1_destroy(gone->xdg);
  wl_output_destroy(gone->output);
}

void Connection::BindSeat(std::uint32_t name, std::uint32_t version) {
  auto* seat = Bind<wl_seat>(registry_, name, &wl_seat_interface, version, SeatVersion);
  seats_.push_back(std::make_unique<Seat>(*this, *input_, seat, name));
}

// ---- Outputs ---------------------------------------------------------------------

void Connection::AddOutput(std::uint32_t name, std::uint32_t version) {
  static const wl_output_listener listener = {
      [](void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
         const char*, const char*, std::int32_t) {},
      [](void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
         std::int32_t) {
        if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
        OutputOf(data).modeWidth = width;
        OutputOf(data).modeHeight = height;
      },
      [](void* data, wl_output*) { OutputOf(data).connection->Described(OutputOf(data)); },
      [](void* data, wl_output*, std::int32_t factor) {
        OutputOf(data).scale = std::max(1, factor);
      },
      [](void*, wl_output*, const char*) {},
      [](void*, wl_output*, const char*) {},
  };
  auto output = std::make_unique<Output>();
  output->name = name;
  output->connection = this;
  output->output = Bind<wl_output>(registry_, name, &wl_output_interface, version, OutputVersion);
  wl_output_add_listener(output->output, &listener, output.get());
  if (xdgOutputs_ != nullptr) DescribeLogically(*output);
  outputs_.push_back(std::move(output));
}

// The output's size in logical pixels, which its mode and scale give only
// when it is not scaled by a fraction or turned.
void Connection::DescribeLogically(Output& output) {
  static const zxdg_output_v1_listener listener = {
      [](void*, zxdg_output_v1*, std::int32_t, std::int32_t) {},
      [](void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
        OutputOf(data).logicalWidth = width;
        OutputOf(data).logicalHeight = height;
      },
      // Only before version 3; from then on the output's own done.
      [](void* data, zxdg_output_v1*) { OutputOf(data).connection->Described(OutputOf(data)); },
      [](void*, zxdg_output_v1*, const char*) {},
      [](void*, zxdg_output_v1*, const char*) {},
  };
  if (xdgOutputs_ == nullptr || output.xdg != nullptr) return;
  output.xdg = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, output.output);
  zxdg_output_v1_add_listener(output.xdg, &listener, &output);
}

void Connection::Described(Output& output) {
  if (output.modeWidth <= 0 || output.modeHeight <= 0) return;
  if (output.xdg != nullptr && output.logicalWidth <= 0) return;
  if (!output.ready) {
    output.ready = true;
    if (watcher_ != nullptr) watcher_->OutputReady(output);
  } else if (watcher_ != nullptr) {
    watcher_->OutputChanged(output);
  }
}

}  // namespace vss::wayland
