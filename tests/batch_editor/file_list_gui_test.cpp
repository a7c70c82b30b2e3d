// The file list through the main window: drops, the folder field and its
// picker, "clear list", and the list box it all ends in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTimer>
#include <filesystem>

#include "batch_editor/UF_Main.h"
#include "gui_support/program_windows.h"
#include "platform/ini_file.h"
#include "widgets/browse_edit.h"
#include "widgets/image_list_box.h"
#include "widgets/panel.h"
#include "widgets/text_edit.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test_support::DropPaths;
using test_support::FilePaths;
using test_support::ListItems;
using test_support::ProgramWindows;
using Paths = std::vector<std::string>;

class FileListWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    // The stored folder is empty, so the start-up scan adds nothing.
    p_.Create();
    p_.ShowAndActivate();
    ASSERT_TRUE(F_Main->Files.empty());
  }

  std::string Make(const std::string& relative, const std::string& bytes = "") {
    return p_.Dir().WriteFile(relative, bytes);
  }
  std::string Folder(const std::string& relative) {
    fs::create_directories(p_.Dir().Path(relative));
    return p_.Dir().Path(relative);
  }
  std::string P(const std::string& relative) const { return p_.Dir().Path(relative); }

  ProgramWindows p_;
};

TEST_F(FileListWindow, FolderScanIsDepthFirstSortedIgnoringCaseWithHiddenFilesButNotHiddenFolders) {
  Make("tree/b.mp3");
  Make("tree/A.MP3");
  Make("tree/c.wav");
  Make("tree/.hidden.mp3");
  Make("tree/Sub/d.Mp3");
  Make("tree/Sub/Deeper/e.mp3");
  Make("tree/.secret/f.mp3");
  Make("tree/x.mp3/g.mp3");  // a folder named like an MP3 is searched, not listed
  Make("tree/aa/h.mp3");
  DropPaths(F_Main->LBX_File->viewport(), {P("tree")});
  const std::string t = P("tree/");
  const Paths expected = {t + ".hidden.mp3", t + "A.MP3",         t + "b.mp3",
                          t + "aa/h.mp3",    t + "Sub/d.Mp3",     t + "Sub/Deeper/e.mp3",
                          t + "x.mp3/g.mp3"};
  EXPECT_EQ(FilePaths(), expected);
  Paths items;
  for (const std::string& e : expected) items.push_back(e + "|0");
  EXPECT_EQ(ListItems(), items);
  EXPECT_EQ(F_Main->PNL_Nb_File->Caption(), "7");
  EXPECT_TRUE(F_Main->PNL_Liste->isHidden());
  EXPECT_EQ(F_Main->LBX_File->ItemIndex(), 0);
}

TEST_F(FileListWindow, RebuildDerivesTheEntryFields) {
  Make("Music/Album/01 Intro.mp3");
  DropPaths(F_Main->LBX_File->viewport(), {P("Music/Album/01 Intro.mp3")});
  ASSERT_EQ(F_Main->Files.size(), 1u);
  const TListe_File& e = F_Main->Files[0];
  EXPECT_EQ(e.FileNameExt, "01 Intro.mp3");
  EXPECT_EQ(e.FileName, "01 Intro");
  EXPECT_EQ(e.FolderPath, P("Music/Album/"));
  EXPECT_EQ(e.FolderName, "Album");
}

TEST_F(FileListWindow, LinkLoopEndsAndEachFileIsListedOnce) {
  Make("loop/a.mp3");
  Make("loop/Sub/b.mp3");
  fs::create_directory_symlink(P("loop"), P("loop/Sub/back"));
  DropPaths(F_Main->LBX_File->viewport(), {P("loop")});
  EXPECT_EQ(FilePaths(), (Paths{P("loop/a.mp3"), P("loop/Sub/b.mp3")}));
}

TEST_F(FileListWindow, DropOfFilesAndFoldersKeepsTheDeliveredOrder) {
  const std::string text = Make("notes.txt", "any type is taken");
  Make("dir/one.mp3");
  Make("dir/two.mp3");
  const std::string song = Make("song.mp3");
  DropPaths(F_Main->PNL_Liste, {text, P("dir"), P("nothing-here.mp3"), song, text});
  EXPECT_EQ(FilePaths(), (Paths{text, P("dir/one.mp3"), P("dir/two.mp3"), song, text}));
  EXPECT_EQ(F_Main->PNL_Nb_File->Caption(), "5");
  // A second drop appends after what is there.
  DropPaths(F_Main->LBX_File->viewport(), {song});
  EXPECT_EQ(F_Main->Files.size(), 6u);
  EXPECT_EQ(F_Main->Files.back().FullPath, song);
}

