#include "settings/settings.h"

#include "api/vbstring.h"
#include "settings/intervals.h"
#include "settings/names.h"
#include "shared/shared.h"

namespace vss {

void LoadSettings(Shared& module) {
  const std::string fallback = CStr(DefaultInterval);
  std::string s = module.Runtime.GetSetting(module.Runtime.AppTitle(), OptionsSection,
                                            DelayIntervalKey, fallback);
  s = Trim(s);
  bool accepted = false;
  for (const auto& choice : Intervals) {
    if (s == CStr(choice.Ticks)) {
      accepted = true;
      break;
    }
  }
  if (!accepted) s = fallback;
  module.DelayInterval = CLngText(s);

  std::string t =
      module.Runtime.GetSetting(module.Runtime.AppTitle(), OptionsSection, DelayRandomKey, "0");
  if (t != "0" && t != "-1") t = "0";
  module.DelayRandom = CBool(CLngText(t) != 0);
}

void SaveSettings(Shared& module) {
  module.Runtime.SaveSetting(module.Runtime.AppTitle(), OptionsSection, DelayIntervalKey,
                             CStr(module.DelayInterval));
  module.Runtime.SaveSetting(module.Runtime.AppTitle(), OptionsSection, DelayRandomKey,
                             CStr(static_cast<std::int16_t>(module.DelayRandom)));
}

}  // namespace vss
