// A run over the files people's libraries hold: tagged by mutagen (ID3v2.4
// UTF-8, ID3v2.3 UTF-16, ID3v2.3 Latin-1), by hand in ID3v2.2, and by
// kid3-cli, eyeD3 and id3v2, in folders and under names in Cyrillic,
// Japanese and Latin-1 (tests/tools/fixture_tool.py builds them). With the
// title from the file name and every other rule at "no change", mutagen
// must see every other field as it was; files whose title already is their
// name must not be touched in skip mode.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "batch_editor/UF_Main.h"
#include "gui_support/mp3_fixtures.h"
#include "gui_support/program_windows.h"
#include "support/mutagen_reader.h"
#include "widgets/image_list_box.h"
#include "widgets/radio_group.h"

namespace {

using test_support::ClickOption;
using test_support::DropPaths;
using test_support::FilePaths;
using test_support::ListItems;
using test_support::ProgramWindows;
using test_support::RunFixtureTool;
using test_support::ToolResult;
using Texts = std::vector<std::string>;

Texts Lines(const std::string& text) {
  Texts lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

Texts Sorted(Texts t) {
  std::sort(t.begin(), t.end());
  return t;
}

class FidelityRun : public ::testing::Test {
 protected:
  void SetUp() override {
    p_.Create();
    p_.ShowAndActivate();
    for (RadioGroup* g : {F_Main->RGP_Nom_Titre, F_Main->RGP_Nom_Artiste, F_Main->RGP_Nom_Album,
                          F_Main->RGP_Nom_Comment, F_Main->RGP_Nom_Date, F_Main->RGP_Nom_Track,
                          F_Main->RGP_Nom_Genre, F_Main->RGP_Nom_Category, F_Main->RGP_Tag})
      ClickOption(g, 0);
    ClickOption(F_Main->RGP_Nom_Titre, 1);
  }

  // Builds the library under "Library" and returns its files' full paths.
  Texts BuildLibrary(bool titled) {
    const std::string audio = p_.Dir().WriteFile("source/audio.bin", test_support::MpegAudio(80, 23));
    std::string picture = "\xFF\xD8\xFF\xE0";
    for (int i = 0; i < 2000; ++i) picture += static_cast<char>((i * 131) ^ (i >> 2));  // every byte value
    const std::string cover = p_.Dir().WriteFile("source/cover.jpg", picture + "\xFF\xD9");
    Texts args = {"library", P("Library"), audio, cover};
    if (titled) args.push_back("--titled");
    const ToolResult made = RunFixtureTool(args);
    EXPECT_EQ(made.status, 0) << made.output;
    Texts files;
    for (const std::string& rel : Lines(made.output)) files.push_back(P("Library/" + rel));
    return files;
  }

  std::string P(const std::string& relative) const { return p_.Dir().Path(relative); }

  // Drops the library on the list and presses "start".
  void RunOver(const Texts& files) {
    DropPaths(F_Main->LBX_File->viewport(), {P("Library")});
    ASSERT_EQ(Sorted(FilePaths()), Sorted(files));
    QTest::mouseClick(F_Main->BTN_Start, Qt::LeftButton);
    EXPECT_TRUE(p_.messages.empty());
  }

  ProgramWindows p_;
};

TEST_F(FidelityRun, TitleFromTheNameLeavesEveryOtherFieldAsMutagenSawIt) {
  const Texts files = BuildLibrary(false);
  ASSERT_EQ(files.size(), 7u);
  const std::string snapshot = P("before.json");
  Texts snapArgs = {"snapshot", snapshot};
  snapArgs.insert(snapArgs.end(), files.begin(), files.end());
  const ToolResult snap = RunFixtureTool(snapArgs);
  ASSERT_EQ(snap.status, 0) << snap.output;

  RunOver(files);
  for (const std::string& item : ListItems()) EXPECT_EQ(item.substr(item.size() - 2), "|1") << item;

  Texts checkArgs = {"check", snapshot};
  checkArgs.insert(checkArgs.end(), files.begin(), files.end());
  const ToolResult checked = RunFixtureTool(checkArgs);
  // One expectation per file, with every finding of that file.
  std::map<std::string, std::string> findings;
  for (const std::string& line : Lines(checked.output)) {
    for (const std::string& f : files)
      if (line.compare(0, f.size() + 2, f + ": ") == 0) findings[f] += line.substr(f.size() + 2) + "\n";
  }
  for (const std::string& f : files)
    EXPECT_TRUE(findings[f] == "ok\n") << f.substr(P("Library/").size()) << ":\n" << findings[f];
  EXPECT_EQ(checked.status, 0) << Lines(checked.output).back();
}

TEST_F(FidelityRun, FilesAlreadyTitledWithTheirNamesAreSkippedUntouched) {
  const Texts files = BuildLibrary(true);
  ASSERT_EQ(files.size(), 7u);
  std::map<std::string, std::string> before;
  for (const std::string& f : files) before[f] = p_.Dir().ReadFile(f);
  ClickOption(F_Main->RGP_Tag, 1);

  RunOver(files);
  for (const std::string& item : ListItems()) EXPECT_EQ(item.substr(item.size() - 2), "|2") << item;
  for (const std::string& f : files)
    EXPECT_TRUE(p_.Dir().ReadFile(f) == before[f]) << f.substr(P("Library/").size()) << " was written";
}

}  // namespace
