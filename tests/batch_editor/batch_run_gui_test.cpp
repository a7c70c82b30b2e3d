// The batch run through the main window: rules set with the mouse and the
// keyboard, "start" and "stop" clicked, real files in a temporary folder.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <filesystem>
#include <functional>

#include "batch_editor/UF_Main.h"
#include "gui_support/mp3_fixtures.h"
#include "gui_support/program_windows.h"
#include "platform/ini_file.h"
#include "support/tag_fixtures.h"
#include "tag_engine/UF_Util_MP3.h"
#include "widgets/browse_edit.h"
#include "widgets/choice_list.h"
#include "widgets/image_list_box.h"
#include "widgets/panel.h"
#include "widgets/progress_bar.h"
#include "widgets/radio_group.h"
#include "widgets/text.h"
#include "widgets/text_edit.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test_support::Audio;
using test_support::ClickOption;
using test_support::DropPaths;
using test_support::FilePaths;
using test_support::Frame;
using test_support::ListItems;
using test_support::NewTag;
using test_support::ProgramWindows;
using test_support::Tag;
using test_support::ToHex;
using test_support::TypeInto;
using test_support::V1For;
using test_support::Written;
using Texts = std::vector<std::string>;

// What the window showed each time the run pumped its events.
struct Sample {
  std::string caption;
  int progress;
  Texts items;
};

class BatchRunWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    p_.Create();
    p_.ShowAndActivate();
    ASSERT_TRUE(F_Main->Files.empty());
    // Every rule at "no change", writing every file.
    for (RadioGroup* g : {F_Main->RGP_Nom_Titre, F_Main->RGP_Nom_Artiste, F_Main->RGP_Nom_Album,
                          F_Main->RGP_Nom_Comment, F_Main->RGP_Nom_Date, F_Main->RGP_Nom_Track,
                          F_Main->RGP_Nom_Genre, F_Main->RGP_Nom_Category, F_Main->RGP_Tag})
      ClickOption(g, 0);
  }

  std::string Make(const std::string& relative, const std::string& bytes) {
    return p_.Dir().WriteFile(relative, bytes);
  }
  std::string Read(const std::string& path) const { return p_.Dir().ReadFile(path); }
  std::string P(const std::string& relative) const { return p_.Dir().Path(relative); }
  void Drop(const Texts& paths) { DropPaths(F_Main->LBX_File->viewport(), paths); }

  // Presses "start" with the mouse. While the run pumps, `during` sees each
  // pump (once per pump; it may act on the window) after the state was
  // sampled.
  void Start(const std::function<void(const Sample&)>& during = nullptr) {
    QTimer sampler;
    sampler.setInterval(0);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
      if (!F_Main->RunActive) return;
      Sample s{F_Main->PNL_Process->Caption(), F_Main->PGB_Progression->Position(), ListItems()};
      controlsLockedDuringRun_ = controlsLockedDuringRun_ && !F_Main->BTN_Start->isEnabled() &&
                                 F_Main->BTN_Stop->isEnabled() && !F_Main->LBX_File->isEnabled() &&
                                 !F_Main->BTN_Clear_Liste->isEnabled() && !F_Main->DED_Folder->isEnabled();
      samples_.push_back(s);
      if (during) during(s);
    });
    sampler.start();
    QTest::mouseClick(F_Main->BTN_Start, Qt::LeftButton);
    sampler.stop();
  }

  // The captions seen during the run, each change once.
  Texts Captions() const {
    Texts out;
    for (const Sample& s : samples_)
      if (out.empty() || out.back() != s.caption) out.push_back(s.caption);
    return out;
  }

  void ExpectIdle() {
    EXPECT_TRUE(F_Main->BTN_Start->isEnabled());
    EXPECT_FALSE(F_Main->BTN_Stop->isEnabled());
    EXPECT_TRUE(F_Main->LBX_File->isEnabled());
    EXPECT_TRUE(F_Main->BTN_Clear_Liste->isEnabled());
    EXPECT_TRUE(F_Main->DED_Folder->isEnabled());
    EXPECT_FALSE(F_Main->RunActive);
    // The widgets the run draws sparingly draw as usual again.
    for (QWidget* w : {static_cast<QWidget*>(F_Main->LBX_File), static_cast<QWidget*>(F_Main->PNL_Before),
                       static_cast<QWidget*>(F_Main->PNL_Process)})
      EXPECT_TRUE(w->updatesEnabled());
  }

  Texts Items(const Texts& paths, const std::string& states) {
    Texts out;
    for (std::size_t i = 0; i < paths.size(); ++i) out.push_back(paths[i] + "|" + states[i]);
    return out;
  }

  ProgramWindows p_;
  std::vector<Sample> samples_;
  bool controlsLockedDuringRun_ = true;
};

