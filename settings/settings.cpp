#include "settings/settings.h"

#include <array>

#include "platform/vbstring.h"
#include "startup/basMain.h"

namespace vss {

namespace {

constexpr const char* Section = "Options";
constexpr const char* IntervalKey = "Delay Interval";
constexpr const char* RandomKey = "Delay Random";

// The intervals the options dialog offers, in Ticks, in comparison order.
constexpr std::array<const char*, 17> AcceptedIntervals = {
    "10",  "20",  "30",  "40",  "50",   "60",   "70",   "80",  "90",
    "100", "110", "120", "600", "1200", "1800", "3600", "7200"};

}  // namespace

void LoadSettings(basMain& module) {
  std::string s = module.Runtime.GetSetting(module.Runtime.AppTitle(), Section, IntervalKey, "120");
  s = Trim(s);
  bool accepted = false;
  for (const char* text : AcceptedIntervals) {
    if (s == text) {
      accepted = true;
      break;
    }
  }
  if (!accepted) s = "120";
  module.DelayInterval = CLngText(s);

  std::string t = module.Runtime.GetSetting(module.Runtime.AppTitle(), Section, RandomKey, "0");
  if (t != "0" && t != "-1") t = "0";
  module.DelayRandom = CBool(CLngText(t) != 0);
}

void SaveSettings(basMain& module) {
  module.Runtime.SaveSetting(module.Runtime.AppTitle(), Section, IntervalKey,
                             CStr(module.DelayInterval));
  module.Runtime.SaveSetting(module.Runtime.AppTitle(), Section, RandomKey,
                             CStr(static_cast<std::int16_t>(module.DelayRandom)));
}

}  // namespace vss
