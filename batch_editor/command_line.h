// The program's command line, as a desktop's "Open With" or a terminal
// gives it: files and folders to list, or a request for help or the version.
#pragma once

#include <string>
#include <vector>

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  // Run: the files and folders to add, in the order given, each made
  // absolute against the current folder and lexically normalized ("." and
  // ".." steps and doubled or trailing "/" taken out), so that a file's
  // folder is known as it is for a dropped file. Bytes as given.
  std::vector<std::string> paths;
  // Error: what was wrong, for the terminal.
  std::string error;
};

// `args` are the arguments after the program's name. "-h"/"--help" and
// "-v"/"--version" win over anything else; "--" ends the options; any other
// argument that starts with "-" (but "-" alone) is an error; empty
// arguments are left out.
CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& currentFolder);

// What "--help" prints, and what "--version" prints.
std::string UsageText();
std::string VersionText();
