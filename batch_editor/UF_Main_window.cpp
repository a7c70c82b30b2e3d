// Layout of the main window, start-up, the settings file and the window
// placement.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

#include "batch_editor/UF_Main.h"
#include "batch_editor/settings_table.h"
#include "platform/folders.h"
#include "tag_engine/UF_Util_MP3.h"
#include "widgets/browse_edit.h"
#include "widgets/choice_list.h"
#include "widgets/image_list_box.h"
#include "widgets/link_label.h"
#include "widgets/panel.h"
#include "widgets/progress_bar.h"
#include "widgets/radio_group.h"
#include "widgets/status_bar.h"
#include "widgets/text.h"
#include "widgets/text_edit.h"

TF_Main* F_Main = nullptr;

namespace {

const char* const kDataFolderName = "_data_Quillon";
const char* const kSettingsFileName = "datas.ini";
const char* const kPlacementFileName = "datas.ini";
const char* const kPlacementSection = "F_Main";
// Under the user's configuration folder: where the placement goes when the
// program's own folder cannot be written (an installed program).
const char* const kConfigFolderName = "Quillon";
const char* const kVersionText = "Quillon V" QUILLON_VERSION;
const char* const kInitials = "QD";
const char* const kDownloadUrl = "https://quillon.invalid/download";
const char* const kSiteUrl = "https://quillon.invalid";
const char* const kSiteCaption = "www.quillon.invalid";
const char* const kDropHint = "Drag and drop MP3 files or folder contains MP3 from explorer to the file list ...";

const QColor kSteelBlue(0, 128, 192);
const QColor kListBorderFace(232, 232, 234);
const QColor kSilver(192, 192, 192);
constexpr int kGradientSteps = 100;

const std::vector<std::string> kGenreNames = {
    "A capella", "Acid", "Acid Jazz", "Acid Punk", "Acoustic", "Alternative", "AlternRock", "Ambient",
    "Avantgarde", "Ballad", "Bass", "Bebob", "Big Band", "Bluegrass", "Blues", "Booty Bass", "Cabaret",
    "Celtic", "Chamber Music", "Chanson", "Chorus", "Christian Rap", "Classic Rock", "Classical", "Club",
    "Comedy", "Country", "Cult", "Dance", "Dance Hall", "Darkwave", "Death Metal", "Disco", "Dream",
    "Drum Solo", "Duet", "Easy Listening", "Electronic", "Ethnic", "Eurodance", "Euro-House", "Euro-Techno",
    "Fast Fusion", "Folk", "Folklore", "Folk-Rock", "Freestyle", "Funk", "Fusion", "Game", "Gangsta",
    "Gospel", "Gothic", "Gothic Rock", "Grunge", "Hard Rock", "Hip-Hop", "House", "Humour", "Industrial",
    "Instrumental", "Instrumental Pop", "Instrumental Rock", "Jazz", "Jazz+Funk", "Jungle", "Latin", "Lo-Fi",
    "Meditative", "Metal", "Musical", "National Folk", "Native American", "New Age", "New Wave", "Noise",
    "Oldies", "Opera", "Other", "Polka", "Pop", "Pop/Funk", "Pop-Folk", "Porn Groove", "Power Ballad",
    "Pranks", "Primus", "Progressive Rock", "Psychadelic", "Psychedelic Rock", "Punk", "Punk Rock", "R&B",
    "Rap", "Rave", "Reggae", "Retro", "Revival", "Rhythmic Soul", "Rock", "Rock & Roll", "Samba", "Satire",
    "Showtunes", "Ska", "Slow Jam", "Slow Rock", "Sonata", "Soul", "Sound Clip", "Soundtrack",
    "Southern Rock", "Space", "Speech", "Swing", "Symphonic Rock", "Symphony", "Tango", "Techno",
    "Techno-Industrial", "Top 40", "Trailer", "Trance", "Tribal", "Trip-Hop", "Vocal"};

const std::vector<std::string> kCategoryNames = {
    "All", "Announcer stack", "Beds", "Commercials", "Contents", "Daily play lists", "Emergency broadcast",
    "Fillers", "Intros", "Jingles", "Liners", "Logos", "Magic Call", "Music", "Network Delay", "News",
    "Promos", "Public service announcements", "Segues", "Shows", "Sound bits", "Sound effects", "Sports",
    "Spots", "Stagers", "Station ID", "Sweeps", "Temporary", "Test tones"};

// Tahoma is narrower than DejaVu Sans: the condensed face, where installed,
// keeps the captions inside the places the layout gives them.
QFont BaseFont() {
  QFont f("DejaVu Sans", 8);
  f.setStretch(QFont::SemiCondensed);
  return f;
}

}  // namespace

