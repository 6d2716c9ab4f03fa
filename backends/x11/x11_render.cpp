#include "backends/x11/x11_render.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "runtime/picture_scale.h"

namespace vss::x11 {

namespace {

// Two frames in two sizes at most are in use at a time.
constexpr std::size_t CacheSize = 4;

void MaskLayout(unsigned long mask, int& shift, int& width) {
  shift = 0;
  width = 0;
  if (mask == 0) return;
  while ((mask >> shift & 1u) == 0) ++shift;
  while ((mask >> (shift + width) & 1u) != 0) ++width;
}

}  // namespace

Renderer::Renderer(Connection& connection, Window window)
    : connection_(connection), gc_(XCreateGC(connection.Dpy(), window, 0, nullptr)) {
  // TrueColor visuals only: every X server in use offers one as default.
  const Visual* visual = connection_.ScreenVisual();
  MaskLayout(visual->red_mask, shifts_[0], widths_[0]);
  MaskLayout(visual->green_mask, shifts_[1], widths_[1]);
  MaskLayout(visual->blue_mask, shifts_[2], widths_[2]);
}

Renderer::~Renderer() {
  for (Cached& cached : cache_) Release(cached);
  XFreeGC(connection_.Dpy(), gc_);
}

unsigned long Renderer::PixelOf(std::uint32_t rgb) const {
  unsigned long pixel = 0;
  for (int i = 0; i < 3; ++i) {
    const unsigned long channel = rgb >> (16 - 8 * i) & 0xFFu;
    const unsigned long top = (1ul << widths_[i]) - 1;
    pixel |= (channel * top + 127) / 255 << shifts_[i];
  }
  return pixel;
}

void Renderer::Render(Window target, runtime::Offset offset,
                      const std::vector<runtime::PixelRect>& fills,
                      const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
                      const runtime::PixelRect* clip) {
  // The server clips to the window; only an exposure's clip is ours.
  const runtime::PixelRect moved =
      clip != nullptr ? runtime::Moved(*clip, offset) : runtime::PixelRect{};
  auto clipped = [clip, &moved](const runtime::PixelRect& r) {
    return clip != nullptr ? runtime::Intersection(r, moved) : r;
  };
  ::Display* display = connection_.Dpy();
  XSetForeground(display, gc_, PixelOf(backRgb));
  for (const auto& fill : fills) {
    const runtime::PixelRect r = clipped(runtime::Moved(fill, offset));
    if (runtime::IsEmpty(r)) continue;
    XFillRectangle(display, target, gc_, r.left, r.top, static_cast<unsigned>(r.right - r.left),
                   static_cast<unsigned>(r.bottom - r.top));
  }
  for (const auto& op : draws) {
    const runtime::PixelRect place = runtime::Moved(op.Bounds(), offset);
    const runtime::PixelRect r = clipped(place);
    if (runtime::IsEmpty(r)) continue;
    Cached& cached = ImageOf(op);
    const int sx = r.left - place.left, sy = r.top - place.top;
    const auto w = static_cast<unsigned>(r.right - r.left);
    const auto h = static_cast<unsigned>(r.bottom - r.top);
    if (cached.shared) {
      XShmPutImage(display, target, gc_, cached.image, sx, sy, r.left, r.top, w, h, False);
    } else {
      XPutImage(display, target, gc_, cached.image, sx, sy, r.left, r.top, w, h);
    }
  }
}

Renderer::Cached& Renderer::ImageOf(const runtime::DrawOp& op) {
  ++uses_;
  const std::uint8_t* bits = op.Picture.Bits();
  for (Cached& cached : cache_) {
    if (cached.bits == bits && cached.width == op.Width && cached.height == op.Height) {
      cached.lastUse = uses_;
      return cached;
    }
  }
  if (cache_.size() >= CacheSize) {
    auto oldest = std::min_element(cache_.begin(), cache_.end(), [](const auto& a, const auto& b) {
      return a.lastUse < b.lastUse;
    });
    Release(*oldest);
    cache_.erase(oldest);
  }
  const int width = std::abs(op.Width), height = std::abs(op.Height);
  Cached cached{bits,  op.Width, op.Height, nullptr, std::make_unique<XShmSegmentInfo>(),
                false, uses_};
  cached.image = CreateImage(width, height, *cached.segment, cached.shared);
  XImage* image = cached.image;
  runtime::ScalePicture(op.Picture, op.Width, op.Height,
                        [this, image, width](int y, const std::uint32_t* row) {
                          for (int x = 0; x < width; ++x) XPutPixel(image, x, y, PixelOf(row[x]));
                        });
  cache_.push_back(std::move(cached));
  return cache_.back();
}

XImage* Renderer::CreateImage(int width, int height, XShmSegmentInfo& segment, bool& shared) {
  ::Display* display = connection_.Dpy();
  Visual* visual = connection_.ScreenVisual();
  const auto depth = static_cast<unsigned>(connection_.ScreenDepth());
  const auto w = static_cast<unsigned>(width), h = static_cast<unsigned>(height);
  shared = false;
  if (connection_.HasShm()) {
    XImage* image = XShmCreateImage(display, visual, depth, ZPixmap, nullptr, &segment, w, h);
    if (image != nullptr) {
      segment.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * h,
                             IPC_CREAT | 0600);
      void* address = segment.shmid >= 0 ? shmat(segment.shmid, nullptr, 0) : nullptr;
      if (address != nullptr && address != reinterpret_cast<void*>(-1)) {
        segment.shmaddr = image->data = static_cast<char*>(address);
        segment.readOnly = True;
        ErrorTrap trap(display);
        XShmAttach(display, &segment);
        // Gone with the last detach, even if the process dies.
        shmctl(segment.shmid, IPC_RMID, nullptr);
        if (!trap.Failed()) {
          shared = true;
          return image;
        }
        shmdt(address);
      } else if (segment.shmid >= 0) {
        shmctl(segment.shmid, IPC_RMID, nullptr);
      }
      image->data = nullptr;
      XDestroyImage(image);
    }
  }
  XImage* image = XCreateImage(display, visual, depth, ZPixmap, 0, nullptr, w, h, 32, 0);
  if (image == nullptr) throw std::bad_alloc();
  image->data =
      static_cast<char*>(std::malloc(static_cast<std::size_t>(image->bytes_per_line) * h));
  if (image->data == nullptr) {
    XDestroyImage(image);
    throw std::bad_alloc();
  }
  return image;
}

void Renderer::Release(Cached& cached) {
  if (cached.shared) {
    // The server may still read it for a request not yet done.
    XShmDetach(connection_.Dpy(), cached.segment.get());
    XSync(connection_.Dpy(), False);
    shmdt(cached.segment->shmaddr);
    cached.image->data = nullptr;
  }
  XDestroyImage(cached.image);
}

}  // namespace vss::x11
