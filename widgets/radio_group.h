// A framed group of exclusive options with a caption, addressed by index.
#pragma once

#include <QColor>
#include <QWidget>
#include <string>
#include <vector>

class QRadioButton;

class RadioGroup : public QWidget {
  Q_OBJECT

 public:
  explicit RadioGroup(QWidget* parent = nullptr);

  // Caption and options are UTF-8 text. Setting the options clears the
  // selection (index -1) without raising `changed`.
  void SetCaption(const std::string& caption);
  void SetItems(const std::vector<std::string>& items);
  int Count() const { return static_cast<int>(buttons_.size()); }

  // -1 when no option is selected.
  int ItemIndex() const { return index_; }
  // Selects option `index`: below 0 selects nothing, past the last option
  // selects the last one. Raises `changed` when the selection changes.
  void SetItemIndex(int index);

  QRadioButton* Button(int index) const;

 signals:
  // The selection changed, by a click, a key or a call of SetItemIndex.
  void changed(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ArrangeButtons();
  void Select(int index);

  QString caption_;
  std::vector<QRadioButton*> buttons_;
  int index_ = -1;
  bool selecting_ = false;
};
