// The widget set on the offscreen platform: index and text semantics, the
// UTF-8 boundary, clicks and keys, and the pixels of the drawn pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <random>

#include "platform/ini_file.h"
#include "support/temp_dir.h"
#include "widgets/browse_edit.h"
#include "widgets/choice_list.h"
#include "widgets/image_list_box.h"
#include "widgets/link_label.h"
#include "widgets/panel.h"
#include "widgets/pictures.h"
#include "widgets/progress_bar.h"
#include "widgets/radio_group.h"
#include "widgets/string_grid.h"
#include "widgets/text_edit.h"
#include "widgets/window_placement.h"

namespace {

using Strings = std::vector<std::string>;

RadioGroup* ThreeOptions(QWidget* parent) {
  auto* g = new RadioGroup(parent);
  g->setGeometry(0, 0, 228, 81);
  g->SetCaption("Title");
  g->SetItems({"no change", "file name", "custom text ..."});
  return g;
}

TEST(RadioGroupTest, IndexIsClampedToNothingOrTheLastOption) {
  const std::pair<int, int> cases[] = {{-5, -1}, {-1, -1}, {0, 0}, {1, 1}, {2, 2}, {3, 2}, {99, 2}};
  for (const auto& [set, expected] : cases) {
    QWidget w;
    RadioGroup* g = ThreeOptions(&w);
    g->SetItemIndex(set);
    EXPECT_EQ(g->ItemIndex(), expected) << "set " << set;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(g->Button(i)->isChecked(), i == expected) << "set " << set;
  }
}

TEST(RadioGroupTest, ChangeFiresForProgramAndUserChangesOnly) {
  QWidget w;
  RadioGroup* g = ThreeOptions(&w);
  w.show();
  QSignalSpy spy(g, &RadioGroup::changed);
  g->SetItemIndex(1);
  g->SetItemIndex(1);  // no change
  g->SetItemIndex(-3);
  QTest::mouseClick(g->Button(2), Qt::LeftButton);
  QTest::mouseClick(g->Button(2), Qt::LeftButton);  // the checked option stays checked
  ASSERT_EQ(spy.count(), 3);
  EXPECT_EQ(spy[0][0].toInt(), 1);
  EXPECT_EQ(spy[1][0].toInt(), -1);
  EXPECT_EQ(spy[2][0].toInt(), 2);
  EXPECT_EQ(g->ItemIndex(), 2);
  EXPECT_TRUE(g->Button(2)->isChecked());
  EXPECT_FALSE(g->Button(1)->isChecked());
}

TEST(RadioGroupTest, OptionsShareTheHeightBelowTheCaption) {
  QWidget w;
  RadioGroup* g = ThreeOptions(&w);
  const int top0 = g->Button(0)->y(), top1 = g->Button(1)->y(), top2 = g->Button(2)->y();
  EXPECT_GT(top0, 0);
  EXPECT_EQ(top1 - top0, top2 - top1);
  EXPECT_LE(g->Button(2)->geometry().bottom(), g->height());
}

TEST(ChoiceListTest, SortsLikeTheShownGenreOrder) {
  const Strings shown = {"A capella", "Acid",        "Acid Jazz", "AlternRock", "Alternative", "Eurodance",
                         "Euro-House", "Euro-Techno", "Folk",      "Folklore",   "Folk-Rock",   "Pop",
                         "Pop/Funk",  "Pop-Folk",    "R&B",       "Rap",        "Rock",        "Rock & Roll",
                         "Top 40",    "Trailer",     "Tribal",    "Trip-Hop"};
  // Alternative sorts before AlternRock ('a' < 'r').
  Strings expected = shown;
  std::swap(expected[3], expected[4]);
  Strings shuffled = shown;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
  ChoiceList list;
  list.SetItems(shuffled);
  EXPECT_EQ(list.Items(), expected);
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_EQ(list.maxVisibleItems(), 20);
  EXPECT_FALSE(list.isEditable());
}

TEST(ChoiceListTest, SelectionByTextIgnoresCase) {
  struct Case {
    const char* text;
    int index;
    const char* selected;
  };
  const Case cases[] = {{"BEDS", 1, "Beds"}, {"beds", 1, "Beds"}, {"Station ID", 3, "Station ID"},
                        {"station id", 3, "Station ID"}, {"Bed", -1, ""}, {"", -1, ""}, {"Beds ", -1, ""}};
  for (const Case& c : cases) {
    ChoiceList list;
    list.SetItems({"All", "Beds", "Jingles", "Station ID"});
    list.SetItemIndex(0);
    EXPECT_EQ(list.SelectText(c.text), c.index >= 0) << c.text;
    EXPECT_EQ(list.ItemIndex(), c.index) << c.text;
    EXPECT_EQ(list.SelectedText(), c.selected) << c.text;
  }
}

TEST(ChoiceListTest, ChangedFiresForTheUserOnly) {
  QWidget w;
  auto* list = new ChoiceList(&w);
  list->SetItems({"Blues", "Jazz", "Rock"});
  w.show();
  QSignalSpy spy(list, &ChoiceList::changed);
  list->SetItemIndex(0);
  list->SelectText("rock");
  EXPECT_EQ(spy.count(), 0);
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Up);
  EXPECT_EQ(spy.count(), 1);
  EXPECT_EQ(list->SelectedText(), "Jazz");
}

