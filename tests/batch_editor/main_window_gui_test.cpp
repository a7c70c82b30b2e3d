// The main window's start-up, settings file and window placement, driven on
// the offscreen platform with real files in a temporary home.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <QTimer>
#include <filesystem>

#include "batch_editor/UF_Main.h"
#include "batch_editor/settings_table.h"
#include "gui_support/mp3_fixtures.h"
#include "gui_support/program_windows.h"
#include "support/settings_fixtures.h"
#include "platform/ini_file.h"
#include "tag_engine/UF_Util_MP3.h"
#include "widgets/browse_edit.h"
#include "widgets/choice_list.h"
#include "widgets/image_list_box.h"
#include "widgets/link_label.h"
#include "widgets/panel.h"
#include "widgets/progress_bar.h"
#include "widgets/status_bar.h"
#include "widgets/radio_group.h"
#include "widgets/text_edit.h"

namespace {

using test_support::ProgramWindows;

std::string Setting(const ProgramWindows& p, const char* section, const char* key) {
  return platform::IniFile(p.SettingsPath()).ReadValue(section, key).value_or("<missing>");
}

TEST(MainWindowStartUp, CreatesBothWindowsAndTheDataFolderBeforeAnyActivation) {
  ProgramWindows p;
  p.Create();
  ASSERT_NE(F_Main, nullptr);
  ASSERT_NE(F_Util_MP3, nullptr);
  EXPECT_EQ(F_Main->DataFolder, p.DataFolder());
  EXPECT_EQ(F_Util_MP3->DataFolder, p.DataFolder());
  EXPECT_TRUE(std::filesystem::is_directory(p.DataFolder()));
  EXPECT_FALSE(F_Util_MP3->isVisible());
  EXPECT_FALSE(F_Main->SettingsLoaded());
  EXPECT_TRUE(F_Main->Files.empty());
  EXPECT_EQ(F_Main->PNL_Nb_File->Caption(), "0");
  EXPECT_FALSE(F_Main->PNL_Liste->isHidden());
  EXPECT_EQ(F_Main->RGP_Nom_Titre->ItemIndex(), -1);
  EXPECT_FALSE(std::filesystem::exists(p.SettingsPath()));
}

TEST(MainWindowStartUp, WindowIsFixedSizeWithoutMaximizeButton) {
  ProgramWindows p;
  p.Create();
  EXPECT_EQ(F_Main->windowTitle(), "Quillon");
  EXPECT_EQ(F_Main->size(), QSize(763, 635));
  EXPECT_EQ(F_Main->minimumSize(), F_Main->maximumSize());
  EXPECT_FALSE(F_Main->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(F_Main->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(F_Main->BTN_Detail_Frame->isHidden());
  EXPECT_FALSE(F_Main->BTN_Stop->isEnabled());
}

TEST(MainWindowStartUp, ControlsStandWhereTheLayoutPutsThem) {
  ProgramWindows p;
  p.Create();
  struct Case {
    QWidget* control;
    QRect geometry;
  };
  const Case cases[] = {
      {F_Main->PNL_Global, {0, 0, 763, 635}},        {F_Main->PNL_Folder, {6, 8, 281, 28}},
      {F_Main->DED_Folder, {53, 4, 224, 21}},        {F_Main->PNL_Nb_File, {103, 50, 76, 17}},
      {F_Main->BTN_Clear_Liste, {189, 42, 98, 32}},  {F_Main->LBX_File, {7, 81, 280, 306}},
      {F_Main->PNL_Liste, {7, 81, 280, 306}},        {F_Main->LBL_Info_DDP, {67, 46, 126, 62}},
      {F_Main->RGP_Nom_Titre, {293, 3, 228, 81}},    {F_Main->EDT_Nom_Titre_Text, {399, 58, 114, 21}},
      {F_Main->RGP_Nom_Comment, {293, 264, 228, 59}}, {F_Main->EDT_Nom_Date, {400, 363, 49, 21}},
      {F_Main->CBX_Nom_Genre_List, {634, 125, 113, 21}}, {F_Main->CBX_Nom_Category_List, {634, 212, 113, 21}},
      {F_Main->RGP_Tag, {527, 242, 228, 59}},        {F_Main->BTN_Start, {563, 308, 77, 39}},
      {F_Main->BTN_Stop, {646, 308, 77, 39}},        {F_Main->BTN_Detail_Frame, {737, 308, 23, 22}},
      {F_Main->PNL_Before, {8, 395, 371, 180}},      {F_Main->PNL_After, {385, 395, 371, 180}},
      {F_Main->PNL_Titre_Before, {1, 1, 369, 17}},   {F_Main->PNL_Process, {0, 582, 763, 17}},
      {F_Main->PGB_Progression, {0, 599, 763, 17}},  {F_Main->STB_Main, {0, 616, 763, 19}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.control->geometry(), c.geometry) << c.control->metaObject()->className();
  EXPECT_EQ(F_Main->LBL_Category_New->pos(), QPoint(6, 159));
  EXPECT_EQ(F_Main->CBX_Nom_Genre_List->count(), 126);
  EXPECT_EQ(F_Main->CBX_Nom_Category_List->count(), 29);
  EXPECT_EQ(F_Main->CBX_Nom_Genre_List->Items().front(), "A capella");
  EXPECT_EQ(F_Main->CBX_Nom_Genre_List->Items()[40], "Euro-House");
  EXPECT_EQ(F_Main->RGP_Nom_Genre->Count(), 3);
  EXPECT_EQ(F_Main->EDT_Nom_Genre_Text->Text(), std::string(ContactText));
  EXPECT_EQ(F_Main->EDT_Nom_Date->Text(), "0");
}

TEST(MainWindowSettings, FirstStartWritesAllKeysInOrderAndShowsTheDefaults) {
  ProgramWindows p;
  p.Create();
  p.ShowAndActivate();
  ASSERT_TRUE(F_Main->SettingsLoaded());
  EXPECT_EQ(p.Dir().ReadFile(p.SettingsPath()), test_support::FirstStartSettingsFile(p.DataFolder()));
  EXPECT_EQ(F_Main->RGP_Nom_Titre->ItemIndex(), 1);
  EXPECT_EQ(F_Main->RGP_Nom_Artiste->ItemIndex(), 1);
  EXPECT_EQ(F_Main->RGP_Nom_Album->ItemIndex(), 1);
  EXPECT_EQ(F_Main->RGP_Nom_Comment->ItemIndex(), 0);
  EXPECT_EQ(F_Main->RGP_Tag->ItemIndex(), 0);
  EXPECT_EQ(F_Main->EDT_Nom_Comment_Text->Text(), std::string(ContactText));
  EXPECT_EQ(F_Main->EDT_Nom_Date->Text(), "2009");
  EXPECT_EQ(F_Main->CBX_Nom_Genre_List->SelectedText(), "Rock");
  EXPECT_EQ(F_Main->CBX_Nom_Category_List->SelectedText(), "Beds");
  EXPECT_EQ(F_Main->DED_Folder->Path(), p.DataFolder());
  EXPECT_TRUE(F_Main->Files.empty());
}

TEST(MainWindowSettings, PartialFileGetsExactlyItsMissingKeys) {
  ProgramWindows p;
  p.Dir().WriteFile(p.SettingsPath(),
                    "[integer]\n"
                    "RGP_Nom_Track=1\n"
                    "\n"
                    "[string]\n"
                    "EDT_Nom_Date=1977\n"
                    "DED_Folder=/nowhere/\n");
  p.Create();
  p.ShowAndActivate();
  EXPECT_EQ(p.Dir().ReadFile(p.SettingsPath()),
            "[integer]\n"
            "RGP_Nom_Track=1\n"
            "RGP_Nom_Titre=1\n"
            "RGP_Nom_Artiste=1\n"
            "RGP_Nom_Album=1\n"
            "RGP_Nom_Comment=0\n"
            "RGP_Nom_Date=0\n"
            "RGP_Nom_Genre=0\n"
            "RGP_Nom_Category=0\n"
            "RGP_Tag=0\n"
            "\n"
            "[string]\n"
            "EDT_Nom_Date=1977\n"
            "DED_Folder=/nowhere/\n"
            "EDT_Nom_Titre_Text=contact@quillon.invalid\n"
            "EDT_Nom_Artist_Text=contact@quillon.invalid\n"
            "EDT_Nom_Album_Text=contact@quillon.invalid\n"
            "EDT_Nom_Comment_Text=contact@quillon.invalid\n"
            "EDT_Nom_Genre_Text=contact@quillon.invalid\n"
            "CBX_Nom_Genre_List=Rock\n"
            "EDT_Nom_Category_Text=contact@quillon.invalid\n"
            "CBX_Nom_Category_List=BEDS\n");
  EXPECT_EQ(F_Main->RGP_Nom_Track->ItemIndex(), 1);
  EXPECT_EQ(F_Main->EDT_Nom_Date->Text(), "1977");
  EXPECT_EQ(F_Main->DED_Folder->Path(), "/nowhere/");
}

TEST(MainWindowSettings, StoredValuesAreClampedOrMatchedAndSavedBackThatWay) {
  struct Case {
    const char* section;
    const char* key;
    const char* stored;
    const char* savedBack;
  };
  const Case cases[] = {
      {"integer", "RGP_Nom_Titre", "5", "2"},         // past the last option: the last
      {"integer", "RGP_Nom_Artiste", "-7", "-1"},     // below -1: nothing selected
      {"integer", "RGP_Nom_Album", "-1", "-1"},
      {"integer", "RGP_Nom_Comment", "0x1", "1"},     // hexadecimal
      {"integer", "RGP_Nom_Date", "abc", "0"},        // no integer: 0
      {"string", "CBX_Nom_Genre_List", "rock", "Rock"},
      {"string", "CBX_Nom_Category_List", "no such entry", ""},
      {"string", "EDT_Nom_Date", "12ab", "12ab"},     // the edit keeps what the program sets
  };
  ProgramWindows p;
  std::filesystem::create_directories(p.DataFolder());
  for (const Case& c : cases) ASSERT_TRUE(platform::IniFile(p.SettingsPath()).WriteValue(c.section, c.key, c.stored));
  p.Create();
  p.ShowAndActivate();
  EXPECT_EQ(F_Main->RGP_Nom_Titre->ItemIndex(), 2);
  EXPECT_EQ(F_Main->RGP_Nom_Artiste->ItemIndex(), -1);
  EXPECT_EQ(F_Main->CBX_Nom_Genre_List->SelectedText(), "Rock");
  EXPECT_EQ(F_Main->CBX_Nom_Category_List->ItemIndex(), -1);
  p.Close();
  for (const Case& c : cases) EXPECT_EQ(Setting(p, c.section, c.key), c.savedBack) << c.key;
}

TEST(MainWindowSettings, ChangesAreSavedOnlyWhenTheWindowCloses) {
  ProgramWindows p;
  p.Create();
  p.ShowAndActivate();
  QTest::mouseClick(F_Main->RGP_Tag->Button(1), Qt::LeftButton);
  // The custom title takes keys only while its option is chosen.
  test_support::ClickOption(F_Main->RGP_Nom_Titre, 2);
  F_Main->EDT_Nom_Titre_Text->clear();
  QTest::keyClicks(F_Main->EDT_Nom_Titre_Text, QString::fromUtf16(u"\u00C7a va"));  // keyClicks types Latin-1 only
  F_Main->DED_Folder->SetPath("/music/\xFF/");
  EXPECT_EQ(Setting(p, "integer", "RGP_Tag"), "0");
  p.Close();
  EXPECT_EQ(Setting(p, "integer", "RGP_Tag"), "1");
  EXPECT_EQ(Setting(p, "string", "EDT_Nom_Titre_Text"), "\xC3\x87" "a va");  // UTF-8 C3 87
  EXPECT_EQ(Setting(p, "string", "DED_Folder"), "/music/\xFF/");          // path bytes as they were
}

// Custom texts typed in any script are stored as UTF-8 and come back as typed
// when the program starts again.
TEST(MainWindowSettings, UnicodeCustomTextsSurviveCloseAndReopen) {
  const std::string title = "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9 \xD0\xA2\xD1\x80\xD0\xBE\xD0\xBB\xD0\xBB\xD1\x8C";
  const std::string comment = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xF0\x9F\x8E\xB5";
  ProgramWindows p;
  p.Create();
  p.ShowAndActivate();
  test_support::ClickOption(F_Main->RGP_Nom_Titre, 2);
  test_support::TypeInto(F_Main->EDT_Nom_Titre_Text, title);
  test_support::ClickOption(F_Main->RGP_Nom_Comment, 1);
  test_support::TypeInto(F_Main->EDT_Nom_Comment_Text, comment);
  ASSERT_EQ(F_Main->EDT_Nom_Titre_Text->text(),
            QString::fromUtf16(u"\u041C\u0443\u043C\u0438\u0439 \u0422\u0440\u043E\u043B\u043B\u044C"));
  p.Close();
  EXPECT_EQ(Setting(p, "string", "EDT_Nom_Titre_Text"), title);
  EXPECT_EQ(Setting(p, "string", "EDT_Nom_Comment_Text"), comment);

  DestroyProgramWindows();
  p.Create();
  p.ShowAndActivate();
  EXPECT_EQ(F_Main->EDT_Nom_Titre_Text->Text(), title);
  EXPECT_EQ(F_Main->EDT_Nom_Comment_Text->Text(), comment);
  EXPECT_EQ(F_Main->EDT_Nom_Comment_Text->text(), QString::fromUtf16(u"\u65E5\u672C\u8A9E \U0001F3B5"));
  p.Close();
  EXPECT_EQ(Setting(p, "string", "EDT_Nom_Titre_Text"), title);
}

// An earlier version stored its texts in ISO-8859-1: they load as the same
// characters and are saved back as UTF-8. The folder path is the file
// system's bytes and stays as it was stored.
TEST(MainWindowSettings, Latin1FileOfAnEarlierVersionLoadsItsCharacters) {
  ProgramWindows p;
  const std::string file = test_support::FirstStartSettingsFile("/music/Caf\xE9/");
  std::string earlier = file;
  const std::string contact = "EDT_Nom_Titre_Text=contact@quillon.invalid";
  earlier.replace(earlier.find(contact), contact.size(), "EDT_Nom_Titre_Text=Caf\xE9 cr\xE8me \xB0");
  p.Dir().WriteFile(p.SettingsPath(), earlier);
  p.Create();
  p.ShowAndActivate();
  EXPECT_EQ(F_Main->EDT_Nom_Titre_Text->text(), QString::fromUtf16(u"Caf\u00E9 cr\u00E8me \u00B0"));
  EXPECT_EQ(F_Main->EDT_Nom_Titre_Text->Text(), "Caf\xC3\xA9 cr\xC3\xA8me \xC2\xB0");
  EXPECT_EQ(F_Main->DED_Folder->Path(), "/music/Caf\xE9/");
  p.Close();
  EXPECT_EQ(Setting(p, "string", "EDT_Nom_Titre_Text"), "Caf\xC3\xA9 cr\xC3\xA8me \xC2\xB0");
  EXPECT_EQ(Setting(p, "string", "DED_Folder"), "/music/Caf\xE9/");
  // Keys and their order are those of the earlier file; the category list
  // saves the entry it selected, as always.
  std::string saved = earlier;
  saved.replace(saved.find("Caf\xE9 cr\xE8me \xB0"), 12, "Caf\xC3\xA9 cr\xC3\xA8me \xC2\xB0");
  saved.replace(saved.find("=BEDS"), 5, "=Beds");
  EXPECT_EQ(p.Dir().ReadFile(p.SettingsPath()), saved);
}

TEST(MainWindowSettings, LaterActivationsDoNotReload) {
  ProgramWindows p;
  p.Create();
  p.Dir().WriteFile(p.DataFolder() + "one.mp3", "x");
  p.ShowAndActivate();
  ASSERT_EQ(F_Main->Files.size(), 1u);
  F_Main->RGP_Nom_Titre->SetItemIndex(0);
  ASSERT_TRUE(platform::IniFile(p.SettingsPath()).WriteValue("integer", "RGP_Nom_Titre", "2"));

  // A modal box takes the activation away and gives it back when it closes.
  QTimer::singleShot(0, [] {
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  QMessageBox box(QMessageBox::Information, "Quillon", "text", QMessageBox::Ok, F_Main);
  box.exec();
  F_Main->activateWindow();
  (void)QTest::qWaitForWindowActive(F_Main);
  QEvent activate(QEvent::WindowActivate);
  QCoreApplication::sendEvent(F_Main, &activate);

  EXPECT_EQ(F_Main->RGP_Nom_Titre->ItemIndex(), 0);
  EXPECT_EQ(F_Main->Files.size(), 1u);  // the stored folder was not scanned again
}

TEST(MainWindowPlacement, FirstStartStandsAtTheOriginAndCloseStoresThePosition) {
  ProgramWindows p;
  p.Create();
  p.ShowAndActivate();
  EXPECT_EQ(F_Main->pos(), QPoint(0, 0));
  p.Close();
  const platform::IniFile ini(p.PlacementPath());
  const QRect frame = F_Main->frameGeometry();
  const std::string normPos = std::to_string(frame.left()) + "," + std::to_string(frame.top()) + "," +
                              std::to_string(frame.left() + frame.width()) + "," +
                              std::to_string(frame.top() + frame.height());
  EXPECT_EQ(ini.ReadValue("F_Main", "NormPos").value_or(""), normPos);
  EXPECT_EQ(ini.ReadValue("F_Main", "PixelsPerInch").value_or(""), std::to_string(F_Main->logicalDpiY()));
  for (const char* key : {"FormVersion", "Flags", "ShowCmd", "MinMaxPos", "Visible"})
    EXPECT_TRUE(ini.ReadValue("F_Main", key).has_value()) << key;
  EXPECT_TRUE(p.messages.empty());
}

TEST(MainWindowPlacement, StoredPositionIsUsedOnlyAtTheSameDpi) {
  struct Case {
    int dpiOffset;
    QPoint expected;
  };
  for (const Case& c : {Case{0, QPoint(40, 50)}, Case{1, QPoint(0, 0)}}) {
    ProgramWindows p;
    p.Create();
    const int dpi = F_Main->logicalDpiY() + c.dpiOffset;
    DestroyProgramWindows();
    const platform::IniFile ini(p.PlacementPath());
    ASSERT_TRUE(ini.WriteValue("F_Main", "PixelsPerInch", std::to_string(dpi)));
    ASSERT_TRUE(ini.WriteValue("F_Main", "NormPos", "40,50,803,685"));
    p.Create();
    p.ShowAndActivate();
    EXPECT_EQ(F_Main->pos(), c.expected) << "dpi offset " << c.dpiOffset;
    EXPECT_EQ(F_Main->size(), QSize(763, 635));
  }
}

TEST(MainWindowPlacement, UnwritablePlacementFileShowsTheBoxAndStillCloses) {
  ProgramWindows p;
  p.placementFile = p.Dir().Path("missing-folder/datas.ini");
  p.Create();
  p.ShowAndActivate();
  p.Close();
  ASSERT_EQ(p.messages.size(), 1u);
  EXPECT_EQ(p.messages[0], QString::fromUtf8("Impossible d'écrire dans ") + QString::fromStdString(p.placementFile));
  EXPECT_FALSE(F_Main->isVisible());
  EXPECT_EQ(Setting(p, "integer", "RGP_Nom_Titre"), "1");  // the settings were still saved
}

TEST(MainWindowLinks, ClicksOpenTheTwoAddresses) {
  ProgramWindows p;
  p.Create();
  p.ShowAndActivate();
  QTest::mouseClick(F_Main->LBL_Liens_Web, Qt::LeftButton);
  QTest::mouseClick(F_Main->LBL_Site_Zq, Qt::LeftButton);
  ASSERT_EQ(p.openedUrls.size(), 2u);
  EXPECT_EQ(p.openedUrls[0], "https://quillon.invalid/download");
  EXPECT_EQ(p.openedUrls[1], "https://quillon.invalid");
}

}  // namespace
