#include "gui_support/program_windows.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "tag_engine/UF_Util_MP3.h"
#include "widgets/image_list_box.h"

namespace test_support {

ProgramWindows::ProgramWindows() {
  // Tests close the main window many times in one process.
  QApplication::setQuitOnLastWindowClosed(false);
  if (qEnvironmentVariableIsSet("XDG_DATA_HOME")) oldXdg_ = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir_.Path("xdg")));
  std::filesystem::create_directories(dir_.Path("program"));
  placementFile = dir_.Path("program/datas.ini");
}

ProgramWindows::~ProgramWindows() {
  DestroyProgramWindows();
  if (oldXdg_) {
    qputenv("XDG_DATA_HOME", *oldXdg_);
  } else {
    qunsetenv("XDG_DATA_HOME");
  }
}

void ProgramWindows::Create() {
  MainWindowServices services;
  services.pickFolder = [this](const std::string& start) -> std::optional<std::string> {
    pickerStarts.push_back(start);
    if (pickerAnswers.empty()) return std::nullopt;
    std::optional<std::string> answer = pickerAnswers.front();
    pickerAnswers.pop_front();
    return answer;
  };
  services.showMessage = [this](const QString& text) { messages.push_back(text); };
  services.confirm = [this](const QString& text) {
    questions.push_back(text);
    if (confirmAnswers.empty()) return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
  };
  services.openUrl = [this](const QString& url) { openedUrls.push_back(url); };
  services.placementFile = placementFile;
  CreateProgramWindows(std::move(services));
}

void ProgramWindows::ShowAndActivate() {
  F_Main->show();
  F_Main->activateWindow();
  (void)QTest::qWaitForWindowActive(F_Main);
}

void ProgramWindows::Close() { F_Main->close(); }

void DropPaths(QWidget* target, const std::vector<std::string>& paths) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  for (const std::string& p : paths)
    urls.push_back(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(p))));
  data->setUrls(urls);
  // As a real drag does: Qt hands the drop only to a widget that accepted the
  // drag's enter and move.
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDragMoveEvent move(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &move);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  delete data;
}

std::vector<std::string> ListItems() {
  std::vector<std::string> items;
  for (int i = 0; i < F_Main->LBX_File->Count(); ++i) items.push_back(F_Main->LBX_File->Item(i));
  return items;
}

std::vector<std::string> FilePaths() {
  std::vector<std::string> paths;
  for (const TListe_File& f : F_Main->Files) paths.push_back(f.FullPath);
  return paths;
}

}  // namespace test_support
