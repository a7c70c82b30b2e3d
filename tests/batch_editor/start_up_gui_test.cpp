// How the program meets the desktop: files and folders from the command
// line, the placement file of an installed copy, the window's icon.
#include <gtest/gtest.h>

#include <QIcon>
#include <filesystem>

#include "batch_editor/UF_Main.h"
#include "gui_support/mp3_fixtures.h"
#include "gui_support/program_windows.h"
#include "platform/folders.h"
#include "platform/ini_file.h"
#include "tag_engine/UF_Util_MP3.h"
#include "widgets/image_list_box.h"
#include "widgets/panel.h"

namespace {

namespace fs = std::filesystem;
using test_support::Audio;
using test_support::DropPaths;
using test_support::FilePaths;
using test_support::ListItems;
using test_support::ProgramWindows;
using Texts = std::vector<std::string>;

// Points the settings' folder field at `folder` before the first start.
void StoreFolder(const ProgramWindows& p, const std::string& folder) {
  fs::create_directories(p.DataFolder());
  ASSERT_TRUE(platform::IniFile(p.SettingsPath()).WriteValue("string", "DED_Folder", folder));
}

TEST(CommandLineStart, PathsAreAddedAsADropAddsThemAfterTheStoredFolder) {
  ProgramWindows p;
  const std::string stored1 = p.Dir().WriteFile("stored/s1.mp3", Audio());
  const std::string stored2 = p.Dir().WriteFile("stored/sub/s2.mp3", Audio());
  const std::string single = p.Dir().WriteFile("loose/single.mp3", Audio());
  const std::string notMp3 = p.Dir().WriteFile("loose/cover.jpg", "jpg");
  const std::string inFolder1 = p.Dir().WriteFile("given/B/b.mp3", Audio());
  const std::string inFolder2 = p.Dir().WriteFile("given/a.mp3", Audio());
  p.Dir().WriteFile("given/notes.txt", "not listed");
  StoreFolder(p, p.Dir().Path("stored"));
  const Texts given = {single, p.Dir().Path("given"), p.Dir().Path("missing.mp3"), notMp3};

  p.Create();
  F_Main->CommandLinePaths = given;
  p.ShowAndActivate();
  const Texts expected = {stored1, stored2, single, inFolder2, inFolder1, notMp3};
  EXPECT_EQ(FilePaths(), expected);
  ASSERT_EQ(ListItems().size(), expected.size());
  EXPECT_EQ(ListItems().front(), stored1 + "|0");
  EXPECT_EQ(F_Main->LBX_File->Count(), 6);
  EXPECT_TRUE(F_Main->PNL_Liste->isHidden());
  EXPECT_TRUE(p.messages.empty());

  // The same paths dropped on a window that has listed the stored folder.
  DestroyProgramWindows();
  p.Create();
  p.ShowAndActivate();
  ASSERT_EQ(FilePaths(), (Texts{stored1, stored2}));
  DropPaths(F_Main->LBX_File->viewport(), given);
  EXPECT_EQ(FilePaths(), expected);
}

TEST(CommandLineStart, WithoutPathsOnlyTheStoredFolderIsListed) {
  ProgramWindows p;
  const std::string stored = p.Dir().WriteFile("stored/s.mp3", Audio());
  StoreFolder(p, p.Dir().Path("stored"));
  p.Create();
  p.ShowAndActivate();
  EXPECT_EQ(FilePaths(), Texts{stored});
}

// Points XDG_CONFIG_HOME into the test's folder for its lifetime.
class ConfigHome {
 public:
  explicit ConfigHome(const std::string& path) {
    if (qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) old_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(path));
  }
  ~ConfigHome() {
    if (old_) {
      qputenv("XDG_CONFIG_HOME", *old_);
    } else {
      qunsetenv("XDG_CONFIG_HOME");
    }
  }

 private:
  std::optional<QByteArray> old_;
};

TEST(InstalledPlacement, UnwritableProgramFolderKeepsThePositionInTheConfigFolderWithoutABox) {
  ProgramWindows p;
  ConfigHome config(p.Dir().Path("config"));
  // /proc takes no new file, whoever asks: an installed program's folder.
  p.placementFile = platform::WindowPlacementFile("/proc", "Quillon", "datas.ini");
  const std::string expected = p.Dir().Path("config/Quillon/datas.ini");
  ASSERT_EQ(p.placementFile, expected);
  p.Create();
  p.ShowAndActivate();
  p.Close();
  EXPECT_TRUE(p.messages.empty());
  const platform::IniFile ini(expected);
  EXPECT_EQ(ini.ReadValue("F_Main", "PixelsPerInch").value_or(""), std::to_string(F_Main->logicalDpiY()));
  EXPECT_TRUE(ini.ReadValue("F_Main", "NormPos").has_value());

  // The next start finds it there.
  const int dpi = F_Main->logicalDpiY();
  DestroyProgramWindows();
  ASSERT_TRUE(ini.WriteValue("F_Main", "NormPos", "30,20,793,655"));
  ASSERT_TRUE(ini.WriteValue("F_Main", "PixelsPerInch", std::to_string(dpi)));
  p.placementFile = platform::WindowPlacementFile("/proc", "Quillon", "datas.ini");
  p.Create();
  p.ShowAndActivate();
  EXPECT_EQ(F_Main->pos(), QPoint(30, 20));
}

TEST(ProgramIcon, WindowCarriesTheIconInEveryRenderedSize) {
  ProgramWindows p;
  p.Create();
  const QIcon icon = F_Main->windowIcon();
  ASSERT_FALSE(icon.isNull());
  const QList<QSize> sizes = icon.availableSizes();
  for (int n : {16, 22, 24, 32, 48, 64, 128, 256}) EXPECT_TRUE(sizes.contains(QSize(n, n))) << n;
  // Drawn, not blank: the corner is transparent, the middle is not.
  const QImage image = icon.pixmap(QSize(64, 64)).toImage();
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(image.pixel(32, 32)), 255);
}

}  // namespace
