#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>

#include "native/settings_file.h"
#include "api/vbnum.h"
#include "support.h"

namespace vss::native {
namespace {

// Whether `call` throws the settings error, naming the file and `why`.
bool Throws(const std::function<void()>& call, const std::string& why) {
  try {
    call();
  } catch (const RuntimeError& e) {
    const std::string what = e.what();
    return e.Number() == ErrorNumber::InvalidProcedureCall &&
           what.find("settings.ini") != what.npos && what.find(why) != what.npos;
  }
  return false;
}

struct SettingsFileTest : testing::Test {
  TempDir dir;
  SettingsFile settings{dir.path.string()};
  fs::path folder = dir.path / "vorlan-screen-saver-2", file = folder / "settings.ini";
  std::optional<std::string> Read(const std::string& key, const char* section = "Options") {
    return settings.Read("Vorlan Screen Saver 2", section, key);
  }
  void Write(const std::string& key, const std::string& value, const char* section = "Options") {
    settings.Write("Vorlan Screen Saver 2", section, key, value);
  }
  void Put(const std::string& text) {
    fs::create_directories(folder);
    std::ofstream(file, std::ios::binary) << text;
  }
};

TEST_F(SettingsFileTest, WritesOneValueAndKeepsEverythingElse) {
  ::setenv("XDG_CONFIG_HOME", (dir.path / "new").c_str(), 1);
  SettingsFile(SettingsFile::ConfigHome()).Write("Vorlan Screen Saver 2", "Options", "A", " 6 ");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(Slurp(dir.path / "new" / folder.filename() / "settings.ini"), "[Options]\nA= 6 \n");
  EXPECT_EQ(fs::status(dir.path / "new").permissions(), fs::perms::owner_all);

  Put("; kept\r\n[Other]\r\nDelay Interval=1\r\n\r\n[Options]\r\nDelay Interval=2\r\n"
      "delay random=x\r\n\r\n# next\r\n[Last]");
  Write("Delay Interval", "a=b");
  Write("Delay Random", " -1 ");
  Write("K", "", "New");
  EXPECT_EQ(Slurp(file),
            "; kept\r\n[Other]\r\nDelay Interval=1\r\n\r\n[Options]\r\nDelay Interval=a=b\n"
            "delay random=x\r\nDelay Random= -1 \n\r\n# next\r\n[Last]\n\n[New]\nK=\n");
  EXPECT_EQ(Read("Delay Interval"), "a=b");
  EXPECT_EQ(Read("Delay Random"), " -1 ");
  EXPECT_EQ(Read("Delay Interval", "Other"), "1");
  EXPECT_EQ(Read("Delay Interval", "options"), std::nullopt);
  EXPECT_EQ(Read("Delay"), std::nullopt);
}

TEST_F(SettingsFileTest, ReadsPastAByteOrderMarkAndKeepsIt) {
  // Editors on Windows begin a UTF-8 file with one.
  Put("\xEF\xBB\xBF[Options]\r\nDelay Interval=7\r\n");
  EXPECT_EQ(Read("Delay Interval"), "7");
  Write("Delay Random", "-1");
  EXPECT_EQ(Slurp(file), "\xEF\xBB\xBF[Options]\r\nDelay Interval=7\r\nDelay Random=-1\n");
}

TEST_F(SettingsFileTest, WritesThroughALinkAndKeepsIt) {
  // Settings kept in a dotfiles folder and linked, relatively and through
  // a second link; also a link to a file not made yet.
  const fs::path dotfiles = dir.path / "dotfiles", target = dotfiles / "vss.ini";
  fs::create_directories(folder);
  fs::create_directories(dotfiles);
  std::ofstream(target) << "[Options]\nDelay Interval=7\n";
  fs::create_symlink("vss.ini", dotfiles / "current");
  fs::create_symlink("../dotfiles/current", file);
  Write("Delay Random", "-1");
  EXPECT_TRUE(fs::is_symlink(file) && fs::is_symlink(dotfiles / "current"));
  EXPECT_EQ(Slurp(target), "[Options]\nDelay Interval=7\nDelay Random=-1\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dotfiles), {}), 2);  // no temporary file
  fs::remove(file);
  fs::create_symlink(dotfiles / "new.ini", file);
  Write("Delay Random", "0");
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_EQ(Slurp(dotfiles / "new.ini"), "[Options]\nDelay Random=0\n");
}

TEST_F(SettingsFileTest, ValuesThatAreNotTextReadEmptyAndAreNeverWritten) {
  for (const char* value : {"6\x01", "\x7F", "\xFF", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82"}) {
    Put(std::string("[Options]\nDelay Interval=") + value + "\n");
    EXPECT_EQ(Read("Delay Interval"), "") << testing::PrintToString(value);
    EXPECT_TRUE(Throws([&] { Write("Delay Interval", value); }, "text"));
  }
  EXPECT_TRUE(Throws([&] { Write("Delay Interval", std::string("6\0", 2)); }, "NUL"));
  EXPECT_TRUE(Throws([&] { Write("Delay Interval", "1\n[Options]"); }, "line break"));
  EXPECT_EQ(Slurp(file), "[Options]\nDelay Interval=\xE2\x82\n");
  Write("Delay Interval", "\t\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Read("Delay Interval"), "\t\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadThrows) {
  const auto read = [&] { Read("Delay Interval"); };
  Put("[Options]\nDelay Interval=7\n" + std::string(65536 - 28, ';') + "\n\n");
  EXPECT_TRUE(Throws(read, "64 KiB"));  // one byte more than the limit
  Put("[Options]\nDelay Interval=7\n");
  fs::permissions(file, fs::perms::none);
  fs::permissions(dir.path, fs::perms::all);
  // Root reads anything: the child reads as "nobody" then.
  EXPECT_TRUE(InChild([&] {
    return (::geteuid() != 0 || ::setuid(65534) == 0) && Throws(read, "Permission denied");
  }));
}

TEST_F(SettingsFileTest, TwoProcessesSavingAtOnceLoseNothing) {
  // Each process checks before every save that its previous one survived.
  const auto saveMany = [&](const std::string& who) {
    bool kept = true;
    for (int i = 0; i < 60; ++i) {
      kept &= i == 0 || Read(who) == who + std::to_string(i - 1);
      Write(who, who + std::to_string(i));
      Write("Shared", who + std::to_string(i));
    }
    return kept;
  };
  EXPECT_TRUE(InChild([&] { return saveMany("Child"); }, [&] { EXPECT_TRUE(saveMany("Parent")); }));
  EXPECT_EQ(Read("Child"), "Child59");
  EXPECT_EQ(Read("Parent"), "Parent59");
  EXPECT_TRUE(Read("Shared") == "Child59" || Read("Shared") == "Parent59");
  const std::string content = Slurp(file);  // one complete file
  EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 4) << content;
}

}  // namespace
}  // namespace vss::native
