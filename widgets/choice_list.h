// A drop-down list that offers a fixed, sorted set of entries and no typing.
#pragma once

#include <QComboBox>
#include <string>
#include <string_view>
#include <vector>

class ChoiceList : public QComboBox {
  Q_OBJECT

 public:
  explicit ChoiceList(QWidget* parent = nullptr);

  // Replaces the entries (UTF-8 text), sorted with ChoiceOrderLess;
  // nothing is selected afterwards.
  void SetItems(std::vector<std::string> items);
  std::vector<std::string> Items() const;

  // -1 when nothing is selected.
  int ItemIndex() const { return currentIndex(); }
  // An index outside the entries selects nothing.
  void SetItemIndex(int index);
  // Selects the first entry equal to `text` ignoring ASCII letter case, or
  // nothing when no entry matches. Returns whether an entry was selected.
  bool SelectText(std::string_view text);
  // The selected entry's text (UTF-8); empty when nothing is selected.
  std::string SelectedText() const;

  // The order of a sorted list: letter case ignored, hyphens and
  // apostrophes only break ties ("Eurodance" before "Euro-House"), other
  // punctuation and blanks before digits before letters.
  static bool ChoiceOrderLess(std::string_view a, std::string_view b);

 signals:
  // The user picked another entry (mouse, keys or wheel). Changes made by
  // the program through this class do not raise it.
  void changed();

 private:
  bool settingFromProgram_ = false;
};
