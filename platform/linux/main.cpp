// The native Linux program: the command line in the Linux hosts' words,
// then Main on the forms runtime over X11, ALSA and the settings file.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/runtime.h"
#include "startup/basMain.h"

#include "platform/linux/alsa_sound.h"
#include "platform/linux/command_line.h"
#include "platform/linux/linux_backend.h"
#include "platform/x11/x11_api.h"

namespace {

class AlsaOutput final : public vss::x11::SoundOutput {
 public:
  void Play(const std::uint8_t* riffImage, bool loop) override { player_.Play(riffImage, loop); }
  void Stop() override { player_.Stop(); }

 private:
  vss::posix::SoundPlayer player_;
};

void PrintText(std::FILE* stream, const std::string& text) {
  std::fputs(text.c_str(), stream);
  if (text.empty() || text.back() != '\n') std::fputc('\n', stream);
}

}  // namespace

int main(int argc, char** argv) {
  using Action = vss::posix::CommandLine::Action;
  const vss::posix::CommandLine command =
      vss::posix::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (command.action) {
    case Action::Help:
      PrintText(stdout, vss::posix::HelpText());
      return 0;
    case Action::Version:
      PrintText(stdout, vss::posix::VersionText());
      return 0;
    case Action::UsageError:
      PrintText(stderr, command.message);
      return 1;
    case Action::Run:
      break;
  }

  const auto connection = vss::x11::Connection::Open();
  if (!connection) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "vorlan-screen-saver-2: cannot open the X display \"%s\"\n",
                 display != nullptr ? display : "");
    return 1;
  }
  AlsaOutput sound;
  vss::x11::FormWindows windows;
  vss::native::LinuxBackend backend(*connection, windows, command.commandText);
  vss::runtime::Runtime runtime(backend, vss::platform::AppDescription{"Vorlan Screen Saver 2"});
  vss::x11::X11API api(*connection, windows, sound);
  // After a runtime error nothing may be left hidden or playing.
  runtime.AddErrorCleanup([&api] { api.RestoreAfterError(); });
  vss::basMain module(runtime, api);
  runtime.Start([&module] { module.Main(); });
  backend.Run();
  return 0;
}
