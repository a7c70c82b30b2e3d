#include "widgets/text_edit.h"

#include <QRegularExpressionValidator>
#include <charconv>

#include "widgets/text.h"

namespace {
// Custom tag texts have no length limit of their own.
constexpr int kMaxTextLength = 1 << 24;
}  // namespace

TextEdit::TextEdit(QWidget* parent) : QLineEdit(parent) { setMaxLength(kMaxTextLength); }

std::string TextEdit::Text() const { return widgets::ToText(text()); }

void TextEdit::SetText(const std::string& text) {
  setText(widgets::FromText(text));
  // Show the start of a long text, as a freshly filled field does.
  setCursorPosition(0);
}

IntegerEdit::IntegerEdit(QWidget* parent) : TextEdit(parent) {
  setValidator(new QRegularExpressionValidator(QRegularExpression("-?[0-9]*"), this));
}

int32_t IntegerEdit::Value() const {
  const std::string text = Text();
  int32_t value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(first, last, value);
  if (text.empty() || error != std::errc() || end != last) return 0;
  return value;
}
