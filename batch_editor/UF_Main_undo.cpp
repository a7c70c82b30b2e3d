// Undo of the last run: the journal walked back like a run.
#include <QAction>
#include <QCoreApplication>
#include <QPushButton>
#include <exception>
#include <map>
#include <vector>

#include "batch_editor/UF_Main.h"
#include "platform/file_system.h"
#include "tag_engine/UF_Util_MP3.h"
#include "tag_engine/tag_tables.h"
#include "tag_engine/undo_journal.h"
#include "widgets/browse_edit.h"
#include "widgets/image_list_box.h"
#include "widgets/text.h"
#include "widgets/panel.h"
#include "widgets/progress_bar.h"

namespace {

const char* const kPendingSuffix = "|0";
const char* const kChangedTip = "changed since the last run: left as it is";
const char* const kVanishedTip = "gone since the last run";
const char* const kFailedTip = "could not be restored: still to undo";

std::string Number(std::size_t value) { return FormatInteger(static_cast<std::int32_t>(value), 0); }

}  // namespace

std::string TF_Main::UndoJournalFile() const { return DataFolder + undo::kJournalName; }

void TF_Main::RefreshUndoAction() {
  ACT_Undo->setEnabled(!RunActive && platform::IsExistingFile(UndoJournalFile()));
}

void TF_Main::ACT_UndoExecute(QObject* /*Sender*/) {
  if (RunActive || !F_Util_MP3) return;
  std::optional<undo::Session> session;
  try {
    session = undo::Session::Open(UndoJournalFile(), DataFolder);
  } catch (...) {
  }
  if (!session || session->Count() == 0) {
    // A journal with nothing left to undo goes.
    if (session) session->Finish();
    RefreshUndoAction();
    return;
  }
  const QString question = QString::fromUtf8("Restore the tags of ") + QString::fromStdString(Number(session->Count())) +
                           QString::fromUtf8(" files as they were before the last run?");
  if (!services_.confirm || !services_.confirm(question)) return;
  // The box pumped events: a run may have started meanwhile.
  if (RunActive) return;

  const WalkLock lock = BeginWalk();
  BTN_Start->setEnabled(false);
  BTN_Stop->setEnabled(true);
  LBX_File->setEnabled(false);
  std::string inHand;
  bool failed = false;
  try {
    RunUndo(*session, inHand);
  } catch (...) {
    failed = true;
  }
  try {
    session->Finish();
  } catch (...) {
  }
  EndWalk(failed, inHand, lock);
}

void TF_Main::RunUndo(undo::Session& session, std::string& inHand) {
  StopRequested = false;
  // The list cannot change while RunActive is set: item j is Files[j].
  std::map<std::string, std::vector<int>> itemsOf;
  const int items = LBX_File->Count();
  for (std::size_t j = 0; j < Files.size() && j < static_cast<std::size_t>(items); ++j)
    itemsOf[Files[j].FullPath].push_back(static_cast<int>(j));
  const std::size_t N = session.Count();
  std::size_t k = 0, restored = 0, changed = 0, failures = 0;
  PNL_Process->SetCaption("restoring 0 / " + Number(N));
  PGB_Progression->SetMax(static_cast<int>(N));
  PGB_Progression->SetPosition(0);
  auto status = [&] {
    std::string text = "restored " + Number(restored) + " / " + Number(N);
    if (changed > 0) text += ", " + Number(changed) + " changed since";
    if (failures > 0) text += ", " + Number(failures) + " failed";
    PNL_Process->SetCaption(text);
  };
  for (std::size_t i = 0; i < N; ++i) {
    // A copy: the pumps below may run any handler.
    const std::string path = session.At(i).path;
    inHand = path;
    PNL_Process->SetCaption("restoring " + Number(k + 1) + " / " + Number(N));
    QCoreApplication::processEvents();
    const undo::Outcome outcome = session.Restore(i);
    QString tip;
    std::string item;
    switch (outcome) {
      case undo::Outcome::Restored:
      case undo::Outcome::AlreadyOld:
        ++restored;
        item = path + kPendingSuffix;
        break;
      case undo::Outcome::Changed:
        ++changed;
        tip = QString::fromUtf8(kChangedTip);
        break;
      case undo::Outcome::Vanished:
        ++changed;
        tip = QString::fromUtf8(kVanishedTip);
        break;
      case undo::Outcome::Failed:
        ++failures;
        tip = QString::fromUtf8(kFailedTip);
        break;
    }
    if (auto it = itemsOf.find(path); it != itemsOf.end()) {
      for (const int j : it->second) {
        if (!item.empty()) LBX_File->SetItem(j, item);
        LBX_File->SetItemToolTip(j, tip);
      }
    }
    QCoreApplication::processEvents();
    ++k;
    PGB_Progression->SetPosition(static_cast<int>(k));
    if (StopRequested) break;
  }
  status();
}
