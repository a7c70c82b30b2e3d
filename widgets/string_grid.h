// A read-only grid of byte-string cells with fixed header rows on top.
#pragma once

#include <QTableView>
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

  // Cells hold bytes exactly as given, NUL included; an index outside the
  // grid reads as empty and is ignored when written. The grid shows a byte
  // below 0x20 other than line feed as a middle dot, and the rest as
  // Latin-1; line feeds start new lines within the cell.
  std::string Cell(int col, int row) const;
  void SetCell(int col, int row, std::string text);

  void SetColWidth(int col, int width);
  void SetRowHeight(int row, int height);

 private:
  StringGridModel* model_;
};
