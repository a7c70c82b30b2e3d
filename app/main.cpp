// Start-up: the framework, the program's title, the main window (its
// FormCreate runs while it is built), the hidden frame list window, then the
// event loop. The main window loads its settings when it is first activated
// and saves them when it closes; closing it ends the program.
#include <QApplication>

#include "batch_editor/UF_Main.h"
#include "tag_engine/UF_Util_MP3.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quillon");
  QApplication::setApplicationDisplayName("Quillon");
  CreateProgramWindows();
  F_Main->show();
  // Without a window manager nothing would give the window the focus, and
  // the settings load at its first activation.
  F_Main->activateWindow();
  const int result = QApplication::exec();
  DestroyProgramWindows();
  return result;
}
