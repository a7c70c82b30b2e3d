// The tag preview and the option handlers through the main window.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <functional>

#include "batch_editor/UF_Main.h"
#include "gui_support/mp3_fixtures.h"
#include "gui_support/program_windows.h"
#include "support/tag_fixtures.h"
#include "tag_engine/UF_Util_MP3.h"
#include "widgets/choice_list.h"
#include "widgets/image_list_box.h"
#include "widgets/radio_group.h"
#include "widgets/text_edit.h"

namespace {

using namespace std::string_literals;
using test_support::Audio;
using test_support::ClickOption;
using test_support::DropPaths;
using test_support::Frame;
using test_support::ProgramWindows;
using test_support::Tag;
using test_support::TypeInto;
using Texts = std::vector<std::string>;

const char* const kPrefixes[8] = {"Title : ", "Artist : ", "Album : ",  "Comment : ",
                                  "Date : ",  "Track N\xC2\xB0 : ", "Genre : ", "Category : "};

class PreviewWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    p_.Create();
    p_.ShowAndActivate();
    for (RadioGroup* g : Groups()) ClickOption(g, 0);
  }

  static std::vector<RadioGroup*> Groups() {
    return {F_Main->RGP_Nom_Titre, F_Main->RGP_Nom_Artiste, F_Main->RGP_Nom_Album,
            F_Main->RGP_Nom_Comment, F_Main->RGP_Nom_Date, F_Main->RGP_Nom_Track,
            F_Main->RGP_Nom_Genre, F_Main->RGP_Nom_Category, F_Main->RGP_Tag};
  }
  static std::vector<QLabel*> Actual() {
    return {F_Main->LBL_Titre, F_Main->LBL_Artist, F_Main->LBL_Album, F_Main->LBL_Comment,
            F_Main->LBL_Date,  F_Main->LBL_Track,  F_Main->LBL_Genre, F_Main->LBL_Category};
  }
  static std::vector<QLabel*> New() {
    return {F_Main->LBL_Titre_New, F_Main->LBL_Artist_New, F_Main->LBL_Album_New, F_Main->LBL_Comment_New,
            F_Main->LBL_Date_New,  F_Main->LBL_Track_New,  F_Main->LBL_Genre_New, F_Main->LBL_Category_New};
  }
  // The eight values a panel shows behind its prefixes, as UTF-8; "?" marks
  // a label that lost its prefix.
  static Texts Shown(const std::vector<QLabel*>& labels) {
    Texts out;
    for (std::size_t i = 0; i < labels.size(); ++i) {
      const QString prefix = QString::fromUtf8(kPrefixes[i]);
      const QString text = labels[i]->text();
      // "?" appended rather than put in front of a temporary: GCC 12 at -O3
      // reports a false -Wrestrict for "?" + std::string.
      out.push_back(text.startsWith(prefix) ? text.mid(prefix.size()).toUtf8().toStdString()
                                            : std::string("?").append(text.toStdString()));
    }
    return out;
  }

  std::string Make(const std::string& relative, const std::string& bytes) {
    return p_.Dir().WriteFile(relative, bytes);
  }
  std::string P(const std::string& relative) const { return p_.Dir().Path(relative); }

  // Selects item `index` with the mouse, as the user does.
  void ClickItem(int index) {
    ImageListBox* box = F_Main->LBX_File;
    const QRect rect = box->visualRect(box->model()->index(index, 0));
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, rect.center());
    ASSERT_EQ(box->ItemIndex(), index);
  }

  ProgramWindows p_;
};

const Texts kEmpty(8);

TEST_F(PreviewWindow, EmptyListShowsTheBarePrefixes) {
  EXPECT_EQ(F_Main->LBL_Titre->text(), "Title : ");
  EXPECT_EQ(F_Main->LBL_Track_New->text(), QString::fromUtf8("Track N\u00B0 : "));
  EXPECT_EQ(Shown(Actual()), kEmpty);
  EXPECT_EQ(Shown(New()), kEmpty);
}

