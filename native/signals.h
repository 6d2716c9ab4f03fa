// The signals a host ends a saver with (SIGTERM, also SIGINT and SIGHUP),
// turned into a readable descriptor for the event loop: the handler only
// writes the signal's number into a pipe.
#pragma once

namespace vss::native {

class EndSignals {
 public:
  // Installs the handlers; the descriptor becomes readable when one comes.
  static int Install();
  // The signal that came (0: none yet); reads what the pipe holds.
  static int Take();
  // Ends the process by the signal, as if no handler had been installed,
  // so the host sees the death it asked for.
  [[noreturn]] static void Reraise(int signal);
};

}  // namespace vss::native
