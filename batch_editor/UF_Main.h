// The main window: the file list, the rule controls, the preview panels and
// the run controls. Its handlers are split by concern over UF_Main_*.cpp.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch_editor/file_list.h"
#include "batch_editor/rules.h"
#include "widgets/pictures.h"
#include "widgets/window_placement.h"

class QAction;
class BrowseEdit;
namespace undo {
class Session;
}
class ChoiceList;
class GradientPanel;
class ImageListBox;
class IntegerEdit;
class LinkLabel;
class Panel;
class PercentProgressBar;
class QLabel;
class QPushButton;
class QToolButton;
class RadioGroup;
class StatusPanelBar;
class TextEdit;
class TitleBar;

// Everything the main window asks of the world outside the program. The
// defaults are the real services; tests replace them.
struct MainWindowServices {
  // The folder picker: given the field's path, the chosen folder or
  // std::nullopt when cancelled.
  std::function<std::optional<std::string>(const std::string& start)> pickFolder;
  // A modal message box with an OK button, captioned with the program's name.
  std::function<void(const QString& text)> showMessage;
  // A modal question with Yes (the default: Enter) and No (Escape); true for
  // Yes.
  std::function<bool(const QString& text)> confirm;
  // Opens an address in the web browser.
  std::function<void(const QString& url)> openUrl;
  // The window-placement file: "datas.ini" beside the executable, or in
  // the user's configuration folder under "Quillon" when the executable's
  // folder cannot be written (platform::WindowPlacementFile).
  std::string placementFile;

  static MainWindowServices Defaults();
};

class TF_Main : public QWidget {
 public:
  static constexpr int kClientWidth = 763;
  static constexpr int kClientHeight = 635;

  // Lays the window out, then runs FormCreate.
  explicit TF_Main(MainWindowServices services = MainWindowServices::Defaults(), QWidget* parent = nullptr);
  ~TF_Main() override;

  // Controls, under their layout names.
  Panel* PNL_Global;
  Panel* PNL_Folder;
  QLabel* LBL_Folder;
  BrowseEdit* DED_Folder;
  QLabel* LBL_Nb_File;
  Panel* PNL_Nb_File;
  QPushButton* BTN_Clear_Liste;
  ImageListBox* LBX_File;
  Panel* PNL_Liste;
  QLabel* IMG_Liste;
  QLabel* LBL_Info_DDP;
  RadioGroup* RGP_Nom_Titre;
  TextEdit* EDT_Nom_Titre_Text;
  RadioGroup* RGP_Nom_Artiste;
  TextEdit* EDT_Nom_Artist_Text;
  RadioGroup* RGP_Nom_Album;
  TextEdit* EDT_Nom_Album_Text;
  RadioGroup* RGP_Nom_Comment;
  TextEdit* EDT_Nom_Comment_Text;
  RadioGroup* RGP_Nom_Date;
  IntegerEdit* EDT_Nom_Date;
  RadioGroup* RGP_Nom_Track;
  RadioGroup* RGP_Nom_Genre;
  TextEdit* EDT_Nom_Genre_Text;
  ChoiceList* CBX_Nom_Genre_List;
  RadioGroup* RGP_Nom_Category;
  TextEdit* EDT_Nom_Category_Text;
  ChoiceList* CBX_Nom_Category_List;
  RadioGroup* RGP_Tag;
  QPushButton* BTN_Start;
  QPushButton* BTN_Stop;
  QToolButton* BTN_Detail_Frame;
  LinkLabel* LBL_Liens_Web;
  LinkLabel* LBL_Site_Zq;
  Panel* PNL_Before;
  TitleBar* PNL_Titre_Before;
  QLabel* LBL_Titre;
  QLabel* LBL_Artist;
  QLabel* LBL_Album;
  QLabel* LBL_Comment;
  QLabel* LBL_Date;
  QLabel* LBL_Track;
  QLabel* LBL_Genre;
  QLabel* LBL_Category;
  Panel* PNL_After;
  TitleBar* PNL_Titre_After;
  QLabel* LBL_Titre_New;
  QLabel* LBL_Artist_New;
  QLabel* LBL_Album_New;
  QLabel* LBL_Comment_New;
  QLabel* LBL_Date_New;
  QLabel* LBL_Track_New;
  QLabel* LBL_Genre_New;
  QLabel* LBL_Category_New;
  Panel* PNL_Process;
  PercentProgressBar* PGB_Progression;
  StatusPanelBar* STB_Main;
  // "Undo the last run": Ctrl+Z in the window, and the file list's context
  // menu (on the list and on its drop hint).
  QAction* ACT_Undo;
  ImageList IML_1;
  WindowPlacement FST_F_Main;

