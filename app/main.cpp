// Start-up: the command line, the framework, the program's title, the main
// window (its FormCreate runs while it is built), the hidden frame list
// window, then the event loop. The main window loads its settings when it is
// first activated, then adds what the command line named; it saves the
// settings when it closes, and closing it ends the program.
#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "batch_editor/UF_Main.h"
#include "batch_editor/command_line.h"
#include "tag_engine/UF_Util_MP3.h"

namespace {

std::vector<std::string> Arguments(int argc, char** argv) { return {argv + (argc > 0 ? 1 : 0), argv + argc}; }

std::string CurrentFolder() {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::current_path(ec);
  return ec ? std::string("/") : folder.string();
}

}  // namespace

int main(int argc, char** argv) {
  // Help and version answer before the framework starts: they need no
  // display. The rest waits until the framework has taken out its own
  // options (-platform, -style, ...).
  const CommandLine early = ParseCommandLine(Arguments(argc, argv), "/");
  if (early.action == CommandLine::Action::Help || early.action == CommandLine::Action::Version) {
    const std::string text = early.action == CommandLine::Action::Help ? UsageText() : VersionText();
    std::fputs(text.c_str(), stdout);
    return 0;
  }

  QApplication app(argc, argv);
  const CommandLine line = ParseCommandLine(Arguments(argc, argv), CurrentFolder());
  if (line.action == CommandLine::Action::Error) {
    std::fprintf(stderr, "quillon: %s\nTry 'quillon --help' for more information.\n", line.error.c_str());
    return 2;
  }
  QApplication::setApplicationName("Quillon");
  QApplication::setApplicationDisplayName("Quillon");
  QApplication::setApplicationVersion(QUILLON_VERSION);
  // Wayland compositors match the window to its desktop entry by this name.
  QGuiApplication::setDesktopFileName(QUILLON_APP_ID);
  CreateProgramWindows();
  F_Main->CommandLinePaths = line.paths;
  F_Main->show();
  // Without a window manager nothing would give the window the focus, and
  // the settings load at its first activation.
  F_Main->activateWindow();
  const int result = QApplication::exec();
  DestroyProgramWindows();
  return result;
}
