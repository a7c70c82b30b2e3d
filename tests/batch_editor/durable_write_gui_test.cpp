// What a batch run leaves on disk, and what it costs the disk: the bytes of
// the written files (fixed as hex, the bytes the separate ID3v2 and ID3v1
// writes gave), and the number of syncs per written file and per folder.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "batch_editor/UF_Main.h"
#include "gui_support/mp3_fixtures.h"
#include "gui_support/program_windows.h"
#include "platform/file_io.h"
#include "support/tag_fixtures.h"
#include "widgets/image_list_box.h"
#include "widgets/radio_group.h"
#include "widgets/text_edit.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using platform::FileStep;
using test_support::ClickOption;
using test_support::DropPaths;
using test_support::Frame;
using test_support::FrameV4;
using test_support::Hex;
using test_support::ProgramWindows;
using test_support::Tag;
using test_support::ToHex;
using test_support::TypeInto;
using Texts = std::vector<std::string>;

// Audio bytes that differ at every offset, so a shift shows.
std::string Audio(std::size_t size, unsigned seed) {
  std::string a = Hex("FF FB 90 64");
  for (std::size_t i = 0; a.size() < size; ++i) a += static_cast<char>((i * 31 + seed * 7 + (i >> 5)) & 0xFF);
  return a;
}

class DurableWriteWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    p_.Create();
    p_.ShowAndActivate();
    // Title from the file name, artist and album from the folder, a fixed
    // comment and year, automatic numbering, genre and category kept, every
    // file written.
    ClickOption(F_Main->RGP_Nom_Titre, 1);
    ClickOption(F_Main->RGP_Nom_Artiste, 1);
    ClickOption(F_Main->RGP_Nom_Album, 1);
    ClickOption(F_Main->RGP_Nom_Comment, 1);
    TypeInto(F_Main->EDT_Nom_Comment_Text, "Ripped for the archive");
    ClickOption(F_Main->RGP_Nom_Date, 1);
    TypeInto(F_Main->EDT_Nom_Date, "2009");
    ClickOption(F_Main->RGP_Nom_Track, 1);
    ClickOption(F_Main->RGP_Nom_Genre, 0);
    ClickOption(F_Main->RGP_Nom_Category, 0);
    ClickOption(F_Main->RGP_Tag, 0);
  }

  std::string Make(const std::string& relative, const std::string& bytes) {
    return p_.Dir().WriteFile(relative, bytes);
  }
  void Drop(const Texts& paths) { DropPaths(F_Main->LBX_File->viewport(), paths); }
  void Start() { QTest::mouseClick(F_Main->BTN_Start, Qt::LeftButton); }
  bool AllWritten() const {
    for (int i = 0; i < F_Main->LBX_File->Count(); ++i)
      if (ImageListBox::ItemImage(F_Main->LBX_File->Item(i)) != 1) return false;
    return true;
  }

  ProgramWindows p_;
};

// The expected bytes were taken from the program as it wrote a file in two
// steps (the new ID3v2 tag, then the ID3v1 block over the old one or after
// the audio); writing the file once must not change a byte of them.
TEST_F(DurableWriteWindow, WrittenFilesHoldTheBytesOfTheTwoWriters) {
  // A v2.4 tag in UTF-8 with a private frame and padding, and an ID3v1
  // block whose genre byte (17) must survive.
  const std::string audioA = Audio(300, 1);
  const std::string a =
      Make("Band/Live/01 Intro.mp3",
           Tag(FrameV4("TIT2", "\x03Intr\xC3\xB6\0"s) + FrameV4("TXXX", "\x00key\0value"s) +
                   FrameV4("TPE1", "\x03Someone"s),
               40, 4) +
               audioA + "TAG" + std::string(30, 'o') + std::string(30, 'a') + std::string(30, 'l') + "1987" +
               std::string(28, 'c') + "\0\x05"s + "\x11");
  // A v2.3 tag with a picture and a UTF-16 comment, no ID3v1 block.
  const std::string audioB = Audio(260, 2);
  const std::string b = Make("Band/Live/02 Outro.mp3",
                             Tag(Frame("APIC", "\0image/png\0\x03\0\x89PNG"s) +
                                     Frame("COMM", "\x01" "eng\xFF\xFE\0\0\xFF\xFEh\0i\0"s)) +
                                 audioB);
  Drop({p_.Dir().Path("Band")});
  Start();
  ASSERT_TRUE(AllWritten());

  // The five ID3v1 fields both files share: artist and album "Live", year
  // 2009, the comment, each space-filled.
  const std::string v1Fields = Hex(
      "4C 69 76 65 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20"
      "4C 69 76 65 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20"
      "32 30 30 39"
      "52 69 70 70 65 64 20 66 6F 72 20 74 68 65 20 61 72 63 68 69 76 65 20 20 20 20 20 20 20 20");
  const std::string tagA = Hex(
      "49 44 33 03 00 00 00 00 01 31"
      "54 49 54 32 00 00 00 0A 00 00 00 30 31 20 49 6E 74 72 6F 00"  // TIT2 "01 Intro"
      "54 58 58 58 00 00 00 0A 00 00 00 6B 65 79 00 76 61 6C 75 65"  // TXXX as it was
      "54 50 45 31 00 00 00 06 00 00 00 4C 69 76 65 00"              // TPE1 "Live"
      "54 41 4C 42 00 00 00 06 00 00 00 4C 69 76 65 00"              // TALB "Live"
      "54 59 45 52 00 00 00 06 00 00 00 32 30 30 39 00"              // TYER "2009"
      "43 4F 4D 4D 00 00 00 1C 00 00 00 65 6E 67 00 52 69 70 70 65 64 20 66 6F 72 20 74 68 65 20 61 72 63 68 69 "
      "76 65 00"                                                     // COMM
      "54 52 43 4B 00 00 00 03 00 00 00 31 00"                       // TRCK "1"
      "54 43 4F 4E 00 00 00 02 00 00 00 00"                          // TCON ""
      "54 49 54 31 00 00 00 02 00 00 00 00"                          // TIT1 ""
      "54 4F 57 4E 00 00 00 04 00 00 00 5A 51 00");                  // TOWN "ZQ"
  // The old block rebuilt over itself: its genre byte 11 stays.
  const std::string v1A =
      Hex("54 41 47 30 31 20 49 6E 74 72 6F 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20") +
      v1Fields + Hex("11");
  EXPECT_EQ(ToHex(p_.Dir().ReadFile(a)), ToHex(tagA + audioA + v1A));

  const std::string tagB = Hex(
      "49 44 33 03 00 00 00 00 01 38"
      "41 50 49 43 00 00 00 11 00 00 00 69 6D 61 67 65 2F 70 6E 67 00 03 00 89 50 4E 47"  // APIC as it was
      "43 4F 4D 4D 00 00 00 1C 00 00 00 65 6E 67 00 52 69 70 70 65 64 20 66 6F 72 20 74 68 65 20 61 72 63 68 69 "
      "76 65 00"                                                     // COMM in its place
      "54 50 45 31 00 00 00 06 00 00 00 4C 69 76 65 00"              // TPE1 "Live"
      "54 41 4C 42 00 00 00 06 00 00 00 4C 69 76 65 00"              // TALB "Live"
      "54 49 54 32 00 00 00 0A 00 00 00 30 32 20 4F 75 74 72 6F 00"  // TIT2 "02 Outro"
      "54 59 45 52 00 00 00 06 00 00 00 32 30 30 39 00"              // TYER "2009"
      "54 52 43 4B 00 00 00 03 00 00 00 32 00"                       // TRCK "2"
      "54 43 4F 4E 00 00 00 02 00 00 00 00"                          // TCON ""
      "54 49 54 31 00 00 00 02 00 00 00 00"                          // TIT1 ""
      "54 4F 57 4E 00 00 00 04 00 00 00 5A 51 00");                  // TOWN "ZQ"
  // A new block after the audio, genre FF (none).
  const std::string v1B =
      Hex("54 41 47 30 32 20 4F 75 74 72 6F 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20 20") +
      v1Fields + Hex("FF");
  EXPECT_EQ(ToHex(p_.Dir().ReadFile(b)), ToHex(tagB + audioB + v1B));
}

