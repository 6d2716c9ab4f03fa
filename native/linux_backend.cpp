#include "native/linux_backend.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "backends/gtk/gtk_backend.h"
#include "native/files.h"
#include "native/signals.h"
#include "settings/names.h"

namespace vss::native {

namespace {

// Windows' default system colours, by the low byte of 0x800000nn.
constexpr std::uint32_t SystemColours[] = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x0078D7, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0};

}  // namespace

LinuxBackend::LinuxBackend(WindowSystem& system, std::string commandText,
                           std::map<std::string, std::string> settings)
    : system_(system),
      commandText_(std::move(commandText)),
      overrides_(std::move(settings)),
      settings_(native::SettingsFile::ConfigHome()) {}

LinuxBackend::~LinuxBackend() {
  if (lock_ >= 0) close(lock_);
}

void LinuxBackend::Run(const std::function<void()>& ended) {
  if (quit_) return;
  if (gtk_) {
    gtk::Run();
    return;
  }
  system_.Run(native::EndSignals::Install(), ended);
}

// A lock on a file that the kernel lets go with the process, however it
// ends, in a folder nobody else can write to; a lock that cannot be taken
// for any other reason is no instance, so another user's file can never
// end the saver. The folder is the program's own: the title adds nothing.
bool LinuxBackend::ClaimInstance(const std::string&) {
  if (system_.Hosted()) return false;
  const std::string folder = native::RuntimeFolder();
  if (folder.empty()) return false;
  lock_ =
      open((folder + "/instance.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock_ < 0) return false;
  if (flock(lock_, LOCK_EX | LOCK_NB) == 0) return false;
  const bool held = errno == EWOULDBLOCK;
  close(lock_);
  lock_ = -1;
  return held;
}

runtime::ScreenMetrics LinuxBackend::Screen() { return system_.Screen(); }

std::uint32_t LinuxBackend::SystemColor(int index) {
  constexpr int count = sizeof SystemColours / sizeof SystemColours[0];
  return index >= 0 && index < count ? SystemColours[index] : 0;
}

std::unique_ptr<runtime::FormPeer> LinuxBackend::CreateForm(runtime::LoadedForm& form) {
  if (!form.IsDialog()) return system_.CreateForm(form);
  if (!gtk::Available()) {
    throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                       "The options dialog needs GTK 3, which could not be loaded.");
  }
  gtk_ = true;
  return gtk::CreateForm(form);
}

runtime::ResourceBytes LinuxBackend::FindResource(const runtime::ResourceType& type,
                                                  std::int32_t id) {
  return runtime::FindEmbeddedResource(type, id);
}

std::optional<std::string> LinuxBackend::ReadSetting(const std::string& app,
                                                     const std::string& section,
                                                     const std::string& key) {
  if (section == OptionsSection) {
    const auto given = overrides_.find(key);
    if (given != overrides_.end()) return given->second;
  }
  return settings_.Read(app, section, key);
}

void LinuxBackend::WriteSetting(const std::string& app, const std::string& section,
                                const std::string& key, const std::string& value) {
  settings_.Write(app, section, key, value);
}

double LinuxBackend::SecondsSinceMidnight() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + now.tv_nsec / 1e9;
}

void LinuxBackend::Quit() {
  quit_ = true;
  system_.Quit();
  if (gtk_) gtk::Quit();
}

void LinuxBackend::ShowError(runtime::LoadedForm& owner, const std::string& title,
                             const std::string& text) {
  if (gtk_ && owner.IsDialog()) {
    gtk::ShowError(owner, title, text);
    return;
  }
  std::string line = title + ": ";
  bool space = false;
  for (const char c : text) {
    const bool blank = c == '\n' || c == '\r' || c == ' ';
    if (blank && !space) line += ' ';
    if (!blank) line += c;
    space = blank;
  }
  std::fprintf(stderr, "%s\n", line.c_str());
}

// At once, from inside a message: no destructor runs that could wait on
// the loop or the sound thread; the kernel closes the display connection
// and the sound device.
void LinuxBackend::Exit(int code) {
  system_.Flush();
  std::fflush(nullptr);
  std::_Exit(code);
}

}  // namespace vss::native
