// Test helpers for the windows: the program's two windows created in start-up
// order inside a fresh temporary home, with every outside service answered
// by the test, and synthetic drops of local files.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "batch_editor/UF_Main.h"
#include "support/temp_dir.h"

class QWidget;

namespace test_support {

class ProgramWindows {
 public:
  // Points XDG_DATA_HOME at <temp>/xdg and the placement file at
  // <temp>/program/datas.ini. The windows are created by Create(), so that a
  // test can prepare files first.
  ProgramWindows();
  ~ProgramWindows();

  // Start-up steps 3 and 4: F_Main, then F_Util_MP3.
  void Create();
  // Shows F_Main and waits until it is active, which loads the settings.
  void ShowAndActivate();
  // Closes F_Main as the user would.
  void Close();

  const TempDir& Dir() const { return dir_; }
  // The data folder the main window computes: <temp>/xdg/_data_Quillon/.
  std::string DataFolder() const { return dir_.Path("xdg/_data_Quillon/"); }
  std::string SettingsPath() const { return DataFolder() + "datas.ini"; }
  std::string PlacementPath() const { return placementFile; }

  // Answers for the folder picker, taken in order; an empty queue cancels.
  std::deque<std::optional<std::string>> pickerAnswers;
  std::vector<std::string> pickerStarts;
  std::vector<QString> messages;
  // Answers for the confirmation box, taken in order (an empty queue says
  // No), and the questions it was asked.
  std::deque<bool> confirmAnswers;
  std::vector<QString> questions;
  std::vector<QString> openedUrls;
  std::string placementFile;

 private:
  TempDir dir_;
  std::optional<QByteArray> oldXdg_;
};

// Drags the local paths (file system bytes, in this order) onto `target`
// and drops them there, as a drop from the file manager arrives.
void DropPaths(QWidget* target, const std::vector<std::string>& paths);

// The full item strings of F_Main->LBX_File.
std::vector<std::string> ListItems();
// The FullPath of every entry of F_Main->Files.
std::vector<std::string> FilePaths();

}  // namespace test_support