TEST_F(PreviewWindow, SelectedFileShowsItsTagsBesideTheRulesValues) {
  const std::string tagged = Make("Artist/Song.mp3", Tag(Frame("TIT2", "\0Caf\xE9\0"s) + Frame("TPE1", "\0Who\0"s) +
                                                       Frame("COMM", "\0eng\0note\0"s) + Frame("TCON", "(17)"s) +
                                                       Frame("TIT1", "\0Beds\0"s)) +
                                                   Audio());
  const std::string plain = Make("Artist/Plain.mp3", Audio());
  DropPaths(F_Main->LBX_File->viewport(), {tagged, plain});
  // RebuildList selected and previewed the first file.
  // The Latin-1 title reads back as the characters it holds.
  EXPECT_EQ(Shown(Actual()), (Texts{"Caf\xC3\xA9", "Who", "", "note", "", "", "Rock", "Beds"}));
  EXPECT_EQ(Shown(New()), Shown(Actual()));
  EXPECT_EQ(F_Main->LBL_Titre->text(), QString::fromUtf8("Title : Café"));

  ClickOption(F_Main->RGP_Nom_Titre, 1);
  ClickOption(F_Main->RGP_Nom_Album, 1);
  EXPECT_EQ(Shown(New()), (Texts{"Song", "Who", "Artist", "note", "", "", "Rock", "Beds"}));

  // A file without tag: bare current values, the rules' values beside them.
  ClickItem(1);
  EXPECT_EQ(Shown(Actual()), kEmpty);
  EXPECT_EQ(Shown(New()), (Texts{"Plain", "", "Artist", "", "", "", "", ""}));
}

TEST_F(PreviewWindow, TrackNumberIsThatOfTheFirstEntryWithThePath) {
  Texts files;
  for (const char* name : {"a", "b", "c"}) files.push_back(Make("Album/"s + name + ".mp3", Audio()));
  DropPaths(F_Main->LBX_File->viewport(), {P("Album")});
  DropPaths(F_Main->LBX_File->viewport(), {P("Album")});  // a, b, c, a, b, c
  ClickOption(F_Main->RGP_Nom_Track, 1);
  const struct {
    int item;
    const char* track;
  } cases[] = {{0, "1"}, {2, "3"}, {3, "1"}, {4, "2"}, {5, "3"}};
  for (const auto& c : cases) {
    ClickItem(c.item);
    EXPECT_EQ(Shown(New())[5], c.track) << "item " << c.item;
  }
}

TEST_F(PreviewWindow, CustomTitleFollowsEveryKeystrokeButTheDateWaits) {
  Make("F/song.mp3", Audio());
  DropPaths(F_Main->LBX_File->viewport(), {P("F")});
  F_Main->EDT_Nom_Titre_Text->SetText("");
  ClickOption(F_Main->RGP_Nom_Titre, 2);
  F_Main->EDT_Nom_Titre_Text->setFocus();
  // One key press per character, in three scripts and beyond 16 bits.
  std::string typed;
  for (const std::string ch : {"A", "b", "\xC3\xA7", "\xD0\x96", "\xE6\x97\xA5", "\xF0\x9F\x8E\xB5"}) {
    test_support::TypeText(F_Main->EDT_Nom_Titre_Text, ch);
    typed += ch;
    EXPECT_EQ(Shown(New())[0], typed);
  }

  ClickOption(F_Main->RGP_Nom_Date, 1);
  ASSERT_EQ(Shown(New())[4], "2009");
  TypeInto(F_Main->EDT_Nom_Date, "1999");
  EXPECT_EQ(Shown(New())[4], "2009");  // the date edit has no change handler
  ClickOption(F_Main->RGP_Tag, 1);  // any option change refreshes
  EXPECT_EQ(Shown(New())[4], "1999");
}

// A custom title typed in Cyrillic or Japanese reaches the preview and the
// rule set exactly as typed.
TEST_F(PreviewWindow, CustomTitleTypedInAnyScriptArrivesAsTyped) {
  Make("K/song.mp3", Audio());
  DropPaths(F_Main->LBX_File->viewport(), {P("K")});
  ClickOption(F_Main->RGP_Nom_Titre, 2);
  const struct {
    std::string typed;
    QString shown;
  } cases[] = {
      {"\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9 \xD0\xA2\xD1\x80\xD0\xBE\xD0\xBB\xD0\xBB\xD1\x8C",
       QString::fromUtf16(u"\u041C\u0443\u043C\u0438\u0439 \u0422\u0440\u043E\u043B\u043B\u044C")},
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", QString::fromUtf16(u"\u65E5\u672C\u8A9E")},
      {"Caf\xC3\xA9 \xF0\x9F\x8E\xB5", QString::fromUtf16(u"Caf\u00E9 \U0001F3B5")},
  };
  for (const auto& c : cases) {
    TypeInto(F_Main->EDT_Nom_Titre_Text, c.typed);
    EXPECT_EQ(F_Main->EDT_Nom_Titre_Text->text(), c.shown);
    EXPECT_EQ(F_Main->LBL_Titre_New->text(), "Title : " + c.shown);
    EXPECT_EQ(Shown(New())[0], c.typed);
    EXPECT_EQ(F_Main->RulesFromControls().EDT_Nom_Titre_Text, c.typed);
  }
}

