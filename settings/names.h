// Where the two options are stored: the section and key names every store
// (the registry, the settings file, a host's command line) uses.
#pragma once

namespace vss {

inline constexpr const char* OptionsSection = "Options";
inline constexpr const char* DelayIntervalKey = "Delay Interval";
inline constexpr const char* DelayRandomKey = "Delay Random";

}  // namespace vss
