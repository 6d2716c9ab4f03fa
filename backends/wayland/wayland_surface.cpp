#include "backends/wayland/wayland_surface.h"

#include <algorithm>

#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

namespace vss::wayland {

namespace {

constexpr char Namespace[] = "vorlan-screen-saver-2";

// A solid colour's buffer stretched from its middle pixel over width x
// height; a picture's buffer shown as it is, scale pixels to a logical one
// (which the compositor then copies without resampling).
void Stretch(wl_surface* surface, wp_viewport* viewport, bool solid, int width, int height,
             int scale) {
  const wl_fixed_t at = wl_fixed_from_int(solid ? Buffers::SolidSource : -1);
  const wl_fixed_t size = wl_fixed_from_int(solid ? 1 : -1);
  wp_viewport_set_source(viewport, at, at, size, size);
  wp_viewport_set_destination(viewport, solid ? width : -1, solid ? height : -1);
  wl_surface_set_buffer_scale(surface, solid ? 1 : scale);
}

void DamageAll(wl_surface* surface, const Buffer& buffer) {
  if (wl_surface_get_version(surface) >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
    wl_surface_damage_buffer(surface, 0, 0, buffer.Width(), buffer.Height());
  } else {
    wl_surface_damage(surface, 0, 0, INT32_MAX, INT32_MAX);
  }
}

}  // namespace

OutputView::OutputView(Connection& connection, Buffers& buffers, Output& output, Owner& owner,
                       bool keyboard)
    : connection_(connection),
      buffers_(buffers),
      output_(output),
      owner_(owner),
      surface_(wl_compositor_create_surface(connection.Compositor())),
      viewport_(wp_viewporter_get_viewport(connection.Viewporter(), surface_)),
      layer_(zwlr_layer_shell_v1_get_layer_surface(connection.LayerShell(), surface_, output.output,
                                                   ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, Namespace)) {
  static const zwlr_layer_surface_v1_listener listener = {
      Configure,
      [](void* data, zwlr_layer_surface_v1*) {
        auto& view = *static_cast<OutputView*>(data);
        view.owner_.Closed(view);
      },
  };
  zwlr_layer_surface_v1_add_listener(layer_, &listener, this);
  zwlr_layer_surface_v1_set_anchor(
      layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                  ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
  zwlr_layer_surface_v1_set_size(layer_, 0, 0);
  // Over panels too: no room kept free for other layers.
  zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
  zwlr_layer_surface_v1_set_keyboard_interactivity(
      layer_, keyboard ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                       : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
  wl_surface_commit(surface_);
}

OutputView::~OutputView() {
  for (Shown& shown : shown_) {
    wp_viewport_destroy(shown.viewport);
    wl_subsurface_destroy(shown.subsurface);
    wl_surface_destroy(shown.surface);
  }
  zwlr_layer_surface_v1_destroy(layer_);
  wp_viewport_destroy(viewport_);
  wl_surface_destroy(surface_);
}

runtime::Offset OutputView::OffsetOf(int formWidth, int formHeight) const {
  return runtime::CentreOffset(formWidth, formHeight, width_, height_);
}

// A new size moves the form's image: it is laid out again from nothing.
void OutputView::Configure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                           std::uint32_t width, std::uint32_t height) {
  auto& view = *static_cast<OutputView*>(data);
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  // Anchored to every edge the size is the output's; a compositor that
  // leaves it to the client gets that too.
  if (width == 0 || height == 0) {
    width = static_cast<std::uint32_t>(std::max(1, view.output_.Width()));
    height = static_cast<std::uint32_t>(std::max(1, view.output_.Height()));
  }
  const bool resized =
      static_cast<int>(width) != view.width_ || static_cast<int>(height) != view.height_;
  view.width_ = static_cast<int>(width);
  view.height_ = static_cast<int>(height);
  Stretch(view.surface_, view.viewport_, true, view.width_, view.height_, 1);
  view.pending_ = true;
  if (resized) {
    view.plan_ = LayerPlan{};
    view.owner_.Configured(view);
  }
  view.Sync();
}

void OutputView::Render(const std::vector<runtime::PixelRect>& fills,
                        const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
                        const runtime::PixelRect* clip, runtime::Offset offset) {
  if (!Configured()) return;
  plan_.Apply(fills, draws, backRgb, clip, offset, {0, 0, width_, height_});
  Sync();
}

void OutputView::Sync() {
  if (!Configured()) return;
  bool commit = pending_;
  if (!background_ || backgroundRgb_ != plan_.Background()) {
    backgroundRgb_ = plan_.Background();
    background_ = buffers_.Solid(backgroundRgb_);
    wl_surface_attach(surface_, background_->Get(), 0, 0);
    DamageAll(surface_, *background_);
    commit = true;
  }
  const std::vector<Layer>& layers = plan_.Layers();
  for (std::size_t i = 0; i < layers.size(); ++i) {
    if (i == shown_.size()) shown_.push_back(NewSubsurface());
    commit = Show(shown_[i], layers[i], output_.scale) || commit;
  }
  for (std::size_t i = layers.size(); i < shown_.size(); ++i) {
    Shown& unused = shown_[i];
    if (!unused.buffer) continue;
    wl_surface_attach(unused.surface, nullptr, 0, 0);
    wl_surface_commit(unused.surface);
    unused.buffer.reset();
    commit = true;
  }
  // The subsurfaces' commits take effect with their parent's (sway 1.7
  // repaints nothing for those of a desynchronized one).
  if (commit) wl_surface_commit(surface_);
  pending_ = false;
}

// False when the subsurface shows the layer already.
bool OutputView::Show(Shown& shown, const Layer& layer, int scale) {
  if (shown.buffer && shown.scale == scale && SameLayer(shown.layer, layer)) return false;
  const runtime::PixelRect& place = layer.place;
  std::shared_ptr<Buffer> buffer;
  if (layer.picture) {
    const runtime::PixelRect bounds = layer.picture->Bounds();
    buffer =
        buffers_.Picture(*layer.picture, runtime::Moved(place, {-bounds.left, -bounds.top}), scale);
  } else {
    buffer = buffers_.Solid(layer.colour);
  }
  const runtime::PixelRect& before = shown.layer.place;
  if (!shown.buffer || before.left != place.left || before.top != place.top) {
    wl_subsurface_set_position(shown.subsurface, place.left, place.top);
  }
  if (!shown.buffer || shown.scale != scale ||
      shown.layer.picture.has_value() != layer.picture.has_value() ||
      before.right - before.left != place.right - place.left ||
      before.bottom - before.top != place.bottom - place.top) {
    Stretch(shown.surface, shown.viewport, !layer.picture, place.right - place.left,
            place.bottom - place.top, scale);
  }
  wl_surface_attach(shown.surface, buffer->Get(), 0, 0);
  DamageAll(shown.surface, *buffer);
  wl_surface_commit(shown.surface);
  shown.buffer = std::move(buffer);
  shown.layer = layer;
  shown.scale = scale;
  return true;
}

// Above the surface and every subsurface made before it; input falls
// through to the surface, whose coordinates the form's input uses.
OutputView::Shown OutputView::NewSubsurface() {
  wl_surface* surface = wl_compositor_create_surface(connection_.Compositor());
  wl_region* none = wl_compositor_create_region(connection_.Compositor());
  wl_surface_set_input_region(surface, none);
  wl_region_destroy(none);
  return Shown{surface,
               wl_subcompositor_get_subsurface(connection_.Subcompositor(), surface, surface_),
               wp_viewporter_get_viewport(connection_.Viewporter(), surface),
               nullptr,
               Layer{},
               1};
}

}  // namespace vss::wayland
