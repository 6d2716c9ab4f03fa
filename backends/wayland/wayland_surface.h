// One output's share of a form: a layer-shell overlay surface anchored to
// the output's four edges, above every window, with a one-pixel buffer of
// the back colour stretched over it, and the form's layers
// (wayland_layers.h) as subsurfaces above that, each a buffer the size of
// what it shows. The surface and its subsurfaces change in one commit.
#pragma once

#include <memory>
#include <vector>

#include "runtime/image.h"

#include "backends/wayland/wayland_buffers.h"
#include "backends/wayland/wayland_display.h"
#include "backends/wayland/wayland_layers.h"

struct wp_viewport;
struct zwlr_layer_surface_v1;

namespace vss::wayland {

class OutputView {
 public:
  // Told when the compositor has sized the surface (it then shows nothing
  // of the form until rendered again) and when it has dropped it.
  class Owner {
   public:
    virtual ~Owner() = default;
    virtual void Configured(OutputView& view) = 0;
    virtual void Closed(OutputView& view) = 0;
  };

  // keyboard: takes every key while it shows (not for a host's run).
  OutputView(Connection& connection, Buffers& buffers, Output& output, Owner& owner, bool keyboard);
  ~OutputView();
  OutputView(const OutputView&) = delete;
  OutputView& operator=(const OutputView&) = delete;

  Output& Of() const { return output_; }
  wl_surface* Surface() const { return surface_; }
  bool Configured() const { return width_ > 0; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Where the form's client area lies on the output: centred.
  runtime::Offset OffsetOf(int formWidth, int formHeight) const;

  void Render(const std::vector<runtime::PixelRect>& fills,
              const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
              const runtime::PixelRect* clip, runtime::Offset offset);
  // The output's scale changed: every picture again in its pixels.
  void Rescale() { Sync(); }
  // The form's image moved on the output: laid out again by the next Render.
  void Relayout() { plan_ = LayerPlan{}; }

 private:
  struct Shown {
    wl_surface* surface;
    wl_subsurface* subsurface;
    wp_viewport* viewport;
    std::shared_ptr<Buffer> buffer;  // null: unmapped
    Layer layer;
    int scale;
  };

  static void Configure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                        std::uint32_t width, std::uint32_t height);
  void Sync();
  bool Show(Shown& shown, const Layer& layer, int scale);
  Shown NewSubsurface();

  Connection& connection_;
  Buffers& buffers_;
  Output& output_;
  Owner& owner_;
  wl_surface* surface_;
  wp_viewport* viewport_;
  zwlr_layer_surface_v1* layer_;
  int width_ = 0, height_ = 0;
  LayerPlan plan_;
  std::shared_ptr<Buffer> background_;
  std::uint32_t backgroundRgb_ = 0;
  std::vector<Shown> shown_;
  bool pending_ = false;  // a configure to answer with a commit
};

}  // namespace vss::wayland
