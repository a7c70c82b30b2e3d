#include "tag_engine/settings_ops.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

using test_support::TempDir;

namespace {

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(ParseSettingInteger, DecimalOrHexElseZero) {
  struct Case { std::string text; std::int32_t value; };
  const Case cases[] = {
      {"0", 0},
      {"1", 1},
      {"-1", -1},
      {"+7", 7},
      {"0999", 999},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", 0},  // beyond 32 bits
      {"-2147483649", 0},
      {"0x1A", 26},
      {"0X1a", 26},
      {"0x0", 0},
      {"0x7FFFFFFF", 2147483647},
      {"0xFFFFFFFF", -1},
      {"0x80000000", INT32_MIN},
      {"0x000000001", 1},
      {"0x100000000", 0},
      {"0x", 0},  // too short for hex, and no decimal
      {"0xG", 0},
      {"0x-1", 0},
      {"0x+1", 0},
      {"", 0},
      {"-", 0},
      {"+", 0},
      {"+-1", 0},
      {"--1", 0},
      {"1 2", 0},
      {" 1", 0},
      {"1.5", 0},
      {"1e3", 0},
      {"$10", 0},
      {"abc", 0},
      {std::string("1\0", 2), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseSettingInteger(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(SettingsOps, MissingKeysAreStoredWithTheirDefaultAndReadBack) {
  TempDir dir;
  const std::string file = dir.Path("datas.ini");
  EXPECT_EQ(ReadSettingInteger(file, "integer", "RGP_Nom_Titre", 1), 1);
  EXPECT_EQ(ReadSettingInteger(file, "integer", "RGP_Nom_Comment", 0), 0);
  EXPECT_EQ(ReadSettingText(file, "string", "EDT_Nom_Date", "2009"), "2009");
  EXPECT_EQ(ReadSettingInteger(file, "integer", "RGP_Nom_Track", -3), -3);
  EXPECT_EQ(ReadSettingText(file, "string", "EDT_Nom_Genre_Text", ""), "");
  EXPECT_EQ(dir.ReadFile("datas.ini"),
            "[integer]\nRGP_Nom_Titre=1\nRGP_Nom_Comment=0\nRGP_Nom_Track=-3\n"
            "[string]\nEDT_Nom_Date=2009\nEDT_Nom_Genre_Text=\n");

  // Present keys load as stored, whatever their letter case; nothing is added.
  EXPECT_EQ(ReadSettingInteger(file, "INTEGER", "rgp_nom_titre", 2), 1);
  EXPECT_EQ(ReadSettingText(file, "String", "edt_nom_date", "1999"), "2009");
  EXPECT_EQ(ReadSettingText(file, "string", "EDT_Nom_Genre_Text", "Rock"), "");
  EXPECT_EQ(dir.ReadFile("datas.ini"),
            "[integer]\nRGP_Nom_Titre=1\nRGP_Nom_Comment=0\nRGP_Nom_Track=-3\n"
            "[string]\nEDT_Nom_Date=2009\nEDT_Nom_Genre_Text=\n");
}

TEST(SettingsOps, StoredValuesAreCleanedAndParsed) {
  TempDir dir;
  const std::string file = dir.WriteFile(
      "datas.ini",
      "[integer]\r\nRGP_Tag = 0x10 \r\nRGP_Nom_Date=two\r\nRGP_Nom_Genre=\r\n"
      "[string]\r\nDED_Folder=\"  /music/  \"\r\nCBX_Nom_Genre_List= 'Rock' \r\n");
  EXPECT_EQ(ReadSettingInteger(file, "integer", "RGP_Tag", 0), 16);
  EXPECT_EQ(ReadSettingInteger(file, "integer", "RGP_Nom_Date", 1), 0);   // not an integer
  EXPECT_EQ(ReadSettingInteger(file, "integer", "RGP_Nom_Genre", 1), 0);  // present but empty
  EXPECT_EQ(ReadSettingText(file, "string", "DED_Folder", "x"), "  /music/  ");
  EXPECT_EQ(ReadSettingText(file, "string", "CBX_Nom_Genre_List", "x"), "Rock");
}

TEST(SettingsOps, WritesReplaceOrAdd) {
  TempDir dir;
  const std::string file = dir.WriteFile("datas.ini", "[integer]\nRGP_Tag=0\n\n[string]\nDED_Folder=/a/\n");
  WriteSettingInteger(file, "integer", "RGP_Tag", -1);
  WriteSettingInteger(file, "integer", "RGP_Nom_Date", 2147483647);
  WriteSettingText(file, "string", "DED_Folder", "/b c/");
  WriteSettingText(file, "string", "CBX_Nom_Genre_List", "");
  EXPECT_EQ(dir.ReadFile("datas.ini"),
            "[integer]\nRGP_Tag=-1\nRGP_Nom_Date=2147483647\n\n"
            "[string]\nDED_Folder=/b c/\nCBX_Nom_Genre_List=\n");
  EXPECT_EQ(ReadSettingInteger(file, "integer", "RGP_Tag", 5), -1);
}

TEST(SettingsOps, AnUnwritableFileLoadsEverythingAsZeroOrEmpty) {
  TempDir dir;
  // The data folder could not be created: the default cannot be stored, so
  // the read does not take place.
  const std::string file = dir.Path("missing/datas.ini");
  EXPECT_EQ(ReadSettingInteger(file, "integer", "RGP_Nom_Titre", 1), 0);
  EXPECT_EQ(ReadSettingText(file, "string", "EDT_Nom_Date", "2009"), "");
  WriteSettingText(file, "string", "DED_Folder", "/a/");  // dropped without a word
  WriteSettingInteger(file, "integer", "RGP_Tag", 1);
  EXPECT_FALSE(std::filesystem::exists(dir.Path("missing")));
  // A value that cannot stand on one line is dropped; the rest is written.
  const std::string good = dir.Path("datas.ini");
  WriteSettingText(good, "string", "DED_Folder", "/a\nb/");
  WriteSettingText(good, "string", "EDT_Nom_Titre_Text", "t");
  EXPECT_EQ(dir.ReadFile("datas.ini"), "[string]\nEDT_Nom_Titre_Text=t\n");
}

// The file is UTF-8; a value an earlier version stored in ISO-8859-1 is not
// valid UTF-8 and is converted from it, so nothing stored is lost. Paths are
// the file system's bytes and never converted. Every value is cut to 2047
// characters, never inside one.
TEST(SettingsOps, TextIsUtf8AndEarlierLatin1IsConverted) {
  const std::string cyrillic = "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9 \xD0\xA2\xD1\x80\xD0\xBE\xD0\xBB\xD0\xBB\xD1\x8C";
  const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
  std::string cyrillic_long, cyrillic_2047;
  for (int i = 0; i < 3000; ++i) {
    cyrillic_long += "\xD0\x96";
    if (i < 2047) cyrillic_2047 += "\xD0\x96";
  }
  struct Case {
    const char* what;
    std::string stored;
    std::string text;  // ReadSettingText
    std::string path;  // ReadSettingPath
  };
  const Case cases[] = {
      {"ASCII", "Rock", "Rock", "Rock"},
      {"UTF-8 Cyrillic", cyrillic, cyrillic, cyrillic},
      {"UTF-8 Japanese, quoted", "\"" + japanese + "\"", japanese, japanese},
      {"UTF-8 e acute stays one character", "Caf\xC3\xA9", "Caf\xC3\xA9", "Caf\xC3\xA9"},
      {"Latin-1 from an earlier version", "Caf\xE9 \xC0 l'\xEEle", "Caf\xC3\xA9 \xC3\x80 l'\xC3\xAEle",
       "Caf\xE9 \xC0 l'\xEEle"},
      {"Latin-1 that looks half like UTF-8", "\xC3t\xE9", "\xC3\x83t\xC3\xA9", "\xC3t\xE9"},
      {"long ASCII", std::string(3000, 'v'), std::string(2047, 'v'), std::string(2047, 'v')},
      {"long UTF-8: 2047 characters, 4094 bytes", cyrillic_long, cyrillic_2047, cyrillic_2047},
      {"long Latin-1: 2047 characters", std::string(3000, '\xE9'), Repeat("\xC3\xA9", 2047),
       std::string(2047, '\xE9')},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string file = dir.WriteFile("datas.ini", "[string]\nk=" + c.stored + "\n");
    EXPECT_EQ(ReadSettingText(file, "string", "k", "x"), c.text) << c.what;
    EXPECT_EQ(ReadSettingPath(file, "string", "k", "x"), c.path) << c.what;
  }
}

TEST(SettingsOps, UnicodeTextIsStoredAsUtf8AndDefaultsToo) {
  TempDir dir;
  const std::string file = dir.Path("datas.ini");
  const std::string cyrillic = "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9";
  const std::string emoji = "\xF0\x9F\x8E\xB5";
  WriteSettingText(file, "string", "EDT_Nom_Titre_Text", cyrillic);
  EXPECT_EQ(ReadSettingText(file, "string", "EDT_Nom_Artist_Text", emoji), emoji);
  EXPECT_EQ(ReadSettingText(file, "string", "EDT_Nom_Titre_Text", "x"), cyrillic);
  EXPECT_EQ(dir.ReadFile("datas.ini"),
            "[string]\nEDT_Nom_Titre_Text=" + cyrillic + "\nEDT_Nom_Artist_Text=" + emoji + "\n");
  // A path's bytes are stored and read back as they stand, even when they
  // are no UTF-8.
  WriteSettingText(file, "string", "DED_Folder", "/m\xE9/");
  EXPECT_EQ(ReadSettingPath(file, "string", "DED_Folder", "x"), "/m\xE9/");
}

}  // namespace
