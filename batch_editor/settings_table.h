// The 19 settings of the main window: key, section and default of each, in
// the order in which they are loaded and saved. Every key is the name of the
// control whose state it holds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The contact text: initial text of the six custom-text edits and their
// default in the settings file.
inline constexpr std::string_view ContactText = "contact@quillon.invalid";

inline constexpr std::string_view kIntegerSection = "integer";
inline constexpr std::string_view kStringSection = "string";

// Where a row's default comes from. Two defaults are known only at run time.
enum class SettingDefault {
  kInteger,      // SettingRow::IntegerDefault, in the "integer" section
  kText,         // SettingRow::TextDefault, in the "string" section
  kContactText,  // ContactText
  kDataFolder,   // the data folder's path, given to LoadSettings
};

struct SettingRow {
  std::string_view Key;
  std::string_view Section;
  SettingDefault Default;
  std::int32_t IntegerDefault;  // for kInteger
  std::string_view TextDefault;  // for kText
};

inline constexpr std::size_t kSettingCount = 19;

inline constexpr std::array<SettingRow, kSettingCount> SettingsTable{{
    {"RGP_Nom_Titre", kIntegerSection, SettingDefault::kInteger, 1, {}},
    {"RGP_Nom_Artiste", kIntegerSection, SettingDefault::kInteger, 1, {}},
    {"RGP_Nom_Album", kIntegerSection, SettingDefault::kInteger, 1, {}},
    {"RGP_Nom_Comment", kIntegerSection, SettingDefault::kInteger, 0, {}},
    {"RGP_Nom_Date", kIntegerSection, SettingDefault::kInteger, 0, {}},
    {"EDT_Nom_Titre_Text", kStringSection, SettingDefault::kContactText, 0, {}},
    {"EDT_Nom_Artist_Text", kStringSection, SettingDefault::kContactText, 0, {}},
    {"EDT_Nom_Album_Text", kStringSection, SettingDefault::kContactText, 0, {}},
    {"EDT_Nom_Comment_Text", kStringSection, SettingDefault::kContactText, 0, {}},
    {"EDT_Nom_Date", kStringSection, SettingDefault::kText, 0, "2009"},
    {"RGP_Nom_Track", kIntegerSection, SettingDefault::kInteger, 0, {}},
    {"RGP_Nom_Genre", kIntegerSection, SettingDefault::kInteger, 0, {}},
    {"EDT_Nom_Genre_Text", kStringSection, SettingDefault::kContactText, 0, {}},
    {"CBX_Nom_Genre_List", kStringSection, SettingDefault::kText, 0, "Rock"},
    {"RGP_Nom_Category", kIntegerSection, SettingDefault::kInteger, 0, {}},
    {"EDT_Nom_Category_Text", kStringSection, SettingDefault::kContactText, 0, {}},
    {"CBX_Nom_Category_List", kStringSection, SettingDefault::kText, 0, "BEDS"},
    {"RGP_Tag", kIntegerSection, SettingDefault::kInteger, 0, {}},
    {"DED_Folder", kStringSection, SettingDefault::kDataFolder, 0, {}},
}};

// True for the rows kept in the "integer" section.
constexpr bool IsIntegerSetting(const SettingRow& row) { return row.Default == SettingDefault::kInteger; }

// True for the row that holds a path (the folder field): its value is the
// file system's bytes, read with ReadSettingPath; every other text row is
// Unicode text, read with ReadSettingText.
constexpr bool IsPathSetting(const SettingRow& row) { return row.Default == SettingDefault::kDataFolder; }

// The index of the row whose key equals `key` exactly, or -1.
int FindSettingRow(std::string_view key);

// The default text of a "string" row; DataFolder stands in for kDataFolder.
// Empty for an "integer" row.
std::string DefaultSettingText(const SettingRow& row, const std::string& DataFolder);

// One loaded or saved value: Integer for an "integer" row, Text for a
// "string" row (the other member is unused).
struct SettingValue {
  std::int32_t Integer = 0;
  std::string Text;
  friend bool operator==(const SettingValue&, const SettingValue&) = default;
};
using SettingValues = std::array<SettingValue, kSettingCount>;

// Reads the 19 rows in table order from `FileName` with ReadSettingInteger,
// ReadSettingText or ReadSettingPath, so each missing key is stored with its
// default first.
SettingValues LoadSettings(const std::string& FileName, const std::string& DataFolder);

// Writes the 19 rows in table order, each in its own write; a value that
// cannot be written is lost and the next is still tried.
void SaveSettings(const std::string& FileName, const SettingValues& values);
