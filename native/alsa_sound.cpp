#include "native/alsa_sound.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "runtime/bytes.h"

namespace vss::native {

namespace {

using runtime::Le16;
using runtime::Le32;

// Generous against underruns while the saver is busy; Stop drops the buffer
// rather than waiting for it.
constexpr unsigned LatencyMicroseconds = 200000;
// A backstop only: Play and Stop wake the player's thread at once.
constexpr int PollMilliseconds = 100;
constexpr int PlayOutPollMilliseconds = 10;
// A device that takes no data for this long is treated as gone.
constexpr auto StallLimit = std::chrono::seconds(3);
// How long the player's end waits for a thread that the device holds.
constexpr auto EndWait = std::chrono::milliseconds(500);
// Far beyond any clip the saver carries; a corrupt size must not make the
// parser wander through memory.
constexpr std::uint32_t MaxRiffSize = 64u << 20;

void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

struct Request {
  std::vector<std::uint8_t> samples;
  snd_pcm_format_t format = SND_PCM_FORMAT_U8;
  unsigned channels = 1;
  unsigned rate = 0;
  std::size_t frameBytes = 1;
  bool loop = false;
  std::uint64_t generation = 0;
};

struct PcmCloser {
  void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using Pcm = std::unique_ptr<snd_pcm_t, PcmCloser>;

}  // namespace

std::optional<WaveClip> ParseWave(const std::uint8_t* image) {
  if (image == nullptr || std::memcmp(image, "RIFF", 4) != 0) return std::nullopt;
  const std::uint32_t riffSize = Le32(image + 4);
  if (riffSize < 4 || riffSize > MaxRiffSize || std::memcmp(image + 8, "WAVE", 4) != 0) {
    return std::nullopt;
  }
  const std::uint8_t* const end = image + 8 + riffSize;
  const std::uint8_t* format = nullptr;
  std::uint32_t formatSize = 0;
  const std::uint8_t* data = nullptr;
  std::uint32_t dataSize = 0;
  const std::uint8_t* chunk = image + 12;
  while (end - chunk >= 8 && (format == nullptr || data == nullptr)) {
    const std::uint8_t* const body = chunk + 8;
    const std::uint32_t size = Le32(chunk + 4);
    if (size > static_cast<std::size_t>(end - body)) return std::nullopt;
    if (format == nullptr && std::memcmp(chunk, "fmt ", 4) == 0) {
      format = body;
      formatSize = size;
    } else if (data == nullptr && std::memcmp(chunk, "data", 4) == 0) {
      data = body;
      dataSize = size;
    }
    // An odd-sized chunk is followed by a pad byte, which the last chunk
    // may lack.
    const std::size_t next = std::size_t{size} + (size & 1u);
    if (next >= static_cast<std::size_t>(end - body)) break;
    chunk = body + next;
  }
  if (format == nullptr || data == nullptr || formatSize < 16) return std::nullopt;
  WaveClip clip;
  clip.channels = Le16(format + 2);
  clip.rate = Le32(format + 4);
  clip.bitsPerSample = Le16(format + 14);
  const std::uint32_t blockAlign = Le16(format + 12);
  if (Le16(format) != 1 || (clip.channels != 1 && clip.channels != 2) ||
      (clip.bitsPerSample != 8 && clip.bitsPerSample != 16) || clip.rate == 0 ||
      blockAlign != clip.channels * clip.bitsPerSample / 8) {
    return std::nullopt;
  }
  clip.samples = data;
  clip.frames = dataSize / blockAlign;
  return clip;
}

struct SoundPlayer::Impl : std::enable_shared_from_this<Impl> {
  mutable std::mutex mutex;
  std::condition_variable changed;
  std::optional<Request> pending;  // the next clip for the thread
  bool busy = false;               // the thread holds a clip
  bool quit = false;
  bool ended = false;  // the thread has returned
  // Bumped by every Play, Stop and the destructor; a clip whose number is
  // no longer current is abandoned.
  std::atomic<std::uint64_t> generation{0};
  int wakeFd = -1;  // breaks the thread's poll when the generation moves
  std::thread thread;

  ~Impl() {
    if (wakeFd >= 0) ::close(wakeFd);
  }

  // Asks the thread to end and joins it if it does in time, else leaves it
  // to the device, keeping this alive for it.
  void End() {
    std::unique_lock<std::mutex> lock(mutex);
    quit = true;
    pending.reset();
    ++generation;
    lock.unlock();
    Wake();
    if (!thread.joinable()) return;
    lock.lock();
    const bool joinable = changed.wait_for(lock, EndWait, [this] { return ended; });
    lock.unlock();
    if (joinable) {
      thread.join();
    } else {
      thread.detach();
    }
  }

  void Wake() {
    changed.notify_all();
    const std::uint64_t one = 1;
    if (wakeFd >= 0) (void)!::write(wakeFd, &one, sizeof one);
  }

  void Start(Request request) {
    std::unique_lock<std::mutex> lock(mutex);
    if (!thread.joinable()) {
      // Without it the thread still sees requests, when its poll times out.
      if (wakeFd < 0) wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
      try {
        thread = std::thread([self = shared_from_this()] { self->Run(); });
      } catch (const std::system_error&) {
        return;  // no thread, no sound
      }
    }
    request.generation = ++generation;
    pending = std::move(request);
    lock.unlock();
    Wake();
  }

  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      pending.reset();
      ++generation;
    }
    Wake();
  }