// With the title from the file name, a file named in Cyrillic or Japanese
// previews its exact name; its folder's name gives artist and album.
TEST_F(PreviewWindow, FileNamedInAnyScriptPreviewsItsExactName) {
  const std::string cyrillic = "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9 \xD0\xA2\xD1\x80\xD0\xBE\xD0\xBB\xD0\xBB\xD1\x8C";
  const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
  const std::string accented_name = "Caf\xC3\xA9";
  Make(cyrillic + "/" + japanese + ".mp3", Audio());
  Make(cyrillic + "/" + cyrillic + ".mp3", Audio());
  Make(cyrillic + "/" + accented_name + ".mp3", Audio());
  DropPaths(F_Main->LBX_File->viewport(), {P(cyrillic)});
  ASSERT_EQ(F_Main->Files.size(), 3u);
  ClickOption(F_Main->RGP_Nom_Titre, 1);
  ClickOption(F_Main->RGP_Nom_Artiste, 1);
  for (int i = 0; i < 3; ++i) {
    ClickItem(i);
    const std::string name = F_Main->Files[static_cast<std::size_t>(i)].FileName;
    EXPECT_EQ(Shown(New())[0], name);
    EXPECT_EQ(Shown(New())[1], cyrillic);
    EXPECT_EQ(F_Main->LBL_Titre_New->text(), "Title : " + QString::fromUtf8(name.c_str()));
  }
  std::vector<std::string> names;
  for (const TListe_File& f : F_Main->Files) names.push_back(f.FileName);
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected{cyrillic, japanese, accented_name};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
}

