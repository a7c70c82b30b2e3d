// The frame list window's shell and its settings operations.
#include <gtest/gtest.h>

#include <QLabel>
#include <string>

#include "gui_support/program_windows.h"
#include "support/tag_fixtures.h"
#include "tag_engine/UF_Util_MP3.h"
#include "widgets/panel.h"
#include "widgets/string_grid.h"

namespace {

TEST(FrameListWindow, IsCreatedHiddenWithItsLayout) {
  test_support::ProgramWindows p;
  p.Create();
  TF_Util_MP3& w = *F_Util_MP3;
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.windowTitle(), "F_Util_MP3");
  EXPECT_EQ(w.size(), QSize(646, 281));
  EXPECT_EQ(w.pos(), QPoint(0, 0));
  EXPECT_EQ(w.Panel1->geometry(), QRect(0, 0, 646, 41));
  EXPECT_EQ(w.LBL_Nb_Frame->pos(), QPoint(16, 8));
  EXPECT_EQ(w.LBL_Octets_Frame->pos(), QPoint(16, 22));
  EXPECT_EQ(w.LBL_Nb_Frame->text(), "LBL_Nb_Frame");
  EXPECT_EQ(w.LBL_Octets_Frame->text(), "LBL_Octets_Frame");
  EXPECT_EQ(w.STG_Frame->geometry(), QRect(0, 41, 646, 240));
  EXPECT_EQ(w.STG_Frame->ColCount(), 4);
  EXPECT_EQ(w.STG_Frame->RowCount(), 2);
  EXPECT_EQ(w.STG_Frame->FixedRows(), 1);
  const int widths[] = {64, 76, 68, 589};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(w.STG_Frame->columnWidth(c), widths[c]);
  EXPECT_EQ(w.STG_Frame->rowHeight(0), 22);
  EXPECT_EQ(w.DataFolder, F_Main->DataFolder);
}

TEST(FrameListWindow, SettingsOperationsWorkOnTheGivenFile) {
  test_support::ProgramWindows p;
  p.Create();
  const std::string file = p.Dir().Path("settings.ini");
  EXPECT_EQ(F_Util_MP3->ReadSettingInteger(file, "integer", "RGP_Tag", 1), 1);
  EXPECT_EQ(F_Util_MP3->ReadSettingText(file, "string", "EDT_Nom_Date", "2009"), "2009");
  F_Util_MP3->WriteSettingInteger(file, "integer", "RGP_Tag", -1);
  F_Util_MP3->WriteSettingText(file, "string", "EDT_Nom_Date", "0x10");
  EXPECT_EQ(F_Util_MP3->ReadSettingInteger(file, "integer", "rgp_tag", 1), -1);
  EXPECT_EQ(F_Util_MP3->ReadSettingInteger(file, "string", "EDT_Nom_Date", 0), 16);
  EXPECT_EQ(p.Dir().ReadFile(file), "[integer]\nRGP_Tag=-1\n[string]\nEDT_Nom_Date=0x10\n");
  // Text is UTF-8 and an earlier Latin-1 value is converted; a path is not.
  F_Util_MP3->WriteSettingText(file, "string", "EDT_Nom_Titre_Text", "Caf\xE9");
  EXPECT_EQ(F_Util_MP3->ReadSettingText(file, "string", "EDT_Nom_Titre_Text", ""), "Caf\xC3\xA9");
  EXPECT_EQ(F_Util_MP3->ReadSettingPath(file, "string", "EDT_Nom_Titre_Text", ""), "Caf\xE9");
}


using namespace std::string_literals;
using test_support::Frame;
using test_support::Tag;

// The texts of the grid's rows below the header, column by column.
std::vector<std::vector<std::string>> Rows(const StringGrid& grid) {
  std::vector<std::vector<std::string>> rows;
  for (int r = 1; r < grid.RowCount(); ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < grid.ColCount(); ++c) row.push_back(grid.Cell(c, r));
    rows.push_back(row);
  }
  return rows;
}

