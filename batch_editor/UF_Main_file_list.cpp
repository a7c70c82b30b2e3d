// The file list: drops, the folder scan, "clear list" and the list rebuild.
#include <QCoreApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "batch_editor/UF_Main.h"
#include "tag_engine/tag_tables.h"
#include "platform/file_system.h"
#include "widgets/browse_edit.h"
#include "widgets/image_list_box.h"
#include "widgets/panel.h"

namespace {
const char* const kPendingSuffix = "|0";

// Thrown from a scan's pump once the window is closing; the core's scan ends
// on any error its pump throws, which stops the walk at once.
struct ScanAbandoned {};

// A new entry: only the full path is set; a rebuild derives the rest.
TListe_File EntryFor(std::string fullPath) {
  TListe_File entry;
  entry.FullPath = std::move(fullPath);
  return entry;
}
}  // namespace

void TF_Main::AddFilesOfType(const std::string& Folder, const std::string& Ext) {
  ::AddFilesOfType(Folder, Ext, [this](std::string fullPath) { Files.push_back(EntryFor(std::move(fullPath))); });
}

void TF_Main::ScanFolder(const std::string& Folder) {
  // Once the window is closing the program ends as soon as the scan is back,
  // so what it still finds is not kept.
  ::ScanFolder(
      Folder,
      [this](std::string fullPath) {
        if (!closing_) Files.push_back(EntryFor(std::move(fullPath)));
      },
      [this] {
        QCoreApplication::processEvents();
        if (closing_) throw ScanAbandoned{};
      });
}

void TF_Main::RebuildList() {
  // Indexes, not references: nothing below pumps events, but the list is
  // read afresh on every call all the same.
  std::vector<std::string> items;
  items.reserve(Files.size());
  for (TListe_File& entry : Files) {
    items.push_back(entry.FullPath + kPendingSuffix);
    DeriveEntryFields(entry);
  }
  LBX_File->SetItems(std::move(items));
  PNL_Nb_File->SetCaption(FormatInteger(static_cast<std::int32_t>(Files.size()), 0));
  if (LBX_File->Count() > 0) {
    PNL_Liste->hide();
    LBX_File->SetItemIndex(0);
    LBX_FileClick(this);
  } else {
    PNL_Liste->show();
  }
}

std::vector<std::string> TF_Main::DroppedPaths(const QEvent* event) {
  std::vector<std::string> paths;
  const auto* drop = static_cast<const QDropEvent*>(event);
  const QMimeData* data = drop->mimeData();
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    // Taken whole: paths here run to 4096 bytes.
    const QByteArray bytes = QFile::encodeName(url.toLocalFile());
    paths.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  }
  return paths;
}

bool TF_Main::IsDropTarget(const QObject* watched) const {
  return watched == LBX_File || watched == LBX_File->viewport() || watched == PNL_Liste;
}

void TF_Main::Traite_Drop(QObject* Target, QEvent* Msg, bool& /*Handled*/) {
  if (Msg->type() != QEvent::Drop || !IsDropTarget(Target) || RunActive) return;
  AddPaths(DroppedPaths(Msg));
}

void TF_Main::AddPaths(const std::vector<std::string>& paths) {
  if (RunActive) return;
  // An unexpected failure (memory exhausted) ends the addition without a
  // message; what was appended stays.
  try {
    for (const std::string& path : paths) {
      if (platform::IsExistingFile(path)) {
        Files.push_back(EntryFor(path));
      } else if (platform::IsExistingFolder(path)) {
        ScanFolder(path);
      }
    }
    RebuildList();
  } catch (...) {
  }
}

bool TF_Main::eventFilter(QObject* watched, QEvent* event) {
  bool handled = false;
  if (event->type() == QEvent::Drop) Traite_Drop(watched, event, handled);
  return handled;
}

void TF_Main::BTN_Clear_ListeClick(QObject* /*Sender*/) {
  if (RunActive) return;
  try {
    Files.clear();
    RebuildList();
    LBX_FileClick(this);
  } catch (...) {
  }
}

void TF_Main::DED_FolderBrowse(QObject* /*Sender*/) {
  if (RunActive) return;
  try {
    ScanFolder(DED_Folder->Path());
    RebuildList();
  } catch (...) {
  }
}
