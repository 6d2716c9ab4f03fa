#include "backends/x11/x11_icon.h"

#include <cstdint>
#include <cstring>
#include <optional>

#include "runtime/dib.h"
#include "runtime/backend.h"

namespace vss::x11 {

namespace {

constexpr std::int32_t IconResource = 3;
constexpr std::int32_t IconIds[] = {30001, 30002, 30003};

void AddIcon(const runtime::ResourceBytes& bytes, std::vector<unsigned long>& property) {
  if (bytes.Data == nullptr || bytes.Size < 40) return;
  // An icon image is a picture of twice its height: the colours, then a
  // mask of one bit per pixel that marks the transparent ones.
  std::vector<std::uint8_t> copy(bytes.Data, bytes.Data + bytes.Size);
  std::int32_t doubled = 0;
  std::memcpy(&doubled, copy.data() + 8, 4);
  const std::int32_t height = doubled / 2;
  std::memcpy(copy.data() + 8, &height, 4);
  const std::optional<runtime::Dib> dib = runtime::Dib::Parse(copy.data(), copy.size());
  if (!dib || height <= 0) return;
  const int w = dib->Width(), h = dib->Height();
  const std::size_t maskStride = (static_cast<std::size_t>(w) + 31) / 32 * 4;
  const std::size_t colourBytes = (static_cast<std::size_t>(w) * dib->BitCount() + 31) / 32 * 4 * h;
  const std::uint8_t* mask = dib->Bits() + colourBytes;
  if (mask + maskStride * h > copy.data() + copy.size()) return;
  property.push_back(static_cast<unsigned long>(w));
  property.push_back(static_cast<unsigned long>(h));
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = mask + maskStride * static_cast<std::size_t>(h - 1 - y);
    for (int x = 0; x < w; ++x) {
      const bool transparent = (row[x / 8] >> (7 - x % 8) & 1) != 0;
      property.push_back((transparent ? 0ul : 0xFF000000ul) | dib->Rgb(x, y));
    }
  }
}

}  // namespace

std::vector<unsigned long> IconProperty(runtime::Backend& resources) {
  std::vector<unsigned long> property;
  for (const std::int32_t id : IconIds)
    AddIcon(resources.FindResource({IconResource, ""}, id), property);
  return property;
}

}  // namespace vss::x11
