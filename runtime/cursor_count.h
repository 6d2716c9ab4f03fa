// The cursor's display count as Windows keeps it: each ShowCursor moves it
// by one and the cursor shows while it is 0 or more. After a runtime error
// the orderly end gives back what the program took.
#pragma once

#include <cstdint>

namespace vss::runtime {

class CursorCount {
 public:
  // The count after the call, as ShowCursor returns it.
  std::int32_t Move(bool show) {
    count_ += show ? 1 : -1;
    return count_;
  }
  bool Hidden() const { return count_ < 0; }
  std::int32_t Count() const { return count_; }
  // The shows that undo the program's hides; 0 when it showed more.
  std::int32_t Outstanding() const { return count_ < 0 ? -count_ : 0; }
  void Reset() { count_ = 0; }

 private:
  std::int32_t count_ = 0;
};

}  // namespace vss::runtime
