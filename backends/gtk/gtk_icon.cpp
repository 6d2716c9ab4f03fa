#include "backends/gtk/gtk_icon.h"

#include "runtime/dib.h"

namespace vss::gtk {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

constexpr std::size_t GroupHeader = 6;
constexpr std::size_t GroupEntry = 14;

}  // namespace

std::optional<IconImage> DecodeIcon(runtime::ResourceBytes bytes) {
  if (bytes.Data == nullptr || bytes.Size < 40) return std::nullopt;
  // The header counts the colours and the mask together; with half the
  // height it reads as the plain colour bitmap that comes first.
  std::vector<std::uint8_t> copy(bytes.Data, bytes.Data + bytes.Size);
  const auto doubled = static_cast<std::int32_t>(Le32(copy.data() + 8));
  if (doubled <= 0 || doubled % 2 != 0) return std::nullopt;
  const std::uint32_t height = static_cast<std::uint32_t>(doubled / 2);
  for (int k = 0; k < 4; ++k) copy[8 + static_cast<std::size_t>(k)] = height >> (8 * k) & 0xFF;
  const auto dib = runtime::Dib::Parse(copy.data(), copy.size());
  if (!dib) return std::nullopt;

  const auto w = static_cast<std::size_t>(dib->Width());
  const auto h = static_cast<std::size_t>(dib->Height());
  const std::size_t colourStride = (w * static_cast<std::size_t>(dib->BitCount()) + 31) / 32 * 4;
  const std::size_t maskStride = (w + 31) / 32 * 4;
  const std::size_t maskAt = static_cast<std::size_t>(dib->Bits() - copy.data()) + colourStride * h;
  if (maskAt + maskStride * h > copy.size()) return std::nullopt;

  IconImage image{dib->Width(), dib->Height(), std::vector<std::uint8_t>(w * h * 4)};
  for (std::size_t y = 0; y < h; ++y) {
    const std::uint8_t* mask = copy.data() + maskAt + maskStride * (h - 1 - y);  // bottom-up
    for (std::size_t x = 0; x < w; ++x) {
      const std::uint32_t rgb = dib->Rgb(static_cast<int>(x), static_cast<int>(y));
      std::uint8_t* px = &image.rgba[(y * w + x) * 4];
      px[0] = rgb >> 16 & 0xFF;
      px[1] = rgb >> 8 & 0xFF;
      px[2] = rgb & 0xFF;
      px[3] = (mask[x / 8] >> (7 - x % 8) & 1) != 0 ? 0 : 0xFF;
    }
  }
  return image;
}

std::vector<IconImage> DecodeIconGroup(
    runtime::ResourceBytes group, const std::function<runtime::ResourceBytes(std::int32_t)>& find) {
  std::vector<IconImage> images;
  if (group.Data == nullptr || group.Size < GroupHeader) return images;
  const std::size_t count = Le16(group.Data + 4);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = GroupHeader + i * GroupEntry;
    if (at + GroupEntry > group.Size) break;
    if (auto image = DecodeIcon(find(Le16(group.Data + at + 12)))) {
      images.push_back(std::move(*image));
    }
  }
  return images;
}

}  // namespace vss::gtk