QString Label(const char* utf8) { return QString::fromUtf8(utf8); }

TEST_F(BatchRunWindow, RulesFromTheControlsAreWrittenToEveryFile) {
  const std::string audio = Audio('x');
  const std::string a = Make("Band/a.mp3", audio);
  // An existing tag: its frames keep their places, the others go at its end.
  const std::string b = Make("Band/b.mp3", Tag(Frame("TIT2", "\0old"s) + Frame("TPE2", "\0keep"s), 16) + audio);
  // An ID3v1 block already there is overwritten in place, its genre kept.
  const std::string c = Make("Band/c.mp3", audio + test_support::V1Block('o', 17));
  Drop({P("Band")});
  ASSERT_EQ(FilePaths(), (Texts{a, b, c}));

  ClickOption(F_Main->RGP_Nom_Titre, 1);
  ClickOption(F_Main->RGP_Nom_Artiste, 1);
  ClickOption(F_Main->RGP_Nom_Album, 2);
  TypeInto(F_Main->EDT_Nom_Album_Text, "Best \xC3\x89t\xC3\xA9");
  ClickOption(F_Main->RGP_Nom_Comment, 1);
  TypeInto(F_Main->EDT_Nom_Comment_Text, "hello");
  ClickOption(F_Main->RGP_Nom_Date, 1);
  TypeInto(F_Main->EDT_Nom_Date, "1999");
  ClickOption(F_Main->RGP_Nom_Track, 1);
  ClickOption(F_Main->RGP_Nom_Genre, 2);
  ASSERT_TRUE(F_Main->CBX_Nom_Genre_List->SelectText("jazz"));
  ClickOption(F_Main->RGP_Nom_Category, 1);
  TypeInto(F_Main->EDT_Nom_Category_Text, "Cat");

  Start();

  // "Best Été" fits ISO-8859-1: its frame and its ID3v1 field hold C9 and E9.
  Written wa{"a", "Band", "Best \xC9t\xE9", "hello", "1999", "1", "Jazz", "Cat"};
  Written wb = wa, wc = wa;
  wb.title = "b", wb.track = "2";
  wc.title = "c", wc.track = "3";
  EXPECT_EQ(ToHex(Read(a)), ToHex(NewTag(wa) + audio + V1For(wa)));
  const std::string bFrames = Frame("TIT2", "\0b\0"s) + Frame("TPE2", "\0keep"s) + Frame("TPE1", "\0Band\0"s) +
                              Frame("TALB", "\0Best \xC9t\xE9\0"s) + Frame("TYER", "\0" "1999\0"s) +
                              Frame("COMM", "\0eng\0hello\0"s) + Frame("TRCK", "\0" "2\0"s) +
                              Frame("TCON", "\0Jazz\0"s) + Frame("TIT1", "\0Cat\0"s) + Frame("TOWN", "\0ZQ\0"s);
  EXPECT_EQ(ToHex(Read(b)), ToHex(Tag(bFrames) + audio + V1For(wb)));
  EXPECT_EQ(ToHex(Read(c)), ToHex(NewTag(wc) + audio + V1For(wc, 17)));
  EXPECT_FALSE(fs::exists(p_.DataFolder() + "tmp.mp3"));

  EXPECT_EQ(ListItems(), Items({a, b, c}, "111"));
  EXPECT_EQ(Captions(), (Texts{"processing 1 / 3", "processing 2 / 3", "processing 3 / 3"}));
  // Two pumps per written file; the progress counts the finished ones.
  ASSERT_EQ(samples_.size(), 6u);
  EXPECT_EQ(samples_[0].items, Items({a, b, c}, "000"));
  EXPECT_EQ(samples_[1].items, Items({a, b, c}, "100"));
  for (std::size_t i = 0; i < samples_.size(); ++i) EXPECT_EQ(samples_[i].progress, static_cast<int>(i / 2)) << i;
  EXPECT_TRUE(controlsLockedDuringRun_);
  EXPECT_EQ(F_Main->PGB_Progression->Max(), 3);
  EXPECT_EQ(F_Main->PGB_Progression->Position(), 3);
  EXPECT_EQ(F_Main->PNL_Process->Caption(), "processing 3 / 3");

  // The "Actual tags ..." labels show the last file's values.
  EXPECT_EQ(F_Main->LBL_Titre->text(), "Title : c");
  EXPECT_EQ(F_Main->LBL_Artist->text(), "Artist : Band");
  EXPECT_EQ(F_Main->LBL_Album->text(), Label("Album : Best \xC3\x89t\xC3\xA9"));
  EXPECT_EQ(F_Main->LBL_Comment->text(), "Comment : hello");
  EXPECT_EQ(F_Main->LBL_Date->text(), "Date : 1999");
  EXPECT_EQ(F_Main->LBL_Track->text(), QString::fromUtf8("Track N\u00B0 : 3"));
  EXPECT_EQ(F_Main->LBL_Genre->text(), "Genre : Jazz");
  EXPECT_EQ(F_Main->LBL_Category->text(), "Category : Cat");
  ExpectIdle();
  EXPECT_TRUE(p_.messages.empty());
}

