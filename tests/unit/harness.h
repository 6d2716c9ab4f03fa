// A whole program on the recording backend: the module, the shared runtime
// and the fake OS calls sharing one log.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "backends/fake/fake_backend.h"
#include "startup/basMain.h"

namespace vss::test {

struct Program {
  fake::CallLog log;
  fake::FakeBackend backend{log};
  fake::FakeRuntime runtime{backend, log};
  fake::FakeAPI win32{log};
  basMain module{runtime, win32};
  int exitCode = -1;  // set when the process would have ended

  // Runs Main as the runtime does; true when the process ended in it.
  bool Start(const std::string& commandLine) {
    backend.CommandLineText = commandLine;
    return Run([&] { runtime.Start([&] { module.Main(); }); });
  }

  // Runs something that may end the process; true when it did.
  template <typename Action>
  bool Run(Action action) {
    try {
      action();
    } catch (const fake::Ended& end) {
      exitCode = end.code;
      return true;
    }
    return false;
  }

  void Store(const std::string& key, const std::string& value) { backend.Settings[key] = value; }

  std::string Stored(const std::string& key) const {
    const auto found = backend.Settings.find(key);
    return found == backend.Settings.end() ? "<absent>" : found->second;
  }

  runtime::LoadedForm* Form(const std::string& name) const { return runtime.FindForm(name); }

  // Calls handlers the way the runtime does, only on a form still loaded.
  template <typename Handler>
  bool Raise(const std::string& formName, Handler handler) {
    auto* form = Form(formName);
    if (form == nullptr) return false;
    Run([&] { runtime.Dispatch([&] { handler(form->Code()); }); });
    return true;
  }

  // The saver's timer firing.
  void Tick(int times = 1) {
    for (int i = 0; i < times; ++i) {
      if (auto* form = Form("frmMain"))
        Run([&] { form->FindControl("tmrTimer", 0)->InputTimer(); });
    }
  }

  const std::vector<std::string>& Calls() const { return log.Entries(); }

  // Each entry is logged, after the one before it; others may come between.
  bool InOrder(const std::vector<std::string>& entries) const {
    auto at = Calls().begin();
    for (const auto& entry : entries) {
      at = std::find(at, Calls().end(), entry);
      if (at++ == Calls().end()) return false;
    }
    return true;
  }
};

}  // namespace vss::test