TEST(ImageListBoxTest, SplitsItemsAtTheLastBar) {
  struct Case {
    const char* item;
    const char* text;
    int image;
  };
  const Case cases[] = {{"/a/b.mp3|0", "/a/b.mp3", 0}, {"/a|b.mp3|2", "/a|b.mp3", 2}, {"no bar", "no bar", -1},
                        {"x|12", "x", -1},             {"x|", "x", -1},             {"x|a", "x", -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(ImageListBox::ItemText(c.item), c.text) << c.item;
    EXPECT_EQ(ImageListBox::ItemImage(c.item), c.image) << c.item;
  }
}

TEST(ImageListBoxTest, ItemsKeepTheirBytesAndSearchIgnoresCase) {
  ImageListBox box;
  const std::string odd("/m\0\xFF\xE9/a.mp3|0", 14);
  box.SetItems({"/m/A.mp3|0", odd, "/m/a.mp3|0", "/m/a.mp3|1"});
  EXPECT_EQ(box.Count(), 4);
  EXPECT_EQ(box.Item(1), odd);
  EXPECT_EQ(box.Item(4), "");
  EXPECT_EQ(box.FindExact("/M/a.MP3|0"), 0);
  EXPECT_EQ(box.FindExact("/m/a.mp3|1"), 3);
  EXPECT_EQ(box.FindExact("/m/a.mp3|2"), -1);
  EXPECT_EQ(box.FindExact(odd), 1);
  box.SetItemIndex(0);
  box.SetItem(0, "/m/A.mp3|1");  // the search follows the change
  EXPECT_EQ(box.ItemIndex(), 0);
  EXPECT_EQ(box.FindExact("/m/a.mp3|0"), 2);
  EXPECT_EQ(box.FindExact("/m/a.mp3|1"), 0);
  box.AddItem("/m/z.mp3|0");
  EXPECT_EQ(box.FindExact("/M/Z.mp3|0"), 4);
  box.Clear();
  EXPECT_EQ(box.Count(), 0);
  EXPECT_EQ(box.FindExact("/m/a.mp3|0"), -1);
}

TEST(ImageListBoxTest, UserClicksRaiseTheEventProgramSelectionDoesNot) {
  QWidget w;
  auto* box = new ImageListBox(&w);
  box->setGeometry(0, 0, 280, 306);
  box->SetItems({"/a.mp3|0", "/b.mp3|0", "/c.mp3|0"});
  w.show();
  QSignalSpy spy(box, &ImageListBox::itemClicked);
  box->SetItemIndex(0);
  box->SetItemIndex(5);
  EXPECT_EQ(box->ItemIndex(), -1);
  box->SetItemIndex(0);
  EXPECT_EQ(spy.count(), 0);
  const QRect row1 = box->visualRect(box->model()->index(1, 0));
  EXPECT_EQ(row1.height(), ImageListBox::kItemHeight);
  QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, row1.center());
  EXPECT_EQ(spy.count(), 1);
  EXPECT_EQ(box->ItemIndex(), 1);
  QTest::keyClick(box, Qt::Key_Down);
  EXPECT_EQ(spy.count(), 2);
  EXPECT_EQ(box->ItemIndex(), 2);
}

