#include "batch_editor/settings_table.h"

#include "tag_engine/settings_ops.h"

int FindSettingRow(std::string_view key) {
  for (std::size_t i = 0; i < SettingsTable.size(); ++i) {
    if (SettingsTable[i].Key == key) return static_cast<int>(i);
  }
  return -1;
}

std::string DefaultSettingText(const SettingRow& row, const std::string& DataFolder) {
  switch (row.Default) {
    case SettingDefault::kText:
      return std::string(row.TextDefault);
    case SettingDefault::kContactText:
      return std::string(ContactText);
    case SettingDefault::kDataFolder:
      return DataFolder;
    case SettingDefault::kInteger:
      break;
  }
  return std::string();
}

SettingValues LoadSettings(const std::string& FileName, const std::string& DataFolder) {
  SettingValues values;
  for (std::size_t i = 0; i < SettingsTable.size(); ++i) {
    const SettingRow& row = SettingsTable[i];
    const std::string key(row.Key);
    const std::string section(row.Section);
    if (IsIntegerSetting(row)) {
      values[i].Integer = ReadSettingInteger(FileName, section, key, row.IntegerDefault);
    } else if (IsPathSetting(row)) {
      values[i].Text = ReadSettingPath(FileName, section, key, DefaultSettingText(row, DataFolder));
    } else {
      values[i].Text = ReadSettingText(FileName, section, key, DefaultSettingText(row, DataFolder));
    }
  }
  return values;
}

void SaveSettings(const std::string& FileName, const SettingValues& values) {
  for (std::size_t i = 0; i < SettingsTable.size(); ++i) {
    const SettingRow& row = SettingsTable[i];
    const std::string key(row.Key);
    const std::string section(row.Section);
    if (IsIntegerSetting(row)) {
      WriteSettingInteger(FileName, section, key, values[i].Integer);
    } else {
      WriteSettingText(FileName, section, key, values[i].Text);
    }
  }
}
