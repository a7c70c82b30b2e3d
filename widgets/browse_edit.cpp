#include "widgets/browse_edit.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QToolButton>

#include "widgets/text.h"

BrowseEdit::BrowseEdit(QWidget* parent)
    : QWidget(parent), field_(new QLineEdit(this)), button_(new QToolButton(this)) {
  button_->setText("...");
  button_->setFocusPolicy(Qt::NoFocus);
  picker_ = [this](const std::string& start) -> std::optional<std::string> {
    const QString chosen =
        QFileDialog::getExistingDirectory(window(), QString(), widgets::PathToDisplay(start));
    if (chosen.isEmpty()) return std::nullopt;
    return widgets::PathFromDisplay(chosen);
  };
  connect(field_, &QLineEdit::textEdited, this,
          [this](const QString& text) { path_ = widgets::PathFromDisplay(text); });
  connect(button_, &QToolButton::clicked, this, [this] { Browse(); });
}

void BrowseEdit::SetPath(const std::string& path) {
  path_ = path;
  field_->setText(widgets::PathToDisplay(path));
}

void BrowseEdit::Browse() {
  if (picker_) {
    const std::optional<std::string> chosen = picker_(path_);
    if (chosen) SetPath(*chosen);
  }
  emit browsed();
}

void BrowseEdit::resizeEvent(QResizeEvent*) {
  field_->setGeometry(0, 0, width() - kButtonWidth, height());
  button_->setGeometry(width() - kButtonWidth, 0, kButtonWidth, height());
}
