// The batch run over the file list.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <exception>
#include <string>
#include <unordered_set>
#include <vector>

#include "batch_editor/UF_Main.h"
#include "batch_editor/write_failure_text.h"
#include "tag_engine/UF_Util_MP3.h"
#include "tag_engine/tag_tables.h"
#include "tag_engine/undo_journal.h"
#include "widgets/browse_edit.h"
#include "widgets/image_list_box.h"
#include "widgets/panel.h"
#include "widgets/progress_bar.h"
#include "widgets/text.h"

namespace {

const char* const kWrittenSuffix = "|1";
const char* const kSkippedSuffix = "|2";
const char* const kErrorMessage = "MP3 File error : ";

std::string Number(std::size_t value) { return FormatInteger(static_cast<std::int32_t>(value), 0); }

// How often the widgets the run changes at every file are drawn. Drawing
// them at every pump costs more than the file's write; the pumps still run
// every handler that waits, only the drawing of these widgets is spaced.
constexpr qint64 kPaintIntervalMs = 50;

// The run's message pump. The list, the "Actual tags ..." panel and the
// status text are drawn at most once per kPaintIntervalMs (and once more when
// the run ends); every other widget, the progress bar included, draws as
// usual.
class RunPump {
 public:
  explicit RunPump(std::vector<QWidget*> widgets) : widgets_(std::move(widgets)) {
    SetDrawing(false);
    sinceDrawn_.start();
  }
  ~RunPump() { SetDrawing(true); }
  RunPump(const RunPump&) = delete;
  RunPump& operator=(const RunPump&) = delete;

  void Pump() {
    const bool draw = sinceDrawn_.elapsed() >= kPaintIntervalMs;
    if (draw) SetDrawing(true);
    QCoreApplication::processEvents();
    if (draw) {
      SetDrawing(false);
      sinceDrawn_.restart();
    }
  }

 private:
  // Enabling schedules one repaint of each widget.
  void SetDrawing(bool on) {
    for (QWidget* w : widgets_) w->setUpdatesEnabled(on);
  }

  std::vector<QWidget*> widgets_;
  QElapsedTimer sinceDrawn_;
};

// The run's journal is the engine's for the run's length; what it recorded
// last is synced when the run ends, however it ends.
class JournalInUse {
 public:
  JournalInUse(Mp3TagEngine& engine, undo::Writer& journal) : engine_(engine), journal_(journal) {
    engine_.Journal = &journal_;
  }
  ~JournalInUse() {
    engine_.Journal = nullptr;
    (void)journal_.Finish();
  }
  JournalInUse(const JournalInUse&) = delete;
  JournalInUse& operator=(const JournalInUse&) = delete;

 private:
  Mp3TagEngine& engine_;
  undo::Writer& journal_;
};

}  // namespace

void TF_Main::BTN_StartClick(QObject* /*Sender*/) {
  // A click queued before the button went disabled must not start a second
  // run inside the first.
  if (RunActive || !F_Util_MP3) return;
  const WalkLock lock = BeginWalk();
  std::string inHand;
  bool failed = false;
  try {
    RunBatch(inHand);
  } catch (...) {
    failed = true;
  }
  // However the run ended (done, stopped, closing, failed), the folders of
  // its last files are synced before anything else can happen.
  (void)F_Util_MP3->SyncPendingFolders();
  EndWalk(failed, inHand, lock);
}

TF_Main::WalkLock TF_Main::BeginWalk() {
  RunActive = true;
  RefreshUndoAction();
  const WalkLock lock{BTN_Clear_Liste->isEnabled(), DED_Folder->isEnabled()};
  BTN_Clear_Liste->setEnabled(false);
  DED_Folder->setEnabled(false);
  return lock;
}