TEST_F(BatchRunWindow, EmptyListEndsAtOnce) {
  Start();
  EXPECT_EQ(F_Main->PNL_Process->Caption(), "processing 0 / 0");
  EXPECT_EQ(F_Main->PGB_Progression->Max(), 0);
  EXPECT_EQ(F_Main->PGB_Progression->Position(), 0);
  EXPECT_TRUE(samples_.empty());
  ExpectIdle();
}

TEST_F(BatchRunWindow, StopDuringTheSecondFileFinishesItAndASecondStartBeginsAgain) {
  Texts files;
  for (char c = 'a'; c <= 'e'; ++c) files.push_back(Make("Five/"s + c + ".mp3", Audio(c)));
  Drop({P("Five")});
  ClickOption(F_Main->RGP_Nom_Titre, 1);
  Start([](const Sample& s) {
    if (s.caption == "processing 2 / 5" && !F_Main->StopRequested)
      QTest::mouseClick(F_Main->BTN_Stop, Qt::LeftButton);
  });
  EXPECT_EQ(ListItems(), Items(files, "11000"));
  EXPECT_EQ(F_Main->PGB_Progression->Position(), 2);
  EXPECT_EQ(F_Main->LBL_Titre->text(), "Title : b");
  EXPECT_EQ(Read(files[1]).substr(0, 3), "ID3");
  for (std::size_t i = 2; i < files.size(); ++i) EXPECT_EQ(Read(files[i]), Audio(static_cast<char>('a' + i))) << i;
  EXPECT_TRUE(F_Main->StopRequested);  // stays set until the next run
  ExpectIdle();

  samples_.clear();
  Start();
  EXPECT_FALSE(F_Main->StopRequested);
  EXPECT_EQ(samples_.front().items, Items(files, "00000"));
  EXPECT_EQ(ListItems(), Items(files, "11111"));
  EXPECT_EQ(F_Main->PGB_Progression->Position(), 5);
}

