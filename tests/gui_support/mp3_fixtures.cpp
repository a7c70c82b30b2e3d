#include "gui_support/mp3_fixtures.h"

#include <QRadioButton>
#include <QTest>

#include "support/tag_fixtures.h"
#include "widgets/radio_group.h"
#include "widgets/text.h"
#include "widgets/text_edit.h"

using namespace std::string_literals;

namespace test_support {

std::string Audio(char fill, std::size_t size) { return Hex("FF FB 90 64") + std::string(size, fill); }

std::string AppendedFrames(const Written& v) {
  auto text = [](const std::string& value) { return "\0"s + value + "\0"s; };
  return Frame("TPE1", text(v.artist)) + Frame("TALB", text(v.album)) + Frame("TIT2", text(v.title)) +
         Frame("TYER", text(v.year)) + Frame("COMM", "\0eng\0"s + v.comment + "\0"s) +
         Frame("TRCK", text(v.track)) + Frame("TCON", text(v.genre)) + Frame("TIT1", text(v.category)) +
         Frame("TOWN", text("ZQ"));
}

std::string NewTag(const Written& v) { return Tag(AppendedFrames(v)); }

std::string V1For(const Written& v, unsigned char genre) {
  auto field = [](std::string s, std::size_t n) {
    s.resize(n, ' ');
    return s;
  };
  return "TAG" + field(v.title, 30) + field(v.artist, 30) + field(v.album, 30) + field(v.year, 4) +
         field(v.comment, 30) + std::string(1, static_cast<char>(genre));
}

void ClickOption(RadioGroup* group, int index) {
  // On the round indicator: a button is wider than its caption, and a click
  // beyond the caption's end does not hit it.
  QRadioButton* button = group->Button(index);
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

void TypeInto(TextEdit* edit, const std::string& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  TypeText(edit, text);
}

void TypeText(QWidget* widget, const std::string& text) {
  const QString all = widgets::FromText(text);
  for (qsizetype i = 0; i < all.size();) {
    const qsizetype units = all.at(i).isHighSurrogate() && i + 1 < all.size() ? 2 : 1;
    TypeKey(widget, all.mid(i, units));
    i += units;
  }
}

void TypeKey(QWidget* widget, const QString& character) {
  // QTest knows keys for ASCII only; other characters arrive as the text of
  // a key event, as a keyboard layout delivers them.
  if (character.size() == 1 && character.at(0).unicode() < 0x80) {
    QTest::keyClick(widget, static_cast<char>(character.at(0).unicode()));
  } else {
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, character, Qt::NoModifier);
  }
}

}  // namespace test_support
