#include "native/command_line.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>

#include "settings/intervals.h"
#include "settings/names.h"

namespace vss::native {

namespace {

constexpr const char* ProgramName = "vorlan-screen-saver-2";
constexpr std::size_t HelpColumn = 22;

// What the options read so far have chosen.
struct Choice {
  CommandLine::Action action = CommandLine::Action::Run;
  std::string mode;  // the .scr's switch that a mode option stands for
  bool root = false, preview = false;
  std::map<std::string, std::string> settings;
  std::string backend;
};

// "" when the option is taken, else why the command line is refused.
using Take = std::string (*)(Choice& choice, const std::string& value);

struct Option {
  const char* name;   // without its dashes
  const char* value;  // what follows it, as the help names it; nullptr: nothing
  int bracket;        // the usage line's [...] it shares with others; 0: an alternative to all
  const char* help;   // one line or more, for --help
  Take take;
};

std::string SetMode(Choice& choice, const std::string& mode) {
  if (!choice.mode.empty()) return "more than one mode given";
  choice.mode = mode;
  return "";
}

std::string SetRandom(Choice& choice, const char* value) {
  if (choice.settings.count(DelayRandomKey) != 0) {
    return "--random and --continuous exclude each other";
  }
  choice.settings[DelayRandomKey] = value;
  return "";
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

// Everything the program accepts, one row each, in the order of the help.
const Option Options[] = {
    {"fullscreen", nullptr, 1, "cover every monitor until a key, click or mouse movement",
     [](Choice& c, const std::string&) { return SetMode(c, "/s"); }},
    {"root", nullptr, 1,
     "draw on the host's window ($XSCREENSAVER_WINDOW, else the root)\n"
     "until SIGTERM, as XScreenSaver and xsecurelock run it",
     [](Choice& c, const std::string&) {
       c.root = true;
       return std::string();
     }},
    {"window-id", "ID", 1, "draw a silent preview inside the X window ID (0x... or decimal)",
     [](Choice& c, const std::string& id) {
       const auto handle = ParseWindowId(id);
       if (!handle) return "bad window id '" + id + "'";
       c.preview = true;
       return SetMode(c, "/p " + std::to_string(*handle));
     }},
    {"settings", nullptr, 1, "show the options dialog",
     [](Choice& c, const std::string&) { return SetMode(c, "/c"); }},
    {"random", nullptr, 2, "for this run, play the chime once after random intervals",
     [](Choice& c, const std::string&) { return SetRandom(c, "-1"); }},
    {"continuous", nullptr, 2, "for this run, loop the chime for a set interval",
     [](Choice& c, const std::string&) { return SetRandom(c, "0"); }},
    {"interval", "SECONDS", 3,
     "for this run, the loop's length: 5, 10, ..., 55, 60, 300,\n"
     "600, 900, 1800 or 3600",
     [](Choice& c, const std::string& seconds) {
       const auto ticks = ParseInterval(seconds);
       if (!ticks) return "bad interval '" + seconds + "'";
       c.settings[DelayIntervalKey] = std::to_string(*ticks);
       return std::string();
     }},
    {"backend", "x11|wayland", 4,
     "draw with this window system; without it, Wayland when\n"
     "WAYLAND_DISPLAY or WAYLAND_SOCKET names a compositor that\n"
     "offers layer shell, else X11",
     [](Choice& c, const std::string& name) {
       if (name != "x11" && name != "wayland") return std::string("--backend needs x11 or wayland");
       c.backend = name;
       return std::string();
     }},
    {"help", nullptr, 0, "show this text",
     [](Choice& c, const std::string&) {
       c.action = CommandLine::Action::Help;
       return std::string();
     }},
    {"version", nullptr, 0, "show the version",
     [](Choice& c, const std::string&) {
       c.action = CommandLine::Action::Version;
       return std::string();
     }},
};

std::string Named(const Option& option) {
  return std::string("--") + option.name + (option.value ? std::string(" ") + option.value : "");
}

std::string Usage() {
  std::string line = std::string("usage: ") + ProgramName;
  int open = 0;
  for (const Option& option : Options) {
    if (open != 0 && option.bracket != open) line += "]";
    line += option.bracket == 0 ? " | " : option.bracket == open ? " | " : " [";
    line += Named(option);
    open = option.bracket;
  }
  return open != 0 ? line + "]" : line;
}

CommandLine UsageError(const std::string& reason) {
  CommandLine result;
  result.action = CommandLine::Action::UsageError;
  result.message = std::string(ProgramName) + ": " + reason + "; " + Usage();
  return result;
}

// The option a word names, with "--" or XScreenSaver's "-", and the value
// it carries after '='; nullptr for any other word.
const Option* Lookup(const std::string& word, std::optional<std::string>& value) {
  const std::size_t dashes = word.rfind("--", 0) == 0 ? 2 : word.rfind('-', 0) == 0 ? 1 : 0;
  if (dashes == 0) return nullptr;
  const std::size_t equals = word.find('=');
  const std::string name = word.substr(dashes, equals - dashes);
  value.reset();
  if (equals != std::string::npos) value = word.substr(equals + 1);
  const auto found = std::find_if(std::begin(Options), std::end(Options),
                                  [&](const Option& o) { return name == o.name; });
  return found != std::end(Options) ? found : nullptr;
}

// The choice the command line makes, checked as a whole.
CommandLine Finish(Choice& choice, bool hostWindow, bool windowsWords, std::string windowsText) {
  const bool options =
      !choice.mode.empty() || choice.root || !choice.settings.empty() || !choice.backend.empty();
  if (options && windowsWords) {
    return UsageError("options cannot be mixed with Windows-style switches");
  }
  if (choice.root && !choice.preview && !choice.mode.empty()) {
    return UsageError("more than one mode given");
  }
  if (choice.mode == "/c" && !choice.settings.empty()) {
    return UsageError("--random, --continuous and --interval are for the saver");
  }
  CommandLine result{CommandLine::Action::Run,
                     choice.mode.empty() ? windowsText : choice.mode,
                     "",
                     false,
                     std::move(choice.settings),
                     choice.backend};
  if (!choice.preview && (choice.root || (hostWindow && choice.mode.empty() && !windowsWords))) {
    result.commandText = "/s";
    result.root = true;
  }
  return result;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args, bool hostWindow) {
  // Words from one starting with "/" on are the .scr's command line, read
  // as the .scr reads it; an empty one is that of the .scr without a switch.
  const auto first = std::find_if(args.begin(), args.end(), [](auto& w) { return !w.empty(); });
  const bool windowsWords = !args.empty() && (first == args.end() || (*first)[0] == '/');
  std::string windowsText;
  Choice choice;
  std::set<const Option*> given;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    std::optional<std::string> value;
    const Option* option = Lookup(word, value);
    if (option == nullptr && windowsWords) {
      windowsText += (i == 0 ? "" : " ") + word;
      continue;
    }
    if (option == nullptr) {
      return UsageError((word.rfind('-', 0) == 0 ? "unknown option '" : "not an option: '") + word +
                        "'");
    }
    const std::string name = std::string("--") + option->name;
    if (value && option->value == nullptr) return UsageError(name + " takes no value");
    if (!value && option->value != nullptr) {
      if (i + 1 == args.size()) return UsageError(name + " needs " + option->value);
      value = args[++i];
    }
    if (!given.insert(option).second) return UsageError(name + " given twice");
    const std::string refused = option->take(choice, value.value_or(""));
    if (!refused.empty()) return UsageError(refused);
    if (choice.action != CommandLine::Action::Run)
      return CommandLine{choice.action, "", "", false, {}, ""};
  }
  return Finish(choice, hostWindow, windowsWords, windowsText);
}

std::string HelpText() {
  std::string text = Usage() +
                     "\n"
                     "\n"
                     "A screen saver: a waving robot on a black screen, with a chime.\n"
                     "\n";
  for (const Option& option : Options) {
    std::string line = "  " + Named(option);
    for (const char* help = option.help;;) {
      line.resize(std::max(HelpColumn, line.size() + 1), ' ');
      const char* end = help;
      while (*end != 0 && *end != '\n') ++end;
      text += line + std::string(help, end) + "\n";
      if (*end == 0) break;
      help = end + 1;
      line.clear();
    }
  }
  return text +
         "\n"
         "Each option may also be written with one dash (-root), and its value after\n"
         "'=' (--interval=60). With no option it runs as a full-screen saver, or on the\n"
         "host's window when XSCREENSAVER_WINDOW is set. Without --random, --continuous\n"
         "or --interval the settings file applies. The Windows switches /s, /p ID and /c\n"
         "are accepted instead of the options; the ID after /p is decimal.";
}

std::string VersionText() { return std::string(ProgramName) + " 2.00"; }

}  // namespace vss::native
