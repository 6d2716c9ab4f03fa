// What a form's window shows: the back colour on the changed rectangles and
// each picture scaled to its place. A picture is converted and scaled once
// per size and kept, so a Tick only copies it to the server (through shared
// memory when the server offers it).
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
  Renderer(Connection& connection, Window window);
  ~Renderer();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  void Render(const std::vector<runtime::PixelRect>& fills,
              const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
              const runtime::PixelRect* clip);

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
  unsigned long PixelOf(std::uint32_t rgb) const;

  Connection& connection_;
  Window window_;
  GC gc_;
  std::vector<Cached> cache_;
  std::uint64_t uses_ = 0;
  int shifts_[3];
  int widths_[3];
};

}  // namespace vss::x11
