// Expected bytes of what a batch run writes, and helpers that set the main
// window's rules the way a user does.
#pragma once

#include <string>

#include <QString>

class QWidget;
class RadioGroup;
class TextEdit;

namespace test_support {

// Some bytes that stand for MPEG audio: a frame header and filler, long
// enough for an ID3v1 block to fit.
std::string Audio(char fill = 'a', std::size_t size = 200);

// The nine frames a write appends to a file without them, in their fixed
// order, each text 00 + value + 00 and the comment 00 "eng" 00 + value + 00.
struct Written {
  std::string title, artist, album, comment, year, track, genre, category;
};
std::string AppendedFrames(const Written& v);
// The whole new tag: header and AppendedFrames.
std::string NewTag(const Written& v);
// The ID3v1 block for `v`: "TAG", the five texts space-filled, `genre`.
std::string V1For(const Written& v, unsigned char genre = 0xFF);

// Clicks option `index` of `group`.
void ClickOption(RadioGroup* group, int index);
// Replaces the edit's text by typing: select all, then one key press per
// character of `text` (UTF-8, any script).
void TypeInto(TextEdit* edit, const std::string& text);
// One key press that types `character`: one character, that is one UTF-16
// unit or a surrogate pair. (QTest::keyClicks cannot do this: it sends each
// unit's Latin-1 byte, so it types "?" or nothing for other scripts.)
void TypeKey(QWidget* widget, const QString& character);
// One key press per character of `text` (UTF-8), without clearing first.
void TypeText(QWidget* widget, const std::string& text);

}  // namespace test_support
