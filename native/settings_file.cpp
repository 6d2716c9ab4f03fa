#include "native/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "native/files.h"
#include "api/vbnum.h"

namespace vss::native {

namespace {

constexpr std::size_t MaxFileSize = 64 * 1024;
constexpr const char* FileName = "settings.ini";
constexpr const char* LockName = "settings.ini.lock";
// Editors on Windows begin UTF-8 files with one; it is no part of the text.
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

[[noreturn]] void Fail(const std::string& message) {
  throw RuntimeError(ErrorNumber::InvalidProcedureCall, message);
}

// Text the file can hold and give back unchanged: valid UTF-8 without
// control characters (tab allowed).
bool IsText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      if ((lead < 0x20 && lead != '\t') || lead == 0x7F) return false;
      ++i;
      continue;
    }
    std::size_t length;
    std::uint32_t code;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code = lead & 0x07u;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0u) != 0x80u) return false;
      code = (code << 6) | (next & 0x3Fu);
    }
    // Overlong forms, UTF-16 surrogates and code points past U+10FFFF.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

// The file's bytes; nullopt when it does not exist. `failure` starts the
// message of the error thrown for anything else that goes wrong.
std::optional<std::string> LoadFile(const std::string& path, const std::string& failure) {
  // O_NONBLOCK: a FIFO put in the file's place must not stall the open.
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    Fail(failure + "cannot open " + path + ": " + Why(errno));
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) Fail(failure + "cannot examine " + path + ": " + Why(errno));
  if (!S_ISREG(info.st_mode)) Fail(failure + path + " is not a regular file");
  const std::string tooLarge = failure + path + " is larger than 64 KiB";
  if (static_cast<std::uintmax_t>(info.st_size) > MaxFileSize) Fail(tooLarge);
  std::string content;
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) Fail(failure + "cannot read " + path + ": " + Why(errno));
    if (count == 0) return content;
    content.append(buffer, static_cast<std::size_t>(count));
    if (content.size() > MaxFileSize) Fail(tooLarge);
  }
}

// The file's lines, after the byte-order mark if it has one.
std::vector<std::string> SplitLines(const std::string& content) {
  std::vector<std::string> lines;
  std::size_t start =
      content.compare(0, ByteOrderMark.size(), ByteOrderMark) == 0 ? ByteOrderMark.size() : 0;
  while (start < content.size()) {
    const std::size_t newline = content.find('\n', start);
    if (newline == std::string::npos) {
      lines.push_back(content.substr(start));
      break;
    }
    lines.push_back(content.substr(start, newline - start));
    start = newline + 1;
  }
  return lines;
}

// A line as read, without the CR of a CRLF ending.
std::string_view Body(const std::string& line) {
  std::string_view body(line);
  if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
  return body;
}

struct Place {
  std::optional<std::size_t> keyLine;        // the first line setting the key
  std::optional<std::size_t> sectionInsert;  // after the section's header or last entry
};

Place Find(const std::vector<std::string>& lines, const std::string& section,
           const std::string& key) {
  Place place;
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view body = Body(lines[i]);
    if (body.size() >= 2 && body.front() == '[' && body.back() == ']') {
      inSection = body.substr(1, body.size() - 2) == section;
      if (inSection) place.sectionInsert = i + 1;
      continue;
    }
    // Blank and comment lines at a section's end belong to what follows.
    if (!inSection || body.empty() || body[0] == ';' || body[0] == '#') continue;
    place.sectionInsert = i + 1;
    if (body.size() > key.size() && body.compare(0, key.size(), key) == 0 &&
        body[key.size()] == '=') {
      place.keyLine = i;
      return place;
    }
  }
  return place;
}

// The file a chain of symbolic links ends at (the path itself when it is
// no link), so that a save replaces that file in its own folder and keeps
// the links: people keep their settings in a folder of dotfiles and link
// them.
std::string FollowLinks(std::string path, const std::string& failure) {
  for (int hops = 0; hops < 40; ++hops) {
    std::string target(PATH_MAX, '\0');
    const ssize_t size = ::readlink(path.c_str(), target.data(), target.size());
    if (size < 0 && (errno == EINVAL || errno == ENOENT)) return path;
    if (size < 0) Fail(failure + "cannot read the link " + path + ": " + Why(errno));
    if (static_cast<std::size_t>(size) == target.size()) {
      Fail(failure + "cannot read the link " + path + ": " + Why(ENAMETOOLONG));
    }
    target.resize(static_cast<std::size_t>(size));
    path = target[0] == '/' ? target : path.substr(0, path.rfind('/') + 1) + target;
  }
  Fail(failure + "cannot follow " + path + ": " + Why(ELOOP));
}