TEST_F(BatchRunWindow, SkipModeWithEveryFileTaggedNeverPumps) {
  const Texts files = {Make("S/a.mp3", Audio()), Make("S/b.mp3", Tag(Frame("TIT2", "\0b\0"s)) + Audio())};
  const Texts before = {Read(files[0]), Read(files[1])};
  Drop({P("S")});
  ClickOption(F_Main->RGP_Tag, 1);
  Start();
  EXPECT_TRUE(samples_.empty());
  EXPECT_EQ(ListItems(), Items(files, "22"));
  EXPECT_EQ(F_Main->PNL_Process->Caption(), "processing 0 / 2");
  EXPECT_EQ(F_Main->PGB_Progression->Position(), 2);
  EXPECT_EQ(Read(files[0]), before[0]);
  EXPECT_EQ(Read(files[1]), before[1]);
  ExpectIdle();
}

TEST_F(BatchRunWindow, SkippedFileBetweenTwoWrittenOnesLeavesTheStatusAlone) {
  // With the title from the file name, b.mp3 already carries what the rules
  // give it.
  const Texts files = {Make("M/a.mp3", Audio()), Make("M/b.mp3", Tag(Frame("TIT2", "\0b\0"s)) + Audio()),
                       Make("M/c.mp3", Audio())};
  const std::string b = Read(files[1]);
  Drop({P("M")});
  ClickOption(F_Main->RGP_Nom_Titre, 1);
  ClickOption(F_Main->RGP_Tag, 1);
  Start();
  EXPECT_EQ(Captions(), (Texts{"processing 1 / 3", "processing 3 / 3"}));
  EXPECT_EQ(ListItems(), Items(files, "121"));
  EXPECT_EQ(Read(files[1]), b);
  EXPECT_EQ(F_Main->LBL_Titre->text(), "Title : c");
}

TEST_F(BatchRunWindow, NoRuleSelectedActsAsNoChangeAndNoTagRuleSkipsEverything) {
  const std::string a = Make("N/a.mp3", Tag(Frame("TIT2", "\0Kept\0"s) + Frame("TPE1", "\0Who\0"s)) + Audio());
  Drop({P("N")});
  F_Main->RGP_Nom_Titre->SetItemIndex(-1);
  F_Main->RGP_Nom_Artiste->SetItemIndex(-1);
  Start();
  EXPECT_EQ(ListItems(), Texts{a + "|1"});
  EXPECT_EQ(F_Main->LBL_Titre->text(), "Title : Kept");
  EXPECT_EQ(F_Main->LBL_Artist->text(), "Artist : Who");

  const std::string written = Read(a);
  F_Main->RGP_Tag->SetItemIndex(-1);
  Start();
  EXPECT_EQ(ListItems(), Texts{a + "|2"});
  EXPECT_EQ(Read(a), written);
}

TEST_F(BatchRunWindow, VanishedFileStaysPendingAndTheRunGoesOn) {
  const Texts files = {Make("V/a.mp3", Audio()), Make("V/b.mp3", Audio()), Make("V/c.mp3", Audio())};
  Drop({P("V")});
  ClickOption(F_Main->RGP_Nom_Titre, 1);
  Start([&](const Sample& s) {
    if (s.caption == "processing 2 / 3" && fs::exists(files[1])) fs::remove(files[1]);
  });
  EXPECT_EQ(ListItems(), Items(files, "101"));
  EXPECT_FALSE(fs::exists(files[1]));
  EXPECT_EQ(F_Main->PGB_Progression->Position(), 3);
  EXPECT_EQ(F_Main->LBL_Titre->text(), "Title : c");
  EXPECT_TRUE(p_.messages.empty());
  EXPECT_FALSE(fs::exists(p_.DataFolder() + "tmp.mp3"));
}

