// The Linux spellings of the saver's switches, translated into the
// Windows-style command text the behaviour reads.
#pragma once

#include <string>
#include <vector>

namespace vss::posix {

struct CommandLine {
  enum class Action { Run, Help, Version, UsageError } action = Action::Run;
  std::string commandText;  // for Run: the text the behaviour reads
  std::string message;      // for UsageError: one line for stderr
};

// args without argv[0]. Words not starting with "--" are Windows-style and
// pass through joined by single spaces; they cannot be mixed with the
// "--" options, and at most one mode option may be given.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Texts for standard output; the caller adds the final newline.
std::string HelpText();
std::string VersionText();

}  // namespace vss::posix
