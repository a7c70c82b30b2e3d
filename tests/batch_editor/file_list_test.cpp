#include "batch_editor/file_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "support/temp_dir.h"

namespace fs = std::filesystem;
using test_support::TempDir;

namespace {

TEST(DeriveEntryFields, SplitsTheFullPath) {
  struct Case {
    std::string full;
    std::string name_ext, name, folder_path, folder_name;
  };
  const Case cases[] = {
      {"/music/Album/01 Intro.mp3", "01 Intro.mp3", "01 Intro", "/music/Album/", "Album"},
      {"/a.mp3", "a.mp3", "a", "/", ""},
      {"a.mp3", "a.mp3", "a", "", ""},
      {"", "", "", "", ""},
      {"/home/a//x.MP3", "x.MP3", "x", "/home/a//", "a"},
      {"/m/a.tar.gz", "a.tar.gz", "a.tar", "/m/", "m"},
      {"/m/README", "README", "README", "/m/", "m"},
      {"/m/.hidden", ".hidden", "", "/m/", "m"},
      {"/m/dir.d/", "", "", "/m/dir.d/", "dir.d"},
      // ":" and "\" are ordinary characters of a name here.
      {"/x/C:\\Music\\a.mp3", "C:\\Music\\a.mp3", "C:\\Music\\a", "/x/", "x"},
      {std::string("/f\0g/h\0.mp3", 11), std::string("h\0.mp3", 6), std::string("h\0", 2),
       std::string("/f\0g/", 5), std::string("f\0g", 3)},
  };
  for (const Case& c : cases) {
    TListe_File entry{c.full, "old", "old", "old", "old"};
    DeriveEntryFields(entry);
    EXPECT_EQ(entry.FullPath, c.full);
    EXPECT_EQ(entry.FileNameExt, c.name_ext) << c.full;
    EXPECT_EQ(entry.FileName, c.name) << c.full;
    EXPECT_EQ(entry.FolderPath, c.folder_path) << c.full;
    EXPECT_EQ(entry.FolderName, c.folder_name) << c.full;
  }
}

// Records appends and pumps in the order they happen.
struct Recorder {
  std::vector<std::string> events;
  AppendFile Append() {
    return [this](std::string path) { events.push_back(std::move(path)); };
  }
  PumpEvents Pump() {
    return [this] { events.push_back("<pump>"); };
  }
};

std::vector<std::string> Files(const std::string& folder, const std::string& ext) {
  Recorder r;
  AddFilesOfType(folder, ext, r.Append());
  return r.events;
}

TEST(AddFilesOfType, TakesRegularFilesWithTheExtensionInAnyCase) {
  TempDir dir;
  for (const char* name : {"b.mp3", "A.Mp3", "B.MP3", "c.wav", ".h.mp3", ".mp3", "mp3", "a.mp3.bak",
                           "amp3", "sub/d.mp3"}) {
    dir.WriteFile(name, "");
  }
  fs::create_directory(dir.Path("folder.mp3"));
  ASSERT_EQ(::mkfifo(dir.Path("fifo.mp3").c_str(), 0600), 0);
  fs::create_symlink(dir.Path("c.wav"), dir.Path("link.mp3"));
  fs::create_symlink(dir.Path("nowhere"), dir.Path("dangling.mp3"));
  fs::create_symlink(dir.Path("folder.mp3"), dir.Path("folderlink.mp3"));

  const std::string f = dir.path() + "/";
  const std::vector<std::string> expected = {f + ".h.mp3", f + ".mp3",   f + "A.Mp3",
                                             f + "B.MP3",  f + "b.mp3",   f + "link.mp3"};
  EXPECT_EQ(Files(dir.path(), "mp3"), expected);
  EXPECT_EQ(Files(dir.path() + "/", "mp3"), expected);
  EXPECT_EQ(Files(dir.path(), "WAV"), std::vector<std::string>{f + "c.wav"});
  EXPECT_TRUE(Files(dir.Path("missing"), "mp3").empty());
  EXPECT_TRUE(Files(dir.Path("c.wav"), "wav").empty());
}

TEST(AddFilesOfType, AnEmptyFolderStandsForTheRoot) {
  // Compare with an explicit "/" for every extension the root folder holds.
  bool compared = false;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator("/", ec)) {
    const std::string name = e.path().filename().string();
    const std::size_t dot = name.rfind('.');
    if (!e.is_regular_file(ec) || dot == std::string::npos) continue;
    const std::string ext = name.substr(dot + 1);
    const std::vector<std::string> from_root = Files("/", ext);
    EXPECT_FALSE(from_root.empty()) << name;
    EXPECT_EQ(Files("", ext), from_root) << name;
    compared = true;
  }
  EXPECT_EQ(Files("", "no-such-extension"), std::vector<std::string>{});
  if (!compared) GTEST_SKIP() << "the root folder holds no file with an extension";
}

class ScanFolderTest : public ::testing::Test {
 protected:
  std::vector<std::string> Scan(const std::string& folder) {
    Recorder r;
    ScanFolder(folder, r.Append(), r.Pump());
    return r.events;
  }
  std::string P(const std::string& rel) const { return dir_.path() + "/" + rel; }
  TempDir dir_;
};

