// Per-user settings as a small INI file under the XDG config folder, the
// Linux home of what the Windows build keeps in the registry.
//
//   [Options]
//   Delay Interval=120
//
// Section and key names match exactly (case and blanks included); a value is
// everything after the first '=' of its line, untrimmed. Lines this class
// does not touch, comments included, are kept as they are, and so is a
// UTF-8 byte-order mark at the start, which reads as no part of the text.
#pragma once

#include <optional>
#include <string>

namespace vss::native {

class SettingsFile {
 public:
  // configHome: the XDG config folder, usually ConfigHome().
  explicit SettingsFile(std::string configHome);

  // $XDG_CONFIG_HOME if set and absolute, else $HOME/.config, else the
  // passwd home + /.config; "" when none is known.
  static std::string ConfigHome();

  // <configHome>/<slug>/settings.ini, the slug being the lower-case title
  // with each run of other characters as one '-'. Throws vss::RuntimeError
  // when configHome is not absolute or the title gives an empty slug.
  std::string PathFor(const std::string& app) const;

  // nullopt for an absent file, section or key; "" for a value that is not
  // text (control bytes other than tab, invalid UTF-8). Throws
  // vss::RuntimeError when the file exists but cannot be read: permissions,
  // not a regular file, larger than 64 KiB.
  std::optional<std::string> Read(const std::string& app, const std::string& section,
                                  const std::string& key) const;

  // Sets one value atomically (temporary file, fsync, rename), creating the
  // folder (0700) when missing; a file that is a symbolic link is written
  // through, the file it leads to replaced in its own folder. A lock file
  // serialises concurrent writers so none loses another's change. Names
  // and values that could not be read back unchanged are refused. On any
  // failure throws vss::RuntimeError(InvalidProcedureCall) saying what,
  // where and why, and leaves the old file as it was.
  void Write(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value);

 private:
  std::string configHome_;
};

}  // namespace vss::native
