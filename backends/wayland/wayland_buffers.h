// The shared-memory buffers the outputs show: the part of a picture a
// layer shows, scaled to the output's pixels, and a colour, whose middle
// pixel the compositor stretches over any rectangle (SolidSource). Kept while a layer
// shows them and a few more, so each frame of the saver is scaled once per
// output scale, never per Tick.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "runtime/image.h"

struct wl_buffer;
struct wl_shm;

namespace vss::wayland {

class Buffer {
 public:
  Buffer(wl_buffer* buffer, int width, int height)
      : buffer_(buffer), width_(width), height_(height) {}
  ~Buffer();
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  wl_buffer* Get() const { return buffer_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  wl_buffer* buffer_;
  int width_, height_;
};

class Buffers {
 public:
  explicit Buffers(wl_shm* shm) : shm_(shm) {}
  // The part of op's picture shown at place (on op's own coordinates),
  // scale output pixels to a logical one. Throws std::bad_alloc when the
  // memory cannot be had.
  std::shared_ptr<Buffer> Picture(const runtime::DrawOp& op, const runtime::PixelRect& place,
                                  int scale);
  // 3 x 3 pixels. Stretched alone, one pixel shows the rectangle's last
  // rows empty under wlroots' pixman renderer (sway 1.7 headless), whose
  // fixed-point stretch overshoots it; the middle one has a pixel of room.
  std::shared_ptr<Buffer> Solid(std::uint32_t rgb);
  static constexpr int SolidSource = 1;  // the middle pixel's place and size

 private:
  struct Kept {
    const std::uint8_t* bits;
    int width, height, scale;
    runtime::PixelRect place;
    std::uint32_t rgb;
    std::shared_ptr<Buffer> buffer;
    std::uint64_t lastUse;
  };

  std::shared_ptr<Buffer> Find(const Kept& key);
  std::shared_ptr<Buffer> Keep(Kept entry);
  // Pixels from fill, a row at a time, in a new buffer.
  std::shared_ptr<Buffer> Create(int width, int height,
                                 const std::function<void(std::uint32_t* pixels)>& fill);

  wl_shm* shm_;
  std::vector<Kept> kept_;
  std::uint64_t uses_ = 0;
};

}  // namespace vss::wayland
