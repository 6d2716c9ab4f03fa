#include "options/frmOptions.h"

#include "api/vbnum.h"
#include "settings/settings.h"
#include "settings/intervals.h"
#include "shared/shared.h"

namespace vss {

namespace {

constexpr std::int16_t RandomOption = 0;
constexpr std::int16_t ContinuousOption = 1;
constexpr std::int16_t OkCommand = 1;
constexpr std::int16_t DefaultsCommand = 2;
ControlDesign MakeControl(const char* name, std::int16_t index, ControlKind kind,
                          const char* container, const char* caption, std::int32_t left,
                          std::int32_t top, std::int32_t width, std::int32_t height,
                          std::int16_t tabIndex) {
  ControlDesign c;
  c.Name = name;
  c.Index = index;
  c.Kind = kind;
  c.Container = container;
  c.Caption = caption;
  c.Left = left;
  c.Top = top;
  c.Width = width;
  c.Height = height;
  c.TabIndex = tabIndex;
  return c;
}

}  // namespace

frmOptions::frmOptions(Shared& module) : module_(module) {}

const FormDesign& frmOptions::Design() {
  static const FormDesign design = [] {
    FormDesign d;
    d.Name = "frmOptions";
    d.Caption = "frmOptions";
    d.Border = BorderStyle::Sizable;
    d.ClientWidth = 3855;
    d.ClientHeight = 2535;
    d.Controls = {
        MakeControl("fraSound", 0, ControlKind::Frame, "", "&Sound", 120, 120, 3615, 1815, 0),
        MakeControl("optOption", 0, ControlKind::OptionButton, "fraSound",
                    "Play Sound Once After &Random Intervals", 120, 360, 3205, 195, 1),
        MakeControl("optOption", 1, ControlKind::OptionButton, "fraSound",
                    "Play Sound Continuously For A Set &Interval", 120, 720, 3325, 195, 2),
        MakeControl("lblSeconds", 0, ControlKind::Label, "fraSound", "S&econds:", 120, 1080, 675,
                    195, 3),
        MakeControl("cboSeconds", 0, ControlKind::ComboBox, "fraSound", "", 120, 1320, 3375, 315,
                    4),
        MakeControl("cmdCommand", 1, ControlKind::CommandButton, "", "&Ok", 2640, 2040, 1095, 375,
                    5),
        MakeControl("cmdCommand", 0, ControlKind::CommandButton, "", "&Cancel", 1440, 2040, 1095,
                    375, 6),
        MakeControl("cmdCommand", 2, ControlKind::CommandButton, "", "&Defaults", 120, 2040, 1095,
                    375, 7),
    };
    return d;
  }();
  return design;
}

void frmOptions::Form_Load() {
  Form& me = Me();
  Runtime& runtime = module_.Runtime;

  const std::int32_t horizontal =
      CLng(CSng(static_cast<double>(runtime.ScreenWidth()) - me.Width()));
  me.SetLeft(static_cast<float>(horizontal / 2));
  const std::int32_t vertical =
      CLng(CSng(static_cast<double>(runtime.ScreenHeight()) - me.Height()));
  me.SetTop(static_cast<float>(vertical / 2));

  Control& list = me.Controls("cboSeconds");
  for (std::size_t i = 0; i < Intervals.size(); ++i) {
    const auto index = static_cast<std::int16_t>(i);
    list.AddItem(Intervals[i].Text, index);
    list.SetItemData(index, Intervals[i].Ticks);
  }

  me.Controls("cmdCommand", OkCommand).SetDefault(True);

  SelectInterval(module_.DelayInterval);

  optOption_Click(module_.DelayRandom != False ? RandomOption : ContinuousOption);
}

void frmOptions::SelectInterval(std::int32_t ticks) {
  Control& list = Me().Controls("cboSeconds");
  const std::int16_t count = list.ListCount();
  for (std::int16_t i = 0; i < count; ++i) {
    if (list.ItemData(i) == ticks) {
      list.SetListIndex(i);
      return;
    }
  }
}

void frmOptions::optOption_Click(std::int16_t Index) {
  Form& me = Me();
  if (Index == RandomOption) {
    me.Controls("optOption", 0).SetValue(True);
    me.Controls("optOption", 1).SetValue(False);
    me.Controls("lblSeconds").SetEnabled(False);
    me.Controls("cboSeconds").SetEnabled(False);
  } else if (Index == ContinuousOption) {
    me.Controls("optOption", 0).SetValue(False);
    me.Controls("optOption", 1).SetValue(True);
    me.Controls("lblSeconds").SetEnabled(True);
    me.Controls("cboSeconds").SetEnabled(True);
  }
}

void frmOptions::cmdCommand_Click(std::int16_t Index) {
  Form& me = Me();
  if (Index == OkCommand) {
    Control& list = me.Controls("cboSeconds");
    const std::int16_t selected = list.ListIndex();
    // With no item selected there is no interval to read; keep the current one.
    if (selected >= 0) module_.DelayInterval = list.ItemData(selected);
    module_.DelayRandom = me.Controls("optOption", RandomOption).Value() != False ? True : False;
    SaveSettings(module_);
    module_.Runtime.Unload(me);
  } else if (Index == DefaultsCommand) {
    SelectInterval(DefaultInterval);
    optOption_Click(ContinuousOption);
  } else {  // "&Cancel", and any other index
    module_.Runtime.Unload(me);
  }
}

void frmOptions::Form_Unload(std::int16_t&) { module_.Release(module_.frmOptions); }

void frmOptions::ControlEvent(const std::string& control, std::int16_t index) {
  if (control == "optOption") {
    optOption_Click(index);
  } else if (control == "cmdCommand") {
    cmdCommand_Click(index);
  }
}

}  // namespace vss
