#include "runtime/icon.h"

#include "runtime/bytes.h"
#include "runtime/dib.h"

namespace vss::runtime {

namespace {

constexpr int MaxSide = 256;
constexpr std::size_t GroupHeader = 6;
constexpr std::size_t GroupEntry = 14;
constexpr std::uint16_t IconDirectory = 1;  // 2 would be a cursor's

}  // namespace

std::optional<IconImage> DecodeIconImage(ResourceBytes bytes) {
  if (bytes.Data == nullptr || bytes.Size < 40) return std::nullopt;
  // The header counts the colours and the mask together; with half the
  // height it reads as the plain colour bitmap that comes first.
  const auto doubled = static_cast<std::int32_t>(Le32(bytes.Data + 8));
  if (doubled <= 0 || doubled % 2 != 0 || doubled / 2 > MaxSide) return std::nullopt;
  std::vector<std::uint8_t> copy(bytes.Data, bytes.Data + bytes.Size);
  const auto height = static_cast<std::uint32_t>(doubled / 2);
  for (std::size_t k = 0; k < 4; ++k) copy[8 + k] = static_cast<std::uint8_t>(height >> (8 * k));
  const std::optional<Dib> dib = Dib::Parse(copy.data(), copy.size());
  if (!dib || dib->Width() > MaxSide) return std::nullopt;

  const auto w = static_cast<std::size_t>(dib->Width());
  const auto h = static_cast<std::size_t>(dib->Height());
  const std::size_t colourStride = (w * static_cast<std::size_t>(dib->BitCount()) + 31) / 32 * 4;
  const std::size_t maskStride = (w + 31) / 32 * 4;
  const std::size_t maskAt = static_cast<std::size_t>(dib->Bits() - copy.data()) + colourStride * h;
  if (maskAt + maskStride * h > copy.size()) return std::nullopt;

  IconImage image{dib->Width(), dib->Height(), std::vector<std::uint32_t>(w * h)};
  for (std::size_t y = 0; y < h; ++y) {
    const std::uint8_t* mask = copy.data() + maskAt + maskStride * (h - 1 - y);  // bottom-up
    for (std::size_t x = 0; x < w; ++x) {
      const bool transparent = (mask[x / 8] >> (7 - x % 8) & 1) != 0;
      image.Argb[y * w + x] =
          (transparent ? 0u : 0xFF000000u) | dib->Rgb(static_cast<int>(x), static_cast<int>(y));
    }
  }
  return image;
}

std::vector<IconImage> LoadIcon(const ResourceLookup& find, std::int32_t group) {
  std::vector<IconImage> images;
  const ResourceBytes directory = find({IconGroupResource, ""}, group);
  if (directory.Data == nullptr || directory.Size < GroupHeader || Le16(directory.Data) != 0 ||
      Le16(directory.Data + 2) != IconDirectory) {
    return images;
  }
  const std::size_t count = Le16(directory.Data + 4);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = GroupHeader + i * GroupEntry;
    if (at + GroupEntry > directory.Size) break;
    const std::int32_t id = Le16(directory.Data + at + 12);
    if (auto image = DecodeIconImage(find({IconResource, ""}, id))) {
      images.push_back(std::move(*image));
    }
  }
  return images;
}

}  // namespace vss::runtime
