// A whole program on the recording backend: the module, the fake runtime and
// the fake OS calls sharing one log.
#pragma once

#include <string>

#include "platform/fake/fake_backend.h"
#include "startup/basMain.h"

namespace vss::test {

struct Program {
  fake::CallLog log;
  fake::FakeRuntime runtime{log};
  fake::FakeWin32 win32{log};
  basMain module{runtime, win32};
  bool ended = false;

  // Runs Main with this command line; true when it called End.
  bool Start(const std::string& commandLine) {
    runtime.CommandLine = commandLine;
    try {
      module.Main();
    } catch (const fake::EndRequested&) {
      ended = true;
    }
    return ended;
  }

  void Store(const std::string& key, const std::string& value) {
    runtime.Settings[fake::FakeRuntime::SettingKey("Vorlan Screen Saver 2", "Options", key)] =
        value;
  }

  std::string Stored(const std::string& key) const {
    const auto found = runtime.Settings.find(
        fake::FakeRuntime::SettingKey("Vorlan Screen Saver 2", "Options", key));
    return found == runtime.Settings.end() ? "<absent>" : found->second;
  }

  // Delivers an event the way a backend does: only to a form still loaded.
  template <typename Handler>
  bool Raise(const std::string& formName, Handler handler) {
    auto* form = runtime.FindForm(formName);
    if (form == nullptr) return false;
    handler(form->Code());
    return true;
  }

  // The entries logged since the last Clear, in order.
  const std::vector<std::string>& Calls() const { return log.Entries(); }
};

}  // namespace vss::test
