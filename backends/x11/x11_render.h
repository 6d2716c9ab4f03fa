// What a form's windows show: the back colour on the changed rectangles and
// each picture scaled to its place, on the form's window or, moved, on a
// window over another monitor. A picture is converted and scaled once per
// size and kept for every window, so a Tick only copies it to the server
// (through shared memory when the server offers it).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/image.h"

#include "backends/x11/x11_display.h"
#include <X11/extensions/XShm.h>

namespace vss::x11 {

class Renderer {
 public:
  // window: the form's, or one of the screen's depth.
  Renderer(Connection& connection, Window window);
  ~Renderer();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // The form's content (FormPeer::Render) on target, moved by offset.
  void Render(Window target, runtime::Offset offset, const std::vector<runtime::PixelRect>& fills,
              const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
              const runtime::PixelRect* clip);
  unsigned long PixelOf(std::uint32_t rgb) const;

 private:
  struct Cached {
    const std::uint8_t* bits;
    int width, height;
    XImage* image;
    // On the heap: the image keeps its address.
    std::unique_ptr<XShmSegmentInfo> segment;
    bool shared;
    std::uint64_t lastUse;
  };

  Cached& ImageOf(const runtime::DrawOp& op);
  XImage* CreateImage(int width, int height, XShmSegmentInfo& segment, bool& shared);
  void Release(Cached& cached);

  Connection& connection_;
  GC gc_;
  std::vector<Cached> cache_;
  std::uint64_t uses_ = 0;
  int shifts_[3];
  int widths_[3];
};

}  // namespace vss::x11
