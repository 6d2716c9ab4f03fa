// The program's resources: found by type and id, read in place. Windows
// keeps them in the executable's resource section; native builds compile
// the same media in as a table (resources/embed.cmake).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vss::runtime {

// A type given by number (2 = bitmap) or by name ("WAVE").
struct ResourceType {
  std::int32_t Number = 0;
  std::string Name;
};

inline constexpr std::int32_t BitmapResource = 2;

struct ResourceBytes {
  const std::uint8_t* Data = nullptr;
  std::size_t Size = 0;
};

struct EmbeddedResource {
  std::int32_t TypeNumber;
  const char* TypeName;  // null for a numbered type
  std::int32_t Id;
  const std::uint8_t* Data;
  std::size_t Size;
};

extern const EmbeddedResource EmbeddedResources[];
extern const std::size_t EmbeddedResourceCount;

// The compiled-in resource, or no bytes. Type names compare as the
// resource compiler stores them: case-insensitively.
ResourceBytes FindEmbeddedResource(const ResourceType& type, std::int32_t id);

}  // namespace vss::runtime