TEST(ImageListBoxTest, DrawsTheFaceOfTheDigitOnTheListBackground) {
  QWidget w;
  auto* box = new ImageListBox(&w);
  box->setGeometry(0, 0, 280, 100);
  box->SetImages(pictures::StateFaces());
  box->SetItems({"/a.mp3|0", "/b.mp3|1", "/c.mp3|2"});
  w.show();
  const QImage shot = box->viewport()->grab().toImage();
  const auto at = [&](int row, int x, int y) {
    return shot.pixelColor(x, box->visualRect(box->model()->index(row, 0)).top() + y);
  };
  EXPECT_EQ(at(0, 1 + 8, 8), pictures::kPendingFace);
  EXPECT_EQ(at(1, 1 + 8, 8), pictures::kWrittenFace);
  EXPECT_EQ(at(2, 1 + 8, 8), pictures::kSkippedFace);
  EXPECT_EQ(at(0, 1, 0), QColor(247, 247, 247));  // transparent corner of the face
  EXPECT_EQ(shot.pixelColor(200, 90), QColor(247, 247, 247));
  box->SetItem(0, "/a.mp3|1");
  const QImage after = box->viewport()->grab().toImage();
  EXPECT_EQ(after.pixelColor(9, box->visualRect(box->model()->index(0, 0)).top() + 8), pictures::kWrittenFace);
}

TEST(ImageListBoxTest, LongLinesGetAHorizontalScrollBar) {
  QWidget w;
  auto* box = new ImageListBox(&w);
  box->setGeometry(0, 0, 280, 100);
  box->SetItems({"/short.mp3|0", "/" + std::string(200, 'w') + ".mp3|0"});
  w.show();
  QApplication::processEvents();
  EXPECT_GT(box->horizontalScrollBar()->maximum(), 0);
}

TEST(TextEditTest, TextCrossesAsUtf8) {
  TextEdit edit;
  // Every character from U+0020 to U+00FF, then other scripts and an emoji
  // outside the 16-bit range: program text out, the same text back.
  std::string all;
  for (int c = 0x20; c <= 0xFF; ++c) {
    if (c < 0x80) {
      all.push_back(static_cast<char>(c));
    } else {
      all.push_back(static_cast<char>(0xC0 | (c >> 6)));
      all.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  all += "\xE2\x82\xAC \xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9 \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xF0\x9F\x8E\xB5";
  edit.SetText(all);
  EXPECT_EQ(edit.Text(), all);
  edit.SetText("\xC3\x87" "a");
  EXPECT_EQ(edit.text(), QString::fromUtf16(u"\u00C7a"));
  edit.setText(QString::fromUtf16(u"\u20AC \u041C \u65E5 \U0001F3B5"));  // all outside Latin-1
  EXPECT_EQ(edit.Text(), "\xE2\x82\xAC \xD0\x9C \xE6\x97\xA5 \xF0\x9F\x8E\xB5");
}

// Captions, list entries and panel captions are program text in UTF-8 too.
TEST(TextEditTest, CaptionsAndListEntriesCrossAsUtf8) {
  const std::string cyrillic = "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9";
  const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
  const QString cyrillic_shown = QString::fromUtf16(u"\u041C\u0443\u043C\u0438\u0439");
  const QString japanese_shown = QString::fromUtf16(u"\u65E5\u672C\u8A9E");
  Panel panel;
  panel.SetCaption(cyrillic);
  EXPECT_EQ(panel.Caption(), cyrillic);
  ChoiceList list;
  list.SetItems({"Rock", japanese, cyrillic});
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"Rock", cyrillic, japanese}));
  list.SelectText(japanese);
  EXPECT_EQ(list.SelectedText(), japanese);
  EXPECT_EQ(list.currentText(), japanese_shown);
  RadioGroup group;
  group.SetItems({cyrillic, japanese});
  const QList<QRadioButton*> buttons = group.findChildren<QRadioButton*>();
  ASSERT_EQ(buttons.size(), 2);
  EXPECT_TRUE(buttons[0]->text() == cyrillic_shown || buttons[1]->text() == cyrillic_shown);
}

TEST(IntegerEditTest, ValueIsZeroWhenEmptyOrInvalid) {
  const std::pair<const char*, int32_t> cases[] = {
      {"", 0},           {"2009", 2009}, {"-12", -12},        {"0999", 999}, {"abc", 0},
      {"12a", 0},        {"-", 0},       {"2147483647", 2147483647}, {"2147483648", 0}, {" 5", 0}};
  for (const auto& [text, value] : cases) {
    IntegerEdit edit;
    edit.SetText(text);
    EXPECT_EQ(edit.Value(), value) << text;
    EXPECT_EQ(edit.Text(), text);
  }
}