// Tags read from the file are shown as the characters they hold, whatever
// encoding their frames use.
TEST_F(PreviewWindow, ActualTagsShowTheirCharactersWhateverTheFrameEncoding) {
  const std::string utf16_cyrillic = "\x01\xFF\xFE\x1C\x04\x43\x04\x3C\x04\x38\x04\x39\x04\0\0"s;
  Make("E/a.mp3", Tag(Frame("TIT2", "\0Caf\xE9\0"s) + Frame("TPE1", utf16_cyrillic) +
                      Frame("TALB", "\x03\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\0"s)) +
                      Audio());
  DropPaths(F_Main->LBX_File->viewport(), {P("E")});
  const Texts actual = Shown(Actual());
  EXPECT_EQ(actual[0], "Caf\xC3\xA9");
  EXPECT_EQ(actual[1], "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9");
  EXPECT_EQ(actual[2], "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
  EXPECT_EQ(F_Main->LBL_Artist->text(), QString::fromUtf16(u"Artist : \u041C\u0443\u043C\u0438\u0439"));
  // "no change" carries them into the new values unchanged.
  EXPECT_EQ(Shown(New()), actual);
}

TEST_F(PreviewWindow, GenreFromTheListShowsTheSelectedEntry) {
  Make("G/song.mp3", Audio());
  DropPaths(F_Main->LBX_File->viewport(), {P("G")});
  ASSERT_TRUE(F_Main->CBX_Nom_Genre_List->SelectText("Jazz"));
  F_Main->EDT_Nom_Genre_Text->SetText("Mine");
  ClickOption(F_Main->RGP_Nom_Genre, 1);
  EXPECT_EQ(Shown(New())[6], "Mine");
  ClickOption(F_Main->RGP_Nom_Genre, 2);
  EXPECT_FALSE(F_Main->EDT_Nom_Genre_Text->isEnabled());
  EXPECT_TRUE(F_Main->CBX_Nom_Genre_List->isEnabled());
  EXPECT_EQ(Shown(New())[6], "Jazz");
  // Picking another entry with the keyboard refreshes.
  F_Main->CBX_Nom_Genre_List->setFocus();
  QTest::keyClick(F_Main->CBX_Nom_Genre_List, Qt::Key_Down);
  EXPECT_EQ(Shown(New())[6], F_Main->CBX_Nom_Genre_List->SelectedText());
  EXPECT_NE(Shown(New())[6], "Jazz");
}

TEST_F(PreviewWindow, EveryRefreshReadsTheFileAgainButAProgramSelectionDoesNot) {
  const std::string a = Make("R/a.mp3", Tag(Frame("TIT2", "\0one\0"s)) + Audio());
  Make("R/b.mp3", Tag(Frame("TIT2", "\0bee\0"s)) + Audio());
  DropPaths(F_Main->LBX_File->viewport(), {P("R")});
  EXPECT_EQ(Shown(Actual())[0], "one");
  p_.Dir().WriteFile(a, Tag(Frame("TIT2", "\0two\0"s)) + Audio());
  ClickOption(F_Main->RGP_Tag, 1);  // no input depends on it, but it refreshes
  EXPECT_EQ(Shown(Actual())[0], "two");
  ClickOption(F_Main->RGP_Nom_Track, 1);
  EXPECT_EQ(Shown(New())[5], "1");
  F_Main->LBX_File->SetItemIndex(1);
  EXPECT_EQ(Shown(Actual())[0], "two");
}

TEST_F(PreviewWindow, NoOptionSelectedShowsTheCurrentValue) {
  Make("U/a.mp3", Tag(Frame("TIT2", "\0here\0"s)) + Audio());
  DropPaths(F_Main->LBX_File->viewport(), {P("U")});
  ClickOption(F_Main->RGP_Nom_Titre, 2);
  F_Main->RGP_Nom_Titre->SetItemIndex(-1);
  EXPECT_EQ(Shown(New())[0], "here");
  EXPECT_FALSE(F_Main->EDT_Nom_Titre_Text->isEnabled());
}

TEST_F(PreviewWindow, EachInputIsEnabledExactlyWhileItsOptionIsChosen) {
  enum Input { Titre, Artist, Album, Comment, Date, GenreText, GenreList, CategoryText, CategoryList };
  const std::function<QWidget*()> inputs[] = {
      [] { return F_Main->EDT_Nom_Titre_Text; },    [] { return F_Main->EDT_Nom_Artist_Text; },
      [] { return F_Main->EDT_Nom_Album_Text; },    [] { return F_Main->EDT_Nom_Comment_Text; },
      [] { return F_Main->EDT_Nom_Date; },          [] { return F_Main->EDT_Nom_Genre_Text; },
      [] { return F_Main->CBX_Nom_Genre_List; },    [] { return F_Main->EDT_Nom_Category_Text; },
      [] { return F_Main->CBX_Nom_Category_List; },
  };
  const struct {
    std::function<RadioGroup*()> group;
    int index;
    std::vector<Input> enabled;
  } cases[] = {
      {[] { return F_Main->RGP_Nom_Titre; }, 1, {}},
      {[] { return F_Main->RGP_Nom_Titre; }, 2, {Titre}},
      {[] { return F_Main->RGP_Nom_Artiste; }, 1, {}},
      {[] { return F_Main->RGP_Nom_Artiste; }, 2, {Artist}},
      {[] { return F_Main->RGP_Nom_Album; }, 2, {Album}},
      {[] { return F_Main->RGP_Nom_Comment; }, 1, {Comment}},
      {[] { return F_Main->RGP_Nom_Date; }, 1, {Date}},
      {[] { return F_Main->RGP_Nom_Genre; }, 1, {GenreText}},
      {[] { return F_Main->RGP_Nom_Genre; }, 2, {GenreList}},
      {[] { return F_Main->RGP_Nom_Category; }, 1, {CategoryText}},
      {[] { return F_Main->RGP_Nom_Category; }, 2, {CategoryList}},
      {[] { return F_Main->RGP_Nom_Track; }, 1, {}},
      {[] { return F_Main->RGP_Tag; }, 1, {}},
  };
  for (const auto& c : cases) {
    for (RadioGroup* g : Groups()) ClickOption(g, 0);
    // From a chosen option to none at all: the input goes off again.
    for (const int index : {c.index, -1}) {
      if (index >= 0) {
        ClickOption(c.group(), index);
      } else {
        c.group()->SetItemIndex(-1);
      }
      for (int i = 0; i < 9; ++i) {
        const bool expected = index >= 0 && std::find(c.enabled.begin(), c.enabled.end(), i) != c.enabled.end();
        EXPECT_EQ(inputs[i]()->isEnabled(), expected)
            << c.group()->objectName().toStdString() << " " << index << ": input " << i;
      }
    }
  }
}

TEST_F(PreviewWindow, FrameListButtonShowsTheFrameWindowModally) {
  bool modalWhileShown = false;
  QTimer::singleShot(0, F_Util_MP3, [&] {
    modalWhileShown = F_Util_MP3->isVisible() && F_Util_MP3->isModal();
    F_Util_MP3->close();
  });
  // The button stays hidden; a click from the program still reaches it.
  EXPECT_TRUE(F_Main->BTN_Detail_Frame->isHidden());
  F_Main->BTN_Detail_Frame->click();
  EXPECT_TRUE(modalWhileShown);
  EXPECT_FALSE(F_Util_MP3->isVisible());
}

}  // namespace