QFont WindowFont() { return BaseFont(); }

namespace {

QFont Bold(QFont f) {
  f.setBold(true);
  return f;
}

QLabel* MakeLabel(QWidget* parent, const char* text, int left, int top, bool bold = false) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  if (bold) label->setFont(Bold(label->font()));
  label->move(left, top);
  label->adjustSize();
  return label;
}

RadioGroup* MakeRadioGroup(QWidget* parent, const char* caption, const std::vector<std::string>& items,
                           QRect geometry) {
  auto* group = new RadioGroup(parent);
  group->setGeometry(geometry);
  group->SetCaption(caption);
  group->SetItems(items);
  return group;
}

TextEdit* MakeEdit(QWidget* parent, QRect geometry) {
  auto* edit = new TextEdit(parent);
  edit->setGeometry(geometry);
  edit->SetText(std::string(ContactText));
  return edit;
}

ChoiceList* MakeList(QWidget* parent, const std::vector<std::string>& items, QRect geometry) {
  auto* list = new ChoiceList(parent);
  list->setGeometry(geometry);
  list->SetItems(items);
  return list;
}

QPushButton* MakePictureButton(QWidget* parent, const char* caption, const QPixmap& picture, QRect geometry) {
  auto* button = new QPushButton(QIcon(picture), QString::fromUtf8(caption), parent);
  button->setIconSize(picture.size());
  button->setFocusPolicy(Qt::NoFocus);
  button->setGeometry(geometry);
  return button;
}

// The tag panels' labels: one per field, at the same places in both panels.
constexpr int kTagLabelTops[] = {24, 44, 64, 83, 102, 122, 140, 159};
const char* const kTagLabelCaptions[] = {"Title :", "Artist : ", "Album : ", "Comment : ",
                                         "Date : ",  "Track : ",  "Genre :", "Category :"};
constexpr int kTagLabelLeft = 6;

Panel* MakeTagPanel(QWidget* parent, QRect geometry, const char* title, TitleBar*& titleBar,
                    QLabel* (&labels)[8]) {
  auto* panel = new Panel(parent);
  panel->setGeometry(geometry);
  panel->SetGradient(Panel::Gradient::Vertical, Qt::white, kSilver, kGradientSteps);
  panel->SetFrame(Panel::Frame::LoweredBevel, kSteelBlue);
  panel->setFont(QFont("Arial", 8));
  titleBar = new TitleBar(panel);
  titleBar->setGeometry(1, 1, geometry.width() - 2, 17);
  titleBar->SetCaption(title);
  for (int i = 0; i < 8; ++i) {
    labels[i] = new QLabel(QString::fromUtf8(kTagLabelCaptions[i]), panel);
    labels[i]->setGeometry(kTagLabelLeft, kTagLabelTops[i], geometry.width() - 2 * kTagLabelLeft,
                           QFontMetrics(labels[i]->font()).height());
  }
  return panel;
}

}  // namespace

MainWindowServices MainWindowServices::Defaults() {
  MainWindowServices s;
  s.pickFolder = nullptr;  // the browse edit's own folder dialog
  s.showMessage = [](const QString& text) {
    QMessageBox::warning(QApplication::activeWindow(), QApplication::applicationDisplayName(), text);
  };
  s.confirm = [](const QString& text) {
    return QMessageBox::question(QApplication::activeWindow(), QApplication::applicationDisplayName(), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
  };
  s.openUrl = [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); };
  s.placementFile = platform::WindowPlacementFile(platform::ExecutableFolder(), kConfigFolderName, kPlacementFileName);
  return s;
}

