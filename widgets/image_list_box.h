// A list box whose items are "text|digit" strings: it shows the text before
// the "|" behind the image whose index is the digit after it.
#pragma once

#include <QListView>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/pictures.h"

class ImageListBoxModel;

class ImageListBox : public QListView {
  Q_OBJECT

 public:
  static constexpr int kItemHeight = 16;
  static constexpr char kStateSeparator = '|';

  explicit ImageListBox(QWidget* parent = nullptr);
  ~ImageListBox() override;

  // The images shown in front of the items; the list keeps its own copy.
  void SetImages(const ImageList& images);

  void Clear();
  void AddItem(std::string item);
  // Replaces all items in one go (one layout, one repaint).
  void SetItems(std::vector<std::string> items);
  int Count() const;
  // The full item string; empty for an index outside the items.
  std::string Item(int index) const;
  // Replaces the item at `index` (ignored outside the items); its selection
  // stays as it was.
  void SetItem(int index, std::string item);

  // The tooltip of the item at `index` (ignored outside the items); an empty
  // text removes it. Every tooltip goes when the items are replaced all at
  // once (SetItems, Clear); SetItem keeps it.
  void SetItemToolTip(int index, const QString& tip);
  QString ItemToolTip(int index) const;

  // -1 when no item is selected.
  int ItemIndex() const;
  // Selects `index` and scrolls it into view; -1 (or any index outside the
  // items) clears the selection. Does not raise `itemClicked`.
  void SetItemIndex(int index);

  // Index of the first item equal to `text` ignoring ASCII letter case; -1
  // when there is none.
  int FindExact(std::string_view text) const;

  // The part of an item before its last "|" (the whole item when it has
  // none) and the image index after it (-1 when it is not one digit).
  static std::string_view ItemText(std::string_view item);
  static int ItemImage(std::string_view item);

  // Accepts drags that carry URLs, on the list and its viewport; what a
  // drop does is up to whoever watches the drop events.
  void SetAcceptFileDrops(bool accept);

 signals:
  // The user selected another item with the mouse or the keyboard; the new
  // item is already selected when this is raised.
  void itemClicked();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  ImageListBoxModel* model_;
  bool selectingFromProgram_ = false;
};
