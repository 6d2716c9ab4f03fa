#include "saver/frmMain.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "api/basWin32API.h"
#include "saver/schedule.h"
#include "shared/shared.h"

namespace vss {

namespace {

constexpr std::int32_t TickMilliseconds = 500;
constexpr std::int32_t FirstFrameId = 101;
constexpr std::int16_t SoundResourceId = 101;

// Advances an elapsed-time counter by one Tick. The counter of the schedule
// not in force is never reset, and would overflow after about 24.9 days of
// running; it restarts instead. It is never compared while its schedule is
// not in force, and the counter in force is reset long before the limit.
std::int32_t Advance(std::int32_t elapsed, std::int32_t interval) {
  if (interval > 0 && elapsed > std::numeric_limits<std::int32_t>::max() - interval) {
    return interval;
  }
  return AddLng(elapsed, interval);
}

}  // namespace

frmMain::frmMain(Shared& module) : module_(module) {}

const FormDesign& frmMain::Design() {
  static const FormDesign design = [] {
    FormDesign d;
    d.Name = "frmMain";
    d.Caption = "Form1";
    d.Border = BorderStyle::None;
    ControlDesign timer;
    timer.Name = "tmrTimer";
    timer.Kind = ControlKind::Timer;
    d.Controls.push_back(timer);
    return d;
  }();
  return design;
}

void frmMain::Form_Load() {
  FrameToggle = True;
  IntervalElapsed = 0;
  RandomElapsed = 0;
  RandomDelay = 0;

  if (module_.Mode == RunMode::Saver) {
    const std::optional<SoundSchedule> recalled = RecallSchedule();
    SoundData = module_.Runtime.LoadResData(SoundResourceId, "WAVE");
    if (module_.DelayRandom == False) {
      if (!(recalled && recalled->LoopStopped)) {
        module_.Win32.PlaySoundA(SoundAddress(), 0,
                                 SND_ASYNC | SND_NODEFAULT | SND_MEMORY | SND_LOOP);
      }
    } else if (recalled) {
      RandomDelay = recalled->RandomDelay;
    } else {
      DrawRandomDelay();
    }
    if (recalled) {
      IntervalElapsed = recalled->IntervalElapsed;
      RandomElapsed = recalled->RandomElapsed;
      LoopStopped = recalled->LoopStopped;
    }
    module_.Win32.ShowCursor(0);
  }

  Form& me = Me();
  me.SetCaption(module_.Runtime.AppTitle());
  me.SetAutoRedraw(True);
  me.SetBackColor(0);
  me.SetWidth(CSng(static_cast<double>(module_.Runtime.TwipsPerPixelX()) *
                   static_cast<double>(module_.ScreenRect.right)));
  me.SetHeight(CSng(static_cast<double>(module_.Runtime.TwipsPerPixelY()) *
                    static_cast<double>(module_.ScreenRect.bottom)));
  me.Controls("tmrTimer").SetInterval(TickMilliseconds);
  tmrTimer_Timer();
}

void frmMain::tmrTimer_Timer() {
  FrameToggle = FrameToggle == False ? True : False;
  Form& me = Me();
  me.Cls();
  const std::int32_t frameId = AddLng(FirstFrameId, std::abs(FrameToggle));

  if (module_.Mode == RunMode::Preview) {
    const auto picture = module_.Runtime.LoadResPicture(frameId, PictureKind::Bitmap);
    const float width = me.Width();
    const float height = me.Height();
    me.PaintPicture(*picture, 0, 0, width, height);
    return;
  }

  if (module_.Mode == RunMode::Saver) {
    const std::int32_t interval = me.Controls("tmrTimer").Interval();
    IntervalElapsed = Advance(IntervalElapsed, interval);
    RandomElapsed = Advance(RandomElapsed, interval);
    if (IntervalElapsed == MulLng(interval, module_.DelayInterval) &&
        module_.DelayRandom == False) {
      module_.Win32.PlaySoundA(nullptr, 0, SND_MEMORY);
      IntervalElapsed = 0;
      LoopStopped = true;
    } else if (RandomElapsed == MulLng(RandomDelay, interval) && module_.DelayRandom != False) {
      module_.Win32.PlaySoundA(SoundAddress(), 0, SND_ASYNC | SND_NODEFAULT | SND_MEMORY);
      DrawRandomDelay();
      RandomElapsed = 0;
    }
    if (module_.Schedule != nullptr) {
      module_.Schedule->Keep({module_.DelayInterval, module_.DelayRandom, IntervalElapsed,
                              RandomElapsed, RandomDelay, LoopStopped});
    }
  }

  // One load serves both sizes; the picture is not kept between Ticks.
  const auto picture = module_.Runtime.LoadResPicture(frameId, PictureKind::Bitmap);
  const float x = CSng((static_cast<double>(me.Width()) - picture->Width()) / 2.0);
  const float y = CSng((static_cast<double>(me.Height()) - picture->Height()) / 2.0);
  me.PaintPicture(*picture, x, y, static_cast<float>(picture->Width()),
                  static_cast<float>(picture->Height()));
}

// A kept schedule counts only for the options it was kept with, and only
// while its counters can still meet their targets.
std::optional<SoundSchedule> frmMain::RecallSchedule() const {
  if (module_.Schedule == nullptr) return std::nullopt;
  std::optional<SoundSchedule> kept = module_.Schedule->Recall();
  if (!kept || kept->DelayInterval != module_.DelayInterval ||
      kept->DelayRandom != module_.DelayRandom || kept->IntervalElapsed < 0 ||
      kept->RandomElapsed < 0) {
    return std::nullopt;
  }
  const bool meets = kept->DelayRandom == False
                         ? kept->IntervalElapsed < MulLng(TickMilliseconds, kept->DelayInterval)
                         : kept->RandomDelay >= 10 && kept->RandomDelay <= 7200 &&
                               kept->RandomElapsed < MulLng(TickMilliseconds, kept->RandomDelay);
  if (!meets) return std::nullopt;
  return kept;
}

void frmMain::DrawRandomDelay() {
  module_.Runtime.Randomize();
  const float r = module_.Runtime.Rnd();
  const double product = static_cast<double>(r) * static_cast<double>(7191.0f);
  RandomDelay = AddLng(CLng(std::floor(product)), 10);
}

const std::uint8_t* frmMain::SoundAddress() const {
  if (SoundData.empty()) {
    throw RuntimeError(ErrorNumber::SubscriptOutOfRange, "Subscript out of range: SoundData(0)");
  }
  return SoundData.data();
}

void frmMain::DismissInSaverMode() {
  if (module_.Mode == RunMode::Saver) module_.Runtime.Unload(Me());
}

void frmMain::Form_Click() { DismissInSaverMode(); }
void frmMain::Form_DblClick() { DismissInSaverMode(); }
void frmMain::Form_KeyDown(std::int16_t&, std::int16_t&) { DismissInSaverMode(); }
void frmMain::Form_KeyPress(std::int16_t&) { DismissInSaverMode(); }
void frmMain::Form_KeyUp(std::int16_t&, std::int16_t&) { DismissInSaverMode(); }
void frmMain::Form_MouseDown(std::int16_t, std::int16_t, float, float) { DismissInSaverMode(); }
void frmMain::Form_MouseUp(std::int16_t, std::int16_t, float, float) { DismissInSaverMode(); }

void frmMain::Form_MouseMove(std::int16_t, std::int16_t, float X, float Y) {
  if (module_.Mode != RunMode::Saver) return;
  const float dx = static_cast<float>(
      std::fabs(static_cast<double>(static_cast<float>(LastMouseX)) - static_cast<double>(X)));
  const float dy = static_cast<float>(
      std::fabs(static_cast<double>(static_cast<float>(LastMouseY)) - static_cast<double>(Y)));
  const bool moved = dx >= 5.0f || dy >= 5.0f;
  if (moved && (LastMouseX != 0 || LastMouseY != 0)) {
    module_.Runtime.Unload(Me());
    return;
  }
  LastMouseX = CLng(X);
  LastMouseY = CLng(Y);
}

void frmMain::Form_Unload(std::int16_t&) {
  if (module_.Mode == RunMode::Saver) {
    module_.Win32.ShowCursor(-1);
    module_.Win32.PlaySoundA(nullptr, 0, SND_MEMORY);
    SoundData.clear();
    SoundData.shrink_to_fit();
  }
  Me().Cls();
  module_.Release(module_.frmMain);
}

void frmMain::ControlEvent(const std::string& control, std::int16_t) {
  if (control == "tmrTimer") tmrTimer_Timer();
}

}  // namespace vss
