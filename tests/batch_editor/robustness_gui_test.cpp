// Whole batch runs through the window over what users' folders really hold:
// names that are not UTF-8, empty and truncated files, folders and FIFOs
// named like MP3s, a link loop, a file that vanishes before the run and a
// tag that claims 200 MB; and mutagen reading what a run wrote.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QPushButton>
#include <QTest>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "batch_editor/UF_Main.h"
#include "gui_support/program_windows.h"
#include "support/mutagen_reader.h"
#include "tag_engine/mp3_tag_engine.h"
#include "widgets/browse_edit.h"
#include "widgets/choice_list.h"
#include "widgets/image_list_box.h"
#include "widgets/radio_group.h"
#include "widgets/text_edit.h"

namespace {

namespace fs = std::filesystem;
using test_support::AudioOf;
using test_support::MpegAudio;
using test_support::ProgramWindows;

std::string Syncsafe(std::uint32_t n) {
  return {static_cast<char>((n >> 21) & 0x7F), static_cast<char>((n >> 14) & 0x7F), static_cast<char>((n >> 7) & 0x7F),
          static_cast<char>(n & 0x7F)};
}

std::string TaggedSong(const std::string& title, const std::string& audio) {
  const std::string content = std::string(1, '\0') + title;
  const auto n = static_cast<std::uint32_t>(content.size());
  const std::string frame = "TIT2" + std::string{0, 0, 0, static_cast<char>(n)} + std::string(2, '\0') + content;
  return "ID3" + std::string("\x03\x00\x00", 3) + Syncsafe(static_cast<std::uint32_t>(frame.size())) + frame + audio;
}

class RunThroughTheWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    p_.Create();
    p_.ShowAndActivate();
    ASSERT_TRUE(F_Main->Files.empty());
  }

  // Picks `folder` in the folder field, which scans it into the list.
  void Pick(const std::string& folder) {
    p_.pickerAnswers.push_back(folder);
    F_Main->DED_Folder->Browse();
  }

  void Start() {
    QTest::mouseClick(F_Main->BTN_Start, Qt::LeftButton);
    ASSERT_TRUE(F_Main->BTN_Start->isEnabled()) << "the run did not end";
    ASSERT_FALSE(F_Main->BTN_Stop->isEnabled());
  }

  std::string P(const std::string& relative) const { return p_.Dir().Path(relative); }
  std::string Read(const std::string& relative) const { return p_.Dir().ReadFile(relative); }

  ProgramWindows p_;
};

