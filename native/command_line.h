// The Linux spellings of the saver's switches, translated into the
// Windows-style command text the behaviour reads.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace vss::native {

struct CommandLine {
  enum class Action { Run, Help, Version, UsageError } action = Action::Run;
  std::string commandText;  // for Run: the text the behaviour reads
  std::string message;      // for UsageError: one line for stderr
  // XScreenSaver's "hack" mode: the saver on the host's window (found as
  // its vroot.h finds it), with no window, input or cursor of its own.
  bool root = false;
  // Settings-file values ("Options" section, by key) that this run reads
  // instead of the stored ones.
  std::map<std::string, std::string> settings;
  // "x11" or "wayland" when --backend chose one; empty: either.
  std::string backend;
};

// args without argv[0]; hostWindow: XSCREENSAVER_WINDOW is set, which
// makes a run without a mode option a hack. Each option is taken with "--"
// or, as XScreenSaver's hacks take them, "-", and its value, if it has one,
// as the next word or after '='. A command line whose first word that is
// not empty starts with "/" (or whose words are all empty) is the .scr's
// own: its words pass through
// joined by single spaces, for Main to read as the .scr does, and cannot be
// mixed with the options. Any other word is a usage error, and so is an
// option given twice or more than one mode ("--window-id" wins over
// "--root", as the settings' preview adds it).
CommandLine ParseCommandLine(const std::vector<std::string>& args, bool hostWindow = false);

// Texts for standard output; the caller adds the final newline.
std::string HelpText();
std::string VersionText();

}  // namespace vss::native
