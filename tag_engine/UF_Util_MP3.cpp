#include "tag_engine/UF_Util_MP3.h"

#include <QLabel>

#include "batch_editor/UF_Main.h"
#include "tag_engine/settings_ops.h"
#include "tag_engine/tag_tables.h"
#include "widgets/panel.h"
#include "widgets/string_grid.h"
#include "widgets/text.h"

TF_Util_MP3* F_Util_MP3 = nullptr;

namespace {
constexpr int kColumnWidths[] = {64, 76, 68, 589};
constexpr int kLabelLeft = 16;
constexpr int kNbFrameTop = 8;
constexpr int kOctetsFrameTop = 22;
constexpr int kInitialRows = 2;
constexpr int kIdColumn = 0;
constexpr int kSizeColumn = 1;
constexpr int kFlagsColumn = 2;
constexpr int kContentColumn = 3;
}  // namespace

TF_Util_MP3::TF_Util_MP3(QWidget* parent)
    : QDialog(parent),
      Panel1(new Panel(this)),
      LBL_Nb_Frame(new QLabel("LBL_Nb_Frame", Panel1)),
      LBL_Octets_Frame(new QLabel("LBL_Octets_Frame", Panel1)),
      STG_Frame(new StringGrid(this)) {
  setWindowTitle("F_Util_MP3");
  setFont(WindowFont());
  // The face colour of buttons as background.
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  Panel1->SetColor(pal.color(QPalette::Button));
  Panel1->SetFrame(Panel::Frame::LoweredBevel, pal.color(QPalette::Mid));
  LBL_Nb_Frame->move(kLabelLeft, kNbFrameTop);
  LBL_Nb_Frame->adjustSize();
  LBL_Octets_Frame->move(kLabelLeft, kOctetsFrameTop);
  LBL_Octets_Frame->adjustSize();

  STG_Frame->SetColCount(static_cast<int>(std::size(kColumnWidths)));
  STG_Frame->SetRowCount(kInitialRows);
  STG_Frame->SetFixedRows(1);
  for (int c = 0; c < STG_Frame->ColCount(); ++c) STG_Frame->SetColWidth(c, kColumnWidths[c]);
  STG_Frame->SetRowHeight(0, kHeaderRowHeight);

  resize(kClientWidth, kClientHeight);
  move(0, 0);
  // A hidden window gets no resize event yet.
  ArrangeControls();
  if (F_Main) DataFolder = F_Main->DataFolder;
}

TF_Util_MP3::~TF_Util_MP3() = default;

void TF_Util_MP3::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  ArrangeControls();
}

void TF_Util_MP3::ArrangeControls() {
  // The panel docks along the top; the grid fills the rest.
  Panel1->setGeometry(0, 0, width(), kPanelHeight);
  STG_Frame->setGeometry(0, kPanelHeight, width(), height() - kPanelHeight);
}

std::string TF_Util_MP3::ReadSettingText(const std::string& FileName, const std::string& Section,
                                         const std::string& Key, const std::string& Default) {
  return ::ReadSettingText(FileName, Section, Key, Default);
}

std::string TF_Util_MP3::ReadSettingPath(const std::string& FileName, const std::string& Section,
                                         const std::string& Key, const std::string& Default) {
  return ::ReadSettingPath(FileName, Section, Key, Default);
}

std::int32_t TF_Util_MP3::ReadSettingInteger(const std::string& FileName, const std::string& Section,
                                             const std::string& Key, std::int32_t Default) {
  return ::ReadSettingInteger(FileName, Section, Key, Default);
}

void TF_Util_MP3::WriteSettingText(const std::string& FileName, const std::string& Section,
                                   const std::string& Key, const std::string& Value) {
  ::WriteSettingText(FileName, Section, Key, Value);
}

void TF_Util_MP3::WriteSettingInteger(const std::string& FileName, const std::string& Section,
                                      const std::string& Key, std::int32_t Value) {
  ::WriteSettingInteger(FileName, Section, Key, Value);
}

void TF_Util_MP3::RefreshFrameList(const std::vector<T_Frame_Mp3>& frames, std::int32_t tagSize) {
  // Cleared before the count changes, so that rows which come back later
  // are empty.
  for (int row = STG_Frame->FixedRows(); row < STG_Frame->RowCount(); ++row)
    for (int col = 0; col < STG_Frame->ColCount(); ++col) STG_Frame->SetCell(col, row, std::string());
  STG_Frame->SetRowCount(kInitialRows);
  // One row per frame and the empty row below them, grown in one step.
  STG_Frame->SetRowCount(kInitialRows + static_cast<int>(frames.size()));
  int row = STG_Frame->FixedRows();
  for (const T_Frame_Mp3& frame : frames) {
    const std::uint32_t size = (std::uint32_t{frame.FrameSize[0]} << 24) | (std::uint32_t{frame.FrameSize[1]} << 16) |
                               (std::uint32_t{frame.FrameSize[2]} << 8) | std::uint32_t{frame.FrameSize[3]};
    STG_Frame->SetCell(kIdColumn, row, frame.FrameId);
    STG_Frame->SetCell(kSizeColumn, row, FormatDecimal(0, 0, static_cast<double>(size)));
    STG_Frame->SetCell(kFlagsColumn, row,
                       std::string{static_cast<char>(frame.FrameFlags[0]), static_cast<char>(frame.FrameFlags[1])});
    STG_Frame->SetCell(kContentColumn, row, frame.FrameContent);
    ++row;
  }
  LBL_Nb_Frame->setText(widgets::FromText(FormatInteger(static_cast<std::int32_t>(frames.size()), 0) + " frames"));
  LBL_Nb_Frame->adjustSize();
  LBL_Octets_Frame->setText(widgets::FromText(FormatInteger(tagSize, 0) + " octets frames"));
  LBL_Octets_Frame->adjustSize();
}
