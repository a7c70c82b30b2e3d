#include "platform/folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "support/temp_dir.h"

namespace fs = std::filesystem;
using platform::EntryKind;
using platform::FolderEntry;
using test_support::TempDir;

namespace {

std::vector<std::string> Names(const std::vector<FolderEntry>& entries) {
  std::vector<std::string> names;
  for (const FolderEntry& e : entries) names.push_back(e.name);
  return names;
}

const FolderEntry* Find(const std::vector<FolderEntry>& entries, const std::string& name) {
  for (const FolderEntry& e : entries) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

TEST(ListFolder, SortsByNameIgnoringCaseThenByBytes) {
  TempDir dir;
  for (const char* name : {"b.mp3", "B.mp3", "a.MP3", "_x", "Zed", "a", "A", "ab", "\xC3\xA9t\xC3\xA9"}) {
    dir.WriteFile(name, "");
  }
  const std::vector<std::string> expected = {"A", "a", "a.MP3", "ab", "B.mp3", "b.mp3",
                                             "Zed", "_x", "\xC3\xA9t\xC3\xA9"};
  EXPECT_EQ(Names(platform::ListFolder(dir.path())), expected);
  EXPECT_EQ(Names(platform::ListFolder(dir.path() + "/")), expected);
}

TEST(ListFolder, TellsKindsAfterFollowingLinks) {
  TempDir dir;
  dir.WriteFile("file.mp3", "x");
  dir.WriteFile(".hidden.mp3", "x");
  fs::create_directory(dir.Path("folder.mp3"));
  fs::create_directory(dir.Path(".hiddenfolder"));
  ASSERT_EQ(::mkfifo(dir.Path("fifo.mp3").c_str(), 0600), 0);
  fs::create_symlink(dir.Path("file.mp3"), dir.Path("link_to_file.mp3"));
  fs::create_symlink(dir.Path("folder.mp3"), dir.Path("link_to_folder"));
  fs::create_symlink(dir.Path("nowhere"), dir.Path("dangling.mp3"));

  const std::vector<FolderEntry> entries = platform::ListFolder(dir.path());
  struct Case { const char* name; EntryKind kind; bool hidden; };
  const Case cases[] = {
      {"file.mp3", EntryKind::kRegularFile, false},
      {".hidden.mp3", EntryKind::kRegularFile, true},
      {"folder.mp3", EntryKind::kFolder, false},
      {".hiddenfolder", EntryKind::kFolder, true},
      {"fifo.mp3", EntryKind::kOther, false},
      {"link_to_file.mp3", EntryKind::kRegularFile, false},
      {"link_to_folder", EntryKind::kFolder, false},
      {"dangling.mp3", EntryKind::kOther, false},
  };
  EXPECT_EQ(entries.size(), std::size(cases));  // "." and ".." left out
  for (const Case& c : cases) {
    const FolderEntry* e = Find(entries, c.name);
    ASSERT_NE(e, nullptr) << c.name;
    EXPECT_EQ(e->kind, c.kind) << c.name;
    EXPECT_EQ(e->hidden, c.hidden) << c.name;
  }
  // A link to a folder is the same folder.
  EXPECT_EQ(Find(entries, "link_to_folder")->identity, Find(entries, "folder.mp3")->identity);
  EXPECT_NE(Find(entries, ".hiddenfolder")->identity, Find(entries, "folder.mp3")->identity);
  EXPECT_EQ(platform::IdentifyFolder(dir.Path("folder.mp3")), Find(entries, "folder.mp3")->identity);
}

TEST(ListFolder, NothingForWhatIsNoReadableFolder) {
  TempDir dir;
  dir.WriteFile("file", "x");
  fs::create_directory(dir.Path("empty"));
  for (const std::string& path : {dir.Path("missing"), dir.Path("file"), dir.Path("empty"),
                                  std::string(), dir.path() + std::string(1, '\0')}) {
    EXPECT_TRUE(platform::ListFolder(path).empty()) << path;
  }
  EXPECT_EQ(platform::IdentifyFolder(dir.Path("file")), std::nullopt);
  EXPECT_EQ(platform::IdentifyFolder(dir.Path("missing")), std::nullopt);
}

TEST(CreateFolders, CreatesMissingParents) {
  TempDir dir;
  EXPECT_TRUE(platform::CreateFolders(dir.Path("a/b/c/")));
  EXPECT_TRUE(fs::is_directory(dir.Path("a/b/c")));
  EXPECT_TRUE(platform::CreateFolders(dir.Path("a/b")));  // already there
  dir.WriteFile("file", "x");
  EXPECT_FALSE(platform::CreateFolders(dir.Path("file")));
  EXPECT_FALSE(platform::CreateFolders(dir.Path("file/sub")));
  EXPECT_FALSE(platform::CreateFolders(""));
}

// Sets or unsets an environment variable for one test and restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value, 1); else ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1); else ::unsetenv(name_);
  }
 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(LocalDataFolder, FollowsXdgDataHomeThenHome) {
  struct Case { const char* xdg; const char* home; std::string expected; };
  const Case cases[] = {
      {"/data/share", "/home/u", "/data/share"},
      {"/data/share//", "/home/u", "/data/share"},
      {"relative/share", "/home/u", "/home/u/.local/share"},
      {"", "/home/u", "/home/u/.local/share"},
      {nullptr, "/home/u/", "/home/u/.local/share"},
      {"/", "/home/u", ""},
  };
  for (const Case& c : cases) {
    ScopedEnv xdg("XDG_DATA_HOME", c.xdg);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(platform::LocalDataFolder(), c.expected) << (c.xdg ? c.xdg : "(unset)");
  }
}

TEST(ConfigFolder, FollowsXdgConfigHomeThenHome) {
  struct Case { const char* xdg; const char* home; std::string expected; };
  const Case cases[] = {
      {"/etc/u", "/home/u", "/etc/u"},
      {"relative", "/home/u/", "/home/u/.config"},
      {nullptr, "/home/u", "/home/u/.config"},
  };
  for (const Case& c : cases) {
    ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(platform::ConfigFolder(), c.expected) << (c.xdg ? c.xdg : "(unset)");
  }
}

TEST(WindowPlacementFile, BesideTheProgramWhenWritableElseInTheConfigFolder) {
  test_support::TempDir dir;
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path("config").c_str());
  const std::string inConfig = dir.Path("config/Quillon/datas.ini");

