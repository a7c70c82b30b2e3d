// Undo of the last run through the main window: a run over files tagged by
// other programs, then Ctrl+Z or the list's context menu, real files in a
// temporary folder, the confirmation answered by the test.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "batch_editor/UF_Main.h"
#include "gui_support/mp3_fixtures.h"
#include "gui_support/program_windows.h"
#include "support/mutagen_reader.h"
#include "support/tag_fixtures.h"
#include "tag_engine/undo_journal.h"
#include "widgets/browse_edit.h"
#include "widgets/image_list_box.h"
#include "widgets/panel.h"
#include "widgets/progress_bar.h"
#include "widgets/radio_group.h"
#include "widgets/text_edit.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test_support::ClickOption;
using test_support::DropPaths;
using test_support::FilePaths;
using test_support::Frame;
using test_support::ListItems;
using test_support::ProgramWindows;
using test_support::Tag;
using test_support::TypeInto;
using Texts = std::vector<std::string>;

class UndoWindow : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }

  void Open() {
    p_.Create();
    p_.ShowAndActivate();
  }
  // Closes the window as the user does, and starts the program again.
  void Restart() {
    p_.Close();
    DestroyProgramWindows();
    Open();
  }

  std::string Make(const std::string& relative, const std::string& bytes) {
    return p_.Dir().WriteFile(relative, bytes);
  }
  std::string Read(const std::string& path) const { return p_.Dir().ReadFile(path); }
  std::string P(const std::string& relative) const { return p_.Dir().Path(relative); }
  std::string Journal() const { return p_.DataFolder() + undo::kJournalName; }

  // Title from the file name, a custom album and comment, every file
  // written: every file's tag changes.
  void SetRules() {
    ClickOption(F_Main->RGP_Nom_Titre, 1);
    ClickOption(F_Main->RGP_Nom_Album, 2);
    TypeInto(F_Main->EDT_Nom_Album_Text, "Wrong \xC9t\xE9");
    ClickOption(F_Main->RGP_Nom_Comment, 1);
    TypeInto(F_Main->EDT_Nom_Comment_Text, "oops");
    ClickOption(F_Main->RGP_Tag, 0);
  }

  // Runs `act` (which starts a run or an undo) while `during` sees every
  // pump of it.
  void Walk(const std::function<void()>& act, const std::function<void()>& during = nullptr) {
    QTimer sampler;
    sampler.setInterval(0);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
      if (!F_Main || !F_Main->RunActive) return;
      captions_.push_back(F_Main->PNL_Process->Caption());
      undoEnabledDuringWalk_ = undoEnabledDuringWalk_ || F_Main->ACT_Undo->isEnabled();
      lockedDuringWalk_ = lockedDuringWalk_ && !F_Main->BTN_Start->isEnabled() && F_Main->BTN_Stop->isEnabled() &&
                          !F_Main->LBX_File->isEnabled() && !F_Main->BTN_Clear_Liste->isEnabled();
      if (during) during();
    });
    sampler.start();
    act();
    sampler.stop();
  }
  void Start(const std::function<void()>& during = nullptr) {
    Walk([] { QTest::mouseClick(F_Main->BTN_Start, Qt::LeftButton); }, during);
  }
  void UndoByMenu(const std::function<void()>& during = nullptr) {
    Walk([] { F_Main->ACT_Undo->trigger(); }, during);
  }

  Texts Captions() const {
    Texts out;
    for (const std::string& c : captions_)
      if (out.empty() || out.back() != c) out.push_back(c);
    return out;
  }

  ProgramWindows p_;
  Texts captions_;
  bool undoEnabledDuringWalk_ = false;
  bool lockedDuringWalk_ = true;
};

