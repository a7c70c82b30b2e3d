// The command line as a desktop's "Open With" or a terminal gives it.
#include "batch_editor/command_line.h"

#include <gtest/gtest.h>

namespace {

using Action = CommandLine::Action;
using Texts = std::vector<std::string>;

TEST(CommandLine, PathsAreMadeAbsoluteAndNormalLikeADroppedOne) {
  struct Case {
    Texts args;
    Texts paths;
  };
  const Case cases[] = {
      {{}, {}},
      {{"a.mp3"}, {"/home/u/a.mp3"}},
      {{"some/folder/", "./b.mp3", "../x/c.mp3"}, {"/home/u/some/folder", "/home/u/b.mp3", "/home/x/c.mp3"}},
      {{"/music//Artist/./Album/"}, {"/music/Artist/Album"}},
      {{"/"}, {"/"}},
      {{"", "d.mp3"}, {"/home/u/d.mp3"}},  // an empty argument names nothing
      {{"--", "-odd.mp3", "--help"}, {"/home/u/-odd.mp3", "/home/u/--help"}},
      {{"-"}, {"/home/u/-"}},
      // File names are bytes, not text: kept as they are.
      {{"caf\xE9.mp3", "\xC3\xA9t\xC3\xA9"}, {"/home/u/caf\xE9.mp3", "/home/u/\xC3\xA9t\xC3\xA9"}},
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(c.args, "/home/u");
    EXPECT_EQ(line.action, Action::Run);
    EXPECT_EQ(line.paths, c.paths) << (c.args.empty() ? "(none)" : c.args[0]);
  }
}

TEST(CommandLine, HelpAndVersionWinAndUnknownOptionsAreRefused) {
  struct Case {
    Texts args;
    Action action;
  };
  const Case cases[] = {
      {{"--help"}, Action::Help},
      {{"a.mp3", "-h"}, Action::Help},
      {{"--version"}, Action::Version},
      {{"-v", "--help"}, Action::Version},
      {{"--bogus", "--help"}, Action::Help},
      {{"a.mp3", "--bogus"}, Action::Error},
      {{"-x"}, Action::Error},
      {{"--", "--version"}, Action::Run},
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(c.args, "/home/u");
    EXPECT_EQ(line.action, c.action) << c.args.back();
    if (line.action != Action::Run) {
      EXPECT_TRUE(line.paths.empty());
    }
  }
  EXPECT_EQ(ParseCommandLine({"--bogus"}, "/").error, "unknown option '--bogus'");
  EXPECT_EQ(VersionText(), std::string("Quillon ") + QUILLON_VERSION + "\n");
  EXPECT_NE(UsageText().find("--version"), std::string::npos);
}

}  // namespace
