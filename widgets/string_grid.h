// A read-only grid of byte-string cells with fixed header rows on top.
#pragma once

#include <QTableView>
#include <cstddef>
#include <string>
#include <vector>

class StringGridModel;

class StringGrid : public QTableView {
  Q_OBJECT

 public:
  explicit StringGrid(QWidget* parent = nullptr);

  // Sizes count the fixed rows: row 0 is the first fixed row.
  int ColCount() const;
  int RowCount() const;
  void SetColCount(int count);
  // Rows that go away lose their texts; rows that come back are empty.
  void SetRowCount(int count);
  int FixedRows() const;
  void SetFixedRows(int count);

  // A cell draws at most this many of its bytes, then "\u2026".
  static constexpr std::size_t kShownBytes = 256;

  // Cells hold bytes exactly as given, NUL included; an index outside the
  // grid reads as empty and is ignored when written. The grid draws the
  // first kShownBytes bytes of a cell, whatever they hold, every byte visible:
  // - a well-formed UTF-8 sequence of two to four bytes as its character
  //   (text in any script, from frames in UTF-8 and from the program);
  //   a sequence that kShownBytes would cut is not drawn;
  // - a byte below 0x20 other than line feed as its control picture
  //   (U+2400 + byte, so NUL is U+2400), 0x7F as U+2421; line feeds start
  //   new lines within the cell;
  // - any other byte 0x80..0x9F as "\xNN" in upper-case hex (also the bytes
  //   of the UTF-8 form of U+0080..U+009F, which would draw nothing);
  // - any other byte 0xA0..0xFF, not part of a well-formed sequence, as its
  //   Latin-1 character (ISO-8859-1 text and the byte-order marks of UTF-16
  //   stay readable; a UTF-16 text shows its zero bytes as U+2400).
  // A cell with bytes left undrawn ends its drawn text with U+2026.
  std::string Cell(int col, int row) const;
  void SetCell(int col, int row, std::string text);

  void SetColWidth(int col, int width);
  void SetRowHeight(int row, int height);

 private:
  StringGridModel* model_;
};
