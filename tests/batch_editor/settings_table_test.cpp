#include "batch_editor/settings_table.h"

#include <gtest/gtest.h>

#include "support/settings_fixtures.h"
#include "support/temp_dir.h"

using test_support::TempDir;

namespace {

const std::string kFirstStartFile = test_support::FirstStartSettingsFile("/home/u/.local/share/_data_Quillon/");

TEST(SettingsTable, FirstStartStoresEveryDefaultInTableOrder) {
  TempDir dir;
  const std::string file = dir.Path("datas.ini");
  const std::string data_folder = "/home/u/.local/share/_data_Quillon/";
  const SettingValues values = LoadSettings(file, data_folder);
  EXPECT_EQ(dir.ReadFile("datas.ini"), kFirstStartFile);

  EXPECT_EQ(values[FindSettingRow("RGP_Nom_Titre")].Integer, 1);
  EXPECT_EQ(values[FindSettingRow("RGP_Nom_Comment")].Integer, 0);
  EXPECT_EQ(values[FindSettingRow("EDT_Nom_Titre_Text")].Text, "contact@quillon.invalid");
  EXPECT_EQ(values[FindSettingRow("EDT_Nom_Date")].Text, "2009");
  EXPECT_EQ(values[FindSettingRow("CBX_Nom_Category_List")].Text, "BEDS");
  EXPECT_EQ(values[FindSettingRow("DED_Folder")].Text, data_folder);

  // Saving what was loaded changes nothing.
  SaveSettings(file, values);
  EXPECT_EQ(dir.ReadFile("datas.ini"), kFirstStartFile);
}

TEST(SettingsTable, OnlyMissingKeysAreAddedAtTheEndOfTheirSection) {
  TempDir dir;
  const std::string file = dir.WriteFile("datas.ini",
                                         "[integer]\n"
                                         "rgp_tag=1\n"
                                         "RGP_Nom_Titre=2\n"
                                         "\n"
                                         "[string]\n"
                                         "DED_Folder=/music/\n");
  const SettingValues values = LoadSettings(file, "/data/");
  EXPECT_EQ(values[FindSettingRow("RGP_Tag")].Integer, 1);
  EXPECT_EQ(values[FindSettingRow("RGP_Nom_Titre")].Integer, 2);
  EXPECT_EQ(values[FindSettingRow("RGP_Nom_Artiste")].Integer, 1);
  EXPECT_EQ(values[FindSettingRow("DED_Folder")].Text, "/music/");
  const std::string contact = "contact@quillon.invalid\n";
  EXPECT_EQ(dir.ReadFile("datas.ini"),
            "[integer]\nrgp_tag=1\nRGP_Nom_Titre=2\n"
            "RGP_Nom_Artiste=1\nRGP_Nom_Album=1\nRGP_Nom_Comment=0\nRGP_Nom_Date=0\n"
            "RGP_Nom_Track=0\nRGP_Nom_Genre=0\nRGP_Nom_Category=0\n"
            "\n"
            "[string]\nDED_Folder=/music/\n"
            "EDT_Nom_Titre_Text=" + contact + "EDT_Nom_Artist_Text=" + contact +
                "EDT_Nom_Album_Text=" + contact + "EDT_Nom_Comment_Text=" + contact +
                "EDT_Nom_Date=2009\nEDT_Nom_Genre_Text=" + contact +
                "CBX_Nom_Genre_List=Rock\nEDT_Nom_Category_Text=" + contact +
                "CBX_Nom_Category_List=BEDS\n");
}

TEST(SettingsTable, SaveWritesEachRowIntoItsSection) {
  TempDir dir;
  const std::string file = dir.Path("datas.ini");
  SettingValues values = LoadSettings(file, "/d/");
  values[FindSettingRow("RGP_Nom_Titre")].Integer = -1;
  values[FindSettingRow("CBX_Nom_Genre_List")].Text = "";
  values[FindSettingRow("DED_Folder")].Text = "/m\xE9/";  // path bytes, no UTF-8: kept as they are
  values[FindSettingRow("EDT_Nom_Titre_Text")].Text = "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9 \xE6\x97\xA5";
  SaveSettings(file, values);
  EXPECT_EQ(LoadSettings(file, "/other/"), values);
  EXPECT_EQ(FindSettingRow("rgp_tag"), -1);  // exact names only
}

}  // namespace
