// The native Linux program: the command line in the Linux hosts' words,
// then Main on the forms runtime over a window system (window_system.h),
// ALSA and the settings file. A hack also keeps its sound schedule for the
// host's restarts and shares one voice with the other monitors' savers of
// its blanking.
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "runtime/forms_runtime.h"
#include "startup/basMain.h"

#include "native/alsa_sound.h"
#include "native/blanking.h"
#include "native/command_line.h"
#include "native/files.h"
#include "native/linux_backend.h"
#include "native/signals.h"
#include "native/window_modules.h"
#include "native/window_system.h"

namespace {

class AlsaOutput final : public vss::runtime::SoundOutput {
 public:
  void Play(const std::uint8_t* riffImage, bool loop) override {
    if (voice_) {
      voice_->Play(riffImage, loop);
    } else {
      player_.Play(riffImage, loop);
    }
  }
  void Stop() override {
    if (voice_) {
      voice_->Stop();
    } else {
      player_.Stop();
    }
  }
  void Share(const std::string& lockPath) {
    voice_ = std::make_unique<vss::native::SharedVoice>(player_, lockPath);
  }

 private:
  vss::native::SoundPlayer player_;
  std::unique_ptr<vss::native::SharedVoice> voice_;
};

// The files a hack shares with the other savers of its blanking, named by
// the blanking and, for the schedule, by the monitor it covers.
struct Blanking {
  std::string prefix;  // empty: none can be told

  Blanking() {
    const std::string folder = vss::native::RuntimeFolder();
    const std::string host = vss::native::ProcessKey(getppid());
    if (folder.empty() || host.empty()) return;
    vss::native::RemoveStale(folder);
    prefix = folder + "/" + host + "-";
  }
};

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The switch the behaviour reads, as it reads it: "/s", "/p", "/c", ...
std::string SwitchOf(const std::string& commandText) {
  std::string text =
      commandText.substr(std::min(commandText.find_first_not_of(' '), commandText.size()));
  text = text.substr(0, 2);
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The window system for this run (native/window_system.h): null, with the
// reasons in problem, when none can be had.
std::unique_ptr<vss::native::WindowSystem> ChooseWindowSystem(
    const vss::native::CommandLine& command, vss::runtime::SoundOutput& sound,
    std::string& problem) {
  using Kind = vss::native::WindowSystemKind;
  const std::string switchText = SwitchOf(command.commandText);
  const bool inXWindow = command.root || switchText == "/p";
  // Taken before the library takes WAYLAND_SOCKET out of the environment.
  const std::string waylandName =
      !Environment("WAYLAND_SOCKET").empty() ? "WAYLAND_SOCKET" : Environment("WAYLAND_DISPLAY");
  const bool wayland = !waylandName.empty();
  const auto kinds = vss::native::WindowSystemsToTry(command.backend, inXWindow, wayland);
  std::string reasons;
  auto add = [&reasons](const std::string& reason) {
    reasons += (reasons.empty() ? "" : "; ") + reason;
  };
  for (const Kind kind : kinds) {
    std::string loading;
    auto system = vss::native::OpenWindowSystem(kind, sound, loading);
    // The options dialog is GTK's: any compositor serves.
    if (system && (system->CanCover() || switchText == "/c")) return system;
    if (system) {
      add(system->Name() + " offers no layer shell");
    } else if (!loading.empty()) {
      add(loading);
    } else if (kind == Kind::X11) {
      add("cannot open the X display \"" + Environment("DISPLAY") + "\"");
    } else {
      add("cannot connect to the Wayland compositor \"" + waylandName + "\"");
    }
  }
  problem = inXWindow ? "--root and --window-id draw on X windows: " +
                            (reasons.empty() ? "not with --backend wayland" : reasons)
                      : reasons;
  return nullptr;
}

void PrintText(std::FILE* stream, const std::string& text) {
  std::fputs(text.c_str(), stream);
  if (text.empty() || text.back() != '\n') std::fputc('\n', stream);
}

}  // namespace

int main(int argc, char** argv) {
  using Action = vss::native::CommandLine::Action;
  // A write past the file-size limit then fails as on a full disk, with a
  // message, instead of killing the dialog in the middle of a save.
  std::signal(SIGXFSZ, SIG_IGN);
  const char* hostWindow = std::getenv("XSCREENSAVER_WINDOW");
  const vss::native::CommandLine command = vss::native::ParseCommandLine(
      std::vector<std::string>(argv + 1, argv + argc), hostWindow != nullptr && *hostWindow != 0);
  switch (command.action) {
    case Action::Help:
      PrintText(stdout, vss::native::HelpText());
      return 0;
    case Action::Version:
      PrintText(stdout, vss::native::VersionText());
      return 0;
    case Action::UsageError:
      PrintText(stderr, command.message);
      return 1;
    case Action::Run:
      break;
  }

  // GTK's dialog on the window system asked for, too.
  if (!command.backend.empty()) setenv("GDK_BACKEND", command.backend.c_str(), 0);
  AlsaOutput sound;
  std::string problem;
  auto system = ChooseWindowSystem(command, sound, problem);
  if (!system) {
    std::fprintf(stderr, "vorlan-screen-saver-2: %s\n", problem.c_str());
    return 1;
  }
  std::unique_ptr<vss::native::ScheduleFile> schedule;
  if (command.root) {
    // A host that has taken its window back wants no saver.
    if (!system->AdoptHost()) return 0;
    const Blanking blanking;
    if (!blanking.prefix.empty()) {
      schedule = std::make_unique<vss::native::ScheduleFile>(blanking.prefix + "schedule-" +
                                                             system->HostPlace());
      sound.Share(blanking.prefix + "chime");
    }
  }
  vss::native::LinuxBackend backend(*system, command.commandText, command.settings);
  vss::runtime::FormsRuntime runtime(backend, vss::AppDescription{"Vorlan Screen Saver 2"});
  // After a runtime error nothing may be left hidden or playing.
  runtime.AddErrorCleanup([&system] { system->RestoreAfterError(); });
  vss::basMain module(runtime, system->Api());
  module.Schedule = schedule.get();
  runtime.Start([&module] { module.Main(); });
  // A host's signal closes the forms as a close request would (the sound
  // stops), then ends the process by that signal, also when the host's
  // window went first.
  backend.Run([&runtime] {
    vss::native::EndSignals::Take();
    for (vss::runtime::LoadedForm* form : runtime.LoadedForms()) form->InputCloseRequest();
  });
  if (const int signal = vss::native::EndSignals::Take()) vss::native::EndSignals::Reraise(signal);
  return 0;
}
