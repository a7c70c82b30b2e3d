// Expected bytes of what a batch run writes, and helpers that set the main
// window's rules the way a user does.
#pragma once

#include <string>

#include <QChar>

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
// Replaces the edit's text by typing: select all, then the keys of `text`
// (Latin-1 bytes).
void TypeInto(TextEdit* edit, const std::string& text);
// One key press that types `ch`.
void TypeKey(QWidget* widget, QChar ch);

}  // namespace test_support