void MakeFolders(const std::string& folder, const std::string& failure) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      Fail(failure + "cannot create the folder " + part + ": " + Why(errno));
    }
    if (slash == std::string::npos) return;
  }
}

}  // namespace

SettingsFile::SettingsFile(std::string configHome) : configHome_(std::move(configHome)) {}

std::string SettingsFile::ConfigHome() { return UserFolder("XDG_CONFIG_HOME", ".config"); }

std::string SettingsFile::PathFor(const std::string& app) const {
  if (configHome_.empty() || configHome_[0] != '/') {
    Fail("No folder for settings: the config folder \"" + configHome_ +
         "\" is not an absolute path");
  }
  std::string slug;
  bool gap = false;
  for (const char c : app) {
    const bool digit = c >= '0' && c <= '9';
    const bool upper = c >= 'A' && c <= 'Z';
    if (!digit && !upper && !(c >= 'a' && c <= 'z')) {
      gap = true;
      continue;
    }
    if (gap && !slug.empty()) slug += '-';
    gap = false;
    slug += upper ? static_cast<char>(c - 'A' + 'a') : c;
  }
  if (slug.empty()) Fail("No folder for settings: \"" + app + "\" has no letter or digit");
  std::string home = configHome_;
  while (!home.empty() && home.back() == '/') home.pop_back();
  return home + "/" + slug + "/" + FileName;
}

std::optional<std::string> SettingsFile::Read(const std::string& app, const std::string& section,
                                              const std::string& key) const {
  const std::string path = PathFor(app);
  const auto content = LoadFile(path, "Could not read the settings: ");
  if (!content) return std::nullopt;
  const auto lines = SplitLines(*content);
  const Place place = Find(lines, section, key);
  if (!place.keyLine) return std::nullopt;
  const std::string value(Body(lines[*place.keyLine]).substr(key.size() + 1));
  return IsText(value) ? value : "";
}

void SettingsFile::Write(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& value) {
  const std::string path = PathFor(app);
  const std::string what = "Could not save the setting \"" + key + "\" in " + path;
  if (section.empty() || !IsText(section) || section.find(']') != std::string::npos) {
    Fail(what + ": the section name must be one line of text without ']'");
  }
  if (key.empty() || !IsText(key) || key.find('=') != std::string::npos || key[0] == '[' ||
      key[0] == ';' || key[0] == '#') {
    Fail(what + ": the name must be one line of text without '=' nor a leading '[', ';' or '#'");
  }
  if (!IsText(value)) {
    Fail(what +
         ": the value is not one line of text (it holds a line break, a NUL or another "
         "control character, or invalid UTF-8)");
  }
  const std::string folder = path.substr(0, path.rfind('/'));
  const std::string failure = what + ": ";
  MakeFolders(folder, failure);

  // Each writer reads, changes and replaces the file under this lock. The
  // settings file itself cannot carry it: the rename swaps its inode.
  const std::string lockPath = folder + "/" + LockName;
  Descriptor lock(::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600));
  if (lock.get() < 0) Fail(failure + "cannot open the lock file " + lockPath + ": " + Why(errno));
  while (::flock(lock.get(), LOCK_EX) != 0) {
    if (errno != EINTR) Fail(failure + "cannot lock " + lockPath + ": " + Why(errno));
  }

  const std::string file = FollowLinks(path, failure);
  const std::string old = LoadFile(file, failure).value_or("");
  auto lines = SplitLines(old);
  const Place place = Find(lines, section, key);
  const std::string line = key + "=" + value;
  if (place.keyLine) {
    lines[*place.keyLine] = line;
  } else if (place.sectionInsert) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*place.sectionInsert), line);
  } else {
    if (!lines.empty() && !Body(lines.back()).empty()) lines.emplace_back();
    lines.push_back("[" + section + "]");
    lines.push_back(line);
  }
  std::string content(old.compare(0, ByteOrderMark.size(), ByteOrderMark) == 0 ? ByteOrderMark
                                                                               : "");
  for (const auto& each : lines) content += each + "\n";
  const std::string why = ReplaceFile(file, content, true);
  if (!why.empty()) Fail(failure + why);
}

}  // namespace vss::native