TEST_F(FileListWindow, DropOnTheHintsPictureOrTextReachesTheHintPanel) {
  const std::string song = Make("song.mp3");
  for (QWidget* child : {static_cast<QWidget*>(F_Main->IMG_Liste), static_cast<QWidget*>(F_Main->LBL_Info_DDP)}) {
    F_Main->BTN_Clear_ListeClick(F_Main);
    ASSERT_FALSE(F_Main->PNL_Liste->isHidden());
    DropPaths(child, {song});
    EXPECT_EQ(FilePaths(), (Paths{song}));
    EXPECT_TRUE(F_Main->PNL_Liste->isHidden());
  }
}

TEST_F(FileListWindow, DropsOnOtherWidgetsAreIgnored) {
  const std::string song = Make("song.mp3");
  DropPaths(F_Main->PNL_Before, {song});
  DropPaths(F_Main->EDT_Nom_Titre_Text, {song});
  EXPECT_TRUE(F_Main->Files.empty());
}

TEST_F(FileListWindow, LongDroppedPathIsTakenWhole) {
  std::string relative = "long";
  while (relative.size() < 300) relative += "/" + std::string(40, 'd');
  const std::string song = Make(relative + "/deep.mp3");
  ASSERT_GT(song.size(), 300u);
  DropPaths(F_Main->LBX_File->viewport(), {song});
  EXPECT_EQ(FilePaths(), Paths{song});
  DropPaths(F_Main->LBX_File->viewport(), {P("long")});
  EXPECT_EQ(FilePaths(), (Paths{song, song}));
}

TEST_F(FileListWindow, DropOfNothingStillRebuildsTheList) {
  DropPaths(F_Main->LBX_File->viewport(), {P("missing")});
  EXPECT_TRUE(F_Main->Files.empty());
  EXPECT_EQ(F_Main->PNL_Nb_File->Caption(), "0");
  EXPECT_FALSE(F_Main->PNL_Liste->isHidden());
}

TEST_F(FileListWindow, ClearListEmptiesEverythingAndShowsTheHint) {
  Make("dir/one.mp3");
  DropPaths(F_Main->LBX_File->viewport(), {P("dir"), P("dir")});
  ASSERT_EQ(F_Main->Files.size(), 2u);
  QTest::mouseClick(F_Main->BTN_Clear_Liste, Qt::LeftButton);
  EXPECT_TRUE(F_Main->Files.empty());
  EXPECT_EQ(F_Main->LBX_File->Count(), 0);
  EXPECT_EQ(F_Main->LBX_File->ItemIndex(), -1);
  EXPECT_EQ(F_Main->PNL_Nb_File->Caption(), "0");
  EXPECT_FALSE(F_Main->PNL_Liste->isHidden());
}

TEST_F(FileListWindow, PickerStartsAtTheFieldAndCancellingRescansItsFolder) {
  Make("first/a.mp3");
  Make("first/b.mp3");
  Make("second/c.mp3");
  F_Main->DED_Folder->SetPath(P("first"));
  QTest::mouseClick(F_Main->DED_Folder->Button(), Qt::LeftButton);  // cancelled: no answer queued
  EXPECT_EQ(p_.pickerStarts, Paths{P("first")});
  EXPECT_EQ(F_Main->DED_Folder->Path(), P("first"));
  EXPECT_EQ(FilePaths(), (Paths{P("first/a.mp3"), P("first/b.mp3")}));

  QTest::mouseClick(F_Main->DED_Folder->Button(), Qt::LeftButton);  // cancelled again: listed twice
  EXPECT_EQ(F_Main->Files.size(), 4u);

  p_.pickerAnswers.push_back(P("second"));
  QTest::mouseClick(F_Main->DED_Folder->Button(), Qt::LeftButton);
  EXPECT_EQ(F_Main->DED_Folder->Path(), P("second"));
  EXPECT_EQ(F_Main->Files.size(), 5u);
  EXPECT_EQ(F_Main->Files.back().FullPath, P("second/c.mp3"));
}

