// The start module: the start procedure Main and the parse of the preview
// host's handle, over the variables the whole program shares.
#pragma once

#include <cstdint>
#include <string>

#include "shared/shared.h"

namespace vss {

class basMain : public Shared {
 public:
  using Shared::Shared;

  // The start procedure; the runtime calls it once.
  void Main();

  // The window handle in the longest numeric tail of text; 0 when there is
  // none or when it does not fit in 32 bits.
  static std::int32_t ParseHandle(const std::string& text);

 private:
  void RunSaver();
  void RunPreview(const std::string& commandText);
  void RunConfigure();
};

}  // namespace vss