TEST(FrameListWindow, ReadTagRefreshesTheGridAndTheLabels) {
  test_support::ProgramWindows p;
  p.Create();
  TF_Util_MP3& w = *F_Util_MP3;
  std::string ten;
  for (int i = 0; i < 10; ++i) ten += Frame("TXXX", "\0n" + std::to_string(i));
  const std::string big = p.Dir().WriteFile("ten.mp3", Tag(ten) + "audio");
  w.ReadTag(big);
  ASSERT_EQ(w.STG_Frame->RowCount(), 12);
  EXPECT_EQ(w.LBL_Nb_Frame->text(), "10 frames");

  const std::string picture(1234, 'p');
  const std::string three = Frame("TIT2", "\0Caf\xE9\0"s, 0x00, 0x40) + Frame("APIC", picture, 0x80, 0x00) +
                            Frame("TPE1", "\0Who\0"s);
  const std::string path = p.Dir().WriteFile("three.mp3", Tag(three, 7) + "audio");
  w.ReadTag(path);
  using Row = std::vector<std::string>;
  EXPECT_EQ(Rows(*w.STG_Frame), (std::vector<Row>{
                                    {"TIT2", "6", "\x00\x40"s, "\0Caf\xE9\0"s},
                                    {"APIC", "1234", "\x80\x00"s, picture},
                                    {"TPE1", "5", "\0\0"s, "\0Who\0"s},
                                    {"", "", "", ""},
                                }));
  EXPECT_EQ(w.LBL_Nb_Frame->text(), "3 frames");
  EXPECT_EQ(w.LBL_Octets_Frame->text(), QString::number(three.size() + 7) + " octets frames");
  for (int c = 0; c < 4; ++c) EXPECT_EQ(w.STG_Frame->Cell(c, 0), "");  // the header row stays empty

  // Rows that come back when the grid grows again hold nothing of before.
  w.STG_Frame->SetRowCount(12);
  for (int r = 5; r < 12; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(w.STG_Frame->Cell(c, r), "") << r << "," << c;

  const std::string plain = p.Dir().WriteFile("plain.mp3", "no tag here");
  w.ReadTag(plain);
  EXPECT_EQ(w.STG_Frame->RowCount(), 2);
  EXPECT_EQ(Rows(*w.STG_Frame), (std::vector<Row>{{"", "", "", ""}}));
  EXPECT_EQ(w.LBL_Nb_Frame->text(), "0 frames");
  EXPECT_EQ(w.LBL_Octets_Frame->text(), "0 octets frames");
}

// The content cells keep the frame's bytes; they are drawn as text in
// whichever encoding the frame uses, and any bytes at all draw without a
// crash, every control byte visible.
TEST(FrameListWindow, ContentIsDrawnAsTextWhateverTheEncoding) {
  test_support::ProgramWindows p;
  p.Create();
  TF_Util_MP3& w = *F_Util_MP3;
  std::string many_bytes;
  for (int b = 0x02; b < 0xFE; ++b) many_bytes += static_cast<char>(b);
  const std::string frames =
      Frame("TIT2", "\0Caf\xE9\0"s) + Frame("TPE1", "\x03\xD0\x9C\xD1\x83\xE6\x97\xA5\0"s) +
      Frame("TALB", "\x02\x04\x1C\x04\x43\0\0"s) + Frame("PRIV", many_bytes + many_bytes);
  w.ReadTag(p.Dir().WriteFile("enc.mp3", Tag(frames) + "audio"));
  ASSERT_EQ(w.STG_Frame->RowCount(), 6);
  const auto drawn = [&w](int row) {
    return w.STG_Frame->model()->data(w.STG_Frame->model()->index(row, 3)).toString();
  };
  EXPECT_EQ(drawn(1), QString::fromUtf16(u"\u2400Caf\u00E9\u2400"));
  EXPECT_EQ(drawn(2), QString::fromUtf16(u"\u2403\u041C\u0443\u65E5\u2400"));
  EXPECT_EQ(drawn(3), QString::fromUtf16(u"\u2402\u2404\u241C\u2404C\u2400\u2400"));
  EXPECT_EQ(w.STG_Frame->Cell(3, 4), many_bytes + many_bytes);
  const QString all = drawn(4);
  EXPECT_EQ(all.back(), QChar(0x2026));  // 504 bytes, 256 of them drawn
  for (const QChar ch : all) EXPECT_TRUE(ch == QChar('\n') || ch.unicode() >= 0x20) << static_cast<int>(ch.unicode());
}

TEST(FrameListWindow, DamagedTagLeavesTheLastRefresh) {
  test_support::ProgramWindows p;
  p.Create();
  TF_Util_MP3& w = *F_Util_MP3;
  w.ReadTag(p.Dir().WriteFile("good.mp3", Tag(Frame("TIT2", "\0ok\0"s)) + "audio"));
  // A frame that claims more bytes than the file holds ends the read.
  w.ReadTag(p.Dir().WriteFile("bad.mp3", Tag(Frame("TPE1", "\0x\0"s)).substr(0, 14) + test_support::Hex("00 FF FF FF 00 00")));
  EXPECT_EQ(w.STG_Frame->Cell(0, 1), "TIT2");
  EXPECT_EQ(w.LBL_Nb_Frame->text(), "1 frames");
}

}  // namespace
