// The connection to the Wayland compositor: the globals the saver binds,
// the outputs as they come, change and go, and the seats. Wayland has no
// primary output: the form's screen is the first output the compositor
// announces (FormOutput), the others show its image centred.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <wayland-client.h>

struct wp_viewporter;
struct zwlr_layer_shell_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace vss::wayland {

class InputSink;
class Seat;

class Connection;

struct Output {
  Connection* connection = nullptr;
  std::uint32_t name = 0;  // the registry's
  wl_output* output = nullptr;
  zxdg_output_v1* xdg = nullptr;
  int scale = 1;
  int modeWidth = 0, modeHeight = 0;
  int logicalWidth = 0, logicalHeight = 0;  // xdg-output's, 0 when not told
  bool ready = false;                       // described in full once

  // In the compositor's logical pixels.
  int Width() const;
  int Height() const;
};

// Told when an output is described in full for the first time, when it
// changes after that, and when it goes.
class OutputWatcher {
 public:
  virtual ~OutputWatcher() = default;
  virtual void OutputReady(Output& output) = 0;
  virtual void OutputChanged(Output& output) = 0;
  virtual void OutputGone(Output& output) = 0;
};

class Connection {
 public:
  // Null when no compositor answers. handed: it came through
  // WAYLAND_SOCKET, from a locker that runs the saver as its client.
  static std::unique_ptr<Connection> Open();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  wl_display* Display() const { return display_; }
  bool Handed() const { return handed_; }
  // Has what a full-screen saver needs: layer shell, viewporter,
  // subsurfaces and shared memory.
  bool CanCover() const;
  // The names a message gives the compositor.
  std::string Name() const;

  wl_compositor* Compositor() const { return compositor_; }
  wl_subcompositor* Subcompositor() const { return subcompositor_; }
  wl_shm* Shm() const { return shm_; }
  wp_viewporter* Viewporter() const { return viewporter_; }
  zwlr_layer_shell_v1* LayerShell() const { return layerShell_; }

  const std::vector<std::unique_ptr<Output>>& Outputs() const { return outputs_; }
  const Output* FormOutput() const;
  void Watch(OutputWatcher* watcher) { watcher_ = watcher; }
  // Binds the seats, now and as they come, reporting their input to sink.
  void TakeInput(InputSink& sink);
  const std::vector<std::unique_ptr<Seat>>& Seats() const { return seats_; }

 private:
  Connection(wl_display* display, bool handed);
  static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                     std::uint32_t version);
  static void GlobalRemove(void* data, wl_registry* registry, std::uint32_t name);
  void AddOutput(std::uint32_t name, std::uint32_t version);
  void DescribeLogically(Output& output);
  void BindSeat(std::uint32_t name, std::uint32_t version);
  // The output's done: what it said since is complete.
  void Described(Output& output);

  wl_display* display_;
  bool handed_;
  wl_registry* registry_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  wl_subcompositor* subcompositor_ = nullptr;
  wl_shm* shm_ = nullptr;
  wp_viewporter* viewporter_ = nullptr;
  zwlr_layer_shell_v1* layerShell_ = nullptr;
  zxdg_output_manager_v1* xdgOutputs_ = nullptr;
  std::vector<std::unique_ptr<Output>> outputs_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> seatGlobals_;  // name, version
  std::vector<std::unique_ptr<Seat>> seats_;
  InputSink* input_ = nullptr;
  OutputWatcher* watcher_ = nullptr;
};

}  // namespace vss::wayland