TEST(IntegerEditTest, TypingTakesDigitsAndOneLeadingMinusOnly) {
  QWidget w;
  auto* edit = new IntegerEdit(&w);
  w.show();
  QTest::keyClicks(edit, "-1a9-8.4");
  EXPECT_EQ(edit->Text(), "-1984");
  EXPECT_EQ(edit->Value(), -1984);
}

TEST(BrowseEditTest, PickerStartsAtThePathAndBrowseFiresConfirmedOrCancelled) {
  QWidget w;
  auto* edit = new BrowseEdit(&w);
  edit->setGeometry(0, 0, 224, 21);
  std::vector<std::string> starts;
  std::vector<std::optional<std::string>> answers = {std::nullopt, std::string("/chosen/\xFF")};
  edit->SetPicker([&](const std::string& start) {
    starts.push_back(start);
    auto a = answers.front();
    answers.erase(answers.begin());
    return a;
  });
  w.show();
  EXPECT_EQ(edit->Button()->width(), BrowseEdit::kButtonWidth);
  QSignalSpy spy(edit, &BrowseEdit::browsed);
  const std::string start("/m\xE9/x");  // not valid UTF-8: kept as bytes
  edit->SetPath(start);
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  EXPECT_EQ(spy.count(), 1);
  EXPECT_EQ(edit->Path(), start);
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  EXPECT_EQ(spy.count(), 2);
  EXPECT_EQ(edit->Path(), "/chosen/\xFF");
  EXPECT_EQ(starts, (std::vector<std::string>{start, start}));
  // Typing replaces the path and starts nothing.
  edit->Field()->clear();
  QTest::keyClicks(edit->Field(), "/typed");
  EXPECT_EQ(edit->Path(), "/typed");
  EXPECT_EQ(spy.count(), 2);
}

TEST(ProgressBarTest, PercentOfTheMaximum) {
  struct Case {
    int max, position, percent;
  };
  for (const Case& c : {Case{0, 0, 0}, Case{0, 5, 0}, Case{3, 1, 33}, Case{3, 3, 100}, Case{200, 1, 0},
                        Case{10, 20, 100}, Case{10, -1, 0}, Case{2000000000, 1999999999, 99}}) {
    PercentProgressBar bar;
    bar.SetMax(c.max);
    bar.SetPosition(c.position);
    EXPECT_EQ(bar.Percent(), c.percent) << c.max << " " << c.position;
  }
}

TEST(LinkLabelTest, ClickHandsTheAddressToTheOpener) {
  QWidget w;
  auto* link = new LinkLabel("site", "https://quillon.invalid", &w);
  std::vector<QString> opened;
  link->SetOpener([&](const QString& url) { opened.push_back(url); });
  w.show();
  QTest::mouseClick(link, Qt::LeftButton);
  QTest::mouseClick(link, Qt::RightButton);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "https://quillon.invalid");
  EXPECT_TRUE(link->font().underline());
}

TEST(StringGridTest, CellsHoldBytesAndRegrownRowsAreEmpty) {
  StringGrid grid;
  grid.SetColCount(4);
  grid.SetRowCount(5);
  grid.SetFixedRows(1);
  grid.SetColWidth(3, 589);
  const std::string flags("\0\0", 2);
  grid.SetCell(2, 1, flags);
  grid.SetCell(3, 4, "x");
  grid.SetCell(9, 1, "ignored");
  EXPECT_EQ(grid.Cell(2, 1), flags);
  EXPECT_EQ(grid.Cell(9, 1), "");
  EXPECT_EQ(grid.model()->data(grid.model()->index(1, 2)).toString(), QString(2, QChar(0x2400)));
  grid.SetRowCount(2);
  grid.SetRowCount(5);
  EXPECT_EQ(grid.Cell(3, 4), "");
  EXPECT_EQ(grid.Cell(2, 1), flags);
  EXPECT_EQ(grid.columnWidth(3), 589);  // row changes keep the widths
  EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsSelectable);
}

