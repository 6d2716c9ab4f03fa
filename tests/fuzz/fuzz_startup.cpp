// Arbitrary command lines and stored settings through Main and LoadSettings
// on the recording backend, then a few Ticks and input events on whatever
// form started. The input is three texts separated by NUL bytes: the
// command line, "Delay Interval", "Delay Random".
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "options/frmOptions.h"
#include "backends/fake/fake_backend.h"
#include "saver/frmMain.h"
#include "settings/settings.h"
#include "startup/basMain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vss;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  auto next = [&rest] {
    const std::string field(rest.substr(0, rest.find('\0')));
    rest.remove_prefix(std::min(rest.size(), field.size() + 1));
    return field;
  };
  const std::string command = next(), interval = next(), random = next();

  fake::CallLog log;
  fake::FakeBackend backend(log);
  fake::FakeRuntime runtime(backend, log);
  fake::FakeAPI win32(log);
  backend.CommandLineText = command;
  backend.PrevInstance = command.size() % 97 == 1;
  runtime.RandomValues = {0.0f, 0.999f, 0.25f};
  win32.Windows[1234] = {0, 0, 152, 112};
  win32.Windows[-5] = {0, 0, 1, 1};
  if (!interval.empty()) backend.Settings["Delay Interval"] = interval;
  if (!random.empty()) backend.Settings["Delay Random"] = random;

  basMain module(runtime, win32);
  try {
    runtime.Start([&] { module.Main(); });
    // Whatever was stored, what was loaded is one of the accepted values.
    if (module.DelayRandom != True && module.DelayRandom != False) __builtin_trap();
    if (module.DelayInterval < 10 || module.DelayInterval > 7200) __builtin_trap();

    if (auto* saver = runtime.FindForm("frmMain")) {
      for (int i = 0; i < 25; ++i) saver->FindControl("tmrTimer", 0)->InputTimer();
      saver->InputMouseMove(0, 0, 1 + static_cast<int>(command.size()), 1);
      saver->InputMouseMove(0, 0, 4000, 2500);
      if (module.Mode == RunMode::Saver && runtime.FindForm("frmMain") != nullptr) __builtin_trap();
      if (runtime.FindForm("frmMain") != nullptr) runtime.Unload(*runtime.FindForm("frmMain"));
      if (win32.CursorCount() != 0) __builtin_trap();
    }
    if (auto* dialog = runtime.FindForm("frmOptions")) {
      const auto option = static_cast<std::int16_t>(command.size() % 2);
      dialog->FindControl("optOption", option)->InputClick();
      dialog->FindControl("cmdCommand", 2)->InputClick();
      dialog->FindControl("cmdCommand", 1)->InputClick();
      if (runtime.FindForm("frmOptions") != nullptr) __builtin_trap();
      LoadSettings(module);
    }
  } catch (const fake::Ended& end) {
    // Only End, at a previous instance, may end the program here.
    if (end.code != 0) __builtin_trap();
  }
  return 0;
}
