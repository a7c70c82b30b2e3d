// The frame list window's shell and its settings operations.
#include <gtest/gtest.h>

#include <QLabel>

#include "gui_support/program_windows.h"
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
}

}  // namespace