TEST_F(BatchRunWindow, FileThatCannotBeReplacedKeepsItsBytesAndShowsTheValuesMeantForIt) {
  const Texts files = {Make("R/a.mp3", Audio('1')), Make("R/b.mp3", Audio('2'))};
  Drop({P("R")});
  ClickOption(F_Main->RGP_Nom_Titre, 1);
  test_support::ScriptedFaults faults;
  faults.FailStep(platform::FileStep::Rename, 1);
  Start([](const Sample& s) {
    if (s.caption == "processing 2 / 2") {
      EXPECT_EQ(F_Main->LBL_Titre->text(), "Title : a");
    }
  });
  ASSERT_TRUE(faults.failed().has_value());
  EXPECT_EQ(ListItems(), Items(files, "01"));
  EXPECT_EQ(Read(files[0]), Audio('1'));
  EXPECT_EQ(Read(files[1]).substr(0, 3), "ID3");
  EXPECT_TRUE(p_.messages.empty());
}

TEST_F(BatchRunWindow, TwinsDifferingInCaseAreMarkedOnTheirOwnItems) {
  const std::string upper = Make("T/X.mp3", Audio('U'));
  const std::string lower = Make("T/x.mp3", Audio('l'));
  Drop({P("T")});
  ASSERT_EQ(FilePaths(), (Texts{upper, lower}));
  ClickOption(F_Main->RGP_Nom_Titre, 1);
  // The first write fails, so X.mp3 still reads "|0" when x.mp3 is marked.
  test_support::ScriptedFaults faults;
  faults.FailStep(platform::FileStep::Rename, 1);
  Start();
  EXPECT_EQ(ListItems(), (Texts{upper + "|0", lower + "|1"}));
  EXPECT_EQ(Read(upper), Audio('U'));
  EXPECT_EQ(F_Main->LBL_Titre->text(), "Title : x");
}

TEST_F(BatchRunWindow, SameFileTwiceIsWrittenTwiceWithTheLaterNumber) {
  const std::string a = Make("D/a.mp3", Audio());
  Drop({a, a});
  ClickOption(F_Main->RGP_Nom_Track, 1);
  Start();
  EXPECT_EQ(ListItems(), (Texts{a + "|1", a + "|1"}));
  const Written w{"", "", "", "", "", "2", "", ""};
  EXPECT_EQ(ToHex(Read(a)), ToHex(NewTag(w) + Audio() + V1For(w)));
}

TEST_F(BatchRunWindow, OptionChangedDuringARunAppliesFromTheNextFile) {
  const Texts files = {Make("O/a.mp3", Audio()), Make("O/b.mp3", Audio()), Make("O/c.mp3", Audio())};
  Drop({P("O")});
  ClickOption(F_Main->RGP_Nom_Titre, 1);
  F_Main->EDT_Nom_Titre_Text->SetText("Mine");
  bool changed = false;
  Start([&](const Sample& s) {
    if (s.caption == "processing 1 / 3" && !changed) {
      changed = true;
      ClickOption(F_Main->RGP_Nom_Titre, 2);
      // The preview reads the file in hand again, under the new rule.
      EXPECT_EQ(F_Main->LBL_Titre_New->text(), "Title : Mine");
      EXPECT_EQ(F_Main->LBX_File->ItemIndex(), 0);
    }
  });
  EXPECT_TRUE(changed);
  F_Util_MP3->ReadTag(files[0]);
  EXPECT_EQ(F_Util_MP3->TagTitle, "a");
  F_Util_MP3->ReadTag(files[1]);
  EXPECT_EQ(F_Util_MP3->TagTitle, "Mine");
  F_Util_MP3->ReadTag(files[2]);
  EXPECT_EQ(F_Util_MP3->TagTitle, "Mine");
}

