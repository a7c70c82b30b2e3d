#include "widgets/choice_list.h"

#include <QListView>
#include <algorithm>

#include "widgets/text.h"

namespace {
constexpr int kVisibleEntries = 20;

char Folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsTieBreakOnly(char c) { return c == '-' || c == '\''; }

std::string PrimaryKey(std::string_view s) {
  std::string key;
  key.reserve(s.size());
  for (char c : s)
    if (!IsTieBreakOnly(c)) key.push_back(Folded(c));
  return key;
}

std::string FoldedCopy(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Folded(c);
  return out;
}

// Bytes compared as unsigned: UTF-8 then sorts in code point order, every
// letter beyond ASCII after the ASCII ones.
bool BytesLess(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  });
}
}  // namespace

ChoiceList::ChoiceList(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setMaxVisibleItems(kVisibleEntries);
  // Styles that open the list as a menu would ignore the visible count.
  setView(new QListView(this));
  setStyleSheet("QComboBox { combobox-popup: 0; background: white; }");
  connect(this, &QComboBox::currentIndexChanged, this, [this](int) {
    if (!settingFromProgram_) emit changed();
  });
}

bool ChoiceList::ChoiceOrderLess(std::string_view a, std::string_view b) {
  const std::string ka = PrimaryKey(a), kb = PrimaryKey(b);
  if (ka != kb) return BytesLess(ka, kb);
  const std::string fa = FoldedCopy(a), fb = FoldedCopy(b);
  if (fa != fb) return BytesLess(fa, fb);
  return BytesLess(std::string(a), std::string(b));
}

void ChoiceList::SetItems(std::vector<std::string> items) {
  std::stable_sort(items.begin(), items.end(),
                   [](const std::string& a, const std::string& b) { return ChoiceOrderLess(a, b); });
  settingFromProgram_ = true;
  clear();
  for (const std::string& item : items) addItem(widgets::FromText(item));
  setCurrentIndex(-1);
  settingFromProgram_ = false;
}

std::vector<std::string> ChoiceList::Items() const {
  std::vector<std::string> items;
  for (int i = 0; i < count(); ++i) items.push_back(widgets::ToText(itemText(i)));
  return items;
}

void ChoiceList::SetItemIndex(int index) {
  settingFromProgram_ = true;
  setCurrentIndex(index >= 0 && index < count() ? index : -1);
  settingFromProgram_ = false;
}

bool ChoiceList::SelectText(std::string_view text) {
  for (int i = 0; i < count(); ++i) {
    if (widgets::EqualsIgnoringCase(widgets::ToText(itemText(i)), text)) {
      SetItemIndex(i);
      return true;
    }
  }
  SetItemIndex(-1);
  return false;
}

std::string ChoiceList::SelectedText() const {
  return currentIndex() < 0 ? std::string() : widgets::ToText(itemText(currentIndex()));
}
