#include "widgets/string_grid.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <algorithm>
#include <string_view>

#include "tag_engine/text_codec.h"

class StringGridModel : public QAbstractTableModel {
 public:
  explicit StringGridModel(QObject* parent) : QAbstractTableModel(parent) {}

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(cells_.size());
  }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : cols_; }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return Shown(Cell(index.column(), index.row()));
    if (role == Qt::BackgroundRole && index.row() < fixedRows_) return QColor(224, 224, 224);
    return {};
  }

  Qt::ItemFlags flags(const QModelIndex& index) const override {
    if (!index.isValid() || index.row() < fixedRows_) return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  }

  // Rows and columns come and go by insertion and removal, not by a reset,
  // so that the view keeps its column widths and row heights.
  void SetCols(int count) {
    if (count < 0) count = 0;
    if (count > cols_) {
      beginInsertColumns(QModelIndex(), cols_, count - 1);
      Resize(count);
      endInsertColumns();
    } else if (count < cols_) {
      beginRemoveColumns(QModelIndex(), count, cols_ - 1);
      Resize(count);
      endRemoveColumns();
    }
  }

  void SetRows(int count) {
    if (count < 0) count = 0;
    const int rows = rowCount(QModelIndex());
    if (count > rows) {
      beginInsertRows(QModelIndex(), rows, count - 1);
      cells_.resize(static_cast<std::size_t>(count), std::vector<std::string>(static_cast<std::size_t>(cols_)));
      endInsertRows();
    } else if (count < rows) {
      beginRemoveRows(QModelIndex(), count, rows - 1);
      cells_.resize(static_cast<std::size_t>(count));
      endRemoveRows();
    }
  }

  void SetFixed(int count) {
    fixedRows_ = count < 0 ? 0 : count;
    if (!cells_.empty() && cols_ > 0)
      emit dataChanged(index(0, 0), index(rowCount(QModelIndex()) - 1, cols_ - 1));
  }
  int Fixed() const { return fixedRows_; }

  std::string Cell(int col, int row) const {
    if (row < 0 || row >= rowCount(QModelIndex()) || col < 0 || col >= cols_) return {};
    return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
  }

  void SetCell(int col, int row, std::string text) {
    if (row < 0 || row >= rowCount(QModelIndex()) || col < 0 || col >= cols_) return;
    cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = std::move(text);
    emit dataChanged(index(row, col), index(row, col));
  }

 private:
  void Resize(int cols) {
    cols_ = cols;
    for (auto& row : cells_) row.resize(static_cast<std::size_t>(cols_));
  }

  // A cell may hold a whole picture: only its start is drawn, so that
  // painting stays quick whatever the frame's size.
  static QString Shown(const std::string& bytes) {
    const std::string_view all(bytes);
    const std::size_t limit = std::min(all.size(), StringGrid::kShownBytes);
    QString out;
    out.reserve(static_cast<qsizetype>(limit) + 1);
    std::size_t i = 0;
    while (i < limit) {
      const auto b = static_cast<unsigned char>(all[i]);
      const std::size_t length = Utf8Length(all.substr(i));
      if (length > 1) {
        if (i + length > limit) break;
        out += QString::fromUtf8(all.data() + i, static_cast<qsizetype>(length));
        i += length;
        continue;
      }
      if (b == '\n') {
        out += QChar('\n');
      } else if (b < kFirstPrintable) {
        out += QChar(static_cast<char16_t>(kControlPictures + b));
      } else if (b == kDelete) {
        out += QChar(kDeletePicture);
      } else if (b >= kFirstC1 && b <= kLastC1) {
        out += QString::asprintf("\\x%02X", b);
      } else {
        out += QChar(static_cast<char16_t>(b));
      }
      ++i;
    }
    if (i < all.size()) out += QChar(kEllipsis);
    return out;
  }

  // The length of the well-formed UTF-8 sequence of two or more bytes at the
  // start of `text`, or 0. A sequence for U+0080..U+009F counts as none, so
  // that its bytes are drawn visibly like any other C1 byte.
  static std::size_t Utf8Length(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    if (length == 0 || length > text.size() || !id3text::IsValidUtf8(text.substr(0, length))) return 0;
    if (lead == kC1Lead && static_cast<unsigned char>(text[1]) <= kLastC1) return 0;
    return length;
  }

  static constexpr unsigned char kFirstPrintable = 0x20;
  static constexpr unsigned char kDelete = 0x7F;
  static constexpr unsigned char kFirstC1 = 0x80;
  static constexpr unsigned char kLastC1 = 0x9F;
  // U+0080..U+009F are C2 80..C2 9F in UTF-8.
  static constexpr unsigned char kC1Lead = 0xC2;
  // U+2400 is the picture of NUL; the 31 that follow are those of 01..1F.
  static constexpr char16_t kControlPictures = 0x2400;
  static constexpr char16_t kDeletePicture = 0x2421;
  static constexpr char16_t kEllipsis = 0x2026;

  std::vector<std::vector<std::string>> cells_;
  int cols_ = 0;
  int fixedRows_ = 0;
};

StringGrid::StringGrid(QWidget* parent) : QTableView(parent), model_(new StringGridModel(this)) {
  setModel(model_);
  horizontalHeader()->hide();
  verticalHeader()->hide();
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setShowGrid(true);
  setWordWrap(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

int StringGrid::ColCount() const { return model_->columnCount(QModelIndex()); }
int StringGrid::RowCount() const { return model_->rowCount(QModelIndex()); }
void StringGrid::SetColCount(int count) { model_->SetCols(count); }
void StringGrid::SetRowCount(int count) { model_->SetRows(count); }
int StringGrid::FixedRows() const { return model_->Fixed(); }
void StringGrid::SetFixedRows(int count) { model_->SetFixed(count); }
std::string StringGrid::Cell(int col, int row) const { return model_->Cell(col, row); }
void StringGrid::SetCell(int col, int row, std::string text) { model_->SetCell(col, row, std::move(text)); }
void StringGrid::SetColWidth(int col, int width) { setColumnWidth(col, width); }
void StringGrid::SetRowHeight(int row, int height) { setRowHeight(row, height); }