TEST_F(RunThroughTheWindow, HostileTreeEndsNormallyWithAStateForEveryEntry) {
  const std::string audio = MpegAudio(10, 3);
  const std::string badName = "bad\xFF\xFE" "name.mp3";
  const std::string hugeTag = "ID3" + std::string("\x03\x00\x00", 3) + Syncsafe(200u << 20) + "TIT2" +
                              std::string("\x00\x00\x00\x04\x00\x00\x00" "abc", 10) + audio;
  p_.Dir().WriteFile("tree/ok.mp3", TaggedSong("old", audio));
  p_.Dir().WriteFile("tree/" + badName, audio);
  p_.Dir().WriteFile("tree/empty.mp3", "");
  p_.Dir().WriteFile("tree/nine.mp3", std::string("ID3\x03\x00\x00\x00\x00\x00", 9));
  p_.Dir().WriteFile("tree/huge.mp3", hugeTag);
  p_.Dir().WriteFile("tree/vanish.mp3", audio);
  fs::create_directories(P("tree/x.mp3"));
  ASSERT_EQ(::mkfifo(P("tree/y.mp3").c_str(), 0600), 0);
  fs::create_directory_symlink(P("tree"), P("tree/loop"));

  Pick(P("tree"));
  const std::string t = P("tree/");
  // Only regular files are listed, and the link back to the tree is not
  // entered again.
  const std::vector<std::string> listed = {t + badName,       t + "empty.mp3",  t + "huge.mp3",
                                           t + "nine.mp3",    t + "ok.mp3",     t + "vanish.mp3"};
  ASSERT_EQ(test_support::FilePaths(), listed);

  fs::remove(P("tree/vanish.mp3"));
  F_Main->RGP_Nom_Titre->SetItemIndex(1);  // title from the file name
  F_Main->RGP_Tag->SetItemIndex(0);
  Start();

  const std::vector<std::string> states = {
      t + badName + "|1",    t + "empty.mp3|1", t + "huge.mp3|0",  // refused: its tag reaches past its end
      t + "nine.mp3|1",      t + "ok.mp3|1",    t + "vanish.mp3|0"};
  EXPECT_EQ(test_support::ListItems(), states);
  EXPECT_TRUE(p_.messages.empty()) << p_.messages.front().toStdString();

  EXPECT_EQ(Read("tree/huge.mp3"), hugeTag);
  EXPECT_FALSE(fs::exists(P("tree/vanish.mp3")));
  struct stat st {};
  ASSERT_EQ(::lstat(P("tree/y.mp3").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_TRUE(fs::is_directory(P("tree/x.mp3")) && fs::is_empty(P("tree/x.mp3")));
  EXPECT_EQ(AudioOf(Read("tree/ok.mp3")), audio);
  EXPECT_EQ(AudioOf(Read("tree/" + badName)), audio);
  // Everything a short or empty file held is kept, after the new tag.
  EXPECT_EQ(AudioOf(Read("tree/nine.mp3")), std::string("ID3\x03\x00\x00\x00\x00\x00", 9));
  EXPECT_EQ(AudioOf(Read("tree/empty.mp3")), "");

  Mp3TagEngine reader;
  reader.ReadTag(t + badName);
  EXPECT_EQ(reader.TagTitle, "bad??name");  // bytes that are no UTF-8 become "?"
  reader.ReadTag(t + "nine.mp3");
  EXPECT_EQ(reader.TagTitle, "nine");
  // Nothing was left beside the files or in the data folder.
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(P("tree"))) names.push_back(e.path().filename().string());
  EXPECT_EQ(names.size(), 8u);  // the six files left, x.mp3, y.mp3 and the link
  EXPECT_FALSE(fs::exists(p_.DataFolder() + "tmp.mp3"));
}

TEST_F(RunThroughTheWindow, MutagenReadsWhatARunWrote) {
  const std::string audio = MpegAudio(30, 5);
  p_.Dir().WriteFile("music/Les \xC3\x89toiles/Caf\xC3\xA9.mp3", TaggedSong("old", audio));
  p_.Dir().WriteFile("music/Les \xC3\x89toiles/Song.mp3", audio);
  Pick(P("music"));
  ASSERT_EQ(F_Main->Files.size(), 2u);

  F_Main->RGP_Nom_Titre->SetItemIndex(1);
  F_Main->RGP_Nom_Artiste->SetItemIndex(1);
  F_Main->RGP_Nom_Album->SetItemIndex(1);
  F_Main->RGP_Nom_Comment->SetItemIndex(1);
  F_Main->EDT_Nom_Comment_Text->SetText("Tagged in one pass \xC2\xB1");  // program text is UTF-8
  F_Main->RGP_Nom_Date->SetItemIndex(1);
  F_Main->EDT_Nom_Date->SetText("1987");
  F_Main->RGP_Nom_Track->SetItemIndex(1);
  F_Main->RGP_Nom_Genre->SetItemIndex(2);
  ASSERT_TRUE(F_Main->CBX_Nom_Genre_List->SelectText("Classic Rock"));
  F_Main->RGP_Nom_Category->SetItemIndex(2);
  ASSERT_TRUE(F_Main->CBX_Nom_Category_List->SelectText("Station ID"));
  F_Main->RGP_Tag->SetItemIndex(0);
  Start();

  // Every value fits ISO-8859-1, so the tool expects Latin-1 frames holding
  // these texts (given in UTF-8).
  const std::map<std::string, std::pair<std::string, std::string>> expected = {
      {"Caf\xC3\xA9.mp3", {"Caf\xC3\xA9", "1"}}, {"Song.mp3", {"Song", "2"}}};
  for (const auto& [name, titleAndTrack] : expected) {
    SCOPED_TRACE(name);
    const std::string path = P("music/Les \xC3\x89toiles/" + name);
    test_support::WrittenValues v{titleAndTrack.first, "Les \xC3\x89toiles", "Les \xC3\x89toiles",
                                  "Tagged in one pass \xC2\xB1", "1987", titleAndTrack.second, "Classic Rock",
                                  "Station ID"};
    const test_support::ToolResult r = test_support::RunMutagenTool(test_support::CheckArgs(path, v));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(AudioOf(Read("music/Les \xC3\x89toiles/" + name)), audio);
  }
}

}  // namespace
