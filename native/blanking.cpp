#include "native/blanking.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "native/alsa_sound.h"
#include "native/files.h"

namespace vss::native {

std::string ProcessKey(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return "";
  // The name in parentheses may hold anything; the start time is the 20th
  // field after it.
  const auto close = text.rfind(')');
  if (close == std::string::npos) return "";
  std::istringstream fields(text.substr(close + 1));
  std::string field;
  for (int i = 0; i < 20 && fields >> field; ++i) {
  }
  if (!fields) return "";
  return std::to_string(pid) + "-" + field;
}

void RemoveStale(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> stale;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str(), &end, 10);
    if (pid <= 0 || *end != '-') continue;
    const std::string key = ProcessKey(static_cast<pid_t>(pid));
    if (key.empty() || name.compare(0, key.size() + 1, key + "-") != 0) stale.push_back(name);
  }
  closedir(dir);
  for (const std::string& name : stale) unlink((folder + "/" + name).c_str());
}

std::optional<SoundSchedule> ScheduleFile::Recall() {
  std::ifstream file(path_);
  SoundSchedule s;
  int random = 0, stopped = 0;
  if (!(file >> s.DelayInterval >> random >> s.IntervalElapsed >> s.RandomElapsed >>
        s.RandomDelay >> stopped)) {
    return std::nullopt;
  }
  s.DelayRandom = static_cast<Boolean>(random);
  s.LoopStopped = stopped != 0;
  return s;
}

// Replaced whole, so a saver killed mid-write leaves the last whole
// schedule; not flushed to disk, as it need not outlive the session.
void ScheduleFile::Keep(const SoundSchedule& s) {
  std::ostringstream line;
  line << s.DelayInterval << ' ' << s.DelayRandom << ' ' << s.IntervalElapsed << ' '
       << s.RandomElapsed << ' ' << s.RandomDelay << ' ' << (s.LoopStopped ? 1 : 0) << '\n';
  ReplaceFile(path_, line.str(), false);
}

// Shared with the thread that waits for the lock, which may outlive the
// voice when the process ends.
struct SharedVoice::State {
  std::mutex mutex;
  SoundPlayer* player;
  int fd = -1;
  bool held = false;
  bool waiting = false;
  bool ended = false;
  const std::uint8_t* loop = nullptr;  // the loop that should sound
};

SharedVoice::SharedVoice(SoundPlayer& player, const std::string& lockPath)
    : state_(std::make_shared<State>()) {
  state_->player = &player;
  state_->fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

SharedVoice::~SharedVoice() {
  const std::lock_guard<std::mutex> lock(state_->mutex);
  state_->ended = true;
}

void SharedVoice::Play(const std::uint8_t* image, bool loop) {
  State& s = *state_;
  const std::lock_guard<std::mutex> lock(s.mutex);
  s.loop = loop ? image : nullptr;
  // Without a lock file every process plays, as without a blanking.
  if (!s.held) s.held = s.fd < 0 || flock(s.fd, LOCK_EX | LOCK_NB) == 0;
  if (s.held) {
    s.player->Play(image, loop);
    return;
  }
  if (!loop || s.waiting) return;
  s.waiting = true;
  std::thread([state = state_] {
    const bool taken = flock(state->fd, LOCK_EX) == 0;
    const std::lock_guard<std::mutex> lock(state->mutex);
    state->waiting = false;
    state->held = taken;
    if (taken && !state->ended && state->loop != nullptr) state->player->Play(state->loop, true);
  }).detach();
}

void SharedVoice::Stop() {
  const std::lock_guard<std::mutex> lock(state_->mutex);
  state_->loop = nullptr;
  if (state_->held) state_->player->Stop();
}

}  // namespace vss::native