TEST_F(FileListWindow, ListStaysAsItIsWhileARunIsActive) {
  const std::string song = Make("dir/song.mp3");
  DropPaths(F_Main->LBX_File->viewport(), {song});
  ASSERT_EQ(F_Main->Files.size(), 1u);
  F_Main->LBX_File->SetItem(0, song + "|1");
  F_Main->RunActive = true;
  DropPaths(F_Main->LBX_File->viewport(), {song});
  QTest::mouseClick(F_Main->BTN_Clear_Liste, Qt::LeftButton);
  F_Main->DED_Folder->SetPath(P("dir"));
  QTest::mouseClick(F_Main->DED_Folder->Button(), Qt::LeftButton);
  EXPECT_EQ(FilePaths(), Paths{song});
  EXPECT_EQ(ListItems(), Paths{song + "|1"});
  F_Main->RunActive = false;
  DropPaths(F_Main->LBX_File->viewport(), {song});
  EXPECT_EQ(ListItems(), (Paths{song + "|0", song + "|0"}));  // a rebuild resets every state
}

TEST_F(FileListWindow, StartUpScansTheStoredFolder) {
  Make("stored/a.mp3");
  Make("stored/sub/b.mp3");
  ASSERT_TRUE(platform::IniFile(p_.SettingsPath()).WriteValue("string", "DED_Folder", P("stored")));
  DestroyProgramWindows();
  p_.Create();
  p_.ShowAndActivate();
  EXPECT_EQ(FilePaths(), (Paths{P("stored/a.mp3"), P("stored/sub/b.mp3")}));
  EXPECT_EQ(ListItems().front(), P("stored/a.mp3") + "|0");
}

TEST_F(FileListWindow, ClearDuringAScanKeepsOnlyWhatIsFoundAfterIt) {
  Make("big/a.mp3");
  Make("big/s1/b.mp3");
  Make("big/s2/c.mp3");
  // Runs at the first pump, after the subfolder s1.
  QTimer::singleShot(0, F_Main, [] { QTest::mouseClick(F_Main->BTN_Clear_Liste, Qt::LeftButton); });
  DropPaths(F_Main->LBX_File->viewport(), {P("big")});
  EXPECT_EQ(FilePaths(), Paths{P("big/s2/c.mp3")});
  EXPECT_EQ(F_Main->PNL_Nb_File->Caption(), "1");
}

TEST_F(FileListWindow, ClosingDuringAScanSavesTheSettingsAtOnce) {
  Make("big/a.mp3");
  Make("big/s1/b.mp3");
  Make("big/s2/c.mp3");
  fs::remove(p_.SettingsPath());
  bool savedDuringScan = false;
  QTimer::singleShot(0, F_Main, [] { F_Main->close(); });
  // The second pump (after s2) still runs inside the scan.
  QTimer::singleShot(0, F_Main, [this, &savedDuringScan] {
    savedDuringScan = platform::IniFile(p_.SettingsPath()).ReadValue("integer", "RGP_Tag").has_value();
  });
  F_Main->DED_Folder->SetPath(P("big"));
  F_Main->DED_FolderBrowse(F_Main);
  EXPECT_TRUE(savedDuringScan);
  EXPECT_TRUE(F_Main->Closing());
  EXPECT_FALSE(F_Main->isVisible());
}

TEST_F(FileListWindow, ClosingDuringAScanEndsTheWalkAtItsNextPump) {
  Make("wide/a.mp3");
  for (const char* sub : {"s1", "s2", "s3", "s4"}) Make("wide/"s + sub + "/x.mp3");
  bool pumpedAfterClose = false;
  QTimer::singleShot(0, F_Main, [&pumpedAfterClose] {
    F_Main->close();
    // Runs at the next pump, if the walk goes on to another subfolder.
    QTimer::singleShot(0, F_Main, [&pumpedAfterClose] { pumpedAfterClose = true; });
  });
  F_Main->DED_Folder->SetPath(P("wide"));
  F_Main->DED_FolderBrowse(F_Main);
  EXPECT_FALSE(pumpedAfterClose);
  EXPECT_TRUE(F_Main->Closing());
  EXPECT_EQ(FilePaths(), (Paths{P("wide/a.mp3"), P("wide/s1/x.mp3")}));
  QCoreApplication::processEvents();
  EXPECT_TRUE(pumpedAfterClose);
}

}  // namespace
