#include "widgets/image_list_box.h"

#include <QAbstractListModel>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>
#include <map>
#include <set>
#include <unordered_map>

#include "widgets/latin1.h"

namespace {
const QColor kBackground(247, 247, 247);
constexpr int kImageLeft = 1;
constexpr int kTextLeft = 20;
constexpr int kRightMargin = 4;

std::string FoldedKey(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}
}  // namespace

// Holds the item strings. The widest text is tracked as items come in, so
// that every row can report the same size (the view lays out uniform rows
// without asking each one) and the horizontal scroll bar still spans the
// longest line.
class ImageListBoxModel : public QAbstractListModel {
 public:
  explicit ImageListBoxModel(QObject* parent) : QAbstractListModel(parent) {}

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(items_.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= rowCount(QModelIndex())) return {};
    const std::string& item = items_[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) return widgets::PathToDisplay(ImageListBox::ItemText(item));
    if (role == Qt::DecorationRole) return images_.Image(ImageListBox::ItemImage(item));
    if (role == Qt::ToolTipRole) {
      auto it = toolTips_.find(index.row());
      if (it != toolTips_.end()) return it->second;
    }
    return {};
  }

  void SetMetrics(const QFont& font) {
    metrics_ = std::make_unique<QFontMetrics>(font);
    for (int ch = 0; ch < 0x80; ++ch) ascii_[ch] = metrics_->horizontalAdvance(QChar(ch));
    advances_.clear();
    widest_ = 0;
    for (const std::string& item : items_) Measure(item);
  }

  void SetImages(const ImageList& images) { images_ = images; }

  void Clear() {
    beginResetModel();
    items_.clear();
    toolTips_.clear();
    widest_ = 0;
    index_.clear();
    indexed_ = false;
    endResetModel();
  }

  void SetItems(std::vector<std::string> items) {
    beginResetModel();
    items_ = std::move(items);
    toolTips_.clear();
    widest_ = 0;
    for (const std::string& item : items_) Measure(item);
    index_.clear();
    indexed_ = false;
    endResetModel();
  }

  void Add(std::string item) {
    const int row = static_cast<int>(items_.size());
    beginInsertRows(QModelIndex(), row, row);
    Measure(item);
    if (indexed_) index_[FoldedKey(item)].insert(row);
    items_.push_back(std::move(item));
    endInsertRows();
  }

  void Replace(int row, std::string item) {
    std::string& slot = items_[static_cast<std::size_t>(row)];
    if (indexed_) {
      auto it = index_.find(FoldedKey(slot));
      if (it != index_.end()) {
        it->second.erase(row);
        if (it->second.empty()) index_.erase(it);
      }
      index_[FoldedKey(item)].insert(row);
    }
    Measure(item);
    slot = std::move(item);
    emit dataChanged(this->index(row), this->index(row));
  }

  // The first search builds a case-folded index; later searches and changes
  // keep it, so a search per item of a long list stays cheap.
  int Find(std::string_view text) {
    if (!indexed_) {
      for (std::size_t i = 0; i < items_.size(); ++i)
        index_[FoldedKey(items_[i])].insert(static_cast<int>(i));
      indexed_ = true;
    }
    auto it = index_.find(FoldedKey(text));
    return it == index_.end() || it->second.empty() ? -1 : *it->second.begin();
  }

  void SetToolTip(int row, const QString& text) {
    if (text.isEmpty()) {
      toolTips_.erase(row);
    } else {
      toolTips_[row] = text;
    }
    emit dataChanged(this->index(row), this->index(row), {Qt::ToolTipRole});
  }
  QString ToolTip(int row) const {
    auto it = toolTips_.find(row);
    return it == toolTips_.end() ? QString() : it->second;
  }

  const std::vector<std::string>& Items() const { return items_; }
  int Widest() const { return widest_; }
  const ImageList& Images() const { return images_; }

 private:
  // Sums per-character advances from a cache instead of shaping each line:
  // a list of 100,000 paths is measured in a few milliseconds. Kerning is
  // left out, which moves the scroll width by a pixel or two at most.
  void Measure(const std::string& item) {
    if (!metrics_) return;
    const std::string_view text = ImageListBox::ItemText(item);
    int width = 0;
    bool ascii = true;
    for (char byte : text) {
      const auto u = static_cast<unsigned char>(byte);
      if (u >= 0x80) {
        ascii = false;
        break;
      }
      width += ascii_[u];
    }
    if (!ascii) {
      width = 0;
      for (QChar ch : widgets::PathToDisplay(text)) {
        auto it = advances_.find(ch.unicode());
        if (it == advances_.end()) it = advances_.emplace(ch.unicode(), metrics_->horizontalAdvance(ch)).first;
        width += it->second;
      }
    }
    if (width > widest_) widest_ = width;
  }

  std::vector<std::string> items_;
  ImageList images_;
  std::unique_ptr<QFontMetrics> metrics_;
  int ascii_[0x80] = {};
  std::unordered_map<char16_t, int> advances_;
  int widest_ = 0;
  std::map<std::string, std::set<int>> index_;
  bool indexed_ = false;
  // Few items carry one: kept by row, dropped with the items.
  std::map<int, QString> toolTips_;
};