TEST_F(BatchRunWindow, ListIsLockedDuringARunAndUnlockedAsItWasBefore) {
  const Texts files = {Make("L/a.mp3", Audio()), Make("L/b.mp3", Audio())};
  const std::string other = Make("other.mp3", Audio());
  Drop({P("L")});
  F_Main->DED_Folder->SetPath(P("L"));
  p_.pickerAnswers.push_back(P("L"));
  Start([&](const Sample&) {
    DropPaths(F_Main->LBX_File->viewport(), {other});
    QTest::mouseClick(F_Main->BTN_Clear_Liste, Qt::LeftButton);
    QTest::mouseClick(F_Main->DED_Folder->Button(), Qt::LeftButton);
    F_Main->BTN_Clear_ListeClick(F_Main);  // even called directly
    F_Main->DED_FolderBrowse(F_Main);
  });
  EXPECT_EQ(FilePaths(), files);
  EXPECT_EQ(ListItems(), Items(files, "11"));
  EXPECT_TRUE(p_.pickerStarts.empty());
  EXPECT_EQ(p_.pickerAnswers.size(), 1u);
  ExpectIdle();

  // A control that was disabled before the run stays so after it.
  F_Main->BTN_Clear_Liste->setEnabled(false);
  Start();
  EXPECT_FALSE(F_Main->BTN_Clear_Liste->isEnabled());
  EXPECT_TRUE(F_Main->DED_Folder->isEnabled());
  F_Main->BTN_Clear_Liste->setEnabled(true);

  // After the run the list takes drops again.
  DropPaths(F_Main->LBX_File->viewport(), {other});
  EXPECT_EQ(FilePaths(), (Texts{files[0], files[1], other}));
}

TEST_F(BatchRunWindow, ClosingDuringARunFinishesTheFileInHandThenSavesAndCloses) {
  const Texts files = {Make("C/a.mp3", Audio()), Make("C/b.mp3", Audio()), Make("C/c.mp3", Audio())};
  Drop({P("C")});
  ClickOption(F_Main->RGP_Nom_Titre, 1);
  fs::remove(p_.SettingsPath());
  bool savedWhileInHand = true;
  Start([&](const Sample& s) {
    if (s.caption != "processing 1 / 3") return;
    if (!F_Main->CloseAfterRun()) {
      F_Main->close();
      // The file in hand is still to be written: nothing is saved yet.
      savedWhileInHand = fs::exists(p_.SettingsPath());
    }
  });
  EXPECT_FALSE(savedWhileInHand);
  const Written w{"a", "", "", "", "", "", "", ""};
  EXPECT_EQ(ToHex(Read(files[0])), ToHex(NewTag(w) + Audio() + V1For(w)));
  EXPECT_EQ(Read(files[1]), Audio());
  EXPECT_EQ(Read(files[2]), Audio());
  EXPECT_EQ(ListItems(), Items(files, "100"));
  EXPECT_TRUE(F_Main->Closing());
  EXPECT_FALSE(F_Main->isVisible());
  EXPECT_EQ(platform::IniFile(p_.SettingsPath()).ReadValue("integer", "RGP_Nom_Titre"), "1");
}

TEST_F(BatchRunWindow, ErrorThatEscapesTheLoopEndsTheRunWithTheMessage) {
  const Texts files = {Make("E/a.mp3", Audio()), Make("E/b.mp3", Audio()), Make("E/c.mp3", Audio())};
  Drop({P("E")});
  ClickOption(F_Main->RGP_Nom_Titre, 1);
  // A failure of a kind the engine does not expect, raised when b.mp3 is
  // opened for reading.
  struct Thrower : platform::FaultHook {
    std::string target;
    int Check(platform::FileStep step, std::string_view path) override {
      if (step == platform::FileStep::OpenRead && path == target) throw 42;
      return 0;
    }
  } thrower;
  thrower.target = files[1];
  platform::FaultHook* previous = platform::SetFaultHook(&thrower);
  Start();
  platform::SetFaultHook(previous);
  ASSERT_EQ(p_.messages.size(), 1u);
  EXPECT_EQ(p_.messages[0], "MP3 File error : " + widgets::PathToDisplay(files[1]));
  EXPECT_EQ(ListItems(), Items(files, "100"));
  EXPECT_EQ(F_Main->PNL_Process->Caption(), "processing 1 / 3");
  EXPECT_EQ(F_Main->PGB_Progression->Position(), 1);
  EXPECT_EQ(Read(files[2]), Audio());
  ExpectIdle();
}

