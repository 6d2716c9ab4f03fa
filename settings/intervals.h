// The lengths of the continuous play: what the options dialog lists and the
// only values the settings accept, in their order of comparison.
#pragma once

#include <array>
#include <cstdint>

namespace vss {

struct IntervalChoice {
  const char* Text;    // as the dialog lists it, in seconds
  std::int32_t Ticks;  // as stored, in Ticks of 500 ms
};

inline constexpr std::array<IntervalChoice, 17> Intervals = {{
    {"5", 10},
    {"10", 20},
    {"15", 30},
    {"20", 40},
    {"25", 50},
    {"30", 60},
    {"35", 70},
    {"40", 80},
    {"45", 90},
    {"50", 100},
    {"55", 110},
    {"60 (1 Minute)", 120},
    {"300 (5 Minutes)", 600},
    {"600 (10 Minutes)", 1200},
    {"900 (15 Minutes)", 1800},
    {"1800 (30 Minutes)", 3600},
    {"3600 (1 Hour)", 7200},
}};

inline constexpr std::int32_t DefaultInterval = 120;

}  // namespace vss