TEST_F(ScanFolderTest, OwnFilesFirstThenEachSubfolderDepthFirst) {
  for (const char* name : {"a.mp3", "B.MP3", "c.wav", ".f.mp3", "Sub/d.mp3", "Sub/Deeper/e.mp3",
                           "Sub/z.mp3", ".hid/h.mp3", "x.mp3/g.mp3", "Zed/empty.txt"}) {
    dir_.WriteFile(name, "");
  }
  fs::create_directory(P("Alpha"));
  const std::vector<std::string> expected = {
      P(".f.mp3"), P("a.mp3"), P("B.MP3"),
      "<pump>",  // Alpha, empty
      P("Sub/d.mp3"), P("Sub/z.mp3"), P("Sub/Deeper/e.mp3"), "<pump>", "<pump>",
      P("x.mp3/g.mp3"), "<pump>",  // a folder named like a file is searched, not listed
      "<pump>",                    // Zed
  };
  EXPECT_EQ(Scan(dir_.path()), expected);
  EXPECT_EQ(Scan(dir_.path() + "/"), expected);
}

TEST_F(ScanFolderTest, HiddenStartFolderIsSearched) {
  dir_.WriteFile(".music/a.mp3", "");
  dir_.WriteFile(".music/.inner/b.mp3", "");
  EXPECT_EQ(Scan(P(".music")), std::vector<std::string>{P(".music/a.mp3")});
}

TEST_F(ScanFolderTest, LinksToFoldersAreFollowedOnceAndLoopsEnd) {
  dir_.WriteFile("Sub/d.mp3", "");
  dir_.WriteFile("Sub/Deep/e.mp3", "");
  fs::create_directory_symlink(dir_.path(), P("Sub/Deep/up"));  // loop back to the start
  fs::create_directory_symlink(P("Sub/Deep"), P("Sub/Deep/self"));
  fs::create_directory_symlink(P("Sub"), P("Link"));  // sorts before Sub, so it wins
  fs::create_symlink(P("nowhere"), P("Dangling"));
  const std::vector<std::string> expected = {
      P("Link/d.mp3"), P("Link/Deep/e.mp3"), "<pump>", "<pump>",
      // "Sub" is the folder already entered as "Link": not entered again.
  };
  EXPECT_EQ(Scan(dir_.path()), expected);
}

TEST_F(ScanFolderTest, NothingForAMissingFolderOrAFile) {
  dir_.WriteFile("a.mp3", "");
  EXPECT_TRUE(Scan(P("missing")).empty());
  EXPECT_TRUE(Scan(P("a.mp3")).empty());
}

TEST_F(ScanFolderTest, ADeepTreeIsSearchedToTheBottom) {
  std::string rel;
  for (int i = 0; i < 1000; ++i) rel += "d/";
  dir_.WriteFile(rel + "deep.mp3", "");
  const std::vector<std::string> events = Scan(dir_.path());
  ASSERT_EQ(events.size(), 1001u);
  EXPECT_EQ(events.front(), P(rel + "deep.mp3"));
  EXPECT_EQ(std::count(events.begin(), events.end(), "<pump>"), 1000);
}

TEST_F(ScanFolderTest, APumpMayScanAgainInsideTheScan) {
  dir_.WriteFile("one/A/a.mp3", "");
  dir_.WriteFile("one/B/b.mp3", "");
  dir_.WriteFile("two/c.mp3", "");
  std::vector<std::string> events;
  bool nested_done = false;
  AppendFile append = [&](std::string path) { events.push_back(std::move(path)); };
  PumpEvents pump = [&] {
    events.push_back("<pump>");
    if (!nested_done) {
      nested_done = true;
      ScanFolder(P("two"), append, [&] { events.push_back("<inner pump>"); });
    }
  };
  ScanFolder(P("one"), append, pump);
  const std::vector<std::string> expected = {P("one/A/a.mp3"), "<pump>", P("two/c.mp3"),
                                             P("one/B/b.mp3"), "<pump>"};
  EXPECT_EQ(events, expected);
}

TEST_F(ScanFolderTest, AnErrorEndsTheScanAndKeepsWhatWasAppended) {
  dir_.WriteFile("a.mp3", "");
  dir_.WriteFile("b.mp3", "");
  dir_.WriteFile("c.mp3", "");
  dir_.WriteFile("S/d.mp3", "");
  std::vector<std::string> got;
  AppendFile append = [&](std::string path) {
    if (got.size() == 2) throw std::runtime_error("full");
    got.push_back(std::move(path));
  };
  EXPECT_NO_THROW(ScanFolder(dir_.path(), append, [] {}));
  EXPECT_EQ(got, (std::vector<std::string>{P("a.mp3"), P("b.mp3")}));
  got.clear();
  EXPECT_NO_THROW(AddFilesOfType(dir_.path(), "mp3", append));
  EXPECT_EQ(got.size(), 2u);
  got.clear();
  EXPECT_NO_THROW(ScanFolder(dir_.path(), [&](std::string p) { got.push_back(p); },
                             [] { throw std::runtime_error("pump"); }));
  EXPECT_EQ(got.size(), 4u);
}

}  // namespace
