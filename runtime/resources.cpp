#include "runtime/resources.h"

#include <cctype>

namespace vss::runtime {

namespace {

bool SameName(const char* stored, const std::string& wanted) {
  std::size_t i = 0;
  for (; i < wanted.size() && stored[i] != '\0'; ++i) {
    if (std::toupper(static_cast<unsigned char>(stored[i])) !=
        std::toupper(static_cast<unsigned char>(wanted[i]))) {
      return false;
    }
  }
  return stored[i] == '\0' && i == wanted.size();
}

}  // namespace

ResourceBytes FindEmbeddedResource(const ResourceType& type, std::int32_t id) {
  for (std::size_t i = 0; i < EmbeddedResourceCount; ++i) {
    const EmbeddedResource& r = EmbeddedResources[i];
    if (r.Id != id) continue;
    const bool match = type.Name.empty() ? r.TypeName == nullptr && r.TypeNumber == type.Number
                                         : r.TypeName != nullptr && SameName(r.TypeName, type.Name);
    if (match) return {r.Data, r.Size};
  }
  return {};
}

}  // namespace vss::runtime