// Files as other programs leave them: mutagen's v2.4 UTF-8 and v2.3 UTF-16
// tags with a picture and padding (with and without an ID3v1 block), plus a
// plain v2.3 tag without padding, an ID3v1 block alone, and no tag at all.
TEST_F(UndoWindow, RunThenCtrlZGivesEveryFileItsOriginalBytes) {
  const std::string audioFile = Make("in/audio.raw", test_support::MpegAudio(40, 3));
  const std::string pictureFile = Make("in/cover.png", "\x89PNG\r\n\x1A\n"s + std::string(20000, '\x5A') + "end");
  Texts files;
  for (const char* form : {"v24_utf8", "v23_utf16"}) {
    const std::string path = P("Lib/Artist/"s + form + ".mp3");
    fs::create_directories(P("Lib/Artist"));
    const test_support::ToolResult made = test_support::RunMutagenTool({"make", form, path, audioFile, pictureFile});
    ASSERT_EQ(made.status, 0) << made.output;
    files.push_back(path);
  }
  files.push_back(Make("Lib/Artist/plain23.mp3",
                       Tag(Frame("TIT2", "\0Old"s) + Frame("TPE1", "\0Someone"s)) + test_support::MpegAudio(10, 4)));
  files.push_back(Make("Lib/Artist/v1only.mp3", test_support::MpegAudio(10, 5) + test_support::V1Block('v', 12)));
  files.push_back(Make("Lib/Artist/none.mp3", test_support::MpegAudio(10, 6)));
  Texts originals;
  for (const std::string& f : files) originals.push_back(Read(f));

  EXPECT_FALSE(F_Main->ACT_Undo->isEnabled());  // no journal yet
  DropPaths(F_Main->LBX_File->viewport(), {P("Lib")});
  ASSERT_EQ(FilePaths().size(), files.size());
  SetRules();
  Start();
  EXPECT_FALSE(undoEnabledDuringWalk_);
  for (std::size_t i = 0; i < files.size(); ++i) ASSERT_NE(Read(files[i]), originals[i]) << files[i];
  ASSERT_TRUE(F_Main->ACT_Undo->isEnabled());
  ASSERT_TRUE(fs::exists(Journal()));

  // The list's context menu carries the entry; Ctrl+Z triggers it.
  EXPECT_TRUE(F_Main->LBX_File->actions().contains(F_Main->ACT_Undo));
  EXPECT_EQ(F_Main->ACT_Undo->text(), "Undo the last run");
  p_.confirmAnswers.push_back(true);
  captions_.clear();
  undoEnabledDuringWalk_ = false;
  F_Main->LBX_File->setFocus();
  Walk([] { QTest::keyClick(F_Main->LBX_File, Qt::Key_Z, Qt::ControlModifier); });

  ASSERT_EQ(p_.questions.size(), 1u);
  EXPECT_EQ(p_.questions[0], "Restore the tags of 5 files as they were before the last run?");
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(Read(files[i]), originals[i]) << files[i];
  EXPECT_EQ(Captions(), (Texts{"restoring 1 / 5", "restoring 2 / 5", "restoring 3 / 5", "restoring 4 / 5",
                               "restoring 5 / 5"}));
  EXPECT_TRUE(lockedDuringWalk_);
  EXPECT_FALSE(undoEnabledDuringWalk_);
  EXPECT_EQ(F_Main->PNL_Process->Caption(), "restored 5 / 5");
  EXPECT_EQ(F_Main->PGB_Progression->Position(), 5);
  for (const std::string& item : ListItems()) EXPECT_EQ(item.substr(item.size() - 2), "|0") << item;
  EXPECT_FALSE(fs::exists(Journal()));
  EXPECT_FALSE(F_Main->ACT_Undo->isEnabled());
  EXPECT_TRUE(F_Main->BTN_Start->isEnabled());
  EXPECT_FALSE(F_Main->BTN_Stop->isEnabled());
  EXPECT_TRUE(F_Main->LBX_File->isEnabled());
  EXPECT_FALSE(F_Main->RunActive);
  EXPECT_TRUE(p_.messages.empty());
}

