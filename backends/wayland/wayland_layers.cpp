#include "backends/wayland/wayland_layers.h"

#include <algorithm>

namespace vss::wayland {

namespace {

runtime::PixelRect Within(const runtime::PixelRect& r, const runtime::PixelRect& bounds) {
  return {std::max(r.left, bounds.left), std::max(r.top, bounds.top),
          std::min(r.right, bounds.right), std::min(r.bottom, bounds.bottom)};
}

}  // namespace

bool SameLayer(const Layer& a, const Layer& b) {
  if (a.place != b.place || a.picture.has_value() != b.picture.has_value()) return false;
  if (!a.picture) return a.colour == b.colour;
  const runtime::DrawOp &p = *a.picture, &q = *b.picture;
  return p.Picture.Bits() == q.Picture.Bits() && p.X == q.X && p.Y == q.Y && p.Width == q.Width &&
         p.Height == q.Height;
}

// Layers wholly under rect are hidden for good by what goes on top.
void LayerPlan::Cover(const runtime::PixelRect& rect) {
  layers_.erase(
      std::remove_if(layers_.begin(), layers_.end(),
                     [&rect](const Layer& layer) { return runtime::Contains(rect, layer.place); }),
      layers_.end());
}

void LayerPlan::Apply(const std::vector<runtime::PixelRect>& fills,
                      const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
                      const runtime::PixelRect* clip, runtime::Offset offset,
                      const runtime::PixelRect& area) {
  const runtime::PixelRect bounds =
      clip != nullptr ? Within(runtime::Moved(*clip, offset), area) : area;
  background_ = backRgb;
  for (const runtime::PixelRect& fill : fills) {
    const runtime::PixelRect place = Within(runtime::Moved(fill, offset), bounds);
    if (runtime::IsEmpty(place)) continue;
    Cover(place);
    // Where no layer is left the background shows the back colour already.
    const bool over = std::any_of(layers_.begin(), layers_.end(), [&place](const Layer& layer) {
      return runtime::Intersects(place, layer.place);
    });
    if (over) layers_.push_back({place, std::nullopt, backRgb});
  }
  for (const runtime::DrawOp& op : draws) {
    const runtime::DrawOp moved = runtime::Moved(op, offset);
    const runtime::PixelRect place = Within(moved.Bounds(), bounds);
    if (runtime::IsEmpty(place)) continue;
    Cover(place);
    layers_.push_back({place, moved, 0});
  }
}

}  // namespace vss::wayland