  fs::create_directories(dir.Path("portable"));
  EXPECT_EQ(platform::WindowPlacementFile(dir.Path("portable"), "Quillon", "datas.ini"),
            dir.Path("portable/datas.ini"));
  EXPECT_FALSE(fs::exists(dir.Path("config")));  // nothing made where it is not used
  EXPECT_TRUE(fs::is_empty(dir.Path("portable")));  // the probe is gone

  // A folder no one may create files in, root included; the config folder
  // is made on the way.
  EXPECT_EQ(platform::WindowPlacementFile("/proc", "Quillon", "datas.ini"), inConfig);
  EXPECT_TRUE(fs::is_directory(dir.Path("config/Quillon")));

  if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only folders and files";
  fs::create_directories(dir.Path("installed"));
  ASSERT_EQ(::chmod(dir.Path("installed").c_str(), 0555), 0);
  EXPECT_EQ(platform::WindowPlacementFile(dir.Path("installed"), "Quillon", "datas.ini"), inConfig);
  ASSERT_EQ(::chmod(dir.Path("installed").c_str(), 0755), 0);
  // A placement file that is there but read-only is no better.
  dir.WriteFile("locked/datas.ini", "[F_Main]\n");
  ASSERT_EQ(::chmod(dir.Path("locked/datas.ini").c_str(), 0444), 0);
  EXPECT_EQ(platform::WindowPlacementFile(dir.Path("locked"), "Quillon", "datas.ini"), inConfig);
}

TEST(ExecutableFolder, IsTheFolderOfThisTestProgram) {
  const std::string folder = platform::ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '/');
  EXPECT_EQ(fs::path(folder), fs::canonical("/proc/self/exe").parent_path());
}

}  // namespace