namespace {

class ImageItemDelegate : public QStyledItemDelegate {
 public:
  ImageItemDelegate(const ImageListBoxModel* model, QObject* parent)
      : QStyledItemDelegate(parent), model_(model) {}

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return QSize(kTextLeft + model_->Widest() + kRightMargin, ImageListBox::kItemHeight);
  }

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const bool enabled = option.state & QStyle::State_Enabled;
    const QRect r = option.rect;
    if (selected) p->fillRect(r, option.palette.color(enabled ? QPalette::Active : QPalette::Disabled,
                                                      QPalette::Highlight));
    const QPixmap image = index.data(Qt::DecorationRole).value<QPixmap>();
    if (!image.isNull())
      p->drawPixmap(r.left() + kImageLeft, r.top() + (r.height() - image.height()) / 2, image);
    p->setPen(option.palette.color(enabled ? QPalette::Active : QPalette::Disabled,
                                   selected ? QPalette::HighlightedText : QPalette::Text));
    p->drawText(r.adjusted(kTextLeft, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                index.data(Qt::DisplayRole).toString());
  }

 private:
  const ImageListBoxModel* model_;
};

}  // namespace

ImageListBox::ImageListBox(QWidget* parent) : QListView(parent), model_(new ImageListBoxModel(this)) {
  model_->SetMetrics(font());
  setModel(model_);
  setItemDelegate(new ImageItemDelegate(model_, this));
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setTextElideMode(Qt::ElideNone);
  QPalette pal = palette();
  pal.setColor(QPalette::Base, kBackground);
  setPalette(pal);
  // The selection, not the current index: a mouse press moves the current
  // index before it selects, and a handler must find the new item selected.
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection&, const QItemSelection&) {
            if (!selectingFromProgram_) emit itemClicked();
          });
}

ImageListBox::~ImageListBox() = default;

void ImageListBox::SetImages(const ImageList& images) {
  model_->SetImages(images);
  viewport()->update();
}

void ImageListBox::Clear() {
  selectingFromProgram_ = true;
  model_->Clear();
  selectingFromProgram_ = false;
}

void ImageListBox::AddItem(std::string item) {
  selectingFromProgram_ = true;
  model_->Add(std::move(item));
  selectingFromProgram_ = false;
}

void ImageListBox::SetItems(std::vector<std::string> items) {
  selectingFromProgram_ = true;
  model_->SetItems(std::move(items));
  selectingFromProgram_ = false;
}

int ImageListBox::Count() const { return model_->rowCount(QModelIndex()); }

std::string ImageListBox::Item(int index) const {
  if (index < 0 || index >= Count()) return {};
  return model_->Items()[static_cast<std::size_t>(index)];
}

void ImageListBox::SetItem(int index, std::string item) {
  if (index < 0 || index >= Count()) return;
  model_->Replace(index, std::move(item));
}

void ImageListBox::SetItemToolTip(int index, const QString& text) {
  if (index < 0 || index >= Count()) return;
  model_->SetToolTip(index, text);
}

QString ImageListBox::ItemToolTip(int index) const {
  if (index < 0 || index >= Count()) return {};
  return model_->ToolTip(index);
}

int ImageListBox::ItemIndex() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void ImageListBox::SetItemIndex(int index) {
  selectingFromProgram_ = true;
  if (index < 0 || index >= Count()) {
    selectionModel()->clearSelection();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  } else {
    const QModelIndex mi = model_->index(index);
    selectionModel()->setCurrentIndex(mi, QItemSelectionModel::ClearAndSelect);
    scrollTo(mi);
  }
  selectingFromProgram_ = false;
}

int ImageListBox::FindExact(std::string_view text) const { return model_->Find(text); }

std::string_view ImageListBox::ItemText(std::string_view item) {
  const std::size_t bar = item.rfind(kStateSeparator);
  return bar == std::string_view::npos ? item : item.substr(0, bar);
}

int ImageListBox::ItemImage(std::string_view item) {
  const std::size_t bar = item.rfind(kStateSeparator);
  if (bar == std::string_view::npos || bar + 2 != item.size()) return -1;
  const char digit = item[bar + 1];
  return digit >= '0' && digit <= '9' ? digit - '0' : -1;
}

void ImageListBox::SetAcceptFileDrops(bool accept) {
  setAcceptDrops(accept);
  viewport()->setAcceptDrops(accept);
  setDragDropMode(accept ? QAbstractItemView::DropOnly : QAbstractItemView::NoDragDrop);
}

void ImageListBox::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    model_->SetMetrics(font());
    scheduleDelayedItemsLayout();
  }
  QListView::changeEvent(event);
}

void ImageListBox::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void ImageListBox::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void ImageListBox::dropEvent(QDropEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}
