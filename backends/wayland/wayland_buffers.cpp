#include "backends/wayland/wayland_buffers.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>

#include "runtime/picture_scale.h"

namespace vss::wayland {

namespace {

// Buffers no layer shows that stay for a later Tick: two frames at two
// output scales.
constexpr std::size_t Spare = 4;

}  // namespace

Buffer::~Buffer() { wl_buffer_destroy(buffer_); }

std::shared_ptr<Buffer> Buffers::Picture(const runtime::DrawOp& op, const runtime::PixelRect& place,
                                         int scale) {
  Kept key{op.Picture.Bits(), op.Width, op.Height, scale, place, 0, nullptr, 0};
  if (auto found = Find(key)) return found;
  const int left = place.left * scale, top = place.top * scale;
  const int width = (place.right - place.left) * scale;
  const int height = (place.bottom - place.top) * scale;
  key.buffer = Create(width, height, [&](std::uint32_t* pixels) {
    runtime::ScalePicture(op.Picture, op.Width * scale, op.Height * scale,
                          [&](int y, const std::uint32_t* row) {
                            if (y < top || y >= top + height) return;
                            std::copy(row + left, row + left + width,
                                      pixels + static_cast<std::size_t>(y - top) * width);
                          });
  });
  return Keep(std::move(key));
}

std::shared_ptr<Buffer> Buffers::Solid(std::uint32_t rgb) {
  Kept key{nullptr, 3, 3, 1, {0, 0, 3, 3}, rgb & 0xFFFFFFu, nullptr, 0};
  if (auto found = Find(key)) return found;
  key.buffer = Create(3, 3, [&key](std::uint32_t* pixels) { std::fill_n(pixels, 9, key.rgb); });
  return Keep(std::move(key));
}

std::shared_ptr<Buffer> Buffers::Find(const Kept& key) {
  for (Kept& kept : kept_) {
    if (kept.bits == key.bits && kept.width == key.width && kept.height == key.height &&
        kept.scale == key.scale && kept.place == key.place && kept.rgb == key.rgb) {
      kept.lastUse = ++uses_;
      return kept.buffer;
    }
  }
  return nullptr;
}

std::shared_ptr<Buffer> Buffers::Keep(Kept entry) {
  entry.lastUse = ++uses_;
  kept_.push_back(std::move(entry));
  std::shared_ptr<Buffer> buffer = kept_.back().buffer;
  auto unused = [](const Kept& kept) { return kept.buffer.use_count() == 1; };
  while (static_cast<std::size_t>(std::count_if(kept_.begin(), kept_.end(), unused)) > Spare) {
    auto oldest = kept_.end();
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
      if (unused(*it) && (oldest == kept_.end() || it->lastUse < oldest->lastUse)) oldest = it;
    }
    kept_.erase(oldest);
  }
  return buffer;
}

// The compositor maps the memory itself; the program's own mapping goes as
// soon as the pixels are in.
std::shared_ptr<Buffer> Buffers::Create(int width, int height,
                                        const std::function<void(std::uint32_t* pixels)>& fill) {
  if (width <= 0 || height <= 0 || width > INT_MAX / 4 / height) throw std::bad_alloc();
  const int stride = width * 4;
  const auto size = static_cast<std::size_t>(stride) * height;
  const int fd = memfd_create("vorlan-screen-saver-2", MFD_CLOEXEC);
  if (fd < 0) throw std::bad_alloc();
  void* memory = ftruncate(fd, static_cast<off_t>(size)) == 0
                     ? mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                     : MAP_FAILED;
  if (memory == MAP_FAILED) {
    close(fd);
    throw std::bad_alloc();
  }
  fill(static_cast<std::uint32_t*>(memory));
  munmap(memory, size);
  wl_shm_pool* pool = wl_shm_create_pool(shm_, fd, static_cast<std::int32_t>(size));
  wl_buffer* buffer =
      wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  return std::make_shared<Buffer>(buffer, width, height);
}

}  // namespace vss::wayland
