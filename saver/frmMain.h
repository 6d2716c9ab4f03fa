// The saver window: full screen in the saver mode, embedded in the host's
// preview area in the preview mode.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "api/forms.h"
#include "saver/schedule.h"

namespace vss {

class Shared;

class frmMain : public FormModule {
 public:
  explicit frmMain(Shared& module);

  static const FormDesign& Design();

  void Form_Load() override;
  void tmrTimer_Timer();
  void Form_Unload(std::int16_t& Cancel) override;

  void Form_Click() override;
  void Form_DblClick() override;
  void Form_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) override;
  void Form_KeyPress(std::int16_t& KeyAscii) override;
  void Form_KeyUp(std::int16_t& KeyCode, std::int16_t& Shift) override;
  void Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
  void Form_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
  void Form_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
  void ControlEvent(const std::string& control, std::int16_t index) override;

  Boolean FrameToggle = False;
  std::vector<std::uint8_t> SoundData;
  std::int32_t IntervalElapsed = 0;
  std::int32_t RandomElapsed = 0;
  std::int32_t RandomDelay = 0;
  // 32-bit rather than 16: on screens wider or taller than 2184 pixels a
  // pointer position passes 32767 twips.
  std::int32_t LastMouseX = 0;
  std::int32_t LastMouseY = 0;
  // The continuous play has been stopped (kept for a restarted run).
  bool LoopStopped = false;

 private:
  void DismissInSaverMode();
  void DrawRandomDelay();
  std::optional<SoundSchedule> RecallSchedule() const;
  const std::uint8_t* SoundAddress() const;

  Shared& module_;
};

}  // namespace vss
