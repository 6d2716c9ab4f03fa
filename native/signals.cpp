#include "native/signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace vss::native {

namespace {

constexpr int Handled[] = {SIGTERM, SIGINT, SIGHUP};
int pipeIn = -1, pipeOut = -1;
volatile std::sig_atomic_t caught = 0;

void OnSignal(int signal) {
  const int saved = errno;
  caught = signal;
  const char byte = static_cast<char>(signal);
  // A full pipe already says a signal came.
  [[maybe_unused]] const ssize_t written = write(pipeIn, &byte, 1);
  errno = saved;
}

}  // namespace

int EndSignals::Install() {
  if (pipeOut < 0) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    pipeOut = fds[0];
    pipeIn = fds[1];
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : Handled) sigaction(signal, &action, nullptr);
  return pipeOut;
}

int EndSignals::Take() {
  char bytes[16];
  while (pipeOut >= 0 && read(pipeOut, bytes, sizeof bytes) > 0) {
  }
  return caught;
}

void EndSignals::Reraise(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
  std::_Exit(128 + signal);
}

}  // namespace vss::native