  void Run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      changed.wait(lock, [this] { return quit || pending.has_value(); });
      if (quit) {
        ended = true;
        changed.notify_all();
        return;
      }
      const Request request = std::move(*pending);
      pending.reset();
      busy = true;
      lock.unlock();
      PlayClip(request);
      lock.lock();
      busy = false;
    }
  }

  bool Cancelled(const Request& request) const { return generation != request.generation; }

  void PlayClip(const Request& request) {
    std::uint64_t stale;
    if (wakeFd >= 0) (void)!::read(wakeFd, &stale, sizeof stale);
    if (Cancelled(request)) return;
    snd_pcm_t* opened = nullptr;
    // Non-blocking: a busy device refuses at once instead of making us wait.
    if (snd_pcm_open(&opened, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return;
    const Pcm pcm(opened);
    if (snd_pcm_set_params(pcm.get(), request.format, SND_PCM_ACCESS_RW_INTERLEAVED,
                           request.channels, request.rate, 1, LatencyMicroseconds) < 0) {
      return;
    }
    Feed(pcm.get(), request);
  }

  // Writes the clip (round and round when looping), then lets it play out;
  // returns early when the clip is cancelled or the device fails or stalls.
  void Feed(snd_pcm_t* pcm, const Request& request) {
    const std::size_t frames = request.samples.size() / request.frameBytes;
    std::size_t position = 0;
    const auto start = std::chrono::steady_clock::now();
    auto progress = start;
    std::uint64_t sent = 0;
    while (!Cancelled(request)) {
      const bool written = position == frames;
      // A device with no clock of its own (ALSA's null and file plug-ins)
      // takes samples as fast as they come: stay at most half a second
      // ahead of real time instead of looping at full speed.
      const double early =
          static_cast<double>(sent) / request.rate - 0.5 -
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (!written && early > 0) {
        pollfd wake{wakeFd, POLLIN, 0};
        ::poll(&wake, 1, std::min(PollMilliseconds, static_cast<int>(early * 1000) + 1));
        progress = std::chrono::steady_clock::now();
        continue;
      }
      if (written) {
        // Now draining has nothing left to wait for, even where a plug-in
        // drains blocking; the file plug-in needs it to flush.
        if (PlayedOut(pcm)) {
          snd_pcm_drain(pcm);
          return;
        }
      } else {
        const snd_pcm_sframes_t count = snd_pcm_writei(
            pcm, request.samples.data() + position * request.frameBytes, frames - position);
        if (count > 0) {
          position += static_cast<std::size_t>(count);
          sent += static_cast<std::uint64_t>(count);
          if (position == frames && request.loop) position = 0;
          progress = std::chrono::steady_clock::now();
          continue;
        }
        // Underruns and suspends recover; anything else means the device is
        // gone. A device that recovers but never takes data meets the limit.
        if (count < 0 && count != -EAGAIN && snd_pcm_recover(pcm, static_cast<int>(count), 1) < 0) {
          return;
        }
      }
      if (std::chrono::steady_clock::now() - progress > StallLimit) return;
      if (!Wait(written ? nullptr : pcm)) return;
    }
  }

  static bool PlayedOut(snd_pcm_t* pcm) {
    // A clip shorter than the start threshold has not started yet.
    if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED && snd_pcm_start(pcm) < 0) return true;
    snd_pcm_sframes_t delay = 0;
    return snd_pcm_state(pcm) != SND_PCM_STATE_RUNNING || snd_pcm_delay(pcm, &delay) < 0 ||
           delay <= 0;
  }

  // Until the device wants data (when given) or a request arrives; false
  // when the device fails. A device playing out its last samples signals
  // room all the time, so that is watched by the clock alone.
  bool Wait(snd_pcm_t* pcm) {
    if (pcm == nullptr) {
      pollfd wake{wakeFd, POLLIN, 0};
      ::poll(&wake, 1, PlayOutPollMilliseconds);
      return true;
    }
    const int count = snd_pcm_poll_descriptors_count(pcm);
    if (count <= 0) return false;
    std::vector<pollfd> fds(static_cast<std::size_t>(count) + 1);
    if (snd_pcm_poll_descriptors(pcm, fds.data(), static_cast<unsigned>(count)) != count) {
      return false;
    }
    fds.back() = pollfd{wakeFd, POLLIN, 0};
    const int ready = ::poll(fds.data(), fds.size(), PollMilliseconds);
    if (ready < 0) return errno == EINTR;
    unsigned short events = 0;
    // Plugins (PulseAudio's among them) update their state in here.
    return ready == 0 || snd_pcm_poll_descriptors_revents(
                             pcm, fds.data(), static_cast<unsigned>(count), &events) >= 0;
  }
};

SoundPlayer::SoundPlayer() : impl_(std::make_shared<Impl>()) {
  // alsa-lib reports every failed open on stderr; for a saver silence is an
  // answer, not an error.
  snd_lib_error_set_handler(&SilentAlsaError);
}

SoundPlayer::~SoundPlayer() { impl_->End(); }

bool SoundPlayer::Play(const std::uint8_t* image, bool loop) {
  const auto clip = ParseWave(image);
  if (!clip || clip->frames == 0) {
    impl_->Stop();
    return clip.has_value();
  }
  Request request;
  request.format = clip->bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
  request.channels = clip->channels;
  request.rate = clip->rate;
  request.frameBytes = clip->channels * clip->bitsPerSample / 8;
  request.samples.assign(clip->samples, clip->samples + clip->frames * request.frameBytes);
  request.loop = loop;
  impl_->Start(std::move(request));
  return true;
}

void SoundPlayer::Stop() { impl_->Stop(); }

bool SoundPlayer::Playing() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->busy || impl_->pending.has_value();
}

}  // namespace vss::native
