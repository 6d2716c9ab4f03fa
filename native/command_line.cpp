#include "native/command_line.h"

#include <cstdint>
#include <optional>

#include "settings/intervals.h"
#include "settings/names.h"

namespace vss::native {

namespace {

constexpr const char* ProgramName = "vorlan-screen-saver-2";
constexpr const char* Usage =
    "usage: vorlan-screen-saver-2 [--fullscreen | --root | --window-id ID | --settings] "
    "[--random | --continuous] [--interval SECONDS] [--backend x11|wayland] | --help | --version";

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

// Seconds as the options dialog lists them; the settings file counts Ticks
// of half a second.
std::optional<std::int32_t> ParseInterval(const std::string& text) {
  for (const auto& choice : Intervals) {
    if (text == std::to_string(choice.Ticks / 2)) return choice.Ticks;
  }
  return std::nullopt;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args, bool hostWindow) {
  std::string mode;  // the switch a "--" option chose
  std::string windowsText;
  bool windowsWords = false;
  bool root = false, preview = false;
  std::map<std::string, std::string> settings;
  std::string backend;
  // "--name VALUE" or "--name=VALUE"; false when it has no value.
  auto value = [&args](std::size_t& i, const std::string& name, std::string& out) {
    const std::string& arg = args[i];
    if (arg.size() > name.size()) {
      out = arg.substr(name.size() + 1);
      return true;
    }
    if (i + 1 >= args.size()) return false;
    out = args[++i];
    return true;
  };
  auto named = [](const std::string& arg, const std::string& name) {
    return arg == name || arg.compare(0, name.size() + 1, name + "=") == 0;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.compare(0, 2, "--") != 0 && arg != "-root") {
      if (windowsWords) windowsText += ' ';
      windowsText += arg;
      windowsWords = true;
      continue;
    }
    std::string chosen;
    if (arg == "--help") {
      return CommandLine{CommandLine::Action::Help, "", "", false, {}, ""};
    } else if (arg == "--version") {
      return CommandLine{CommandLine::Action::Version, "", "", false, {}, ""};
    } else if (arg == "--root" || arg == "-root") {
      root = true;
      continue;
    } else if (arg == "--random" || arg == "--continuous") {
      if (settings.count(DelayRandomKey) != 0)
        return UsageError("--random and --continuous exclude each other");
      settings[DelayRandomKey] = arg == "--random" ? "-1" : "0";
      continue;
    } else if (named(arg, "--interval")) {
      std::string seconds;
      if (!value(i, "--interval", seconds))
        return UsageError("--interval needs a number of seconds");
      const auto ticks = ParseInterval(seconds);
      if (!ticks) return UsageError("bad interval '" + seconds + "'");
      settings[DelayIntervalKey] = std::to_string(*ticks);
      continue;
    } else if (named(arg, "--backend")) {
      if (!value(i, "--backend", backend) || (backend != "x11" && backend != "wayland"))
        return UsageError("--backend needs x11 or wayland");
      continue;
    } else if (arg == "--fullscreen") {
      chosen = "/s";
    } else if (arg == "--settings") {
      chosen = "/c";
    } else if (named(arg, "--window-id")) {
      std::string id;
      if (!value(i, "--window-id", id)) return UsageError("--window-id needs a window id");
      const auto handle = ParseWindowId(id);
      if (!handle) return UsageError("bad window id '" + id + "'");
      chosen = "/p " + std::to_string(*handle);
      preview = true;
    } else {
      return UsageError("unknown option '" + arg + "'");
    }
    if (!mode.empty()) return UsageError("more than one mode given");
    mode = chosen;
  }
  const bool options = !mode.empty() || root || !settings.empty() || !backend.empty();
  if (options && windowsWords) {
    return UsageError("options cannot be mixed with Windows-style switches");
  }
  if (root && !preview && !mode.empty()) return UsageError("more than one mode given");
  if (mode == "/c" && !settings.empty()) {
    return UsageError("--random, --continuous and --interval are for the saver");
  }
  CommandLine result{CommandLine::Action::Run,
                     mode.empty() ? windowsText : mode,
                     "",
                     false,
                     std::move(settings),
                     backend};
  if (!preview && (root || (hostWindow && mode.empty() && !windowsWords))) {
    result.commandText = "/s";
    result.root = true;
  }
  return result;
}

std::string HelpText() {
  return std::string(Usage) +
         "\n"
         "\n"
         "A screen saver: a waving robot on a black screen, with a chime.\n"
         "\n"
         "  --fullscreen      cover the screen until a key, click or mouse movement\n"
         "  --root, -root     draw on the host's window ($XSCREENSAVER_WINDOW, else the root)\n"
         "                    until SIGTERM, as XScreenSaver and xsecurelock run it\n"
         "  --window-id ID    draw a silent preview inside the X window ID (0x... or decimal)\n"
         "  --settings        show the options dialog\n"
         "  --random          for this run, play the chime once after random intervals\n"
         "  --continuous      for this run, loop the chime for a set interval\n"
         "  --interval SECONDS  for this run, the loop's length: 5, 10, ..., 55, 60, 300,\n"
         "                    600, 900, 1800 or 3600\n"
         "  --backend x11|wayland  draw with this window system; without it, Wayland\n"
         "                    when WAYLAND_DISPLAY or WAYLAND_SOCKET names a compositor\n"
         "                    that offers layer shell, else X11\n"
         "  --help            show this text\n"
         "  --version         show the version\n"
         "\n"
         "With no option it runs as a full-screen saver, or on the host's window when\n"
         "XSCREENSAVER_WINDOW is set. Without --random, --continuous or --interval the\n"
         "settings file applies. Windows-style switches (/s, /p ID, /c) are accepted too.";
}

std::string VersionText() { return std::string(ProgramName) + " 2.00"; }

}  // namespace vss::native