TEST_F(UndoWindow, UndoAfterARestartBringsYesterdaysFilesBack) {
  Texts files, originals;
  for (int i = 0; i < 3; ++i) {
    files.push_back(Make("Day/s" + std::to_string(i) + ".mp3",
                         Tag(Frame("TIT2", "\0before "s + std::to_string(i)) + Frame("APIC", std::string(3000, 'p')),
                             100) +
                             test_support::MpegAudio(8, static_cast<unsigned>(i))));
    originals.push_back(Read(files.back()));
  }
  F_Main->DED_Folder->SetPath(P("Day"));
  F_Main->DED_FolderBrowse(F_Main);
  SetRules();
  Start();
  ASSERT_NE(Read(files[0]), originals[0]);

  Restart();
  // The stored folder is listed again, and the journal is still there.
  ASSERT_EQ(FilePaths(), files);
  ASSERT_TRUE(F_Main->ACT_Undo->isEnabled());
  // No: nothing happens.
  UndoByMenu();
  EXPECT_EQ(p_.questions.size(), 1u);
  EXPECT_NE(Read(files[0]), originals[0]);
  EXPECT_TRUE(F_Main->ACT_Undo->isEnabled());

  p_.confirmAnswers.push_back(true);
  UndoByMenu();
  EXPECT_EQ(p_.questions.back(), "Restore the tags of 3 files as they were before the last run?");
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(Read(files[i]), originals[i]) << i;
  EXPECT_EQ(F_Main->PNL_Process->Caption(), "restored 3 / 3");
  EXPECT_FALSE(F_Main->ACT_Undo->isEnabled());
}

TEST_F(UndoWindow, FileTouchedOrRemovedSinceTheRunIsLeftAloneAndReported) {
  Texts files, originals;
  for (char c = 'a'; c <= 'd'; ++c) {
    files.push_back(Make("T/"s + c + ".mp3", Tag(Frame("TIT2", "\0old"s)) + test_support::MpegAudio(6, c)));
    originals.push_back(Read(files.back()));
  }
  DropPaths(F_Main->LBX_File->viewport(), {P("T")});
  SetRules();
  Start();
  // b.mp3 retagged by another program afterwards; d.mp3 deleted.
  const std::string touched = Read(files[1]) + "more";
  Make("T/b.mp3", touched);
  fs::remove(files[3]);

  p_.confirmAnswers.push_back(true);
  UndoByMenu();
  EXPECT_EQ(Read(files[0]), originals[0]);
  EXPECT_EQ(Read(files[1]), touched);
  EXPECT_EQ(Read(files[2]), originals[2]);
  EXPECT_FALSE(fs::exists(files[3]));
  EXPECT_EQ(F_Main->PNL_Process->Caption(), "restored 2 / 4, 2 changed since");
  EXPECT_EQ(ListItems(), (Texts{files[0] + "|0", files[1] + "|1", files[2] + "|0", files[3] + "|1"}));
  EXPECT_EQ(F_Main->LBX_File->ItemToolTip(1), "changed since the last run: left as it is");
  EXPECT_EQ(F_Main->LBX_File->ItemToolTip(3), "gone since the last run");
  EXPECT_TRUE(F_Main->LBX_File->ItemToolTip(0).isEmpty());
  // The walk went through every entry: nothing is left to undo.
  EXPECT_FALSE(fs::exists(Journal()));
  EXPECT_FALSE(F_Main->ACT_Undo->isEnabled());
}

TEST_F(UndoWindow, StopDuringAnUndoKeepsTheRestAndASecondUndoFinishes) {
  Texts files, originals;
  for (char c = 'a'; c <= 'e'; ++c) {
    files.push_back(Make("S/"s + c + ".mp3", test_support::MpegAudio(6, c)));
    originals.push_back(Read(files.back()));
  }
  DropPaths(F_Main->LBX_File->viewport(), {P("S")});
  SetRules();
  Start();
  const Texts written = {Read(files[0]), Read(files[1]), Read(files[2])};

  p_.confirmAnswers.push_back(true);
  UndoByMenu([] {
    if (F_Main->PNL_Process->Caption() == "restoring 2 / 5" && !F_Main->StopRequested)
      QTest::mouseClick(F_Main->BTN_Stop, Qt::LeftButton);
  });
  // From the last write back: e and d restored, a to c still written.
  EXPECT_EQ(F_Main->PNL_Process->Caption(), "restored 2 / 5");
  EXPECT_EQ(F_Main->PGB_Progression->Position(), 2);
  EXPECT_EQ(Read(files[4]), originals[4]);
  EXPECT_EQ(Read(files[3]), originals[3]);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(Read(files[i]), written[i]) << i;
  EXPECT_EQ(ListItems(), (Texts{files[0] + "|1", files[1] + "|1", files[2] + "|1", files[3] + "|0", files[4] + "|0"}));
  ASSERT_TRUE(F_Main->ACT_Undo->isEnabled());

  // Even after a restart the rest is still to undo.
  Restart();
  p_.confirmAnswers.push_back(true);
  UndoByMenu();
  EXPECT_EQ(p_.questions.back(), "Restore the tags of 3 files as they were before the last run?");
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(Read(files[i]), originals[i]) << i;
  EXPECT_EQ(F_Main->PNL_Process->Caption(), "restored 3 / 3");
  EXPECT_FALSE(fs::exists(Journal()));
}

