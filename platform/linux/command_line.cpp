#include "platform/linux/command_line.h"

#include <cstdint>
#include <optional>

namespace vss::posix {

namespace {

constexpr const char* ProgramName = "vorlan-screen-saver-2";
constexpr const char* Usage =
    "usage: vorlan-screen-saver-2 [--fullscreen | --window-id ID | --settings | --help | "
    "--version]";

CommandLine UsageError(const std::string& reason) {
  CommandLine result;
  result.action = CommandLine::Action::UsageError;
  result.message = std::string(ProgramName) + ": " + reason + "; " + Usage;
  return result;
}

// X window ids as hosts print them ("0x2a00007") or in decimal; no sign, no
// blanks, and within the positive 32-bit range a Windows handle can carry.
std::optional<std::uint32_t> ParseWindowId(const std::string& text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const unsigned base = hex ? 16 : 10;
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * base + digit;
    if (value > 0x7FFFFFFF) return std::nullopt;
  }
  if (value == 0) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  std::string mode;  // the switch a "--" option chose
  std::string windowsText;
  bool windowsWords = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.compare(0, 2, "--") != 0) {
      if (windowsWords) windowsText += ' ';
      windowsText += arg;
      windowsWords = true;
      continue;
    }
    std::string chosen;
    if (arg == "--help") {
      return CommandLine{CommandLine::Action::Help, "", ""};
    } else if (arg == "--version") {
      return CommandLine{CommandLine::Action::Version, "", ""};
    } else if (arg == "--fullscreen") {
      chosen = "/s";
    } else if (arg == "--settings") {
      chosen = "/c";
    } else if (arg == "--window-id" || arg.compare(0, 12, "--window-id=") == 0) {
      std::string id;
      if (arg.size() > 11) {
        id = arg.substr(12);
      } else if (i + 1 < args.size()) {
        id = args[++i];
      } else {
        return UsageError("--window-id needs a window id");
      }
      const auto handle = ParseWindowId(id);
      if (!handle) return UsageError("bad window id '" + id + "'");
      chosen = "/p " + std::to_string(*handle);
    } else {
      return UsageError("unknown option '" + arg + "'");
    }
    if (!mode.empty()) return UsageError("more than one mode given");
    mode = chosen;
  }
  if (!mode.empty() && windowsWords) {
    return UsageError("options cannot be mixed with Windows-style switches");
  }
  return CommandLine{CommandLine::Action::Run, mode.empty() ? windowsText : mode, ""};
}

std::string HelpText() {
  return std::string(Usage) +
         "\n"
         "\n"
         "A screen saver: a waving robot on a black screen, with a chime.\n"
         "\n"
         "  --fullscreen      cover the screen until a key, click or mouse movement\n"
         "  --window-id ID    draw a silent preview inside the X window ID (0x... or decimal)\n"
         "  --settings        show the options dialog\n"
         "  --help            show this text\n"
         "  --version         show the version\n"
         "\n"
         "With no option it runs as a full-screen saver. Windows-style switches (/s, /p ID,\n"
         "/c) are accepted too.";
}

std::string VersionText() { return std::string(ProgramName) + " 2.00"; }

}  // namespace vss::posix