  // State.
  std::vector<TListe_File> Files;
  // The data folder, with its trailing delimiter; holds "datas.ini" and the
  // tag writer's "tmp.mp3".
  std::string DataFolder;
  bool StopRequested = false;
  // True while a batch run walks Files. The run depends on the list staying
  // as it is, so while this is set a drop, "clear list" and the folder
  // field's browse event leave Files and LBX_File alone.
  bool RunActive = false;
  // Files and folders named on the command line: the first activation adds
  // them (AddPaths) once the stored folder has been scanned.
  std::vector<std::string> CommandLinePaths;

  // The settings file, DataFolder + "datas.ini".
  std::string SettingsFile() const;
  // True once the first activation has loaded the settings.
  bool SettingsLoaded() const { return settingsLoaded_; }
  // True from the moment the window starts closing.
  bool Closing() const { return closing_; }
  const MainWindowServices& Services() const { return services_; }

  // Start-up and settings (UF_Main_window.cpp).
  void FormCreate(QObject* Sender);
  // Loads the 19 settings into the controls, sets the inputs' enablement,
  // scans the stored folder, then adds CommandLinePaths. Runs at the first activation of the run
  // only: later activations (after a message box, the folder picker, a
  // switch to another program) do nothing.
  void FormActivate(QObject* Sender);
  // Saves the 19 settings, each in its own write.
  void FormClose(QObject* Sender);

  // The file list (UF_Main_file_list.cpp).
  // Appends the entries of Folder whose names end in "." + Ext.
  void AddFilesOfType(const std::string& Folder, const std::string& Ext);
  // Appends the "mp3" files of Folder and its subfolders, pumping the event
  // queue after each subfolder. Once the window is closing the scan keeps
  // nothing more and ends at its next pump.
  void ScanFolder(const std::string& Folder);
  // Refills LBX_File from Files ("FullPath|0" each), derives the entries'
  // fields, shows the count, shows the drop hint exactly when the list is
  // empty, and selects and previews the first file.
  void RebuildList();
  // The application-wide hook: acts on drops onto LBX_File (or its
  // viewport) and PNL_Liste. Never sets Handled, so the event goes on to
  // its widget.
  void Traite_Drop(QObject* Target, QEvent* Msg, bool& Handled);
  // What a drop does with its paths: a file is appended, a folder scanned,
  // anything else left out; then the list is rebuilt. Nothing while a run
  // is active.
  void AddPaths(const std::vector<std::string>& paths);
  void BTN_Clear_ListeClick(QObject* Sender);
  void DED_FolderBrowse(QObject* Sender);

  // The batch run (UF_Main_batch_run.cpp). Walks Files once: reads each
  // file, derives its values from the rules as the controls hold them at
  // that moment, then writes or skips it and marks item i of LBX_File with
  // "|1" or "|2"; an item whose write failed keeps "|0" and gets a tooltip
  // that says why (WriteFailureText), gone at the next rebuild. While it runs, BTN_Clear_Liste and DED_Folder are disabled
  // and RunActive is set; both return to what they were when it ends.
  // Closing the window during a run stops it after the file in hand, then
  // closes the window (settings saved) once the run is back.
  void BTN_StartClick(QObject* Sender);
  // Asks the run to end after the file in hand.
  void BTN_StopClick(QObject* Sender);
  // True once a close arrived during a run; the window closes when the run
  // has ended.
  bool CloseAfterRun() const { return closeAfterRun_; }

