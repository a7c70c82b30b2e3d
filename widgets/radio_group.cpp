#include "widgets/radio_group.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QRadioButton>

#include "widgets/panel.h"
#include "widgets/text.h"

namespace {
const QColor kBevelColor(0, 128, 192);
// Free space kept below the caption line and at the group's bottom edge.
constexpr int kBottomMargin = 5;
constexpr int kLeftMargin = 8;
constexpr int kSideMargins = 10;
}  // namespace

RadioGroup::RadioGroup(QWidget* parent) : QWidget(parent) { setAutoFillBackground(true); }

void RadioGroup::SetCaption(const std::string& caption) {
  caption_ = widgets::FromText(caption);
  update();
}

void RadioGroup::SetItems(const std::vector<std::string>& items) {
  for (QRadioButton* b : buttons_) delete b;
  buttons_.clear();
  index_ = -1;
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(widgets::FromText(items[i]), this);
    // Exclusivity is kept here, not by Qt, so that "nothing selected" exists.
    b->setAutoExclusive(false);
    const int index = static_cast<int>(i);
    connect(b, &QRadioButton::toggled, this, [this, index](bool checked) {
      if (selecting_) return;
      if (checked) {
        Select(index);
      } else if (index == index_) {
        // A click on the checked option must not clear it.
        selecting_ = true;
        buttons_[static_cast<std::size_t>(index)]->setChecked(true);
        selecting_ = false;
      }
    });
    buttons_.push_back(b);
    b->show();
  }
  ArrangeButtons();
}

QRadioButton* RadioGroup::Button(int index) const {
  return index >= 0 && index < Count() ? buttons_[static_cast<std::size_t>(index)] : nullptr;
}

void RadioGroup::SetItemIndex(int index) {
  if (index < -1) index = -1;
  if (index >= Count()) index = Count() - 1;
  Select(index);
}

void RadioGroup::Select(int index) {
  selecting_ = true;
  for (int i = 0; i < Count(); ++i) buttons_[static_cast<std::size_t>(i)]->setChecked(i == index);
  selecting_ = false;
  if (index == index_) return;
  index_ = index;
  emit changed(index_);
}

void RadioGroup::ArrangeButtons() {
  if (buttons_.empty()) return;
  // Options share the height below the caption evenly, one column.
  const int textHeight = QFontMetrics(font()).height();
  const int count = Count();
  const int free = height() - textHeight - kBottomMargin;
  const int buttonHeight = free / count;
  const int top = textHeight + 1 + (free % count) / 2;
  for (int i = 0; i < count; ++i) {
    buttons_[static_cast<std::size_t>(i)]->setGeometry(kLeftMargin, top + i * buttonHeight,
                                                       width() - kSideMargins, buttonHeight);
  }
}

void RadioGroup::resizeEvent(QResizeEvent*) { ArrangeButtons(); }

void RadioGroup::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) ArrangeButtons();
  QWidget::changeEvent(event);
}

void RadioGroup::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QFont bold = font();
  bold.setBold(true);
  const QFontMetrics fm(bold);
  const int lineY = fm.height() / 2;
  DrawLoweredBevel(p, QRect(0, lineY, width() - 1, height() - lineY - 1), kBevelColor);
  if (caption_.isEmpty()) return;
  const QRect textRect(kLeftMargin - 1, 0, fm.horizontalAdvance(caption_) + 2, fm.height());
  p.fillRect(textRect, palette().color(backgroundRole()));
  p.setFont(bold);
  p.setPen(Qt::black);
  p.drawText(textRect, Qt::AlignCenter, caption_);
}