TEST(StringGridTest, ControlBytesAreDrawnVisiblyAndLongCellsAreCut) {
  StringGrid grid;
  grid.SetColCount(1);
  grid.SetRowCount(1);
  const struct {
    std::string bytes;
    QString shown;
  } cases[] = {
      {std::string("\0eng\0x", 6), QString::fromUtf16(u"\u2400eng\u2400x")},
      {"a\tb\rc", QString::fromUtf16(u"a\u2409b\u240Dc")},
      {"two\nlines", "two\nlines"},
      {"\x1F\x7F", QString::fromUtf16(u"\u241F\u2421")},
      {"\x80\x9F", "\\x80\\x9F"},
      // Bytes that are no UTF-8 are drawn as their Latin-1 characters.
      {"\xA0\xB7\xE9\xFF", QString::fromUtf16(u"\u00A0\u00B7\u00E9\u00FF")},
      {"Caf\xE9", QString::fromUtf16(u"Caf\u00E9")},
      // Well-formed UTF-8 is drawn as its characters: a UTF-8 text frame.
      {"\x03" "Caf\xC3\xA9 \xD0\x9C\xD1\x83 \xE6\x97\xA5 \xF0\x9F\x8E\xB5",
       QString::fromUtf16(u"\u2403Caf\u00E9 \u041C\u0443 \u65E5 \U0001F3B5")},
      // A UTF-16 text frame: encoding byte, byte-order mark, then units.
      {std::string("\x01\xFF\xFE" "A\0", 5), QString::fromUtf16(u"\u2401\u00FF\u00FEA\u2400")},
      // Broken sequences fall back to bytes; the UTF-8 form of a C1 control
      // stays visible as bytes.
      {"\xE6\x97" "x\xC3", QString::fromUtf16(u"\u00E6\\x97x\u00C3")},
      {"\xC2\x85", QString::fromUtf16(u"\u00C2\\x85")},
      {"\xED\xA0\x80", QString::fromUtf16(u"\u00ED\u00A0\\x80")},
  };
  for (const auto& c : cases) {
    grid.SetCell(0, 0, c.bytes);
    EXPECT_EQ(grid.model()->data(grid.model()->index(0, 0)).toString(), c.shown) << c.bytes;
  }
  // A 5 MB picture: the cell keeps every byte, the grid draws its start.
  std::string picture(5 * 1024 * 1024, 'p');
  picture[0] = '\0';
  grid.SetCell(0, 0, picture);
  EXPECT_EQ(grid.Cell(0, 0), picture);
  const QString shown = grid.model()->data(grid.model()->index(0, 0)).toString();
  ASSERT_EQ(shown.size(), static_cast<qsizetype>(StringGrid::kShownBytes) + 1);
  EXPECT_EQ(shown.front(), QChar(0x2400));
  EXPECT_EQ(shown.back(), QChar(0x2026));
  EXPECT_EQ(shown.at(1), QChar('p'));
  // Any bytes at all draw as visible characters, never as a lone surrogate.
  std::mt19937 random(9);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(random() % 300, '\0');
    for (char& b : bytes) b = static_cast<char>(random() % 256);
    grid.SetCell(0, 0, bytes);
    const QString drawn = grid.model()->data(grid.model()->index(0, 0)).toString();
    for (qsizetype i = 0; i < drawn.size(); ++i) {
      const QChar ch = drawn.at(i);
      ASSERT_TRUE(ch == QChar('\n') || (ch.unicode() >= 0x20 && (ch.unicode() < 0x7F || ch.unicode() > 0x9F)))
          << round << " " << static_cast<int>(ch.unicode());
      if (ch.isHighSurrogate()) ASSERT_TRUE(i + 1 < drawn.size() && drawn.at(++i).isLowSurrogate()) << round;
      else ASSERT_FALSE(ch.isLowSurrogate()) << round;
    }
  }
  // A character standing across the limit is left out, never half drawn.
  std::string text(StringGrid::kShownBytes - 1, 'a');
  text += "\xE6\x97\xA5";
  grid.SetCell(0, 0, text);
  const QString cut = grid.model()->data(grid.model()->index(0, 0)).toString();
  EXPECT_EQ(cut, QString(static_cast<qsizetype>(StringGrid::kShownBytes) - 1, QChar('a')) + QChar(0x2026));
}