// Counts syncs through the file layer's hook: one per written file, one per
// folder, however the run ends; beside them the undo journal in the data
// folder, at most one sync per written file plus one when the run ends, and
// one sync of the data folder when a run's journal replaces the last one. A
// figure that creeps up fails here.
TEST_F(DurableWriteWindow, OneSyncPerWrittenFileAndOnePerFolder) {
  // Two folders; the second's files are dropped on either side of the
  // first's, so its last file comes last in the list.
  const std::string x1 = Make("X/1.mp3", Audio(400, 3));
  const std::string x2 = Make("X/2.mp3", Audio(400, 4) + test_support::V1Block('o', 2));
  const std::string y1 = Make("Y/1.mp3", Audio(400, 5));
  const std::string y2 = Make("Y/2.mp3", Audio(400, 6));
  const std::string x3 = Make("X/3.mp3", Audio(400, 7));
  Drop({x1, y1, x2, y2, x3});

  test_support::ScriptedFaults faults;
  Start();
  ASSERT_TRUE(AllWritten());
  const std::string data = p_.DataFolder();
  auto inData = [&data](const std::string& path) { return path.rfind(data, 0) == 0; };
  std::vector<std::string> folderSyncs;
  int fileSyncs = 0, journalSyncs = 0, dataFolderSyncs = 0;
  bool folderSyncedBeforeItsLastFile = false;
  for (const auto& seen : faults.seen()) {
    const bool journal = seen.path.find("undo.journal") != std::string::npos;
    if (seen.step == FileStep::Sync) ++(journal ? journalSyncs : fileSyncs);
    if (seen.step == FileStep::SyncFolder) {
      if (inData(seen.path)) ++dataFolderSyncs;
      else folderSyncs.push_back(seen.path);
    }
    // X is synced once its last file (3.mp3) is in place, not before.
    if (seen.step == FileStep::Rename && seen.path == x3)
      folderSyncedBeforeItsLastFile = std::count(folderSyncs.begin(), folderSyncs.end(), p_.Dir().Path("X/")) > 0;
  }
  EXPECT_EQ(fileSyncs, 5);
  EXPECT_LE(journalSyncs, 5 + 1);
  EXPECT_LE(dataFolderSyncs, 1);
  EXPECT_FALSE(folderSyncedBeforeItsLastFile);
  EXPECT_EQ(folderSyncs, (Texts{p_.Dir().Path("Y/"), p_.Dir().Path("X/")}));

  // A stop after the first file: its folder is synced all the same.
  std::vector<std::string> stoppedFolderSyncs;
  {
    test_support::ScriptedFaults again;
    QTimer::singleShot(0, F_Main, [] { F_Main->BTN_StopClick(F_Main); });
    Start();
    for (const auto& seen : again.seen())
      if (seen.step == FileStep::SyncFolder && !inData(seen.path)) stoppedFolderSyncs.push_back(seen.path);
  }
  EXPECT_EQ(ImageListBox::ItemImage(F_Main->LBX_File->Item(0)), 1);
  EXPECT_EQ(ImageListBox::ItemImage(F_Main->LBX_File->Item(1)), 0);
  EXPECT_EQ(stoppedFolderSyncs, (Texts{p_.Dir().Path("X/")}));
}

}  // namespace