void TF_Main::EndWalk(bool failed, const std::string& inHand, const WalkLock& lock) {
  if (failed) {
    // The box is modal and pumps events: the list stays locked until the
    // user has answered it.
    try {
      services_.showMessage(QString::fromUtf8(kErrorMessage) + widgets::PathToDisplay(inHand));
    } catch (...) {
    }
  }
  BTN_Start->setEnabled(true);
  BTN_Stop->setEnabled(false);
  LBX_File->setEnabled(true);
  BTN_Clear_Liste->setEnabled(lock.clearWasEnabled);
  DED_Folder->setEnabled(lock.folderWasEnabled);
  RunActive = false;
  RefreshUndoAction();
  if (closeAfterRun_) {
    closeAfterRun_ = false;
    close();
  }
}

void TF_Main::RunBatch(std::string& inHand) {
  RebuildList();
  BTN_Start->setEnabled(false);
  BTN_Stop->setEnabled(true);
  LBX_File->setEnabled(false);
  StopRequested = false;
  std::size_t k = 0;
  TrackCounter counter;
  // The list cannot change while RunActive is set, so N is its length for
  // the whole run and item i belongs to Files[i].
  const std::size_t N = Files.size();
  PNL_Process->SetCaption("processing 0 / " + Number(N));
  PGB_Progression->SetMax(static_cast<int>(N));
  PGB_Progression->SetPosition(0);
  F_Util_MP3->DataFolder = DataFolder;
  // The folder entries are synced once per folder rather than once per
  // file: after the last entry of each folder (and when the run ends).
  std::vector<bool> lastOfFolder(N, false);
  {
    std::unordered_set<std::string> seen;
    for (std::size_t i = N; i-- > 0;) lastOfFolder[i] = seen.insert(Files[i].FolderPath).second;
  }
  undo::Writer journal(UndoJournalFile());
  JournalInUse journalInUse(*F_Util_MP3, journal);
  RunPump pump({LBX_File, PNL_Before, PNL_Process});
  for (std::size_t i = 0; i < N && i < Files.size(); ++i) {
    // A copy: handlers that run from the pumps below must not be able to
    // pull the entry out from under this iteration.
    const TListe_File entry = Files[i];
    inHand = entry.FullPath;
    const int item = static_cast<int>(i);
    // Item i rather than a search by text: the search ignores letter case,
    // and X.mp3 and x.mp3 may stand in one folder.
    LBX_File->SetItemIndex(item);
    const int n = counter.Next(entry);
    F_Util_MP3->ReadTag(entry.FullPath);
    const RuleSet rules = RulesFromControls();
    const CurrentTags current = CurrentTagsOf(*F_Util_MP3);
    const NewValues v = DeriveNewValues(rules, entry, n, current);
    if (ShouldWrite(rules, current, v)) {
      PNL_Process->SetCaption("processing " + Number(k + 1) + " / " + Number(N));
      pump.Pump();
      if (F_Util_MP3->WriteTagV2(entry.FullPath, v.NewTitle, v.NewArtist, v.NewAlbum, v.NewComment, v.NewYear,
                                 v.NewTrack, v.NewGenre, v.NewCategory, v.NewOwner)) {
        LBX_File->SetItem(item, entry.FullPath + kWrittenSuffix);
        F_Util_MP3->WriteTagV1(entry.FullPath, v.NewTitle, v.NewArtist, v.NewAlbum, v.NewComment, v.NewYear);
      } else {
        // The face stays pending; the tooltip says why, until the next rebuild.
        LBX_File->SetItemToolTip(item, QString::fromStdString(WriteFailureText(F_Util_MP3->LastWriteFailure)));
      }
      pump.Pump();
      ShowActualTags({v.NewTitle, v.NewArtist, v.NewAlbum, v.NewComment, v.NewYear, v.NewTrack, v.NewGenre,
                      v.NewCategory});
    } else {
      LBX_File->SetItem(item, entry.FullPath + kSkippedSuffix);
    }
    if (lastOfFolder[i]) (void)F_Util_MP3->SyncPendingFolder(entry.FolderPath);
    ++k;
    PGB_Progression->SetPosition(static_cast<int>(k));
    if (StopRequested) break;
  }
}

void TF_Main::BTN_StopClick(QObject* /*Sender*/) { StopRequested = true; }