  // Undo of the last run (UF_Main_undo.cpp). The journal of the last run
  // that wrote a file, DataFolder + "undo.journal".
  std::string UndoJournalFile() const;
  // Enables ACT_Undo exactly when a journal exists and nothing walks the list.
  void RefreshUndoAction();
  // Asks "Restore the tags of N files as they were before the last run?"
  // and, on Yes, walks the journal from the last write back like a run:
  // RunActive set and the list locked, "restoring k / N" with the progress,
  // "stop" and a close end it after the file in hand. A restored file's
  // items (when it is in the list) read pending again; a file changed or
  // gone since the run is left as it is, its items say so in their tooltip.
  // Ends with "restored R / N" and, when there are any, ", C changed since"
  // and ", F failed". A complete undo removes the journal; a stopped one
  // keeps the entries not yet restored, and so does a failed restore.
  void ACT_UndoExecute(QObject* Sender);

  // The rule set as the option controls hold it now: the selected indexes
  // (-1 for none), the edit texts and list entries as UTF-8 text, and the
  // date edit's integer.
  RuleSet RulesFromControls() const;

  // The preview and option handlers (UF_Main_preview.cpp).
  // Shows the selected file's current tags in the "Actual tags ..." labels
  // and the values the rules give it in the "New tags ..." labels, reading
  // the file afresh; with nothing selected every label shows its bare
  // prefix. Selecting an item from the program does not call it.
  void LBX_FileClick(QObject* Sender);
  // Both set the enablement of the nine inputs from the radio groups (an
  // input is enabled exactly when its group selects the option that reads
  // it), then refresh the preview.
  void RGP_Nom_TitreChange(QObject* Sender, int ButtonIndex);
  void EDT_Nom_Titre_TextChange(QObject* Sender);
  // Shows the frame list window modally.
  void BTN_Detail_FrameClick(QObject* Sender);

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLayout();
  void LoadSettingsAndScan();
  void ConnectHandlers();
  // Paths of a drop's local files, in the order delivered, as bytes.
  static std::vector<std::string> DroppedPaths(const QEvent* event);
  bool IsDropTarget(const QObject* watched) const;
  // The batch run's loop; `inHand` follows the path of the file in hand.
  void RunBatch(std::string& inHand);
  // What a run or an undo changed of the controls that lock the list.
  struct WalkLock {
    bool clearWasEnabled, folderWasEnabled;
  };
  // The start of a run or an undo: RunActive set, the undo action refreshed,
  // "clear list" and the folder field disabled (their states kept).
  WalkLock BeginWalk();
  // The end of a run or an undo, however it ended: the message box of a
  // failure (naming `inHand`), then the controls unlocked (the clear button
  // and the folder field as they were before), RunActive cleared, and a
  // close that came during the walk carried out.
  void EndWalk(bool failed, const std::string& inHand, const WalkLock& lock);
  // The undo's loop over the journal; `inHand` follows the file in hand.
  void RunUndo(undo::Session& session, std::string& inHand);
  void SetInputEnablement();
  void ShowActualTags(const std::string (&values)[8]);
  void ShowNewTags(const std::string (&values)[8]);

  MainWindowServices services_;
  bool settingsLoaded_ = false;
  bool shownOnce_ = false;
  bool closing_ = false;
  bool closeAfterRun_ = false;
};

// The font of the program's windows.
QFont WindowFont();

// The program's one main window; null before start-up created it.
extern TF_Main* F_Main;

// Start-up steps 3 and 4: creates F_Main (FormCreate runs) and then the
// hidden F_Util_MP3. The caller shows F_Main and runs the event loop.
void CreateProgramWindows(MainWindowServices services = MainWindowServices::Defaults());
// Deletes both windows and clears the two pointers.
void DestroyProgramWindows();