// The tooltip of each item, as the list's view would show it.
Texts ToolTips() {
  Texts out;
  QAbstractItemModel* model = F_Main->LBX_File->model();
  for (int i = 0; i < model->rowCount(); ++i)
    out.push_back(model->data(model->index(i, 0), Qt::ToolTipRole).toString().toStdString());
  return out;
}

TEST_F(BatchRunWindow, FailedWriteTellsWhyInItsTooltipUntilTheListIsRebuilt) {
  struct Case {
    platform::FileStep step;
    int error;
    const char* says;
  };
  const Case cases[] = {
      {platform::FileStep::OpenWrite, EACCES, "read-only, or you are not allowed to change it"},
      {platform::FileStep::OpenWrite, EROFS, "read-only, or you are not allowed to change it"},
      {platform::FileStep::Create, ENOSPC, "the disk is full"},
      {platform::FileStep::Resolve, ENOENT, "no longer there"},
      {platform::FileStep::Sync, EIO, "could not be read or written"},
  };
  const Texts files = {Make("F/a.mp3", Audio('1')), Make("F/b.mp3", Audio('2'))};
  Drop({P("F")});
  ClickOption(F_Main->RGP_Nom_Titre, 1);
  for (const Case& c : cases) {
    for (const std::string& f : files) Make(f.substr(P("").size()), Audio());
    {
      // Only the first file's write meets the failure.
      test_support::ScriptedFaults faults;
      faults.FailStep(c.step, 1, c.error);
      Start();
    }
    EXPECT_EQ(ListItems(), Items(files, "01")) << c.says;
    const Texts tips = ToolTips();
    ASSERT_EQ(tips.size(), 2u);
    EXPECT_NE(tips[0].find(c.says), std::string::npos) << tips[0];
    EXPECT_EQ(tips[1], "");
    EXPECT_TRUE(p_.messages.empty());
  }
  // A rebuild ("start" again, no failure now) takes the tooltip away.
  Start();
  EXPECT_EQ(ListItems(), Items(files, "11"));
  EXPECT_EQ(ToolTips(), (Texts{"", ""}));
}

TEST_F(BatchRunWindow, TagClaimingMoreThanTheFileHoldsIsNamedInTheTooltipAndShownOnHover) {
  const std::string cut = Make("C/cut.mp3", test_support::Header(500) + Frame("TIT2", "\0x\0"s) + Audio());
  Drop({P("C")});
  ClickOption(F_Main->RGP_Nom_Titre, 1);
  Start();
  EXPECT_EQ(ListItems(), (Texts{cut + "|0"}));
  EXPECT_EQ(Read(cut).substr(10, 4), "TIT2");  // untouched
  ASSERT_EQ(ToolTips().size(), 1u);
  EXPECT_NE(ToolTips()[0].find("claims more bytes than the file holds"), std::string::npos) << ToolTips()[0];
  // The view shows it when the pointer rests on the item.
  QAbstractItemView* view = F_Main->LBX_File;
  const QPoint at = view->visualRect(view->model()->index(0, 0)).center();
  QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
  QCoreApplication::sendEvent(view->viewport(), &help);
  EXPECT_EQ(QToolTip::text().toStdString(), ToolTips()[0]);
  QToolTip::hideText();
  // Clearing the list and adding the file again starts without a tooltip.
  QTest::mouseClick(F_Main->BTN_Clear_Liste, Qt::LeftButton);
  Drop({cut});
  EXPECT_EQ(ToolTips(), (Texts{""}));
}

}  // namespace