TEST_F(UndoWindow, ClosingDuringAnUndoFinishesTheFileInHandThenCloses) {
  Texts files, originals;
  for (char c = 'a'; c <= 'c'; ++c) {
    files.push_back(Make("C/"s + c + ".mp3", test_support::MpegAudio(6, c)));
    originals.push_back(Read(files.back()));
  }
  DropPaths(F_Main->LBX_File->viewport(), {P("C")});
  SetRules();
  Start();
  const std::string writtenA = Read(files[0]);
  p_.confirmAnswers.push_back(true);
  UndoByMenu([] {
    if (F_Main->PNL_Process->Caption() == "restoring 1 / 3" && !F_Main->CloseAfterRun()) F_Main->close();
  });
  EXPECT_TRUE(F_Main->Closing());
  EXPECT_FALSE(F_Main->isVisible());
  EXPECT_EQ(Read(files[2]), originals[2]);
  EXPECT_EQ(Read(files[0]), writtenA);
  std::optional<undo::Contents> left = undo::ReadJournal(Journal());
  ASSERT_TRUE(left);
  EXPECT_EQ(left->pending.size(), 2u);
}

// A new run replaces the journal at its first written file; a run that
// writes nothing leaves the last one in place.
TEST_F(UndoWindow, OnlyTheLastRunThatWroteAFileIsUndone) {
  const std::string a = Make("R/a.mp3", test_support::MpegAudio(6, 1));
  const std::string original = Read(a);
  DropPaths(F_Main->LBX_File->viewport(), {a});
  SetRules();
  Start();
  const std::string first = Read(a);
  ClickOption(F_Main->RGP_Tag, 1);  // skip files already tagged: nothing is written
  Start();
  ASSERT_EQ(ListItems(), Texts{a + "|2"});
  TypeInto(F_Main->EDT_Nom_Comment_Text, "second");
  Start();
  ASSERT_NE(Read(a), first);

  p_.confirmAnswers.push_back(true);
  UndoByMenu();
  EXPECT_EQ(p_.questions.back(), "Restore the tags of 1 files as they were before the last run?");
  EXPECT_EQ(Read(a), first);
  EXPECT_NE(Read(a), original);
  EXPECT_FALSE(F_Main->ACT_Undo->isEnabled());
}

// The real box: Enter answers Yes, Escape answers No.
TEST_F(UndoWindow, ConfirmationBoxTakesEnterForYesAndEscapeForNo) {
  const MainWindowServices real = MainWindowServices::Defaults();
  for (const auto& [key, expected] : {std::pair{Qt::Key_Return, true}, std::pair{Qt::Key_Escape, false}}) {
    QString seen;
    QTimer::singleShot(0, [&, key = key] {
      QWidget* box = QApplication::activeModalWidget();
      ASSERT_NE(box, nullptr);
      seen = static_cast<QMessageBox*>(box)->text();
      QTest::keyClick(box, key);
    });
    EXPECT_EQ(real.confirm("Restore the tags of 2 files as they were before the last run?"), expected);
    EXPECT_EQ(seen, "Restore the tags of 2 files as they were before the last run?");
  }
}

}  // namespace
