// What one output shows, in the order the compositor stacks it: the back
// colour everywhere, then layers from the bottom up, each a picture (or a
// part of one) or a rectangle of the back colour. A change of the form's
// image becomes a change of layers rather than of pixels: a layer that a
// newer one covers goes, so the saver's frames are one layer whose picture
// changes, and the output's size costs nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/image.h"

namespace vss::wayland {

struct Layer {
  runtime::PixelRect place;  // on the output, in logical pixels
  // A picture's layer: what was drawn; place is the part of it shown.
  std::optional<runtime::DrawOp> picture;
  std::uint32_t colour = 0;  // a rectangle's
};

// Shows the same thing: the surface showing one needs no change for the other.
bool SameLayer(const Layer& a, const Layer& b);

class LayerPlan {
 public:
  // Content as FormPeer::Render gives it, in the form's pixels, put on an
  // output by offset; area is the output's.
  void Apply(const std::vector<runtime::PixelRect>& fills,
             const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
             const runtime::PixelRect* clip, runtime::Offset offset,
             const runtime::PixelRect& area);

  std::uint32_t Background() const { return background_; }
  const std::vector<Layer>& Layers() const { return layers_; }

 private:
  void Cover(const runtime::PixelRect& rect);

  std::uint32_t background_ = 0;
  std::vector<Layer> layers_;
};

}  // namespace vss::wayland
