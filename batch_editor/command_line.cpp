#include "batch_editor/command_line.h"

#include <filesystem>

namespace {

std::string Absolute(const std::string& arg, const std::string& currentFolder) {
  std::filesystem::path path(arg);
  if (path.is_relative()) path = std::filesystem::path(currentFolder) / path;
  std::string normal = path.lexically_normal().string();
  // "/music/" names the same folder as "/music", and a drop gives the latter.
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& currentFolder) {
  CommandLine line;
  bool options = true;
  for (const std::string& arg : args) {
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "-h" || arg == "--help")) {
      return {CommandLine::Action::Help, {}, {}};
    } else if (options && (arg == "-v" || arg == "--version")) {
      return {CommandLine::Action::Version, {}, {}};
    } else if (options && arg.size() > 1 && arg.front() == '-') {
      if (line.action != CommandLine::Action::Error) {
        line.action = CommandLine::Action::Error;
        line.error = "unknown option '" + arg + "'";
      }
    } else if (!arg.empty()) {
      line.paths.push_back(Absolute(arg, currentFolder));
    }
  }
  if (line.action == CommandLine::Action::Error) line.paths.clear();
  return line;
}

std::string UsageText() {
  return "Usage: quillon [FILE | FOLDER]...\n"
         "Rewrites the tags of many MP3 files in one pass.\n"
         "\n"
         "The files and folders given are added to the list as a drop adds them\n"
         "(folders searched for .mp3 files), after the files of the folder stored\n"
         "in the settings.\n"
         "\n"
         "  -h, --help     show this help and exit\n"
         "  -v, --version  show the version and exit\n";
}

std::string VersionText() { return std::string("Quillon ") + QUILLON_VERSION + "\n"; }
