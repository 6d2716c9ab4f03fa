// The options dialog: the sound mode and the length of the continuous play.
#pragma once

#include <cstdint>
#include <string>

#include "api/forms.h"

namespace vss {

class Shared;

class frmOptions : public FormModule {
 public:
  explicit frmOptions(Shared& module);

  static const FormDesign& Design();

  void Form_Load() override;
  void Form_Unload(std::int16_t& Cancel) override;
  void optOption_Click(std::int16_t Index);
  void cmdCommand_Click(std::int16_t Index);
  void ControlEvent(const std::string& control, std::int16_t index) override;

 private:
  void SelectInterval(std::int32_t ticks);

  Shared& module_;
};

}  // namespace vss
