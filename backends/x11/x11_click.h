// Tells the second press of a double click: the same button again within the
// system's double-click time and distance (Windows' defaults: 500 ms, a box
// of 4 x 4 pixels around the first press). A third press starts anew.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace vss::x11 {

class DoubleClick {
 public:
  static constexpr std::uint32_t TimeMilliseconds = 500;
  static constexpr int Distance = 2;

  // time: the server's millisecond clock, which wraps.
  bool Press(int button, std::uint32_t time, int x, int y) {
    const bool second = armed_ && button == button_ && time - time_ <= TimeMilliseconds &&
                        std::abs(x - x_) <= Distance && std::abs(y - y_) <= Distance;
    armed_ = !second;
    button_ = button;
    time_ = time;
    x_ = x;
    y_ = y;
    return second;
  }

 private:
  bool armed_ = false;
  int button_ = 0;
  std::uint32_t time_ = 0;
  int x_ = 0, y_ = 0;
};

}  // namespace vss::x11