TF_Main::TF_Main(MainWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      services_(std::move(services)) {
  BuildLayout();
  ConnectHandlers();
  FormCreate(this);
}

TF_Main::~TF_Main() {
  qApp->removeEventFilter(this);
  if (F_Main == this) F_Main = nullptr;
}

void TF_Main::BuildLayout() {
  setWindowTitle("Quillon");
  setWindowIcon(pictures::ProgramIcon());
  setFont(WindowFont());
  setFixedSize(kClientWidth, kClientHeight);
  const QFont bold = Bold(font());

  PNL_Global = new Panel(this);
  PNL_Global->setGeometry(0, 0, kClientWidth, kClientHeight);
  PNL_Global->SetGradient(Panel::Gradient::Diagonal, QColor(128, 128, 128), Qt::white, kGradientSteps);
  QWidget* g = PNL_Global;

  PNL_Folder = new Panel(g);
  PNL_Folder->setGeometry(6, 8, 281, 28);
  PNL_Folder->SetColor(palette().color(QPalette::Window));
  PNL_Folder->SetFrame(Panel::Frame::LoweredBevel, kSteelBlue);
  LBL_Folder = MakeLabel(PNL_Folder, "Folder :", 4, 7, true);
  DED_Folder = new BrowseEdit(PNL_Folder);
  DED_Folder->setGeometry(53, 4, 224, 21);
  if (services_.pickFolder) DED_Folder->SetPicker(services_.pickFolder);

  LBL_Nb_File = MakeLabel(g, "Number of files :", 8, 52, true);
  PNL_Nb_File = new Panel(g);
  PNL_Nb_File->setGeometry(103, 50, 76, 17);
  PNL_Nb_File->SetGradient(Panel::Gradient::Vertical, Qt::white, QColor(128, 128, 128), kGradientSteps);
  PNL_Nb_File->SetFrame(Panel::Frame::LoweredBevel, kSteelBlue);
  PNL_Nb_File->setFont(bold);
  PNL_Nb_File->SetCaption("0");
  BTN_Clear_Liste = MakePictureButton(g, "clear list", pictures::WasteBin(), QRect(189, 42, 98, 32));

  IML_1 = pictures::StateFaces();
  LBX_File = new ImageListBox(g);
  LBX_File->setGeometry(7, 81, 280, 306);
  LBX_File->SetImages(IML_1);

  PNL_Liste = new Panel(g);
  PNL_Liste->setGeometry(7, 81, 280, 306);
  PNL_Liste->SetColor(kListBorderFace);
  PNL_Liste->SetFrame(Panel::Frame::Line, kSteelBlue);
  IMG_Liste = new QLabel(PNL_Liste);
  IMG_Liste->setGeometry(52, 114, 172, 107);
  IMG_Liste->setPixmap(pictures::DropHint());
  IMG_Liste->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  LBL_Info_DDP = new QLabel(QString::fromUtf8(kDropHint), PNL_Liste);
  LBL_Info_DDP->setGeometry(67, 46, 126, 62);
  LBL_Info_DDP->setFont(bold);
  LBL_Info_DDP->setWordWrap(true);
  LBL_Info_DDP->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  PNL_Liste->raise();

  RGP_Nom_Titre = MakeRadioGroup(g, "Title", {"no change", "file name", "custom text ..."}, {293, 3, 228, 81});
  EDT_Nom_Titre_Text = MakeEdit(g, {399, 58, 114, 21});
  RGP_Nom_Artiste =
      MakeRadioGroup(g, "Artist", {"no change", "folder name", "custom text ..."}, {293, 90, 228, 81});
  EDT_Nom_Artist_Text = MakeEdit(g, {400, 145, 113, 21});
  RGP_Nom_Album = MakeRadioGroup(g, "Album", {"no change", "folder name", "custom text ..."}, {293, 177, 228, 81});
  EDT_Nom_Album_Text = MakeEdit(g, {399, 232, 114, 21});
  RGP_Nom_Comment = MakeRadioGroup(g, "Comment", {"no change", "custom text ..."}, {293, 264, 228, 59});
  EDT_Nom_Comment_Text = MakeEdit(g, {400, 297, 113, 21});
  RGP_Nom_Date = MakeRadioGroup(g, "Date", {"no change", "custom date ..."}, {293, 329, 228, 59});
  EDT_Nom_Date = new IntegerEdit(g);
  EDT_Nom_Date->setGeometry(400, 363, 49, 21);
  EDT_Nom_Date->SetText("0");
  RGP_Nom_Track = MakeRadioGroup(g, "Track", {"no change", "automatic numbering"}, {527, 3, 228, 59});
  RGP_Nom_Genre =
      MakeRadioGroup(g, "Genre", {"no change", "custom text ...", "from a list ..."}, {527, 68, 228, 81});
  EDT_Nom_Genre_Text = MakeEdit(g, {634, 101, 113, 21});
  CBX_Nom_Genre_List = MakeList(g, kGenreNames, {634, 125, 113, 21});
  RGP_Nom_Category =
      MakeRadioGroup(g, "Category", {"no change", "custom text ...", "from a list ..."}, {527, 155, 228, 81});
  EDT_Nom_Category_Text = MakeEdit(g, {634, 187, 113, 21});
  CBX_Nom_Category_List = MakeList(g, kCategoryNames, {634, 212, 113, 21});
  RGP_Tag = MakeRadioGroup(g, "Tag", {"Force new tag on all MP3 files", "Skip MP3 files already tagged"},
                           {527, 242, 228, 59});

  BTN_Start = MakePictureButton(g, "start", pictures::Tick(), QRect(563, 308, 77, 39));
  BTN_Stop = MakePictureButton(g, "stop", pictures::Cross(), QRect(646, 308, 77, 39));
  BTN_Stop->setEnabled(false);
  BTN_Detail_Frame = new QToolButton(g);
  BTN_Detail_Frame->setGeometry(737, 308, 23, 22);
  BTN_Detail_Frame->setFocusPolicy(Qt::NoFocus);
  BTN_Detail_Frame->hide();

  LBL_Liens_Web = new LinkLabel("Get the latest version here ...", kDownloadUrl, g);
  // Sized to their text: the fallback fonts run wider than the layout's.
  LBL_Liens_Web->move(585, 353);
  LBL_Liens_Web->adjustSize();
  LBL_Site_Zq = new LinkLabel(kSiteCaption, kSiteUrl, g);
  LBL_Site_Zq->move(594, 374);
  LBL_Site_Zq->adjustSize();
  if (services_.openUrl) {
    LBL_Liens_Web->SetOpener(services_.openUrl);
    LBL_Site_Zq->SetOpener(services_.openUrl);
  }

  QLabel* before[8];
  QLabel* after[8];
  PNL_Before = MakeTagPanel(g, {8, 395, 371, 180}, "Actual tags ...", PNL_Titre_Before, before);
  PNL_After = MakeTagPanel(g, {385, 395, 371, 180}, "New tags ...", PNL_Titre_After, after);
  LBL_Titre = before[0], LBL_Artist = before[1], LBL_Album = before[2], LBL_Comment = before[3];
  LBL_Date = before[4], LBL_Track = before[5], LBL_Genre = before[6], LBL_Category = before[7];
  LBL_Titre_New = after[0], LBL_Artist_New = after[1], LBL_Album_New = after[2], LBL_Comment_New = after[3];
  LBL_Date_New = after[4], LBL_Track_New = after[5], LBL_Genre_New = after[6], LBL_Category_New = after[7];

  PNL_Process = new Panel(g);
  PNL_Process->setGeometry(0, 582, kClientWidth, 17);
  PNL_Process->SetColor(Qt::black);
  PNL_Process->SetCaptionColor(Qt::white);
  PNL_Process->setFont(bold);
  PNL_Process->SetCaption("processing 0/0");
  PGB_Progression = new PercentProgressBar(g);
  PGB_Progression->setGeometry(0, 599, kClientWidth, 17);
  PGB_Progression->SetPosition(0);
  STB_Main = new StatusPanelBar(g);
  STB_Main->setGeometry(0, 616, kClientWidth, 19);
  STB_Main->SetText(widgets::FromText(ContactText) + " | " + kVersionText + " | " + kInitials);

  ACT_Undo = new QAction(QString::fromLatin1("Undo the last run"), this);
  ACT_Undo->setShortcut(QKeySequence::Undo);
  ACT_Undo->setShortcutContext(Qt::WindowShortcut);
  ACT_Undo->setEnabled(false);
  addAction(ACT_Undo);
  for (QWidget* list : {static_cast<QWidget*>(LBX_File), static_cast<QWidget*>(PNL_Liste)}) {
    list->addAction(ACT_Undo);
    list->setContextMenuPolicy(Qt::ActionsContextMenu);
  }
}

void TF_Main::ConnectHandlers() {
  for (RadioGroup* group : {RGP_Nom_Titre, RGP_Nom_Artiste, RGP_Nom_Album, RGP_Nom_Comment, RGP_Nom_Date,
                            RGP_Nom_Track, RGP_Nom_Genre, RGP_Nom_Category, RGP_Tag}) {
    QObject::connect(group, &RadioGroup::changed, this,
                     [this, group](int index) { RGP_Nom_TitreChange(group, index); });
  }
  for (TextEdit* edit : {EDT_Nom_Titre_Text, EDT_Nom_Artist_Text, EDT_Nom_Album_Text, EDT_Nom_Comment_Text,
                         EDT_Nom_Genre_Text, EDT_Nom_Category_Text}) {
    QObject::connect(edit, &TextEdit::textChanged, this, [this, edit] { EDT_Nom_Titre_TextChange(edit); });
  }
  for (ChoiceList* list : {CBX_Nom_Genre_List, CBX_Nom_Category_List}) {
    QObject::connect(list, &ChoiceList::changed, this, [this, list] { EDT_Nom_Titre_TextChange(list); });
  }
  QObject::connect(LBX_File, &ImageListBox::itemClicked, this, [this] { LBX_FileClick(LBX_File); });
  QObject::connect(DED_Folder, &BrowseEdit::browsed, this, [this] { DED_FolderBrowse(DED_Folder); });
  QObject::connect(BTN_Clear_Liste, &QPushButton::clicked, this, [this] { BTN_Clear_ListeClick(BTN_Clear_Liste); });
  QObject::connect(BTN_Start, &QPushButton::clicked, this, [this] { BTN_StartClick(BTN_Start); });
  QObject::connect(BTN_Stop, &QPushButton::clicked, this, [this] { BTN_StopClick(BTN_Stop); });
  QObject::connect(ACT_Undo, &QAction::triggered, this, [this] { ACT_UndoExecute(ACT_Undo); });
  QObject::connect(BTN_Detail_Frame, &QToolButton::clicked, this,
                   [this] { BTN_Detail_FrameClick(BTN_Detail_Frame); });
}

std::string TF_Main::SettingsFile() const { return DataFolder + kSettingsFileName; }

void TF_Main::FormCreate(QObject* /*Sender*/) {
  DataFolder = platform::LocalDataFolder() + "/" + kDataFolderName + "/";
  platform::CreateFolders(DataFolder);  // a failure shows later as settings that load empty
  FST_F_Main.SetIniFileName(services_.placementFile);
  FST_F_Main.SetSection(kPlacementSection);
  FST_F_Main.SetErrorReporter(services_.showMessage);
  LBX_File->SetAcceptFileDrops(true);
  PNL_Liste->SetAcceptFileDrops(true);
  qApp->installEventFilter(this);
  Files.clear();
  RefreshUndoAction();
}

namespace {

// What each settings key holds: exactly one of the four is set.
struct SettingControl {
  RadioGroup* group = nullptr;
  TextEdit* edit = nullptr;
  ChoiceList* list = nullptr;
  BrowseEdit* browse = nullptr;
};

SettingControl ControlOf(const TF_Main& w, std::string_view key) {
  const std::pair<std::string_view, SettingControl> controls[] = {
      {"RGP_Nom_Titre", {w.RGP_Nom_Titre}},
      {"RGP_Nom_Artiste", {w.RGP_Nom_Artiste}},
      {"RGP_Nom_Album", {w.RGP_Nom_Album}},
      {"RGP_Nom_Comment", {w.RGP_Nom_Comment}},
      {"RGP_Nom_Date", {w.RGP_Nom_Date}},
      {"EDT_Nom_Titre_Text", {nullptr, w.EDT_Nom_Titre_Text}},
      {"EDT_Nom_Artist_Text", {nullptr, w.EDT_Nom_Artist_Text}},
      {"EDT_Nom_Album_Text", {nullptr, w.EDT_Nom_Album_Text}},
      {"EDT_Nom_Comment_Text", {nullptr, w.EDT_Nom_Comment_Text}},
      {"EDT_Nom_Date", {nullptr, w.EDT_Nom_Date}},
      {"RGP_Nom_Track", {w.RGP_Nom_Track}},
      {"RGP_Nom_Genre", {w.RGP_Nom_Genre}},
      {"EDT_Nom_Genre_Text", {nullptr, w.EDT_Nom_Genre_Text}},
      {"CBX_Nom_Genre_List", {nullptr, nullptr, w.CBX_Nom_Genre_List}},
      {"RGP_Nom_Category", {w.RGP_Nom_Category}},
      {"EDT_Nom_Category_Text", {nullptr, w.EDT_Nom_Category_Text}},
      {"CBX_Nom_Category_List", {nullptr, nullptr, w.CBX_Nom_Category_List}},
      {"RGP_Tag", {w.RGP_Tag}},
      {"DED_Folder", {nullptr, nullptr, nullptr, w.DED_Folder}},
  };
  for (const auto& [name, control] : controls)
    if (name == key) return control;
  return {};
}

}  // namespace

void TF_Main::FormActivate(QObject* /*Sender*/) {
  if (settingsLoaded_ || !F_Util_MP3) return;
  settingsLoaded_ = true;
  // An unexpected failure (memory exhausted) ends the loading where it is,
  // without a message; Qt must not see an exception from a handler.
  try {
    LoadSettingsAndScan();
  } catch (...) {
  }
}

void TF_Main::LoadSettingsAndScan() {
  const std::string file = SettingsFile();
  for (const SettingRow& row : SettingsTable) {
    const std::string key(row.Key);
    const std::string section(row.Section);
    const SettingControl c = ControlOf(*this, row.Key);
    if (IsIntegerSetting(row)) {
      const std::int32_t value = F_Util_MP3->ReadSettingInteger(file, section, key, row.IntegerDefault);
      if (c.group) c.group->SetItemIndex(value);
      continue;
    }
    const std::string fallback = DefaultSettingText(row, DataFolder);
    const std::string value = IsPathSetting(row) ? F_Util_MP3->ReadSettingPath(file, section, key, fallback)
                                                 : F_Util_MP3->ReadSettingText(file, section, key, fallback);
    if (c.edit) c.edit->SetText(value);
    if (c.list) c.list->SelectText(value);
    if (c.browse) c.browse->SetPath(value);
  }
  RGP_Nom_TitreChange(this, 0);
  DED_FolderBrowse(this);
  if (!CommandLinePaths.empty() && !closing_) AddPaths(CommandLinePaths);
}

void TF_Main::FormClose(QObject* /*Sender*/) {
  if (!F_Util_MP3) return;
  const std::string file = SettingsFile();
  for (const SettingRow& row : SettingsTable) try {
    const std::string key(row.Key);
    const std::string section(row.Section);
    const SettingControl c = ControlOf(*this, row.Key);
    if (IsIntegerSetting(row)) {
      F_Util_MP3->WriteSettingInteger(file, section, key, c.group ? c.group->ItemIndex() : 0);
    } else if (c.edit) {
      F_Util_MP3->WriteSettingText(file, section, key, c.edit->Text());
    } else if (c.list) {
      F_Util_MP3->WriteSettingText(file, section, key, c.list->SelectedText());
    } else if (c.browse) {
      F_Util_MP3->WriteSettingText(file, section, key, c.browse->Path());
    }
  } catch (...) {
    // This value is lost; the next ones are still tried.
  }
}

bool TF_Main::event(QEvent* e) {
  const bool result = QWidget::event(e);
  // Only the first activation loads the settings; the flag lives in
  // FormActivate, which later activations reach and leave at once.
  if (e->type() == QEvent::WindowActivate) FormActivate(this);
  return result;
}

void TF_Main::showEvent(QShowEvent* e) {
  if (!shownOnce_) {
    shownOnce_ = true;
    FST_F_Main.Restore(*this, logicalDpiY());
  }
  QWidget::showEvent(e);
}

void TF_Main::closeEvent(QCloseEvent* e) {
  if (RunActive) {
    // The run is below this event on the stack: it finishes the file in
    // hand, and then closes the window itself, which saves the settings.
    StopRequested = true;
    closeAfterRun_ = true;
    e->ignore();
    return;
  }
  if (!closing_) {
    // A scan that is running below this event learns from the flag that its
    // result will be thrown away.
    closing_ = true;
    FST_F_Main.Save(*this, logicalDpiY());
    FormClose(this);
  }
  e->accept();
}

void CreateProgramWindows(MainWindowServices services) {
  F_Main = new TF_Main(std::move(services));
  F_Util_MP3 = new TF_Util_MP3();
}

void DestroyProgramWindows() {
  delete F_Util_MP3;
  F_Util_MP3 = nullptr;
  delete F_Main;
  F_Main = nullptr;
}