TEST(PicturesTest, FacesAreFilledCirclesOnTransparency) {
  const ImageList faces = pictures::StateFaces();
  ASSERT_EQ(faces.Count(), 3);
  const QColor fills[] = {pictures::kPendingFace, pictures::kWrittenFace, pictures::kSkippedFace};
  for (int i = 0; i < 3; ++i) {
    const QImage face = faces.Image(i).toImage();
    ASSERT_EQ(face.size(), QSize(16, 16));
    EXPECT_EQ(face.pixelColor(8, 8), fills[i]) << i;
    EXPECT_EQ(face.pixelColor(3, 8), fills[i]) << i;
    for (const QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)})
      EXPECT_EQ(face.pixelColor(corner).alpha(), 0) << i;
    EXPECT_EQ(face.pixelColor(5, 5), QColor(Qt::black)) << "eye " << i;
    EXPECT_EQ(face.pixelColor(8, 1), QColor(Qt::black)) << "outline " << i;
  }
  // Frowning: the mouth's corners hang lower than its middle; smiling: higher.
  const QImage frown = faces.Image(0).toImage(), smile = faces.Image(1).toImage();
  EXPECT_EQ(frown.pixelColor(4, 12), QColor(Qt::black));
  EXPECT_EQ(frown.pixelColor(7, 10), QColor(Qt::black));
  EXPECT_EQ(smile.pixelColor(4, 9), QColor(Qt::black));
  EXPECT_EQ(smile.pixelColor(7, 11), QColor(Qt::black));
  EXPECT_TRUE(faces.Image(3).isNull());
}

TEST(PicturesTest, ButtonAndHintPicturesHaveTheirSizesAndColours) {
  EXPECT_EQ(pictures::WasteBin().size(), QSize(24, 24));
  EXPECT_EQ(pictures::Tick().size(), QSize(32, 32));
  EXPECT_EQ(pictures::Cross().size(), QSize(32, 32));
  const QImage hint = pictures::DropHint().toImage();
  ASSERT_EQ(hint.size(), QSize(170, 106));
  const QColor arrow = hint.pixelColor(85, 20);
  EXPECT_GT(arrow.red(), 100);
  EXPECT_LT(arrow.green(), 40);
  EXPECT_EQ(hint.pixelColor(0, 0).alpha(), 0);
  const QColor band = hint.pixelColor(85, 98);
  EXPECT_EQ(band.red(), band.green());
  const QImage tick = pictures::Tick().toImage();
  EXPECT_GT(tick.pixelColor(13, 25).green(), tick.pixelColor(13, 25).red());
  const QImage cross = pictures::Cross().toImage();
  EXPECT_GT(cross.pixelColor(16, 16).red(), cross.pixelColor(16, 16).green());
}

TEST(WindowPlacementTest, ParsesFourIntegers) {
  const std::pair<const char*, bool> cases[] = {{"1,2,3,4", true},   {" -1 , 2,3 ,4 ", true}, {"1,2,3", false},
                                                {"1,2,3,4,5", false}, {"1,2,x,4", false},     {"", false},
                                                {"1,,3,4", false}};
  for (const auto& [text, ok] : cases) EXPECT_EQ(WindowPlacement::ParseRect(text).has_value(), ok) << text;
  const auto r = WindowPlacement::ParseRect(" -1 , 2,3 ,4 ");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->left, -1);
  EXPECT_EQ(r->bottom, 4);
}

TEST(WindowPlacementTest, SaveThenRestoreMovesTheWindowBack) {
  test_support::TempDir dir;
  WindowPlacement store;
  store.SetIniFileName(dir.Path("datas.ini"));
  store.SetSection("F_Main");
  std::vector<QString> errors;
  store.SetErrorReporter([&](const QString& m) { errors.push_back(m); });
  QWidget window;
  window.resize(100, 80);
  window.move(30, 40);
  ASSERT_TRUE(store.Save(window, 96));
  const platform::IniFile ini(dir.Path("datas.ini"));
  EXPECT_EQ(ini.ReadValue("F_Main", "PixelsPerInch").value_or(""), "96");
  EXPECT_EQ(ini.ReadValue("F_Main", "MinMaxPos").value_or(""), "-1,-1,-1,-1");
  QWidget other;
  EXPECT_TRUE(store.Restore(other, 96));
  EXPECT_EQ(other.pos(), window.frameGeometry().topLeft());
  QWidget third;
  third.move(5, 5);
  EXPECT_FALSE(store.Restore(third, 120));
  EXPECT_EQ(third.pos(), QPoint(0, 0));
  EXPECT_TRUE(errors.empty());

  store.SetIniFileName(dir.Path("no/such/folder/datas.ini"));
  EXPECT_FALSE(store.Save(window, 96));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], QString::fromUtf8("Impossible d'écrire dans ") + QString::fromStdString(dir.Path("no/such/folder/datas.ini")));
}

}  // namespace
