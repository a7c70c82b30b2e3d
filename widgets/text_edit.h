// One-line edits whose text crosses the boundary as UTF-8 text.
#pragma once

#include <QLineEdit>
#include <cstdint>
#include <string>

class TextEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit TextEdit(QWidget* parent = nullptr);

  // The text as UTF-8: every character as typed, in any script.
  std::string Text() const;
  // Raises textChanged when the text differs, as typing does.
  void SetText(const std::string& text);
};

// An edit that takes integers only: typing accepts digits and one leading
// "-". A text set by the program is kept as it stands.
class IntegerEdit : public TextEdit {
  Q_OBJECT

 public:
  explicit IntegerEdit(QWidget* parent = nullptr);

  // The text as a 32-bit integer; 0 when the text is empty, is not an
  // integer, or lies outside the 32-bit range.
  int32_t Value() const;
};
